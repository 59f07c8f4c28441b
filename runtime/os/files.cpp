#include "runtime/os/files.h"

#include "runtime/os/paths.h"

namespace runtime::os {

bool ForceDirectories(std::string_view path) {
    if (path.empty()) return false;
    if (DirectoryExists(path)) return true;
    const std::string folder = ExcludeTrailingPathDelimiter(path);
    // Each step is strictly shorter, so the walk up ends at a root, a drive
    // or the first relative name.
    const std::string parent = ExtractFilePath(folder);
    if (!parent.empty() && parent.size() < path.size() && !ForceDirectories(parent)) return false;
    // Another thread or process may have made it meanwhile.
    return CreateDir(folder) || DirectoryExists(folder);
}

}  // namespace runtime::os
