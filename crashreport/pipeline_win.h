#pragma once

// The report pipeline: one report at a time, built on a processing thread
// that is started with the reporter and waits for work, while the thread
// that failed waits (the main thread keeps its windows painted).

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

#include "crashreport/exception_info.h"
#include "crashreport/modules_win.h"
#include "crashreport/reporter.h"
#include "crashreport/threadstate_win.h"

namespace crashreport {

// How the exception was handled where it was raised.
enum THandlerKind : uint8_t {
    hkNone = 0,
    hkInterface = 1,    // an interface call's automatic handler
    hkThreadClass = 2,  // the thread class's own wrapper: reported when it leaves the thread
};

// What failed.
struct TFailure {
    // A language exception; empty for a fault or a hang.
    std::exception_ptr Exception;
    const std::type_info* ThrownType = nullptr;
    // A processor fault's code (0: none).
    DWORD Code = 0;
    ULONG_PTR AccessKind = 0;
    ULONG_PTR AccessAddress = 0;
    // A main thread that stopped answering.
    bool Hang = false;
    // Where it was raised (the throw's call) or faulted.
    uintptr_t Address = 0;
};

// Where the failure's stack comes from.
struct TFailurePlace {
    // The thread shown as the exception thread.
    DWORD ThreadId = 0;
    // Its registers (none: the thread's raise record, when it has one).
    const CONTEXT* Context = nullptr;
    uintptr_t StackTop = 0;
    // Frames already taken (the raise record's, or the hung thread's);
    // none: walk the thread's live stack from Context.
    const uintptr_t* Frames = nullptr;
    size_t FrameCount = 0;
    bool FirstFrameExact = true;
};

// Hands the failure to the processing thread and waits. True when nothing
// was reported (inactive, a report already running on this thread, options
// inactive) or an event cancelled the handling.
bool DispatchException(const TFailure& failure, const TFailurePlace& place,
                       THandlerKind handlerKind, TRaiserType raiserType);

// The last resort of a reporter thread that failed itself: one line to the
// standard error and the debugger, without allocating, then the process
// ends.
[[noreturn]] void ReporterThreadFailed(DWORD code);

// Whether the calling thread is one of the reporter's own.
bool IsReporterThread();
// Whether a report is being processed (its failing thread holds the
// reporter's lock).
bool ReportInProgress();

// Address of the failure most recently reported (a second route to the
// same unhandled exception is not reported again).
uintptr_t LastProcessedAddress();

// Event handlers (none in this program); each is called on the failing
// thread while its report is processed.
struct TReportEvent {
    const TExceptionDescription* Exception;
    uintptr_t Address;
    DWORD ThreadId;
    const std::string* ReportText;
};
struct TReporterEvents {
    // After the report is built; clearing `handle` cancels the handling.
    std::function<void(const TReportEvent&, bool& handle)> OnExceptionNotify;
    // 0/1 around showing, 2/3 around saving; `success` may be cleared.
    std::function<void(const TReportEvent&, int action, bool& success)> OnAction;
    // After a failed save (action 3); `retry` repeats it.
    std::function<void(const TReportEvent&, int action, bool& retry)> OnError;
    // Before showing: text for the "Other Information" section.
    std::function<void(const TReportEvent&, std::string& text)> OnCustomData;
};
void SetReporterEvents(TReporterEvents events);

// What the user chose in the report dialog; it starts from the options.
struct TDialogChoices {
    bool Send = false;
    bool Screenshot = false;
    bool CopyToClipboard = false;
};

// Presents a report to the user; the report dialog installs itself here.
// Without one, a windowed program shows the message in a message box.
struct TReportView {
    const TExceptionDescription* Exception;
    const std::string* ReportText;
    const std::string* Message;
    TDialogChoices* Choices;
};
using TReportPresenter = std::function<bool(const TReportView&)>;
void SetReportPresenter(TReportPresenter presenter);

// The module list and the current options; the processing thread's own
// while a report runs.
TVvModulesList& Modules();
TVvModuleOptionsEx& CurrentOptions();

// The log file's name for the current options.
std::u16string CurrentLogFileName();

}  // namespace crashreport
