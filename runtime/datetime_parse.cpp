// StrToDate, StrToTime and StrToDateTime: numbers in the order of the
// locale's short date format, with its separators.

#include <string>
#include <string_view>

#include "runtime/datetime.h"
#include "runtime/exceptions.h"

namespace runtime {

namespace {

enum class DateOrder { MDY, DMY, YMD };

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The order of the first of d, m and y in the short date format (quoted
// text skipped); month-day-year when it names none.
DateOrder dateOrder(std::string_view fmt) {
    for (size_t i = 0; i < fmt.size(); ++i) {
        const char c = upper(fmt[i]);
        if (c == '\'' || c == '"') {
            const size_t close = fmt.find(fmt[i], i + 1);
            if (close == fmt.npos) break;
            i = close;
        } else if (c == 'D') {
            return DateOrder::DMY;
        } else if (c == 'M') {
            return DateOrder::MDY;
        } else if (c == 'Y') {
            return DateOrder::YMD;
        }
    }
    return DateOrder::MDY;
}

class Scanner {
  public:
    Scanner(std::string_view s, const TFormatSettings& settings) : s_(s), settings_(settings) {}

    bool atEnd() {
        blanks();
        return pos_ == s_.size();
    }

    bool date(TDateTime& value) {
        int n1, n2, n3 = 0, l1, l2, l3 = 0;
        if (!number(n1, l1) || !character(settings_.DateSeparator) || !number(n2, l2)) return false;
        const size_t afterTwo = pos_;
        const bool three = character(settings_.DateSeparator) && number(n3, l3);
        if (!three) pos_ = afterTwo;
        int year, month, day, yearDigits;
        const DateOrder order = dateOrder(settings_.ShortDateFormat);
        if (!three) {
            year = currentYear();
            yearDigits = 4;
            month = order == DateOrder::DMY ? n2 : n1;
            day = order == DateOrder::DMY ? n1 : n2;
        } else if (order == DateOrder::YMD) {
            year = n1, yearDigits = l1, month = n2, day = n3;
        } else if (order == DateOrder::DMY) {
            day = n1, month = n2, year = n3, yearDigits = l3;
        } else {
            month = n1, day = n2, year = n3, yearDigits = l3;
        }
        if (yearDigits <= 2 && year <= 99) year = expandYear(year);
        return TryEncodeDate(year, month, day, value);
    }

    bool time(TDateTime& value) {
        int baseHour = marker();
        int hour, min = 0, sec = 0, msec = 0, length;
        if (!number(hour, length)) return false;
        if (character(settings_.TimeSeparator)) {
            if (!number(min, length)) return false;
            if (character(settings_.TimeSeparator)) {
                if (!number(sec, length)) return false;
                if (character(settings_.DecimalSeparator) && !number(msec, length)) return false;
            }
        }
        if (baseHour < 0) baseHour = marker();
        if (baseHour >= 0) {
            if (hour == 0 || hour > 12) return false;
            if (hour == 12) hour = 0;
            hour += baseHour;
        }
        return TryEncodeTime(hour, min, sec, msec, value);
    }

  private:
    void blanks() {
        while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
    }

    // Up to nine digits, so the value cannot overflow.
    bool number(int& value, int& digits) {
        blanks();
        value = 0;
        digits = 0;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
            if (++digits > 9) return false;
            value = value * 10 + (s_[pos_++] - '0');
        }
        return digits > 0;
    }

    bool character(char c) {
        blanks();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    bool word(std::string_view w) {
        blanks();
        if (w.empty() || s_.size() - pos_ < w.size()) return false;
        for (size_t i = 0; i < w.size(); ++i)
            if (upper(s_[pos_ + i]) != upper(w[i])) return false;
        pos_ += w.size();
        return true;
    }

    // 0 after an AM marker, 12 after a PM one, -1 when there is none.
    int marker() {
        if (word(settings_.TimeAMString) || word("AM")) return 0;
        if (word(settings_.TimePMString) || word("PM")) return 12;
        return -1;
    }

    static int currentYear() {
        int year, month, day;
        DecodeDate(Date(), year, month, day);
        return year;
    }

    // A two-digit year falls in the century window before the current year
    // (or in the current century when the window is 0).
    int expandYear(int year) const {
        const int window = settings_.TwoDigitYearCenturyWindow;
        const int base = currentYear() - window;
        year += base / 100 * 100;
        if (window > 0 && year < base) year += 100;
        return year;
    }

    std::string_view s_;
    const TFormatSettings& settings_;
    size_t pos_ = 0;
};

[[noreturn]] void invalid(std::string_view s, const char* what) {
    throw EConvertError("'" + std::string(s) + "' is not a valid " + what);
}

// Each try* leaves `value` alone unless the whole text is read.
bool tryDate(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
    Scanner scan(s, settings);
    TDateTime date;
    if (!scan.date(date) || !scan.atEnd()) return false;
    value = date;
    return true;
}

bool tryTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
    Scanner scan(s, settings);
    TDateTime time;
    if (!scan.time(time) || !scan.atEnd()) return false;
    value = time;
    return true;
}

bool tryDateTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
    Scanner scan(s, settings);
    TDateTime date, time;
    if (scan.date(date)) {
        if (scan.atEnd()) {
            value = date;
            return true;
        }
        if (scan.time(time) && scan.atEnd()) {
            value = date >= 0 ? date + time : date - time;
            return true;
        }
    }
    return tryTime(s, value, settings);
}

}  // namespace

TDateTime StrToDate(std::string_view s) {
    return StrToDate(s, FormatSettings());
}

TDateTime StrToTime(std::string_view s) {
    return StrToTime(s, FormatSettings());
}

TDateTime StrToDateTime(std::string_view s) {
    return StrToDateTime(s, FormatSettings());
}

TDateTime StrToDate(std::string_view s, const TFormatSettings& settings) {
    TDateTime value;
    if (!tryDate(s, value, settings)) invalid(s, "date");
    return value;
}

TDateTime StrToTime(std::string_view s, const TFormatSettings& settings) {
    TDateTime value;
    if (!tryTime(s, value, settings)) invalid(s, "time");
    return value;
}

TDateTime StrToDateTime(std::string_view s, const TFormatSettings& settings) {
    TDateTime value;
    if (!tryDateTime(s, value, settings)) invalid(s, "date and time");
    return value;
}

bool TryStrToDate(std::string_view s, TDateTime& value) {
    return tryDate(s, value, FormatSettings());
}

bool TryStrToDateTime(std::string_view s, TDateTime& value) {
    return tryDateTime(s, value, FormatSettings());
}

}  // namespace runtime
