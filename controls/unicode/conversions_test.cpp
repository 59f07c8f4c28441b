#include "controls/unicode/conversions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/container_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace controls::unicode {
namespace {

std::string Show(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buffer[12];
            std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    return out;
}

TEST(Utf7Test, EncodeTable) {
    struct Row {
        std::u16string wide;
        std::string utf7;
    };
    const Row rows[] = {
        {u"", ""},
        {u"A+B", "A+-B"},
        {u"+", "+-"},
        {u"\u00A31", "+AKM-1"},  // "-" before a Base64 letter
        {u"\u00A3.", "+AKM."},   // none before "."
        {u"\u00A3-", "+AKM--"},  // "-" before "-"
        {u"\u00A3", "+AKM"},     // none at the end
        {u"\u00A3 x", "+AKM x"},
        {u"\u65E5\u672C\u8A9E", "+ZeVnLIqe"},
        {u"Hi Mom -\u263A-!", "Hi Mom -+Jjo--!"},
        {u"\U0001F600", "+2D3eAA"},                           // a surrogate pair, shifted whole
        {u"a~b\\c", "a+AH4-b+AFw-c"},                         // neither "~" nor "\" is direct
        {u"!\"#$%&*;<=>@[]^_`{|}", "!\"#$%&*;<=>@[]^_`{|}"},  // Set O stays direct
        {u"\t\r\n ", "\t\r\n "},
        {u"\u00E9+\u00E9", "+AOkAKwDp"},  // "+" inside a shift is shifted
        {std::u16string(1, u'\0'), "+AAA"},
    };
    for (const Row& r : rows) EXPECT_EQ(WideStringToUTF7(r.wide), r.utf7) << Show(r.wide);
}

TEST(Utf7Test, DecodeTable) {
    struct Row {
        std::string utf7;
        std::u16string wide;
    };
    const Row rows[] = {
        {"", u""},
        {"+AKM-", u"\u00A3"},
        {"+-", u"+"},
        {"a+-b", u"a+b"},
        {"+ZeVnLIqe-", u"\u65E5\u672C\u8A9E"},
        {"+AKM-1", u"\u00A31"},
        {"+AKM.", u"\u00A3."},
        {"+AKM", u"\u00A3"},
        {"+AKM--", u"\u00A3-"},
        {"+2D3eAA-", u"\U0001F600"},
        {"~\\", u"~\\"},  // taken as they are outside a shift
        {"+AGEAYgBj-", u"abc"},
    };
    for (const Row& r : rows) EXPECT_EQ(Show(UTF7ToWideString(r.utf7)), Show(r.wide)) << r.utf7;
    const std::string invalid[] = {
        "+A-",    // a shift that produced no character
        "+AKN-",  // leftover bits that are not zero
        "\x80",   // 8-bit byte outside a shift
        "a\xC3\xA9",
        "+",  // a shift that ends at the end without a character
        "+ ",        "+AKM-\xFF",
    };
    for (const std::string& s : invalid) {
        try {
            (void)UTF7ToWideString(s);
            ADD_FAILURE() << "no error for " << testing::PrintToString(s);
        } catch (const runtime::EConvertError& e) {
            EXPECT_EQ(e.Message(), "Invalid UTF7");
        }
    }
}

TEST(Utf8Test, FourByteCharactersAndMalformedInput) {
    struct Row {
        std::u16string wide;
        std::string utf8;
    };
    const Row rows[] = {
        {u"", ""},
        {u"a\u00E9\u20AC", "a\xC3\xA9\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},  // one four-byte sequence
        {u"x\U0010FFFFy", "x\xF4\x8F\xBF\xBFy"},
        {std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(WideStringToUTF8(r.wide), r.utf8) << Show(r.wide);
        EXPECT_EQ(UTF8ToWideString(r.utf8), r.wide) << Show(r.wide);
    }
    // An unpaired surrogate cannot be UTF-8: it becomes U+FFFD.
    EXPECT_EQ(WideStringToUTF8(u"a\xD800"), "a\xEF\xBF\xBD");
    // Anything malformed empties the result, so callers can fall back.
    for (const std::string s : {"\x80", "a\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF0\x9F\x98",
                                "\xF4\x90\x80\x80", "ok\xFF"})
        EXPECT_EQ(UTF8ToWideString(s), u"") << testing::PrintToString(s);
}

TEST(ConversionsTest, CodePagesAndMessages) {
    EXPECT_EQ(CodePageToWide("+AKM-", kCodePageUTF7), u"\u00A3");
    EXPECT_EQ(WideToCodePage(u"\u00A3", kCodePageUTF7), "+AKM");
    EXPECT_EQ(CodePageToWide("\xF0\x9F\x98\x80", kCodePageUTF8), u"\U0001F600");
    EXPECT_EQ(CodePageToWide("\xC3", kCodePageUTF8), u"");
    EXPECT_EQ(WideToCodePage(u"\U0001F600", kCodePageUTF8), "\xF0\x9F\x98\x80");
    EXPECT_EQ(CodePageToWide("\x80\xE9", 1252), u"\u20AC\u00E9");
    EXPECT_EQ(WideToCodePage(u"\u20AC\u00E9\u4E2D", 1252), "\x80\xE9?");
    // Messages kept as 8-bit text: UTF-8 after a mark, ANSI otherwise.
    EXPECT_EQ(WideResString("\xEF\xBB\xBF\xC3\xA9t\xC3\xA9"), u"\u00E9t\u00E9");
    EXPECT_EQ(WideResString("\xEF\xBB\xBF"), runtime::AnsiToWide("\xEF\xBB\xBF"));
    EXPECT_EQ(WideResString("caf\xE9"), runtime::AnsiToWide("caf\xE9"));
    EXPECT_TRUE(PlatformIsUnicode());
    EXPECT_TRUE(WideCharFitsAnsi(u'a'));
    EXPECT_FALSE(WideCharFitsAnsi(u'\u4E2D'));
}

#ifndef _WIN32

std::string Hex(std::string_view bytes) {
    if (bytes.empty()) return "-";
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Unhex(const std::string& hex) {
    std::string out;
    if (hex == "-") return out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::string Utf16LE(std::u16string_view s) {
    std::string bytes;
    for (char16_t c : s) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// Texts from pieces that matter to the codecs: every ASCII class, Latin-1,
// other planes' characters, marks and the edges of the ranges.
std::vector<std::u16string> PeerTexts() {
    std::vector<std::u16string> texts = {
        u"",
        u"plain",
        u"A+B",
        u"+",
        u"-",
        u"+-",
        u"~\\",
        u"\u00A3",
        u"\u00A31",
        u"\u00A3-",
        u"\u00A3.",
        u"\U0001F600",
        u"\U0001F600\U0001F600",
        u"a\U00010000b\U0010FFFF",
        u"\uFFFF\uFFFE\uFEFF",
        u"\u0080\u07FF\u0800",
    };
    std::u16string ascii;
    for (char16_t c = 1; c < 128; ++c) ascii += c;
    texts.push_back(ascii);
    const std::u16string pieces[] = {
        u"a",          u"Z",
        u"0",          u"9",
        u"+",          u"/",
        u"-",          u".",
        u" ",          u"\t",
        u"\r\n",       u"!",
        u"~",          u"\\",
        u"=",          u"\u00E9",
        u"\u00FF",     u"\u0100",
        u"\u20AC",     u"\u4E2D",
        u"\uD7FF",     u"\uE000",
        u"\uFFFD",     u"\U0001F600",
        u"\U00010348", std::u16string(1, u'\0'),
    };
    std::mt19937 random(2152);
    for (int n = 0; n < 400; ++n) {
        std::u16string text;
        const int length = static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) text += pieces[random() % std::size(pieces)];
        texts.push_back(text);
    }
    return texts;
}

// Our encoders and decoders against Python's codecs: our UTF-8 is
// Python's; our UTF-7 is Python's but for the closing "-" Python always
// writes at the end; each decodes what the other writes; and what Python
// refuses as UTF-8 our decoder refuses too.
TEST(ConversionsPeerTest, AgreesWithPythonsCodecs) {
    runtime::testing::TempFolder folder;
    const std::string in = folder.File("in.txt");
    const std::string out = folder.File("out.txt");
    const std::vector<std::u16string> texts = PeerTexts();
    const std::string invalidUtf8[] = {
        "\x80",         "a\xC3",        "\xC0\xAF",         "\xED\xA0\x80",
        "\xED\xB0\x80", "\xF0\x9F\x98", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80",
        "\xE2\x82",     "\xFE\xFF"};
    {
        std::ofstream file(in);
        for (const std::u16string& text : texts)
            file << Hex(Utf16LE(text)) << ' ' << Hex(WideStringToUTF8(text)) << ' '
                 << Hex(WideStringToUTF7(text)) << '\n';
        for (const std::string& bad : invalidUtf8) file << "- " << Hex(bad) << " -\n";
    }
    const std::string command =
        "/usr/bin/python3 " SERPLOW_UNICODE_TESTDATA "/utf_peer.py " + in + " " + out;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream file(out);
    std::string line;
    size_t row = 0;
    for (; row < texts.size() && std::getline(file, line); ++row) {
        const std::u16string& text = texts[row];
        std::istringstream fields(line);
        std::string py8, py7, decoded8, decoded7;
        fields >> py8 >> py7 >> decoded8 >> decoded7;
        const std::string ours7 = WideStringToUTF7(text);
        EXPECT_EQ(Hex(WideStringToUTF8(text)), py8) << Show(text);
        EXPECT_TRUE(ours7 == Unhex(py7) || ours7 + "-" == Unhex(py7))
            << Show(text) << ": ours " << ours7 << ", Python's " << Unhex(py7);
        EXPECT_EQ(decoded8, Hex(Utf16LE(text))) << Show(text);
        EXPECT_EQ(decoded7, Hex(Utf16LE(text))) << Show(text);
        EXPECT_EQ(UTF8ToWideString(Unhex(py8)), text) << Show(text);
        EXPECT_EQ(UTF7ToWideString(Unhex(py7)), text) << Show(text);
    }
    EXPECT_EQ(row, texts.size());
    for (const std::string& bad : invalidUtf8) {
        ASSERT_TRUE(std::getline(file, line));
        std::istringstream fields(line);
        std::string py8, py7, decoded8;
        fields >> py8 >> py7 >> decoded8;
        EXPECT_EQ(decoded8, "ERR") << testing::PrintToString(bad);
        EXPECT_EQ(UTF8ToWideString(bad), u"") << testing::PrintToString(bad);
    }
}

#endif

}  // namespace
}  // namespace controls::unicode
