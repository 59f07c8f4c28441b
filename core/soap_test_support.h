#pragma once

// Shared by the tests of the SOAP road and the news and version checks,
// against tests/servers/soap_server.py and maker_server.py (started by
// tests/servers/peers.py --soap --maker): plain requests to the servers,
// the calls the SOAP server has seen, and the program's state for a scope
// (settings of their own, a temporary folder of its own, the maker's host
// pointed at the local server).

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/core_test_support.h"
#include "core/fetch_test_support.h"
#include "core/maker.h"
#include "core/state.h"
#include "net/httpsend.h"
#include "net/testing/scripted_peer.h"
#include "runtime/container_test_support.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace core::testing {

// The body of a request to a test server; empty when it failed.
inline std::string Fetch(const std::string& method, const std::string& url,
                         const std::string& body = {}) {
    net::testing::EnsureSocketInterface();
    net::THTTPSend http;
    if (!body.empty()) http.Document().WriteBuffer(body.data(), static_cast<int64_t>(body.size()));
    if (!http.ExecuteRequest(method, url)) return {};
    runtime::TMemoryStream& document = http.Document();
    return std::string(static_cast<const char*>(document.Memory()),
                       static_cast<size_t>(document.Size()));
}

// One call the SOAP server has seen.
struct SoapCall {
    std::string operation;
    std::string action;       // the SOAPAction header
    std::string contentType;  // the Content-Type header
    std::string rawQ;         // q as it was sent, between its tags
    // name, xsi:type, text (UTF-8), in the order sent
    std::vector<std::array<std::string, 3>> args;

    [[nodiscard]] std::string Arg(const std::string& name) const {
        for (const auto& arg : args) {
            if (arg[0] == name) return arg[2];
        }
        return "<missing>";
    }
};

inline std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
        parts.push_back(text.substr(start, at - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

inline std::vector<SoapCall> SoapCalls(const std::string& port) {
    std::vector<SoapCall> calls;
    for (const std::string& line :
         Split(Fetch("GET", "http://127.0.0.1:" + port + "/calls"), '\n')) {
        const std::vector<std::string> fields = Split(line, '\t');
        if (fields.size() < 4) continue;
        SoapCall call{fields[0], fields[1], fields[2], fields[3], {}};
        for (size_t i = 4; i < fields.size(); ++i) {
            const size_t first = fields[i].find('=');
            const size_t second = fields[i].find('=', first + 1);
            call.args.push_back({fields[i].substr(0, first),
                                 fields[i].substr(first + 1, second - first - 1),
                                 fields[i].substr(second + 1)});
        }
        calls.push_back(std::move(call));
    }
    return calls;
}

inline void ResetSoapCalls(const std::string& port) {
    (void)Fetch("GET", "http://127.0.0.1:" + port + "/reset");
}

// The program for a scope: settings in a data folder of their own (no news
// waiting), TempDir a folder of its own, the maker's server the local one
// at `makerPort` (its pages and counts reset), no country tables made.
class ScopedMakerProgram {
  public:
    explicit ScopedMakerProgram(const std::string& makerPort)
        : savedTempDir_(TempDir), savedNewVersion_(NewVersionText) {
        Options->NeedToShowNews = false;
        TempDir = MakeWideFolder(temp_);
        environment_.Set(kMakerHostVariable, "127.0.0.1:" + makerPort);
        (void)Fetch("GET", MakerURL("/reset"));
    }
    ~ScopedMakerProgram() {
        TempDir = savedTempDir_;
        NewVersionText = savedNewVersion_;
    }
    ScopedMakerProgram(const ScopedMakerProgram&) = delete;
    ScopedMakerProgram& operator=(const ScopedMakerProgram&) = delete;

    // Sets what the maker's server answers for "news" or "version";
    // `query`: "name=value&..." as text, encoded here.
    void SetPage(const std::string& name, const std::string& body, const std::string& query) {
        std::string encoded;
        for (const char c : query) {
            if (c == ' ') {
                encoded += "%20";
            } else {
                encoded += c;
            }
        }
        ASSERT_EQ(Fetch("POST", MakerURL("/set/" + name + "?" + encoded), body), "set");
    }
    // "path count proxied" lines of the requests seen since the reset.
    std::string Requests() const { return Fetch("GET", MakerURL("/requests")); }

    std::u16string TempFile(const std::string& name) const {
        return TempDir + runtime::AnsiToWide(name);
    }

  private:
    ScopedFetchOptions options_;
    runtime::testing::TempFolder temp_;
    ScopedEnvironment environment_;
    std::u16string savedTempDir_;
    std::string savedNewVersion_;
};

}  // namespace core::testing
