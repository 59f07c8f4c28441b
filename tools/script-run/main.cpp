// script-run: compiles and runs a script file with the standard functions
// and one host procedure, WriteLn(const S: Variant), which writes
// VarToStr(S) and a line end to standard output. The way to try the script
// engine from outside, and the engine's side of the differential tests.
// A unit named in "uses" is the file of that name beside the script.
//
//   script-run [--steps N] [--timeout S] <file>
//
//   --steps N     stop the run after N steps (loop iterations and calls, and
//                 the work of string and array operations)
//   --timeout S   stop the run after S seconds
//
// The script runs on a thread with the stack the program gives script
// threads.
//
// Exit status: 0 after a run; 1 on a compile error ("line:col: message" on
// standard error, "unit:line:col: message" in a unit); 2 when an exception
// leaves the script ("ClassName: message" on standard error, with
// "line:col: " or "unit:line:col: " before the message when the error has
// a place in the text); 3 when the file cannot be read or the arguments are
// wrong; 4 when the run was stopped by --steps or --timeout.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <string_view>

#include "runtime/exceptions.h"
#include "runtime/threads.h"
#include "runtime/variant.h"
#include "script/errors.h"
#include "script/init.h"
#include "script/items.h"
#include "script/limits.h"
#include "script/script.h"

namespace {

constexpr int kExitCompileError = 1;
constexpr int kExitException = 2;
constexpr int kExitUsage = 3;
constexpr int kExitStopped = 4;

struct Options {
    uint64_t steps = 0;   // 0: no limit
    double timeoutS = 0;  // 0: none
    const char* file = nullptr;
};

void DeclareWriteLn(script::TscScript& global) {
    global.DeclareMethodEx("procedure WriteLn(const S: Variant)",
                           [](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
                              script::TscMethodHelper& caller) {
                               const std::string text = runtime::VarToStr(caller.GetParamValue(0));
                               std::fwrite(text.data(), 1, text.size(), stdout);
                               std::fputc('\n', stdout);
                               return runtime::Variant();
                           });
}

void ReportException(const char* className, const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", className, message.c_str());
}

// "unit:line:col" in a unit, "line:col" in the main text.
std::string Place(const std::string& unit, const std::string& position) {
    return unit.empty() ? position : unit + ":" + position;
}

bool ReadFile(const std::filesystem::path& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

// Units are the files of their names beside the script.
void ReadUnitsBeside(script::TscScript& program, const std::filesystem::path& script) {
    const std::filesystem::path folder = script.parent_path();
    program.OnGetUnit = script::TscGetUnitEvent(
        [folder](runtime::TObject*, const std::string& name, std::string& text) {
            if (!ReadFile(folder / name, text))
                throw runtime::EFOpenError("Cannot open unit " + name);
        });
}

bool ParseNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value > 0;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        double value = 0;
        if ((arg == "--steps" || arg == "--timeout") && i + 1 < argc) {
            if (!ParseNumber(argv[++i], value)) return false;
            if (arg == "--steps")
                options.steps = static_cast<uint64_t>(value);
            else
                options.timeoutS = value;
        } else if (options.file == nullptr && !arg.starts_with("--")) {
            options.file = argv[i];
        } else {
            return false;
        }
    }
    return options.file != nullptr;
}

// Compiles and runs the program; its exit status.
int RunProgram(script::TscScript& program, const std::string& text) {
    try {
        program.SetText(text);
        if (!program.Compile()) {
            std::fprintf(stderr, "%s: %s\n",
                         Place(program.ErrorUnit, program.ErrorPosition).c_str(),
                         program.ErrorMessage.c_str());
            return kExitCompileError;
        }
        program.Execute();
        return 0;
    } catch (const script::EScriptError& e) {
        ReportException(e.ClassName(), e.Position().empty()
                                           ? e.Message()
                                           : Place(e.Unit(), e.Position()) + ": " + e.Message());
    } catch (const runtime::Exception& e) {
        ReportException(e.ClassName(), e.Message());
    } catch (const script::EScriptStepLimit& e) {
        ReportException("Stopped", e.what());
        return kExitStopped;
    } catch (const script::EScriptStopped& e) {
        ReportException("Stopped", "time limit reached");
        return kExitStopped;
    } catch (const std::bad_alloc&) {
        ReportException("EOutOfMemory", "Out of memory");
    } catch (const std::exception& e) {
        ReportException("Exception", e.what());
    }
    return kExitException;
}

// The run, on a thread of its own with the script stack.
class RunThread : public runtime::TThread {
  public:
    RunThread(script::TscScript& program, const std::string& text, runtime::TSyncEvent& done)
        : program_(program), text_(text), done_(done) {
        SetStackSize(script::kScriptStackSize);
    }
    ~RunThread() override { TerminateAndWait(); }
    int Status() const { return status_; }

  protected:
    void Execute() override {
        status_ = RunProgram(program_, text_);
        done_.SetEvent();
    }

  private:
    script::TscScript& program_;
    const std::string& text_;
    runtime::TSyncEvent& done_;
    int status_ = kExitException;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: script-run [--steps N] [--timeout S] <script file>\n");
        return kExitUsage;
    }
    std::string text;
    if (!ReadFile(options.file, text)) {
        std::fprintf(stderr, "script-run: cannot read %s\n", options.file);
        return kExitUsage;
    }

    runtime::InitThreads();
    script::init();
    int status = 0;
    {
        script::TscScript* global = script::GlobalScript();
        DeclareWriteLn(*global);
        script::TscScript program;
        program.ParentScript = global;
        program.SetStepLimit(options.steps);
        ReadUnitsBeside(program, options.file);
        runtime::TSyncEvent done;
        RunThread run(program, text, done);
        run.Start();
        if (options.timeoutS > 0 &&
            done.WaitFor(static_cast<uint32_t>(options.timeoutS * 1000)) == runtime::wrTimeout)
            program.Stop();
        run.WaitFor();
        status = run.Status();
    }
    std::fflush(stdout);
    script::shutdown();
    return status;
}
