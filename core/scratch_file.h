#pragma once

// Internal to the temporary-folder choice: the platform's exclusive create.

#include <string>

namespace core::detail {

enum class ScratchResult { Created, Exists, Failed };

// Creates the file only when no file of that name exists, and removes it
// again at once; a file that exists is not opened.
ScratchResult CreateScratchFile(const std::string& name);

// The running process's identifier, for names of its own.
unsigned long CurrentProcessID();

}  // namespace core::detail
