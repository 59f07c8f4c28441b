#pragma once

// The message loop's link to the runtime's main-thread call queue, kept
// apart so that the class library's headers need not include the runtime's
// threads header.

#include "gui/win.h"

namespace gui::detail {

// The message posted to `window` whenever a worker queues a call.
inline constexpr UINT WM_WAKEMAINTHREAD = WM_APP + 0x3F01;

// Makes queued calls wake the message loop by posting to `window`
// (nullptr: no wake-up any more).
void InstallMainThreadWake(HWND window);
// Runs the calls queued so far; true when it ran any.
bool DrainMainThreadQueue();

}  // namespace gui::detail
