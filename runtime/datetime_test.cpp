#include "runtime/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/locale.h"

namespace runtime {
namespace {

// A day-month-year locale with dots and a 24-hour clock.
TFormatSettings germanSettings() {
    TFormatSettings s;
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    s.DateSeparator = '.';
    s.TimeSeparator = ':';
    s.ShortDateFormat = "dd.mm.yyyy";
    s.LongDateFormat = "dddd, d. mmmm yyyy";
    s.ShortTimeFormat = "hh:nn";
    s.LongTimeFormat = "hh:nn:ss";
    s.TimeAMString = "";
    s.TimePMString = "";
    return s;
}

TFormatSettings isoSettings() {
    TFormatSettings s;
    s.DateSeparator = '-';
    s.ShortDateFormat = "yyyy-mm-dd";
    return s;
}

int currentYear() {
    int y, m, d;
    DecodeDate(Date(), y, m, d);
    return y;
}

TEST(DateTimeTest, CalendarRules) {
    struct Row {
        int year;
        bool leap;
    };
    const Row rows[] = {{2000, true}, {1900, false}, {2024, true}, {2023, false},
                        {1600, true}, {1, false},    {4, true},    {9999, false}};
    for (const Row& r : rows) EXPECT_EQ(IsLeapYear(r.year), r.leap) << r.year;
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2023, 4), 30);
    EXPECT_EQ(DaysInMonth(2023, 12), 31);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

TEST(DateTimeTest, EncodeDateCountsDaysFrom18991230) {
    struct Row {
        int y, m, d;
        double value;
    };
    const Row rows[] = {
        {1899, 12, 30, 0},  {1899, 12, 31, 1},       {1899, 12, 29, -1},    {1900, 1, 1, 2},
        {1900, 3, 1, 61},   {1970, 1, 1, 25569},     {2000, 1, 1, 36526},   {2024, 2, 29, 45351},
        {1, 1, 1, -693593}, {9999, 12, 31, 2958465}, {1600, 3, 1, -109511},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(EncodeDate(r.y, r.m, r.d), r.value) << r.y << "-" << r.m << "-" << r.d;
        int y, m, d;
        DecodeDate(r.value, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, r.y * 10000 + r.m * 100 + r.d) << r.value;
    }
}

TEST(DateTimeTest, InvalidDatesAndTimesRaise) {
    const int dates[][3] = {{2001, 2, 29}, {0, 1, 1},    {10000, 1, 1}, {2000, 13, 1},
                            {2000, 0, 1},  {2000, 1, 0}, {2000, 4, 31}, {-5, 1, 1}};
    for (const auto& d : dates) {
        TDateTime value = 7;
        EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2], value));
        EXPECT_EQ(value, 7);
        try {
            static_cast<void>(EncodeDate(d[0], d[1], d[2]));
            ADD_FAILURE() << d[0] << "-" << d[1] << "-" << d[2];
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "Invalid argument to date encode");
        }
    }
    const int times[][4] = {
        {24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}};
    for (const auto& t : times) {
        TDateTime value;
        EXPECT_FALSE(TryEncodeTime(t[0], t[1], t[2], t[3], value));
        try {
            static_cast<void>(EncodeTime(t[0], t[1], t[2], t[3]));
            ADD_FAILURE() << t[0] << ":" << t[1] << ":" << t[2] << "." << t[3];
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "Invalid argument to time encode");
        }
    }
}

TEST(DateTimeTest, DecodeDateRoundTripsAndAdvancesOneDayAtATime) {
    // Every day around 1899-12-30, then a sweep over the whole range.
    int py, pm, pd;
    DecodeDate(-2001, py, pm, pd);
    for (int day = -2000; day <= 2000; ++day) {
        int y, m, d;
        DecodeDate(day, y, m, d);
        ASSERT_EQ(EncodeDate(y, m, d), day);
        const bool nextDay = d == pd + 1 && m == pm && y == py;
        const bool nextMonth = d == 1 && pd == DaysInMonth(py, pm) &&
                               ((m == pm + 1 && y == py) || (m == 1 && pm == 12 && y == py + 1));
        ASSERT_TRUE(nextDay || nextMonth) << day;
        py = y, pm = m, pd = d;
    }
    for (int day = -693593; day <= 2958465; day += 997) {
        int y, m, d;
        DecodeDate(day, y, m, d);
        ASSERT_EQ(EncodeDate(y, m, d), day);
    }
    int y, m, d;
    DecodeDate(-693594, y, m, d);
    EXPECT_EQ(y + m + d, 0);  // before 0001-01-01
    DecodeDate(std::numeric_limits<double>::quiet_NaN(), y, m, d);
    EXPECT_EQ(y + m + d, 0);
    DecodeDate(1e300, y, m, d);
    EXPECT_EQ(y + m + d, 0);
}

