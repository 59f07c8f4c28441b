#pragma once

namespace core {

// OldWindows := the system's version cannot be read or its major version is
// below 5; answers it. Natively the system is never old.
bool CheckOldWindows();

}  // namespace core
