#include "core/zstream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"
#include "xml/document.h"

namespace core {
namespace {

using runtime::soFromBeginning;
using runtime::soFromCurrent;
using runtime::soFromEnd;

// Partly compressible bytes: runs of text among pseudo-random ones, so the
// compressed form spans several input buffers.
std::string sampleData(size_t size) {
    std::string data;
    uint32_t state = 12345;
    while (data.size() < size) {
        state = state * 1103515245 + 12345;
        if ((state >> 28) < 4) {
            data += "the quick brown fox jumps over the lazy dog ";
        } else {
            data += static_cast<char>(state >> 16);
        }
    }
    data.resize(size);
    return data;
}

std::string compress(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                        reinterpret_cast<const Bytef*>(data.data()),
                        static_cast<uLong>(data.size()), Z_BEST_COMPRESSION),
              Z_OK);
    out.resize(size);
    return out;
}

// A project-like file: a header, the compressed data, something after it.
struct PackedFile {
    static constexpr int64_t Start = 29;
    std::string data = sampleData(300000);
    std::string packed = compress(data);
    runtime::TStringStream source{std::string(Start, 'H') + packed + "TAIL"};

    PackedFile() { source.SetPosition(Start); }
    [[nodiscard]] int64_t End() const { return Start + static_cast<int64_t>(packed.size()); }
};

std::string readAll(TZDecompressionStream& z, int64_t chunk) {
    std::string out;
    std::string buffer(static_cast<size_t>(chunk), '\0');
    for (;;) {
        const int64_t got = z.Read(buffer.data(), chunk);
        if (got == 0) return out;
        out.append(buffer, 0, static_cast<size_t>(got));
    }
}

TEST(ZDecompressionStreamTest, InflatesInAnyChunkSize) {
    for (const int64_t chunk : {7, 8192, 65536, 65537, 1000000}) {
        PackedFile file;
        TZDecompressionStream z(file.source);
        int refills = 0;
        z.OnProgress = [&](runtime::TObject* sender) {
            EXPECT_EQ(sender, &z);
            ++refills;
        };
        EXPECT_EQ(readAll(z, chunk), file.data) << chunk;
        const int64_t blocks =
            (static_cast<int64_t>(file.packed.size()) + TCustomZStream::InputBufferSize - 1) /
            TCustomZStream::InputBufferSize;
        EXPECT_EQ(refills, blocks) << chunk;
        EXPECT_EQ(z.Seek(0, soFromCurrent), static_cast<int64_t>(file.data.size()));
        // The source stands right after the compressed data.
        EXPECT_EQ(file.source.Position(), file.End()) << chunk;
        EXPECT_EQ(file.source.ReadString(4), "TAIL");
    }
}

TEST(ZDecompressionStreamTest, ByteByByteReads) {
    const std::string data = sampleData(5000);
    runtime::TStringStream source(compress(data) + "after");
    TZDecompressionStream z(source);
    EXPECT_EQ(readAll(z, 1), data);
    EXPECT_EQ(source.ReadString(5), "after");
}

TEST(ZDecompressionStreamTest, RestartsWhereItWasCreated) {
    PackedFile file;
    TZDecompressionStream z(file.source);
    std::string head(1000, '\0');
    z.ReadBuffer(head.data(), 1000);
    EXPECT_EQ(z.Seek(0, soFromBeginning), 0);
    EXPECT_EQ(file.source.Position(), PackedFile::Start);
    EXPECT_EQ(readAll(z, 65536), file.data);
    // Again after the end.
    EXPECT_EQ(z.Seek(0, soFromBeginning), 0);
    EXPECT_EQ(readAll(z, 4096), file.data);
    EXPECT_EQ(file.source.Position(), file.End());
}

TEST(ZDecompressionStreamTest, PutsAMovedSourceBack) {
    PackedFile file;
    TZDecompressionStream z(file.source);
    std::string first(70000, '\0');
    z.ReadBuffer(first.data(), 70000);
    file.source.SetPosition(3);  // someone else reads the source
    std::string rest = readAll(z, 50000);
    EXPECT_EQ(first + rest, file.data);
}