TEST(DateTimeTest, TimeIsTheFractionOfTheAbsoluteValue) {
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    for (int sec = 0; sec < 86400; sec += 7) {
        const TDateTime t = EncodeTime(sec / 3600, sec / 60 % 60, sec % 60, sec % 1000);
        int h, n, s, z;
        DecodeTime(t, h, n, s, z);
        ASSERT_EQ(((h * 60 + n) * 60 + s) * 1000 + z, sec * 1000 + sec % 1000);
        DecodeTime(45000 + t, h, n, s, z);
        ASSERT_EQ(((h * 60 + n) * 60 + s) * 1000 + z, sec * 1000 + sec % 1000);
    }
    struct Row {
        double value;
        int y, m, d, h, n;
    };
    const Row rows[] = {
        {-1.25, 1899, 12, 29, 6, 0},  // the day before, at 06:00
        {-0.5, 1899, 12, 30, 12, 0},
        {-2.75, 1899, 12, 28, 18, 0},
        {1.75, 1899, 12, 31, 18, 0},
        {0.99999999999, 1899, 12, 31, 0, 0},  // rounds up into the next day
        {-1.99999999999, 1899, 12, 28, 0, 0},
    };
    for (const Row& r : rows) {
        int y, m, d, h, n, s, z;
        DecodeDate(r.value, y, m, d);
        DecodeTime(r.value, h, n, s, z);
        EXPECT_EQ(y * 10000 + m * 100 + d, r.y * 10000 + r.m * 100 + r.d) << r.value;
        EXPECT_EQ(h * 100 + n, r.h * 100 + r.n) << r.value;
        EXPECT_EQ(s + z, 0) << r.value;
    }
}

TEST(DateTimeTest, DayOfWeekStartsOnSunday) {
    struct Row {
        double value;
        int day;
    };
    const Row rows[] = {{0, 7},
                        {1, 1},
                        {-1, 6},
                        {2.9, 2},
                        {EncodeDate(2024, 1, 1), 2},
                        {EncodeDate(2024, 3, 5), 3},
                        {EncodeDate(1, 1, 1), 2},
                        {-1.25, 6}};
    for (const Row& r : rows) EXPECT_EQ(DayOfWeek(r.value), r.day) << r.value;
}

// Tuesday 2024-03-05 14:07:09.045.
const TDateTime kSample = 45356 + (((14 * 60 + 7) * 60 + 9) * 1000 + 45) / MSecsPerDay;

TEST(DateTimeTest, FormatDateTimeSpecifiers) {
    ASSERT_EQ(kSample - std::floor(kSample) > 0, true);
    struct Row {
        std::string fmt, expected;
    };
    const Row rows[] = {
        {"d", "5"},
        {"dd", "05"},
        {"ddd", "Tue"},
        {"dddd", "Tuesday"},
        {"ddddd", "3/5/2024"},
        {"dddddd", "Tuesday, March 5, 2024"},
        {"m", "3"},
        {"mm", "03"},
        {"mmm", "Mar"},
        {"mmmm", "March"},
        {"yy", "24"},
        {"yyyy", "2024"},
        {"h", "14"},
        {"hh", "14"},
        {"n", "7"},
        {"nn", "07"},
        {"s", "9"},
        {"ss", "09"},
        {"z", "45"},
        {"zzz", "045"},
        {"t", "2:07 PM"},
        {"tt", "2:07:09 PM"},
        {"am/pm", "pm"},
        {"AM/PM", "PM"},
        {"a/p", "p"},
        {"A/P", "P"},
        {"ampm", "PM"},
        {"h:nn am/pm", "2:07 pm"},
        {"hh:nn AMPM", "02:07 PM"},
        {"AMPM hh", "PM 02"},  // a marker before the hour counts too
        {"hh:mm", "14:07"},    // m after h means minutes
        {"h:m", "14:7"},
        {"hh d m", "14 5 3"},
        {"yyyy/mm/dd", "2024/03/05"},
        {"c", "3/5/2024 2:07:09 PM"},
        {"", "3/5/2024 2:07:09 PM"},
        {"'d' d \"m\"", "d 5 m"},
        {"'unclosed", "unclosed"},
        {"DD.MM.YYYY HH:NN", "05.03.2024 14:07"},
        {"x=!", "x=!"},
    };
    for (const Row& r : rows) EXPECT_EQ(FormatDateTime(r.fmt, kSample), r.expected) << r.fmt;

    const TFormatSettings german = germanSettings();
    EXPECT_EQ(FormatDateTime("c", kSample, german), "05.03.2024 14:07:09");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", kSample, german), "05.03.2024 14:07");
    EXPECT_EQ(FormatDateTime("dddddd", kSample, german), "Tuesday, 5. March 2024");
}

