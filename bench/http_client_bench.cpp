// The HTTP client against curl on the same local nginx, in the same run:
// a 64 MiB body sized, chunked and read to the close, and 1,000 sequential
// small GETs on one kept connection. Prints the ratio to curl (below 1:
// faster than curl).
//
// The client keeps the body in memory, curl writes it to /dev/null: a new
// client pays for 64 MiB of fresh memory, which on some virtual machines
// costs more than the transfer itself. So each run of a body measures, one
// after the other, what the machine charges for touching 64 MiB of fresh
// memory once (a new block, one write per page), a new client, curl and a
// reused client; the new client is also shown less the touch measured
// beside it. The figures of the bodies are medians of kBodyRuns such runs,
// which holds up on a machine shared with other work; the small GETs are
// the best of a few runs.
//
// Run from the repository root, after a release build:
//   cmake -S . -B build/bench-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSERPLOW_SANITIZE=OFF
//   cmake --build build/bench-release --target http_client_bench
//   /usr/bin/python3 tests/servers/peers.py --nginx --file big.bin:67108864 --
//     build/bench-release/bench/http_client_bench
//
// curl runs as a program of its own, so its figures include one process
// start (a few milliseconds) per measurement.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/curl_compare.h"
#include "net/httpsend.h"
#include "net/socket_api.h"

namespace {

using bench::Best;
using bench::Curl;
using bench::Report;
using Clock = std::chrono::steady_clock;

constexpr int64_t kBigSize = int64_t{64} << 20;
constexpr int kSmallRequests = 1000;
constexpr int kBodyRuns = 9;

// Milliseconds of one run; a failed run ends the benchmark.
double Time(const std::function<bool()>& run) {
    const auto start = Clock::now();
    if (!run()) {
        std::fprintf(stderr, "a run failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A new block of 64 MiB, one write per page, freed.
bool TouchFreshMemory() {
    auto* block = static_cast<volatile char*>(std::malloc(static_cast<size_t>(kBigSize)));
    if (!block) return false;
    for (int64_t i = 0; i < kBigSize; i += 4096) block[i] = 1;
    std::free(const_cast<char*>(block));
    return true;
}

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
    // A new client each run takes its 64 MiB document afresh; a client
    // that is reused keeps the memory of its last document.
    net::THTTPSend reused;
    for (const Body& body : bodies) {
        std::string url = base + body.path;
        auto fetch = [&](net::THTTPSend& http) {
            http.Clear();
            http.Protocol = body.protocol;
            bool ok = http.ExecuteRequest("GET", url);
            if (!ok || http.ResultCode() != 200 || http.Document().Size() != kBigSize) {
                std::fprintf(stderr, "%s: result %d, status %d, %lld bytes, %s\n", url.c_str(), ok,
                             http.ResultCode(), static_cast<long long>(http.Document().Size()),
                             http.LastErrorDesc().c_str());
                return false;
            }
            return true;
        };
        std::vector<double> touch, fresh, lessMemory, curl, warm;
        for (int run = 0; run < kBodyRuns; ++run) {
            touch.push_back(Time(TouchFreshMemory));
            fresh.push_back(Time([&] {
                net::THTTPSend http;
                return fetch(http);
            }));
            lessMemory.push_back(fresh.back() - touch.back());
            curl.push_back(
                Time([&] { return Curl(std::string(body.curlOptions) + " -o /dev/null " + url); }));
            warm.push_back(Time([&] { return fetch(reused); }));
        }
        double curlMedian = Median(curl);
        std::printf("%-40s %10.1f ms\n", (std::string(body.what) + ": memory touched once").c_str(),
                    Median(touch));
        Report(std::string(body.what) + ", new client", Median(fresh), curlMedian);
        Report(std::string(body.what) + ", new, less memory", Median(lessMemory), curlMedian);
        Report(std::string(body.what) + ", reused client", Median(warm), curlMedian);
    }

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
