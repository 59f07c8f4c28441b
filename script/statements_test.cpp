// Statement execution: each row is a script and the trace it leaves.
#include <gtest/gtest.h>

#include <string>

#include "script/engine_test_support.h"

namespace script {
namespace {

using testing::TestHost;
using testing::Text;

struct TraceCase {
    const char* name;
    std::string text;
    std::string trace;
};

TEST(StatementTest, TracesOfControlFlow) {
    const TraceCase cases[] = {
        {"for counts up and leaves the end value",
         Text(
             {"var i: Integer;", "begin", "  for i := 1 to 3 do Trace(i);", "  Trace(i);", "end."}),
         "1 2 3 3"},
        {"for downto", Text({"var i: Integer;", "begin for i := 3 downto 1 do Trace(i) end."}),
         "3 2 1"},
        {"for without iterations keeps the variable",
         Text({"var i: Integer;", "begin i := 7; for i := 5 to 1 do Trace(i); Trace(i) end."}),
         "7"},
        {"for from 1 to 1 runs once",
         Text({"var i: Integer;", "begin for i := 1 to 1 do Trace(i) end."}), "1"},
        {"changing the loop variable does not change the count",
         Text({"var i, n: Integer;", "begin",
               "  for i := 1 to 3 do begin i := i + 10; n := n + 1 end;", "  Trace(n)", "end."}),
         "3"},
        {"while with break and continue",
         Text({"var i: Integer;", "begin", "  while i < 10 do begin", "    i := i + 1;",
               "    if i = 2 then continue;", "    if i = 4 then break;", "    Trace(i)", "  end;",
               "  Trace('after')", "end."}),
         "1 3 after"},
        {"repeat until",
         Text({"var i: Integer;", "begin repeat i := i + 1; Trace(i) until i >= 3 end."}), "1 2 3"},
        {"case picks the first matching selector",
         Text({"var x: Integer;", "begin", "  x := 3;",
               "  case x of 1: Trace('one'); 2..4: Trace('range'); 3: Trace('three') else "
               "Trace('else') end",
               "end."}),
         "range"},
        {"an empty case selector matches its values",
         Text({"var x: Integer;", "begin", "  x := 1;",
               "  case x of 1: ; 2: Trace('two') else Trace('else') end;", "  Trace('done')",
               "end."}),
         "done"},
        {"case else", Text({"begin case 9 of 1: Trace('one') else Trace('else') end end."}),
         "else"},
        {"set constructor membership",
         Text({"var x: Integer;", "begin", "  for x := 1 to 6 do if x in [1, 3..5] then Trace(x)",
               "end."}),
         "1 3 4 5"},
        {"try except sets the exception variables and skips the rest",
         Text({"begin", "  try", "    Trace('a'); Fail('boom'); Trace('b')", "  except",
               "    Trace(ExceptionClassName); Trace(ExceptionMessage)", "  end;", "  Trace('c')",
               "end."}),
         "a EConvertError boom c"},
        {"try finally runs the handler on the way of an exception",
         Text({"begin", "  try", "    try Fail('x') finally Trace('finally') end",
               "  except Trace('caught') end", "end."}),
         "finally caught"},
        {"break inside try/finally runs the whole finally part",
         Text({"var i: Integer;", "begin", "  for i := 1 to 3 do", "    try",
               "      if i = 2 then break;", "      Trace(i)", "    finally",
               "      Trace('f1'); Trace('f2')", "    end;", "  Trace('end')", "end."}),
         "1 f1 f2 f1 f2 end"},
        {"continue inside try/finally runs the whole finally part",
         Text({"var i: Integer;", "begin", "  for i := 1 to 2 do", "    try", "      continue;",
               "      Trace('never')", "    finally", "      Trace('f1'); Trace('f2')", "    end",
               "end."}),
         "f1 f2 f1 f2"},
        {"exit inside try/finally runs the finally part, then leaves",
         Text({"procedure P;", "begin", "  try Trace('body'); exit; Trace('never')",
               "  finally Trace('f1'); Trace('f2') end;", "  Trace('never')", "end;", "begin P;",
               "Trace('back') end."}),
         "body f1 f2 back"},
        {"exit leaves the procedure and nothing of the caller",
         Text({"procedure P;", "var i: Integer;", "begin",
               "  for i := 1 to 5 do begin if i = 2 then exit; Trace(i) end;", "  Trace('never')",
               "end;", "begin P; Trace('caller') end."}),
         "1 caller"},
        {"if else",
         Text({"begin if 1 > 2 then Trace('a') else Trace('b'); if True then Trace('c') end."}),
         "b c"},
        {"a character of a string variable",
         Text({"var s: String;", "begin s := 'abc'; Trace(s[2]) end."}), "b"},
        {"nested loops: break leaves only the inner one",
         Text({"var i, j: Integer;", "begin", "  for i := 1 to 2 do",
               "    for j := 1 to 3 do begin", "      if j = 2 then break;",
               "      Trace(IntToStr(i) + ':' + IntToStr(j))", "    end", "end."}),
         "1:1 2:1"},
    };
    for (const TraceCase& c : cases) {
        TestHost host;
        EXPECT_EQ(host.Run(c.text), c.trace) << c.name;
    }
}

// A stray break stops the rest of the program, and the next run starts
// afresh: the flag does not leak.
TEST(StatementTest, StrayBreakDoesNotLeakIntoTheNextRun) {
    TestHost host;
    ASSERT_EQ(host.Compile(Text({"var n: Integer;", "procedure P;", "begin", "  Trace('p');",
                                 "  if n = 0 then break;", "  Trace('p2')", "end;",
                                 "begin n := 0; P; P end."})),
              "");
    host.script.Execute();
    EXPECT_EQ(host.Trace(), "p p");
    host.trace.clear();
    ASSERT_EQ(host.Compile(Text({"begin break; Trace('no') end."})), "");
    host.script.Execute();
    host.script.Execute();
    EXPECT_EQ(host.Trace(), "");
    // A procedure called after its stray break runs whole.
    ASSERT_EQ(host.Compile(Text({"var n: Integer;", "procedure P;", "begin", "  Trace(n);",
                                 "  if n = 0 then break;", "  Trace('rest')", "end;",
                                 "begin P; n := 1; P end."})),
              "");
    host.trace.clear();
    host.script.Execute();
    EXPECT_EQ(host.Trace(), "0 1 rest");
}

TEST(StatementTest, ExceptionsOutsideTryLeaveExecuteAndTheScriptStaysUsable) {
    TestHost host;
    ASSERT_EQ(host.Compile(Text({"var n: Integer;", "begin", "  n := n + 1;",
                                 "  if n = 1 then Fail('first');", "  Trace(n)", "end."})),
              "");
    try {
        host.script.Execute();
        FAIL() << "no exception";
    } catch (const runtime::EConvertError& e) {
        EXPECT_EQ(e.Message(), "first");
    }
    host.script.Execute();
    EXPECT_EQ(host.Trace(), "2");
}

TEST(StatementTest, RunLineReportsEachStatementToTheNearestHandler) {
    TestHost host;
    std::vector<std::string> lines;
    TscScript* sender = nullptr;
    host.global.OnRunLine = TscRunLineEvent(
        [&](runtime::TObject* s, const std::string& unit, const std::string& position) {
            sender = static_cast<TscScript*>(s);
            lines.push_back(unit + "@" + position);
        });
    ASSERT_EQ(host.Compile(Text({"var i: Integer;", "begin", "  i := 1;", "  while i < 3 do",
                                 "    i := i + 1", "end."})),
              "");
    host.script.Execute();
    EXPECT_EQ(sender, &host.script);
    // The while reports once; its body each time.
    const std::vector<std::string> expected{"@3:3", "@4:3", "@5:5", "@5:5"};
    EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace script