TEST(ZDecompressionStreamTest, SeekRules) {
    const std::string data = sampleData(100000);
    struct Row {
        int64_t offset;
        uint16_t origin;
        int64_t expected;  // -1: "Invalid ZStream operation!"
    };
    // Each from 1000 bytes delivered.
    const Row rows[] = {
        {0, soFromCurrent, 1000},      {10, soFromCurrent, 1010},
        {-1, soFromCurrent, -1},       {500, soFromBeginning, -1},
        {1000, soFromBeginning, 1000}, {5000, soFromBeginning, 5000},
        {0, soFromEnd, 100000},        {5, soFromEnd, -1},
        {-5, soFromEnd, -1},           {0, soFromBeginning, 0},
    };
    for (const Row& row : rows) {
        runtime::TStringStream source(compress(data));
        TZDecompressionStream z(source);
        std::string head(1000, '\0');
        z.ReadBuffer(head.data(), 1000);
        SCOPED_TRACE(std::to_string(row.offset) + "/" + std::to_string(row.origin));
        if (row.expected < 0) {
            try {
                z.Seek(row.offset, row.origin);
                ADD_FAILURE() << "no error";
            } catch (const EZDecompressionError& e) {
                EXPECT_EQ(e.Message(), "Invalid ZStream operation!");
            }
            continue;
        }
        EXPECT_EQ(z.Seek(row.offset, row.origin), row.expected);
        // Reading goes on from there.
        char next = 0;
        if (row.expected < static_cast<int64_t>(data.size())) {
            ASSERT_EQ(z.Read(&next, 1), 1);
            EXPECT_EQ(next, data[static_cast<size_t>(row.expected)]);
        } else {
            EXPECT_EQ(z.Read(&next, 1), 0);
        }
    }
}

TEST(ZDecompressionStreamTest, SizeAndCopyFromWorkOnAFreshStream) {
    const std::string data = sampleData(20000);
    runtime::TStringStream source(compress(data));
    TZDecompressionStream z(source);
    EXPECT_EQ(z.Size(), 20000);
    runtime::TStringStream copy;
    EXPECT_EQ(copy.CopyFrom(z, 0), 20000);
    EXPECT_EQ(copy.DataString(), data);
}

// Text lists load from the inflating stream wherever it stands, without
// asking for a size it can only tell by inflating everything.
TEST(ZDecompressionStreamTest, TextListsLoadFromItMidStream) {
    std::string text = "header\r\n";
    for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\r\n";
    const std::string packed = compress(text);
    runtime::TStringStream source("head" + packed + "TAIL");
    source.SetPosition(4);
    TZDecompressionStream z(source);
    char header[8];
    z.ReadBuffer(header, sizeof header);
    runtime::TStringList lines;
    lines.LoadFromStream(z);
    ASSERT_EQ(lines.Count(), 20000);
    EXPECT_EQ(lines.Strings(0), "line 0");
    EXPECT_EQ(lines.Strings(19999), "line 19999");
    EXPECT_EQ(source.Position(), 4 + static_cast<int64_t>(packed.size()));

    runtime::TStringStream again(compress(text));
    TZDecompressionStream fresh(again);
    lines.LoadFromStream(fresh);
    EXPECT_EQ(lines.Count(), 20001);
}

TEST(ZDecompressionStreamTest, SeekingPastTheEndIsAReadError) {
    runtime::TStringStream source(compress(sampleData(1000)));
    TZDecompressionStream z(source);
    EXPECT_THROW(z.Seek(1001, soFromCurrent), runtime::EReadError);
}

TEST(ZDecompressionStreamTest, WritingAlwaysFails) {
    runtime::TStringStream source(compress("abc"));
    TZDecompressionStream z(source);
    try {
        z.Write("x", 1);
        ADD_FAILURE() << "no error";
    } catch (const EZDecompressionError& e) {
        EXPECT_EQ(e.Message(), "Invalid ZStream operation!");
        EXPECT_STREQ(e.ClassName(), "EZDecompressionError");
    }
}

