#pragma once

// Where failures are caught without the program calling the reporter:
//
// - every C++ throw (the linker routes __cxa_throw through the reporter,
//   -Wl,--wrap=__cxa_throw) records, without a lock or an allocation, the
//   registers and call stack of the throw in the thread's block;
// - a vectored handler records every processor fault the same way, and
//   reports a stack overflow at once (nothing handles one, and the
//   handlers further on would find no stack left);
// - the unhandled-exception filter reports any other fault that nothing
//   handled, then ends the thread (the main thread: the program);
// - the terminate handler reports a C++ exception that nobody caught;
// - runtime threads report an exception escaping Execute through their hook.

#include <cstdint>

namespace crashreport {

void InstallInterception();
void RemoveInterception();

// Where the exception being handled on the calling thread was raised (the
// call of its throw), when the thread recorded that throw; else 0.
uintptr_t CurrentRaiseAddress();

}  // namespace crashreport
