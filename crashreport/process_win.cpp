#include "crashreport/process_win.h"

#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "crashreport/logfile.h"
#include "crashreport/logitem.h"
#include "crashreport/memory_win.h"
#include "crashreport/stackwalk_win.h"
#include "crashreport/sysinfo_win.h"
#include "crashreport/texthelpers.h"
#include "runtime/os/files.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace crashreport {

namespace {

// Frames kept per thread that is not the failing one.
constexpr size_t otherThreadFrames = 256;
// The report's stack dump: 16 slots of 8 bytes, and 256 bytes of code.
constexpr size_t dumpSlots = 16;
constexpr size_t dumpBytes = 256;

const std::vector<std::string> duplicateIds = {"2.2", "2.3", "2.4", "2.5"};

// Names the code at `address` from its module's debug data, else from the
// module's exports.
TVvDebugInfo lookupDebugInfo(TVvModulesList& modules, uintptr_t address, bool exact, DWORD threadId,
                             bool running) {
    TVvDebugInfo e;
    e.ThreadId = threadId;
    e.Running = running;
    e.Address = exact ? address : CallSiteOf(address);
    TVvModuleInfo* module = modules.FindModuleInfoByAddress(e.Address);
    e.ModuleInfo = module;
    if (module == nullptr) return e;
    e.Kind = dkModule;
    TSourcePosition position;
    const uintptr_t codeBase = module->Handle + CodeBaseOffset;
    if (module->DebugData && e.Address >= codeBase &&
        module->DebugData->Lookup(static_cast<uint32_t>(e.Address - codeBase), position)) {
        e.Kind = dkLine;
        e.UnitName = position.UnitName;
        e.ClassName = position.ClassName;
        e.ProcedureName = position.ProcedureName;
        e.Line = position.Line;
        e.LineOffset = position.LineOffset;
        return e;
    }
    const auto& functions = module->Functions;
    auto it = std::upper_bound(functions.begin(), functions.end(), e.Address,
                               [](uintptr_t a, const TVvFunctionInfo& f) { return a < f.Address; });
    if (it != functions.begin() && e.Address < std::prev(it)->Address + std::prev(it)->Size) {
        ParseExportName(std::prev(it)->Name, "", e);
    }
    return e;
}

// Appends one stack's frames, named, and hides what repeats within it.
void appendFrames(TVvStackList& list, TVvModulesList& modules, const uintptr_t* frames,
                  size_t count, bool firstExact, DWORD threadId, bool running) {
    const size_t first = list.size();
    for (size_t i = 0; i < count; ++i) {
        list.push_back(
            lookupDebugInfo(modules, frames[i], i == 0 && firstExact, threadId, running));
    }
    FilterCallStack(list, first);
}

// A thread of the list as a report sees it, copied while the list is read.
struct ListedThread {
    DWORD Id;
    HANDLE Handle;
    uintptr_t StackTop;
    bool ThreadObject;
    std::string Class;
    int32_t Priority;
    std::vector<uintptr_t> CreatorTrace;
    DWORD CreatorId;
};

std::vector<ListedThread> listThreads() {
    std::vector<ListedThread> threads;
    ForEachThreadState([&](TThreadState& s) {
        threads.push_back(
            {s.ThreadId.load(), s.Handle.Get(), s.StackTop, s.ThreadObject, s.ThreadClass,
             s.Priority,
             std::vector<uintptr_t>(s.CreatorTrace, s.CreatorTrace + s.CreatorTraceCount),
             s.CreatorId});
    });
    return threads;
}

const ListedThread* findListed(const std::vector<ListedThread>& threads, DWORD id) {
    for (const ListedThread& t : threads) {
        if (t.Id == id) return &t;
    }
    return nullptr;
}

// Suspends a thread that is sure not to hold the heaps' locks: they are
// held here while it stops, so the report can still allocate.
bool suspendOutsideHeaps(HANDLE thread) {
    HANDLE heaps[] = {::GetProcessHeap(), reinterpret_cast<HANDLE>(_get_heap_handle())};
    for (HANDLE heap : heaps) ::HeapLock(heap);
    const bool suspended = ::SuspendThread(thread) != static_cast<DWORD>(-1);
    for (HANDLE heap : heaps) ::HeapUnlock(heap);
    return suspended;
}

std::string threadCaption(const TVvModuleOptions& o, const std::vector<ListedThread>& threads,
                          DWORD mainId, const TCallStackRow& row, bool first) {
    std::string caption = " ";
    caption += first ? o.GetText(69) : row.Running ? o.GetText(70) : o.GetText(71);
    caption += ": ";
    const ListedThread* t = findListed(threads, row.ThreadId);
    std::string priority;
    if (t != nullptr) {
        int32_t value = t->Priority;
        if (value == NoPriority && t->Handle != nullptr) value = ::GetThreadPriority(t->Handle);
        if (value != static_cast<int32_t>(THREAD_PRIORITY_ERROR_RETURN))
            priority = std::to_string(value);
    }
    caption +=
        o.GetText(72) + "=" + std::to_string(row.ThreadId) + "; " + o.GetText(73) + "=" + priority;
    caption += "; " + o.GetText(74) + "=" + (t != nullptr ? t->Class : std::string());
    if (row.ThreadId == mainId) caption += "; [" + o.GetText(68) + "]";
    return caption;
}

TCpuState cpuState(const CONTEXT* c, uintptr_t address) {
    TCpuState cpu;
    if (c == nullptr || c->ContextFlags == 0) return cpu;
    cpu.Registers = std::array<uint64_t, RegisterCount>{
        c->Rax, c->Rdi, c->Rbx, c->Rsi, c->Rcx, c->Rsp, c->Rdx, c->Rip, c->R8,
        c->R12, c->R9,  c->R13, c->R10, c->R14, c->R11, c->R15, c->Rbp, c->EFlags};
    cpu.StackPoint = c->Rsp;
    cpu.DumpAddress = address;
    std::vector<uint64_t> stack(dumpSlots);
    std::vector<uint8_t> dump(dumpBytes);
    if (SafeRead(c->Rsp, stack.data(), stack.size() * sizeof stack[0]) &&
        SafeRead(address, dump.data(), dump.size())) {
        cpu.Stack = std::move(stack);
        cpu.Dump = std::move(dump);
    }
    return cpu;
}

std::string messageWithPoint(const TExceptionDescription& d) {
    if (!d.HasMessage) return "Unknown error message.";
    if (d.Message.empty() || d.Message.back() == '.') return d.Message;
    return d.Message + ".";
}

// Everything one report gathers and writes.
struct Report {
    TExceptionDescription Exception;
    TVvStackList Stack;
    std::string AddressText;
    std::string ModuleName;
    std::vector<std::string> DuplicateKeys;
    std::string MailCopy;
};

// Writes the report to the standard output of a console program.
bool writeConsole(const TVvModuleOptions& o, const std::string& report) {
    const std::string text = o.GetText(3) + "\r\n\r\n" + report + "\r\n";
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    return out != nullptr && out != INVALID_HANDLE_VALUE &&
           ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

bool duplicateInLog(const std::u16string& logName, const std::vector<std::string>& keys) {
    try {
        return TLogFile(logName).FindDuplicate(duplicateIds, keys);
    } catch (...) {
        return false;
    }
}

void copyToClipboard(const std::string& text) {
    if (!::OpenClipboard(FindMainWindow(::GetCurrentProcessId()))) return;
    ::EmptyClipboard();
    if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        if (void* bytes = ::GlobalLock(memory)) {
            std::memcpy(bytes, text.c_str(), text.size() + 1);
            ::GlobalUnlock(memory);
            if (::SetClipboardData(CF_TEXT, memory) == nullptr) ::GlobalFree(memory);
        }
    }
    ::CloseClipboard();
}

// The report's text: header, call stacks, modules, registers.
void buildReport(TProcessContext& context, Report& r, const TFailure& failure,
                 const CONTEXT* registers, const std::vector<ListedThread>& threads) {
    TVvModuleOptionsEx& o = CurrentOptions();
    TVvModulesList& modules = Modules();
    const int offset = UtcOffsetMinutes();
    TReportHeader h;
    h.Windowed = !IsConsoleProgram();
    h.StartDate = FormatReportDate(context.StartTime, offset);
    TVvModuleInfo* program =
        modules.FindModuleInfo(reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr)));
    if (program != nullptr) {
        h.Name = program->Description.size() > 1 ? program->Description
                                                 : runtime::os::ExtractFileName(program->FileName);
        h.Version = program->Version;
        if (program->CompileDate != 0) {
            h.CompilationDate = FormatReportDate(program->CompileDate + offset / 1440.0, offset);
        }
    }
    h.Parameters = CommandLineParameters();
    h.ExceptionDate = FormatReportDate(context.ExceptionTime, offset);
    h.Address = r.AddressText;
    h.Module = r.ModuleName;
    h.Type = r.Exception.Valid ? r.Exception.ClassName() : "Unknown exception type.";
    h.Message = messageWithPoint(r.Exception);
    if (h.Windowed) FillActiveControls(h, context.MainThreadId);
    FillSystemValues(h);
    r.DuplicateKeys = {h.Address, h.Module, h.Type, h.Message};
    context.HeaderText = BuildReportItems(o, h);

    std::vector<TCallStackRow> rows;
    for (const TVvDebugInfo& e : r.Stack) {
        if (!ShownInCallStack(o, e.Kind)) continue;
        rows.push_back({e.ThreadId, e.Running, e.Address,
                        e.ModuleInfo != nullptr
                            ? runtime::os::ExtractFileName(e.ModuleInfo->FileName)
                            : std::string(),
                        e.UnitName, e.ClassName, e.ProcedureName, e.Line, e.LineOffset});
    }
    std::string stacks = BuildCallStackSection(o, rows, [&](const TCallStackRow& row, bool first) {
        return threadCaption(o, threads, context.MainThreadId, row, first);
    });
    std::vector<TModuleRow> moduleRows;
    for (int i = 0; i < modules.Count(); ++i) {
        const TVvModuleInfo& m = modules.Item(i);
        moduleRows.push_back({m.Handle, runtime::os::ExtractFileName(m.FileName), m.Description,
                              m.Version, m.Size, m.FileDate, ModuleFolder(m)});
    }
    stacks += BuildModulesSection(o, moduleRows);
    context.CpuText = BuildCpuSection(o, cpuState(registers, failure.Address));
    context.ReportText = JoinReport(context.HeaderText, stacks, context.CpuText);
    r.MailCopy = context.ReportText;
}