TEST(DateTimeTest, FormatDateTimeEdges) {
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "3/5/2024");  // no time at midnight
    EXPECT_EQ(FormatDateTime("h am/pm", EncodeTime(0, 30, 0, 0)), "12 am");
    EXPECT_EQ(FormatDateTime("h am/pm", EncodeTime(12, 30, 0, 0)), "12 pm");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", EncodeDate(1, 1, 1)), "0001-01-01");
    // A locale format that names itself expands one level only.
    TFormatSettings looping;
    looping.ShortDateFormat = "ddddd|";
    EXPECT_EQ(FormatDateTime("ddddd", kSample, looping), "|");
    EXPECT_EQ(DateToStr(kSample), "3/5/2024");
    EXPECT_EQ(TimeToStr(kSample), "2:07:09 PM");
    EXPECT_EQ(DateTimeToStr(kSample), "3/5/2024 2:07:09 PM");
    EXPECT_EQ(DateToStr(kSample, germanSettings()), "05.03.2024");
    ScopedFormatSettings scoped(germanSettings());
    EXPECT_EQ(DateTimeToStr(kSample), "05.03.2024 14:07:09");
    EXPECT_EQ(TimeToStr(kSample), "14:07:09");
}

TEST(DateTimeTest, StrToDateFollowsTheShortDateOrder) {
    struct Row {
        TFormatSettings settings;
        std::string text;
        int y, m, d;
    };
    const Row rows[] = {
        {TFormatSettings{}, "3/5/2024", 2024, 3, 5},
        {TFormatSettings{}, " 12/31/1899 ", 1899, 12, 31},
        {TFormatSettings{}, "1 / 2 / 2003", 2003, 1, 2},
        {TFormatSettings{}, "2/29/2024", 2024, 2, 29},
        {germanSettings(), "05.03.2024", 2024, 3, 5},
        {germanSettings(), "5.3.2024", 2024, 3, 5},
        {germanSettings(), "31.12.0001", 1, 12, 31},
        {isoSettings(), "2024-03-05", 2024, 3, 5},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(StrToDate(r.text, r.settings), EncodeDate(r.y, r.m, r.d)) << r.text;
        ScopedFormatSettings scoped(r.settings);
        TDateTime value;
        EXPECT_TRUE(TryStrToDate(r.text, value)) << r.text;
        EXPECT_EQ(value, EncodeDate(r.y, r.m, r.d));
    }
    // Two numbers: the current year.
    EXPECT_EQ(StrToDate("3/5"), EncodeDate(currentYear(), 3, 5));
    EXPECT_EQ(StrToDate("5.3", germanSettings()), EncodeDate(currentYear(), 3, 5));
    EXPECT_EQ(StrToDate("3-5", isoSettings()), EncodeDate(currentYear(), 3, 5));
}

TEST(DateTimeTest, TwoDigitYearsFallInTheCenturyWindow) {
    const int now = currentYear();
    for (int window : {0, 20, 50, 99}) {
        TFormatSettings s;
        s.TwoDigitYearCenturyWindow = window;
        for (int yy : {0, 1, 29, 30, 49, 50, 75, 99}) {
            int y, m, d;
            DecodeDate(StrToDate("1/1/" + std::to_string(yy), s), y, m, d);
            EXPECT_EQ(y % 100, yy);
            if (window == 0) {
                EXPECT_EQ(y / 100, now / 100) << yy;
            } else {
                EXPECT_GE(y, now - window) << window << " " << yy;
                EXPECT_LT(y, now - window + 100) << window << " " << yy;
            }
        }
    }
    // Four digits are taken as written, even small years.
    EXPECT_EQ(StrToDate("1/1/0030"), EncodeDate(30, 1, 1));
}

