// The script engine against its peers, measured in the same run on the
// same four workloads: a 10-million-iteration integer loop, recursive
// Fib(30), extracting the links of a 266 KB result page 50 times with
// Pos/Copy/Delete, and building such a page from 2,000 pieces appended to a
// growing text and scanning it, 50 times. The peers are Lua 5.4 (lua5.4,
// which joins the pieces with table.concat), CPython (/usr/bin/python3,
// str +=) and Free Pascal (fpc -O2); each runs its own copy of the
// workloads (bench/script_peers) in a process of its own and reports the
// time of the work alone. Also the time to compile a 500-line engine-like
// script (bench/data/engine_like.pas), the time to compile programs of 2k,
// 8k and 32k declared names (it should grow in proportion), and how long
// Stop takes to end a run busy in long built-in functions.
//
// Prints each figure and its ratio to Lua. Build without sanitizers, in
// Release, for figures that mean anything:
//   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSERPLOW_SANITIZE=OFF
//   cmake --build build/release --target script_bench && build/release/bench/script_bench
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/variant.h"
#include "script/init.h"
#include "script/items.h"
#include "script/script.h"

namespace {

namespace fs = std::filesystem;
using runtime::Variant;

constexpr int kRuns = 3;  // each figure is the best of this many runs
constexpr int kWarmUpRuns = 3;
constexpr int kCompileRuns = 200;
constexpr size_t kPageSize = 266 * 1024;
constexpr double kCompileAimMs = 2.0;

// The workloads of the engine and its peers, and the engine-like script,
// beside this file.
fs::path BenchDir() {
    return fs::path(SCRIPT_BENCH_DIR);
}

struct Workload {
    const char* name;  // the peers' argument
    const char* label;
    const char* function;  // in workloads.pas
    double luaAim;         // the engine within this many times Lua's time
    double pythonAim;      // and within this many times CPython's
};

constexpr std::array<Workload, 4> kWorkloads{{
    {"loop", "loop, 10M iterations", "Loop", 5, 1},
    {"fib", "Fib(30)", "Fib", 5, 0.8},
    {"scan", "page scan, 266 KB x 50", "Scan", 2, 1},
    {"build", "page build, 2000 x 50", "Build", 2, 1},
}};

// Names declared by the programs whose compile time is measured.
constexpr std::array<int, 3> kDeclarationCounts{2000, 8000, 32000};
constexpr double kStopAimMs = 100;

struct Peer {
    const char* label;
    // The command line of one run, without the workload and page arguments;
    // empty when the peer is not available.
    std::string command;
};

struct Figure {
    double ms = 0;
    int64_t checksum = 0;
};

// ---- the result page ------------------------------------------------------------

// A fixed pseudo-random sequence, so every run scans the same page.
class Lcg {
  public:
    explicit Lcg(uint32_t seed) : state_(seed) {}
    uint32_t Next(uint32_t bound) {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) % bound;
    }

  private:
    uint32_t state_;
};

constexpr const char* kWords[] = {
    "rank",     "search", "engine", "site",   "keyword", "result",   "page",  "position",
    "web",      "online", "free",   "best",   "guide",   "tools",    "check", "tracker",
    "optimize", "google", "review", "market", "service", "software", "home",  "news",
};

std::string Words(Lcg& rng, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i > 0) out += ' ';
        out += kWords[rng.Next(std::size(kWords))];
    }
    return out;
}

