#pragma once

// The choice of the temporary folder at start-up.

#include <optional>
#include <string>
#include <string_view>

namespace core {

// What the choice looks at, in the order it tries them.
struct TempDirSources {
    std::optional<std::string> Tmp;   // the variable TMP
    std::optional<std::string> Temp;  // the variable TEMP
    std::string WindowsFolder;        // "" when it cannot be read
    std::string CurrentFolder;        // "" when it cannot be read
};

// The process's own values.
TempDirSources CurrentTempDirSources();

// The first usable of: TMP, TEMP, the Windows folder's "TEMP" (created when
// missing), the current folder; each with a trailing delimiter. Empty when
// the Windows folder cannot be read, or when the current folder is needed
// and cannot be read.
std::string ProbeTempDir(const TempDirSources& sources);
std::string ProbeTempDir();

// Whether a file can be created in `folder`: creates a temporary file there
// that disappears when closed. A file of that name that is already there is
// left untouched.
[[nodiscard]] bool CanCreateTempFile(std::string_view folder);

// TempDir := ProbeTempDir(). Part of the core's start-up.
void InitTempDir();

}  // namespace core
