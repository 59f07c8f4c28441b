#include "core/program_win.h"

#include <windows.h>

#include "core/project_file.h"
#include "core/single_instance_win.h"
#include "runtime/locale.h"

namespace core {

namespace {

// Ends the class library and lets the mutex go however the routine ends.
class TProgramEnd {
  public:
    explicit TProgramEnd(const TProgramParts& parts) : parts_(parts) {}
    ~TProgramEnd() {
        // The sites the window let go at its close may still be being freed.
        WaitForReleasedProjects();
        if (started_ && parts_.EndApplication) parts_.EndApplication();
        ReleaseSingleInstance();
    }
    TProgramEnd(const TProgramEnd&) = delete;
    TProgramEnd& operator=(const TProgramEnd&) = delete;
    void Started() { started_ = true; }

  private:
    const TProgramParts& parts_;
    bool started_ = false;
};

}  // namespace

int ProgramMain(const TProgramParts& parts) {
    if (!ClaimSingleInstance()) {
        BroadcastSwitchApp();
        return 0;
    }
    TProgramEnd end(parts);
    // Numbers and dates the program writes follow the user's locale.
    ::SetThreadLocale(::GetUserDefaultLCID());
    runtime::SetFormatSettings(runtime::GetLocaleFormatSettings());

    end.Started();
    if (parts.StartApplication) parts.StartApplication();
    if (parts.CreateWindows && !parts.CreateWindows()) return 1;
    if (parts.Run) parts.Run();
    return 0;
}

}  // namespace core
