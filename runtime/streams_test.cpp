#include "runtime/streams.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "runtime/container_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace runtime {
namespace {

std::string contents(TCustomMemoryStream& stream) {
    return std::string(static_cast<const char*>(stream.Memory()),
                       static_cast<size_t>(stream.Size()));
}

void writeText(TStream& stream, std::string_view text) {
    stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

TEST(StreamsTest, ShortReadsAndWritesRaise) {
    TMemoryStream memory;
    writeText(memory, "abc");
    memory.SetPosition(0);
    char buffer[8] = {};
    memory.ReadBuffer(buffer, 0);  // nothing asked, nothing raised
    memory.ReadBuffer(buffer, 2);
    try {
        memory.ReadBuffer(buffer, 2);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
        EXPECT_STREQ(e.ClassName(), "EReadError");
    }

    testing::TempFolder folder;
    const std::string name = folder.File("read-only.bin");
    testing::WriteBytes(name, "data");
    {
        TFileStream file(name, fmOpenRead);
        try {
            writeText(file, "x");
            ADD_FAILURE() << "no error";
        } catch (const EWriteError& e) {
            EXPECT_EQ(e.Message(), "Stream write error");
        }
    }
    EXPECT_EQ(testing::ReadBytes(name), "data");
}

TEST(StreamsTest, FileStreamOpenAndCreateErrorsNameTheFile) {
    testing::TempFolder folder;
    const std::string existing = folder.File("existing.bin");
    testing::WriteBytes(existing, "x");
    struct Case {
        std::string name;
        uint16_t mode;
        bool create;  // EFCreateError rather than EFOpenError
    };
    const Case cases[] = {
        {folder.File("missing.bin"), fmOpenRead, false},
        {folder.File("missing.bin"), fmOpenReadWrite | fmShareDenyNone, false},
        {folder.File("no-folder") + "/x.bin", fmCreate, true},
        {folder.Path().string(), fmOpenRead, false},  // a folder
        {existing, 3, false},                         // no such access mode
        {existing, fmOpenRead | 0x50, false},         // no such share mode
    };
    for (const Case& c : cases) {
        const std::string expected =
            (c.create ? "Cannot create file " : "Cannot open file ") + c.name;
        try {
            TFileStream stream(c.name, c.mode);
            ADD_FAILURE() << c.name << " opened";
        } catch (const EFCreateError& e) {
            EXPECT_TRUE(c.create) << c.name;
            EXPECT_EQ(e.Message(), expected);
        } catch (const EFOpenError& e) {
            EXPECT_FALSE(c.create) << c.name;
            EXPECT_EQ(e.Message(), expected);
            EXPECT_STREQ(e.ClassName(), "EFOpenError");
        }
    }
    EXPECT_FALSE(testing::Exists(folder.File("missing.bin")));
}

TEST(StreamsTest, EightBitAndWideNamesReachTheSameFile) {
    testing::TempFolder folder;
    const std::string ansiName = folder.File("caf\xE9.bin");
    {
        TFileStream created(ansiName, fmCreate);
        writeText(created, "hello");
        EXPECT_EQ(created.FileName(), ansiName);
    }
    const std::u16string wideName = AnsiToWide(folder.File("")) + u"caf\u00E9.bin";
    TFileStream opened(wideName, fmOpenRead);
    EXPECT_EQ(opened.FileName(), ansiName);
    EXPECT_EQ(opened.Size(), 5);
}

TEST(StreamsTest, FileStreamSeeksWritesAndResizes) {
    testing::TempFolder folder;
    const std::string name = folder.File("data.bin");
    {
        TFileStream stream(name, fmCreate);
        writeText(stream, "abc");
        EXPECT_EQ(stream.Seek(6, soFromBeginning), 6);  // beyond the end
        writeText(stream, "z");
        EXPECT_EQ(stream.Size(), 7);
        EXPECT_EQ(stream.Position(), 7);
        EXPECT_EQ(stream.Seek(-2, soFromEnd), 5);
        EXPECT_EQ(stream.Seek(-10, soFromCurrent), -1);  // before the start
        EXPECT_EQ(stream.Seek(0, 7), -1);                // no such origin
        const int64_t far = int64_t{1} << 33;
        EXPECT_EQ(stream.Seek(far, soFromBeginning), far);
        EXPECT_EQ(stream.Position(), far);
        stream.SetSize(5);
        EXPECT_EQ(stream.Size(), 5);
        EXPECT_EQ(stream.Position(), 5);
    }
    EXPECT_EQ(testing::ReadBytes(name), std::string("abc\0\0", 5));

    // fmCreate empties an existing file.
    { TFileStream again(name, fmCreate); }
    EXPECT_EQ(testing::ReadBytes(name), "");

    TFileStream reader(name, fmOpenReadWrite);
    char c = 0;
    EXPECT_EQ(reader.Read(&c, 1), 0);
}

TEST(StreamsTest, ShareModes) {
    testing::TempFolder folder;
    const std::string name = folder.File("shared.bin");
    testing::WriteBytes(name, "x");
    const auto opens = [&](uint16_t mode) {
        try {
            TFileStream second(name, mode);
            return true;
        } catch (const EFOpenError&) {
            return false;
        }
    };
    TFileStream denyWrite(name, fmOpenRead | fmShareDenyWrite);
#ifdef _WIN32
    EXPECT_TRUE(opens(fmOpenRead | fmShareDenyNone));
    EXPECT_FALSE(opens(fmOpenReadWrite | fmShareDenyNone));
    TFileStream exclusive(folder.File("exclusive.bin"), fmCreate);
    EXPECT_THROW(TFileStream(folder.File("exclusive.bin"), fmOpenRead | fmShareDenyNone),
                 EFOpenError);
#else
    // Natively the share part of the mode has no effect.
    EXPECT_TRUE(opens(fmOpenReadWrite | fmShareDenyNone));
#endif
}

TEST(StreamsTest, CopyFromCopiesTheWholeSourceForCountZero) {
    std::string data(200000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    TStringStream source(data);
    source.SetPosition(12345);

    TMemoryStream target;
    EXPECT_EQ(target.CopyFrom(source, 0), static_cast<int64_t>(data.size()));
    EXPECT_EQ(contents(target), data);
    EXPECT_EQ(source.Position(), static_cast<int64_t>(data.size()));

    // A count copies from the source's position.
    source.SetPosition(10);
    TMemoryStream part;
    EXPECT_EQ(part.CopyFrom(source, 5), 5);
    EXPECT_EQ(contents(part), data.substr(10, 5));

    source.SetPosition(static_cast<int64_t>(data.size()) - 3);
    EXPECT_THROW(part.CopyFrom(source, 4), EReadError);
    EXPECT_THROW(part.CopyFrom(source, -1), EReadError);

    TMemoryStream empty;
    EXPECT_EQ(part.CopyFrom(empty, 0), 0);
}

TEST(StreamsTest, MemoryStreamPositionsBeyondTheEndAndBeyond32Bits) {
    TMemoryStream stream;
    writeText(stream, "abc");
    EXPECT_EQ(stream.Seek(6, soFromBeginning), 6);
    char buffer[4] = {};
    EXPECT_EQ(stream.Read(buffer, 4), 0);
    EXPECT_EQ(stream.Size(), 3);
    writeText(stream, "z");
    EXPECT_EQ(contents(stream), std::string("abc\0\0\0z", 7));  // the gap is zeros

    const int64_t far = int64_t{5} << 32;
    EXPECT_EQ(stream.Seek(far, soFromBeginning), far);
    EXPECT_EQ(stream.Seek(far, soFromCurrent), 2 * far);
    EXPECT_EQ(stream.Position(), 2 * far);
    EXPECT_EQ(stream.Read(buffer, 4), 0);
    EXPECT_EQ(stream.Size(), 7);
    EXPECT_EQ(stream.Seek(std::numeric_limits<int64_t>::max(), soFromCurrent), -1);
    EXPECT_EQ(stream.Position(), 2 * far);  // a failed seek stays put
    EXPECT_EQ(stream.Seek(-1, soFromEnd), 6);
    EXPECT_EQ(stream.Read(buffer, 4), 1);
    EXPECT_EQ(buffer[0], 'z');

    // A negative position reads and writes nothing.
    stream.SetPosition(-4);
    EXPECT_EQ(stream.Read(buffer, 1), 0);
    EXPECT_EQ(stream.Write("x", 1), 0);
    EXPECT_EQ(stream.Size(), 7);
}

TEST(StreamsTest, MemoryStreamSizeClearAndFiles) {
    TMemoryStream stream;
    for (int i = 0; i < 10000; ++i) writeText(stream, "0123456789");
    EXPECT_EQ(stream.Size(), 100000);
    EXPECT_EQ(contents(stream).substr(99990), "0123456789");

    stream.SetPosition(2);
    writeText(stream, "ab");  // overwrites
    EXPECT_EQ(contents(stream).substr(0, 6), "01ab45");
    EXPECT_EQ(stream.Position(), 4);

    stream.SetSize(3);
    EXPECT_EQ(stream.Position(), 3);  // moved to the new end
    stream.SetSize(5);
    EXPECT_EQ(contents(stream), std::string("01a\0\0", 5));
    EXPECT_THROW(stream.SetSize(-1), EWriteError);

    testing::TempFolder folder;
    const std::string name = folder.File("memory.bin");
    stream.SaveToFile(name);
    EXPECT_EQ(testing::ReadBytes(name), std::string("01a\0\0", 5));

    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(stream.Memory(), nullptr);

    testing::WriteBytes(name, "from file");
    stream.LoadFromFile(AnsiToWide(name));
    EXPECT_EQ(contents(stream), "from file");

    // LoadFromStream takes the whole source, wherever its position is.
    TStringStream source("whole text");
    source.SetPosition(6);
    stream.LoadFromStream(source);
    EXPECT_EQ(contents(stream), "whole text");

    // Loading a stream from itself keeps its content.
    stream.LoadFromStream(stream);
    EXPECT_EQ(contents(stream), "whole text");

    // Writing a stream's own bytes into it, past its end.
    stream.Seek(0, soFromEnd);
    stream.WriteBuffer(stream.Memory(), stream.Size());
    EXPECT_EQ(contents(stream), "whole textwhole text");

    EXPECT_THROW(stream.LoadFromFile(folder.File("missing.bin")), EFOpenError);
}

TEST(StreamsTest, StringStream) {
    TStringStream stream("hello world");
    EXPECT_EQ(stream.ReadString(5), "hello");
    EXPECT_EQ(stream.ReadString(100), " world");
    EXPECT_EQ(stream.ReadString(1), "");

    // Writing inside the string overwrites; the rest stays.
    stream.SetPosition(0);
    stream.WriteString("J");
    EXPECT_EQ(stream.DataString(), "Jello world");
    stream.Seek(0, soFromEnd);
    stream.WriteString("!");
    EXPECT_EQ(stream.DataString(), "Jello world!");

    // Seeks are kept within the string; soFromEnd counts like the others.
    EXPECT_EQ(stream.Seek(-6, soFromEnd), 6);
    EXPECT_EQ(stream.Seek(100, soFromBeginning), 12);
    EXPECT_EQ(stream.Seek(-100, soFromCurrent), 0);

    stream.SetPosition(8);
    stream.SetSize(4);
    EXPECT_EQ(stream.DataString(), "Jell");
    EXPECT_EQ(stream.Position(), 4);
}

}  // namespace
}  // namespace runtime
