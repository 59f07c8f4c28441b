#include <windows.h>

#include "runtime/os/clock.h"

namespace runtime::os {

std::uint64_t TickCount64() {
    return ::GetTickCount64();
}

}  // namespace runtime::os
