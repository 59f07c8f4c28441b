#include "core/state.h"

#include "core/countries.h"
#include "core/engines.h"
#include "core/options.h"
#include "core/site.h"

namespace core {

std::unique_ptr<TSiteList> Sites;
TSite* CurrentSite = nullptr;
TKeyword* CurrentKeyword = nullptr;
bool ProjectMaySave = true;
std::unique_ptr<TOptions> Options;
std::unique_ptr<TSEList> EngineList;
TSE* CurrentEngine = nullptr;
std::unique_ptr<runtime::TCriticalSection> ScriptLock;
std::atomic<int32_t> RunningThreads{0};
std::u16string ExeDir;
std::u16string TempDir;
unsigned SwitchAppMessage = 0;
#ifdef _WIN32
runtime::os::TMutexHandle MutexHandle;
#endif
bool OldWindows = false;
std::string NewVersionText;
std::unique_ptr<TCountryFactory> CountryFactory;
CoreCallbacks Callbacks;

}  // namespace core
