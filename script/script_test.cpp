// The script component: registration semantics, calls by name, host classes
// and objects, modules, and the limits of a run.
#include "script/script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/component.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "runtime/properties.h"
#include "runtime/stringlist.h"
#include "script/engine_test_support.h"
#include "script/errors.h"
#include "script/il_parser.h"
#include "script/statements.h"
#include "tests/support/linear_time.h"

namespace script {
namespace {

using runtime::Variant;
using testing::TestHost;
using testing::Text;

// A host component with published properties of several kinds and an event.
class TTestItem : public runtime::TComponent {
    RUNTIME_CLASS(TTestItem)

  public:
    explicit TTestItem(runtime::TComponent* owner) : runtime::TComponent(owner) {}

    std::string Caption;
    int32_t Count = 0;
    bool Active = false;
    double Ratio = 0;
    runtime::TNotifyEvent OnChange;

    int32_t GetCount() const { return Count; }
};

RUNTIME_BEGIN_CLASS(TTestItem, runtime::TComponent)
RUNTIME_FIELD(Caption);
RUNTIME_FIELD(Count);
RUNTIME_FIELD(Active);
RUNTIME_FIELD(Ratio);
RUNTIME_READONLY(Total, GetCount);
RUNTIME_FIELD(OnChange);
RUNTIME_END_CLASS

// Forms are recognised by their ancestry.
class TForm : public runtime::TComponent {
    RUNTIME_CLASS(TForm)

  public:
    explicit TForm(runtime::TComponent* owner) : runtime::TComponent(owner) {}
};
class TForm1 : public TForm {
    RUNTIME_CLASS(TForm1)

