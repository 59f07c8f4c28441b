#include "core/program_win.h"

#include <windows.h>

#include "core/single_instance_win.h"
#include "runtime/locale.h"

namespace core {

int ProgramMain() {
    if (!ClaimSingleInstance()) {
        BroadcastSwitchApp();
        return 0;
    }
    // Numbers and dates the program writes follow the user's locale.
    ::SetThreadLocale(::GetUserDefaultLCID());
    runtime::SetFormatSettings(runtime::GetLocaleFormatSettings());

    // The application object, the main window and its dialogs are not part
    // of the program yet, so there is no message loop to run.
    ReleaseSingleInstance();
    return 0;
}

}  // namespace core
