#pragma once

// Reading a module's library data: its options and, unless only names are
// wanted, its debug information, from the "VVDATA" resource or from the
// block appended to the module's file.

#include <functional>
#include <string>

#include "crashreport/modules_win.h"

namespace crashreport {

// Reads the data into the record (DataVersion, CompileDate, Options,
// DebugData, Password, NamesReadable). False when the module has no library
// data or it is damaged; the record is then left as it was.
bool LoadModuleDebugData(TVvModuleInfo& info, bool namesOnly);

// Asked for the password of a module's protected debug data (the module's
// own answer, from its export, comes first); may change it. Set by the
// reporter when a handler exists.
using TPasswordRequest = std::function<void(const TVvModuleInfo& module, std::string& password)>;
void SetPasswordRequest(TPasswordRequest request);

// The code address of symbol `id` in the program's library data, or 0.
uintptr_t FindDebugSymbol(uint8_t id);

}  // namespace crashreport
