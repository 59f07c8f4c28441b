#include "script/stack_guard.h"

#include "runtime/os/thread_info.h"
#include "script/limits.h"

namespace script {

std::uintptr_t StackLimit() {
    const runtime::os::TStackBounds bounds = runtime::os::CurrentThreadStack();
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (bounds.low == 0 || here <= bounds.low || here > bounds.high)
        return here > kUnknownStackBudget ? here - kUnknownStackBudget : 0;
    return bounds.low + kStackReserve;
}

}  // namespace script
