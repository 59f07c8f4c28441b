#include "core/download.h"

#include <algorithm>
#include <random>

#include "core/options.h"
#include "core/state.h"
#include "net/httpsend.h"
#include "net/url.h"
#include "runtime/exceptions.h"
#include "runtime/os/files.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace core {

namespace {

constexpr int kMaxFriendlyMode = 3;
// How often the friendly delay looks at the site's own stop request, for
// a stop set on the site directly instead of through the context.
constexpr uint32_t kStopPollMs = 50;

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && runtime::SameText(s.substr(0, prefix.size()), prefix);
}

std::string DefaultPort(const std::string& protocol) {
    if (runtime::SameText(protocol, "https")) return "443";
    if (runtime::SameText(protocol, "ftp")) return "21";
    return "80";
}

// "scheme://host[:port]" of a parsed address; the port only when it is not
// the scheme's default.
std::string Origin(const net::TURLParts& parts) {
    const bool ipv6 = parts.Host.find(':') != std::string::npos;
    std::string origin = parts.Protocol + "://" + (ipv6 ? "[" + parts.Host + "]" : parts.Host);
    if (parts.Port != DefaultPort(parts.Protocol)) origin += ":" + parts.Port;
    return origin;
}

// The address a "Location" value names, seen from the address that answered.
std::string ResolveLocation(const std::string& current, std::string location) {
    if (StartsWithNoCase(location, "http://") || StartsWithNoCase(location, "https://")) {
        return location;
    }
    net::TURLParts parts;
    (void)net::ParseURL(current, parts);
    if (location.starts_with("//")) return parts.Protocol + ":" + location;
    if (location.starts_with("/")) return Origin(parts) + location;
    // Relative to the folder of the current path.
    const size_t slash = parts.Path.rfind('/');
    return Origin(parts) + parts.Path.substr(0, slash + 1) + location;
}

// The value of the response's "Location" header, when it has one.
bool FindLocation(const runtime::TStrings& headers, std::string& location) {
    // The status line comes first.
    for (int i = 1; i < headers.Count(); ++i) {
        const std::string line = headers.Strings(i);
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        if (!runtime::SameText(runtime::Trim(std::string_view(line).substr(0, colon)),
                               "location")) {
            continue;
        }
        location = runtime::Trim(std::string_view(line).substr(colon + 1));
        return !location.empty();
    }
    return false;
}

uint32_t FriendlyDelay() {
    const int mode =
        std::clamp(Options ? Options->HumanActivitySimulation : 0, 0, kMaxFriendlyMode);
    if (mode == 0) return 0;
    thread_local std::mt19937 random{std::random_device{}()};
    const int r = std::uniform_int_distribution<int>(0, 3)(random);
    return static_cast<uint32_t>(mode * (r + 1) * 1000);
}

// The cookie jar of the host being talked to, kept in its file.
class TCookieFiles {
  public:
    TCookieFiles(net::THTTPSend& http, std::u16string folder)
        : http_(http), folder_(std::move(folder)) {}

    // Makes the jar the one of the host of `url`.
    void SwitchTo(const std::string& url) {
        net::TURLParts parts;
        (void)net::ParseURL(url, parts);
        const std::u16string file =
            folder_ + runtime::AnsiToWide(CookieFileName(parts.Protocol, parts.Host, parts.Port));
        if (file == file_) return;
        file_ = file;
        http_.Cookies().Clear();
        if (runtime::os::FileExists(file_)) http_.Cookies().LoadFromFile(file_);
    }

    // Keeps what the last answer left in the jar.
    void Save() {
        if (http_.Cookies().Count() == 0) return;
        if (!runtime::os::DirectoryExists(folder_) && !runtime::os::ForceDirectories(folder_)) {
            throw runtime::EInOutError("Unable to create the folder " +
                                       runtime::WideToAnsi(folder_));
        }
        http_.Cookies().SaveToFile(file_);
    }

  private:
    net::THTTPSend& http_;
    const std::u16string folder_;
    std::u16string file_;
};

}  // namespace

// ---- TFetchContext -----------------------------------------------------------------------

