#pragma once

// The search driver: a site check runs the current engine's script for
// every active keyword, each on a worker thread of its own (at most six
// started and not yet reported), one script run at a time under
// ScriptLock. Every worker reports to the main thread when it ends, through
// the runtime's main-thread call queue, with a log line: the keyword and
// " - OK", or " - Failed: " and the reason. A failed search changes
// nothing of its keyword.

#include <string>
#include <string_view>

#include "core/download.h"
#include "core/link.h"

namespace core {

class TSE;
class TSite;
class TKeyword;

// Workers started and not yet reported, at most.
inline constexpr int kMaxSearchWorkers = 6;

// Knobs of a check that the settings do not hold.
struct TCheckLimits {
    // The HTTP client's wait for each step of a result page request or a
    // call of the SOAP search interface.
    int FetchTimeout = kDefaultFetchTimeout;
    // The SOAP search interface's endpoint; empty: the service's own.
    std::string SoapAddress;
};

// One keyword's search, as a worker runs it.
struct TKeywordSearch {
    TLinkList Links;  // the results in rank order
    bool Succeeded = false;
    // The script did not compile.
    bool CompileFailed = false;
    std::string Reason;  // why it failed, on one line
};

// Runs the engine's Search for `keyword` into `search` (RunSearch), never
// raising: every failure ends up in Reason.
void SearchKeyword(const TSE& engine, std::u16string_view keyword, int depth, TFetchContext& fetch,
                   TKeywordSearch& search);

// Records a finished search on its keyword: when it succeeded, its results
// replace the keyword's links and the keyword's position becomes the
// 1-based index of the first result whose URL contains `siteURL` (0 when
// none). A failed search changes nothing. Answers the log line.
std::u16string RecordSearch(TKeyword& keyword, std::string_view siteURL, TKeywordSearch& search);

// Checks the active keywords of `site` with CurrentEngine, on the main
// thread, processing pending window messages while it waits (an event
// wait, not a poll). First the maker's news is fetched unless news waits
// to be shown (core/news.h); with GoogleKeyActive the keywords then go
// through the SOAP search interface (core/soap_road.h) instead of the
// engine's script. Returns when every worker it started has reported and
// ended. False, after a message through ShowMessage, when the script road
// finds no engine chosen or the script host not set up; false also when
// another check runs, and when the check was aborted.
bool CheckSite(TSite& site, const TCheckLimits& limits = {});

// Whether a check runs (main thread).
[[nodiscard]] bool CheckRunning();
// Asks the running check to stop (main thread): its site's Stop is set, no
// further keyword starts, and the friendly waits, the requests and the
// script runs in progress end. Setting the site's Stop directly works too,
// a little later.
void StopCheck();
// Stops the running check and waits until every worker has ended (main
// thread). Call it before freeing or replacing sites while a check may be
// running below (a close or a project load from a message processed
// during the check): the CheckSite that runs below then returns without
// touching its site again.
void AbortCheck();

}  // namespace core