// The log step: append the report (unless it repeats a logged one), keeping
// the newest entries.
bool saveLogFile(TProcessContext& context, Report& r, const TReportEvent& event,
                 const TReporterEvents& events, bool failingThreadRuns) {
    TVvModuleOptionsEx& o = CurrentOptions();
    bool success = true;
    context.LastWarningCode = eeNone;
    if (events.OnAction)
        RunInFaultingThread([&] { events.OnAction(event, 2, success); }, failingThreadRuns);
    bool retry = false;
    do {
        retry = false;
        try {
            TLogFile log(CurrentLogFileName());
            if (!context.Duplicate) {
                log.AddEntry(context.ReportText, o.LogEntriesKept());
                if (o.SendFlags() & sfWholeLog) r.MailCopy = log.Text();
                if (success) log.Save();
            }
        } catch (const std::exception& e) {
            ReportInternalWarning(context, eeLogError, std::string("[Log] ") + e.what());
            success = false;
        }
        if (!success && events.OnError) {
            RunInFaultingThread([&] { events.OnError(event, 3, retry); }, failingThreadRuns);
            if (retry) success = true;
        }
    } while (retry);
    if (events.OnAction)
        RunInFaultingThread([&] { events.OnAction(event, 3, success); }, failingThreadRuns);
    return success;
}

}  // namespace

