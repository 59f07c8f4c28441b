#include "core/zstream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/streams.h"

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

}  // namespace
}  // namespace core
