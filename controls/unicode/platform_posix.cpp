// Natively the wide text is the only text and there are no Windows versions:
// the platform answers as a current Windows does, with the system code
// page for 8-bit text.

#include "controls/unicode/conversions.h"
#include "runtime/strings.h"

namespace controls::unicode {

bool PlatformIsUnicode() {
    return true;
}

bool PlatformIsXPOrLater() {
    return true;
}

unsigned DefaultCodePage() {
    return runtime::SystemCodePage();
}

bool WideCharFitsAnsi(char16_t ch) {
    const std::u16string_view one(&ch, 1);
    return runtime::CodePageToWide(runtime::WideToCodePage(one, DefaultCodePage()),
                                   DefaultCodePage()) == one;
}

}  // namespace controls::unicode
