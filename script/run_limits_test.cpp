// What a run may take and how it ends: strings and arrays built in place,
// the memory budget, the caps of the built-in functions, steps charged by
// work, Stop, and out-of-memory as a script exception.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <string>
#include <thread>

#include "runtime/exceptions.h"
#include "runtime/threads.h"
#include "runtime/variant.h"
#include "script/engine_test_support.h"
#include "script/init.h"
#include "script/script.h"

namespace script {
namespace {

using runtime::Variant;
using testing::Text;

// A program with the built-in functions below it and a few host
// procedures: Trace(s) records s, StopNow stops the program, NoMemory
// raises std::bad_alloc, Started tells a waiting test that the run began.
class LimitsHost {
  public:
    LimitsHost() {
        init();
        functions.LoadModules();
        const auto traceCall = [this](runtime::TObject*, const runtime::TClassInfo*,
                                      const std::string&, TscMethodHelper& caller) {
            if (!trace.empty()) trace += ' ';
            trace += runtime::VarToStr(caller.GetParamValue(0));
            return Variant();
        };
        functions.DeclareMethodEx("procedure Trace(s: Variant)", traceCall);
        functions.DeclareMethodEx("procedure StopNow",
                                  [this](runtime::TObject*, const runtime::TClassInfo*,
                                         const std::string&, TscMethodHelper&) {
                                      program.Stop();
                                      return Variant();
                                  });
        functions.DeclareMethodEx(
            "procedure NoMemory",
            [](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
               TscMethodHelper&) -> Variant { throw std::bad_alloc(); });
        functions.DeclareMethodEx("procedure Started",
                                  [this](runtime::TObject*, const runtime::TClassInfo*,
                                         const std::string&, TscMethodHelper&) {
                                      started = true;
                                      return Variant();
                                  });
        program.ParentScript = &functions;
    }

    // Compiles the text ("" or the compile error) and runs it.
    std::string Run(const std::string& text) {
        program.Clear();
        program.SetText(text);
        if (!program.Compile()) return program.ErrorPosition + ": " + program.ErrorMessage;
        program.Execute();
        return {};
    }
    uint64_t Charged() { return program.Memory().TotalCharged(); }
    std::string Value(std::string_view name) const {
        const TscCustomVariable* item = program.FindLocal(name);
        return item != nullptr ? runtime::VarToStr(item->Value) : std::string("?");
    }

