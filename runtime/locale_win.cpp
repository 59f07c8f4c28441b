// The user's default locale on Windows.

#include <windows.h>

#include <string>
#include <string_view>

#include "runtime/locale.h"
#include "runtime/strings.h"
#include "runtime/strings_platform.h"

namespace runtime {

namespace {

std::u16string localeInfo(LCTYPE type) {
    wchar_t buffer[256];
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 256);
    if (length <= 1) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), length - 1);
}

std::string text(LCTYPE type, std::string fallback) {
    const std::u16string value = localeInfo(type);
    return value.empty() ? fallback : WideToAnsi(value);
}

// One separator character in the system code page. Narrow and thin
// no-break spaces (French, Swiss) have no 8-bit form; the no-break space
// stands in for them.
char separator(LCTYPE type, char fallback) {
    std::u16string value = localeInfo(type);
    if (value.empty()) return fallback;
    if (value[0] == 0x202F || value[0] == 0x2009) value[0] = 0x00A0;
    const std::string ansi = WideToAnsi(value.substr(0, 1));
    return ansi.size() == 1 && (ansi[0] != '?' || value[0] == u'?') ? ansi[0] : fallback;
}

int number(LCTYPE type, int fallback, int low, int high) {
    const std::u16string value = localeInfo(type);
    if (value.empty()) return fallback;
    int n = 0;
    for (char16_t c : value) {
        if (c < u'0' || c > u'9') return fallback;
        n = n * 10 + (c - u'0');
        if (n > high) return fallback;
    }
    return n < low ? fallback : n;
}

std::string picture(LCTYPE type, std::string_view fallback) {
    const std::u16string value = localeInfo(type);
    if (value.empty()) return std::string(fallback);
    return detail::LocalePictureToFormat(WideToAnsi(value));
}

}  // namespace

TFormatSettings GetLocaleFormatSettings() {
    TFormatSettings s = DefaultFormatSettings();
    s.DecimalSeparator = separator(LOCALE_SDECIMAL, s.DecimalSeparator);
    s.ThousandSeparator = separator(LOCALE_STHOUSAND, s.ThousandSeparator);
    s.DateSeparator = separator(LOCALE_SDATE, s.DateSeparator);
    s.TimeSeparator = separator(LOCALE_STIME, s.TimeSeparator);
    s.ListSeparator = separator(LOCALE_SLIST, s.ListSeparator);
    s.ShortDateFormat = picture(LOCALE_SSHORTDATE, s.ShortDateFormat);
    s.LongDateFormat = picture(LOCALE_SLONGDATE, s.LongDateFormat);
    s.LongTimeFormat = picture(LOCALE_STIMEFORMAT, s.LongTimeFormat);
    s.ShortTimeFormat = picture(LOCALE_SSHORTTIME, detail::ShortTimeFromLong(s.LongTimeFormat));
    // 24-hour locales have no markers; the strings stay empty as there.
    s.TimeAMString = WideToAnsi(localeInfo(LOCALE_S1159));
    s.TimePMString = WideToAnsi(localeInfo(LOCALE_S2359));
    s.CurrencyString = text(LOCALE_SCURRENCY, s.CurrencyString);
    s.CurrencyFormat = static_cast<unsigned char>(number(LOCALE_ICURRENCY, 0, 0, 3));
    s.NegCurrFormat = static_cast<unsigned char>(number(LOCALE_INEGCURR, 0, 0, 15));
    s.CurrencyDecimals = static_cast<unsigned char>(number(LOCALE_ICURRDIGITS, 2, 0, 18));
    for (int i = 0; i < 12; ++i) {
        s.ShortMonthNames[i] = text(LOCALE_SABBREVMONTHNAME1 + i, s.ShortMonthNames[i]);
        s.LongMonthNames[i] = text(LOCALE_SMONTHNAME1 + i, s.LongMonthNames[i]);
    }
    // Windows counts days from Monday (DAYNAME1); the settings from Sunday.
    for (int i = 0; i < 7; ++i) {
        const LCTYPE day = static_cast<LCTYPE>((i + 6) % 7);
        s.ShortDayNames[i] = text(LOCALE_SABBREVDAYNAME1 + day, s.ShortDayNames[i]);
        s.LongDayNames[i] = text(LOCALE_SDAYNAME1 + day, s.LongDayNames[i]);
    }
    return s;
}

}  // namespace runtime
