#include <windows.h>

#include "controls/unicode/chartype.h"
#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/os/errors.h"

namespace controls::unicode {

uint16_t GetWideCharType(char16_t ch, uint32_t infoType) {
    const wchar_t text = static_cast<wchar_t>(ch);
    WORD type = 0;
    if (!GetStringTypeExW(LOCALE_USER_DEFAULT, infoType, &text, 1, &type)) {
        const int code = runtime::os::LastOSError();
        throw runtime::EOSError(runtime::Format("System Error.  Code: %d.\r\n%s",
                                                {code, runtime::os::SysErrorMessage(code)}));
    }
    return type;
}

}  // namespace controls::unicode