// A page of the size and shape engine scripts parse: a head full of style
// and script, a navigation bar, 100 results each with its result, cache and
// similar-pages links, pagination, and trailing script.
std::string MakeResultPage() {
    Lcg rng(2007);
    std::string head =
        "<!doctype html><html><head><meta http-equiv=\"content-type\" "
        "content=\"text/html; charset=ISO-8859-1\"><title>rank tracker - Search</title><style>";
    for (int i = 0; i < 400; ++i)
        head += ".c" + std::to_string(i) + "{margin:" + std::to_string(rng.Next(20)) +
                "px;color:#" + std::to_string(100000 + rng.Next(899999)) + "}";
    head += "</style>";

    std::string body = "<body><div id=\"gbar\">";
    for (int i = 0; i < 12; ++i)
        body += "<a href=\"http://www.example-search.com/" + Words(rng, 1) +
                "?hl=en\" class=\"gb1\">" + Words(rng, 1) + "</a> ";
    body += "</div><div id=\"res\"><ol>";
    for (int i = 1; i <= 100; ++i) {
        const std::string host = "www." + Words(rng, 1) + std::to_string(i) + ".example.com";
        const std::string url = "http://" + host + "/" + Words(rng, 1) + "/" + Words(rng, 1) + "-" +
                                std::to_string(rng.Next(10000)) + ".html";
        body += "<li class=\"g\"><div class=\"g\"><h3 class=\"r\"><a href=\"" + url +
                "\" class=\"l\" onmousedown=\"return rwt(this,'','','res','" + std::to_string(i) +
                "','AFQjCN','')\">" + Words(rng, 6) + " <em>" + Words(rng, 1) + "</em></a></h3>";
        body += "<div class=\"s\"><span class=\"st\">" + Words(rng, 40) + " <b>...</b> " +
                Words(rng, 12) + "</span><br><cite>" + host + "/" + Words(rng, 1) +
                "</cite> - <span class=\"gl\"><a href=\"http://webcache.example-search.com/"
                "search?q=cache:" +
                std::to_string(rng.Next(100000000)) + ":" + host + "&amp;hl=en\">Cached</a> - " +
                "<a href=\"/search?hl=en&amp;q=related:" + host + "/\">Similar</a></span>" +
                "</div></div></li>";
    }
    body += "</ol></div><div id=\"foot\"><table id=\"nav\"><tr>";
    for (int i = 1; i <= 10; ++i)
        body += "<td><a href=\"/search?q=rank+tracker&amp;start=" + std::to_string(i * 10) + "\">" +
                std::to_string(i + 1) + "</a></td>";
    body += "</tr></table></div>";

    // Script fills the page up to its size, half in the head, half at the end.
    const std::string open = "<script>", endHead = "</script></head>",
                      endPage = "</script></body></html>";
    const size_t fill =
        kPageSize - head.size() - body.size() - 2 * open.size() - endHead.size() - endPage.size();
    std::string script;
    while (script.size() < fill)
        script += "var " + Words(rng, 1) + std::to_string(rng.Next(1000)) +
                  "=function(a,b){return a." + Words(rng, 1) + "(b)||" +
                  std::to_string(rng.Next(100)) + "};";
    script.resize(fill);
    const size_t half = script.size() / 2;
    return head + open + script.substr(0, half) + endHead + body + open + script.substr(half) +
           endPage;
}

// ---- timing ---------------------------------------------------------------------

