#include "xml/values.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/locale.h"
#include "xml/test_trees.h"

namespace xml {
namespace {

using runtime::EncodeDate;
using runtime::EncodeTime;
using testing::ErrorOf;
using testing::Printable;

runtime::TFormatSettings GermanSettings() {
    runtime::TFormatSettings s = runtime::DefaultFormatSettings();
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    s.DateSeparator = '.';
    s.ShortDateFormat = "dd.mm.yyyy";
    s.ShortTimeFormat = "hh:nn";
    s.LongTimeFormat = "hh:nn:ss";
    return s;
}

// Runs `body` once under US English and once under German settings.
void ForEachLocale(const std::function<void()>& body) {
    for (const auto& [name, settings] : {std::pair{"en-US", runtime::DefaultFormatSettings()},
                                         std::pair{"de-DE", GermanSettings()}}) {
        SCOPED_TRACE(name);
        runtime::ScopedFormatSettings scope(settings);
        body();
    }
}

TEST(XmlEscapeText, ReplacesMarkupAndRefusesWhatXmlCannotHold) {
    struct Row {
        std::u16string in;
        std::u16string out;  // empty: refused
    };
    const Row rows[] = {
        {u"a<b & \"c\"", u"a&lt;b &amp; &quot;c&quot;"},
        {u"it's > that", u"it's &gt; that"},
        {u"plain text", u"plain text"},
        // A raw carriage return would read back as a line end.
        {u"tab\tlf\ncr\r", u"tab\tlf\ncr&#13;"},
        {u"\u0416\U0001F600\x7F", u"\u0416\U0001F600\x7F"},
        {u"", u""},
        // Characters XML 1.0 has in no form.
        {u"\x01|\x1F", u""},
        {std::u16string(u"nul:") + u'\0', u""},
        {u"\uFFFE", u""},
        {u"lone \xD800 surrogate", u""},
        {u"lone \xDC00", u""},
    };
    for (const Row& row : rows) {
        if (row.out.empty() && !row.in.empty()) {
            EXPECT_NE(ErrorOf([&] { XmlEscapeText(row.in); }).find("cannot be written in XML"),
                      std::string::npos)
                << Printable(row.in);
        } else {
            EXPECT_EQ(XmlEscapeText(row.in), row.out) << Printable(row.in);
        }
    }
}

TEST(XmlVarToStr, GivesTheTextOfEveryTypeUnderEachLocale) {
    const runtime::TDateTime when = EncodeDate(2024, 3, 5) + EncodeTime(15, 7, 9, 0);
    struct Row {
        Variant value;
        std::u16string text;
    };
    const std::vector<Row> rows = {
        {Variant::Null(), u"{{null}}"},
        {Variant(), u""},
        {Variant(true), u"1"},
        {Variant(false), u"0"},
        {Variant(2.5), u"2.5"},
        {Variant(-0.125), u"-0.125"},
        {Variant(1.0 / 3), u"0.333333333333333"},
        {Variant(1e20), u"1E20"},
        {Variant(1.5e-7), u"1.5E-7"},
        {Variant::FromSingle(0.5f), u"0.5"},
        {Variant::FromCurrency(25000), u"2.5"},
        {Variant(int32_t{42}), u"42"},
        {Variant::FromSmallint(-5), u"-5"},
        {Variant::FromShortInt(-128), u"-128"},
        {Variant::FromByte(200), u"200"},
        {Variant::FromWord(65535), u"65535"},
        {Variant(uint32_t{4000000000u}), u"4000000000"},
        {Variant(int64_t{-1} << 40), u"-1099511627776"},
        {Variant::FromDate(when), u"2024-03-05T15-07-09"},
        {Variant(std::string("caf\xE9")), u"caf\u00E9"},
        {Variant(u"\u0416 wide"), u"\u0416 wide"},
        {XmlBytesToVar("abc"), u"YWJj"},
    };
    ForEachLocale([&] {
        for (const Row& row : rows)
            EXPECT_EQ(Printable(XmlVarToStr(row.value)), Printable(row.text))
                << "type " << row.value.Type();
    });
}

TEST(XmlStrToFloat, AcceptsEitherSeparatorUnderEachLocale) {
    struct Row {
        std::u16string text;
        double value;
    };
    const Row rows[] = {
        {u"3,25", 3.25}, {u"3.25", 3.25},    {u"-0,5", -0.5}, {u"42", 42},
        {u"1E3", 1000},  {u"1,5E-2", 0.015}, {u" 2.5 ", 2.5},
    };
    ForEachLocale([&] {
        for (const Row& row : rows)
            EXPECT_DOUBLE_EQ(XmlStrToFloat(row.text), row.value) << Printable(row.text);
        for (std::u16string bad : {u"abc", u"1.2.3", u"", u"1,2,3"})
            EXPECT_THROW(XmlStrToFloat(bad), runtime::EConvertError) << Printable(bad);
    });
}

TEST(XmlStrToFloat, OtherSeparatorTakesTheCommaOrElseThePoint) {
    runtime::TFormatSettings settings = runtime::DefaultFormatSettings();
    settings.DecimalSeparator = '/';
    runtime::ScopedFormatSettings scope(settings);
    EXPECT_DOUBLE_EQ(XmlStrToFloat(u"1,75"), 1.75);
    EXPECT_DOUBLE_EQ(XmlStrToFloat(u"1.75"), 1.75);
    EXPECT_EQ(XmlFloatToStr(1.75), u"1.75");
}

// The date text has a literal "T" and round-trips to the second, whatever
// the locale's time format.
TEST(XmlDateTime, ConvertsBothWaysUnderEachLocale) {
    struct Row {
        runtime::TDateTime value;
        std::u16string text;
    };
    const Row rows[] = {
        {EncodeDate(2024, 3, 5) + EncodeTime(15, 7, 9, 0), u"2024-03-05T15-07-09"},
        {EncodeDate(1899, 12, 30), u"1899-12-30T00-00-00"},
        {EncodeDate(2000, 2, 29) + EncodeTime(23, 59, 59, 0), u"2000-02-29T23-59-59"},
        {EncodeDate(1800, 1, 1) - EncodeTime(6, 30, 0, 0), u"1800-01-01T06-30-00"},
        {EncodeDate(9999, 12, 31) + EncodeTime(12, 0, 1, 0), u"9999-12-31T12-00-01"},
        {EncodeDate(100, 1, 1), u"0100-01-01T00-00-00"},
    };
    ForEachLocale([&] {
        for (const Row& row : rows) {
            EXPECT_EQ(Printable(XmlDateTimeToStr(row.value)), Printable(row.text));
            EXPECT_NEAR(XmlStrToDateTime(row.text), row.value, 1e-9) << Printable(row.text);
        }
        for (std::u16string bad :
             {u"", u"2024-03-05", u"2024-03-05 15-07-09", u"2024-13-01T00-00-00",
              u"2024-02-30T00-00-00", u"2024-03-05T24-00-00", u"2024-03-05T15:07:09",
              u"2024-03-05T15-07-0x"})
            EXPECT_THROW(XmlStrToDateTime(bad), runtime::EConvertError) << Printable(bad);
    });
}

// What the writers write of any value, their readers read: the extremes of
// double, infinities and NaN; dates at both ends of the calendar and
// beyond it.
TEST(XmlValueTexts, ReadBackWhatIsWritten) {
    const double kInf = std::numeric_limits<double>::infinity();
    const double floats[] = {DBL_MAX,
                             -DBL_MAX,
                             DBL_MIN,
                             -DBL_MIN,
                             4.9406564584124654e-324,
                             1.7976931348623151e308,
                             0.1,
                             -0.0,
                             123456789.125,
                             kInf,
                             -kInf};
    const double dates[] = {
        2958465.99999999, EncodeDate(9999, 12, 31), -693593.0, -693593.5, 3e6, -1e6, DBL_MAX, -kInf,
        45356.75};
    ForEachLocale([&] {
        for (double value : floats) {
            const std::u16string text = XmlFloatToStr(value);
            double back = 0;
            EXPECT_NO_THROW(back = XmlStrToFloat(text)) << Printable(text);
            // Infinities exactly, and beyond 15 digits where they would
            // round outside the doubles.
            if (!std::isfinite(value) || std::fabs(value) > 1.79769313486e308) {
                EXPECT_EQ(back, value) << Printable(text);
            } else {
                EXPECT_NEAR(back, value, std::fabs(value) * 1e-14) << Printable(text);
            }
        }
        const double nan = XmlStrToFloat(XmlFloatToStr(std::nan("")));
        EXPECT_TRUE(std::isnan(nan));
        for (double value : dates) {
            const std::u16string text = XmlDateTimeToStr(value);
            double back = 0;
            EXPECT_NO_THROW(back = XmlStrToDateTime(text)) << Printable(text);
            // Seconds resolution within the calendar.
            if (std::isinf(value)) {
                EXPECT_EQ(back, value) << Printable(text);
            } else {
                EXPECT_NEAR(back, value, std::max(1.0 / 86400, 1e-15 * std::fabs(value)))
                    << Printable(text);
            }
        }
        EXPECT_TRUE(std::isnan(XmlStrToDateTime(XmlDateTimeToStr(std::nan("")))));
    });
}

TEST(IsBinaryXml, NeedsTheWholeSignature) {
    EXPECT_TRUE(IsBinaryXml("< binary-xml >"));
    EXPECT_TRUE(IsBinaryXml(std::string("< binary-xml >\0\0\0\0", 18)));
    EXPECT_FALSE(IsBinaryXml("< binary-xml"));
    EXPECT_FALSE(IsBinaryXml(""));
    EXPECT_FALSE(IsBinaryXml("<?xml version=\"1.0\"?>"));
}

TEST(Base64, EncodesWithLineBreaks) {
    struct Row {
        std::string bytes;
        int lineLength;
        std::string text;
    };
    const Row rows[] = {
        {"", 0, ""},
        {"a", 0, "YQ=="},
        {"ab", 0, "YWI="},
        {"abc", 0, "YWJj"},
        {"abcdefgh", 5, "YWJj\r\nZGVmZ\r\n2g="},
        {"abc", 4, "YWJ\r\nj"},
        {"abc", 5, "YWJj"},
        {"abc", 1, "\r\nY\r\nW\r\nJ\r\nj"},
        {std::string("\0\xFF\x10", 3), 0, "AP8Q"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BinToBase64(row.bytes.data(), row.bytes.size(), row.lineLength), row.text)
            << row.text;
}

// Every output byte is one that was decoded: padding inside the text and
// a trailing partial group do not leave bytes unset.
TEST(Base64, DecodesExactlyTheBytesItReads) {
    struct Row {
        std::string text, bytes;
    };
    const Row rows[] = {
        {"YWJj", "abc"},
        {" Y W\r\nJ j \t", "abc"},
        {"YQ==", "a"},
        {"YWI=", "ab"},
        {"", ""},
        {"YQ", ""},
        {"YWJjZA", "abc"},
        {"YQ==YWJj", "aabc"},
        {"YWI=YQ==", "aba"},
        {"Y*Jj", std::string("`\x02"
                             "c",
                             3)},
    };
    for (const Row& row : rows) EXPECT_EQ(Base64ToBin(row.text), row.bytes) << row.text;

    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    for (int lineLength : {0, 1, 2, 76})
        EXPECT_EQ(Base64ToBin(BinToBase64(all.data(), all.size(), lineLength)), all) << lineLength;
}

TEST(XmlBytes, RoundTripThroughATypedValue) {
    const std::string bytes("\0\x01\x7F\x80\xFFz", 6);
    Variant value = XmlBytesToVar(bytes);
    EXPECT_EQ(value.Type(), kXmlByteArrayType);
    EXPECT_EQ(XmlVarToBytes(value), bytes);
    EXPECT_EQ(XmlVarToBytes(XmlBytesToVar("")), "");
    EXPECT_EQ(XmlVarToBytes(Variant(u"text")), "");
}

}  // namespace
}  // namespace xml
