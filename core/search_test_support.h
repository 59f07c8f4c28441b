#pragma once

// The program as the search tests need it, for a scope: a program folder
// with the shipped engines (the "Local" one pointed at the local result
// server), settings in a data folder of their own with the friendly mode
// off, the engine list, the script component bound to the script host and
// the script lock. The engines come from the SearchEngines folder the
// build puts beside the test program.

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "core/core_test_support.h"
#include "core/engines.h"
#include "core/fetch_test_support.h"
#include "core/script_host.h"
#include "core/state.h"
#include "net/socket_api.h"
#include "net/ssl_openssl.h"
#include "net/testing/scripted_peer.h"
#include "runtime/classinfo.h"
#include "runtime/container_test_support.h"
#include "runtime/os/folders.h"
#include "runtime/threads.h"
#include "script/init.h"
#include "script/script.h"

namespace core::testing {

// The start-up the program makes before any check, once per test program.
inline void StartSearchLayers() {
    static std::once_flag once;
    std::call_once(once, [] {
        runtime::InitThreads();
        runtime::RegisterRuntimeClasses();
        net::testing::EnsureSocketInterface();
        (void)net::InitSSLInterface();
        script::init();
    });
}

// The program's one script component: it lives as long as the test program,
// as the window's lives as long as the program.
inline script::TscScript& ProgramScript() {
    static script::TscScript* script = new script::TscScript;
    return *script;
}

class ScopedSearchProgram {
  public:
    // `serpPort`: the local result server's port, written into the unit
    // "local_server" that the Local engine reads its address from.
    explicit ScopedSearchProgram(const std::string& serpPort)
        : savedExeDir_(ExeDir), savedEngines_(std::move(EngineList)), savedEngine_(CurrentEngine) {
        StartSearchLayers();
        // A program folder outside the code page, as a user's may be.
        ExeDir = MakeWideFolder(folder_);
        std::filesystem::copy(
            std::filesystem::path(runtime::os::WideProgramFolder() + u"SearchEngines"),
            std::filesystem::path(EnginesDir()));
        WriteEngine("local_server.se", "const\r\n  LocalServer = 'http://127.0.0.1:" + serpPort +
                                           "';\r\nbegin\r\nend.\r\n");
        EngineList = LoadSearchEngines();
        CurrentEngine = EngineList->Items(EngineList->FindEngineByFile("local.se"));
        RegisterScriptHost(ProgramScript());
        if (!ScriptLock) ScriptLock = std::make_unique<runtime::TCriticalSection>();
    }
    ~ScopedSearchProgram() {
        CurrentEngine = savedEngine_;
        EngineList = std::move(savedEngines_);
        ExeDir = savedExeDir_;
    }
    ScopedSearchProgram(const ScopedSearchProgram&) = delete;
    ScopedSearchProgram& operator=(const ScopedSearchProgram&) = delete;

    // Packs `text` into the engines folder as `name`.
    void WriteEngine(const std::string& name, const std::string& text) const {
        WriteWideFile(EnginesDir() + runtime::AnsiToWide(name), PackEngineText(text));
    }
    const ScopedFetchOptions& Options() const { return options_; }

  private:
    runtime::testing::TempFolder folder_;
    ScopedFetchOptions options_;
    std::u16string savedExeDir_;
    std::unique_ptr<TSEList> savedEngines_;
    TSE* savedEngine_;
};

}  // namespace core::testing