// A stream that wants a preset dictionary, which the reader never has.
std::string compressWithDictionary(const std::string& data) {
    z_stream zs{};
    EXPECT_EQ(deflateInit(&zs, Z_DEFAULT_COMPRESSION), Z_OK);
    const std::string dictionary = "dictionary words";
    deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(dictionary.data()),
                         static_cast<uInt>(dictionary.size()));
    std::string out(1000, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

TEST(ZDecompressionStreamTest, BadInputIsAnError) {
    const std::string data = sampleData(200000);
    const std::string good = compress(data);
    std::string corrupt = good;
    for (size_t i = 1000; i < 1100; ++i) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    struct Row {
        const char* what;
        std::string input;
        int code;
    };
    const Row rows[] = {
        {"corrupt", corrupt, Z_DATA_ERROR},
        {"no zlib header", "this is not compressed at all", Z_DATA_ERROR},
        {"empty", "", Z_DATA_ERROR},
        // The source ends inside the compressed data.
        {"truncated", good.substr(0, good.size() - 10), Z_DATA_ERROR},
        {"truncated early", good.substr(0, 5000), Z_DATA_ERROR},
        {"header only", good.substr(0, 2), Z_DATA_ERROR},
        {"needs a dictionary", compressWithDictionary("dictionary words, words"), Z_NEED_DICT},
    };
    for (const Row& row : rows) {
        runtime::TStringStream source(row.input);
        TZDecompressionStream z(source);
        try {
            readAll(z, 65536);
            ADD_FAILURE() << row.what << ": no error";
        } catch (const EZDecompressionError& e) {
            EXPECT_EQ(e.ErrorCode(), row.code) << row.what;
            EXPECT_EQ(e.Message(), ZLibErrorText(row.code)) << row.what;
        }
        // What was delivered before the failure is counted.
        if (std::string(row.what) == "truncated early") {
            EXPECT_GT(z.Seek(0, soFromCurrent), 0);
        }
    }
}

TEST(ZDecompressionStreamTest, ErrorTexts) {
    const std::pair<int, const char*> rows[] = {
        {2, "need dictionary"},      {1, "stream end"},    {0, "ok"},
        {-1, "file error"},          {-2, "stream error"}, {-3, "data error"},
        {-4, "insufficient memory"}, {-5, "buffer error"}, {-6, "incompatible version"},
    };
    for (const auto& [code, text] : rows) {
        EXPECT_EQ(ZLibErrorText(code), text);
        const EZDecompressionError error(code);
        EXPECT_EQ(error.ErrorCode(), code);
        EXPECT_EQ(error.Message(), text);
    }
}

// ---- compression ------------------------------------------------------------

// zlib's own one-call inflate: the oracle for what the stream writes.
std::string uncompressWithZlib(const std::string& packed, size_t size) {
    std::string out(size + 1, '\0');
    uLongf outSize = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize,
                         reinterpret_cast<const Bytef*>(packed.data()),
                         static_cast<uLong>(packed.size())),
              Z_OK);
    out.resize(outSize);
    return out;
}

// Bytes that do not compress, so the output outgrows the block size.
std::string noise(size_t size) {
    std::string data(size, '\0');
    uint32_t state = 99;
    for (char& c : data) {
        state = state * 1664525 + 1013904223;
        c = static_cast<char>(state >> 24);
    }
    return data;
}

// The oldest project format loads its XML straight from the inflater,
// which reads forward only: both forms of the XML library load through it.
TEST(ZDecompressionStreamTest, TheXmlLibraryLoadsThroughIt) {
    auto document = xml::CreateXmlDocument(u"Sites", "1.0", "windows-1251");
    auto sites = document->DocumentElement();
    for (int i = 0; i < 2000; ++i) {
        auto site = sites->AppendElement(u"Site" + runtime::AnsiToWide(std::to_string(i)));
        site->SetAttr(u"URL", u"http://example.com/" + runtime::AnsiToWide(std::to_string(i)));
        site->SetAttr(u"Notes", u"caf\u00E9 & <notes>");
    }
    runtime::TMemoryStream text;
    document->Save(text);
    const std::string forms[] = {
        std::string(static_cast<const char*>(text.Memory()), static_cast<size_t>(text.Size())),
        document->BinaryXML()};
    for (const std::string& form : forms) {
        runtime::TStringStream source(compress(form));
        TZDecompressionStream inflater(source);
        auto loaded = xml::CreateXmlDocument(u"", "1.0", "windows-1251");
        loaded->Load(inflater);
        // The declaration may name another encoding: the text form is written
        // in UTF-16 when a character does not fit the declared one.
        EXPECT_TRUE(loaded->DocumentElement()->XML() == document->DocumentElement()->XML())
            << form.size();
    }
}

