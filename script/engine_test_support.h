#pragma once

// A host for the engine's tests: a parent script holding the type names,
// constants and index helpers that the built-in module provides in the
// program, plus a few host functions that let scripts report what they do.

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/os/thread_info.h"
#include "runtime/strings.h"
#include "runtime/threads.h"
#include "runtime/variant.h"
#include "script/init.h"
#include "script/items.h"
#include "script/limits.h"
#include "script/script.h"
#include "script/sysfunctions.h"

namespace script::testing {

// Script text from lines, as Lines holds it.
inline std::string Text(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// Runs `work` on a thread with the stack the program gives the threads that
// run scripts; what it raises is raised again here.
inline void OnScriptThread(std::function<void()> work) {
    class Worker : public runtime::TThread {
      public:
        explicit Worker(std::function<void()> work) : work_(std::move(work)) {}
        ~Worker() override { TerminateAndWait(); }

      protected:
        void Execute() override { work_(); }

      private:
        std::function<void()> work_;
    };
    Worker worker(std::move(work));
    worker.SetStackSize(kScriptStackSize);
    worker.Start();
    worker.WaitFor();
    if (worker.FatalException()) std::rethrow_exception(worker.FatalException());
}

// Whether the calling thread has the stack of a script thread (the main
// thread of the Windows programs has; natively it has the system's).
inline bool HasScriptStack() {
    const runtime::os::TStackBounds bounds = runtime::os::CurrentThreadStack();
    return bounds.high - bounds.low >= kScriptStackSize;
}

class TestHost {
  public:
    TestHost() {
        init();
        DeclareLanguageBasics(global);
        // Trace(s): appends the text of s to `trace`.
        global.DeclareMethodEx("procedure Trace(s: Variant)",
                               [this](runtime::TObject*, const runtime::TClassInfo*,
                                      const std::string&, TscMethodHelper& caller) {
                                   trace.push_back(runtime::VarToStr(caller.GetParamValue(0)));
                                   return runtime::Variant();
                               });
        // Fail(s): raises EConvertError with the text.
        global.DeclareMethodEx("procedure Fail(s: String)",
                               [](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
                                  TscMethodHelper& caller) -> runtime::Variant {
                                   throw runtime::EConvertError(caller.GetParamValue(0).AsString());
                               });
        // IntToStr and Length, enough for scripts to build texts.
        global.DeclareMethodEx(
            "function IntToStr(i: Integer): String",
            [](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
               TscMethodHelper& caller) {
                return runtime::Variant(runtime::IntToStr(caller.GetParamValue(0).AsInt64()));
            });
        global.DeclareMethodEx("function Length(s: Variant): Integer",
                               [](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
                                  TscMethodHelper& caller) {
                                   return runtime::Variant(static_cast<int32_t>(
                                       caller.GetParamValue(0).AsString().size()));
                               });
        script.ParentScript = &global;
    }

    // Clears the working script and compiles `text`; "" on success, else
    // "<message> at <line:col>".
    std::string Compile(const std::string& text) {
        script.Clear();
        script.SetText(text);
        if (script.Compile()) return {};
        return script.ErrorMessage + " at " + script.ErrorPosition;
    }

    // Compiles and runs; the trace joined by " ", or the compile error.
    std::string Run(const std::string& text) {
        trace.clear();
        const std::string error = Compile(text);
        if (!error.empty()) return "compile: " + error;
        script.Execute();
        return Trace();
    }

    std::string Trace() const {
        std::string joined;
        for (const std::string& entry : trace) {
            if (!joined.empty()) joined += ' ';
            joined += entry;
        }
        return joined;
    }

    runtime::Variant Value(std::string_view name) const {
        const TscCustomVariable* item = script.Find(name);
        return item != nullptr ? item->Value : runtime::Variant::Null();
    }

    TscScript global;
    TscScript script;
    std::vector<std::string> trace;
};

// A working script whose parent loads every registered module (the
// built-in functions and the host-class groups), as GlobalScript does in
// the program.
class ClassesHost {
  public:
    ClassesHost() {
        init();
        global.LoadModules();
        global.DeclareMethodEx("procedure Trace(s: Variant)",
                               [this](runtime::TObject*, const runtime::TClassInfo*,
                                      const std::string&, TscMethodHelper& caller) {
                                   trace.push_back(runtime::VarToStr(caller.GetParamValue(0)));
                                   return runtime::Variant();
                               });
        script.ParentScript = &global;
    }

    // Compiles and runs; the trace joined by " ", the compile error, or the
    // class and message of an exception that left the script.
    std::string Run(const std::string& text) {
        trace.clear();
        script.Clear();
        script.SetText(text);
        if (!script.Compile())
            return "compile: " + script.ErrorMessage + " at " + script.ErrorPosition;
        try {
            script.Execute();
        } catch (const runtime::Exception& e) {
            std::string joined = Joined();
            return (joined.empty() ? "" : joined + " ") + e.ClassName() + ": " + e.Message();
        }
        return Joined();
    }

    // "" when the text compiles, else the error message.
    std::string Compile(const std::string& text) {
        script.Clear();
        script.SetText(text);
        return script.Compile() ? std::string() : script.ErrorMessage;
    }

    std::string Joined() const {
        std::string joined;
        for (const std::string& entry : trace) {
            if (!joined.empty()) joined += ' ';
            joined += entry;
        }
        return joined;
    }

    TscScript global;
    TscScript script;
    std::vector<std::string> trace;
};

struct ScriptRow {
    const char* name;
    std::string text;
    std::string expected;
};

inline void RunRows(ClassesHost& host, std::initializer_list<ScriptRow> rows) {
    for (const ScriptRow& row : rows) EXPECT_EQ(host.Run(row.text), row.expected) << row.name;
}

}  // namespace script::testing
