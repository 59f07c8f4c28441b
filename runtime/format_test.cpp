#include "runtime/format.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/locale.h"

namespace runtime {
namespace {

// A locale writing "1.234,50 €" and "-1.234,50 €".
TFormatSettings commaSettings() {
    TFormatSettings s;
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    s.CurrencyString = "\x80";
    s.CurrencyFormat = 3;
    s.NegCurrFormat = 8;
    return s;
}

struct Row {
    std::string fmt;
    std::vector<FormatArg> args;
    std::string dot;    // under US settings
    std::string comma;  // under commaSettings(); empty: same as `dot`
};

const void* const kPointer = reinterpret_cast<const void*>(uintptr_t{0x1234ABCD});

TEST(FormatTest, EachSpecifierUnderBothDecimalSeparators) {
    const Row rows[] = {
        {"plain", {}, "plain", ""},
        {"%%", {}, "%", ""},
        {"%d", {42}, "42", ""},
        {"%d", {-42}, "-42", ""},
        {"%D|%S", {1, "x"}, "1|x", ""},
        {"%d", {9223372036854775807LL}, "9223372036854775807", ""},
        {"%5d|", {42}, "   42|", ""},
        {"%-5d|", {42}, "42   |", ""},
        {"%.5d", {-42}, "-00042", ""},
        {"%8.5d", {42}, "   00042", ""},
        {"%.1d", {123}, "123", ""},
        {"%u", {-1}, "4294967295", ""},
        {"%u", {7u}, "7", ""},
        {"%x", {255}, "FF", ""},
        {"%.4x", {255}, "00FF", ""},
        {"%x", {-1}, "FFFFFFFF", ""},
        {"%x", {-4294967296LL}, "FFFFFFFF00000000", ""},
        // A 64-bit argument keeps its width and sign, however small its value.
        {"%x", {-1LL}, "FFFFFFFFFFFFFFFF", ""},
        {"%u", {-1LL}, "18446744073709551615", ""},
        {"%u", {-2147483648LL}, "18446744071562067968", ""},
        {"%18x|", {-2LL}, "  FFFFFFFFFFFFFFFE|", ""},
        {"%d", {-1LL}, "-1", ""},
        {"%d", {18446744073709551615ULL}, "18446744073709551615", ""},
        {"%.21d", {9223372036854775808ULL}, "009223372036854775808", ""},
        {"%x", {18446744073709551615ULL}, "FFFFFFFFFFFFFFFF", ""},
        {"%u", {4294967295u}, "4294967295", ""},
        {"%d", {4294967295u}, "4294967295", ""},
        {"%s", {"abc"}, "abc", ""},
        {"%s", {std::u16string(u"wide")}, "wide", ""},
        {"%.2s", {"abcdef"}, "ab", ""},
        {"%.0s|", {"abc"}, "|", ""},
        {"%5s|", {"abc"}, "  abc|", ""},
        {"%-10s|", {"abc"}, "abc       |", ""},
        {"%2s", {"abcdef"}, "abcdef", ""},
        {"%s-%d", {"a", 3}, "a-3", ""},
        {"%e", {1234.5}, "1.23450000000000E+003", "1,23450000000000E+003"},
        {"%.3e", {-1234.5}, "-1.23E+003", "-1,23E+003"},
        {"%e", {0.0}, "0.00000000000000E+000", "0,00000000000000E+000"},
        {"%f", {1234.5}, "1234.50", "1234,50"},
        {"%.0f", {2.5}, "3", ""},
        {"%.3f", {-0.0005}, "-0.001", "-0,001"},
        {"%10.1f|", {3.14159}, "       3.1|", "       3,1|"},
        {"%g", {0.1}, "0.1", "0,1"},
        {"%g", {1e20}, "1E020", ""},
        {"%g", {1.5e-7}, "1.5E-007", "1,5E-007"},
        {"%.3g", {3.14159}, "3.14", "3,14"},
        {"%n", {1234567.891}, "1,234,567.89", "1.234.567,89"},
        {"%.0n", {999.5}, "1,000", "1.000"},
        {"%m", {1234.5}, "$1,234.50", "1.234,50 \x80"},
        {"%m", {-1234.5}, "($1,234.50)", "-1.234,50 \x80"},
        {"%.0m", {7.0}, "$7", "7 \x80"},
        {"%p", {kPointer}, "000000001234ABCD", ""},
        {"%p", {static_cast<const void*>(nullptr)}, "0000000000000000", ""},
        // Index, then the following specifiers go on from it.
        {"%1:s %0:s", {"a", "b"}, "b a", ""},
        {"%1:s %s", {"a", "b", "c"}, "b c", ""},
        {"%0:s%0:s", {"x"}, "xx", ""},
        // Width and precision from the arguments.
        {"%*d|", {5, 42}, "   42|", ""},
        {"%-*d|", {5, 42}, "42   |", ""},
        {"%*d|", {-5, 42}, "42   |", ""},
        {"%.*f", {1, 2.25}, "2.3", "2,3"},
        {"%*.*f|", {8, 2, 3.14159}, "    3.14|", "    3,14|"},
        {"%.*s", {3, "abcdef"}, "abc", ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Format(r.fmt, r.args), r.dot) << r.fmt;
        EXPECT_EQ(Format(r.fmt, r.args, commaSettings()), r.comma.empty() ? r.dot : r.comma)
            << r.fmt;
        {
            ScopedFormatSettings scoped(commaSettings());
            EXPECT_EQ(Format(r.fmt, r.args), r.comma.empty() ? r.dot : r.comma) << r.fmt;
        }
    }
}

TEST(FormatTest, BadFormatsAndArgumentsRaiseOneError) {
    const Row rows[] = {
        {"%d", {"x"}, "", ""},
        {"%d", {1.5}, "", ""},
        {"%s", {1}, "", ""},
        {"%s", {kPointer}, "", ""},
        {"%f", {1}, "", ""},
        {"%x", {1.5}, "", ""},
        {"%p", {1}, "", ""},
        {"%d", {}, "", ""},
        {"%d %d", {1}, "", ""},
        {"%", {}, "", ""},
        {"abc%", {1}, "", ""},
        {"%q", {1}, "", ""},
        {"%5-d", {1}, "", ""},
        {"%*d", {"x", 1}, "", ""},
        {"%*d", {1.0, 1}, "", ""},
        {"%2:d", {1, 2}, "", ""},
        {"%99999999d", {1}, "", ""},
        {"%.99999999f", {1.0}, "", ""},
        {"%*d", {100000000, 1}, "", ""},
        {"%\xE9", {1}, "", ""},
    };
    for (const Row& r : rows) {
        try {
            const std::string result = Format(r.fmt, r.args);
            ADD_FAILURE() << r.fmt << " gave " << result;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "Format '" + r.fmt + "' invalid or incompatible with argument");
        }
    }
}

TEST(FormatTest, LongArgumentsAreNotCut) {
    const std::string long1000(1000, 'x');
    EXPECT_EQ(Format("%s", {long1000}), long1000);
    EXPECT_EQ(Format("<%s>", {long1000}), "<" + long1000 + ">");
    EXPECT_EQ(Format("%1005s", {long1000}), "     " + long1000);
    EXPECT_EQ(Format("%.999s", {long1000}), long1000.substr(1));
    const std::string longFormat = std::string(600, 'a') + "%d" + std::string(600, 'b');
    EXPECT_EQ(Format(longFormat, {7}), std::string(600, 'a') + "7" + std::string(600, 'b'));
}

// A result held to a length: refused as soon as it would pass it, so that
// widths repeated over a long format never build gigabytes.
TEST(FormatTest, FormatAtMostRefusesLongerResults) {
    const FormatArg args[] = {FormatArg(7), FormatArg(std::string("text"))};
    EXPECT_EQ(FormatAtMost("%d-%s", args, 6), std::optional<std::string>("7-text"));
    EXPECT_EQ(FormatAtMost("%d-%s", args, 5), std::nullopt);
    EXPECT_EQ(FormatAtMost("%5d", args, 4), std::nullopt);
    EXPECT_EQ(FormatAtMost("%-5d|", args, 6), std::optional<std::string>("7    |"));
    std::string many;
    for (int i = 0; i < 1000; ++i) many += "%0:1000000d";
    EXPECT_EQ(FormatAtMost(many, args, 1 << 24), std::nullopt);
    EXPECT_THROW((void)FormatAtMost("%d %d %d", args, 100), EConvertError);
}

TEST(FormatTest, WideFormatKeepsEveryCharacter) {
    EXPECT_EQ(WideFormat(u"%s=%d", {std::u16string(u"\u4E2D\U0001F600"), 5}),
              u"\u4E2D\U0001F600=5");
    EXPECT_EQ(WideFormat(u"\u00E9%s", {std::string("caf\xE9")}), u"\u00E9caf\u00E9");
    EXPECT_EQ(WideFormat(u"%-4s|%.1s|%5.2f",
                         {std::u16string(u"\u0416"), std::u16string(u"\u0416\u0416"), 1.5}),
              u"\u0416   |\u0416| 1.50");
    {
        ScopedFormatSettings scoped(commaSettings());
        EXPECT_EQ(WideFormat(u"%m", {2.5}), u"2,50 \u20AC");
    }
    EXPECT_THROW(static_cast<void>(WideFormat(u"%d", {std::u16string(u"x")})), EConvertError);
}

}  // namespace
}  // namespace runtime