template <typename F>
double MillisecondsOf(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// ---- the engine -----------------------------------------------------------------

class Engine {
  public:
    explicit Engine(const std::string& page) : page_(page) {
        script::init();
        script::TscScript* global = script::GlobalScript();
        global->DeclareMethodEx(
            "function DownloadURL(const URL: string): string",
            [this](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
                   script::TscMethodHelper&) { return Variant(page_); });
        global->DeclareMethodEx(
            "procedure AddLink(const URL, Title, Description: string; Position: Integer)",
            [this](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
                   script::TscMethodHelper&) {
                ++links_;
                return Variant();
            });
        workloads_.ParentScript = global;
        Compile(workloads_, ReadFile(BenchDir() / "script_peers" / "workloads.pas"));
        workloads_.Execute();
    }
    ~Engine() { script::shutdown(); }

    Figure Run(const Workload& w) {
        Variant args;
        if (w.name == std::string("loop"))
            args = Variant::ArrayOf({Variant(int32_t{10000000})});
        else if (w.name == std::string("fib"))
            args = Variant::ArrayOf({Variant(int32_t{30})});
        else
            args = Variant::ArrayOf({Variant(page_), Variant(int32_t{50})});
        // Runs first, untimed: the program runs scripts all day, and the
        // first runs in a fresh process pay for the allocator settling on
        // the page's large blocks (the first page scans take up to twice as
        // long).
        for (int run = 0; run < kWarmUpRuns; ++run) workloads_.CallScriptFunction(w.function, args);
        Figure best;
        for (int run = 0; run < kRuns; ++run) {
            Variant result;
            const double ms =
                MillisecondsOf([&] { result = workloads_.CallScriptFunction(w.function, args); });
            if (run == 0 || ms < best.ms) best = {ms, result.AsInt64()};
        }
        return best;
    }

    // The mean time of a compile of the engine-like script, and how many
    // links its search finds on the page (a check that it is a working
    // script, not only a compiling one).
    double CompileMs(int& links) {
        const std::string text = ReadFile(BenchDir() / "data" / "engine_like.pas");
        script::TscScript engine;
        engine.ParentScript = script::GlobalScript();
        Compile(engine, text);
        // The time of Compile alone: freeing the previous program is not part of it.
        double total = 0;
        for (int i = 0; i < kCompileRuns; ++i) {
            engine.Clear();
            total += MillisecondsOf([&] { Compile(engine, text); });
        }
        engine.Execute();
        links_ = 0;
        engine.CallScriptFunction(
            "Search", Variant::ArrayOf({Variant("rank tracker"), Variant(int32_t{100})}));
        links = links_;
        return total / kCompileRuns;
    }

    // The time of one compile of a program declaring `count` variables in
    // one list and `count` procedures (the best of a few).
    static double DeclarationsCompileMs(int count) {
        std::string text = "var\r\n";
        for (int i = 0; i < count; ++i)
            text += "  v" + std::to_string(i) + (i + 1 < count ? ",\r\n" : ": Integer;\r\n");
        for (int i = 0; i < count; ++i)
            text += "procedure P" + std::to_string(i) + "; begin v" + std::to_string(i) +
                    " := " + std::to_string(i) + " end;\r\n";
        text += "begin\r\nend.\r\n";
        script::TscScript program;
        program.ParentScript = script::GlobalScript();
        double best = 0;
        for (int run = 0; run < kRuns; ++run) {
            program.Clear();
            const double ms = MillisecondsOf([&] { Compile(program, text); });
            if (run == 0 || ms < best) best = ms;
        }
        return best;
    }

    // How long Stop takes to end a run busy in long built-in functions:
    // the longest of a few such runs, each stopped from this thread once it
    // is under way.
    static double StopLatencyMs(bool verbose = false) {
        const char* bodies[] = {
            "while True do t := Uppercase(s);",
            "while True do i := Pos(Copy(s, 1, 1000000) + 'b', s);",
            "while True do begin t := s + s; t := '' end;",
            "while True do i := CompareText(s, t);",
        };
        double worst = 0;
        for (const char* body : bodies) {
            script::TscScript program;
            program.ParentScript = script::GlobalScript();
            Compile(program, std::string("var s, t: string; i: Integer;\r\nbegin\r\n"
                                         "  s := 'aa';\r\n  for i := 1 to 24 do s := s + s;\r\n"
                                         "  t := s + 'x';\r\n  ") +
                                 body + "\r\nend.\r\n");
            std::atomic<int64_t> endedNs{0};
            std::thread run([&] {
                try {
                    program.Execute();
                } catch (const script::EScriptStopped&) {
                }
                endedNs = std::chrono::steady_clock::now().time_since_epoch().count();
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            const auto stopped = std::chrono::steady_clock::now();
            program.Stop();
            run.join();
            const auto ended =
                std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(endedNs));
            const double ms = std::chrono::duration<double, std::milli>(ended - stopped).count();
            if (verbose) std::printf("  stop in %-55s %7.1f ms\n", body, ms);
            worst = std::max(worst, ms);
        }
        return worst;
    }

    static int LineCount(const fs::path& path) {
        const std::string text = ReadFile(path);
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    }

  private:
    static void Compile(script::TscScript& target, const std::string& text) {
        target.SetText(text);
        if (!target.Compile())
            throw runtime::Exception("compile error " + target.ErrorPosition + ": " +
                                     target.ErrorMessage);
    }

    const std::string& page_;
    script::TscScript workloads_;
    int links_ = 0;
};

// ---- the peers ------------------------------------------------------------------

bool CommandWorks(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::optional<Figure> RunPeer(const Peer& peer, const Workload& w, const fs::path& pagePath) {
    if (peer.command.empty()) return std::nullopt;
    const std::string command = peer.command + " " + w.name + " " + pagePath.string();
    std::optional<Figure> best;
    for (int run = 0; run < kRuns; ++run) {
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return std::nullopt;
        Figure figure;
        long long checksum = 0;
        const bool parsed = std::fscanf(pipe, "%lf %lld", &figure.ms, &checksum) == 2;
        figure.checksum = checksum;
        if (pclose(pipe) != 0 || !parsed) return std::nullopt;
        if (!best || figure.ms < best->ms) best = figure;
    }
    return best;
}

std::vector<Peer> FindPeers(const fs::path& work) {
    const fs::path peers = BenchDir() / "script_peers";
    std::vector<Peer> found;
    const std::string lua = "lua5.4 " + (peers / "workloads.lua").string();
    found.push_back({"lua5.4", CommandWorks("lua5.4 -v") ? lua : ""});
    const std::string python = "/usr/bin/python3 " + (peers / "workloads.py").string();
    found.push_back({"python3", CommandWorks("/usr/bin/python3 --version") ? python : ""});
    const fs::path binary = work / "workloads_fpc";
    const bool built = CommandWorks("fpc -O2 -v0 -FU" + work.string() + " -o" + binary.string() +
                                    " " + (peers / "workloads_fpc.pas").string());
    found.push_back({"fpc -O2", built ? binary.string() : ""});
    return found;
}

std::string Cell(const std::optional<Figure>& figure, const std::optional<Figure>& lua) {
    if (!figure) return "n/a";
    char text[64];
    if (lua && lua->ms > 0)
        std::snprintf(text, sizeof text, "%9.1f (%5.2fx)", figure->ms, figure->ms / lua->ms);
    else
        std::snprintf(text, sizeof text, "%9.1f", figure->ms);
    return text;
}

}  // namespace

int main() {
    const fs::path work =
        fs::temp_directory_path() / ("serplow-script-bench-" + std::to_string(getpid()));
    fs::create_directories(work);
    const std::string page = MakeResultPage();
    const fs::path pagePath = work / "page.html";
    std::ofstream(pagePath, std::ios::binary) << page;

    int status = 0;
    try {
        Engine engine(page);
        const std::vector<Peer> peers = FindPeers(work);

        std::printf(
            "Script engine (after %d warm-up runs) and peers: best of %d runs, "
            "milliseconds (ratio to Lua)\n\n",
            kWarmUpRuns, kRuns);
        std::printf("%-24s %-20s", "workload", "engine");
        for (const Peer& peer : peers) std::printf(" %-20s", peer.label);
        std::printf("\n");

        std::string verdicts;
        for (const Workload& w : kWorkloads) {
            const Figure mine = engine.Run(w);
            std::vector<std::optional<Figure>> theirs;
            for (const Peer& peer : peers) theirs.push_back(RunPeer(peer, w, pagePath));
            const std::optional<Figure>& lua = theirs[0];
            const std::optional<Figure>& python = theirs[1];

            std::printf("%-24s %-20s", w.label, Cell(mine, lua).c_str());
            for (const auto& figure : theirs) std::printf(" %-20s", Cell(figure, lua).c_str());
            std::printf("\n");
            for (size_t i = 0; i < peers.size(); ++i) {
                if (theirs[i] && theirs[i]->checksum != mine.checksum) {
                    std::printf("  %s computed %lld, the engine %lld\n", peers[i].label,
                                static_cast<long long>(theirs[i]->checksum),
                                static_cast<long long>(mine.checksum));
                    status = 1;
                }
            }

            char verdict[200];
            std::snprintf(verdict, sizeof verdict,
                          "  %-24s at most %.1fx CPython's time: %s (%.2fx); within %.0fx of "
                          "Lua: %s\n",
                          w.label, w.pythonAim,
                          python ? (mine.ms <= w.pythonAim * python->ms ? "yes" : "NO") : "n/a",
                          python && python->ms > 0 ? mine.ms / python->ms : 0.0, w.luaAim,
                          lua ? (mine.ms <= w.luaAim * lua->ms ? "yes" : "NO") : "n/a");
            verdicts += verdict;
        }

        int links = 0;
        const fs::path scriptPath = BenchDir() / "data" / "engine_like.pas";
        const double compileMs = engine.CompileMs(links);
        std::printf("%-24s %9.3f ms for %d lines (its search finds %d links on the page)\n",
                    "compile", compileMs, Engine::LineCount(scriptPath), links);

        // Compile time per declared name, which should stay about the same.
        std::vector<double> perName;
        for (int count : kDeclarationCounts) {
            const double ms = Engine::DeclarationsCompileMs(count);
            perName.push_back(ms * 1000 / (2.0 * count));
            std::printf("%-24s %9.1f ms (%.2f us per name)\n",
                        ("compile " + std::to_string(count / 1000) + "k + " +
                         std::to_string(count / 1000) + "k names")
                            .c_str(),
                        ms, perName.back());
        }
        const bool linear = perName.back() <= 2 * perName.front();
        const double stopMs = Engine::StopLatencyMs(true);
        std::printf("%-24s %9.1f ms (the longest of four runs in long built-ins)\n",
                    "Stop ends a run in", stopMs);

        std::printf("\nAims:\n%s  %-24s under %.0f ms: %s\n", verdicts.c_str(), "compile",
                    kCompileAimMs, compileMs < kCompileAimMs ? "yes" : "NO");
        std::printf("  %-24s linear in names (32k per name within 2x of 2k): %s\n",
                    "compile declarations", linear ? "yes" : "NO");
        std::printf("  %-24s within %.0f ms: %s\n", "Stop", kStopAimMs,
                    stopMs <= kStopAimMs ? "yes" : "NO");
        if (links == 0) status = 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "script_bench: %s\n", e.what());
        status = 1;
    }
    fs::remove_all(work);
    return status;
}
