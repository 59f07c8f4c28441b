#pragma once

// The exception reporter, as the program sees it. Started first of all
// start-up work, it watches the whole process: a C++ exception that nobody
// catches, one that escapes a runtime thread, a processor fault (access
// violation, division by zero, stack overflow, ...) and, when the options
// ask, a main thread that stops answering. Each produces a report with the
// call stacks of every thread, the modules, the system and the registers,
// which is shown, appended to the text log and sent as the options say;
// then the program goes on, restarts or ends.
//
// A framework's catch-all handler (the window procedure's catch) hands the
// exception it caught to ExceptionManager.

#include <exception>
#include <functional>
#include <string>

#include "crashreport/options_ex_win.h"

namespace crashreport {

// Who raised: the reporter's own interception, a windowing framework's
// handler, or a web framework's.
enum TRaiserType : uint8_t { rtHook = 0, rtFramework = 1, rtWeb = 2 };

struct TReporterSetup {
    // The per-user data folder: the log goes there when the options name no
    // output path.
    std::u16string DataFolder;
};

// Starts the reporter: thread blocks, the processing thread, the
// interception and the freeze watch. A second call does nothing.
void InitExceptionReporting(const TReporterSetup& setup);
// Waits for a report in progress and puts everything back.
void DoneExceptionReporting();
[[nodiscard]] bool ExceptionReportingActive();

// Reports the exception a framework's handler caught. True when the
// framework should go on with its own handling (nothing was reported, or an
// event cancelled the reporter's handling).
bool ExceptionManager(const std::exception_ptr& exception, TRaiserType raiserType = rtFramework);

// Asks for the program to end (action 1: and start again) after the report
// being processed, or after the next one.
void SetTerminateAction(uint8_t action);

// The options of the program (the module running the reporter).
// EAssertionFailed when the reporter has not started.
TVvModuleOptionsEx& CurrentVuvuvuVozOptions();

}  // namespace crashreport
