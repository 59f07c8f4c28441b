// A site check of 1,000 keywords through the "Local" engine against the
// local result server (tests/servers/serp), friendly mode off, one result
// page per keyword: keywords per second of the whole check, and the script
// overhead per keyword (compiling the engine and running its Search, the
// page fetch excluded: a search's time less the time of fetching its page
// alone). The same page is fetched by curl in the same run: one page per
// curl process, a hundred in one process on one connection, and a hundred
// in one process with a connection each, as DownloadURL makes them.
//
// Run from the repository root, after a release build:
//   cmake -S . -B build/bench-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSERPLOW_SANITIZE=OFF
//   cmake --build build/bench-release --target check_bench
//   /usr/bin/python3 tests/servers/peers.py --serp -- build/bench-release/bench/check_bench
//
// Aims: overhead under 3 ms per keyword; the whole check under 10 s.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/curl_compare.h"
#include "core/core_test_support.h"
#include "core/download.h"
#include "core/host_text.h"
#include "core/keyword.h"
#include "core/search.h"
#include "core/search_test_support.h"
#include "core/site.h"
#include "runtime/strings.h"
#include "script/limits.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeywords = 1000;
// Keywords whose search and fetch are timed one by one.
constexpr int kSampled = 200;
constexpr int kCurlPages = 100;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::u16string Keyword(int i) {
    return u"keyword" + runtime::AnsiToWide(std::to_string(i)) + u" at:" +
           runtime::AnsiToWide(std::to_string(i % 10 + 1));
}

// The first page the Local engine asks for a keyword.
std::string PageOf(const std::string& port, const std::u16string& keyword) {
    return "http://127.0.0.1:" + port + "/search?q=" + core::EncodeURL(keyword + u'\x0002') +
           "&start=0";
}

// One search and its fetch alone, timed on a thread with the script stack.
class SampleThread : public runtime::TThread {
  public:
    explicit SampleThread(const std::string& port) : port_(port) {
        SetStackSize(script::kScriptStackSize);
    }
    ~SampleThread() override { TerminateAndWait(); }

    double searchMs = 0;
    double fetchMs = 0;
    bool failed = false;

  protected:
    void Execute() override {
        for (int i = 0; i < kSampled; ++i) {
            const std::u16string keyword = Keyword(i);
            core::TFetchContext fetch;
            core::TKeywordSearch search;
            auto start = Clock::now();
            core::SearchKeyword(*core::CurrentEngine, keyword, 10, fetch, search);
            searchMs += MsSince(start);
            failed = failed || !search.Succeeded;

            core::TFetchContext alone;
            start = Clock::now();
            const std::string page = core::DownloadURL(PageOf(port_, keyword), alone);
            fetchMs += MsSince(start);
            failed = failed || page.empty();
        }
    }

  private:
    const std::string port_;
};

}  // namespace

int main() {
    const char* port = std::getenv("SERPLOW_TEST_SERP_PORT");
    if (!port) {
        std::fprintf(stderr, "run through tests/servers/peers.py --serp\n");
        return 1;
    }
    core::testing::ScopedSearchProgram program(port);
    core::Options->SearchResults = 10;

    // The whole check.
    core::TSite site("www.example-site.test");
    for (int i = 0; i < kKeywords; ++i) site.AddKeyword(Keyword(i));
    int ok = 0;
    core::CoreCallbacks callbacks;
    callbacks.KeywordDone = [&ok](const std::u16string& line) { ok += line.ends_with(u" - OK"); };
    core::testing::ScopedCallbacks scoped(std::move(callbacks));
    const auto start = Clock::now();
    const bool checked = core::CheckSite(site);
    const double checkMs = MsSince(start);
    if (!checked || ok != kKeywords) {
        std::fprintf(stderr, "the check failed: %d of %d keywords\n", ok, kKeywords);
        return 1;
    }

    // Searches and their fetches alone.
    SampleThread sample(port);
    sample.Start();
    (void)sample.WaitFor();
    if (sample.failed) {
        std::fprintf(stderr, "a sampled search failed\n");
        return 1;
    }
    const double searchMs = sample.searchMs / kSampled;
    const double fetchMs = sample.fetchMs / kSampled;

    // curl: one page per process, and kCurlPages pages in one process.
    const std::string page = PageOf(port, Keyword(0));
    const double curlOne = bench::Best([&] { return bench::Curl("'" + page + "'"); });
    std::string many;
    for (int i = 0; i < kCurlPages; ++i) many += " '" + PageOf(port, Keyword(i)) + "'";
    const double curlMany = bench::Best([&] { return bench::Curl(many); }) / kCurlPages;
    // As DownloadURL, a connection of its own for every page.
    const double curlManyClosed =
        bench::Best([&] { return bench::Curl("-H 'Connection: close'" + many); }) / kCurlPages;

    std::printf("check of %d keywords (friendly mode 0, one page each): %.2f s, %.0f keywords/s\n",
                kKeywords, checkMs / 1000, kKeywords / (checkMs / 1000));
    std::printf(
        "per keyword, %d sampled: search %.3f ms, its page alone %.3f ms, "
        "script overhead %.3f ms\n",
        kSampled, searchMs, fetchMs, searchMs - fetchMs);
    std::printf("%-40s %10s %13s %9s\n", "one result page", "DownloadURL", "curl", "ratio");
    bench::Report("one page per curl process", fetchMs, curlOne);
    bench::Report("100 pages in one curl process", fetchMs, curlMany);
    bench::Report("100 pages, one connection each", fetchMs, curlManyClosed);
    return 0;
}
