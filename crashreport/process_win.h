#pragma once

// The steps of one report, run on the processing thread.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "crashreport/pipeline_win.h"
#include "runtime/datetime.h"

namespace crashreport {

// Failures of the reporter's own steps, by kind.
enum TVuvuvuVozErrorCode {
    eeNone,
    eeShowError,
    eeLogError,
    eeEmailMAPIError,
    eeEmailShellError,
    eeEmailSMTPError,
    eeWebHTTPError,
    eeWebHTTPSError,
    eeWebFTPError,
};

// The reporter's state across reports.
struct TProcessContext {
    std::string DataFolder;
    runtime::TDateTime StartTime = 0;
    std::string StartFolder;
    DWORD MainThreadId = 0;
    uintptr_t MainStackTop = 0;
    int ErrorCount = 0;
    runtime::TDateTime ExceptionTime = 0;
    // Times of the last reports, oldest first (the repeated-crash rule).
    std::vector<runtime::TDateTime> RepeatCrashTimes;
    int Step = 0;
    bool TerminateRequest = false;
    // The last failure of a show, log or send step.
    TVuvuvuVozErrorCode LastWarningCode = eeNone;
    std::string LastWarning;
    // The report of the failure being processed.
    std::string ReportText;
    std::string HeaderText;
    std::string CpuText;
    std::string LastExceptMessage;
    bool Duplicate = false;
};

TProcessContext& ProcessContext();

// One report: true only when an event cancelled the reporter's handling.
bool ProcessException(TProcessContext& context, const TFailure& failure, const TFailurePlace& place,
                      THandlerKind handlerKind, TRaiserType raiserType);

// Starts the program again (when asked) and ends this process with code 1.
[[noreturn]] void RestartOrTerminate(const TProcessContext& context, bool restart);

// A failure of the reporter itself at `step`: told to a debugger and
// written beside the program, when one watches.
void ReportInternalError(const TProcessContext& context, const std::string& step);
void ReportInternalWarning(TProcessContext& context, TVuvuvuVozErrorCode code,
                           const std::string& message);

// Runs an event call on the failing thread (or here, when it cannot).
void RunInFaultingThread(const std::function<void()>& call, bool failingThreadCanRun);
TReporterEvents CurrentEvents();
TReportPresenter CurrentPresenter();
void NoteProcessedAddress(uintptr_t address);

}  // namespace crashreport
