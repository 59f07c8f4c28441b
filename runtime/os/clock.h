#pragma once

// A clock for measuring intervals: it never goes back and does not follow
// changes of the date and time.

#include <cstdint>

namespace runtime::os {

// Milliseconds since an arbitrary start (the system's start on Windows).
std::uint64_t TickCount64();

}  // namespace runtime::os