TEST(DateTimeTest, MalformedDatesRaiseWithTheText) {
    const std::string bad[] = {
        "",         "abc",       "2/30/2024", "13/1/2024",      "1/2/3/4",
        "1//2024",  "1/2/2024x", "1/2/",      "/1/2",           "1",
        "1-2-2024", "12:30",     "1/2/10000", "1/2/2024 12:00", "99999999999/1/2024"};
    for (const std::string& text : bad) {
        TDateTime value = 3;
        EXPECT_FALSE(TryStrToDate(text, value)) << text;
        EXPECT_EQ(value, 3);
        try {
            static_cast<void>(StrToDate(text));
            ADD_FAILURE() << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "'" + text + "' is not a valid date");
        }
    }
    EXPECT_THROW(static_cast<void>(StrToDate("3/5/2024", germanSettings())), EConvertError);
    EXPECT_THROW(static_cast<void>(StrToDate("31.12.2024", TFormatSettings{})), EConvertError);
}

TEST(DateTimeTest, StrToTimeReadsTwelveAndTwentyFourHourClocks) {
    struct Row {
        std::string text;
        int h, n, s, z;
    };
    const Row rows[] = {
        {"14:07", 14, 7, 0, 0},
        {"14:07:09", 14, 7, 9, 0},
        {"2:07:09 PM", 14, 7, 9, 0},
        {"2:07 am", 2, 7, 0, 0},
        {"12:00 AM", 0, 0, 0, 0},
        {"12:00 PM", 12, 0, 0, 0},
        {"PM 2:07", 14, 7, 0, 0},
        {" 9 ", 9, 0, 0, 0},
        {"14:07:09.5", 14, 7, 9, 5},
        {"0:0:0", 0, 0, 0, 0},
        {"23:59:59.999", 23, 59, 59, 999},
    };
    for (const Row& r : rows)
        EXPECT_EQ(StrToTime(r.text), EncodeTime(r.h, r.n, r.s, r.z)) << r.text;
    const std::string bad[] = {"",        "abc",   "25:00", "13:00 PM", "0:30 AM",
                               "1:2:3:4", "12:60", "12:",   "12:30 XM", "12:30:"};
    for (const std::string& text : bad) {
        try {
            static_cast<void>(StrToTime(text));
            ADD_FAILURE() << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "'" + text + "' is not a valid time");
        }
    }
    EXPECT_EQ(StrToTime("14.07",
                        [] {
                            TFormatSettings s;
                            s.TimeSeparator = '.';
                            return s;
                        }()),
              EncodeTime(14, 7, 0, 0));
}

TEST(DateTimeTest, StrToDateTimeTakesADateATimeOrBoth) {
    struct Row {
        std::string text;
        double value;
    };
    const Row rows[] = {
        {"3/5/2024 14:07:09", EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0)},
        {"3/5/2024 2:07 PM", EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 0, 0)},
        {"3/5/2024", EncodeDate(2024, 3, 5)},
        {"14:07", EncodeTime(14, 7, 0, 0)},
        {"12/29/1899 06:00", -1.25},  // before 1899-12-30 the time is added away from zero
    };
    for (const Row& r : rows) {
        EXPECT_EQ(StrToDateTime(r.text), r.value) << r.text;
        TDateTime value;
        EXPECT_TRUE(TryStrToDateTime(r.text, value));
        EXPECT_EQ(value, r.value);
    }
    EXPECT_EQ(StrToDateTime("05.03.2024 14:07", germanSettings()),
              EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 0, 0));
    for (const std::string text : {"3/5/2024 xx", "", "3/5/2024 25:00", "x 14:07"}) {
        try {
            static_cast<void>(StrToDateTime(text));
            ADD_FAILURE() << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "'" + text + "' is not a valid date and time");
        }
    }
}

TEST(DateTimeTest, TextRoundTripsThroughBothLocales) {
    const TDateTime time = EncodeTime(17, 45, 30, 0);
    for (const TFormatSettings& s : {TFormatSettings{}, germanSettings(), isoSettings()}) {
        for (double day = -693593; day <= 2958465; day += 12345) {
            const TDateTime value = day >= 0 ? day + time : day - time;
            EXPECT_EQ(StrToDate(DateToStr(value, s), s), day) << DateToStr(value, s);
            EXPECT_EQ(StrToDateTime(DateTimeToStr(value, s), s), value) << DateTimeToStr(value, s);
        }
    }
}

TEST(DateTimeTest, ClockReadsTheLocalDateAndTime) {
    const TDateTime now = Now();
    const TDateTime date = Date();
    const TDateTime time = Time();
    EXPECT_GE(currentYear(), 2024);
    EXPECT_EQ(date, std::floor(date));
    EXPECT_LE(std::fabs(now - date), 1.0 + 1e-6);
    EXPECT_GE(time, 0.0);
    EXPECT_LT(time, 1.0);
}

}  // namespace
}  // namespace runtime
