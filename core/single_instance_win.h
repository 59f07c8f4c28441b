#pragma once

// One copy of the program at a time: the copy that holds the named mutex
// runs; a later copy tells it to come to the front and ends.

namespace core {

inline constexpr const wchar_t* InstanceMutexName = L"serplow-mutex";
inline constexpr const wchar_t* SwitchAppMessageName = L"serplow-switchapp";

// How long the broadcast waits for each window before it goes on.
inline constexpr unsigned SwitchAppTimeoutMs = 1000;

// Creates the mutex owned by this thread and keeps it in MutexHandle, and
// registers SwitchAppMessage. False when another copy holds the mutex (no
// handle is kept then). When the mutex cannot be made for any other reason
// the program runs without it.
[[nodiscard]] bool ClaimSingleInstance();

// Sends "serplow-switchapp" (both parameters 0) to every top-level window,
// skipping hung ones, and lets the copy that answers take the foreground.
void BroadcastSwitchApp();

// Releases and closes the mutex, if held.
void ReleaseSingleInstance();

}  // namespace core
