// Saving and loading a large project: 10,000 keywords with 100 results each
// (1,000,000 links). Each phase runs in a child process of its own, so its
// peak memory is its own; the model's size is what building it took.
//
//   project_file_bench [folder]     (default: the system's temporary folder)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/project_file.h"
#include "core/site.h"
#include "core/state.h"
#include "runtime/strings.h"

namespace {

constexpr int Sites = 10;
constexpr int KeywordsPerSite = 1000;
constexpr int LinksPerKeyword = 100;

double ResidentMB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

double PeakMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Processor seconds of the whole process (every thread, user and system):
// what the work costs, however busy the machine is with other work.
double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BuildModel() {
    core::Sites = std::make_unique<core::TSiteList>();
    for (int s = 0; s < Sites; ++s) {
        auto& site = core::Sites->Add(
            std::make_unique<core::TSite>("site" + std::to_string(s) + ".example.com"));
        for (int k = 0; k < KeywordsPerSite; ++k) {
            auto& keyword =
                site.AddKeyword(u"keyword number " + runtime::AnsiToWide(std::to_string(k)));
            keyword.SetPosition(k % 37);
            for (int l = 0; l < LinksPerKeyword; ++l)
                keyword.Links.Add(std::make_unique<core::TLink>(
                    u"http://www.result" + runtime::AnsiToWide(std::to_string(l)) +
                        u".example.org/some/page.html",
                    u"A result title of a usual length, number " +
                        runtime::AnsiToWide(std::to_string(l)),
                    u"", l + 1, l / 10 + 1, -1.0));
        }
    }
}

template <class Phase>
void InChild(Phase phase) {
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        phase();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::u16string file = runtime::AnsiToWide((folder / "project_file_bench.spj").string());

    InChild([&] {
        double base = ResidentMB();
        BuildModel();
        double model = ResidentMB() - base;
        std::printf("model: %d keywords x %d links, %.0f MB in memory\n", Sites * KeywordsPerSite,
                    LinksPerKeyword, model);
        auto start = std::chrono::steady_clock::now();
        double processor = ProcessorSeconds();
        core::SaveProject(file);
        double seconds = Seconds(start);
        processor = ProcessorSeconds() - processor;
        std::printf(
            "save: %.3f s (%.3f s of processor), peak %.0f MB (%.2fx the model), file %.0f MB\n",
            seconds, processor, PeakMB() - base, (PeakMB() - base) / model,
            double(std::filesystem::file_size(folder / "project_file_bench.spj")) / 1048576.0);
    });
    InChild([&] {
        double base = ResidentMB();
        core::Sites = std::make_unique<core::TSiteList>();
        auto start = std::chrono::steady_clock::now();
        double processor = ProcessorSeconds();
        core::LoadProject(file, core::ProjectBackup::None);
        double seconds = Seconds(start);
        processor = ProcessorSeconds() - processor;
        double model = ResidentMB() - base;
        std::printf(
            "load: %.3f s (%.3f s of processor), peak %.0f MB (%.2fx the loaded model of %.0f "
            "MB)\n",
            seconds, processor, PeakMB() - base, (PeakMB() - base) / model, model);
    });
    // What this machine takes to touch fresh memory of the model's size once:
    // on a virtual machine page faults can cost more than the reading.
    InChild([&] {
        constexpr size_t Bytes = size_t(300) << 20;
        auto start = std::chrono::steady_clock::now();
        double processor = ProcessorSeconds();
        char* memory = static_cast<char*>(std::malloc(Bytes));
        for (size_t i = 0; i < Bytes; i += 4096) memory[i] = char(i);
        double seconds = Seconds(start);
        processor = ProcessorSeconds() - processor;
        std::printf(
            "fresh memory: touching 300 MB once takes %.3f s (%.3f s of processor) on this "
            "machine\n",
            seconds, processor);
        std::free(memory);
    });
    std::filesystem::remove(folder / "project_file_bench.spj");
    return 0;
}
