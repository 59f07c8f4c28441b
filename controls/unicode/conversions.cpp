#include "controls/unicode/conversions.h"

#include "runtime/strings.h"

namespace controls::unicode {

std::string WideStringToUTF8(std::u16string_view text) {
    return runtime::WideToUtf8(text);
}

std::u16string UTF8ToWideString(std::string_view text) {
    if (!runtime::IsValidUtf8(text)) return {};
    return runtime::Utf8ToWide(text);
}

std::u16string CodePageToWide(std::string_view text, unsigned codePage) {
    switch (codePage) {
        case kCodePageUTF7:
            return UTF7ToWideString(text);
        case kCodePageUTF8:
            return UTF8ToWideString(text);
        default:
            return runtime::CodePageToWide(text, codePage);
    }
}

std::string WideToCodePage(std::u16string_view text, unsigned codePage) {
    switch (codePage) {
        case kCodePageUTF7:
            return WideStringToUTF7(text);
        case kCodePageUTF8:
            return WideStringToUTF8(text);
        default:
            return runtime::WideToCodePage(text, codePage);
    }
}

std::u16string WideResString(std::string_view text) {
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    if (text.size() > kUtf8Mark.size() && text.substr(0, kUtf8Mark.size()) == kUtf8Mark)
        return UTF8ToWideString(text.substr(kUtf8Mark.size()));
    return runtime::AnsiToWide(text);
}

}  // namespace controls::unicode
