#include "core/search.h"

#include <exception>
#include <memory>
#include <vector>

#include "core/engines.h"
#include "core/keyword.h"
#include "core/options.h"
#include "core/script_host.h"
#include "core/site.h"
#include "core/state.h"
#include "runtime/strings.h"
#include "runtime/threads.h"
#include "script/limits.h"
#include "script/script.h"

namespace core {

namespace {

// The longest the main thread waits for a worker's report before it lets
// the window process its own messages again.
constexpr uint32_t kWaitSliceMs = 50;

constexpr const char* kNoEngineMessage =
    "No search engine is chosen. Choose one in the options and try again.";
constexpr const char* kNoHostMessage = "The script host is not set up.";

// Line breaks (a compile error's CR LF pairs) become single spaces.
std::string OneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            while (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n')) ++i;
            line += ' ';
        } else {
            line += text[i];
        }
    }
    return line;
}

class TThreadSearch;

// The check in progress.
struct TSiteCheck {
    TSiteCheck(TSite& checked, const TCheckLimits& checkLimits)
        : site(&checked), limits(checkLimits) {}

    TSite* site;
    TCheckLimits limits;
    std::vector<std::unique_ptr<TThreadSearch>> workers;
    // AbortCheck ended the check while CheckSite still runs below it.
    bool aborted = false;
    bool stopSent = false;
    // The first error a report raised in the window.
    std::exception_ptr reportError;

    // Waits, processing pending messages, while `busy` holds; also leaves
    // on a stop when `leaveOnStop`, and at once when the check was aborted.
    template <class Busy>
    void WaitWhile(Busy busy, bool leaveOnStop);
    // Passes a stop set on the site to the workers.
    void SendStop();
};

TSiteCheck* runningCheck = nullptr;

// One keyword's check on a thread with the stack scripts need.
class TThreadSearch final : public runtime::TThread {
  public:
    TThreadSearch(TSiteCheck& check, TKeyword& keyword)
        : check_(check),
          keyword_(keyword),
          name_(keyword.Name),
          engine_(*CurrentEngine),
          depth_(Options ? Options->SearchResults : 10),
          fetch_(&check.site->Stop, check.limits.FetchTimeout) {
        SetStackSize(script::kScriptStackSize);
    }
    ~TThreadSearch() override { TerminateAndWait(); }

    TFetchContext& Fetch() { return fetch_; }

  protected:
    void Execute() override {
        SearchKeyword(engine_, name_, depth_, fetch_, search_);
        runtime::Synchronize([this] { ReportDone(); });
    }

  private:
    // Main thread: records the result, logs it, counts the worker out.
    void ReportDone() {
        try {
            const std::u16string line =
                RecordSearch(keyword_, check_.site->URL, search_);
            if (Callbacks.KeywordDone) Callbacks.KeywordDone(line);
        } catch (...) {
            if (!check_.reportError) check_.reportError = std::current_exception();
        }
        --RunningThreads;
    }

    TSiteCheck& check_;
    TKeyword& keyword_;
    const std::u16string name_;
    const TSE& engine_;
    const int depth_;
    TFetchContext fetch_;
    TKeywordSearch search_;
};

template <class Busy>
void TSiteCheck::WaitWhile(Busy busy, bool leaveOnStop) {
    while (!aborted && busy()) {
        if (site->Stop) {
            SendStop();
            if (leaveOnStop) return;
        }
        if (Callbacks.ProcessPending) Callbacks.ProcessPending();
        if (aborted) return;
        // Wakes as soon as a report is queued.
        (void)runtime::CheckSynchronize(kWaitSliceMs);
    }
}

void TSiteCheck::SendStop() {
    if (stopSent) return;
    stopSent = true;
    site->Stop = true;
    for (const auto& worker : workers) worker->Fetch().Stop();
    if (script::TscScript* script = ScriptComponent()) script->Stop();
}

void StartSearchThread(TSiteCheck& check, TKeyword& keyword) {
    ++RunningThreads;
    check.workers.push_back(std::make_unique<TThreadSearch>(check, keyword));
    check.workers.back()->Start();
}

// Waits for every report, then for the threads' ends.
void JoinWorkers(TSiteCheck& check) {
    check.WaitWhile([] { return RunningThreads > 0; }, false);
    check.workers.clear();
}

void Refuse(const char* message) {
    if (Callbacks.ShowMessage) {
        Callbacks.ShowMessage(message, "Error", MessageKind::Error, MessageOwner::CheckProgress);
    }
}

}  // namespace

void SearchKeyword(const TSE& engine, std::u16string_view keyword, int depth,
                   TFetchContext& fetch, TKeywordSearch& search) {
    TLinkList extra;
    search.Succeeded = false;
    search.CompileFailed = false;
    try {
        const TSearchOutcome outcome = RunSearch(engine, keyword, depth, search.Links, extra, fetch);
        search.Succeeded = outcome.Succeeded;
        search.Reason = outcome.Reason;
    } catch (const ESearchCompileError& e) {
        search.CompileFailed = true;
        search.Reason = e.Message();
    } catch (...) {
        search.Reason =
            fetch.StopRequested() ? "Stopped" : DescribeScriptError(std::current_exception());
    }
    if (!search.Succeeded) search.Links.Clear();
    search.Reason = OneLine(search.Reason);
}

std::u16string RecordSearch(TKeyword& keyword, std::string_view siteURL, TKeywordSearch& search) {
    if (!search.Succeeded) {
        return keyword.Name + u" - Failed: " + runtime::AnsiToWide(search.Reason);
    }
    keyword.ClearLinks();
    keyword.Links.TakeLinks(search.Links);
    keyword.SetPosition(keyword.Links.IndexOf(siteURL) + 1);
    return keyword.Name + u" - OK";
}

bool CheckSite(TSite& site, const TCheckLimits& limits) {
    if (runningCheck != nullptr) return false;
    if (CurrentEngine == nullptr) {
        Refuse(kNoEngineMessage);
        return false;
    }
    if (ScriptComponent() == nullptr) {
        Refuse(kNoHostMessage);
        return false;
    }
    if (!ScriptLock) ScriptLock = std::make_unique<runtime::TCriticalSection>();

    TSiteCheck check(site, limits);
    runningCheck = &check;
    struct Finish {
        TSiteCheck& check;
        ~Finish() {
            if (runningCheck == &check) runningCheck = nullptr;
        }
    } finish{check};

    RunningThreads = 0;
    const auto pending = [&check] {
        if (Callbacks.ProcessPending) Callbacks.ProcessPending();
        return !check.aborted;
    };
    for (int i = 0; i < site.Keywords.Count(); ++i) {
        if (!pending()) return false;
        TKeyword& keyword = *site.Keywords.Items(i);
        CurrentKeyword = &keyword;
        if (keyword.Active) {
            check.WaitWhile([] { return RunningThreads >= kMaxSearchWorkers; }, true);
            if (check.aborted) return false;
            if (!site.Stop) StartSearchThread(check, keyword);
        }
        if (!pending()) return false;
        if (site.Stop) {
            check.SendStop();
            break;
        }
    }
    JoinWorkers(check);
    if (check.aborted) return false;
    if (check.reportError) std::rethrow_exception(check.reportError);
    return true;
}

bool CheckRunning() {
    return runningCheck != nullptr;
}

void StopCheck() {
    if (runningCheck != nullptr) runningCheck->SendStop();
}

void AbortCheck() {
    TSiteCheck* check = runningCheck;
    if (check == nullptr) return;
    check->SendStop();
    JoinWorkers(*check);
    check->aborted = true;
    runningCheck = nullptr;
}

}  // namespace core
