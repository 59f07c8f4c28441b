#pragma once

// The class library's own exception classes.

#include "runtime/exceptions.h"

namespace gui {

using runtime::EOSError;
using runtime::Exception;

RUNTIME_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
RUNTIME_DECLARE_EXCEPTION(EResNotFound, Exception);
RUNTIME_DECLARE_EXCEPTION(EMenuError, Exception);
RUNTIME_DECLARE_EXCEPTION(EWin32Error, EOSError);

// Raises EWin32Error with the system's text for GetLastError().
[[noreturn]] void RaiseLastWin32Error(const char* what);

}  // namespace gui
