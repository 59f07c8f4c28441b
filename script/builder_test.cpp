// The builder: compile errors with their positions, declarations and what
// compiling must not do.
#include "script/builder.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/component.h"
#include "runtime/handles.h"
#include "runtime/properties.h"
#include "script/engine_test_support.h"
#include "script/errors.h"
#include "script/grammar_registry.h"
#include "script/il_parser.h"
#include "script/pascalscript_grammar.h"

namespace script {
namespace {

using runtime::Variant;
using testing::TestHost;
using testing::Text;

// A host object whose members scripts reach through Variants.
class TBuildTestItem : public runtime::TComponent {
    RUNTIME_CLASS(TBuildTestItem)

  public:
    explicit TBuildTestItem(runtime::TComponent* owner) : runtime::TComponent(owner) {}

    std::string Caption;
    int32_t Count = 0;
    Variant Link;
};

RUNTIME_BEGIN_CLASS(TBuildTestItem, runtime::TComponent)
RUNTIME_FIELD(Caption);
RUNTIME_FIELD(Count);
RUNTIME_FIELD(Link);
RUNTIME_END_CLASS

TEST(BuilderTest, CompileErrorsWithTheirPositions) {
    struct Row {
        std::string text;
        std::string error;
    };
    const Row rows[] = {
        {Text({"begin", "  x := 1", "end."}), "Undeclared identifier: 'x' at 2:4"},
        {Text({"var x: Integer;", "    x: String;", "begin end."}),
         "Identifier redeclared: 'x' at 2:6"},
        {Text({"var x: TNoSuchType;", "begin end."}), "Unknown type: 'TNoSuchType' at 1:19"},
        {Text({"const c = 2 * 3;", "begin", "  c := 1", "end."}),
         "Left side cannot be assigned to at 3:3"},
        {Text({"var i: Integer;", "begin", "  i := 'x'", "end."}),
         "Incompatible types: 'Integer', 'String' at 3:8"},
        {Text({"var i: Integer;", "begin", "  i := 1.5", "end."}),
         "Incompatible types: 'Integer', 'Extended' at 3:8"},
        {Text({"procedure P(a, b: Integer);", "begin end;", "begin", "  P(1)", "end."}),
         "Not enough actual parameters at 4:4"},
        {Text({"procedure P(a: Integer);", "begin end;", "begin", "  P(1, 2)", "end."}),
         "Too many actual parameters at 4:4"},
        {Text({"procedure P(a: Integer);", "begin end;", "begin", "  P('x')", "end."}),
         "Incompatible types: 'Integer', 'String' at 4:5"},
        {Text({"var s: String; i: Integer;", "begin", "  i := s.Length", "end."}),
         "Strings doesn't have properties or methods at 3:16"},
        {Text({"var s: String;", "begin", "  for s := 1 to 3 do ;", "end."}),
         "For loop variable must be numeric variable at 3:8"},
        {Text({"var i: Integer;", "begin", "  i[1] := 2", "end."}), "Array type required at 3:5"},
        {Text({"var i: Integer;", "begin", "  with i do ;", "end."}), "Class type required at 3:8"},
        {Text({"var v: Variant;", "begin", "  v := @v.x", "end."}), "Variable required at 3:9"},
        {Text({"var x: array[Length('ab')] of Integer;", "begin end."}),
         "Constant expression expected at 1:14"},
        {Text({"begin", "  Trace(1", "end."}), "')' expected at 3:1"},
        {Text({"function F: Integer;", "begin", "  F := 5", "end;", "begin end."}),
         "Function result is set through Result, not by assigning to 'F' at 3:3"},
        {Text({"procedure P;", "begin end;", "begin", "  P := 5", "end."}),
         "Left side cannot be assigned to at 4:3"},
        {Text({"procedure P(a: Integer = 'x');", "begin end;", "begin end."}),
         "Incompatible types: 'Integer', 'String' at 1:24"},
    };
    for (const Row& row : rows) {
        TestHost host;
        EXPECT_EQ(host.Compile(row.text), row.error) << row.text;
        EXPECT_EQ(host.script.ErrorUnit, "") << row.text;
    }
}

TEST(BuilderTest, DeclarationsThatCompile) {
    TestHost host;
    // Later procedures are callable; locals hide globals; every name of a
    // var group gets the initial value.
    EXPECT_EQ(host.Run(Text({"var x: Integer;", "var a, b: Integer = 5;", "procedure P;",
                             "var x: String;", "begin x := 'local'; Trace(x); Q end;",
                             "procedure Q;", "begin Trace('q') end;", "begin", "  x := 1; P;",
                             "  Trace(x); Trace(a + b)", "end."})),
              "local q 1 10");
    // Array bounds: array[3] is 0..2, array[1..3] is 1..3.
    ASSERT_EQ(host.Compile(
                  Text({"var x: array[3] of Integer; y: array[1..3] of Integer;", "begin end."})),
              "");
    const Variant& x = host.script.FindLocal("x")->Value;
    const Variant& y = host.script.FindLocal("y")->Value;
    EXPECT_EQ(x.ArrayLowBound(1), 0);
    EXPECT_EQ(x.ArrayHighBound(1), 2);
    EXPECT_EQ(y.ArrayLowBound(1), 1);
    EXPECT_EQ(y.ArrayHighBound(1), 3);
}

TEST(BuilderTest, ErrorsInAUnitNameTheUnit) {
    TestHost host;
    host.script.OnGetUnit =
        TscGetUnitEvent([](runtime::TObject*, const std::string& name, std::string& text) {
            text = name == "good.pas" ? Text({"procedure FromUnit;", "begin Trace('unit') end;",
                                              "begin Trace('unit main') end."})
                                      : Text({"begin", "  nope := 1", "end."});
        });
    EXPECT_EQ(host.Run(Text({"uses 'good.pas';", "begin FromUnit end."})), "unit main unit");
    EXPECT_EQ(host.Compile(Text({"uses 'bad.pas';", "begin end."})),
              "Undeclared identifier: 'nope' at 2:7");
    EXPECT_EQ(host.script.ErrorUnit, "bad.pas");
    // So do the errors a unit's names raise when they are built at run time.
    host.script.OnGetUnit =
        TscGetUnitEvent([](runtime::TObject*, const std::string&, std::string& text) {
            text = Text({"procedure Index;", "var v: Variant;", "begin", "  Trace(v[1])", "end;",
                         "begin end."});
        });
    ASSERT_EQ(host.Compile(Text({"uses 'late.pas';", "begin Index end."})), "");
    try {
        host.script.Execute();
        ADD_FAILURE() << "no error";
    } catch (const EScriptError& e) {
        EXPECT_EQ(std::string(e.Message()), "Null value cannot be indexed");
        EXPECT_EQ(e.Position(), "4:11");
        EXPECT_EQ(e.Unit(), "late.pas");
    }
}

// With "declarevars" set to "0" an unknown name becomes a global Variant.
TEST(BuilderTest, UndeclaredNamesWhenTheGrammarAllowsThem) {
    std::string grammar(PascalScriptGrammarText());
    const std::string key = "<parser>";
    grammar.insert(grammar.find(key) + key.size(), "<declarevars text=\"0\"/>");
    RegisterGrammar("LoosePascal", grammar);
    TestHost host;
    host.script.SetSyntaxType("LoosePascal");
    EXPECT_EQ(
        host.Run(Text({"procedure P;", "begin y := 2 end;", "begin x := 1; P; Trace(x + y) end."})),
        "3");
    EXPECT_NE(host.script.FindLocal("y"), nullptr);
}

// Compiling reads no host value that would run host code: a constant that
// calls a function gets its value when its block runs.
TEST(BuilderTest, CompilingRunsNoHostCode) {
    TestHost host;
    int calls = 0;
    const auto counter = [&](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
                             TscMethodHelper&) {
        ++calls;
        return Variant(calls * 10);
    };
    host.global.DeclareMethodEx("function Counter: Integer", counter);
    host.global.DeclareMethodEx("function AnyValue: Variant", counter);
    ASSERT_EQ(host.Compile(Text({"const C = Counter + 1;", "var v: Variant;", "procedure P;",
                                 "begin v := AnyValue.Foo end;", "begin Trace(C) end."})),
              "");
    EXPECT_EQ(calls, 0);
    host.script.Execute();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(host.Trace(), "11");
}

// Members of a Variant and names inside "with" on a Variant are known only
// when the statement runs: their designators are built then, from the part
// of the intermediate form kept for them.
TEST(BuilderTest, MembersOfVariantsResolveWhenTheyRun) {
    TestHost host;
    TBuildTestItem item(nullptr);
    item.Caption = "start";
    ASSERT_NE(host.global.DeclareClass(runtime::ClassInfoOf<TBuildTestItem>(), ""), nullptr);
    host.global.DeclareObject("Item", &item);
    EXPECT_EQ(host.Run(Text({"var v: Variant; s: Variant;", "begin", "  v := Item; s := 'abc';",
                             "  Trace(v.Caption); Trace(s[2]);",
                             "  with v do begin Caption := 'with'; Trace(Caption + '!') end;",
                             "  v.Count := Length(v.Caption);", "end."})),
              "start b with!");
    EXPECT_EQ(item.Caption, "with");
    EXPECT_EQ(item.Count, 4);
    // A name that the object does not have fails when the statement runs.
    ASSERT_EQ(
        host.Compile(Text({"var v: Variant;", "begin v := Item;", "  Trace(v.Nope)", "end."})), "");
    try {
        host.script.Execute();
        ADD_FAILURE() << "no error";
    } catch (const EScriptError& e) {
        EXPECT_EQ(std::string(e.Message()), "Undeclared identifier: 'Nope'");
    }
}

// A name found through a with over an object may lead to a Variant whose
// members wait for the run: the designator built then still starts at the
// with's object.
TEST(BuilderTest, DeferredNamesInsideWithKeepTheirObject) {
    TestHost host;
    TBuildTestItem item(nullptr);
    TBuildTestItem linked(nullptr);
    linked.Caption = "linked";
    item.Link = Variant(runtime::HandleOf(&linked));
    ASSERT_NE(host.global.DeclareClass(runtime::ClassInfoOf<TBuildTestItem>(), ""), nullptr);
    host.global.DeclareObject("Item", &item);
    EXPECT_EQ(host.Run(Text({"begin", "  with Item do", "  begin", "    Trace(Link.Caption);",
                             "    Link.Caption := 'changed'", "  end", "end."})),
              "linked");
    EXPECT_EQ(linked.Caption, "changed");
}

// A Variant that holds nothing when its member or element is asked for:
// the message names that, at the place of the name.
TEST(BuilderTest, NullVariantsAreNamedWhenIndexedOrAskedForMembers) {
    struct Row {
        const char* statement;
        const char* message;
        const char* position;
    };
    const Row rows[] = {
        {"  Trace(v[1])", "Null value cannot be indexed", "3:11"},
        {"  Trace(v.Caption)", "Null or nil value has no member: 'Caption'", "3:18"},
        {"  v[1] := 2", "Null value cannot be indexed", "3:5"},
    };
    for (const Row& row : rows) {
        TestHost host;
        ASSERT_EQ(host.Compile(Text({"var v: Variant;", "begin", row.statement, "end."})), "");
        try {
            host.script.Execute();
            ADD_FAILURE() << row.statement << ": no error";
        } catch (const EScriptError& e) {
            EXPECT_EQ(std::string(e.Message()), row.message) << row.statement;
            EXPECT_EQ(e.Position(), row.position) << row.statement;
        }
    }
}

// The builder reads the intermediate document once it was handed out,
// changes included.
TEST(BuilderTest, BuildingReadsTheIntermediateDocumentAsChanged) {
    TestHost host;
    TscILParser parser(host.script);
    parser.SelectGrammar("PascalScript");
    ASSERT_TRUE(parser.BuildIntermediate(Text({"begin Trace(1) end."})));
    // program / compoundstmt / callstmt / dsgn / expr / number
    TscXMLItem& number = parser.Intermediate().Root().Items(0).Items(0).Items(0).Items(1).Items(0);
    ASSERT_EQ(number.Name, "number");
    number.SetProp("text", "2");
    BuildProgram(parser, host.script);
    ASSERT_EQ(host.script.ErrorMessage, "");
    host.script.Execute();
    EXPECT_EQ(host.Trace(), "2");
}

TEST(BuilderTest, UnknownLanguageRaisesOutOfCompile) {
    TestHost host;
    host.script.SetSyntaxType("");
    host.script.SetText("begin end.");
    EXPECT_THROW((void)host.script.Compile(), EScriptError);
}

}  // namespace
}  // namespace script
