#include "runtime/locale.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/datetime.h"
#include "runtime/format.h"
#include "runtime/strings_platform.h"

namespace runtime {
namespace {

TEST(LocaleTest, ScopedSettingsRestoreTheProgramWideOnes) {
    const TFormatSettings before = FormatSettings();
    {
        TFormatSettings s;
        s.DecimalSeparator = ',';
        s.ShortDateFormat = "dd.mm.yyyy";
        ScopedFormatSettings scoped(s);
        EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
        EXPECT_EQ(FloatToStr(1.5), "1,5");
    }
    EXPECT_EQ(FormatSettings().DecimalSeparator, before.DecimalSeparator);
    EXPECT_EQ(FormatSettings().ShortDateFormat, before.ShortDateFormat);
}

TEST(LocaleTest, WindowsPicturesBecomeFormatDateTimeNotation) {
    struct Row {
        std::string picture, expected;
    };
    const Row rows[] = {
        {"M/d/yyyy", "m/d/yyyy"},
        {"h:mm:ss tt", "h:nn:ss AMPM"},
        {"h:mm tt", "h:nn AMPM"},
        {"HH:mm:ss", "hh:nn:ss"},
        {"H:mm", "h:nn"},
        {"tt h:mm:ss", "AMPM h:nn:ss"},
        {"dddd, MMMM d, yyyy", "dddd, mmmm d, yyyy"},
        {"dd.MM.yy", "dd.mm.yy"},
        {"d/M/y", "d/m/yy"},
        {"ddddd MMMMM yyyyy", "dddd mmmm yyyy"},
        {"dd MMM yyyy", "dd mmm yyyy"},
        {"dddd, d' de 'MMMM' de 'yyyy", "dddd, d\" de \"mmmm\" de \"yyyy"},
        {"yyyy'\xC5r'M'm'd", "yyyy\"\xC5r\"m\"m\"d"},
        {"h 'o''clock'", "h \"o'clock\""},
        {"''", ""},
        {"'say \"hi\"'", "'say \"hi\"'"},
        {"gg yyyy", " yyyy"},
        {"HH' h 'mm", "hh\" h \"nn"},
        {"d. MMMM yyyy K", "d. mmmm yyyy \"K\""},
        {"H:mm 'Uhr' z", "h:nn \"Uhr\" \"z\""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(detail::LocalePictureToFormat(r.picture), r.expected) << r.picture;
    // The converted picture formats as Windows would show it.
    const TDateTime t = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
    EXPECT_EQ(FormatDateTime(detail::LocalePictureToFormat("dddd, d' de 'MMMM"), t),
              "Tuesday, 5 de March");
    EXPECT_EQ(FormatDateTime(detail::LocalePictureToFormat("tt h:mm"), t), "PM 2:07");
}

TEST(LocaleTest, ShortTimeIsTheLongTimeWithoutSeconds) {
    struct Row {
        std::string longFormat, expected;
    };
    const Row rows[] = {
        {"h:nn:ss AMPM", "h:nn AMPM"}, {"hh:nn:ss", "hh:nn"}, {"AMPM h:nn:ss", "AMPM h:nn"},
        {"hh.nn.ss", "hh.nn"},         {"hh:nn", "hh:nn"},    {"\"s\" hh:nn:ss", "\"s\" hh:nn"}};
    for (const Row& r : rows) EXPECT_EQ(detail::ShortTimeFromLong(r.longFormat), r.expected);
}

TEST(LocaleTest, UserLocaleSettingsAreUsable) {
    const TFormatSettings s = GetLocaleFormatSettings();
#ifndef _WIN32
    // Natively the program runs with US English settings.
    const TFormatSettings d = DefaultFormatSettings();
    EXPECT_EQ(s.ShortDateFormat, d.ShortDateFormat);
    EXPECT_EQ(s.LongTimeFormat, d.LongTimeFormat);
    EXPECT_EQ(s.DecimalSeparator, '.');
#endif
    EXPECT_NE(s.DecimalSeparator, s.ThousandSeparator);
    for (const std::string& name : s.LongMonthNames) EXPECT_FALSE(name.empty());
    for (const std::string& name : s.ShortDayNames) EXPECT_FALSE(name.empty());
    // Whatever the locale, its own dates and numbers read back.
    const TDateTime value = EncodeDate(2031, 11, 23) + EncodeTime(21, 5, 7, 0);
    EXPECT_EQ(StrToDate(DateToStr(value, s), s), EncodeDate(2031, 11, 23)) << DateToStr(value, s);
    EXPECT_EQ(StrToDateTime(DateTimeToStr(value, s), s), value) << DateTimeToStr(value, s);
    EXPECT_EQ(StrToFloat(FloatToStr(-1234.5, s), s), -1234.5);
    if (s.ShortDateFormat == "m/d/yyyy") {  // US English, as Wine has by default
        EXPECT_EQ(s.LongTimeFormat, "h:nn:ss AMPM");
        EXPECT_EQ(s.ShortTimeFormat, "h:nn AMPM");
        EXPECT_EQ(s.LongDateFormat, "dddd, mmmm d, yyyy");
        EXPECT_EQ(s.TimeAMString, "AM");
        EXPECT_EQ(s.TimePMString, "PM");
        EXPECT_EQ(s.DecimalSeparator, '.');
        EXPECT_EQ(s.ThousandSeparator, ',');
        EXPECT_EQ(s.DateSeparator, '/');
        EXPECT_EQ(s.TimeSeparator, ':');
        EXPECT_EQ(s.CurrencyString, "$");
        EXPECT_EQ(s.CurrencyDecimals, 2);
        EXPECT_EQ(s.LongMonthNames[0], "January");
        EXPECT_EQ(s.ShortMonthNames[11], "Dec");
        EXPECT_EQ(s.LongDayNames[0], "Sunday");
        EXPECT_EQ(s.ShortDayNames[6], "Sat");
    }
}

}  // namespace
}  // namespace runtime
