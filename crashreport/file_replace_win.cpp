#include <windows.h>

#include <string>

#include "crashreport/file_replace.h"
#include "runtime/strings.h"

namespace crashreport {

bool RenameFileReplacing(std::string_view oldName, std::string_view newName) {
    const std::u16string from = runtime::AnsiToWide(oldName);
    const std::u16string to = runtime::AnsiToWide(newName);
    return ::MoveFileExW(reinterpret_cast<const wchar_t*>(from.c_str()),
                         reinterpret_cast<const wchar_t*>(to.c_str()),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace crashreport
