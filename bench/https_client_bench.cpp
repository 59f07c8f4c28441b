// The HTTP client over TLS against curl on the same local nginx, in the
// same run: a 64 MiB body over HTTPS, sized and chunked. Prints the best of
// a few runs of each and the ratio to curl (below 1: faster than curl).
//
// Both sides skip certificate verification (the client by default, curl
// with -k), so the same handshake and the same cipher are measured. The
// client keeps the body in memory, curl writes it to /dev/null: the client
// is measured new (its 64 MiB of memory made afresh) and reused.
//
// Run from the repository root, after a release build:
//   cmake -S . -B build/bench-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSERPLOW_SANITIZE=OFF
//   cmake --build build/bench-release --target https_client_bench
//   /usr/bin/python3 tests/servers/peers.py --nginx --tls --file big.bin:67108864 --
//     build/bench-release/bench/https_client_bench
//
// curl runs as a program of its own, so its figures include one process
// start (a few milliseconds) per measurement.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/curl_compare.h"
#include "net/httpsend.h"
#include "net/socket_api.h"
#include "net/ssl_openssl.h"
#include "runtime/streams.h"

namespace {

using bench::Best;
using bench::Curl;
using bench::Report;

constexpr int64_t kBigSize = int64_t{64} << 20;

}  // namespace

int main() {
    const char* port = std::getenv("SERPLOW_TEST_NGINX_TLS_PORT");
    if (!port) {
        std::fprintf(stderr,
                     "run through tests/servers/peers.py --nginx --tls --file big.bin:67108864\n");
        return 1;
    }
    net::InitSocketInterface();
    if (!net::InitSSLInterface()) {
        std::fprintf(stderr, "%s\n", net::OpenSSLLibrary().LoadError().c_str());
        return 1;
    }
    std::string base = std::string("https://127.0.0.1:") + port;

    std::printf("%-40s %13s %13s %9s\n", "", "client", "curl", "ratio");
    struct Body {
        const char* what;
        const char* path;
    } bodies[] = {
        {"64 MiB over HTTPS, sized", "/big.bin"},
        {"64 MiB over HTTPS, chunked", "/chunked/big.bin"},
    };
    net::THTTPSend reused;
    reused.Protocol = "1.1";
    std::string cipher;
    for (const Body& body : bodies) {
        std::string url = base + body.path;
        auto fetch = [&](net::THTTPSend& http) {
            http.Clear();
            http.Protocol = "1.1";
            bool ok = http.ExecuteRequest("GET", url);
            if (!ok || http.ResultCode() != 200 || http.Document().Size() != kBigSize) {
                std::fprintf(stderr, "%s: result %d, status %d, %lld bytes, socket error %d %s\n",
                             url.c_str(), ok, http.ResultCode(),
                             static_cast<long long>(http.Document().Size()),
                             http.Sock().LastError(), http.Sock().SSL().LastErrorDesc().c_str());
                return false;
            }
            cipher = http.Sock().SSL().ProtocolVersion() + " " + http.Sock().SSL().CipherName();
            return true;
        };
        double fresh = Best([&] {
            net::THTTPSend http;
            return fetch(http);
        });
        double warm = Best([&] { return fetch(reused); });
        double curl = Best([&] { return Curl("-k -o /dev/null " + url); });
        Report(std::string(body.what) + ", new client", fresh, curl);
        Report(std::string(body.what) + ", reused client", warm, curl);
    }
    // What the machine charges for 64 MiB of fresh memory, for reading the
    // "new client" lines.
    double memory = Best([] {
        runtime::TMemoryStream block;
        block.SetSize(kBigSize);
        return block.Size() == kBigSize;
    });
    std::printf("%-40s %10.1f ms\n", "(64 MiB of fresh memory, zeroed)", memory);
    std::printf("(client: %s)\n", cipher.c_str());
    net::DestroySSLInterface();
    net::DoneSocketInterface();
    return 0;
}
