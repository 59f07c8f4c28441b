#include "crashreport/debugdata.h"

#include <gtest/gtest.h>

#include "crashreport/debugformat.h"
#include "crashreport/options_stream.h"

namespace crashreport {
namespace {

std::string hex(const TMD5Digest& d) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t b : d) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

TEST(DebugFormat, MD5MatchesTheReferenceDigests) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(hex(MD5Digest(text.data(), text.size())), digest);
}

TEST(DebugFormat, CipherRoundTripsEveryLengthAndChainsItsBlocks) {
    const TCipherKey key = CipherKeyOf("secret");
    const TCipherKey other = CipherKeyOf("other");
    for (size_t length = 0; length <= 20; ++length) {
        std::string plain;
        for (size_t i = 0; i < length; ++i) plain += static_cast<char>('a' + i);
        std::string data = plain;
        EncryptBlocks(key, reinterpret_cast<uint8_t*>(data.data()), data.size());
        if (length > 0) {
            EXPECT_NE(data, plain) << length;
        }
        std::string wrong = data;
        DecryptBlocks(other, reinterpret_cast<uint8_t*>(wrong.data()), wrong.size());
        if (length > 0) {
            EXPECT_NE(wrong, plain) << length;
        }
        DecryptBlocks(key, reinterpret_cast<uint8_t*>(data.data()), data.size());
        EXPECT_EQ(data, plain) << length;
    }
    // Equal plain blocks encipher differently: each block is chained to the
    // one before it.
    std::string twice(16, 'x');
    EncryptBlocks(key, reinterpret_cast<uint8_t*>(twice.data()), twice.size());
    EXPECT_NE(twice.substr(0, 8), twice.substr(8, 8));
}

TEST(DebugFormat, LineRecordsTakeTheirShortestFormAndReadBack) {
    struct Case {
        TLineRecord record;
        size_t bytes;
    } cases[] = {
        {{1, 1, false}, 1},        {{4, 32, false}, 1},    {{5, 1, false}, 2},
        {{1, 2, true}, 1},         {{8, 8, true}, 1},      {{8, 9, true}, 2},
        {{32, 128, false}, 2},     {{33, 1, false}, 4},    {{1, 129, true}, 4},
        {{65536, 4095, false}, 4}, {{1, 0, true}, 4},      {{7, 0, false}, 4},
        {{65535, 4095, false}, 8}, {{1, 65536, false}, 8}, {{65536, 65536, true}, 8},
    };
    for (const Case& c : cases) {
        std::string table;
        WriteLineRecord(table, c.record);
        EXPECT_EQ(table.size(), c.bytes) << c.record.LineStep << "/" << c.record.CodeStep;
        size_t pos = 0;
        const auto read = ReadLineRecord(table, pos, LibraryDataVersion);
        ASSERT_TRUE(read);
        EXPECT_EQ(pos, table.size());
        EXPECT_EQ(read->LineStep, c.record.LineStep);
        EXPECT_EQ(read->CodeStep, c.record.CodeStep);
        EXPECT_EQ(read->HasName, c.record.HasName);
        // A table cut inside the record reads nothing.
        size_t cut = 0;
        EXPECT_FALSE(ReadLineRecord(table.substr(0, table.size() - 1), cut, LibraryDataVersion));
    }
    std::string none;
    EXPECT_THROW(WriteLineRecord(none, {0, 1, false}), EDebugDataError);
    EXPECT_THROW(WriteLineRecord(none, {1, 65537, false}), EDebugDataError);

    // The documented one-byte record 0x05: one line, two bytes, a name follows.
    size_t pos = 0;
    const auto r = ReadLineRecord("\x05", pos, LibraryDataVersion);
    EXPECT_EQ(r->LineStep, 1u);
    EXPECT_EQ(r->CodeStep, 2u);
    EXPECT_TRUE(r->HasName);
    // Before 423 the long-form marker is an ordinary four-byte record.
    std::string marker;
    WriteLineRecord(marker, {65535, 4095, false});
    pos = 0;
    const auto old = ReadLineRecord(marker, pos, 422);
    EXPECT_EQ(pos, 4u);
    EXPECT_EQ(old->LineStep, 65535u);
    EXPECT_EQ(old->CodeStep, 4095u);
}

TEST(DebugFormat, NamesSplitAtPointsAndStayUnreadableWithoutTheKey) {
    const TCipherKey key = CipherKeyOf("");
    const std::string longClass(100, 'C');
    const std::string longProc(100, 'p');
    const std::string tooLong(200, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"short", "short"},
        {"", ""},
        {longClass + "." + longProc, longClass + "." + longProc},
        {"../../core/" + std::string(120, 'f') + ".cpp",
         "../../core/" + std::string(120, 'f') + ".cpp"},
        {tooLong, std::string(126, 'x') + "~"},
    };
    for (const auto& [name, read] : cases) {
        std::string out;
        WriteName(out, name, key);
        size_t pos = 0;
        const auto back = ReadName(out, pos, LibraryDataVersion, &key);
        ASSERT_TRUE(back);
        EXPECT_EQ(pos, out.size());
        EXPECT_EQ(back->Text, read);
        pos = 0;
        const auto raw = ReadName(out, pos, LibraryDataVersion, nullptr);
        EXPECT_EQ(raw->Text, "");
        EXPECT_EQ(pos, out.size());
    }
    // Before version 500 names were only scrambled.
    std::string old = "\x03";
    for (char c : std::string("abc")) old += static_cast<char>(c ^ 0xA7);
    size_t pos = 0;
    EXPECT_EQ(ReadName(old, pos, 499, nullptr)->Text, "abc");
}

