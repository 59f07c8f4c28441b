// script-run: compiles and runs a script file with the standard functions
// and one host procedure, WriteLn(const S: Variant), which writes
// VarToStr(S) and a line end to standard output. The way to try the script
// engine from outside, and the engine's side of the differential tests.
//
//   script-run <file>
//
// Exit status: 0 after a run; 1 on a compile error ("line:col: message" on
// standard error); 2 when an exception leaves the script ("ClassName:
// message" on standard error); 3 when the file cannot be read.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/variant.h"
#include "script/init.h"
#include "script/items.h"
#include "script/script.h"

namespace {

constexpr int kExitCompileError = 1;
constexpr int kExitException = 2;
constexpr int kExitNoFile = 3;

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: script-run <script file>\n");
        return kExitNoFile;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "script-run: cannot read %s\n", argv[1]);
        return kExitNoFile;
    }
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());

    script::init();
    int status = 0;
    try {
        script::TscScript* global = script::GlobalScript();
        DeclareWriteLn(*global);
        script::TscScript program;
        program.ParentScript = global;
        program.SetText(text);
        if (!program.Compile()) {
            std::fprintf(stderr, "%s: %s\n", program.ErrorPosition.c_str(),
                         program.ErrorMessage.c_str());
            status = kExitCompileError;
        } else {
            program.Execute();
        }
    } catch (const runtime::Exception& e) {
        ReportException(e.ClassName(), e.Message());
        status = kExitException;
    } catch (const std::bad_alloc&) {
        ReportException("EOutOfMemory", "Out of memory");
        status = kExitException;
    } catch (const std::exception& e) {
        ReportException("Exception", e.what());
        status = kExitException;
    }
    std::fflush(stdout);
    script::shutdown();
    return status;
}
