// check-keyword: runs one keyword's Search of an engine script exactly as a
// search worker does (the host functions, TLink and TLinkList, DownloadURL
// with the friendly mode off and the cookies of the program's data folder)
// and prints what it found. The way to try an engine script from outside.
//
//   check-keyword --engines DIR --engine FILE --site URL --depth N
//                 [--proxy host:port] keyword
//
//   --engines DIR     the engines folder: its selist.ini and engine files
//   --engine FILE     the engine, by its file name
//   --site URL        the site whose position is wanted
//   --depth N         the number of results to check
//   --proxy host:port fetch through this HTTP proxy
//
// Output, one per line, in UTF-8: "position N"; each link as
// "index<TAB>name<TAB>title<TAB>page<TAB>position" (index from 0); the log
// line. A failed search prints only its log line.
//
// Exit status: 0 after a search; 1 when the script does not compile (the
// message with its line:col on standard error); 2 when Search fails (its
// reason on standard error); 3 for wrong arguments or an engine that cannot
// be loaded.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/download.h"
#include "core/engines.h"
#include "core/keyword.h"
#include "core/options.h"
#include "core/script_host.h"
#include "core/search.h"
#include "core/site.h"
#include "core/state.h"
#include "net/socket_api.h"
#include "net/ssl_openssl.h"
#include "runtime/classinfo.h"
#include "runtime/os/folders.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"
#include "runtime/threads.h"
#include "script/init.h"
#include "script/limits.h"
#include "script/script.h"
#include "tools/project-tool/arguments.h"

namespace {

constexpr int kExitCompileError = 1;
constexpr int kExitSearchFailed = 2;
constexpr int kExitUsage = 3;

struct CommandLine {
    std::u16string engines;  // wide: any folder a user may have
    std::string engine;
    std::string site;
    int depth = 0;
    std::string proxy;
    std::u16string keyword;
};

constexpr const char* kUsage =
    "usage: check-keyword --engines DIR --engine FILE --site URL --depth N "
    "[--proxy host:port] keyword\n";

bool ParseDepth(const std::string& text, int& depth) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 1 || value > 1000000) return false;
    depth = static_cast<int>(value);
    return true;
}

// False for anything but the options above and one keyword.
bool Parse(const std::vector<std::u16string>& args, CommandLine& parsed) {
    bool haveKeyword = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        const bool takesValue = arg == u"--engines" || arg == u"--engine" || arg == u"--site" ||
                                arg == u"--depth" || arg == u"--proxy";
        if (takesValue) {
            if (i + 1 >= args.size()) return false;
            const std::string value = runtime::WideToAnsi(args[++i]);
            if (arg == u"--engines") parsed.engines = args[i];
            if (arg == u"--engine") parsed.engine = value;
            if (arg == u"--site") parsed.site = value;
            if (arg == u"--proxy") parsed.proxy = value;
            if (arg == u"--depth" && !ParseDepth(value, parsed.depth)) return false;
        } else if (!haveKeyword && !arg.starts_with(u"--")) {
            parsed.keyword = arg;
            haveKeyword = true;
        } else {
            return false;
        }
    }
    return haveKeyword && !parsed.engines.empty() && !parsed.engine.empty() &&
           !parsed.site.empty() && parsed.depth > 0;
}

void PrintLine(const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

// The worker's part, on a thread with the stack scripts need.
class SearchThread : public runtime::TThread {
  public:
    SearchThread(const core::TSE& engine, const std::u16string& keyword, int depth,
                 core::TFetchContext& fetch, core::TKeywordSearch& search)
        : engine_(engine), keyword_(keyword), depth_(depth), fetch_(fetch), search_(search) {
        SetStackSize(script::kScriptStackSize);
    }
    ~SearchThread() override { TerminateAndWait(); }

  protected:
    void Execute() override { core::SearchKeyword(engine_, keyword_, depth_, fetch_, search_); }

  private:
    const core::TSE& engine_;
    const std::u16string& keyword_;
    const int depth_;
    core::TFetchContext& fetch_;
    core::TKeywordSearch& search_;
};

int Run(const CommandLine& args) {
    const std::u16string wideFolder = runtime::os::IncludeTrailingPathDelimiter(args.engines);
    core::EngineList = core::LoadSearchEngines(wideFolder);
    const std::string folder = runtime::WideToAnsi(wideFolder);
    const int index = core::EngineList->FindEngineByFile(args.engine);
    if (index < 0) {
        std::fprintf(stderr, "check-keyword: no engine %s in %s\n", args.engine.c_str(),
                     folder.c_str());
        for (const std::string& problem : core::EngineList->Problems) {
            std::fprintf(stderr, "check-keyword: %s\n", problem.c_str());
        }
        return kExitUsage;
    }
    const core::TSE& engine = *core::EngineList->Items(index);

    core::Options = std::make_unique<core::TOptions>();
    core::Options->HumanActivitySimulation = 0;
    core::Options->SearchResults = args.depth;
    core::Options->ProxyHost.clear();
    core::Options->ProxyPort.clear();
    core::Options->ProxyUser.clear();
    core::Options->ProxyPass.clear();
    if (!args.proxy.empty()) {
        const size_t colon = args.proxy.rfind(':');
        core::Options->ProxyHost = args.proxy.substr(0, colon);
        core::Options->ProxyPort =
            colon == std::string::npos ? "8080" : args.proxy.substr(colon + 1);
    }

    script::TscScript script;
    core::RegisterScriptHost(script);
    core::ScriptLock = std::make_unique<runtime::TCriticalSection>();

    core::TSite site(args.site);
    core::TKeyword& keyword = site.AddKeyword(args.keyword);
    core::TFetchContext fetch(&site.Stop);
    core::TKeywordSearch search;
    {
        SearchThread thread(engine, keyword.Name, args.depth, fetch, search);
        thread.Start();
        (void)thread.WaitFor();
    }
    const std::u16string line = core::RecordSearch(keyword, site.URL, search);
    if (search.Succeeded) {
        PrintLine("position " + std::to_string(keyword.Position));
        for (int i = 0; i < keyword.Links.Count(); ++i) {
            const core::TLink& link = *keyword.Links.Links(i);
            PrintLine(std::to_string(i) + "\t" + runtime::AnsiToUtf8(link.Name()) + "\t" +
                      runtime::WideToUtf8(link.Title()) + "\t" + std::to_string(link.Page) + "\t" +
                      std::to_string(link.Position));
        }
    }
    PrintLine(runtime::WideToUtf8(line));
    std::fflush(stdout);
    if (search.Succeeded) return 0;
    std::fprintf(stderr, "%s\n", search.Reason.c_str());
    return search.CompileFailed ? kExitCompileError : kExitSearchFailed;
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine args;
    if (!Parse(::Arguments(argc, argv), args)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    BinaryStandardOutput();
    core::ExeDir = runtime::os::WideProgramFolder();
    runtime::InitThreads();
    runtime::RegisterRuntimeClasses();
    net::InitSocketInterface();
    (void)net::InitSSLInterface();
    script::init();
    const int status = Run(args);
    core::ScriptLock.reset();
    core::Options.reset();
    core::EngineList.reset();
    script::shutdown();
    net::DestroySSLInterface();
    net::DoneSocketInterface();
    return status;
}
