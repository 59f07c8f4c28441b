#pragma once

// The choice of the temporary folder at start-up.

#include <optional>
#include <string>
#include <string_view>

namespace core {

// What the choice looks at, in the order it tries them. Wide: TMP usually
// lies in the user's profile, whose name the code page may not spell.
struct TempDirSources {
    std::optional<std::u16string> Tmp;   // the variable TMP
    std::optional<std::u16string> Temp;  // the variable TEMP
    std::u16string WindowsFolder;        // "" when it cannot be read
    std::u16string CurrentFolder;        // "" when it cannot be read
};

// The process's own values.
TempDirSources CurrentTempDirSources();

// The first usable of: TMP, TEMP, the Windows folder's "TEMP" (created when
// missing), the current folder; each with a trailing delimiter. Empty when
// the Windows folder cannot be read, or when the current folder is needed
// and cannot be read.
std::u16string ProbeTempDir(const TempDirSources& sources);
std::u16string ProbeTempDir();

// Whether a file can be created in `folder`: creates a temporary file there
// that disappears when closed. A file of that name that is already there is
// left untouched.
[[nodiscard]] bool CanCreateTempFile(std::u16string_view folder);

// TempDir := ProbeTempDir(). Part of the core's start-up.
void InitTempDir();

}  // namespace core
