// The event bridges as scripts use them: a procedure attached by name to
// each event signature receives the host's arguments and hands var
// arguments back; attaching is refused for what cannot be a handler;
// replacing, removing and clearing detach the bridge from the host. And the
// main-thread objects: refused from other threads before they are touched.
#include "script/event_bridges.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/component.h"
#include "runtime/events.h"
#include "runtime/list.h"
#include "runtime/properties.h"
#include "runtime/stringlist.h"
#include "script/engine_test_support.h"
#include "script/main_thread_objects.h"

namespace script {
namespace {

using runtime::Variant;
using testing::Text;

// A host component with an event of every bridged signature.
class TEventSource : public runtime::TComponent {
    RUNTIME_CLASS(TEventSource)

  public:
    explicit TEventSource(runtime::TComponent* owner = nullptr) : TComponent(owner) {}

    runtime::TNotifyEvent OnClick;
    runtime::TMouseEvent OnMouseDown;
    runtime::TMouseMoveEvent OnMouseMove;
    runtime::TKeyEvent OnKeyDown;
    runtime::TKeyPressEvent OnKeyPress;
    runtime::TCloseEvent OnClose;
    runtime::TCloseQueryEvent OnCloseQuery;
    runtime::TCanResizeEvent OnCanResize;
};

RUNTIME_BEGIN_CLASS(TEventSource, runtime::TComponent)
RUNTIME_FIELD(OnClick);
RUNTIME_FIELD(OnMouseDown);
RUNTIME_FIELD(OnMouseMove);
RUNTIME_FIELD(OnKeyDown);
RUNTIME_FIELD(OnKeyPress);
RUNTIME_FIELD(OnClose);
RUNTIME_FIELD(OnCloseQuery);
RUNTIME_FIELD(OnCanResize);
RUNTIME_END_CLASS

// GlobalScript's modules plus TEventSource with its events, an object of
// it named Source, Trace, and FireClick (fires Source's OnClick from host
// code, as a control would while its handler runs).
class EventHost {
  public:
    EventHost() {
        init();
        global.LoadModules();
        TscClassVariable* cls =
            global.DeclareClass(runtime::ClassInfoOf<TEventSource>(), "TComponent");
        cls->DeclareEvent("OnClick", &NewEventBridge<TscNotifyEvent>);
        cls->DeclareEvent("OnMouseDown", &NewEventBridge<TscMouseEvent>);
        cls->DeclareEvent("OnMouseMove", &NewEventBridge<TscMouseMoveEvent>);
        cls->DeclareEvent("OnKeyDown", &NewEventBridge<TscKeyEvent>);
        cls->DeclareEvent("OnKeyPress", &NewEventBridge<TscKeyPressEvent>);
        cls->DeclareEvent("OnClose", &NewEventBridge<TscCloseEvent>);
        cls->DeclareEvent("OnCloseQuery", &NewEventBridge<TscCloseQueryEvent>);
        cls->DeclareEvent("OnCanResize", &NewEventBridge<TscCanResizeEvent>);
        // An event the class has not got: the host refuses it.
        cls->DeclareEvent("OnPaint", &NewEventBridge<TscNotifyEvent>);
        global.DeclareObject("Source", &source);
        global.DeclareMethodEx("procedure Trace(s: Variant)",
                               [this](runtime::TObject*, const runtime::TClassInfo*,
                                      const std::string&, TscMethodHelper& caller) {
                                   trace.push_back(runtime::VarToStr(caller.GetParamValue(0)));
                                   return Variant();
                               });
        global.DeclareMethodEx("procedure FireClick",
                               [this](runtime::TObject*, const runtime::TClassInfo*,
                                      const std::string&, TscMethodHelper&) {
                                   source.OnClick(&source);
                                   return Variant();
                               });
        script.ParentScript = &global;
    }

    // Compiles and runs the main block; "" or the error.
    std::string Run(const std::string& text) {
        script.Clear();
        script.SetText(text);
        if (!script.Compile()) return "compile: " + script.ErrorMessage;
        try {
            script.Execute();
        } catch (const runtime::Exception& e) {
            return std::string(e.ClassName()) + ": " + e.Message();
        }
        return {};
    }

