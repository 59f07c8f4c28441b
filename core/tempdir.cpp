#include "core/tempdir.h"

#include "core/state.h"
#include "runtime/os/environment.h"
#include "runtime/os/files.h"
#include "runtime/os/folders.h"
#include "runtime/os/paths.h"
#include "runtime/os/thread_info.h"
#include "runtime/strings.h"

namespace core {

namespace {

// Tries for a name of this process's own when someone else's file holds
// the usual name.
constexpr int OwnNameAttempts = 8;

using runtime::os::TCreateNewResult;

// Creates the file only when no file of that name exists, and removes it
// again at once; a file that exists is left alone.
TCreateNewResult createScratchFile(const std::u16string& name) {
    const TCreateNewResult result = runtime::os::CreateNewFile(name);
    if (result == TCreateNewResult::Created) (void)runtime::os::DeleteFile(name);
    return result;
}

bool usable(const std::optional<std::u16string>& folder) {
    return folder && !folder->empty() && CanCreateTempFile(*folder);
}

}  // namespace

TempDirSources CurrentTempDirSources() {
    return TempDirSources{runtime::os::WideGetEnv(u"TMP"), runtime::os::WideGetEnv(u"TEMP"),
                          runtime::os::WideWindowsFolder(), runtime::os::WideGetCurrentDir()};
}

bool CanCreateTempFile(std::u16string_view folder) {
    using runtime::AnsiToWide;
    const std::u16string base = runtime::os::IncludeTrailingPathDelimiter(folder);
    TCreateNewResult result = createScratchFile(base + u"$$$tmp__.tmp");
    const std::u16string own =
        base + u"$$$tmp__" + AnsiToWide(runtime::UIntToStr(runtime::os::CurrentProcessID())) + u"_";
    for (int attempt = 0; result == TCreateNewResult::Exists && attempt < OwnNameAttempts;
         ++attempt) {
        result = createScratchFile(own + AnsiToWide(runtime::IntToStr(attempt)) + u".tmp");
    }
    return result == TCreateNewResult::Created;
}

std::u16string ProbeTempDir(const TempDirSources& sources) {
    using runtime::os::IncludeTrailingPathDelimiter;
    if (usable(sources.Tmp)) return IncludeTrailingPathDelimiter(*sources.Tmp);
    if (usable(sources.Temp)) return IncludeTrailingPathDelimiter(*sources.Temp);
    if (sources.WindowsFolder.empty()) return std::u16string();
    const std::u16string windowsTemp =
        IncludeTrailingPathDelimiter(IncludeTrailingPathDelimiter(sources.WindowsFolder) + u"TEMP");
    if (CanCreateTempFile(windowsTemp) ||
        runtime::os::CreateDir(runtime::os::ExcludeTrailingPathDelimiter(windowsTemp))) {
        return windowsTemp;
    }
    if (sources.CurrentFolder.empty()) return std::u16string();
    return IncludeTrailingPathDelimiter(sources.CurrentFolder);
}

std::u16string ProbeTempDir() {
    return ProbeTempDir(CurrentTempDirSources());
}

void InitTempDir() {
    TempDir = ProbeTempDir();
}

}  // namespace core
