#include "crashreport/stackwalk_win.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>

#include "crashreport/callstack.h"
#include "crashreport/memory_win.h"

namespace crashreport {

namespace {

TUnwindModules* startModules = nullptr;

// Fields that another thread may change while walks read them.
template <class T>
T loadShared(const T& field) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_acquire);
}
template <class T>
void storeShared(T& field, T value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_release);
}

// What the loader hands its DLL notifications (loaded and unloaded alike).
struct DllNotification {
    ULONG Flags;
    const void* FullDllName;
    const void* BaseDllName;
    void* DllBase;
    ULONG SizeOfImage;
};
constexpr ULONG dllUnloaded = 2;
using DllNotificationFunction = void(CALLBACK*)(ULONG reason, const DllNotification* data,
                                                void* context);
using RegisterDllNotification = LONG(NTAPI*)(ULONG flags, DllNotificationFunction function,
                                             void* context, void** cookie);
using UnregisterDllNotification = LONG(NTAPI*)(void* cookie);

template <class Function>
Function ntdllFunction(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

void CALLBACK dllNotified(ULONG reason, const DllNotification* data, void* context) {
    if (reason == dllUnloaded && data != nullptr) {
        static_cast<TUnwindModules*>(context)->Forget(reinterpret_cast<uintptr_t>(data->DllBase));
    }
}

const RUNTIME_FUNCTION* findFunction(uintptr_t pc, uintptr_t& base, const TUnwindModules& modules,
                                     bool systemLookup) {
    if (const RUNTIME_FUNCTION* f = modules.Find(pc, base)) return f;
    if (!systemLookup || modules.Holds(pc)) return nullptr;
    DWORD64 imageBase = 0;
    const RUNTIME_FUNCTION* f = ::RtlLookupFunctionEntry(pc, &imageBase, nullptr);
    base = imageBase;
    return f;
}

}  // namespace

TUnwindModules::~TUnwindModules() {
    if (notificationCookie_ == nullptr) return;
    if (auto unregister = ntdllFunction<UnregisterDllNotification>("LdrUnregisterDllNotification"))
        unregister(notificationCookie_);
}

void TUnwindModules::Add(HMODULE module) {
    const auto base = reinterpret_cast<uintptr_t>(module);
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS64 nt;
    if (!SafeReadValue(base, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        !SafeReadValue(base + dos.e_lfanew, nt) || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        return;
    }
    Module m;
    m.Base = base;
    m.End = base + nt.OptionalHeader.SizeOfImage;
    if (nt.OptionalHeader.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_EXCEPTION) {
        const IMAGE_DATA_DIRECTORY dir =
            nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXCEPTION];
        if (dir.VirtualAddress != 0 && IsReadable(base + dir.VirtualAddress, dir.Size)) {
            m.Table = reinterpret_cast<const RUNTIME_FUNCTION*>(base + dir.VirtualAddress);
            m.Count = dir.Size / sizeof(RUNTIME_FUNCTION);
        }
    }
    const auto at = std::lower_bound(modules_.begin(), modules_.end(), m.Base,
                                     [](const Module& x, uintptr_t b) { return x.Base < b; });
    if (at != modules_.end() && at->Base == m.Base) {
        *at = m;
    } else {
        modules_.insert(at, m);
    }
}

void TUnwindModules::Refresh() {
    modules_.clear();
    std::vector<HMODULE> handles(512);
    DWORD needed = 0;
    if (!::EnumProcessModules(::GetCurrentProcess(), handles.data(),
                              static_cast<DWORD>(handles.size() * sizeof(HMODULE)), &needed)) {
        return;
    }
    handles.resize(std::min<size_t>(handles.size(), needed / sizeof(HMODULE)));
    for (HMODULE module : handles) Add(module);
}

void TUnwindModules::FollowUnloads() {
    if (notificationCookie_ != nullptr) return;
    if (auto reg = ntdllFunction<RegisterDllNotification>("LdrRegisterDllNotification"))
        reg(0, dllNotified, this, &notificationCookie_);
}

void TUnwindModules::Forget(uintptr_t base) {
    const auto at = std::lower_bound(modules_.begin(), modules_.end(), base,
                                     [](const Module& x, uintptr_t b) { return x.Base < b; });
    if (at == modules_.end() || at->Base != base) return;
    storeShared(at->End, at->Base);
    storeShared(at->Table, static_cast<const RUNTIME_FUNCTION*>(nullptr));
}