    // Takes the trace, joined by " ".
    std::string Took() {
        std::string joined;
        for (const std::string& entry : trace) joined += (joined.empty() ? "" : " ") + entry;
        trace.clear();
        return joined;
    }

    // The bridges the script's tables hold (the main block's and its
    // procedures').
    int Bridges() const {
        int count = 0;
        for (int i = 0; i < script.ItemCount(); ++i)
            if (dynamic_cast<TscCustomEvent*>(script.GetItem(i)) != nullptr) ++count;
        return count;
    }

    TEventSource source;
    TscScript global;
    TscScript script;
    std::vector<std::string> trace;
};

const char* const kHandlers[] = {
    "procedure Clicked(Sender: TObject);",
    "begin Trace('click'); Trace(Sender = Source) end;",
    "procedure Down(Sender: TObject; Button, Shift, X, Y: Integer);",
    "begin Trace(Button); Trace(Shift); Trace(X); Trace(Y) end;",
    "procedure Moved(Sender: TObject; Shift, X, Y: Integer);",
    "begin Trace(Shift); Trace(X); Trace(Y) end;",
    "procedure KeyDown(Sender: TObject; var Key: Integer; Shift: Integer);",
    "begin Trace(Key); Trace(Shift); Key := Key + 1 end;",
    "procedure KeyPress(Sender: TObject; var Key: Char);",
    "begin Trace(Key); if Key = 'a' then Key := 'bc' else Key := '' end;",
    "procedure Closing(Sender: TObject; var Action: Integer);",
    "begin Trace(Action); Action := 2 end;",
    "procedure Asked(Sender: TObject; var CanClose: Boolean);",
    "begin Trace(CanClose); CanClose := False end;",
    "procedure Resizing(Sender: TObject; var NewWidth, NewHeight: Integer; var Resize: Boolean);",
    "begin Trace(NewWidth); Trace(NewHeight); NewWidth := 100; Resize := False end;",
    "procedure OnlySender(Sender: TObject);",
    "begin Trace('only') end;",
};

std::string WithHandlers(std::initializer_list<std::string_view> body) {
    std::string text;
    for (const char* line : kHandlers) text += std::string(line) + "\r\n";
    return text + Text(body);
}

TEST(EventBridgesTest, EverySignaturePassesItsArgumentsAndTakesVarArgumentsBack) {
    EventHost host;
    ASSERT_EQ(host.Run(WithHandlers(
                  {"begin", "  Source.OnClick := 'Clicked';", "  Source.OnMouseDown := 'Down';",
                   "  Source.OnMouseMove := 'Moved';", "  Source.OnKeyDown := 'KeyDown';",
                   "  Source.OnKeyPress := 'KeyPress';", "  Source.OnClose := 'Closing';",
                   "  Source.OnCloseQuery := 'Asked';", "  Source.OnCanResize := 'Resizing';",
                   "  Trace(Source.OnClick = '')", "end."})),
              "");
    EXPECT_EQ(host.Took(), "True");
    TEventSource& source = host.source;

    source.OnClick(&source);
    EXPECT_EQ(host.Took(), "click True");

    source.OnMouseDown(&source, runtime::mbRight, {runtime::ssShift, runtime::ssCtrl}, 10, 20);
    EXPECT_EQ(host.Took(), "1 5 10 20");
    source.OnMouseMove(&source, {runtime::ssLeft, runtime::ssDouble}, -3, 7);
    EXPECT_EQ(host.Took(), "72 -3 7");

    uint16_t key = 65;
    source.OnKeyDown(&source, key, {runtime::ssAlt});
    EXPECT_EQ(host.Took(), "65 2");
    EXPECT_EQ(key, 66);

    // The first character of what the handler leaves; nothing gives 0.
    char typed = 'a';
    source.OnKeyPress(&source, typed);
    EXPECT_EQ(typed, 'b');
    source.OnKeyPress(&source, typed);
    EXPECT_EQ(host.Took(), "a b");
    EXPECT_EQ(typed, '\0');

    runtime::TCloseAction action = runtime::caHide;
    source.OnClose(&source, action);
    EXPECT_EQ(host.Took(), "1");
    EXPECT_EQ(action, runtime::caFree);

    bool canClose = true;
    source.OnCloseQuery(&source, canClose);
    EXPECT_EQ(host.Took(), "True");
    EXPECT_FALSE(canClose);

    int width = 30;
    int height = 40;
    bool resize = true;
    source.OnCanResize(&source, width, height, resize);
    EXPECT_EQ(host.Took(), "30 40");
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 40);
    EXPECT_FALSE(resize);
}

TEST(EventBridgesTest, AHandlerWithFewerParametersGetsTheLeadingArgumentsOnly) {
    EventHost host;
    ASSERT_EQ(host.Run(WithHandlers({"begin Source.OnKeyDown := 'OnlySender';",
                                     "  Source.OnCloseQuery := 'OnlySender' end."})),
              "");
    uint16_t key = 13;
    host.source.OnKeyDown(&host.source, key, {});
    bool canClose = true;
    host.source.OnCloseQuery(&host.source, canClose);
    EXPECT_EQ(host.Took(), "only only");
    EXPECT_EQ(key, 13);
    EXPECT_TRUE(canClose);
}

TEST(EventBridgesTest, WhatCannotHandleTheEventIsRefusedAndTheOldHandlerStays) {
    EventHost host;
    const std::string handlers = WithHandlers({"var NotAProcedure: Integer;", "begin"});
    struct Row {
        const char* name;
        const char* assignment;
        std::string expected;
    } rows[] = {
        {"a variable", "Source.OnClick := 'NotAProcedure'",
         "Exception: Event handler must be a procedure"},
        {"an unknown name", "Source.OnClick := 'Nowhere'",
         "Exception: Event handler must be a procedure"},
        {"more parameters than the event passes", "Source.OnClick := 'Down'",
         "Exception: Event handler Down declares 5 parameters; the event passes 1"},
        {"an event the object has not got", "Source.OnPaint := 'Clicked'",
         "EPropertyError: Property OnPaint does not exist"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(host.Run(handlers + "Source.OnClick := 'OnlySender';\r\n" + row.assignment +
                           "\r\nend."),
                  row.expected)
            << row.name;
        EXPECT_EQ(host.Bridges(), 1) << row.name;
        host.source.OnClick(&host.source);
        EXPECT_EQ(host.Took(), "only") << row.name;
    }
}

TEST(EventBridgesTest, ReplacingRemovingAndClearingDetachTheBridge) {
    EventHost host;
    ASSERT_EQ(host.Run(WithHandlers(
                  {"begin Source.OnClick := 'Clicked';", "  Source.OnClick := 'OnlySender' end."})),
              "");
    // The first bridge went when the second replaced it.
    EXPECT_EQ(host.Bridges(), 1);
    host.source.OnClick(&host.source);
    EXPECT_EQ(host.Took(), "only");

    ASSERT_EQ(host.Run(WithHandlers(
                  {"begin Source.OnClick := 'Clicked';", "  Source.OnClick := '0' end."})),
              "");
    EXPECT_FALSE(host.source.OnClick);
    EXPECT_EQ(host.Bridges(), 0);

    // Clearing the script frees its bridges, and they let go of the host.
    ASSERT_EQ(host.Run(WithHandlers({"begin Source.OnKeyDown := 'KeyDown' end."})), "");
    ASSERT_TRUE(host.source.OnKeyDown);
    host.script.Clear();
    EXPECT_FALSE(host.source.OnKeyDown);
    uint16_t key = 1;
    host.source.OnKeyDown(&host.source, key, {});
    EXPECT_EQ(key, 1);
}

TEST(EventBridgesTest, AHandlerAttachedInsideAProcedureLivesWithThatProcedure) {
    EventHost host;
    ASSERT_EQ(host.Run(WithHandlers({"procedure Attach;", "begin Source.OnClick := 'Clicked' end;",
                                     "begin Attach end."})),
              "");
    host.source.OnClick(&host.source);
    EXPECT_EQ(host.Took(), "click True");
    host.script.Clear();
    EXPECT_FALSE(host.source.OnClick);
}

TEST(EventBridgesTest, AnEventFiredFromItsOwnHandlerDoesNotRunItAgain) {
    EventHost host;
    ASSERT_EQ(host.Run(Text({"procedure Clicked(Sender: TObject);",
                             "begin Trace('in'); FireClick; Trace('out') end;",
                             "procedure Swap(Sender: TObject);",
                             "begin Trace('swap'); Source.OnClick := 'Clicked' end;",
                             "begin Source.OnClick := 'Clicked' end."})),
              "");
    host.source.OnClick(&host.source);
    EXPECT_EQ(host.Took(), "in out");

    // A handler that replaces itself while it runs: its bridge waits for the
    // script to be cleared; the new one takes the next event.
    ASSERT_EQ(host.Run(Text({"procedure Clicked(Sender: TObject);", "begin Trace('clicked') end;",
                             "procedure Swap(Sender: TObject);",
                             "begin Trace('swap'); Source.OnClick := 'Clicked' end;",
                             "begin Source.OnClick := 'Swap' end."})),
              "");
    host.source.OnClick(&host.source);
    host.source.OnClick(&host.source);
    EXPECT_EQ(host.Took(), "swap clicked");
}

TEST(EventBridgesTest, ACloseActionOutOfRangeIsRefused) {
    EventHost host;
    ASSERT_EQ(host.Run(Text({"procedure Closing(Sender: TObject; var Action: Integer);",
                             "begin Action := 9 end;", "begin Source.OnClose := 'Closing' end."})),
              "");
    runtime::TCloseAction action = runtime::caHide;
    EXPECT_THROW(host.source.OnClose(&host.source, action), runtime::ERangeError);
    EXPECT_EQ(action, runtime::caHide);
}

// ---- main-thread objects --------------------------------------------------------------------

bool EventSourcesBelongToTheMainThread(const runtime::TClassInfo& classInfo,
                                       const runtime::TObject*) {
    return classInfo.InheritsFrom(runtime::ClassInfoOf<TEventSource>());
}

TEST(MainThreadObjectsTest, ObjectsOfTheMainThreadAreRefusedElsewhere) {
    EventHost host;
    runtime::TStringList other;
    host.global.DeclareObject("Other", &other);
    SetMainThreadTest(&EventSourcesBelongToTheMainThread);
    struct Reset {
        ~Reset() { SetMainThreadTest(nullptr); }
    } reset;
    // The engine's errors are general exceptions to scripts.
    const std::string refused = "Exception: TEventSource can be used only on the main thread";
    struct Row {
        const char* name;
        std::string text;
        std::string onMain;
        std::string elsewhere;
    } rows[] = {
        {"a published property", Text({"begin Source.Tag := 5; Trace(Source.Tag) end."}), "5",
         refused},
        {"a declared member", Text({"begin Trace(Source.Owner = nil) end."}), "True", refused},
        {"an event",
         Text({"procedure P(Sender: TObject); begin end;", "begin Source.OnClick := 'P' end."}), "",
         refused},
        {"a constructor",
         Text({"var s: TEventSource;", "begin s := TEventSource.Create(nil); Trace(s.Tag);",
               "  s.Free end."}),
         "0", refused},
        {"an argument",
         Text({"var l: TList;", "begin l := TList.Create;",
               "  try l.Add(Source) finally l.Free end; Trace('added') end."}),
         "added", refused},
        {"other objects", Text({"begin Other.Add('x'); Trace(Other.Count) end."}), "1", "2"},
    };
    for (const Row& row : rows) {
        std::string result = host.Run(row.text);
        EXPECT_EQ(result.empty() ? host.Took() : result, row.onMain) << row.name;
        host.trace.clear();
        testing::OnScriptThread([&] { result = host.Run(row.text); });
        EXPECT_EQ(result.empty() ? host.Took() : result, row.elsewhere) << row.name;
        host.trace.clear();
    }
    EXPECT_EQ(host.source.Tag(), 5);
    EXPECT_FALSE(host.source.OnClick);
}

}  // namespace
}  // namespace script
