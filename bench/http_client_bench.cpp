// The HTTP client against curl on the same local nginx, in the same run:
// a 64 MiB body sized, chunked and read to the close, and 1,000 sequential
// small GETs on one kept connection. Prints the best of a few runs of each
// and the ratio to curl (below 1: faster than curl).
//
// The client keeps the body in memory, curl writes it to /dev/null: a new
// client pays for 64 MiB of fresh memory, which on some virtual machines
// costs more than the transfer itself. Both a new and a reused client are
// measured.
//
// Run from the repository root, after a release build:
//   cmake -S . -B build/bench-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSERPLOW_SANITIZE=OFF
//   cmake --build build/bench-release --target http_client_bench
//   /usr/bin/python3 tests/servers/peers.py --nginx --file big.bin:67108864 --
//     build/bench-release/bench/http_client_bench
//
// curl runs as a program of its own, so its figures include one process
// start (a few milliseconds) per measurement.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/curl_compare.h"
#include "net/httpsend.h"
#include "net/socket_api.h"
#include "runtime/streams.h"

namespace {

using bench::Best;
using bench::Curl;
using bench::Report;

constexpr int64_t kBigSize = int64_t{64} << 20;
constexpr int kSmallRequests = 1000;

}  // namespace

int main() {
    const char* port = std::getenv("SERPLOW_TEST_NGINX_PORT");
    if (!port) {
        std::fprintf(stderr,
                     "run through tests/servers/peers.py --nginx --file big.bin:67108864\n");
        return 1;
    }
    net::InitSocketInterface();
    std::string base = std::string("http://127.0.0.1:") + port;

    std::printf("%-40s %13s %13s %9s\n", "", "client", "curl", "ratio");
    struct Body {
        const char* what;
        const char* path;
        const char* protocol;
        const char* curlOptions;
    } bodies[] = {
        {"64 MiB sized", "/big.bin", "1.1", ""},
        {"64 MiB chunked", "/chunked/big.bin", "1.1", ""},
        {"64 MiB to the close", "/chunked/big.bin", "1.0", "-0"},
    };
    // A new client each run allocates its 64 MiB document afresh; a client
    // that is reused keeps the memory of its last document.
    net::THTTPSend reused;
    for (const Body& body : bodies) {
        std::string url = base + body.path;
        auto fetch = [&](net::THTTPSend& http) {
            http.Clear();
            http.Protocol = body.protocol;
            bool ok = http.ExecuteRequest("GET", url);
            if (!ok || http.ResultCode() != 200 || http.Document().Size() != kBigSize) {
                std::fprintf(stderr, "%s: result %d, status %d, %lld bytes, socket error %d\n",
                             url.c_str(), ok, http.ResultCode(),
                             static_cast<long long>(http.Document().Size()),
                             http.Sock().LastError());
                return false;
            }
            return true;
        };
        double fresh = Best([&] {
            net::THTTPSend http;
            return fetch(http);
        });
        double warm = Best([&] { return fetch(reused); });
        double curl =
            Best([&] { return Curl(std::string(body.curlOptions) + " -o /dev/null " + url); });
        Report((std::string(body.what) + ", new client").c_str(), fresh, curl);
        Report((std::string(body.what) + ", reused client").c_str(), warm, curl);
    }

    // What the machine charges for 64 MiB of fresh memory, for reading the
    // "new client" lines.
    double memory = Best([] {
        runtime::TMemoryStream block;
        block.SetSize(kBigSize);
        return block.Size() == kBigSize;
    });
    std::printf("%-40s %10.1f ms\n", "(64 MiB of fresh memory, zeroed)", memory);

    std::string small = base + "/small.txt";
    double ours = Best([&] {
        net::THTTPSend http;
        http.Protocol = "1.1";
        for (int i = 0; i < kSmallRequests; ++i) {
            http.Clear();
            if (!http.ExecuteRequest("GET", small) || http.Document().Size() != 6) return false;
        }
        return true;
    });
    std::string config = "/tmp/serplow-bench-curl-" + std::string(port) + ".cfg";
    {
        std::ofstream out(config);
        for (int i = 0; i < kSmallRequests; ++i)
            out << "url = \"" << small << "\"\noutput = \"/dev/null\"\n";
    }
    double curl = Best([&] { return Curl("-K " + config); });
    std::remove(config.c_str());
    Report("1,000 small GETs, one connection", ours, curl);
    net::DoneSocketInterface();
    return 0;
}