TUnitRows unit(std::string name, std::vector<TLineRow> rows, uint32_t end) {
    return TUnitRows{std::move(name), std::move(rows), end};
}

TEST(DebugInformation, LookupsFindTheLineProcedureAndClassOfEveryByte) {
    const TCipherKey key = CipherKeyOf("");
    // main.cpp: two procedures of one class, a loop whose line goes back, a
    // long gap between rows; util.h: a free function.
    const std::vector<TUnitRows> units = {
        unit("main.cpp",
             {{10, 0x100, "App.Run(int)"},
              {11, 0x104, ""},
              {14, 0x110, ""},
              {12, 0x120, ""},  // back to the loop's head
              {15, 0x128, ""},
              {20, 0x130, "App.Stop()"},
              {21, 0x20000, ""}},  // further than one record can step
             0x20010),
        unit("util.h", {{5, 0x30000, "helper(char const*)"}, {6, 0x30008, ""}}, 0x30020),
    };
    const TDebugInformation info(BuildDebugInformation(units, key), LibraryDataVersion, key);
    EXPECT_GE(info.UnitCount(), 4u);
    struct Case {
        uint32_t offset;
        std::string unit, cls, proc;
        int32_t line, lineOffset;
    } cases[] = {
        {0x100, "main.cpp", "App", "Run(int)", 10, 0},
        {0x103, "main.cpp", "App", "Run(int)", 10, 0},
        {0x104, "main.cpp", "App", "Run(int)", 11, 1},
        {0x11F, "main.cpp", "App", "Run(int)", 14, 4},
        {0x120, "main.cpp", "App", "Run(int)", 12, 0},
        {0x12F, "main.cpp", "App", "Run(int)", 15, 3},
        {0x130, "main.cpp", "App", "Stop()", 20, 0},
        {0x1FFFF, "main.cpp", "App", "Stop()", 20, 0},
        {0x20000, "main.cpp", "App", "Stop()", 21, 0},
        {0x2000F, "main.cpp", "App", "Stop()", 21, 0},
        {0x30007, "util.h", "", "helper(char const*)", 5, 0},
        {0x3001F, "util.h", "", "helper(char const*)", 6, 1},
    };
    for (const Case& c : cases) {
        TSourcePosition p;
        ASSERT_TRUE(info.Lookup(c.offset, p)) << std::hex << c.offset;
        EXPECT_EQ(p.UnitName, c.unit) << std::hex << c.offset;
        EXPECT_EQ(p.ClassName, c.cls) << std::hex << c.offset;
        EXPECT_EQ(p.ProcedureName, c.proc) << std::hex << c.offset;
        EXPECT_EQ(p.Line, c.line) << std::hex << c.offset;
        EXPECT_EQ(p.LineOffset, c.lineOffset) << std::hex << c.offset;
    }
    TSourcePosition p;
    for (uint32_t outside : {0u, 0xFFu, 0x20010u, 0x2FFFFu, 0x30020u}) {
        EXPECT_FALSE(info.Lookup(outside, p)) << std::hex << outside;
    }
}

TEST(DebugInformation, UnreadableNamesShowTheirBytes) {
    const TCipherKey key = CipherKeyOf("password");
    const TDebugInformation info(BuildDebugInformation({unit("a.cpp", {{1, 0, "f"}}, 4)}, key),
                                 LibraryDataVersion, std::nullopt);
    TSourcePosition p;
    ASSERT_TRUE(info.Lookup(2, p));
    EXPECT_EQ(p.UnitName[0], '?');
    EXPECT_EQ(p.ProcedureName[0], '?');
    EXPECT_EQ(p.Line, 1);
}

TEST(LibraryData, RoundTripsAndRecognisesTheKey) {
    const TCipherKey key = CipherKeyOf("");
    const std::string debug = BuildDebugInformation({unit("a.cpp", {{3, 0x10, "f"}}, 0x20)}, key);
    const std::string data =
        BuildLibraryData(45000.5, {{4, 0x1234}, {5, 0x42}}, "options bytes", debug, key);
    EXPECT_EQ(LibraryDataVersionOf(data), LibraryDataVersion);

    TLibraryDataParts parts = ParseLibraryData(data, key, true);
    EXPECT_EQ(parts.Version, LibraryDataVersion);
    EXPECT_EQ(parts.CompileDate, 45000.5);
    ASSERT_EQ(parts.Symbols.size(), 2u);
    EXPECT_EQ(parts.Symbols[1].Id, 5);
    EXPECT_EQ(parts.Symbols[0].Offset, 0x1234u);
    EXPECT_EQ(parts.Options, "options bytes");
    EXPECT_EQ(parts.DebugInformation, debug);
    EXPECT_TRUE(parts.NamesReadable);

    parts = ParseLibraryData(data, CipherKeyOf("wrong"), false);
    EXPECT_FALSE(parts.NamesReadable);
    EXPECT_EQ(parts.Options, "options bytes");
    EXPECT_TRUE(parts.DebugInformation.empty());

    for (size_t cut : {size_t{3}, size_t{20}, data.size() - 5}) {
        EXPECT_THROW(ParseLibraryData(data.substr(0, cut), key, true), EDebugDataError) << cut;
    }
    std::string damaged = data;
    damaged[damaged.size() - 10] ^= 0x55;
    EXPECT_THROW(ParseLibraryData(damaged, key, true), EDebugDataError);

    const std::string file = "MZ program bytes" + AppendedForm(data);
    EXPECT_EQ(FindAppendedData(file), data);
    EXPECT_FALSE(FindAppendedData("MZ program bytes"));
    EXPECT_FALSE(FindAppendedData(file.substr(0, file.size() - 1)));
}

}  // namespace
}  // namespace crashreport
