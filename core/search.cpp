#include "core/search.h"

#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "core/engines.h"
#include "core/keyword.h"
#include "core/news.h"
#include "core/options.h"
#include "core/script_host.h"
#include "core/site.h"
#include "core/soap_road.h"
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

// A finished search waiting for the main thread.
struct TReport {
    TKeyword* keyword;
    std::unique_ptr<TKeywordSearch> search;
};

// The reports of one check, shared with the calls it queued on the main
// thread: a queued call that runs after the check has closed its box does
// nothing, so no report outlives its check.
struct TReportBox {
    std::mutex lock;
    std::deque<TReport> reports;  // guarded by lock
    bool closed = false;          // main thread only
    // The first error a report raised in the window.
    std::exception_ptr error;  // main thread only
};

// The check in progress.
struct TSiteCheck {
    TSiteCheck(TSite& checked, const TCheckLimits& checkLimits)
        : site(&checked), limits(checkLimits), box(std::make_shared<TReportBox>()) {}

    TSite* site;
    TCheckLimits limits;
    std::shared_ptr<TReportBox> box;
    std::vector<std::unique_ptr<TThreadSearch>> workers;
    // AbortCheck ended the check while CheckSite still runs below it.
    bool aborted = false;
    bool stopSent = false;

    // Waits, processing pending messages, while `busy` holds; also leaves
    // on a stop when `leaveOnStop`, and at once when the check was aborted.
    template <class Busy>
    void WaitWhile(Busy busy, bool leaveOnStop);
    // Passes a stop set on the site to the workers.
    void SendStop();
};

TSiteCheck* runningCheck = nullptr;

// Main thread: records and logs the reports that have come, one at a time
// (a report's log line may stop the check or abort it, which delivers the
// rest itself and closes the box). Each report counts its worker out.
void DeliverReports(TReportBox& box, const std::string& siteURL) {
    while (!box.closed) {
        TReport report;
        {
            std::lock_guard guard(box.lock);
            if (box.reports.empty()) return;
            report = std::move(box.reports.front());
            box.reports.pop_front();
        }
        --RunningThreads;
        try {
            const std::u16string line = RecordSearch(*report.keyword, siteURL, *report.search);
            if (Callbacks.KeywordDone) Callbacks.KeywordDone(line);
        } catch (...) {
            if (!box.error) box.error = std::current_exception();
        }
    }
}

// One keyword's check on a thread with the stack scripts need. It never
// waits for the main thread: its report goes through the main-thread call
// queue, so it can always be joined.
class TThreadSearch final : public runtime::TThread {
  public:
    TThreadSearch(TSiteCheck& check, TKeyword& keyword)
        : box_(check.box),
          siteURL_(check.site->URL),
          keyword_(keyword),
          name_(keyword.Name),
          engine_(*CurrentEngine),
          depth_(Options ? Options->SearchResults : 10),
          fetch_(&check.site->Stop, check.limits.FetchTimeout),
          search_(std::make_unique<TKeywordSearch>()) {
        SetStackSize(script::kScriptStackSize);
    }
    ~TThreadSearch() override { TerminateAndWait(); }

    TFetchContext& Fetch() { return fetch_; }

  protected:
    void Execute() override {
        SearchKeyword(engine_, name_, depth_, fetch_, *search_);
        {
            std::lock_guard guard(box_->lock);
            box_->reports.push_back({&keyword_, std::move(search_)});
        }
        runtime::Queue([box = box_, url = siteURL_] { DeliverReports(*box, url); });
    }

  private:
    const std::shared_ptr<TReportBox> box_;
    const std::string siteURL_;
    TKeyword& keyword_;
    const std::u16string name_;
    const TSE& engine_;
    const int depth_;
    TFetchContext fetch_;
    std::unique_ptr<TKeywordSearch> search_;
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

// Waits for every report, then for the threads' ends, and closes the box.
void JoinWorkers(TSiteCheck& check) {
    check.WaitWhile([] { return RunningThreads > 0; }, false);
    check.workers.clear();
    check.box->closed = true;
}

void Refuse(const char* message) {
    if (Callbacks.ShowMessage) {
        Callbacks.ShowMessage(message, "Error", MessageKind::Error, MessageOwner::CheckProgress);
    }
}

}  // namespace

void SearchKeyword(const TSE& engine, std::u16string_view keyword, int depth, TFetchContext& fetch,
                   TKeywordSearch& search) {
    TLinkList extra;
    search.Succeeded = false;
    search.CompileFailed = false;
    try {
        const TSearchOutcome outcome =
            RunSearch(engine, keyword, depth, search.Links, extra, fetch);
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
    const bool soapRoad = Options && Options->GoogleKeyActive;
    if (!soapRoad && CurrentEngine == nullptr) {
        Refuse(kNoEngineMessage);
        return false;
    }
    if (!soapRoad && ScriptComponent() == nullptr) {
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
    if (Options && !Options->NeedToShowNews) FetchNews();
    if (soapRoad) return RunSoapRoad(site, limits, pending);
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
    if (check.box->error) std::rethrow_exception(check.box->error);
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
    // A report delivered below may ask again: once is enough.
    runningCheck = nullptr;
    check->SendStop();
    // Workers never wait for the main thread, so they can be joined from
    // anywhere, a report's log line included.
    check->workers.clear();
    DeliverReports(*check->box, check->site->URL);
    // A worker stopped before its thread got to the search never searched
    // and sent no report; every thread is joined, so none runs.
    RunningThreads = 0;
    check->box->closed = true;
    check->aborted = true;
}

}  // namespace core
