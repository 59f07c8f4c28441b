#include "core/tempdir.h"

#include "core/scratch_file.h"
#include "core/state.h"
#include "runtime/os/environment.h"
#include "runtime/os/files.h"
#include "runtime/os/folders.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace core {

namespace {

// Tries for a name of this process's own when someone else's file holds
// the usual name.
constexpr int OwnNameAttempts = 8;

bool usable(const std::optional<std::string>& folder) {
    return folder && !folder->empty() && CanCreateTempFile(*folder);
}

}  // namespace

TempDirSources CurrentTempDirSources() {
    return TempDirSources{runtime::os::GetEnv("TMP"), runtime::os::GetEnv("TEMP"),
                          runtime::os::WindowsFolder(), runtime::os::GetCurrentDir()};
}

bool CanCreateTempFile(std::string_view folder) {
    using detail::ScratchResult;
    const std::string base = runtime::os::IncludeTrailingPathDelimiter(folder);
    ScratchResult result = detail::CreateScratchFile(base + "$$$tmp__.tmp");
    const std::string own =
        base + "$$$tmp__" + runtime::UIntToStr(detail::CurrentProcessID()) + "_";
    for (int attempt = 0; result == ScratchResult::Exists && attempt < OwnNameAttempts; ++attempt) {
        result = detail::CreateScratchFile(own + runtime::IntToStr(attempt) + ".tmp");
    }
    return result == ScratchResult::Created;
}

std::string ProbeTempDir(const TempDirSources& sources) {
    using runtime::os::IncludeTrailingPathDelimiter;
    if (usable(sources.Tmp)) return IncludeTrailingPathDelimiter(*sources.Tmp);
    if (usable(sources.Temp)) return IncludeTrailingPathDelimiter(*sources.Temp);
    if (sources.WindowsFolder.empty()) return std::string();
    const std::string windowsTemp =
        IncludeTrailingPathDelimiter(IncludeTrailingPathDelimiter(sources.WindowsFolder) + "TEMP");
    if (CanCreateTempFile(windowsTemp) ||
        runtime::os::CreateDir(runtime::os::ExcludeTrailingPathDelimiter(windowsTemp))) {
        return windowsTemp;
    }
    if (sources.CurrentFolder.empty()) return std::string();
    return IncludeTrailingPathDelimiter(sources.CurrentFolder);
}

std::string ProbeTempDir() {
    return ProbeTempDir(CurrentTempDirSources());
}

void InitTempDir() {
    TempDir = ProbeTempDir();
}

}  // namespace core