bool ProcessException(TProcessContext& context, const TFailure& failure, const TFailurePlace& place,
                      THandlerKind handlerKind, TRaiserType raiserType) {
    TVvModulesList& modules = Modules();
    TVvModuleOptionsEx& o = CurrentOptions();
    const DWORD failingThread = place.ThreadId;
    context.Step = 1;
    context.ExceptionTime = runtime::Now();
    const std::vector<ListedThread> threads = listThreads();
    if (failure.Address != 0) NoteProcessedAddress(failure.Address);

    context.Step = 2;
    modules.DropChangedModules();

    // The options and debug data of the module where it happened, else the
    // program's.
    context.Step = 101;
    const auto program = reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr));
    TVvModuleInfo* module = modules.FindModuleInfoByAddress(failure.Address);
    TVvModuleInfo* own = modules.FindModuleInfo(program);
    if (module == nullptr || !module->DebugData) module = own;
    if ((module == nullptr || (o.BehaviourFlags() & bfMainModuleData)) && own != nullptr &&
        own->DebugData) {
        module = own;
    }
    context.Step = 104;
    if (module != nullptr) {
        o.Assign(module->Options.get());
        o.SetModuleName(module->FileName);
    }

    // The program's main window comes to the front for its report.
    if (raiserType == rtFramework || (raiserType == rtHook && !IsConsoleProgram())) {
        if (HWND main = FindMainWindow(::GetCurrentProcessId())) {
            if (::IsIconic(main)) {
                ::PostMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);
                ::ShowWindowAsync(main, SW_SHOW);
            } else {
                ::SetForegroundWindow(::GetLastActivePopup(main));
            }
        }
    }

    Report r;
    TVvModuleInfo* where = modules.FindModuleInfoByAddress(failure.Address);
    r.ModuleName = where != nullptr ? runtime::os::ExtractFileName(where->FileName) : std::string();
    r.AddressText = failure.Address != 0
                        ? runtime::IntToHex(static_cast<int64_t>(failure.Address), 16)
                        : std::string();
    if (failure.Hang) {
        r.Exception = DescribeHang(o.FrozenText());
    } else if (failure.Code != 0) {
        r.Exception = DescribeFault(failure.Code, failure.Address, r.ModuleName, failure.AccessKind,
                                    failure.AccessAddress);
    } else {
        r.Exception = DescribeLanguageException(failure.Exception, failure.ThrownType);
    }
    // Nothing to report: no exception at all, a silent abort, or a module
    // whose reporting is off; whoever handles it goes on as without us.
    if (!r.Exception.Valid || r.Exception.InheritsFrom("EAbort") ||
        (module != nullptr && module->Options && module->Options->Active() == 0)) {
        return true;
    }

    context.Step = 201;
    if (handlerKind != hkThreadClass && o.FilterActive()) {
        const auto& classes = o.FilterClasses();
        for (size_t i = 0; i < classes.size(); ++i) {
            if (!r.Exception.InheritsFrom(classes[i])) continue;
            const std::string message = i < o.FilterMessages().size() ? o.FilterMessages()[i] : "";
            if (!message.empty()) {
                ::MessageBoxA(
                    nullptr, message.c_str(), o.GetText(0).c_str(),
                    MB_ICONINFORMATION | MB_TASKMODAL | MB_TOPMOST | MB_SERVICE_NOTIFICATION);
            }
            if (context.TerminateRequest) RestartOrTerminate(context, o.TerminateAction() == 1);
            return false;
        }
    }

    // Call stacks: the failing thread (from the raise, else its live stack),
    // the thread that started it, then every other thread the options ask
    // for, all stopped together.
    context.Step = 4;
    TThreadState* failingState = FindThreadState(failingThread);
    const CONTEXT* registers = place.Context;
    if (registers == nullptr && failingState != nullptr &&
        failingState->Raise.Context.ContextFlags != 0) {
        registers = &failingState->Raise.Context;
    }
    TUnwindModules snapshot;
    snapshot.Refresh();
    // A damaged stack makes a walk fault: this thread's guard ends it.
    TThreadState* self = CurrentThreadState();
    TWalkGuard* guard = self != nullptr ? &self->Guard : nullptr;
    if (place.Frames != nullptr) {
        appendFrames(r.Stack, modules, place.Frames, place.FrameCount, place.FirstFrameExact,
                     failingThread, true);
    } else if (registers != nullptr) {
        std::vector<uintptr_t> frames(otherThreadFrames);
        const size_t count = WalkStack(guard, *registers, place.StackTop, snapshot,
                                       TWalk::OtherStack, frames.data(), frames.size())
                                 .Count;
        appendFrames(r.Stack, modules, frames.data(), count, true, failingThread, true);
    }
    if (const ListedThread* t = findListed(threads, failingThread);
        t != nullptr && !t->CreatorTrace.empty()) {
        appendFrames(r.Stack, modules, t->CreatorTrace.data(), t->CreatorTrace.size(), false,
                     failingThread, false);
    }
    std::vector<TThreadCapture> wanted;
    for (const ListedThread& t : threads) {
        if (t.Id == failingThread || t.Id == ::GetCurrentThreadId()) continue;
        const bool classThread = t.Id == context.MainThreadId || t.ThreadObject;
        const uint8_t flag = classThread ? csClassThreads : csOtherThreads;
        if ((o.CallStackFlags() & flag) == 0) continue;
        TThreadCapture capture;
        capture.ThreadId = t.Id;
        capture.Handle = t.Handle;
        capture.StackTop = t.StackTop;
        wanted.push_back(capture);
    }
    {
        TThreadCaptures captures(wanted, otherThreadFrames);
        captures.Capture(snapshot, guard);
        for (const TThreadCapture& c : captures.Threads()) {
            appendFrames(r.Stack, modules, c.Frames, c.Count, true, c.ThreadId, true);
            if (const ListedThread* t = findListed(threads, c.ThreadId);
                t != nullptr && !t->CreatorTrace.empty()) {
                appendFrames(r.Stack, modules, t->CreatorTrace.data(), t->CreatorTrace.size(),
                             false, c.ThreadId, false);
            }
        }
    }

    // Threads the options ask to pause while the report is shown; resumed
    // however the report ends.
    struct Paused {
        std::vector<HANDLE> handles;
        ~Paused() {
            for (HANDLE h : handles) ::ResumeThread(h);
        }
    } paused;
    std::vector<HANDLE>& suspended = paused.handles;
    if (handlerKind != hkThreadClass) {
        const uint8_t b = o.BehaviourFlags();
        for (const ListedThread& t : threads) {
            if (t.Id == failingThread || t.Id == ::GetCurrentThreadId() || t.Handle == nullptr) {
                continue;
            }
            bool pause;
            if (t.Id == context.MainThreadId) {
                pause = (b & bfSuspendClassThreads) != 0 && (b & bfNotMainThread) == 0;
            } else if (t.ThreadObject) {
                pause = (b & bfSuspendClassThreads) != 0;
            } else {
                pause = (b & bfSuspendOtherThreads) != 0;
            }
            if (pause && suspendOutsideHeaps(t.Handle)) suspended.push_back(t.Handle);
        }
    }

    context.Step = 6;
    bool handle = true;
    if (o.LogFlags() & lfModulesSection) modules.RefreshModules();

    context.Step = 7;
    buildReport(context, r, failure, registers, threads);
    const TReporterEvents events = CurrentEvents();
    const TReportEvent event{&r.Exception, failure.Address, failingThread, &context.ReportText};
    // Events run on the failing thread, unless its stack ran out.
    const bool failingThreadRuns = failure.Code != EXCEPTION_STACK_OVERFLOW &&
                                   failingThread == place.ThreadId && !failure.Hang;
    const auto duplicateTest = [&] {
        context.Duplicate = (o.LogFlags() & lfSuppressDuplicates) != 0 &&
                            duplicateInLog(CurrentLogFileName(), r.DuplicateKeys);
    };
    duplicateTest();

    context.Step = 705;
    context.LastWarningCode = eeNone;
    if (events.OnExceptionNotify) {
        RunInFaultingThread([&] { events.OnExceptionNotify(event, handle); }, failingThreadRuns);
        duplicateTest();
    }

    if (handle) {
        context.Step = 8;
        if (o.BehaviourFlags() & bfRepeatCrashRule) {
            context.RepeatCrashTimes.push_back(context.ExceptionTime);
            const size_t keep = static_cast<size_t>(std::max(o.RepeatCrashCount(), 0));
            while (context.RepeatCrashTimes.size() > keep) {
                context.RepeatCrashTimes.erase(context.RepeatCrashTimes.begin());
            }
        }
        std::string custom;
        if (events.OnCustomData) {
            RunInFaultingThread([&] { events.OnCustomData(event, custom); }, failingThreadRuns);
            duplicateTest();
        }
        context.Step = 9;
        ++context.ErrorCount;
        context.Step = 10;
        std::string last = messageWithPoint(r.Exception);
        for (char& c : last) {
            if (static_cast<unsigned char>(c) < 32 && c != '\r' && c != '\n') c = ' ';
        }
        context.LastExceptMessage = last;

        context.Step = 11;
        TDialogChoices choices;
        choices.Send = o.MailMode() != 0 || o.UploadMode() != 0;
        choices.Screenshot = (o.SendFlags() & sfScreenshot) != 0;
        if (o.DialogFlags() & dfShowReport) {
            context.Step = 12;
            bool success = true;
            if (events.OnAction)
                RunInFaultingThread([&] { events.OnAction(event, 0, success); }, failingThreadRuns);
            if (success) {
                context.Step = 13;
                const bool console = IsConsoleProgram() && raiserType != rtWeb;
                if (console) {
                    if (!writeConsole(o, context.ReportText)) {
                        ReportInternalWarning(context, eeShowError,
                                              "[Console] cannot write the report");
                    }
                } else if (const TReportPresenter presenter = CurrentPresenter()) {
                    const TReportView view{&r.Exception, &context.ReportText,
                                           &context.LastExceptMessage, &choices};
                    if (!presenter(view))
                        ReportInternalWarning(context, eeShowError, "[GUI] cannot show the report");
                } else {
                    ::MessageBoxA(
                        nullptr, context.LastExceptMessage.c_str(), o.GetText(2).c_str(),
                        MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST | MB_SERVICE_NOTIFICATION);
                }
            }
            context.Step = 14;
            if (events.OnAction)
                RunInFaultingThread([&] { events.OnAction(event, 1, success); }, failingThreadRuns);
        }
        if (!custom.empty()) {
            TLogItem item(6);
            item.AddHeader(o.GetText(13));
            item.AddItem("", custom);
            const std::string section = item.GetText() + "\r\n";
            const size_t at = context.HeaderText.size() + 2;
            context.ReportText.insert(std::min(at, context.ReportText.size()), section);
            context.HeaderText += "\r\n" + item.GetText();
            r.MailCopy = context.ReportText;
        }

        context.Step = 15;
        if (o.LogFlags() & lfDeleteOnNewVersion) {
            try {
                const std::u16string logName = CurrentLogFileName();
                const TLogFile log(logName);
                const std::string logged = log.ItemValue("1.3", log.Count() - 1);
                const std::string running = own != nullptr ? own->Version : std::string();
                if (!logged.empty() && logged != running) (void)runtime::os::DeleteFile(logName);
            } catch (...) {
            }
        }
        if (o.SaveLogFile()) saveLogFile(context, r, event, events, failingThreadRuns);
        if (choices.CopyToClipboard) copyToClipboard(context.ReportText);

        context.Step = 16;
        // Sending comes with the sending channels; the repeated-crash rule
        // follows it here unless sending runs in the background.
        if ((o.SendFlags() & sfBackground) == 0 && (o.BehaviourFlags() & bfRepeatCrashRule) &&
            !context.RepeatCrashTimes.empty() &&
            context.RepeatCrashTimes.size() == static_cast<size_t>(o.RepeatCrashCount()) &&
            context.RepeatCrashTimes.back() - context.RepeatCrashTimes.front() <=
                o.RepeatCrashMinutes() / 1440.0) {
            context.TerminateRequest = true;
            o.SetTerminateAction(o.RepeatCrashAction());
        }
    }

    for (HANDLE h : suspended) ::ResumeThread(h);
    suspended.clear();

    context.Step = 18;
    if (handlerKind != hkThreadClass && (o.SendFlags() & sfBackground) == 0 &&
        context.TerminateRequest) {
        RestartOrTerminate(context, o.TerminateAction() == 1);
    }
    return !handle;
}