void TFetchContext::Stop() {
    stopped_ = true;
    stopEvent_.SetEvent();
    std::lock_guard guard(lock_);
    if (activeSocket_ != nullptr) activeSocket_->StopFlag = true;
}

std::string TFetchContext::LastError() const {
    std::lock_guard guard(lock_);
    return lastError_;
}

bool TFetchContext::Wait(uint32_t ms) {
    uint32_t waited = 0;
    while (waited < ms) {
        if (StopRequested()) return false;
        const uint32_t slice = std::min(kStopPollMs, ms - waited);
        if (stopEvent_.WaitFor(slice) == runtime::wrSignaled) return false;
        waited += slice;
    }
    return !StopRequested();
}

void TFetchContext::SetActiveSocket(net::TBlockSocket* socket) {
    std::lock_guard guard(lock_);
    activeSocket_ = socket;
    // A stop that came just before the request began must not be lost.
    if (socket != nullptr && StopRequested()) socket->StopFlag = true;
}

void TFetchContext::Fail(std::string reason) {
    std::lock_guard guard(lock_);
    lastError_ = std::move(reason);
    failed_ = true;
}

// ---- DownloadURL ---------------------------------------------------------------------------

std::string CookieFileName(const std::string& protocol, const std::string& host,
                           const std::string& port) {
    std::string name = runtime::LowerCase(host);
    if (!port.empty() && port != DefaultPort(protocol)) name += "_" + port;
    for (char& c : name) {
        const bool safe =
            (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!safe) c = '_';
    }
    // Dots alone would name the folder or its parent.
    if (name.find_first_not_of('.') == std::string::npos) name = "_" + name;
    return name + ".txt";
}

void UseProxySettings(net::THTTPSend& http) {
    if (!Options) return;
    http.ProxyHost = Options->ProxyHost;
    http.ProxyPort = Options->ProxyPort;
    http.ProxyUser = Options->ProxyUser;
    http.ProxyPass = Options->ProxyPass;
}

std::string DownloadURL(const std::string& url, TFetchContext& context) {
    if (!context.Wait(FriendlyDelay())) {
        context.Fail("Stopped");
        return {};
    }

    net::THTTPSend http;
    http.Timeout = context.Timeout();
    UseProxySettings(http);
    http.UserAgent = kBrowserUserAgent;
    http.Sock().OnStatus = [&context](net::TBlockSocket* sender, net::THookSocketReason,
                                      const std::string&) {
        if (context.StopRequested()) sender->StopFlag = true;
    };
    const std::u16string dataDir = Options ? Options->DataDir : ExeDir;
    TCookieFiles cookies(http, dataDir + u"Cookies" + char16_t(runtime::os::PathDelim));

    struct ActiveSocket {
        TFetchContext& context;
        ~ActiveSocket() { context.SetActiveSocket(nullptr); }
    } active{context};
    context.SetActiveSocket(&http.Sock());

    std::string address = url;
    std::string failure;
    for (int request = 0; request < kMaxFetchRequests; ++request) {
        if (context.StopRequested()) {
            context.Fail("Stopped");
            return {};
        }
        cookies.SwitchTo(address);
        http.Clear();
        if (!http.ExecuteRequest("GET", address)) {
            context.Fail(context.StopRequested()
                             ? std::string("Stopped")
                             : "Unable to download " + address + ": " + http.LastErrorDesc());
            return {};
        }
        cookies.Save();
        if (http.ResultCode() == 200) {
            runtime::TMemoryStream& document = http.Document();
            std::string body;
            if (document.Size() > 0) {
                body.assign(static_cast<const char*>(document.Memory()),
                            static_cast<size_t>(document.Size()));
            }
            std::erase(body, '\0');
            return body;
        }
        std::string location;
        if (FindLocation(http.Headers(), location)) {
            address = ResolveLocation(address, location);
            failure = "Too many redirects from " + url;
        } else {
            failure = "Unable to download " + address + ": HTTP " +
                      std::to_string(http.ResultCode()) + " " + http.ResultString();
        }
    }
    context.Fail(failure);
    return {};
}

}  // namespace core