const TUnwindModules::Module* TUnwindModules::moduleAt(uintptr_t pc) const {
    const auto it = std::upper_bound(modules_.begin(), modules_.end(), pc,
                                     [](uintptr_t v, const Module& m) { return v < m.Base; });
    if (it == modules_.begin()) return nullptr;
    const Module& m = *std::prev(it);
    return pc < loadShared(m.End) ? &m : nullptr;
}

bool TUnwindModules::Holds(uintptr_t pc) const {
    return moduleAt(pc) != nullptr;
}

const RUNTIME_FUNCTION* TUnwindModules::Find(uintptr_t pc, uintptr_t& base) const {
    const Module* m = moduleAt(pc);
    if (m == nullptr) return nullptr;
    const RUNTIME_FUNCTION* table = loadShared(m->Table);
    if (table == nullptr) return nullptr;
    const auto rva = static_cast<DWORD>(pc - m->Base);
    // Binary search of the sorted table.
    uint32_t low = 0, high = m->Count;
    while (low < high) {
        const uint32_t mid = low + (high - low) / 2;
        const RUNTIME_FUNCTION& f = table[mid];
        if (rva < f.BeginAddress) {
            high = mid;
        } else if (rva >= f.EndAddress) {
            low = mid + 1;
        } else {
            base = m->Base;
            return &f;
        }
    }
    return nullptr;
}

const TUnwindModules& StartModules() {
    static const TUnwindModules empty;
    return startModules != nullptr ? *startModules : empty;
}

void InitStartModules() {
    if (startModules != nullptr) return;
    auto* modules = new TUnwindModules;
    modules->Refresh();
    modules->FollowUnloads();
    startModules = modules;
}

namespace {

// The walk proper; `progress` (when given) follows the frames stored.
TWalkResult walkFrames(const CONTEXT& start, uintptr_t stackTop, const TUnwindModules& modules,
                       TWalk walk, uintptr_t* out, size_t capacity, size_t skip,
                       volatile size_t* progress) {
    TWalkResult result;
    CONTEXT context = start;
    const uintptr_t low = context.Rsp;
    uintptr_t high = low + StackScanLimit;
    const bool toTop = stackTop != 0 && stackTop > low && stackTop <= high;
    if (toTop) high = stackTop;
    // The stack is committed from its pointer up to its top: one check
    // covers every frame the walk may read.
    if (walk == TWalk::OtherStack && !IsReadable(low, high - low)) {
        result.End = TWalkEnd::Unreadable;
        return result;
    }
    const bool systemLookup = walk == TWalk::OwnStack;
    for (size_t frame = 0;; ++frame) {
        if (context.Rip == 0) {
            result.End = TWalkEnd::StackEnd;
            break;
        }
        if (result.Count == capacity) {
            result.End = TWalkEnd::Limit;
            break;
        }
        if (frame >= skip) {
            out[result.Count++] = context.Rip;
            if (progress != nullptr) *progress = result.Count;
        }
        const uintptr_t rsp = context.Rsp;
        uintptr_t base = 0;
        // A return address may stand just past its function's end (a call
        // that never returns): look it up one byte earlier.
        const RUNTIME_FUNCTION* function =
            findFunction(context.Rip - (frame > 0 ? 1 : 0), base, modules, systemLookup);
        if (function != nullptr) {
            void* handlerData = nullptr;
            DWORD64 establisher = 0;
            ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, context.Rip,
                               const_cast<RUNTIME_FUNCTION*>(function), &context, &handlerData,
                               &establisher, nullptr);
        } else {
            // A leaf function: the return address is on top of the stack.
            if (rsp + 8 > high) {
                result.End = toTop ? TWalkEnd::StackEnd : TWalkEnd::Limit;
                break;
            }
            context.Rip = *reinterpret_cast<const uintptr_t*>(rsp);
            context.Rsp = rsp + 8;
        }
        if (context.Rsp <= rsp) {
            result.End = TWalkEnd::Lost;
            break;
        }
        if (context.Rsp > high) {
            // Past the top of the stack is where the first frame leaves it.
            result.End = toTop && context.Rsp <= high + 8 * sizeof(uintptr_t) ? TWalkEnd::StackEnd
                         : toTop                                              ? TWalkEnd::Lost
                                                                              : TWalkEnd::Limit;
            break;
        }
    }
    return result;
}

}  // namespace