void RestartOrTerminate(const TProcessContext& context, bool restart) {
    if (restart) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ::GetStartupInfoW(&startup);
        PROCESS_INFORMATION process{};
        const std::u16string folder = runtime::AnsiToWide(context.StartFolder);
        std::wstring commandLine = ::GetCommandLineW();
        if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                             CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS, nullptr,
                             reinterpret_cast<const wchar_t*>(folder.c_str()), &startup,
                             &process)) {
            // The new copy runs on by itself: its handles close here.
            const runtime::os::TProcessHandle started(process.hProcess);
            const runtime::os::TThreadHandle thread(process.hThread);
        }
    }
    ::TerminateProcess(::GetCurrentProcess(), 1);
    for (;;) ::Sleep(INFINITE);
}

TInternalError DescribeInternalError(const std::string& step, const std::exception_ptr& error,
                                     uintptr_t address) {
    TInternalError e;
    e.Step = step;
    e.Address = address;
    const TExceptionDescription d = DescribeLanguageException(error, nullptr);
    e.Abort = d.Valid && d.InheritsFrom("EAbort");
    e.Message =
        d.Valid && d.HasMessage && !d.Message.empty() ? d.Message : "General internal error.";
    uint8_t bytes[32];
    if (address != 0 && SafeRead(address, bytes, sizeof bytes)) {
        for (const uint8_t b : bytes) e.Dump += "$" + runtime::IntToHex(b, 2) + " ";
    }
    return e;
}

