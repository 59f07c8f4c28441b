#pragma once

// Renames a freshly written file over an existing one in one step.

#include <string_view>

namespace crashreport {

// Renames oldName to newName, replacing a file of that name, with the data
// written through to the disk first. False when the system refuses.
[[nodiscard]] bool RenameFileReplacing(std::string_view oldName, std::string_view newName);

}  // namespace crashreport
