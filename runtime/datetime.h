#pragma once

// TDateTime: days since 1899-12-30 as a double, the time of day as the
// fraction (of the absolute value for dates before 1899-12-30).

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/locale.h"

namespace runtime {

using TDateTime = double;

inline constexpr double HoursPerDay = 24;
inline constexpr double MinsPerDay = 24 * 60;
inline constexpr double SecsPerDay = 24 * 60 * 60;
inline constexpr double MSecsPerDay = SecsPerDay * 1000;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Invalid arguments raise EConvertError "Invalid argument to date encode" /
// "Invalid argument to time encode".
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
[[nodiscard]] bool TryEncodeDate(int year, int month, int day, TDateTime& date);
[[nodiscard]] bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
void DecodeDate(TDateTime date, int& year, int& month, int& day);
void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime date);

// Local date and time of the clock.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// FormatDateTime specifiers: c d dd ddd dddd ddddd dddddd m mm mmm mmmm
// yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm / : 'text' "text".
// "m" right after "h"/"hh" means minutes.
std::string FormatDateTime(std::string_view fmt, TDateTime value);
std::string FormatDateTime(std::string_view fmt, TDateTime value, const TFormatSettings& settings);
std::string DateToStr(TDateTime value);      // ShortDateFormat
std::string TimeToStr(TDateTime value);      // LongTimeFormat
std::string DateTimeToStr(TDateTime value);  // "c": date, and time when not midnight
std::string DateToStr(TDateTime value, const TFormatSettings& settings);
std::string TimeToStr(TDateTime value, const TFormatSettings& settings);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);

// Parses by the order of day, month and year in ShortDateFormat and the
// locale's separators. Malformed: EConvertError "'<text>' is not a valid
// date" / "... is not a valid time" / "... is not a valid date and time".
TDateTime StrToDate(std::string_view s);
TDateTime StrToTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s);
TDateTime StrToDate(std::string_view s, const TFormatSettings& settings);
TDateTime StrToTime(std::string_view s, const TFormatSettings& settings);
TDateTime StrToDateTime(std::string_view s, const TFormatSettings& settings);
[[nodiscard]] bool TryStrToDate(std::string_view s, TDateTime& value);
[[nodiscard]] bool TryStrToDateTime(std::string_view s, TDateTime& value);

}  // namespace runtime
