#include "net/textutil.h"

#include <gtest/gtest.h>

#include "net/tick.h"
#include "runtime/streams.h"

namespace net {
namespace {

TEST(TextUtil, FieldsAndTrimming) {
    EXPECT_EQ(TrimSpaces("  a b \t "), "a b \t");  // only character 32 counts
    EXPECT_EQ(TrimSpacesLeft("  a "), "a ");
    EXPECT_EQ(TrimSpacesRight("  a "), "  a");
    EXPECT_EQ(TextBefore("a=b=c", "="), "a");
    EXPECT_EQ(TextAfter("a=b=c", "="), "b=c");
    EXPECT_EQ(TextBefore("abc", "="), "abc");
    EXPECT_EQ(TextAfter("abc", "="), "abc");

    std::string s = "a, b ,c";
    EXPECT_EQ(CutTrimmedField(s, ","), "a");
    EXPECT_EQ(s, "b ,c");
    EXPECT_EQ(CutField(s, ","), "b ");
    EXPECT_EQ(s, "c");
    EXPECT_EQ(CutField(s, ","), "c");
    EXPECT_EQ(s, "");

    EXPECT_EQ(ReplaceAll("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("a.b.c", ".", "::"), "a::b::c");
}

TEST(TextUtil, FindLineEnd) {
    struct Row {
        const char* text;
        int64_t position;
        const char* terminator;
    } rows[] = {
        {"ab\r\ncd", 3, "\r\n"}, {"ab\n\rcd", 3, "\n\r"}, {"ab\rcd", 3, "\r"},
        {"ab\r\rcd", 3, "\r"},   {"ab\n", 3, "\n"},       {"abc", -1, ""},
    };
    for (const Row& row : rows) {
        std::string terminator = "x";
        EXPECT_EQ(FindLineEnd(row.text, terminator), row.position) << row.text;
        EXPECT_EQ(terminator, row.terminator) << row.text;
    }
}

TEST(TextUtil, TextBetween) {
    struct Row {
        const char* open;
        const char* close;
        const char* text;
        const char* expected;
    } rows[] = {
        {"(", ")", "x(a(b)c)y", "a(b)c"},
        {"://", "/", "http://host.example/path", "host.example"},
        {"://", "/", "http://host.example", "http://host.example"},  // no closing delimiter
        {"(", ")", "()", ""},
        {"(", ")", "(", "("},
        {"[", "]", "no brackets", "no brackets"},
        {"(", ")", "a(b", "a(b"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TextBetween(row.open, row.close, row.text), row.expected) << row.text;
}

TEST(TextUtil, AddressTexts) {
    struct Row {
        const char* text;
        bool ipv4;
        bool ipv6;
    } rows[] = {
        {"127.0.0.1", true, false},
        {"1.2.3.256", false, false},
        {"1.2.3", false, false},
        {"1.2.3.4.5", false, false},
        {"1..3.4", false, false},
        {" 1.2.3.4", false, false},
        {"::1", false, true},
        {"::", false, true},
        {"fe80::1%12", false, true},
        {"1:2:3:4:5:6:7:8", false, true},
        {"1:2:3:4:5:6:7", false, false},
        {"1::", false, true},
        {"::ffff:127.0.0.1", false, true},
        {"1::2::3", false, false},
        {"1:2:", false, false},
        {":1:2:3:4:5:6:7:8", false, false},
        {"12345::1", false, false},
        {"g::1", false, false},
        // Host names that look like hexadecimal are host names.
        {"cafe", false, false},
        {"beef", false, false},
        {"localhost", false, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(IsIPv4Address(row.text), row.ipv4) << row.text;
        EXPECT_EQ(IsIPv6Address(row.text), row.ipv6) << row.text;
    }
}

TEST(TextUtil, BytePacking) {
    EXPECT_EQ(Int16ToBytes(0x1F90), std::string("\x1F\x90", 2));
    EXPECT_EQ(BytesToInt16(std::string("\x00\x1F\x90", 3), 2), 0x1F90);
    EXPECT_EQ(BytesToInt16("\x12", 1), 0x1200);  // a byte beyond the end counts as 0
    EXPECT_EQ(IPv4ToBytes("192.168.0.1"), std::string("\xC0\xA8\x00\x01", 4));
    EXPECT_EQ(IPv4ToBytes("1.x.3.4"), std::string("\x01\x00\x03\x04", 4));
}

TEST(TextUtil, StreamBytes) {
    runtime::TMemoryStream stream;
    WriteStreamBytes(stream, "hello");
    stream.SetPosition(1);
    EXPECT_EQ(ReadStreamBytes(stream, 3), "ell");
    EXPECT_EQ(ReadStreamBytes(stream, 1000), "o");
    EXPECT_EQ(ReadStreamBytes(stream, 1000), "");
}

TEST(Tick, DifferenceAcrossTheWrap) {
    struct Row {
        uint32_t oldTick;
        uint32_t newTick;
        uint32_t expected;
    } rows[] = {
        {100, 100, 0},
        {100, 350, 250},
        {0xFFFFFF00u, 0x00000100u, 0x200},
        {0x00000300u, 0x00000100u, 0x200},  // going back reads as the distance
    };
    for (const Row& row : rows)
        EXPECT_EQ(TickDifference(row.oldTick, row.newTick), row.expected)
            << std::hex << row.oldTick << " " << row.newTick;
    uint32_t a = CurrentTick();
    uint32_t b = CurrentTick();
    EXPECT_LT(TickDifference(a, b), 1000u);
}

}  // namespace
}  // namespace net
