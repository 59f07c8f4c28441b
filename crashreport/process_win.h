#pragma once

// The steps of one report, run on the processing thread.

#include <windows.h>

#include <exception>
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
    std::u16string DataFolder;
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

// A failure of the reporter itself: the step that failed (its number), the
// exception that ended it and where that was raised.
struct TInternalError {
    std::string Step;
    uintptr_t Address = 0;
    // The exception's message, or "General internal error.".
    std::string Message;
    // The 32 code bytes at Address as "$XX " each, when readable.
    std::string Dump;
    // A silent abort, which is no failure.
    bool Abort = false;
};
TInternalError DescribeInternalError(const std::string& step, const std::exception_ptr& error,
                                     uintptr_t address);
// The text of the internal-error file, dated `date`.
std::string InternalErrorFileText(const TInternalError& error, const std::string& date);
// Tells a debugger and writes the file (named as the program, with
// ".log"), only when a debugger watches.
void ReportInternalError(const TInternalError& error);
void ReportInternalWarning(TProcessContext& context, TVuvuvuVozErrorCode code,
                           const std::string& message);

// Runs an event call on the failing thread (or here, when it cannot).
void RunInFaultingThread(const std::function<void()>& call, bool failingThreadCanRun);
TReporterEvents CurrentEvents();
TReportPresenter CurrentPresenter();
void NoteProcessedAddress(uintptr_t address);

}  // namespace crashreport