// Saves the registers with which the calling function resumes when a walk
// it guards faults: the system's capture, entered by a jump so that it
// records the caller's own return. It returns twice, like setjmp.
extern "C" __attribute__((returns_twice)) void crashreportSaveWalkResume(CONTEXT* context);
asm(".text\n"
    ".globl crashreportSaveWalkResume\n"
    ".def crashreportSaveWalkResume; .scl 2; .type 32; .endef\n"
    "crashreportSaveWalkResume:\n"
    "    jmp *__imp_RtlCaptureContext(%rip)\n");

bool ResumeFaultedWalk(TWalkGuard& guard, CONTEXT& context) {
    if (!guard.Active) return false;
    guard.Active = false;
    guard.Faulted = true;
    context = guard.Resume;
    return true;
}

__attribute__((noinline)) TWalkResult WalkStack(TWalkGuard* guard, const CONTEXT& context,
                                                uintptr_t stackTop, const TUnwindModules& modules,
                                                TWalk walk, uintptr_t* out, size_t capacity,
                                                size_t skip) {
    if (guard == nullptr) {
        return walkFrames(context, stackTop, modules, walk, out, capacity, skip, nullptr);
    }
    guard->Faulted = false;
    guard->Progress = 0;
    crashreportSaveWalkResume(&guard->Resume);
    if (guard->Faulted) return {guard->Progress, TWalkEnd::Faulted};
    guard->Active = true;
    const TWalkResult result =
        walkFrames(context, stackTop, modules, walk, out, capacity, skip, &guard->Progress);
    guard->Active = false;
    return result;
}

uintptr_t CallSiteOf(uintptr_t returnAddress) {
    uint8_t bytes[7];
    if (returnAddress < 7 || !SafeRead(returnAddress - 7, bytes, sizeof bytes)) {
        return returnAddress - 1;
    }
    const int length = CallInstructionLength(bytes);
    return returnAddress - (length > 0 ? length : 1);
}

void UnwindOwnFrames(CONTEXT& context, size_t frames) {
    for (size_t i = 0; i < frames && context.Rip != 0; ++i) {
        DWORD64 base = 0;
        const uintptr_t pc = context.Rip - (i > 0 ? 1 : 0);
        uintptr_t moduleBase = 0;
        const RUNTIME_FUNCTION* function = StartModules().Find(pc, moduleBase);
        if (function != nullptr) {
            base = moduleBase;
        } else {
            function = ::RtlLookupFunctionEntry(pc, &base, nullptr);
        }
        if (function == nullptr) {
            context.Rip = *reinterpret_cast<const uintptr_t*>(context.Rsp);
            context.Rsp += 8;
            continue;
        }
        void* handlerData = nullptr;
        DWORD64 establisher = 0;
        ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, context.Rip,
                           const_cast<RUNTIME_FUNCTION*>(function), &context, &handlerData,
                           &establisher, nullptr);
    }
}

size_t CaptureCurrentStack(TWalkGuard* guard, size_t skip, uintptr_t* out, size_t capacity) {
    CONTEXT context;
    ::RtlCaptureContext(&context);
    const NT_TIB* tib = reinterpret_cast<const NT_TIB*>(::NtCurrentTeb());
    // The first frame is this function's own.
    return WalkStack(guard, context, reinterpret_cast<uintptr_t>(tib->StackBase), StartModules(),
                     TWalk::OwnStack, out, capacity, skip + 1)
        .Count;
}

TThreadCaptures::TThreadCaptures(const std::vector<TThreadCapture>& threads, size_t frames)
    : threads_(threads), frames_(threads.size() * frames), perThread_(frames) {
    for (size_t i = 0; i < threads_.size(); ++i)
        threads_[i].Frames = frames_.data() + i * perThread_;
}

void TThreadCaptures::Capture(const TUnwindModules& modules, TWalkGuard* guard) {
    for (TThreadCapture& t : threads_) {
        t.Captured = t.Handle != nullptr && ::SuspendThread(t.Handle) != static_cast<DWORD>(-1);
    }
    for (TThreadCapture& t : threads_) {
        if (!t.Captured) continue;
        t.Context.ContextFlags = CONTEXT_FULL;
        if (!::GetThreadContext(t.Handle, &t.Context) || t.Context.Rsp == 0) {
            t.Context.ContextFlags = 0;
            continue;
        }
        t.Count = WalkStack(guard, t.Context, t.StackTop, modules, TWalk::OtherStack, t.Frames,
                            perThread_)
                      .Count;
    }
    for (TThreadCapture& t : threads_) {
        if (t.Captured) ::ResumeThread(t.Handle);
    }
}

}  // namespace crashreport
