#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/locale.h"

namespace runtime {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TFormatSettings commaSettings() {
    TFormatSettings s;
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    return s;
}

// The same text with "," as the decimal separator and "." grouping.
std::string swapSeparators(std::string s) {
    for (char& c : s) c = c == '.' ? ',' : c == ',' ? '.' : c;
    return s;
}

TEST(FloatFormatTest, FloatToStrUsesFifteenDigitsInTheShortestForm) {
    struct Row {
        double value;
        std::string expected;
    };
    const Row rows[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1.0, "1"},
        {-1.5, "-1.5"},
        {100.0, "100"},
        {0.1, "0.1"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        // Rounded once from the exact value 0.98834474613522349528...
        {0.9883447461352235, "0.988344746135223"},
        {123.456, "123.456"},
        {1e14, "100000000000000"},
        {1e15, "1E15"},
        {999999999999999.9, "1E15"},
        {123456789012345.0, "123456789012345"},
        {1e20, "1E20"},
        {123456789012345680000.0, "1.23456789012346E20"},
        {0.0001, "0.0001"},
        {1e-5, "1E-5"},
        {1.5e-7, "1.5E-7"},
        {-2.5e-10, "-2.5E-10"},
        {1.7976931348623157e308, "1.79769313486232E308"},
        {5e-324, "4.94065645841247E-324"},
        {kNaN, "NAN"},
        {kInf, "INF"},
        {-kInf, "-INF"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(FloatToStr(r.value), r.expected) << r.expected;
        EXPECT_EQ(FloatToStr(r.value, commaSettings()), swapSeparators(r.expected));
        ScopedFormatSettings scoped(commaSettings());
        EXPECT_EQ(FloatToStr(r.value), swapSeparators(r.expected));
    }
}

TEST(FloatFormatTest, FloatToStrFFormats) {
    struct Row {
        double value;
        TFloatFormat format;
        int precision, digits;
        std::string expected;
    };
    using enum TFloatFormat;
    const Row rows[] = {
        {1234.5, ffGeneral, 4, 0, "1235"},
        {12345.0, ffGeneral, 4, 0, "1.235E4"},
        {12345.0, ffGeneral, 4, 2, "1.235E04"},
        {0.00001234, ffGeneral, 3, 0, "1.23E-5"},
        {1234.5, ffExponent, 6, 2, "1.23450E+03"},
        {0.0, ffExponent, 4, 2, "0.000E+00"},
        {-0.00012, ffExponent, 3, 0, "-1.20E-4"},
        {9.99, ffExponent, 2, 1, "1.0E+1"},
        {1234.567, ffFixed, 15, 2, "1234.57"},
        {0.125, ffFixed, 15, 2, "0.13"},        // half away from zero
        {1.005, ffFixed, 15, 2, "1.00"},        // 1.00499999... as stored
        {6950.665, ffFixed, 15, 2, "6950.66"},  // 6950.66499999999996..., not via ...6650
        {-0.001, ffFixed, 15, 2, "0.00"},       // no "-0.00"
        {3.14159, ffFixed, 3, 5, "3.14000"},
        {0.5, ffFixed, 15, 0, "1"},
        {-2.5, ffFixed, 15, 0, "-3"},
        {1e20, ffFixed, 15, 2, "1E20"},  // more digits than the precision
        {1234567.891, ffNumber, 15, 2, "1,234,567.89"},
        {-1234.5, ffNumber, 15, 0, "-1,235"},
        {999.999, ffNumber, 15, 2, "1,000.00"},
        {123.0, ffNumber, 15, 1, "123.0"},
        {1234.5, ffCurrency, 15, 2, "$1,234.50"},
        {-1234.5, ffCurrency, 15, 2, "($1,234.50)"},
        {0.0, ffCurrency, 15, 2, "$0.00"},
        {kNaN, ffFixed, 15, 2, "NAN"},
        {-kInf, ffCurrency, 15, 2, "-INF"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(FloatToStrF(r.value, r.format, r.precision, r.digits), r.expected) << r.expected;
        if (r.format != ffCurrency) {
            EXPECT_EQ(FloatToStrF(r.value, r.format, r.precision, r.digits, commaSettings()),
                      swapSeparators(r.expected));
        }
    }
}

TEST(FloatFormatTest, CurrencyLayoutsFollowTheLocale) {
    TFormatSettings s;
    s.CurrencyString = "EUR";
    const std::string positive[] = {"EUR1.50", "1.50EUR", "EUR 1.50", "1.50 EUR"};
    for (unsigned char f = 0; f < 4; ++f) {
        s.CurrencyFormat = f;
        EXPECT_EQ(FloatToStrF(1.5, TFloatFormat::ffCurrency, 15, 2, s), positive[f]);
    }
    const std::string negative[] = {"(EUR1.50)", "-EUR1.50",  "EUR-1.50",   "EUR1.50-",
                                    "(1.50EUR)", "-1.50EUR",  "1.50-EUR",   "1.50EUR-",
                                    "-1.50 EUR", "-EUR 1.50", "1.50 EUR-",  "EUR 1.50-",
                                    "EUR -1.50", "1.50- EUR", "(EUR 1.50)", "(1.50 EUR)"};
    for (unsigned char f = 0; f < 16; ++f) {
        s.NegCurrFormat = f;
        EXPECT_EQ(FloatToStrF(-1.5, TFloatFormat::ffCurrency, 15, 2, s), negative[f]);
    }
}

TEST(FloatFormatTest, FormatFloatPictures) {
    struct Row {
        std::string picture;
        double value;
        std::string expected;
    };
    const Row rows[] = {
        {"0.00", 1234.567, "1234.57"},
        {"0.00", 6950.665, "6950.66"},
        {"0.000000000000000", 0.9883447461352235, "0.988344746135223"},
        {"0.00", 0.125, "0.13"},
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"#,##0", 1234567.0, "1,234,567"},
        {"#,##0", 12.0, "12"},
        {",0", 1234.0, "1,234"},
        {"#.##", 0.5, ".5"},
        {"#.##", 0.0, ""},
        {"0.##", 1.0, "1"},
        {"0.##", 1.5, "1.5"},
        {"0.0#", 1.0, "1.0"},
        {"0", 0.0, "0"},
        {"0", 2.5, "3"},
        {"00000", 42.0, "00042"},
        {"000-000", 12345.0, "012-345"},
        {"00", 12345.0, "12345"},
        {".00", 12.5, "12.50"},
        {"0.00E+00", 12345.0, "1.23E+04"},
        {"0.###E-0", 0.00012346, "1.235E-4"},
        {"0.###E-0", 12345.0, "1.235E4"},
        {"00.00E+00", 12345.0, "12.35E+03"},
        {"0.0e+00", 0.0, "0.0e+00"},
        {"0;(0);'zero'", -5.0, "(5)"},
        {"0;(0);'zero'", 0.0, "zero"},
        {"0;(0);'zero'", 5.0, "5"},
        {"0.0;(0.0)", -0.04, "0.0"},  // rounds to zero: positive section
        {"0.0;(0.0);z", -0.04, "z"},
        {"0.0", -0.04, "0.0"},  // and never "-0.0"
        {"0.0", -1.25, "-1.3"},
        {"0;;'zero'", -7.0, "-7"},  // empty negative section
        {"\"$\"#,##0.00", 1234.5, "$1,234.50"},
        {"'#'0", 5.0, "#5"},
        {"0%", 12.0, "12%"},
        {"0 'a;b'", 3.0, "3 a;b"},
        {"", 1.5, "1.5"},
        {"0.00", kNaN, "NAN"},
        {"0.00", -kInf, "-INF"},
        {"0.00", 1e22, "1" + std::string(22, '0') + ".00"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(FormatFloat(r.picture, r.value), r.expected) << r.picture << " " << r.value;
        EXPECT_EQ(FormatFloat(r.picture, r.value, commaSettings()), swapSeparators(r.expected))
            << r.picture << " " << r.value;
    }
}

TEST(FloatFormatTest, CurrToStrIsExact) {
    struct Row {
        int64_t scaled;
        std::string expected;
    };
    const Row rows[] = {
        {0, "0"},
        {10000, "1"},
        {25000, "2.5"},
        {-12345678, "-1234.5678"},
        {1, "0.0001"},
        {-50, "-0.005"},
        {std::numeric_limits<int64_t>::max(), "922337203685477.5807"},
        {std::numeric_limits<int64_t>::min(), "-922337203685477.5808"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(CurrToStr(r.scaled), r.expected);
        ScopedFormatSettings scoped(commaSettings());
        EXPECT_EQ(CurrToStr(r.scaled), swapSeparators(r.expected));
    }
}

TEST(FloatFormatTest, StrToFloatReadsTheLocaleSeparatorOnly) {
    struct Row {
        std::string text;
        double value;
    };
    const Row rows[] = {
        {"1.5", 1.5},
        {" 1.5 ", 1.5},
        {"-1.5", -1.5},
        {"+2", 2},
        {".5", 0.5},
        {"1.", 1},
        {"1e3", 1000},
        {"1E+3", 1000},
        {"1.5e-7", 1.5e-7},
        {"0", 0},
        {"-0", 0},
        {"007.50", 7.5},
        {"1e-400", 0},
        {"123456789012345678901234567890", 1.2345678901234568e29},
        {"0.1", 0.1},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        // Thousands of digits: the ones past what rounding can need still
        // decide a tie (2^53 + 1 lies halfway between two doubles).
        {"9007199254740993", 9007199254740992.0},
        {"9007199254740993." + std::string(2000, '0') + "1", 9007199254740994.0},
        {"0." + std::string(300, '0') + "1" + std::string(3000, '7'), 1.7777777777777777e-301},
        {"1" + std::string(5000, '0') + "e-5000", 1},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(StrToFloat(r.text), r.value) << r.text;
        EXPECT_EQ(StrToFloat(swapSeparators(r.text), commaSettings()), r.value) << r.text;
    }
    const std::string bad[] = {
        "",     " ",     "abc", "1,5", "1.5.5", "1e",      "e5",
        "--1",  "1 000", "INF", "NAN", "0x10",  "1e400",   "-1e999",
        "1.5x", "$1",    "1e+", ".",   "+",     "1,000.5", "1" + std::string(5000, '0')};
    for (const std::string& text : bad) {
        double value = 42;
        EXPECT_FALSE(TryStrToFloat(text, value)) << text;
        EXPECT_EQ(value, 42) << text;
        EXPECT_EQ(StrToFloatDef(text, -1), -1) << text;
        EXPECT_THROW(static_cast<void>(StrToFloat(text)), EConvertError) << text;
    }
    EXPECT_THROW(static_cast<void>(StrToFloat("1.5", commaSettings())), EConvertError);
    {
        ScopedFormatSettings scoped(commaSettings());
        EXPECT_EQ(StrToFloat("2,25"), 2.25);
        double value;
        EXPECT_FALSE(TryStrToFloat("2.25", value));
    }
    try {
        static_cast<void>(StrToFloat("1,5"));
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'1,5' is not a valid floating point value");
    }
}

TEST(FloatFormatTest, FloatToStrReadsBackToTheSameValue) {
    // Values with at most 15 significant digits survive the round trip.
    const double values[] = {0.1,
                             2.5,
                             -1234.5678,
                             1e-5,
                             3.14159265358979,
                             1e15,
                             123456789012345.0,
                             6.02214076e23,
                             -9.87654321e-100};
    for (double v : values) {
        EXPECT_EQ(StrToFloat(FloatToStr(v)), v) << FloatToStr(v);
        ScopedFormatSettings scoped(commaSettings());
        EXPECT_EQ(StrToFloat(FloatToStr(v)), v) << FloatToStr(v);
    }
}

}  // namespace
}  // namespace runtime