    TscScript functions;
    TscScript program;
    std::string trace;
    std::atomic<bool> started{false};
};

// ---- strings and arrays built in place -------------------------------------------------

// A page built by 2,000 appends allocates about its own size, not the sum
// of every intermediate text; so does a chain of appends whose pieces call
// functions, and 2,000 writes of a character into a 4 MB text.
TEST(RunLimitsTest, StringsAreBuiltInPlace) {
    struct Case {
        const char* name;
        const char* body;
        const char* check;  // the text the script ends with, via Trace
        uint64_t budget;    // bytes the run may allocate in all
    } cases[] = {
        {"append", "for i := 1 to 2000 do s := s + piece;", "260000", 2000000},
        {"chain", "for i := 1 to 2000 do s := s + '<li>' + IntToStr(i mod 10) + piece + '</li>';",
         "280000", 2000000},
        {"variant", "v := ''; for i := 1 to 2000 do v := v + piece; s := v;", "260000", 2000000},
        {"expression", "for i := 1 to 2000 do s := s + ('<' + piece + '>' + piece);", "524000",
         4000000},
        {"index",
         "s := 'ab'; for i := 1 to 21 do s := s + s;"
         "for i := 1 to 2000 do s[i * 2] := 'x';",
         "4194304", 40000000},
        {"variant index",
         "v := 'ab'; for i := 1 to 21 do v := v + v;"
         "for i := 1 to 2000 do v[i * 2] := 'x'; s := v;",
         "4194304", 40000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LimitsHost host;
        const std::string text = Text({"var s, piece: string; i: Integer; v: Variant;", "begin",
                                       "  piece := '" + std::string(130, 'p') + "';", "  s := '';",
                                       c.body, "  Trace(Length(s));", "end."});
        ASSERT_EQ(host.Run(text), "");
        EXPECT_EQ(host.trace, c.check);
        EXPECT_LT(host.Charged(), c.budget);
    }
}

// In-place appends keep what the source says: the value of s read before
// a function that changes it is the one appended to, and a piece that reads
// s sees it as it was before the statement.
TEST(RunLimitsTest, AppendsKeepTheOrderOfEvaluation) {
    LimitsHost host;
    ASSERT_EQ(host.Run(Text({"var s, t: string; i: Integer; v: Variant;",
                             "function Change: string; begin s := 'changed'; Result := '!' end;",
                             "function Len: string; begin Result := IntToStr(Length(s)) end;",
                             "begin", "  s := 'abc'; s := s + Change; Trace(s);",
                             "  s := 'abc'; s := s + 'x' + Change + 'y'; Trace(s);",
                             "  s := 'abc'; s := s + 'xy' + Len + Len; Trace(s);",
                             "  s := 'abc'; t := s; s := s + 'd'; s[1] := 'A'; Trace(t + ' ' + s);",
                             "  s := 'abc'; s := s + s + s; Trace(s);",
                             "  v := '5'; v := v + 1 + 2; Trace(v);", "end."})),
              "");
    EXPECT_EQ(host.trace, "abc! abcx!y abcxy33 abc Abcd abcabcabc 8");
}

TEST(RunLimitsTest, VariantArrayElementsInPlace) {
    LimitsHost host;
    ASSERT_EQ(host.Run(Text({"var v, w: Variant; i, total: Integer;", "begin",
                             "  v := VarArrayCreate([0, 39999], varVariant);",
                             "  for i := 0 to 39999 do v[i] := i * 2;", "  total := 0;",
                             "  for i := 0 to 39999 do total := total + v[i];",
                             "  w := VarArrayCreate([1, 3, 1, 3], varInteger);",
                             "  w[2, 3] := 7; v[5] := w;",
                             "  Trace(total); Trace(w[2, 3]); Trace(Length(v));", "end."})),
              "");
    EXPECT_EQ(host.trace, "1599960000 7 40000");
    // One array of 40,000 elements and a few copies, not one per access.
    EXPECT_LT(host.Charged(), 10000000u);
}

TEST(RunLimitsTest, ArraysAreLimitedByTheMemoryBudget) {
    LimitsHost host;
    ASSERT_EQ(host.Run(Text({"var a: array[0..99999] of Integer;", "begin", "  a[99999] := 5;",
                             "  Trace(a[99999]);", "end."})),
              "");
    EXPECT_EQ(host.trace, "5");
    host.program.SetMemoryLimit(1 << 20);
    EXPECT_EQ(host.Run(Text({"var a: array[0..99999] of Integer;", "begin", "end."})),
              "1:22: Array is too large");
}

// ---- caps, budget, work, stop -------------------------------------------------------------

// Every built-in that makes a text or an array refuses one beyond the caps
// with a script exception, before taking the memory.
TEST(RunLimitsTest, BuiltInsRespectTheCaps) {
    const char* statements[] = {
        "SetLength(s, 2000000000)",
        "s := 'abc'; SetLength(s, 100000000)",
        "v := 'abc'; SetLength(v, 100000000)",
        "s := 'ab'; for i := 1 to 25 do s := s + s; Insert(s, s, 2)",
        "s := 'ab'; for i := 1 to 25 do s := s + s; s := s + s + s",
        "s := 'ab'; for i := 1 to 26 do Insert(s, s, 1)",
        "s := Format('%1000000d%1000000d', [1, 2]); for i := 1 to 8 do s := s + s",
        "s := '%0:1000000d'; for i := 1 to 8 do s := s + s; s := Format(s, [1])",
        "s := 'c'; for i := 1 to 22 do s := s + s; s := FormatDateTime(s, 0)",
        "v := VarArrayCreate([0, 60000000], varVariant)",
        "v := VarArrayCreate([0, 10], varVariant); SetLength(v, 60000000)",
    };
    for (const char* statement : statements) {
        SCOPED_TRACE(statement);
        LimitsHost host;
        host.program.SetMemoryLimit(size_t{256} << 20);
        ASSERT_EQ(host.Run(Text({"var s: string; v: Variant; i: Integer;", "begin", "  try",
                                 statement, "  except Trace(ExceptionClassName) end;", "end."})),
                  "");
        EXPECT_EQ(host.trace, "EOutOfMemory");
        host.program.Clear();
        EXPECT_LT(host.program.Memory().Used(), 4096u);
    }
}

// A run takes no more memory than its budget: beyond it, EOutOfMemory is
// raised into the script, which may catch it. A text of 512 KB fits in
// 1 MB; twice that, with its header, does not.
TEST(RunLimitsTest, MemoryBudgetOfARun) {
    LimitsHost host;
    host.program.SetMemoryLimit(1 << 20);
    ASSERT_EQ(host.Run(Text({"var s: string; i: Integer;", "begin", "  s := 'x';", "  try",
                             "    for i := 1 to 30 do s := s + s;",
                             "  except Trace(ExceptionClassName + ': ' + ExceptionMessage) end;",
                             "  Trace(Length(s));", "end."})),
              "");
    EXPECT_EQ(host.trace, "EOutOfMemory: Out of memory 524288");
    EXPECT_LE(host.program.Memory().Used(), size_t{1} << 20);
}

// Steps count the work of string operations, not only loops and calls: a
// few hundred iterations that each copy a megabyte spend a small budget.
TEST(RunLimitsTest, StepsChargeWork) {
    LimitsHost host;
    host.program.SetStepLimit(20000);
    EXPECT_THROW(
        host.Run(
            Text({"var s, t: string; i: Integer;", "begin", "  s := 'ab';",
                  "  for i := 1 to 19 do s := s + s;",
                  "  for i := 1 to 1000 do begin t := s + 'x'; t := Uppercase(t) end;", "end."})),
        EScriptStepLimit);
}

// Stop ends a run inside a long built-in, not only at the next loop
// iteration or call; neither it nor the step limit can be caught.
TEST(RunLimitsTest, StopEndsLongBuiltIns) {
    const char* longCalls[] = {
        "t := Uppercase(s)", "t := Lowercase(s)",      "i := Pos(Copy(s, 1, 100000) + 'b', s)",
        "t := s + s",        "i := CompareText(s, t)",
    };
    for (const char* call : longCalls) {
        SCOPED_TRACE(call);
        LimitsHost host;
        const std::string text =
            Text({"var s, t: string; i: Integer;", "begin", "  s := 'aa';",
                  "  for i := 1 to 22 do s := s + s; t := s + 'x';", "  try", "    StopNow;",
                  std::string("    ") + call + ";", "    Trace('after');",
                  "  except Trace('caught') end;", "end."});
        EXPECT_THROW(host.Run(text), EScriptStopped);
        EXPECT_EQ(host.trace, "");
    }
}

// Pos searches long texts in pieces: a match across the end of a piece is
// found, and a search for a long, nearly matching text spends the step
// budget instead of running for hours.
TEST(RunLimitsTest, PosOverLongTexts) {
    LimitsHost host;
    ASSERT_EQ(
        host.Run(Text({"var s, t: string; i: Integer;", "begin", "  s := 'aaaa';",
                       "  for i := 1 to 20 do s := s + s;",
                       "  t := s; t[2097153] := 'b'; Trace(Pos('ab', t));",
                       "  t := s; t[4194304] := 'b'; Trace(Pos('aab', t));",
                       "  Trace(Pos('b', s)); Trace(Pos(s + 'a', s)); Trace(Pos(s, s));", "end."})),
        "");
    EXPECT_EQ(host.trace, "2097152 4194302 0 0 1");
    host.program.SetStepLimit(5000);
    EXPECT_THROW(host.Run(Text({"var s, t: string; i: Integer;", "begin", "  s := 'aaaa';",
                                "  for i := 1 to 20 do s := s + s;",
                                "  t := Copy(s, 1, 100000) + 'b';", "  i := Pos(t, s);", "end."})),
                 EScriptStepLimit);
}

// Stop from another thread ends a run in progress.
TEST(RunLimitsTest, StopFromAnotherThread) {
    LimitsHost host;
    host.program.SetText(Text({"var s: string; i: Integer;", "begin", "  s := 'ab';",
                               "  for i := 1 to 20 do s := s + s;", "  Started;", "  while True do",
                               "    try i := Pos('x', s) except end;", "end."}));
    ASSERT_TRUE(host.program.Compile());
    std::atomic<bool> stopped{false};
    std::thread run([&] {
        try {
            host.program.Execute();
        } catch (const EScriptStopped&) {
            stopped = true;
        }
    });
    while (!host.started) std::this_thread::yield();
    host.program.Stop();
    run.join();
    EXPECT_TRUE(stopped);
}

// Running out of memory is a script exception: the script may catch it,
// and what it does not catch leaves Execute as EOutOfMemory.
TEST(RunLimitsTest, OutOfMemoryIsAScriptException) {
    LimitsHost host;
    ASSERT_EQ(
        host.Run(Text({"begin", "  try NoMemory except Trace(ExceptionClassName) end;", "end."})),
        "");
    EXPECT_EQ(host.trace, "EOutOfMemory");
    EXPECT_THROW(host.Run(Text({"begin NoMemory end."})), runtime::EOutOfMemory);
    ASSERT_EQ(
        host.Run(Text({"function F: Integer; begin NoMemory; Result := 1 end;", "begin end."})),
        "");
    EXPECT_THROW(host.program.CallScriptFunction("F", Variant()), runtime::EOutOfMemory);
}

}  // namespace
}  // namespace script
