#include <windows.h>

#include "runtime/os/thread_info.h"

namespace runtime::os {

TThreadID CurrentThreadID() {
    return ::GetCurrentThreadId();
}

std::uint32_t CurrentProcessID() {
    return ::GetCurrentProcessId();
}

// The stack is one reservation: its base is where a full stack ends; the
// thread block records where it began.
TStackBounds CurrentThreadStack() {
    TStackBounds bounds;
    MEMORY_BASIC_INFORMATION region{};
    if (::VirtualQuery(&region, &region, sizeof region) == 0) return bounds;
    bounds.low = reinterpret_cast<std::uintptr_t>(region.AllocationBase);
    bounds.high = reinterpret_cast<std::uintptr_t>(
        reinterpret_cast<const NT_TIB*>(::NtCurrentTeb())->StackBase);
    return bounds;
}

TThreadHandle OpenCurrentThreadHandle() {
    HANDLE real = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                           &real, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return TThreadHandle();
    }
    return TThreadHandle(real);
}

}  // namespace runtime::os
