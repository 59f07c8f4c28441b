#pragma once

// The platform's last error: GetLastError on Windows, errno natively.

#include <string>

namespace runtime::os {

int LastOSError();
// The system's text for an error number, without the trailing full stop and
// line break; 8-bit, system code page.
std::string SysErrorMessage(int errorCode);

}  // namespace runtime::os
