#pragma once

// Shared by the core's tests against tests/servers/serp (started by
// tests/servers/peers.py --serp): the server's addresses, its request
// counts, and settings in a data folder of their own for a test.

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "core/core_test_support.h"
#include "core/options.h"
#include "core/state.h"
#include "net/httpsend.h"
#include "runtime/container_test_support.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace core::testing {

// "http://127.0.0.1:PORT" + path.
inline std::string SerpURL(const std::string& port, const std::string& path) {
    return "http://127.0.0.1:" + port + path;
}

// The search page of a keyword given as the server reads it.
inline std::string SerpSearchURL(const std::string& port, const std::string& keyword,
                                 int start = 0) {
    std::string query;
    for (unsigned char c : keyword) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        query += '%';
        query += kHex[c >> 4];
        query += kHex[c & 15];
    }
    return SerpURL(port, "/search?q=" + query + "&start=" + std::to_string(start));
}

// Requests the server has seen per path since the last reset.
inline std::map<std::string, int> SerpRequests(const std::string& port) {
    net::THTTPSend http;
    std::map<std::string, int> counts;
    if (!http.ExecuteRequest("GET", SerpURL(port, "/requests"))) return counts;
    runtime::TMemoryStream& document = http.Document();
    const std::string body(static_cast<const char*>(document.Memory()),
                           static_cast<size_t>(document.Size()));
    size_t at = 0;
    while (at < body.size()) {
        const size_t end = body.find('\n', at);
        const std::string line = body.substr(at, end - at);
        const size_t space = line.rfind(' ');
        if (space != std::string::npos && line.substr(0, space) != "/requests") {
            counts[line.substr(0, space)] = std::stoi(line.substr(space + 1));
        }
        at = end == std::string::npos ? body.size() : end + 1;
    }
    return counts;
}

inline void ResetSerpRequests(const std::string& port) {
    net::THTTPSend http;
    (void)http.ExecuteRequest("GET", SerpURL(port, "/reset"));
}

// Options with a data folder of their own, friendly mode off, no news
// check, for the scope; the program's settings come back after it. The
// folder's name is outside the code page, as a user profile's may be.
class ScopedFetchOptions {
  public:
    ScopedFetchOptions() : saved_(std::move(Options)) {
        Options = std::make_unique<TOptions>(MakeWideFolder(folder_));
        Options->HumanActivitySimulation = 0;
        // News waiting to be shown: a check makes no news request to the
        // maker's server.
        Options->NeedToShowNews = true;
    }
    ~ScopedFetchOptions() { Options = std::move(saved_); }
    ScopedFetchOptions(const ScopedFetchOptions&) = delete;
    ScopedFetchOptions& operator=(const ScopedFetchOptions&) = delete;

    std::u16string CookieFile(const std::string& name) const {
        return Options->DataDir + u"Cookies" + char16_t(runtime::os::PathDelim) +
               runtime::AnsiToWide(name);
    }

  private:
    runtime::testing::TempFolder folder_;
    std::unique_ptr<TOptions> saved_;
};

}  // namespace core::testing