TEST(ZCompressionStreamTest, WritesWhatZlibAndTheReaderInflate) {
    struct Row {
        const char* what;
        std::string data;
        int level;
        size_t chunk;
    };
    const Row rows[] = {
        {"nothing", "", Z_DEFAULT_COMPRESSION, 1},
        {"one byte", "x", 9, 1},
        {"text in small writes", sampleData(300000), Z_DEFAULT_COMPRESSION, 7},
        {"text in one write", sampleData(300000), 9, 300000},
        {"noise stored", noise(200000), 0, 65536},
        {"noise in odd writes", noise(200000), 6, 65537},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        constexpr int64_t Start = 29;
        runtime::TStringStream target(std::string(Start, 'H'));
        target.SetPosition(Start);
        TZCompressionStream z(target, row.level);
        int blocks = 0;
        z.OnProgress = [&](runtime::TObject* sender) {
            EXPECT_EQ(sender, &z);
            ++blocks;
        };
        for (size_t at = 0; at < row.data.size(); at += row.chunk) {
            const std::string piece = row.data.substr(at, row.chunk);
            ASSERT_EQ(z.Write(piece.data(), static_cast<int64_t>(piece.size())),
                      static_cast<int64_t>(piece.size()));
        }
        EXPECT_EQ(z.Position(), static_cast<int64_t>(row.data.size()));
        EXPECT_EQ(z.Size(), static_cast<int64_t>(row.data.size()));
        z.Finish();
        z.Finish();  // a second call adds nothing

        const std::string& written = target.DataString();
        EXPECT_EQ(written.substr(0, Start), std::string(Start, 'H'));
        EXPECT_EQ(target.Position(), static_cast<int64_t>(written.size()));
        const std::string packed = written.substr(Start);
        EXPECT_EQ(blocks,
                  static_cast<int>((packed.size() + TZCompressionStream::OutputBufferSize - 1) /
                                   TZCompressionStream::OutputBufferSize));
        EXPECT_EQ(uncompressWithZlib(packed, row.data.size()), row.data);

        target.SetPosition(Start);
        TZDecompressionStream reader(target);
        EXPECT_EQ(readAll(reader, 65536), row.data);
    }
}

TEST(ZCompressionStreamTest, DestroyingFinishesAndMovedTargetsArePutBack) {
    const std::string data = noise(150000);
    runtime::TStringStream target;
    {
        TZCompressionStream z(target, 0);
        z.WriteBuffer(data.data(), 100000);
        target.SetPosition(0);  // someone else reads the target meanwhile
        z.WriteBuffer(data.data() + 100000, 50000);
    }
    EXPECT_EQ(uncompressWithZlib(target.DataString(), data.size()), data);
}

TEST(ZCompressionStreamTest, OnlyWritesForward) {
    runtime::TStringStream target;
    TZCompressionStream z(target);
    z.WriteBuffer("abc", 3);
    EXPECT_EQ(z.Seek(0, soFromCurrent), 3);
    EXPECT_EQ(z.Seek(0, soFromEnd), 3);
    EXPECT_EQ(z.Seek(3, soFromBeginning), 3);
    char buffer[4];
    const std::function<void()> refused[] = {
        [&] { z.Read(buffer, 1); },
        [&] { z.Seek(0, soFromBeginning); },
        [&] { z.Seek(-1, soFromCurrent); },
        [&] { z.Seek(1, soFromCurrent); },
        [&] {
            z.Finish();
            z.Write("x", 1);
        },
    };
    for (const auto& call : refused) {
        try {
            call();
            ADD_FAILURE() << "no error";
        } catch (const EZCompressionError& e) {
            EXPECT_EQ(e.Message(), "Invalid ZStream operation!");
            EXPECT_STREQ(e.ClassName(), "EZCompressionError");
        }
    }
    EXPECT_EQ(uncompressWithZlib(target.DataString(), 3), "abc");
}

TEST(ZCompressionStreamTest, ZlibAndTargetFailuresAreErrors) {
    runtime::TStringStream target;
    try {
        TZCompressionStream z(target, 10);
        ADD_FAILURE() << "level 10 accepted";
    } catch (const EZCompressionError& e) {
        EXPECT_EQ(e.ErrorCode(), Z_STREAM_ERROR);
        EXPECT_EQ(e.Message(), "stream error");
    }

    // A target that takes 100 bytes and no more.
    class SmallTarget : public runtime::TStringStream {
      public:
        int64_t Write(const void* buffer, int64_t count) override {
            return TStringStream::Write(buffer, std::min<int64_t>(count, 100 - Size()));
        }
    };
    SmallTarget small;
    TZCompressionStream z(small, 0);
    const std::string data = noise(200000);
    EXPECT_THROW(z.Write(data.data(), static_cast<int64_t>(data.size())), runtime::EWriteError);
    // The lost block cannot be made good: later writes and the finish fail.
    EXPECT_THROW(z.Write("x", 1), EZCompressionError);
    EXPECT_THROW(z.Finish(), EZCompressionError);
    EXPECT_EQ(small.Size(), 100);
}

}  // namespace
}  // namespace core
