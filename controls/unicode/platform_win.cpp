#include <windows.h>

#include "controls/unicode/conversions.h"

namespace controls::unicode {

namespace {

struct PlatformFacts {
    bool unicode;
    bool xpOrLater;
    unsigned defaultCodePage;
};

// The code page of a locale's 8-bit text, or the system's when the locale
// does not say.
unsigned AnsiCodePageOfLocale(LCID locale) {
    char buffer[6] = {};
    if (GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, buffer, sizeof buffer) > 0) {
        unsigned value = 0;
        bool digits = buffer[0] != 0;
        for (const char* p = buffer; *p != 0; ++p) {
            if (*p < '0' || *p > '9') {
                digits = false;
                break;
            }
            value = value * 10 + static_cast<unsigned>(*p - '0');
        }
        if (digits) return value;
    }
    return GetACP();
}

PlatformFacts ReadFacts() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const bool known = GetVersionExW(&info) != 0;
#pragma GCC diagnostic pop
    PlatformFacts facts{};
    facts.unicode = !known || info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    facts.xpOrLater =
        !known || (info.dwMajorVersion == 5 && info.dwMinorVersion >= 1) || info.dwMajorVersion > 5;
    facts.defaultCodePage = facts.unicode && (!known || info.dwMajorVersion >= 5)
                                ? kCodePageThreadAnsi
                                : AnsiCodePageOfLocale(GetThreadLocale());
    return facts;
}

const PlatformFacts& Facts() {
    static const PlatformFacts facts = ReadFacts();
    return facts;
}

}  // namespace

bool PlatformIsUnicode() {
    return Facts().unicode;
}

bool PlatformIsXPOrLater() {
    return Facts().xpOrLater;
}

unsigned DefaultCodePage() {
    return Facts().defaultCodePage;
}

bool WideCharFitsAnsi(char16_t ch) {
    const wchar_t wide = static_cast<wchar_t>(ch);
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int written = WideCharToMultiByte(DefaultCodePage(), 0, &wide, 1, bytes, sizeof bytes,
                                            nullptr, &usedDefault);
    return written > 0 && !usedDefault;
}

}  // namespace controls::unicode
