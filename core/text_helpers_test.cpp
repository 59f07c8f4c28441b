#include "core/text_helpers.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/entity_table.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace core {
namespace {

std::string show(std::u16string_view s) {
    return runtime::WideToUtf8(s);
}

TEST(ReplaceISOSymbolsTest, DecodesReferences) {
    struct Row {
        std::u16string input, expected;
    };
    const Row rows[] = {
        {u"", u""},
        {u"plain text", u"plain text"},
        {u"&amp;", u"&"},
        {u"caf&#233;", u"caf\u00E9"},
        {u"a&nbsp;b", u"a\u00A0b"},
        {u"&thetasym;", u"&thetasym;"},  // eight letters: too long to be a reference
        {u"&Amp;", u"&Amp;"},            // names are case-sensitive
        {u"&#x41;", u"A"},
        {u"&#X41;&#$41;&#0x41;&#0X41;", u"AAAA"},
        {u"&# 65;&#+65;", u"AA"},
        {u"&#abc;", u"&#abc;"},
        {u"&#65 ;", u"&#65 ;"},
        {u"&lt;b&gt; and &lt;", u"<b> and <"},
        {u"&euro;&epsi;&hyphen;&phiv;", u"\u20AC\u03B5\u00AD\u03D5"},
        {u"&zzzz;&;&#;&unknown;", u"&zzzz;&;&#;&unknown;"},
        {u"&amp", u"&amp"},
        {u"a&b&amp;", u"a&b&"},
        // Decoded text is not decoded again.
        {u"&amp;lt; &lt;", u"&lt; <"},
        {u"&amp;amp;", u"&amp;"},
        // A stray "&" far from the next ";" hides nothing behind it.
        {u"Tom & Jerry show &amp; more", u"Tom & Jerry show & more"},
        // Characters beyond the system code page around references.
        {u"\u0416&amp;\u042F&#1078;", u"\u0416&\u042F\u0436"},
        // Beyond U+FFFF: a surrogate pair.
        {u"&#128512;", u"\U0001F600"},
        {u"&#x1F600;", u"\U0001F600"},
        // Halves given one by one join up; a half alone is no character.
        {u"&#55357;&#56832;", u"\U0001F600"},
        {u"&#55357;x&#56832;", u"\uFFFDx\uFFFD"},
        {u"&#xDE00;&#xD83D;", u"\uFFFD\uFFFD"},
        {u"&#55357;&#55357;&#56832;", u"\uFFFD\U0001F600"},
        {u"&#xD83D;&amp;", u"\uFFFD&"},
        // Not characters: left as they stand.
        {u"&#0;&#x0;&#-65;", u"&#0;&#x0;&#-65;"},
    };
    for (const Row& row : rows) {
        std::u16string s = row.input;
        ReplaceISOSymbols(s);
        EXPECT_EQ(s, row.expected) << show(row.input);
    }
}

TEST(EntityTableTest, HoldsTheWholeTable) {
    const auto entities = XhtmlEntities();
    ASSERT_EQ(entities.size(), 255u);
    std::set<std::u16string_view> names;
    std::set<char16_t> latin1;
    for (const TXhtmlEntity& entity : entities) {
        names.insert(entity.Name);
        if (entity.Code >= 0xA0 && entity.Code <= 0xFF && entity.Name != u"hyphen") {
            latin1.insert(entity.Code);
        }
        EXPECT_EQ(FindXhtmlEntity(entity.Name), entity.Code) << show(entity.Name);
    }
    EXPECT_EQ(names.size(), entities.size());
    // Every Latin-1 character from U+00A0 has its name.
    EXPECT_EQ(latin1.size(), 96u);

    struct Row {
        const char16_t* name;
        char16_t code;
    };
    const Row rows[] = {
        {u"quot", 0x22},    {u"nbsp", 0xA0},     {u"yuml", 0xFF},     {u"fnof", 0x192},
        {u"Omega", 0x3A9},  {u"sigmaf", 0x3C2},  {u"upsih", 0x3D2},   {u"piv", 0x3D6},
        {u"bull", 0x2022},  {u"oline", 0x203E},  {u"image", 0x2111},  {u"alefsym", 0x2135},
        {u"crarr", 0x21B5}, {u"hArr", 0x21D4},   {u"lowast", 0x2217}, {u"there4", 0x2234},
        {u"sdot", 0x22C5},  {u"lang", 0x2329},   {u"loz", 0x25CA},    {u"diams", 0x2666},
        {u"OElig", 0x152},  {u"Yuml", 0x178},    {u"tilde", 0x2DC},   {u"zwnj", 0x200C},
        {u"bdquo", 0x201E}, {u"permil", 0x2030}, {u"rsaquo", 0x203A}, {u"euro", 0x20AC},
        {u"epsi", 0x3B5},   {u"hyphen", 0xAD},   {u"phiv", 0x3D5},
    };
    for (const Row& row : rows) EXPECT_EQ(FindXhtmlEntity(row.name), row.code) << show(row.name);
    EXPECT_FALSE(FindXhtmlEntity(u"zzzz"));
    EXPECT_FALSE(FindXhtmlEntity(u"AMP"));
}

TEST(EncodeNumericEntitiesTest, EncodesEverythingBeyondAscii) {
    struct Row {
        std::u16string input, expected;
        std::u16string decoded = input;  // what decoding gives back
    };
    const Row rows[] = {
        {u"", u""},
        {u"plain <ASCII> & more\u007F", u"plain <ASCII> & more\u007F"},
        {u"\u00E9", u"&#233;"},
        {u"\u0430", u"&#1072;"},
        {u"a\u0080b\u00E9c", u"a&#128;b&#233;c"},
        {u"\U0001F600!", u"&#128512;!"},
        {u"\xD83D"
         u"x",
         u"&#55357;x", u"\uFFFDx"},  // a lone half stays one unit, which is no character
    };
    for (const Row& row : rows) {
        std::u16string s = row.input;
        EncodeNumericEntities(s);
        EXPECT_EQ(s, row.expected) << show(row.input);
        ReplaceISOSymbols(s);
        EXPECT_EQ(s, row.decoded) << "round trip of " << show(row.input);
    }
}

TEST(WideReplaceAllTest, ReplacesEveryOccurrence) {
    struct Row {
        std::u16string s, oldText, newText, expected;
    };
    const Row rows[] = {
        {u"aXbXc", u"X", u"--", u"a--b--c"},
        {u"aaaa", u"aa", u"b", u"bb"},
        {u"aaa", u"aa", u"b", u"ba"},
        {u"abc", u"", u"x", u"abc"},
        {u"", u"a", u"b", u""},
        {u"abc", u"abc", u"", u""},
        // Characters without an 8-bit form are told apart.
        {u"\u0416\u042F\u0416", u"\u0416", u"x", u"x\u042Fx"},
        {u"\u0416\u042F", u"?", u"x", u"\u0416\u042F"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(WideReplaceAll(row.s, row.oldText, row.newText), row.expected) << show(row.s);
    }
}

TEST(WideCopyTest, CopiesIntoTheStartOfDest) {
    struct Row {
        std::u16string dest, source;
        int index, count;
        std::u16string expected;
    };
    const Row rows[] = {
        {u"xxxxx", u"abcdef", 2, 3, u"bcdxx"},
        {u"xxxx", u"abc", 2, 10, u"bcxx"},  // cut to what the source holds
        {u"xx", u"abc", 2, 10, u"bc"},
        {u"xx", u"abc", 4, 1, u"xx"},
        {u"xx", u"abc", 9, 1, u"xx"},
        {u"xx", u"abc", 1, -1, u"xx"},
        {u"", u"abc", 1, 0, u""},
    };
    for (const Row& row : rows) {
        std::u16string dest = row.dest;
        WideCopy(dest, row.source, row.index, row.count);
        EXPECT_EQ(dest, row.expected) << row.index << "," << row.count;
    }
}

TEST(WideCopyTest, RejectsBadArguments) {
    struct Row {
        std::u16string dest;
        int index, count;
        const char* message;
    };
    const Row rows[] = {
        {u"xxxx", 0, 1, "Invalid parameters in WideCopy."},
        {u"xxxx", -3, 1, "Invalid parameters in WideCopy."},
        {u"xx", 1, 3,
         "Destination string is not initialized or has not enough space to receive the data in "
         "WideCopy."},
        {u"", 2, 1,
         "Destination string is not initialized or has not enough space to receive the data in "
         "WideCopy."},
    };
    for (const Row& row : rows) {
        std::u16string dest = row.dest;
        try {
            WideCopy(dest, u"abc", row.index, row.count);
            ADD_FAILURE() << "no error for " << row.index << "," << row.count;
        } catch (const runtime::Exception& e) {
            EXPECT_EQ(e.Message(), row.message);
        }
        EXPECT_EQ(dest, row.dest);
    }
}

TEST(DecodeUtf8OrAnsiTest, FallsBackToTheSystemCodePage) {
    struct Row {
        std::string input;
        std::u16string expected;
    };
    const Row rows[] = {
        {"", u""},
        {"abc", u"abc"},
        {"\xC3\xA9", u"\u00E9"},
        {"\xE9", u"\u00E9"},  // not UTF-8: Windows-1252
        {"\x80 \xE9", u"\u20AC \u00E9"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xC3\xA9\xE9", u"\u00C3\u00A9\u00E9"},  // one bad byte spoils the UTF-8 reading
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DecodeUtf8OrAnsi(row.input), row.expected) << row.input;
    }
}

}  // namespace
}  // namespace core
