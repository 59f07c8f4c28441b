#pragma once

// DownloadURL: how engine scripts fetch result pages. It waits the friendly
// delay, then fetches the page through the configured proxy with a fixed
// browser user agent and the cookies kept for the page's host, following up
// to three redirects, and gives the body back as bytes.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "runtime/threads.h"

namespace net {
class TBlockSocket;
class THTTPSend;
}  // namespace net

namespace core {

// The user agent of every result-page request.
inline constexpr const char* kBrowserUserAgent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en; rv:1.9.2.12) Gecko/20101026 "
    "Firefox/3.6.12 ( .NET CLR 3.5.30729)";
// Requests one fetch may make: the first and three redirects or retries.
inline constexpr int kMaxFetchRequests = 4;
// The HTTP client's wait for each step of a request, milliseconds.
inline constexpr int kDefaultFetchTimeout = 90000;

// What the fetches of one keyword's check share: the stop request they obey
// and why the last of them failed. Stop may be called from any thread; it
// ends the friendly delay and the request in progress at once.
class TFetchContext {
  public:
    // `siteStop`: the checked site's stop request, read before every wait
    // and request (nullptr: none).
    explicit TFetchContext(const std::atomic<bool>* siteStop = nullptr,
                           int timeout = kDefaultFetchTimeout)
        : timeout_(timeout), siteStop_(siteStop) {}
    TFetchContext(const TFetchContext&) = delete;
    TFetchContext& operator=(const TFetchContext&) = delete;

    [[nodiscard]] bool StopRequested() const {
        return stopped_ || (siteStop_ != nullptr && siteStop_->load());
    }
    void Stop();

    [[nodiscard]] int Timeout() const { return timeout_; }
    // Why the last fetch failed ("" when none did).
    [[nodiscard]] std::string LastError() const;
    [[nodiscard]] bool AnyFailed() const { return failed_; }

  private:
    friend std::string DownloadURL(const std::string& url, TFetchContext& context);
    // Waits up to `ms` or until a stop; false on a stop.
    bool Wait(uint32_t ms);
    void SetActiveSocket(net::TBlockSocket* socket);
    void Fail(std::string reason);

    const int timeout_;
    const std::atomic<bool>* siteStop_;
    std::atomic<bool> stopped_{false};
    std::atomic<bool> failed_{false};
    runtime::TSyncEvent stopEvent_;
    mutable std::mutex lock_;
    net::TBlockSocket* activeSocket_ = nullptr;  // guarded by lock_
    std::string lastError_;                      // guarded by lock_
};

// The page at `url` as bytes with NUL bytes removed; empty when it was not
// fetched (a network failure, a stop, no status 200 within
// kMaxFetchRequests requests), the reason then kept in the context.
//
// Settings from Options: the friendly mode (HumanActivitySimulation, the
// wait before the first request: 0 none, n: n to 4n seconds), the proxy,
// and the data folder, whose "Cookies" folder keeps one file per host.
// Only a "Location" header redirects; a relative target keeps the scheme,
// host and port of the address that answered. Cookies follow the host
// across redirects. EInOutError-like runtime errors when a cookie file
// cannot be written.
std::string DownloadURL(const std::string& url, TFetchContext& context);

// Sets the HTTP client's proxy host, port, user and password from the
// settings; no proxy without settings.
void UseProxySettings(net::THTTPSend& http);

// The cookie file's name for a host and port as ParseURL gives them: the
// host in lower case, "_" and the port when it is not the scheme's default,
// ".txt"; anything but letters, digits, ".", "-" and "_" becomes "_".
std::string CookieFileName(const std::string& protocol, const std::string& host,
                           const std::string& port);

}  // namespace core
