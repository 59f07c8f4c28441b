#pragma once

// Internal to the engine: how deep the recursions of a compile or a run may
// go on the calling thread.

#include <cstdint>

namespace script {

// The lowest frame address a recursion may reach on the calling thread:
// kStackReserve above the end of its stack (limits.h).
std::uintptr_t StackLimit();

// Whether the calling frame lies below `limit`.
[[gnu::always_inline]] inline bool BelowStackLimit(std::uintptr_t limit) {
    return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) < limit;
}

}  // namespace script