std::string InternalErrorFileText(const TInternalError& e, const std::string& date) {
    return "Version: " + std::string(LibraryVersionText) + "\r\nDate   : " + date +
           "\r\nOS     : " + OperatingSystemName() +
           "\r\nRAD    : mingw-w64 g++\r\nDump   : " + e.Dump + "\r\nSection: " + e.Step +
           "\r\nAddress: $" + runtime::IntToHex(static_cast<int64_t>(e.Address), 16) +
           "\r\nMessage: " + e.Message;
}

void ReportInternalError(const TInternalError& e) {
    if (e.Abort || !::IsDebuggerPresent()) return;
    const std::string line =
        "[ERROR] - Section: " + e.Step +
        " - Address: " + runtime::IntToHex(static_cast<int64_t>(e.Address), 16) + " - Message: \"" +
        e.Message + "\"";
    ::OutputDebugStringA(line.c_str());
    char program[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string logName = runtime::os::ChangeFileExt(std::string(program, length), ".log");
    const std::string text =
        InternalErrorFileText(e, FormatReportDate(runtime::Now(), UtcOffsetMinutes()));
    const runtime::os::TFileHandle file(::CreateFileA(
        logName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void ReportInternalWarning(TProcessContext& context, TVuvuvuVozErrorCode code,
                           const std::string& message) {
    static constexpr const char* names[] = {
        "eeNone",           "eeShowError",       "eeLogError",
        "eeEmailMAPIError", "eeEmailShellError", "eeEmailSMTPError",
        "eeWebHTTPError",   "eeWebHTTPSError",   "eeWebFTPError"};
    static_assert(std::size(names) == eeWebFTPError + 1);
    context.LastWarningCode = code;
    context.LastWarning = message;
    const std::string line =
        std::string("[WARNING] - Code: ") + names[code] + " - Message: \"" + message + "\"";
    ::OutputDebugStringA(line.c_str());
}

}  // namespace crashreport
