// Expressions: values and types by precedence, short-circuiting, folding,
// operator assignments, and the data paths of designators.
#include "script/expression.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/variant.h"
#include "script/designator.h"
#include "script/engine_test_support.h"
#include "script/errors.h"
#include "script/statements.h"

namespace script {
namespace {

using runtime::Variant;
using testing::TestHost;
using testing::Text;

// The value and the type name of `expression` assigned to a Variant.
struct Evaluated {
    std::string error;
    Variant value;
    std::string typeName;
};

Evaluated Evaluate(TestHost& host, const std::string& expression,
                   const std::string& declarations = "var a: Integer; b: Boolean; s: String;") {
    Evaluated result;
    result.error =
        host.Compile(Text({declarations, "var v: Variant;", "begin",
                           "  a := 5; b := False; s := 'xy';", "  v := " + expression, "end."}));
    if (!result.error.empty()) return result;
    host.script.Execute();
    result.value = host.Value("v");
    const TscStatement& main = host.script.MainList();
    const auto& last = dynamic_cast<const TscAssignmentStmt&>(*main.Children.Last());
    result.typeName = last.ValueExpr->TypeName();
    return result;
}

TEST(ExpressionTest, ValuesAndTypes) {
    struct Row {
        std::string expression;
        Variant value;
        std::string typeName;
    };
    const Row rows[] = {
        {"2 + 3 * 4", Variant(14), "Integer"},
        {"(2 + 3) * 4", Variant(20), "Integer"},
        {"-2 * 3", Variant(-6), "Integer"},
        {"10 - 4 - 3", Variant(3), "Integer"},
        {"2 * 3 + 4 * 5", Variant(26), "Integer"},
        {"7 / 2", Variant(3.5), "Extended"},
        {"6 / 3", Variant(2.0), "Extended"},
        {"7 div 2", Variant(3), "Integer"},
        {"7 mod 2", Variant(1), "Integer"},
        {"2 + 3.5", Variant(5.5), "Extended"},
        {"1 or 2", Variant(3), "Integer"},
        {"5 xor 3", Variant(6), "Integer"},
        {"1 shl 4", Variant(16), "Integer"},
        {"256 shr 4", Variant(16), "Integer"},
        {"$FF + 1", Variant(256), "Integer"},
        {"3000000000", Variant(int64_t{3000000000}), "Integer"},
        {"'a' < 'b'", Variant(true), "Boolean"},
        {"'ab' + 'cd'", Variant("abcd"), "String"},
        {"1 < 2.5", Variant(true), "Boolean"},
        {"not True = False", Variant(true), "Boolean"},
        {"not (1 = 2)", Variant(true), "Boolean"},
        {"True and not False", Variant(true), "Boolean"},
        {"a * 2 + 1", Variant(11), "Integer"},
        {"-a", Variant(-5), "Integer"},
        {"a in [1, 3..5, 9]", Variant(true), "Boolean"},
        {"2 in [1, 3..5, 9]", Variant(false), "Boolean"},
        {"9 in [1, 3..5, 9]", Variant(true), "Boolean"},
        {"s + 'z'", Variant("xyz"), "String"},
        {"s[2]", Variant("y"), "Char"},
        {"(a > 1) and (a < 10) or b", Variant(true), "Boolean"},
    };
    for (const Row& row : rows) {
        TestHost host;
        const Evaluated got = Evaluate(host, row.expression);
        ASSERT_EQ(got.error, "") << row.expression;
        EXPECT_EQ(got.value.Type(), row.value.Type()) << row.expression;
        EXPECT_TRUE(got.value == row.value)
            << row.expression << " gave " << runtime::VarToStr(got.value);
        EXPECT_EQ(got.typeName, row.typeName) << row.expression;
    }
}

// The position is the operator's, as the intermediate form records it (just
// after the operator's text).
TEST(ExpressionTest, IncompatibleOperandsFailAtTheOperator) {
    struct Row {
        std::string expression;
        std::string error;
    };
    const Row rows[] = {
        {"'a' * 2", "Incompatible types at 5:13"}, {"True + 1", "Incompatible types at 5:14"},
        {"s - 'x'", "Incompatible types at 5:11"}, {"b < 1", "Incompatible types at 5:11"},
        {"a + 'x'", "Incompatible types at 5:11"}, {"-s", "Incompatible types at 5:9"},
    };
    for (const Row& row : rows) {
        TestHost host;
        EXPECT_EQ(Evaluate(host, row.expression).error, row.error) << row.expression;
    }
}

// The right side of a Boolean "and"/"or" runs only when it decides.
TEST(ExpressionTest, BooleanAndOrShortCircuit) {
    TestHost host;
    EXPECT_EQ(
        host.Run(Text({"function F(x: Integer): Boolean;", "begin Trace(x); Result := True end;",
                       "var b: Boolean;", "begin", "  b := False and F(1);", "  b := True or F(2);",
                       "  b := True and F(3);", "  b := False or F(4);",
                       "  if (1 = 2) and F(5) then Trace('no');", "end."})),
        "3 4");
}

TEST(ExpressionTest, ConstantPartsAreFoldedButFailuresWaitForTheRun) {
    TestHost host;
    ASSERT_EQ(host.Compile(Text({"const Limit = 2 * 3;", "var v: Variant;", "begin",
                                 "  v := Limit + 1;", "end."})),
              "");
    const auto& assignment =
        dynamic_cast<const TscAssignmentStmt&>(*host.script.MainList().Children.Items(0));
    // Folded into one constant: nothing left to read.
    EXPECT_EQ(assignment.ValueExpr->DirectOperand(), nullptr);
    EXPECT_TRUE(assignment.ValueExpr->GetValue() == Variant(7));
    const TscCustomVariable* limit = host.script.FindLocal("Limit");
    ASSERT_NE(limit, nullptr);
    EXPECT_TRUE(limit->ReadOnly);
    EXPECT_TRUE(limit->Value == Variant(6));

    // 1 div 0 compiles and fails only when it runs.
    ASSERT_EQ(host.Compile(Text({"var v: Variant;", "begin v := 1 div 0 end."})), "");
    EXPECT_THROW(host.script.Execute(), runtime::EDivByZero);
}

TEST(ExpressionTest, OperatorAssignments) {
    struct Row {
        std::string statement;
        bool adding;  // built as an adding assignment
        Variant value;
    };
    const Row rows[] = {
        {"x := x + 1", true, Variant(11)},      {"x := 1 + x", true, Variant(11)},
        {"x := x - 4", false, Variant(6)},      {"x := 4 - x", false, Variant(-6)},
        {"x := x * 3", false, Variant(30)},     {"s := s + 'b'", true, Variant("ab")},
        {"s := 'b' + s", false, Variant("ba")},
    };
    for (const Row& row : rows) {
        TestHost host;
        ASSERT_EQ(host.Compile(Text({"var x: Integer; s: String;", "begin", "  x := 10; s := 'a';",
                                     "  " + row.statement, "end."})),
                  "")
            << row.statement;
        host.script.Execute();
        const TscStatement& last = *host.script.MainList().Children.Last();
        EXPECT_EQ(dynamic_cast<const TscAssignPlusStmt*>(&last) != nullptr, row.adding)
            << row.statement;
        const char* name = row.statement[0] == 'x' ? "x" : "s";
        EXPECT_TRUE(host.Value(name) == row.value) << row.statement;
    }
}

TEST(ExpressionTest, ArraysStringsAndVarParameters) {
    TestHost host;
    EXPECT_EQ(host.Run(Text({"var g: array[1..3, 4] of Variant;", "    x: array[3] of Integer;",
                             "    s: String; v: Variant; i: Integer;",
                             "procedure Swap(var a, b: Variant);", "var t: Variant;",
                             "begin t := a; a := b; b := t end;", "begin",
                             "  g[2, 3] := 'x'; g[1, 0] := 5;", "  Trace(g[2, 3]); Trace(g[1, 0]);",
                             "  for i := 0 to 2 do x[i] := i * i;", "  Trace(x[2]);",
                             "  s := 'abc'; s[2] := 'Z'; Trace(s);", "  v := 'one'; s := 'two';",
                             "  Swap(v, s); Trace(v); Trace(s);", "end."})),
              "x 5 4 aZc two one");
}

// Out-of-range indexes raise instead of touching memory outside the data.
TEST(ExpressionTest, IndexesOutsideTheDataRaise) {
    const std::string scripts[] = {
        Text({"var s: String;", "begin s := 'abc'; Trace(s[4]) end."}),
        Text({"var s: String;", "begin s := 'abc'; s[0] := 'x' end."}),
        Text({"var x: array[3] of Integer;", "begin x[3] := 1 end."}),
        Text({"var x: array[1..2] of Integer;", "begin Trace(x[0]) end."}),
    };
    for (const std::string& text : scripts) {
        TestHost host;
        ASSERT_EQ(host.Compile(text), "") << text;
        EXPECT_THROW(host.script.Execute(), runtime::Exception) << text;
    }
}

// Inserting by precedence, straight through the interface.
TEST(ExpressionTest, TreeFollowsPrecedenceAsOperandsArrive) {
    TestHost host;
    struct Row {
        std::vector<std::string> pieces;  // operators, or numbers
        Variant value;
    };
    const Row rows[] = {
        {{"1", "+", "2", "*", "3", "-", "4"}, Variant(3)},
        {{"(", "1", "+", "2", ")", "*", "3"}, Variant(9)},
        {{"unminus", "2", "*", "3"}, Variant(-6)},
        {{"2", "*", "(", "3", "+", "(", "4", "-", "1", ")", ")"}, Variant(12)},
        {{"8", "div", "2", "div", "2"}, Variant(2)},
    };
    for (const Row& row : rows) {
        TscExpression expression(host.script);
        for (const std::string& piece : row.pieces) {
            if (std::isdigit(static_cast<unsigned char>(piece[0])))
                expression.AddConstant(Variant(std::stoi(piece)));
            else
                expression.AddOperator(piece);
        }
        ASSERT_EQ(expression.Finish(), "");
        EXPECT_TRUE(expression.GetValue() == row.value);
    }
    TscExpression unbalanced(host.script);
    unbalanced.AddConstant(Variant(1));
    EXPECT_THROW(unbalanced.AddOperator(")"), EScriptError);
}

// Flat expressions as long as generated code writes them compile, fold,
// run and go away on a thread with a small stack: no walk over the tree
// takes a machine call per operator.
TEST(ExpressionTest, LongFlatExpressionsNeedNoStackPerTerm) {
    const auto flat = [](const std::string& term, const char* op, int count) {
        std::string text = term;
        for (int i = 1; i < count; ++i) text += op + term;
        return text;
    };
    const std::string text =
        Text({"var x, y: Integer; b: Boolean; s: String;", "begin", "  y := 2;",
              "  x := " + flat("y", " + ", 20000) + ";", "  Trace(x);",
              "  x := " + flat("1", " - ", 20000) + ";", "  Trace(x);",
              "  b := " + flat("(y = 3)", " or ", 10000) + ";", "  Trace(b);",
              "  s := " + flat("'ab'", " + ", 10000) + ";", "  Trace(Length(s));", "end."});
    class SmallStack : public runtime::TThread {
      public:
        explicit SmallStack(const std::string& text) : text_(text) {
            SetStackSize(std::size_t{4} << 20);
        }
        ~SmallStack() override { TerminateAndWait(); }
        std::string result;

      protected:
        void Execute() override {
            TestHost host;
            result = host.Run(text_);
        }

      private:
        const std::string& text_;
    };
    SmallStack thread(text);
    thread.Start();
    thread.WaitFor();
    ASSERT_FALSE(thread.FatalException());
    EXPECT_EQ(thread.result, "40000 -19998 False 20000");
}

}  // namespace
}  // namespace script
