// Windows code pages through the platform. UTF-8 stays with the portable
// converter so both builds treat malformed input alike.

#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "runtime/strings_platform.h"

namespace runtime {

namespace {

int checkedLength(size_t size) {
    if (size > static_cast<size_t>(INT_MAX)) throw EConvertError("String too long to convert");
    return static_cast<int>(size);
}

[[noreturn]] void unknownCodePage(unsigned codePage) {
    throw EConvertError("Code page " + std::to_string(codePage) + " is not supported");
}

std::u16string toWide(std::string_view s, unsigned codePage) {
    std::u16string out;
    if (s.empty()) return out;
    const int length = checkedLength(s.size());
    out.resize(s.size());  // never more UTF-16 units than bytes
    const int written = MultiByteToWideChar(codePage, 0, s.data(), length,
                                            reinterpret_cast<wchar_t*>(out.data()), length);
    if (written <= 0) unknownCodePage(codePage);
    out.resize(static_cast<size_t>(written));
    return out;
}

// Code pages that refuse any flag or default character.
bool takesNoFlags(unsigned codePage) {
    return codePage == 42 || codePage == 65000 || (codePage >= 50220 && codePage <= 50229) ||
           codePage == 52936 || codePage == 54936 || (codePage >= 57002 && codePage <= 57011);
}

std::string fromWide(std::u16string_view s, unsigned codePage) {
    std::string out;
    if (s.empty()) return out;
    const int length = checkedLength(s.size());
    const auto* wide = reinterpret_cast<const wchar_t*>(s.data());
    // No best fit: a character the page lacks becomes "?" as the native
    // tables do, never a look-alike letter.
    const DWORD flags = takesNoFlags(codePage) ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = takesNoFlags(codePage) ? nullptr : "?";
    const int needed =
        WideCharToMultiByte(codePage, flags, wide, length, nullptr, 0, fallback, nullptr);
    if (needed <= 0) unknownCodePage(codePage);
    out.resize(static_cast<size_t>(needed));
    WideCharToMultiByte(codePage, flags, wide, length, out.data(), needed, fallback, nullptr);
    return out;
}

}  // namespace

unsigned SystemCodePage() {
    return GetACP();
}

std::u16string AnsiToWide(std::string_view s) {
    return toWide(s, CP_ACP);
}

std::string WideToAnsi(std::u16string_view s) {
    return fromWide(s, CP_ACP);
}

std::u16string CodePageToWide(std::string_view s, unsigned codePage) {
    if (codePage == CP_UTF8) return Utf8ToWide(s);
    return toWide(s, codePage);
}

std::string WideToCodePage(std::u16string_view s, unsigned codePage) {
    if (codePage == CP_UTF8) return WideToUtf8(s);
    return fromWide(s, codePage);
}

bool detail::SystemCodePageIsSingleByte() {
    static const bool singleByte = [] {
        CPINFO info{};
        return !GetCPInfo(CP_ACP, &info) || info.MaxCharSize == 1;
    }();
    return singleByte;
}

}  // namespace runtime