  public:
    explicit TForm1(runtime::TComponent* owner) : TForm(owner) {}
};
RUNTIME_BEGIN_CLASS(TForm, runtime::TComponent)
RUNTIME_END_CLASS
RUNTIME_BEGIN_CLASS(TForm1, TForm)
RUNTIME_END_CLASS

// A notify-event bridge of the kind the event bridge module provides.
class TestNotifyBridge : public TscCustomEvent {
  public:
    using TscCustomEvent::TscCustomEvent;
    runtime::TMethod HandlerAddress() override {
        return runtime::TNotifyEvent(
                   [this](runtime::TObject* sender) {
                       const Variant args[] = {Variant(runtime::HandleOf(sender))};
                       CallHandler(args);
                   },
                   this)
            .ToMethod();
    }
    static std::unique_ptr<TscCustomEvent> Make(runtime::TObject* host, TscProcVariable* proc) {
        return std::make_unique<TestNotifyBridge>(host, proc);
    }
};

// ---- registration ----------------------------------------------------------------------

TEST(ScriptTest, RegistrationKeepsExistingNamesAndShadowsMethods) {
    TestHost host;
    host.global.DeclareConst("Answer", "Integer", Variant(42));
    host.script.DeclareConst("Answer", "Integer", Variant(1));  // known to the parent
    EXPECT_EQ(host.script.FindLocal("Answer"), nullptr);
    EXPECT_TRUE(host.script.Find("Answer")->Value == Variant(42));

    host.global.DeclareMethodEx("function Pick: Integer",
                                [](runtime::TObject*, const runtime::TClassInfo*,
                                   const std::string&, TscMethodHelper&) { return Variant(1); });
    host.global.DeclareMethodEx("function Pick: Integer",
                                [](runtime::TObject*, const runtime::TClassInfo*,
                                   const std::string&, TscMethodHelper&) { return Variant(2); });
    EXPECT_EQ(host.Run(Text({"begin Trace(Pick) end."})), "2");

    host.global.DeclareEnumSet("TFontStyles", "fsBold, fsItalic,fsUnderline, fsStrikeout");
    host.global.DeclareEnum("TAlign", "alNone,alTop");
    EXPECT_EQ(
        host.Run(Text({"begin Trace(fsBold); Trace(fsItalic); Trace(fsUnderline);",
                       "Trace(fsStrikeout); Trace(fsBold or fsItalic); Trace(alNone); Trace(alTop)",
                       "end."})),
        "1 2 4 8 3 0 1");
    EXPECT_EQ(host.global.Find("fsItalic")->DeclTypeName, "TFontStyles");
    EXPECT_EQ(host.global.Find("alTop")->Kind, fskEnum);
}

TEST(ScriptTest, ClearKeepsModuleItemsAndTheParentChain) {
    TestHost host;
    ASSERT_EQ(host.Compile(Text({"var x: Integer;", "begin x := 1 end."})), "");
    ASSERT_NE(host.script.FindLocal("x"), nullptr);
    (void)host.Compile(Text({"begin nope end."}));
    EXPECT_NE(host.script.ErrorMessage, "");
    host.script.Clear();
    EXPECT_EQ(host.script.FindLocal("x"), nullptr);
    EXPECT_EQ(host.script.ErrorMessage, "");
    EXPECT_EQ(host.script.ErrorPosition, "");
    EXPECT_NE(host.script.Find("Trace"), nullptr);
    EXPECT_EQ(host.script.MainList().Children.Count(), 0);
    // Without Clear, compiling again adds to what is there.
    ASSERT_EQ(host.Compile(Text({"var x: Integer;", "begin end."})), "");
    host.script.SetText(Text({"var x: Integer;", "begin end."}));
    EXPECT_FALSE(host.script.Compile());
    EXPECT_EQ(host.script.ErrorMessage, "Identifier redeclared: 'x'");
}

// Compile reads the text as it was set, its line ends of any kind counting
// as the lines would join them; the lines follow whichever was set last.
TEST(ScriptTest, TextCompilesAsItsLinesWouldJoin) {
    struct Row {
        const char* text;
        const char* error;
    };
    const Row rows[] = {
        {"var x: Integer;\nbegin\n  x := ;\nend.", "Expression expected at 3:8"},
        {"var x: Integer;\rbegin\r  x := ;\rend.", "Expression expected at 3:8"},
        {"var x: Integer;\r\nbegin\n\r  x := ;\r\nend.", "Expression expected at 4:8"},
        {"begin end", "'.' expected at 2:1"},
        {"begin end\n", "'.' expected at 2:1"},
    };
    for (const Row& row : rows) {
        TestHost host;
        EXPECT_EQ(host.Compile(row.text), row.error) << row.text;
        runtime::TStringList lines;
        lines.SetText(row.text);
        host.script.Clear();
        host.script.SetLines(&lines);
        EXPECT_FALSE(host.script.Compile());
        EXPECT_EQ(host.script.ErrorMessage + " at " + host.script.ErrorPosition, row.error)
            << row.text;
    }
    TestHost host;
    host.script.SetText("begin Trace(1) end.");
    ASSERT_EQ(host.script.Lines()->Count(), 1);
    host.script.Lines()->SetStrings(0, "begin Trace(2) end.");
    ASSERT_TRUE(host.script.Compile());
    host.script.Execute();
    EXPECT_EQ(host.Trace(), "2");
    EXPECT_EQ(host.script.Text(), "begin Trace(2) end.\r\n");
}

class TTestModule : public TscRTTIModule {
  public:
    explicit TTestModule(TscScript& script) : TscRTTIModule(script) {
        script.DeclareConst("ModuleConst", "Integer", Variant(7));
    }
};

TEST(ScriptTest, ModuleItemsSurviveClearUntilUnloaded) {
    init();
    RegisterModuleClass(&NewModule<TTestModule>);
    TscScript script;
    DeclareLanguageBasics(script);  // before the modules: tag 0
    script.LoadModules();
    script.LoadModules();  // once only
    UnregisterModuleClass(&NewModule<TTestModule>);
    ASSERT_NE(script.FindLocal("ModuleConst"), nullptr);
    EXPECT_EQ(script.FindLocal("ModuleConst")->ModuleTag, 1);
    script.DeclareConst("HostConst", "Integer", Variant(1));
    EXPECT_EQ(script.FindLocal("HostConst")->ModuleTag, 0);
    script.Clear();
    EXPECT_NE(script.FindLocal("ModuleConst"), nullptr);
    EXPECT_EQ(script.FindLocal("HostConst"), nullptr);
    script.UnloadModules();
    EXPECT_EQ(script.FindLocal("ModuleConst"), nullptr);
    EXPECT_FALSE(script.ModulesLoaded());
}

TEST(ScriptTest, GlobalScriptIsMadeOnceWithItsModules) {
    init();
    TscScript* global = GlobalScript();
    ASSERT_NE(global, nullptr);
    EXPECT_EQ(GlobalScript(), global);
    EXPECT_TRUE(global->ModulesLoaded());
}

// The script component publishes its text, grammar name and events, so a
// window layout can make and wire it.
TEST(ScriptTest, PublishedProperties) {
    TscScript script;
    EXPECT_EQ(runtime::GetPropValue(script, "SyntaxType").AsString(), "PascalScript");
    runtime::SetPropValue(script, "SyntaxType", Variant("Other"));
    EXPECT_EQ(script.SyntaxType(), "Other");
    runtime::TStringList lines;
    lines.SetText("begin\r\nend.");
    script.SetLines(&lines);
    EXPECT_EQ(script.Lines()->Count(), 2);
    EXPECT_NE(script.Lines(), &lines);
    for (const char* event : {"OnGetILUnit", "OnGetUnit", "OnRunLine"}) {
        const runtime::TPropInfo* prop = runtime::GetPropInfo(script, event);
        ASSERT_NE(prop, nullptr) << event;
        EXPECT_EQ(prop->Kind(), runtime::tkMethod) << event;
    }
}

// A unit can come as its intermediate form instead of its text.
TEST(ScriptTest, UnitsFromTheirIntermediateForm) {
    TestHost host;
    TestHost unitSource;
    TscILParser parser(unitSource.script);
    parser.SelectGrammar("PascalScript");
    ASSERT_TRUE(parser.BuildIntermediate(
        Text({"procedure FromIL;", "begin Trace('il') end;", "begin Trace('il main') end."})));
    const std::string form = parser.Intermediate().SaveToString();
    std::vector<std::string> asked;
    host.script.OnGetILUnit =
        TscGetUnitEvent([&](runtime::TObject*, const std::string& name, std::string& text) {
            asked.push_back(name);
            text = form;
        });
    // The text the parser reads meanwhile is empty.
    host.script.OnGetUnit = TscGetUnitEvent(
        [](runtime::TObject*, const std::string&, std::string& text) { text.clear(); });
    EXPECT_EQ(host.Run(Text({"uses 'il.pas';", "begin FromIL end."})), "il main il");
    EXPECT_EQ(asked, std::vector<std::string>{"il.pas"});
}

// ---- calls by name --------------------------------------------------------------------------

TEST(ScriptTest, CallScriptFunctionArgumentsAndResults) {
    TestHost host;
    ASSERT_EQ(host.Compile(Text(
                  {"function Add(a, b: Integer): Integer;", "begin Result := a + b end;",
                   "function Echo(v: Variant): Variant;", "begin Result := v end;",
                   "function Opt(a: Integer; b: Integer = 5): Integer;",
                   "begin Result := a * b end;", "procedure SetVar(var x: Integer);",
                   "begin x := 99 end;", "function Never(b: Boolean): Integer;",
                   "begin if b then Result := 1 end;", "function Local(b: Boolean): Integer;",
                   "var x: Integer;", "begin if b then x := 5; Result := x end;", "begin end."})),
              "");
    EXPECT_TRUE(host.script.CallScriptFunction("Add", Variant::ArrayOf({Variant(2), Variant(3)})) ==
                Variant(5));
    // A wide string stays wide.
    const Variant wide =
        host.script.CallScriptFunction("echo", Variant::ArrayOf({Variant(u"\u0436x")}));
    EXPECT_EQ(wide.Type(), runtime::varOleStr);
    EXPECT_EQ(wide.AsWideString(), u"\u0436x");
    // A single value is one argument; omitted optional ones take their defaults.
    EXPECT_TRUE(host.script.CallScriptFunction("Opt", Variant(3)) == Variant(15));
    EXPECT_TRUE(host.script.CallScriptFunction("Opt", Variant::ArrayOf({Variant(3), Variant(2)})) ==
                Variant(6));
    // Var parameters are not written back into the argument array.
    Variant args = Variant::ArrayOf({Variant(1)});
    (void)host.script.CallScriptFunction("SetVar", args);
    EXPECT_TRUE(args.GetElement({0}) == Variant(1));
    // Result and locals start afresh on every call.
    EXPECT_TRUE(host.script.CallScriptFunction("Never", Variant(true)) == Variant(1));
    EXPECT_TRUE(host.script.CallScriptFunction("Never", Variant(false)).IsNull());
    EXPECT_TRUE(host.script.CallScriptFunction("Local", Variant(true)) == Variant(5));
    EXPECT_TRUE(host.script.CallScriptFunction("Local", Variant(false)) == Variant(0));
    // Unknown names and names of other items give Null.
    EXPECT_TRUE(host.script.CallScriptFunction("Nothing", Variant()).IsNull());
    EXPECT_TRUE(host.script.CallScriptFunction("Trace", Variant("x")).IsNull());
    EXPECT_TRUE(host.trace.empty());
    // The argument count must fit the parameters.
    struct Mismatch {
        Variant args;
        Msg message;
    };
    const Mismatch mismatches[] = {
        {Variant(1), Msg::NotEnoughParameters},
        {Variant(), Msg::NotEnoughParameters},
        {Variant::ArrayOf({Variant(1), Variant(2), Variant(3)}), Msg::TooManyParameters},
    };
    for (const Mismatch& m : mismatches) {
        try {
            (void)host.script.CallScriptFunction("Add", m.args);
            ADD_FAILURE() << "no error";
        } catch (const EScriptError& e) {
            EXPECT_EQ(e.Message(), MessageText(m.message));
        }
    }
}

TEST(ScriptTest, RecursionRestoresTheCallersValues) {
    TestHost host;
    ASSERT_EQ(host.Compile(Text(
                  {"function Fib(n: Integer): Integer;", "begin",
                   "  if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2)", "end;",
                   "function R(n: Integer): Integer;", "var local: Integer;", "begin",
                   "  local := n * 10;", "  if n > 0 then try R(n - 1) except Trace('caught') end;",
                   "  if n = 0 then Fail('deep');", "  Result := local", "end;", "begin end."})),
              "");
    EXPECT_TRUE(host.script.CallScriptFunction("Fib", Variant(15)) == Variant(610));
    EXPECT_TRUE(host.script.CallScriptFunction("R", Variant(2)) == Variant(20));
    EXPECT_EQ(host.Trace(), "caught");
}

// Recursion without end raises a script exception, not a crash, and the
// script works afterwards.
TEST(ScriptTest, DeepRecursionRaisesStackOverflow) {
    TestHost host;
    ASSERT_EQ(host.Compile(
                  Text({"function Deep(n: Integer): Integer;", "begin Result := Deep(n + 1) end;",
                        "function Caught: Integer;",
                        "begin try Deep(0) except Trace(ExceptionClassName) end; Result := 1 end;",
                        "function Two: Integer;", "begin Result := 2 end;", "begin end."})),
              "");
    try {
        (void)host.script.CallScriptFunction("Deep", Variant(0));
        FAIL() << "no exception";
    } catch (const runtime::EStackOverflow& e) {
        EXPECT_EQ(e.Message(), "Stack overflow");
    }
    EXPECT_TRUE(host.script.CallScriptFunction("Two", Variant()) == Variant(2));
    EXPECT_TRUE(host.script.CallScriptFunction("Caught", Variant()) == Variant(1));
    EXPECT_EQ(host.Trace(), "EStackOverflow");
}

// Scripts run on threads with the program's script stack recurse ten
// thousand levels deep, and compile a chain of a thousand "else if".
TEST(ScriptTest, ScriptThreadsRecurseDeepAndCompileLongChains) {
    std::string chain =
        Text({"var x: Integer;", "begin", "  x := 999;", "  if x = 0 then Trace(0)"});
    for (int i = 1; i < 1000; ++i)
        chain +=
            "  else if x = " + std::to_string(i) + " then Trace(" + std::to_string(i) + ")\r\n";
    chain += Text({"  else Trace(-1)", "end."});
    const auto work = [&] {
        TestHost host;
        ASSERT_EQ(
            host.Compile(Text({"function R(n: Integer): Integer;", "var s: string;", "begin",
                               "  s := IntToStr(n);",
                               "  if n = 0 then Result := 0 else Result := R(n - 1) + 1;",
                               "  if s <> IntToStr(n) then Fail('lost')", "end;", "begin end."})),
            "");
        EXPECT_TRUE(host.script.CallScriptFunction("R", Variant(10000)) == Variant(10000));
        EXPECT_EQ(host.Run(chain), "999");
    };
    testing::OnScriptThread(work);
    if (testing::HasScriptStack()) work();
}

// Declaring names costs the same per name however many there are: names
// in one var list, and procedures.
TEST(ScriptTest, DeclarationsCompileInLinearTime) {
    TestHost host;
    const auto compiles = [&](std::string text) {
        return [&host, text = std::move(text)] { ASSERT_EQ(host.Compile(text), ""); };
    };
    serplow::testing::ExpectLinearTime("variables", 4000, [&](int n) {
        std::string text = "var v0";
        for (int i = 1; i < n; ++i) text += ", v" + std::to_string(i);
        return compiles(text + ": Integer;\r\nbegin v" + std::to_string(n - 1) + " := 1 end.");
    });
    serplow::testing::ExpectLinearTime("procedures", 500, [&](int n) {
        std::string text;
        for (int i = 0; i < n; ++i) text += "procedure P" + std::to_string(i) + "; begin end;\r\n";
        return compiles(text + "begin P" + std::to_string(n - 1) + " end.");
    });
}

TEST(ScriptTest, StepLimitEndsEndlessRunsAndCannotBeCaught) {
    const std::string scripts[] = {
        Text({"begin while True do ; end."}),
        Text({"begin repeat until False end."}),
        Text({"begin while True do try Fail('x') except end end."}),
        Text({"procedure P; begin P end;", "begin P end."}),
    };
    for (const std::string& text : scripts) {
        TestHost host;
        // Calls count too: the recursion meets the limit before the stack's.
        host.script.SetStepLimit(40);
        ASSERT_EQ(host.Compile(text), "") << text;
        EXPECT_THROW(host.script.Execute(), EScriptStepLimit) << text;
        // The count starts again with the next run.
        EXPECT_THROW(host.script.Execute(), EScriptStepLimit) << text;
    }
}

// ---- host classes and objects -------------------------------------------------------------

TEST(ScriptTest, PublishedPropertiesAreMembers) {
    TestHost host;
    TTestItem item(nullptr);
    item.Caption = "start";
    item.Count = 2;
    TscClassVariable* items = host.global.DeclareClass(runtime::ClassInfoOf<TTestItem>(), "");
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(host.global.DeclareClass(runtime::ClassInfoOf<TTestItem>(), ""), nullptr);
    host.global.DeclareObject("Item", &item);
    EXPECT_EQ(host.Run(Text({"begin", "  Trace(Item.Caption); Trace(Item.Count);",
                             "  Item.Caption := 'new'; Item.Count := Item.Count + 1;",
                             "  Item.Active := True; Item.Ratio := 2.5;",
                             "  if Item.Active then Trace('active');", "end."})),
              "start 2 active");
    EXPECT_EQ(item.Caption, "new");
    EXPECT_EQ(item.Count, 3);
    EXPECT_TRUE(item.Active);
    EXPECT_EQ(item.Ratio, 2.5);
    // A read-only published property refuses assignment when compiling.
    EXPECT_EQ(host.Compile(Text({"begin Item.Total := 1 end."})),
              "Left side cannot be assigned to at 1:7");
}

TEST(ScriptTest, MethodsIndexedPropertiesAndConstructors) {
    TestHost host;
    TTestItem item(nullptr);
    TscClassVariable* items = host.global.DeclareClass(runtime::ClassInfoOf<TTestItem>(), "");
    ASSERT_NE(items, nullptr);
    std::vector<std::string> calls;
    const runtime::TClassInfo* declaring = &runtime::ClassInfoOf<TTestItem>();
    runtime::TObject* constructed = nullptr;
    const auto record = [&](runtime::TObject* instance, const runtime::TClassInfo* classType,
                            const std::string& name, TscMethodHelper& caller) -> Variant {
        EXPECT_EQ(classType, declaring) << name;
        if (name == "CREATE") {
            constructed = instance;
            return Variant(runtime::HandleOf(instance));
        }
        EXPECT_EQ(instance, &item) << name;
        std::string entry = name;
        for (int i = 0; i <= caller.ParamCount(); ++i)
            entry += " " + runtime::VarToStr(caller.GetParamValue(i));
        calls.push_back(entry);
        return Variant(std::string("r"));
    };
    items->DeclareMethodEx("function Describe(Prefix: String): String", record);
    items->DeclareIndexedProperty("Cells", "Integer, Integer", "String", record, false);
    items->DeclareDefaultProperty("Lines", "Integer", "String", record, true);
    items->DeclareConstructorEx("constructor Create(AOwner: TComponent)", record);
    host.global.DeclareObject("Item", &item);
    EXPECT_EQ(host.Run(Text({"var t: TTestItem;", "begin", "  Trace(Item.Describe('p'));",
                             "  Item.Cells[1, 2] := 'v';", "  Trace(Item.Cells[3, 4]);",
                             "  Trace(Item[5]);", "  t := TTestItem.Create(nil);",
                             "  t.Caption := 'fresh';", "end."})),
              "r r r");
    const std::vector<std::string> expected{"DESCRIBE p ", "CELLS.SET 1 2 v", "CELLS.GET 3 4 ",
                                            "LINES.GET 5 "};
    EXPECT_EQ(calls, expected);
    // The constructor got a fresh, fully made instance of the class.
    ASSERT_NE(constructed, nullptr);
    EXPECT_EQ(static_cast<TTestItem*>(constructed)->Caption, "fresh");
    EXPECT_TRUE(runtime::IsScriptOwned(*constructed));
    runtime::FreeScriptObject(runtime::HandleOf(constructed));
    // The default property was declared read-only.
    EXPECT_EQ(host.Compile(Text({"begin Item[1] := 'x' end."})),
              "Left side cannot be assigned to at 1:7");
}

TEST(ScriptTest, VarParametersOfHostFunctions) {
    TestHost host;
    host.global.DeclareMethod(
        "procedure Bump(var x: Integer)",
        [](runtime::TObject*, const runtime::TClassInfo*, const std::string&, Variant& params) {
            params.SetElement({0}, params.GetElement({0}) + Variant(1));
            return Variant();
        });
    host.global.DeclareMethodEx("procedure Keep(var x: Integer)",
                                [](runtime::TObject*, const runtime::TClassInfo*,
                                   const std::string&, TscMethodHelper&) { return Variant(); });
    host.global.DeclareMethodEx("procedure Set7(var x: Integer)",
                                [](runtime::TObject*, const runtime::TClassInfo*,
                                   const std::string&, TscMethodHelper& caller) {
                                    caller.SetParamValue(0, Variant(7));
                                    return Variant();
                                });
    EXPECT_EQ(host.Run(Text({"var i: Integer;", "begin", "  i := 1; Bump(i); Trace(i);",
                             "  Keep(i); Trace(i); Set7(i); Trace(i)", "end."})),
              "2 2 7");
}

// Host objects travel as checked handles: a forged or stale handle is
// refused, and a script cannot free what the host owns.
TEST(ScriptTest, ObjectReferencesAreCheckedHandles) {
    TestHost host;
    TTestItem item(nullptr);
    TscClassVariable* objects = host.global.DeclareClass(runtime::TObject::StaticClassInfo(), "");
    ASSERT_NE(objects, nullptr);
    objects->DeclareMethodEx("procedure Free",
                             [](runtime::TObject* instance, const runtime::TClassInfo*,
                                const std::string&, TscMethodHelper&) {
                                 runtime::FreeScriptObject(runtime::HandleOf(instance));
                                 return Variant();
                             });
    ASSERT_NE(host.global.DeclareClass(runtime::ClassInfoOf<TTestItem>(), "TObject"), nullptr);
    host.global.DeclareObject("Item", &item);
    ASSERT_EQ(host.Compile(Text({"begin Item.Free end."})), "");
    EXPECT_THROW(host.script.Execute(), runtime::EInvalidOperation);
    ASSERT_EQ(host.Compile(
                  Text({"var v: Variant;", "begin v := 12345; TTestItem(v).Caption := 'x' end."})),
              "");
    EXPECT_THROW(host.script.Execute(), runtime::EInvalidCast);
    // A typecast yields its argument; "is" checks the class.
    EXPECT_EQ(host.Run(Text({"var v: Variant;", "begin v := Item; TTestItem(v).Caption := 'cast';",
                             "  if v is TTestItem then Trace('is') end."})),
              "is");
    EXPECT_EQ(item.Caption, "cast");
}

TEST(ScriptTest, FormsExposeTheirComponents) {
    TestHost host;
    ASSERT_NE(host.global.DeclareClass(runtime::ClassInfoOf<TTestItem>(), ""), nullptr);
    TForm1 form(nullptr);
    form.SetName("Form1");
    auto& button = runtime::NewComponent<TTestItem>(form);
    button.SetName("Button1");
    host.global.DeclareForm(form);
    EXPECT_EQ(
        host.Run(Text({"begin Form1.Button1.Caption := 'Go'; Trace(Form1.Button1.Caption) end."})),
        "Go");
    EXPECT_EQ(button.Caption, "Go");
    // A component that is no form, of a class scripts do not know, is not
    // declared at all.
    runtime::TComponent loose(nullptr);
    loose.SetName("Loose");
    host.global.DeclareComponent(loose);
    EXPECT_EQ(host.global.Find("Loose"), nullptr);
}

TEST(ScriptTest, EventsRunScriptProcedures) {
    TestHost host;
    TTestItem item(nullptr);
    TscClassVariable* items = host.global.DeclareClass(runtime::ClassInfoOf<TTestItem>(), "");
    ASSERT_NE(items, nullptr);
    items->DeclareEvent("OnChange", &TestNotifyBridge::Make);
    host.global.DeclareObject("Item", &item);
    ASSERT_EQ(host.Compile(Text({"var n: Integer;", "procedure Changed(Sender: TTestItem);",
                                 "begin n := n + 1; Trace(Sender.Caption) end;",
                                 "begin Item.OnChange := 'Changed' end."})),
              "");
    host.script.Execute();
    item.Caption = "one";
    ASSERT_TRUE(static_cast<bool>(item.OnChange));
    item.OnChange(&item);
    EXPECT_EQ(host.Trace(), "one");
    ASSERT_EQ(host.Compile(Text({"begin Item.OnChange := 'Nothing' end."})), "");
    try {
        host.script.Execute();
        FAIL() << "no error";
    } catch (const EScriptError& e) {
        EXPECT_EQ(e.Message(), "Event handler must be a procedure");
    }
    // Clearing the script frees the bridge, and the event stops pointing at it.
    EXPECT_FALSE(static_cast<bool>(item.OnChange));
}

}  // namespace
}  // namespace script
