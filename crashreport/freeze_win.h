#pragma once

// The freeze watch: a thread that checks that the program's main window
// keeps answering. When it has not answered for FreezeTimeoutSecs, the main
// thread is stopped just long enough to take its registers and call stack,
// and the hang is reported (EFrozenApplication, with FrozenText) as a
// failure of the main thread. A hang is reported once: the watch counts
// again only after the window has answered.

namespace crashreport {

// Starts the watch when none runs and the program's options ask for it.
void StartFreezeWatch();
// Stops a running watch and waits for its end; while a report runs, the
// watch ends by itself once the report is done.
void StopFreezeWatch();

}  // namespace crashreport
