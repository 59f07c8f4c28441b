#pragma once

// Locale settings used by number and date formatting and parsing.
//
// One program-wide instance (the only global mutable state of the runtime
// besides the main-thread queue): set once at start from the user's default
// locale on Windows, or to US English natively. Tests replace it for a scope
// with ScopedFormatSettings. Every formatting routine also has an overload
// taking the settings explicitly, for threads that must not read the global.

#include <array>
#include <string>

namespace runtime {

struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char ListSeparator = ',';
    // Date and time formats in FormatDateTime notation ("m/d/yyyy", "h:nn:ss AMPM").
    std::string ShortDateFormat = "m/d/yyyy";
    std::string LongDateFormat = "dddd, mmmm d, yyyy";
    std::string ShortTimeFormat = "h:nn AMPM";
    std::string LongTimeFormat = "h:nn:ss AMPM";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::string CurrencyString = "$";
    unsigned char CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    unsigned char NegCurrFormat = 0;   // Windows LOCALE_INEGCURR values 0..15
    unsigned char CurrencyDecimals = 2;
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    // Two-digit years are taken within this many years before now (0: the
    // current century).
    int TwoDigitYearCenturyWindow = 50;
};

// The program-wide settings.
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

// US English, the native default.
TFormatSettings DefaultFormatSettings();
// The user's default locale (Windows); natively DefaultFormatSettings().
TFormatSettings GetLocaleFormatSettings();

// Replaces the program-wide settings for the lifetime of the object.
class ScopedFormatSettings {
  public:
    explicit ScopedFormatSettings(const TFormatSettings& settings);
    ~ScopedFormatSettings();
    ScopedFormatSettings(const ScopedFormatSettings&) = delete;
    ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

  private:
    TFormatSettings saved_;
};

}  // namespace runtime
