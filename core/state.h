#pragma once

// The state the whole program shares: the project, the settings, the script
// lock, the folders chosen at start-up and the single-instance handles. The
// core owns it; the main window reads and sets it on the main thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "core/callbacks.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/threads.h"

namespace core {

class TSiteList;
class TSite;
class TKeyword;
class TOptions;
class TSE;
class TSEList;
class TCountryFactory;

// The program's title, also the caption of its fatal start-up message.
inline constexpr const char* ApplicationTitle = "Serplow";

// Every monitored site, in project order.
extern std::unique_ptr<TSiteList> Sites;
// The user's selection; none when there is nothing to select. The check
// loops move CurrentKeyword too.
extern TSite* CurrentSite;
extern TKeyword* CurrentKeyword;
// False from a failed load of the project (a file in no known format, a
// damaged or unreadable one) until a load succeeds: Sites is not what the
// file holds then, and saving at close must not replace the file the user
// has. True at start (no file read yet).
extern bool ProjectMaySave;
extern std::unique_ptr<TOptions> Options;
// The loaded search engines; lives until the program ends.
extern std::unique_ptr<TSEList> EngineList;
// The engine that checks use; one of EngineList's.
extern TSE* CurrentEngine;
// Serialises every use of the script component.
extern std::unique_ptr<runtime::TCriticalSection> ScriptLock;
// Search workers started and not yet counted out. Raised by the main thread,
// lowered by the workers.
extern std::atomic<int32_t> RunningThreads;
// The program's folder, with a trailing delimiter. The core's folders are
// wide strings: a user profile or program folder whose name the system
// code page cannot spell is still found.
extern std::u16string ExeDir;
// The temporary folder chosen at start-up, with a trailing delimiter; empty
// when none could be chosen.
extern std::u16string TempDir;
// The registered window message "serplow-switchapp".
extern unsigned SwitchAppMessage;
#ifdef _WIN32
// The single-instance mutex, held while the program runs; the program's
// start-up, and so the mutex, is the Windows build's only.
extern runtime::os::TMutexHandle MutexHandle;
#endif
// Set by CheckOldWindows.
extern bool OldWindows;
// The question shown when a newer version exists.
extern std::string NewVersionText;
// The country and language tables of the SOAP search interface, made by
// the core's start-up (init).
extern std::unique_ptr<TCountryFactory> CountryFactory;

// The window's side of the core.
extern CoreCallbacks Callbacks;

}  // namespace core
