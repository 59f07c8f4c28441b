// TDateTime arithmetic and FormatDateTime.

#include "runtime/datetime.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/exceptions.h"

namespace runtime {

namespace {

constexpr int64_t kMSecsPerDay = 86'400'000;
// Day numbers of 0001-01-01 and 9999-12-31, the range dates decode in.
constexpr int64_t kFirstDay = -693'593;
constexpr int64_t kLastDay = 2'958'465;
// 1899-12-30 counted from 1970-01-01.
constexpr int64_t kUnixDelta = -25'569;

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// Splits a TDateTime into its day number and the milliseconds of the time
// (rounded to the millisecond; a time that rounds to midnight moves to the
// next day, away from 1899-12-30). False when the value is out of range.
bool split(TDateTime value, int64_t& day, int64_t& msec) {
    if (!std::isfinite(value) || std::fabs(value) > 1e7) return false;
    const auto total = static_cast<int64_t>(std::llround(std::fabs(value) * MSecsPerDay));
    day = total / kMSecsPerDay;
    msec = total % kMSecsPerDay;
    if (value < 0) day = -day;
    return true;
}

// The parts of one value, computed once per FormatDateTime call.
struct Parts {
    int year = 0, month = 0, day = 0, hour = 0, min = 0, sec = 0, msec = 0, dayOfWeek = 1;
    bool hasTime = false;
};

Parts partsOf(TDateTime value) {
    Parts p;
    DecodeDate(value, p.year, p.month, p.day);
    DecodeTime(value, p.hour, p.min, p.sec, p.msec);
    p.dayOfWeek = DayOfWeek(value);
    p.hasTime = p.hour != 0 || p.min != 0 || p.sec != 0 || p.msec != 0;
    return p;
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool startsWithNoCase(std::string_view s, size_t at, std::string_view prefix) {
    if (s.size() - at < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (upper(s[at + i]) != prefix[i]) return false;
    return true;
}

// True when `fmt` holds an am/pm marker outside quotes, which makes "h"
// count hours 1..12. The whole format counts, so a marker before the hour
// ("AMPM h:nn", as East Asian locales write it) works too.
bool uses12HourClock(std::string_view fmt) {
    for (size_t i = 0; i < fmt.size(); ++i) {
        const char c = fmt[i];
        if (c == '\'' || c == '"') {
            const size_t close = fmt.find(c, i + 1);
            if (close == fmt.npos) return false;
            i = close;
        } else if (upper(c) == 'A' &&
                   (startsWithNoCase(fmt, i, "AM/PM") || startsWithNoCase(fmt, i, "A/P") ||
                    startsWithNoCase(fmt, i, "AMPM"))) {
            return true;
        }
    }
    return false;
}

class DateTimeFormatter {
  public:
    DateTimeFormatter(TDateTime value, const TFormatSettings& settings)
        : parts_(partsOf(value)), settings_(settings) {}

    std::string run(std::string_view fmt) {
        append(fmt.empty() ? std::string_view("c") : fmt, 0);
        return std::move(out_);
    }

  private:
    void number(int value, int minDigits) {
        const std::string digits = std::to_string(value);
        if (static_cast<int>(digits.size()) < minDigits)
            out_.append(minDigits - digits.size(), '0');
        out_ += digits;
    }

    // Nested formats (ddddd, t, c) expand one level deep only, so a locale
    // format that names itself cannot recurse for ever.
    void nested(std::string_view fmt, int level) {
        if (level == 0) append(fmt, 1);
    }

    void append(std::string_view fmt, int level) {
        char lastToken = 0;
        const bool twelveHour = uses12HourClock(fmt);
        for (size_t i = 0; i < fmt.size();) {
            const char c = fmt[i];
            char token = upper(c);
            if (token >= 'A' && token <= 'Z') {
                if (token == 'M' && lastToken == 'H') token = 'N';
                lastToken = token;
            }
            const auto count = [&] {
                size_t n = 1;
                while (i + n < fmt.size() && upper(fmt[i + n]) == upper(c)) ++n;
                return static_cast<int>(n);
            };
            int n = 1;
            switch (token) {
                case 'Y':
                    n = count();
                    if (n <= 2)
                        number(parts_.year % 100, 2);
                    else
                        number(parts_.year, 4);
                    break;
                case 'M':
                    n = count();
                    if (n <= 2)
                        number(parts_.month, n);
                    else if (parts_.month >= 1)
                        out_ += n == 3 ? settings_.ShortMonthNames[parts_.month - 1]
                                       : settings_.LongMonthNames[parts_.month - 1];
                    break;
                case 'D':
                    n = count();
                    if (n <= 2)
                        number(parts_.day, n);
                    else if (n == 3)
                        out_ += settings_.ShortDayNames[parts_.dayOfWeek - 1];
                    else if (n == 4)
                        out_ += settings_.LongDayNames[parts_.dayOfWeek - 1];
                    else if (n == 5)
                        nested(settings_.ShortDateFormat, level);
                    else
                        nested(settings_.LongDateFormat, level);
                    break;
                case 'H': {
                    n = count();
                    int hour = parts_.hour;
                    if (twelveHour) {
                        hour %= 12;
                        if (hour == 0) hour = 12;
                    }
                    number(hour, n >= 2 ? 2 : 1);
                    break;
                }
                case 'N':
                    n = count();
                    number(parts_.min, n >= 2 ? 2 : 1);
                    break;
                case 'S':
                    n = count();
                    number(parts_.sec, n >= 2 ? 2 : 1);
                    break;
                case 'Z':
                    n = count();
                    number(parts_.msec, n >= 3 ? 3 : 1);
                    break;
                case 'T':
                    n = count();
                    nested(n == 1 ? settings_.ShortTimeFormat : settings_.LongTimeFormat, level);
                    break;
                case 'C':
                    n = count();
                    nested(settings_.ShortDateFormat, level);
                    if (parts_.hasTime && level == 0) {
                        out_ += ' ';
                        nested(settings_.LongTimeFormat, level);
                    }
                    break;
                case 'A':
                    n = marker(fmt, i);
                    break;
                case '/':
                    out_ += settings_.DateSeparator;
                    break;
                case ':':
                    out_ += settings_.TimeSeparator;
                    break;
                case '\'':
                case '"': {
                    const size_t close = fmt.find(c, i + 1);
                    const size_t end = close == fmt.npos ? fmt.size() : close;
                    out_.append(fmt.substr(i + 1, end - i - 1));
                    n = static_cast<int>(std::min(end + 1, fmt.size()) - i);
                    break;
                }
                default:
                    out_ += c;
                    break;
            }
            i += static_cast<size_t>(n);
        }
    }

    // am/pm (as written in the format), a/p, ampm (the locale's strings), or
    // a plain "a". Returns the characters used.
    int marker(std::string_view fmt, size_t i) {
        const bool pm = parts_.hour >= 12;
        if (startsWithNoCase(fmt, i, "AM/PM")) {
            out_.append(fmt.substr(pm ? i + 3 : i, 2));
            return 5;
        }
        if (startsWithNoCase(fmt, i, "A/P")) {
            out_ += fmt[pm ? i + 2 : i];
            return 3;
        }
        if (startsWithNoCase(fmt, i, "AMPM")) {
            out_ += pm ? settings_.TimePMString : settings_.TimeAMString;
            return 4;
        }
        out_ += fmt[i];
        return 1;
    }

    Parts parts_;
    const TFormatSettings& settings_;
    std::string out_;
};

}  // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    if (month < 1 || month > 12) return 0;
    return kMonthDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    date = static_cast<double>(daysFromCivil(year, month, day) - kUnixDelta);
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 ||
        msec > 999)
        return false;
    time = (((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime date;
    if (!TryEncodeDate(year, month, day, date))
        throw EConvertError("Invalid argument to date encode");
    return date;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime time;
    if (!TryEncodeTime(hour, min, sec, msec, time))
        throw EConvertError("Invalid argument to time encode");
    return time;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
    int64_t dayNumber, msec;
    if (!split(date, dayNumber, msec) || dayNumber < kFirstDay || dayNumber > kLastDay) {
        year = month = day = 0;
        return;
    }
    civilFromDays(dayNumber + kUnixDelta, year, month, day);
}

void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec) {
    int64_t day, ms;
    if (!split(time, day, ms)) {
        hour = min = sec = msec = 0;
        return;
    }
    hour = static_cast<int>(ms / 3'600'000);
    min = static_cast<int>(ms / 60'000 % 60);
    sec = static_cast<int>(ms / 1000 % 60);
    msec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime date) {
    int64_t day, msec;
    if (!split(date, day, msec)) return 1;
    // 0001-01-01 (day -693593) was a Monday.
    const int64_t fromMonday = ((day - kFirstDay) % 7 + 7) % 7;
    return static_cast<int>((fromMonday + 1) % 7 + 1);
}

TDateTime Date() {
    return std::floor(Now());
}

TDateTime Time() {
    const TDateTime now = Now();
    return now - std::floor(now);
}

std::string FormatDateTime(std::string_view fmt, TDateTime value) {
    return FormatDateTime(fmt, value, FormatSettings());
}

std::string FormatDateTime(std::string_view fmt, TDateTime value, const TFormatSettings& settings) {
    return DateTimeFormatter(value, settings).run(fmt);
}

std::string DateToStr(TDateTime value) {
    return DateToStr(value, FormatSettings());
}

std::string TimeToStr(TDateTime value) {
    return TimeToStr(value, FormatSettings());
}

std::string DateTimeToStr(TDateTime value) {
    return DateTimeToStr(value, FormatSettings());
}

std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("ddddd", value, settings);
}

std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("tt", value, settings);
}

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("c", value, settings);
}

}  // namespace runtime
