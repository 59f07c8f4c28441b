// The class library's core under Wine: message handler tables, forms made
// from layouts, input, modal loops, errors, lifetimes, painting, geometry.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <thread>

#include "gui/appevents.h"
#include "gui/application.h"
#include "gui/clipboard.h"
#include "gui/dialogs.h"
#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/menus.h"
#include "gui/screen.h"
#include "gui/stdctrls.h"
#include "gui/testing.h"
#include "gui/utilitywindow.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"
#include "runtime/threads.h"

// The dialog flags (after the Windows headers).
#include <commdlg.h>

namespace gui {
namespace {

using testing::TEventLog;

// ---- the forms of the layouts in testdata/ -------------------------------------------------

class TTestForm : public TForm {
    RUNTIME_CLASS(TTestForm)

  public:
    explicit TTestForm(TComponent* owner) : TForm(owner) {
        Bind(NameLabel, "NameLabel");
        Bind(NameEdit, "NameEdit");
        Bind(PortEdit, "PortEdit");
        Bind(PasswordEdit, "PasswordEdit");
        Bind(OkButton, "OkButton");
        Bind(CancelButton, "CancelButton");
        Bind(ActiveCheck, "ActiveCheck");
        Bind(Options, "Options");
        Bind(FastRadio, "FastRadio");
        Bind(SafeRadio, "SafeRadio");
        Bind(ModeLink, "ModeLink");
        Bind(Notes, "Notes");
        Bind(Engines, "Engines");
        Bind(Keywords, "Keywords");
    }

    TLabel* NameLabel = nullptr;
    TEdit* NameEdit = nullptr;
    TEdit* PortEdit = nullptr;
    TEdit* PasswordEdit = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;
    TCheckBox* ActiveCheck = nullptr;
    TGroupBox* Options = nullptr;
    TRadioButton* FastRadio = nullptr;
    TRadioButton* SafeRadio = nullptr;
    TLinkLabel* ModeLink = nullptr;
    TMemo* Notes = nullptr;
    TComboBox* Engines = nullptr;
    TListBox* Keywords = nullptr;

    TEventLog Log;
    bool ThrowOnOk = false;

    void FormCreate(TObject*) { Log.Add("create"); }
    void FormKeyDown(TObject*, uint16_t& key, TShiftState) {
        if (key != VK_F5) return;
        Log.Add("preview F5");
        key = 0;
    }
    void FormMouseWheel(TObject*, TShiftState, int delta, int, int, bool& handled) {
        Log.Add("wheel " + std::to_string(delta));
        handled = true;
    }
    void NameEditChange(TObject*) { Log.Add("change " + NameEdit->Text()); }
    void PortEditKeyPress(TObject*, char& key) {
        if (!std::isdigit(static_cast<unsigned char>(key)) && key != '\b') key = 0;
    }
    void OkButtonClick(TObject*) {
        Log.Add("ok");
        if (ThrowOnOk) throw runtime::EConvertError("Port must be a number");
    }
    void CancelButtonClick(TObject*) { Log.Add("cancel"); }
    void ActiveCheckClick(TObject*) {
        Log.Add(std::string("active ") + (ActiveCheck->Checked() ? "on" : "off"));
    }
    void ModeLinkClick(TObject*) { Log.Add("link"); }
    void KeywordsClick(TObject*) { Log.Add("keyword " + std::to_string(Keywords->ItemIndex())); }
};

RUNTIME_BEGIN_CLASS(TTestForm, TForm)
RUNTIME_HANDLER(FormCreate);
RUNTIME_HANDLER(FormKeyDown);
RUNTIME_HANDLER(FormMouseWheel);
RUNTIME_HANDLER(NameEditChange);
RUNTIME_HANDLER(PortEditKeyPress);
RUNTIME_HANDLER(OkButtonClick);
RUNTIME_HANDLER(CancelButtonClick);
RUNTIME_HANDLER(ActiveCheckClick);
RUNTIME_HANDLER(ModeLinkClick);
RUNTIME_HANDLER(KeywordsClick);
RUNTIME_END_CLASS

class TTestDialog : public TForm {
    RUNTIME_CLASS(TTestDialog)

  public:
    explicit TTestDialog(TComponent* owner) : TForm(owner) {
        Bind(Answer, "Answer");
        Bind(YesButton, "YesButton");
        Bind(NoButton, "NoButton");
    }
    ~TTestDialog() override { Whole = false; }

    TEdit* Answer = nullptr;
    TButton* YesButton = nullptr;
    TButton* NoButton = nullptr;
    bool AllowClose = true;
    int CloseQueries = 0;
    std::function<void()> OnRefused;
    runtime::TCloseAction CloseAction = runtime::caHide;
    // Where the form's events are told; the destruction outlives the form.
    TEventLog* Events = nullptr;
    // False once this class's destructor ran.
    bool Whole = true;

    void Tell(const std::string& entry) {
        if (Events != nullptr) Events->Add(entry);
    }
    void FormCloseQuery(TObject*, bool& canClose) {
        ++CloseQueries;
        canClose = AllowClose;
        if (!canClose && OnRefused) OnRefused();
    }
    void FormClose(TObject*, runtime::TCloseAction& action) {
        Tell("close");
        action = CloseAction;
    }
    void FormDestroy(TObject*) {
        Tell(std::string("destroy ") + (Whole ? "whole" : "half-destroyed") + " " +
             (Answer != nullptr ? Answer->Name() : "-"));
    }
    void FormHide(TObject*) { Tell("hide"); }
    void FormResize(TObject*) { Tell("resize"); }
    void FormShow(TObject*) { Tell("show"); }
};

RUNTIME_BEGIN_CLASS(TTestDialog, TForm)
RUNTIME_HANDLER(FormCloseQuery);
RUNTIME_HANDLER(FormClose);
RUNTIME_HANDLER(FormDestroy);
RUNTIME_HANDLER(FormHide);
RUNTIME_HANDLER(FormResize);
RUNTIME_HANDLER(FormShow);
RUNTIME_END_CLASS

class GuiCore : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testing::EnsureGui(); }
    void TearDown() override { testing::Pump(); }
};

// ---- message handler tables ------------------------------------------------------------------

constexpr UINT WM_PROBE = WM_APP + 1;
constexpr UINT WM_UNHANDLED = WM_APP + 2;

class TProbeBase : public TCustomControl {
    RUNTIME_CLASS(TProbeBase)
    GUI_MESSAGE_MAP(TProbeBase, TCustomControl)
    void WMProbe(TMessage& msg) {
        Log.Add("base");
        msg.Result = 7;
    }

  public:
    explicit TProbeBase(TComponent* owner) : TCustomControl(owner) {}
    TEventLog Log;
};

class TProbeDerived : public TProbeBase {
    RUNTIME_CLASS(TProbeDerived)
    GUI_MESSAGE_MAP(TProbeDerived, TProbeBase)
    void WMProbe(TMessage& msg) {
        Log.Add("derived");
        GUI_INHERITED(msg);
        msg.Result += 1;
    }

  public:
    explicit TProbeDerived(TComponent* owner) : TProbeBase(owner) {}
};

RUNTIME_BEGIN_CLASS(TProbeBase, TCustomControl)
RUNTIME_END_CLASS
GUI_BEGIN_MESSAGE_MAP(TProbeBase)
GUI_MESSAGE(WM_PROBE, WMProbe)
GUI_END_MESSAGE_MAP

RUNTIME_BEGIN_CLASS(TProbeDerived, TProbeBase)
RUNTIME_END_CLASS
GUI_BEGIN_MESSAGE_MAP(TProbeDerived)
GUI_MESSAGE(WM_PROBE, WMProbe)
GUI_END_MESSAGE_MAP

TEST_F(GuiCore, HandlersAreFoundPerClassAndChainToTheBase) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    auto* probe = new TProbeDerived(&form);
    probe->SetParent(&form);

    // Through the window and through Perform: derived, then base, then default.
    EXPECT_EQ(SendMessageW(probe->Handle(), WM_PROBE, 0, 0), 8);
    EXPECT_EQ(probe->Log.Joined(), "derived; base");
    EXPECT_EQ(probe->Perform(WM_UNHANDLED), 0);
    EXPECT_EQ(probe->Log.Entries.size(), 2u)
        << "a message without a handler goes to the default handling";

    // A replaced WindowProc sees every message and chains to the old one.
    TWndMethod old = probe->WindowProc();
    int seen = 0;
    probe->SetWindowProc([&](TMessage& msg) {
        if (msg.Msg == WM_PROBE) ++seen;
        old(msg);
    });
    EXPECT_EQ(SendMessageW(probe->Handle(), WM_PROBE, 0, 0), 8);
    EXPECT_EQ(seen, 1);
    probe->SetWindowProc(old);
    probe->Perform(WM_PROBE);
    EXPECT_EQ(seen, 1);
}

// A button the program draws itself: the form's WM_DRAWITEM comes back to it.
class TOwnerDrawn : public TButtonControl {
    RUNTIME_CLASS(TOwnerDrawn)
    GUI_MESSAGE_MAP(TOwnerDrawn, TButtonControl)
    void CNDrawItem(TMessage& msg) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.LParam);
        ++Draws;
        DrawnWindow = item->hwndItem;
        FillRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        msg.Result = TRUE;
    }

  public:
    explicit TOwnerDrawn(TComponent* owner) : TButtonControl(owner) {}
    int Draws = 0;
    HWND DrawnWindow = nullptr;

  protected:
    void CreateParams(TCreateParams& params) override {
        TButtonControl::CreateParams(params);
        params.Style |= BS_OWNERDRAW;
    }
};
RUNTIME_BEGIN_CLASS(TOwnerDrawn, TButtonControl)
RUNTIME_END_CLASS
GUI_BEGIN_MESSAGE_MAP(TOwnerDrawn)
GUI_MESSAGE(CN_DRAWITEM, CNDrawItem)
GUI_END_MESSAGE_MAP

TEST_F(GuiCore, ParentNotificationsAreReflectedToTheirControl) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 120);
    auto* panel = new TPanel(&form);
    panel->SetBounds(0, 0, 200, 100);
    // A parent hears of children joining and leaving.
    TEventLog log;
    TWndMethod panelProc = panel->WindowProc();
    panel->SetWindowProc([&log, panelProc](TMessage& msg) {
        if (msg.Msg == CM_CONTROLLISTCHANGE || msg.Msg == CM_CONTROLCHANGE)
            log.Add(std::string(msg.Msg == CM_CONTROLCHANGE ? "change " : "list ") +
                    reinterpret_cast<TControl*>(msg.WParam)->Name() +
                    (msg.LParam ? " in" : " out"));
        panelProc(msg);
    });
    panel->SetParent(&form);
    auto* button = new TOwnerDrawn(&form);
    button->SetName("Drawn");
    button->SetBounds(10, 10, 80, 30);
    button->SetParent(panel);
    form.Show();
    testing::Pump();

    // WM_DRAWITEM of the panel comes back to the button as CN_DRAWITEM.
    InvalidateRect(button->Handle(), nullptr, TRUE);
    UpdateWindow(button->Handle());
    EXPECT_TRUE(testing::PumpUntil([&] { return button->Draws > 0; }));
    EXPECT_EQ(button->DrawnWindow, button->Handle());

    // The 3-D look passes from parent to child until a child sets its own.
    auto* edit = new TEdit(&form);
    edit->SetName("Edit");
    edit->SetParent(panel);
    int changes = 0;
    TWndMethod editProc = edit->WindowProc();
    edit->SetWindowProc([&changes, editProc](TMessage& msg) {
        if (msg.Msg == CM_CTL3DCHANGED) ++changes;
        editProc(msg);
    });
    panel->SetCtl3D(false);
    EXPECT_FALSE(edit->Ctl3D());
    EXPECT_TRUE(edit->ParentCtl3D());
    EXPECT_EQ(changes, 1);
    edit->SetCtl3D(true);
    EXPECT_FALSE(edit->ParentCtl3D());
    panel->SetCtl3D(true);
    panel->SetCtl3D(false);
    EXPECT_TRUE(edit->Ctl3D()) << "its own setting stays";
    edit->SetWindowProc(editProc);

    delete button;
    EXPECT_EQ(log.Joined(),
              "list Drawn in; change Drawn in; list Edit in; change Edit in; change Drawn out; "
              "list Drawn out");
    panel->SetWindowProc(panelProc);
}

// ---- forms from layouts ----------------------------------------------------------------------

TEST_F(GuiCore, LayoutBuildsTheFormThroughPublishedProperties) {
    TTestForm& form = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> owner(&form);

    EXPECT_EQ(form.Log.Joined(), "create") << "OnCreate runs after the layout is read";
    EXPECT_EQ(form.Text(), "Class library test form");
    EXPECT_EQ(form.ClientWidth(), 560);
    EXPECT_EQ(form.ClientHeight(), 400);
    EXPECT_TRUE(form.KeyPreview());
    EXPECT_EQ(form.Font()->Name(), "Tahoma");

    // Children, parents and properties, read back by name as scripts do.
    EXPECT_EQ(form.NameEdit->Parent(), &form);
    EXPECT_EQ(form.FastRadio->Parent(), form.Options);
    EXPECT_EQ(runtime::GetPropValue(*form.NameEdit, "Text").AsString(), "initial");
    EXPECT_EQ(runtime::GetPropValue(*form.PortEdit, "MaxLength").AsInteger(), 5);
    EXPECT_EQ(form.PasswordEdit->PasswordChar(), '*');
    EXPECT_TRUE(form.OkButton->Default());
    EXPECT_TRUE(form.CancelButton->Cancel());
    EXPECT_EQ(form.OkButton->Anchors(), (TAnchors{akRight, akBottom}));
    EXPECT_TRUE(form.ActiveCheck->Checked());
    EXPECT_TRUE(form.FastRadio->Checked());
    EXPECT_FALSE(form.SafeRadio->Checked());
    EXPECT_EQ(form.NameLabel->FocusControl(), form.NameEdit);
    EXPECT_EQ(form.Notes->Lines()->Count(), 2);
    EXPECT_EQ(form.Notes->Lines()->Strings(1), "second line");
    EXPECT_EQ(form.Engines->Items()->Strings(0), "Austria (de)") << "sorted";
    EXPECT_EQ(form.Keywords->Items()->Count(), 3);
    EXPECT_EQ(form.ModeLink->Cursor(), crHandPoint);
    EXPECT_EQ(form.OkButton->OnClick.Name(), "OkButtonClick");
    EXPECT_EQ(form.NameLabel->Font()->Name(), "Tahoma") << "children take the form's font";

    // The layout's tab order holds, whatever order the children came in.
    std::vector<std::string> order;
    for (TWinControl* c : form.TabList()) order.push_back(c->Name());
    EXPECT_EQ(order, (std::vector<std::string>{"NameEdit", "PortEdit", "PasswordEdit",
                                               "ActiveCheck", "Options", "Notes", "OkButton",
                                               "CancelButton", "Engines", "Keywords"}));

    // The windows mirror the properties once they exist.
    form.Show();
    testing::Pump();
    EXPECT_EQ(form.Keywords->ItemIndex(), -1);
    EXPECT_EQ(SendMessageW(form.Engines->Handle(), CB_GETCOUNT, 0, 0), 3);
    wchar_t text[32] = {};
    GetWindowTextW(form.NameEdit->Handle(), text, 32);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(text)), u"initial");
    EXPECT_EQ(SendMessageW(form.ActiveCheck->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);

    // A snapshot for people to look at (build/windows/gui/test_form.png).
    testing::SavePng(*testing::CaptureWindow(form.Handle()),
                     runtime::AnsiToWide(SERPLOW_BINARY_DIR "/test_form.png"));
}

TEST_F(GuiCore, LayoutErrorsLeaveNothingBehind) {
    // A form class whose field the layout lacks.
    class TMissingField : public TTestForm {
      public:
        explicit TMissingField(TComponent* owner) : TTestForm(owner) {
            Bind(Missing, "NoSuchButton");
        }
        TButton* Missing = nullptr;
    };
    const int before = Application->ComponentCount();
    EXPECT_THROW(NewForm<TMissingField>(*Application), runtime::EComponentError);
    EXPECT_EQ(Application->ComponentCount(), before);
}

// ---- input -----------------------------------------------------------------------------------

TEST_F(GuiCore, ClicksKeysWheelAndFocusReachTheirControls) {
    TTestForm& form = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> owner(&form);
    form.Show();
    ASSERT_TRUE(testing::PumpUntil([&] { return form.NameEdit->Focused(); }))
        << "the first control takes the focus";
    form.Log.Entries.clear();

    // A click elsewhere tells the focused control to leave any mode it is in.
    TWndMethod editProc = form.NameEdit->WindowProc();
    form.NameEdit->SetWindowProc([&form, editProc](TMessage& msg) {
        if (msg.Msg == CM_CANCELMODE) form.Log.Add("cancel mode");
        editProc(msg);
    });
    testing::Click(*form.OkButton);
    form.NameEdit->SetWindowProc(editProc);
    testing::Click(*form.ActiveCheck);
    testing::Click(*form.ModeLink);  // a windowless control inside a group box
    testing::Click(*form.Keywords, TPoint{10, 20});
    EXPECT_EQ(form.Log.Joined(), "cancel mode; ok; active off; link; keyword 1");
    EXPECT_FALSE(form.ActiveCheck->Checked());

    form.Log.Entries.clear();
    EXPECT_EQ(testing::FocusedControl(), form.Keywords) << "a click focuses";
    form.NameEdit->SetFocus();
    testing::PressKey(VK_TAB);
    EXPECT_EQ(testing::FocusedControl(), form.PortEdit);
    testing::TypeText(u"8a0x8");
    EXPECT_EQ(form.PortEdit->Text(), "808") << "the key filter drops letters";
    testing::PressKey(VK_TAB, {runtime::ssShift});
    EXPECT_EQ(testing::FocusedControl(), form.NameEdit);
    form.NameEdit->SelectAll();
    testing::TypeText(u"ab");
    EXPECT_EQ(form.NameEdit->Text(), "ab");
    EXPECT_TRUE(form.Log.Contains("change ab"));

    form.Log.Entries.clear();
    testing::PressKey(VK_F5);
    EXPECT_EQ(form.Log.Joined(), "preview F5") << "the form sees keys first";
    testing::PressKey(VK_RETURN);
    EXPECT_EQ(form.Log.Joined(), "preview F5; ok") << "Enter clicks the default button";
    testing::PressKey(VK_ESCAPE);
    EXPECT_TRUE(form.Log.Contains("cancel")) << "Escape clicks the cancel button";

    form.Log.Entries.clear();
    testing::Wheel(*form.NameEdit, -WHEEL_DELTA);
    EXPECT_EQ(form.Log.Joined(), "wheel -120") << "an unused wheel turn goes up to the form";

    // Alt+N: the label's accelerator focuses its control.
    form.OkButton->SetFocus();
    testing::PumpUntil([&] { return form.OkButton->Focused(); });
    testing::PressKey('N', {runtime::ssAlt});
    EXPECT_EQ(testing::FocusedControl(), form.NameEdit);
}

// ---- modal loops ---------------------------------------------------------------------------

// Runs `work` on the main thread from a worker, through the main-thread
// call queue, once the modal loop runs.
void QueueFromWorker(std::function<void()> work) {
    std::thread([work = std::move(work)] { runtime::Queue(work); }).detach();
}

void PostKey(uint16_t key) {
    HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

TEST_F(GuiCore, ModalLoopEndsWithDefaultAndCancelButtons) {
    TTestDialog& dialog = NewForm<TTestDialog>(*Application);
    std::unique_ptr<TTestDialog> owner(&dialog);

    struct Row {
        const char* what;
        std::function<void()> act;
        TModalResult expected;
    };
    const Row rows[] = {
        {"Enter", [] { PostKey(VK_RETURN); }, mrOk},
        {"Escape", [] { PostKey(VK_ESCAPE); }, mrCancel},
        {"click No", [&] { PostMessageW(dialog.NoButton->Handle(), BM_CLICK, 0, 0); }, mrCancel},
        {"Close", [&] { dialog.Close(); }, mrCancel},
        {"typing then Alt+Y",
         [&] {
             dialog.Answer->SetFocus();
             PostMessageW(GetFocus(), WM_CHAR, 'h', 1);
             PostMessageW(GetFocus(), WM_SYSCHAR, 'y', 1 << 29);
         },
         mrOk},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QueueFromWorker(row.act);
        EXPECT_EQ(dialog.ShowModal(), row.expected);
        EXPECT_FALSE(dialog.Visible());
        EXPECT_FALSE(dialog.Modal());
    }
    EXPECT_EQ(dialog.Answer->Text(), "h");
    EXPECT_THROW(
        {
            dialog.Show();
            dialog.ShowModal();
        },
        runtime::EInvalidOperation);
    dialog.Hide();
}

TEST_F(GuiCore, CloseQueryCanRefuseToEndAModalLoop) {
    TTestDialog& dialog = NewForm<TTestDialog>(*Application);
    std::unique_ptr<TTestDialog> owner(&dialog);
    dialog.AllowClose = false;
    // The refusal keeps the loop going; the next try is let through.
    dialog.OnRefused = [&] {
        dialog.AllowClose = true;
        PostKey(VK_RETURN);
    };
    QueueFromWorker([] { PostKey(VK_ESCAPE); });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(dialog.CloseQueries, 2);
}

TEST_F(GuiCore, MainThreadQueueIsDrainedInsideModalLoops) {
    TTestDialog& dialog = NewForm<TTestDialog>(*Application);
    std::unique_ptr<TTestDialog> owner(&dialog);
    std::atomic<int> done{0};
    std::thread worker([&] {
        // Waits until the main thread, busy in the modal loop, has run it.
        runtime::Synchronize([&] { dialog.Answer->SetText("from worker"); });
        done = 1;
        runtime::Queue([&] { dialog.SetModalResult(mrOk); });
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    worker.join();
    EXPECT_EQ(done, 1);
    EXPECT_EQ(dialog.Answer->Text(), "from worker");
}

// ---- errors --------------------------------------------------------------------------------

TEST_F(GuiCore, AnExceptionInAClickHandlerIsReportedAndTheLoopGoesOn) {
    testing::TFakeDesktop desktop;
    TDesktopOverride services(desktop);
    TTestForm& form = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> owner(&form);
    form.Show();
    testing::Pump();

    form.ThrowOnOk = true;
    testing::Click(*form.OkButton);
    ASSERT_EQ(desktop.MessageBoxes.size(), 1u);
    EXPECT_EQ(desktop.MessageBoxes[0].text, u"Port must be a number.");
    EXPECT_NE(desktop.MessageBoxes[0].flags & MB_ICONSTOP, 0u);

    // The loop goes on: the next click is handled as usual.
    form.ThrowOnOk = false;
    testing::Click(*form.CancelButton);
    EXPECT_TRUE(form.Log.Contains("cancel"));

    // The program's handler (the exception reporter) takes errors over; the
    // silent abort never reaches it.
    std::vector<std::string> reported;
    Application->OnException = [&](TObject* sender, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const runtime::Exception& e) {
            reported.push_back(std::string(e.ClassName()) + " from " +
                               dynamic_cast<runtime::TComponent*>(sender)->Name());
        }
    };
    form.ThrowOnOk = true;
    testing::Click(*form.OkButton);
    form.OkButton->OnClick = [](TObject*) { throw runtime::EAbort("silent"); };
    testing::Click(*form.OkButton);
    Application->OnException = nullptr;
    // The sender is the control whose window message it was (the form's
    // command reflected to the button).
    EXPECT_EQ(reported, (std::vector<std::string>{"EConvertError from TestForm"}));
    EXPECT_EQ(desktop.MessageBoxes.size(), 1u);
}

// ---- the application's window, its hooks and events --------------------------------------

TEST_F(GuiCore, HooksOnTheApplicationWindowSeeWhatNoFormTook) {
    TTestForm& form = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> owner(&form);
    form.Show();
    ASSERT_TRUE(testing::PumpUntil([&] { return form.NameEdit->Focused(); }));

    std::vector<std::string> seen;
    // The first hook takes itself off at its first message; the others still see it.
    int first = 0;
    first = Application->HookMainWindow([&](TMessage&) {
        seen.push_back("once");
        Application->UnhookMainWindow(first);
        return false;
    });
    const int id = Application->HookMainWindow([&](TMessage& msg) {
        switch (msg.Msg) {
            case CM_APPKEYDOWN:
                if (msg.WParam != VK_F7) return false;
                seen.push_back("key F7");
                break;
            case CM_APPSYSCOMMAND:
                seen.push_back("menu key " + std::to_string(msg.LParam));
                break;
            case CM_ACTIONEXECUTE:
                if (auto* hint =
                        dynamic_cast<THintAction*>(reinterpret_cast<TBasicAction*>(msg.LParam));
                    hint != nullptr && !hint->Hint().empty())
                    seen.push_back("hint " + hint->Hint());
                break;
            default:
                return false;
        }
        msg.Result = 1;
        return true;
    });
    testing::PressKey(VK_F7);
    testing::PressKey('Z', {runtime::ssAlt});   // no accelerator: the menu key
    Application->SetHint("Saves the project");  // nobody listens to OnHint
    EXPECT_EQ(seen, (std::vector<std::string>{"once", "key F7", "menu key 122",
                                              "hint Saves the project"}));
    Application->SetHint("");

    // A key the form uses never gets there; unhooked, nothing does.
    seen.clear();
    form.Log.Entries.clear();
    testing::PressKey(VK_RETURN);
    EXPECT_EQ(form.Log.Joined(), "ok");
    Application->UnhookMainWindow(id);
    testing::PressKey(VK_F7);
    EXPECT_TRUE(seen.empty());

    // A key no form took is the main form's shortcut while that is enabled.
    TTestDialog& main = NewForm<TTestDialog>(*Application);
    std::unique_ptr<TTestDialog> mainOwner(&main);
    main.Show();
    Application->SetMainForm(&main);
    int shortcuts = 0;
    main.OnShortCut = [&](uint16_t& key, bool& handled) {
        handled = key == (scCtrl | 'K');
        if (handled) ++shortcuts;
    };
    form.NameEdit->SetFocus();
    testing::PumpUntil([&] { return form.NameEdit->Focused(); });
    testing::PressKey('K', {runtime::ssCtrl});
    EXPECT_EQ(shortcuts, 1);
    EnableWindow(main.Handle(), FALSE);
    testing::PressKey('K', {runtime::ssCtrl});
    EXPECT_EQ(shortcuts, 1) << "not while a modal loop keeps the main form waiting";
    EnableWindow(main.Handle(), TRUE);
    Application->SetMainForm(nullptr);
}

TEST_F(GuiCore, ApplicationEventsShareIdleMessagesHintsShortcutsAndErrors) {
    testing::TFakeDesktop desktop;
    TDesktopOverride services(desktop);
    TForm holder(nullptr);
    auto* older = new TApplicationEvents(&holder);
    auto* newer = new TApplicationEvents(&holder);
    std::vector<std::string> log;
    older->OnIdle = [&](TObject* sender, bool& done) {
        log.push_back(sender == Application ? "older idle" : "older idle?");
        done = false;
    };
    newer->OnIdle = [&](TObject*, bool&) { log.push_back("newer idle"); };
    Application->ProcessIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"newer idle", "older idle"})) << "the newest first";
    log.clear();
    newer->OnIdle = [&](TObject*, bool&) {
        log.push_back("newer idle");
        newer->CancelDispatch();
    };
    Application->ProcessIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"newer idle"}));

    // Messages before they are dispatched; Handled keeps one from its window.
    constexpr UINT WM_PING = WM_APP + 9;
    bool reachedWindow = false;
    holder.SetWindowProc([&](TMessage& msg) {
        if (msg.Msg == WM_PING) reachedWindow = true;
        holder.WndProc(msg);
    });
    older->OnMessage = [&](MSG& msg, bool& handled) {
        if (msg.message != WM_PING) return;
        log.push_back("older message");
        handled = true;
    };
    log.clear();
    PostMessageW(holder.Handle(), WM_PING, 0, 0);
    testing::Pump();
    EXPECT_EQ(log, (std::vector<std::string>{"older message"}));
    EXPECT_FALSE(reachedWindow);
    older->OnMessage = nullptr;

    // Hints and shortcuts.
    newer->OnHint = [&](TObject*) { log.push_back("hint " + Application->Hint()); };
    newer->OnShortCut = [&](uint16_t& key, bool& handled) { handled = key == VK_F9; };
    log.clear();
    Application->SetHint("Long hint");
    Application->SetHint("");
    EXPECT_EQ(log, (std::vector<std::string>{"hint Long hint", "hint "}));
    EXPECT_TRUE(Application->IsShortCut(VK_F9));
    EXPECT_FALSE(Application->IsShortCut(VK_F8));

    // An error that escapes a message goes to them instead of a message box.
    std::string reported;
    older->OnException = [&](TObject*, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const runtime::Exception& e) {
            reported = e.Message();
        }
    };
    holder.SetWindowProc([&](TMessage& msg) {
        if (msg.Msg == WM_PING) throw runtime::EConvertError("bad value");
        holder.WndProc(msg);
    });
    PostMessageW(holder.Handle(), WM_PING, 0, 0);
    testing::Pump();
    EXPECT_EQ(reported, "bad value");
    EXPECT_TRUE(desktop.MessageBoxes.empty());

    // Gone, they see nothing more.
    delete newer;
    delete older;
    holder.SetWindowProc([&holder](TMessage& msg) { holder.WndProc(msg); });
    log.clear();
    Application->ProcessIdle();
    EXPECT_FALSE(Application->IsShortCut(VK_F9));
    EXPECT_TRUE(log.empty());
}

TEST_F(GuiCore, TheCurrentDialogWindowGetsItsDialogKeys) {
    // A modeless dialog window of the system's kind with two edits.
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SerplowTestDialogWindow";
    RegisterClassW(&wc);
    HWND dialog = CreateWindowExW(0, wc.lpszClassName, L"Dialog", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                  100, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(dialog, nullptr);
    HWND first = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 90, 20,
                                 dialog, nullptr, wc.hInstance, nullptr);
    HWND second = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 100, 0, 90,
                                  20, dialog, nullptr, wc.hInstance, nullptr);
    auto tab = [] {
        HWND focus = GetFocus();
        PostMessageW(focus, WM_KEYDOWN, VK_TAB, 1);
        PostMessageW(focus, WM_KEYUP, VK_TAB, 0xC0000001);
        testing::Pump();
    };
    SetForegroundWindow(dialog);
    SetFocus(first);
    tab();
    EXPECT_EQ(GetFocus(), first) << "an edit takes no Tab by itself";
    Application->SetDialogHandle(dialog);
    tab();
    EXPECT_EQ(GetFocus(), second);
    Application->SetDialogHandle(nullptr);
    DestroyWindow(dialog);
}

TEST_F(GuiCore, AUtilityWindowHandsItsMessagesToItsHandler) {
    constexpr UINT WM_WORK = WM_APP + 11;
    std::vector<WPARAM> seen;
    std::unique_ptr<TUtilityWindow> window;
    window = std::make_unique<TUtilityWindow>([&](TMessage& msg) {
        if (msg.Msg != WM_WORK) return false;
        seen.push_back(msg.WParam);
        msg.Result = 5;
        if (msg.WParam == 2) throw runtime::EConvertError("in a utility window");
        if (msg.WParam == 3) window.reset();  // freed inside its own handler
        return true;
    });
    HWND handle = window->Handle();
    EXPECT_EQ(SendMessageW(handle, WM_WORK, 1, 0), 5);
    EXPECT_EQ(GetWindowTextLengthW(handle), 0) << "other messages get the default handling";

    std::string reported;
    Application->OnException = [&](TObject*, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const runtime::Exception& e) {
            reported = e.Message();
        }
    };
    PostMessageW(handle, WM_WORK, 2, 0);
    PostMessageW(handle, WM_WORK, 3, 0);
    PostMessageW(handle, WM_WORK, 4, 0);
    testing::Pump();
    Application->OnException = nullptr;
    EXPECT_EQ(reported, "in a utility window");
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 3}));
    EXPECT_FALSE(window);
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(GuiCore, ControlsAreFoundUnderAScreenPointAndActionsUpdateWhenIdle) {
    TTestForm& form = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> owner(&form);
    form.Show();
    testing::Pump();
    auto middle = [](const TControl& c) {
        return c.ClientToScreen({c.Width() / 2, c.Height() / 2});
    };
    EXPECT_EQ(FindControlAtPoint(middle(*form.NameEdit)), form.NameEdit);
    EXPECT_EQ(FindControlAtPoint(middle(*form.ModeLink)), form.ModeLink) << "a windowless one";
    EXPECT_EQ(FindControlAtPoint(middle(*form.FastRadio)), form.FastRadio);
    form.OkButton->SetEnabled(false);
    form.ModeLink->SetEnabled(false);
    EXPECT_EQ(FindControlAtPoint(middle(*form.OkButton)), &form) << "a disabled one is passed over";
    EXPECT_EQ(FindControlAtPoint(middle(*form.OkButton), true), form.OkButton);
    EXPECT_EQ(FindControlAtPoint(middle(*form.ModeLink)), form.Options);
    EXPECT_EQ(FindControlAtPoint(middle(*form.ModeLink), true), form.ModeLink);
    EXPECT_EQ(FindControlAtPoint({-30000, -30000}), nullptr);

    // An action of no action list is updated through the control showing it.
    TAction action(nullptr);
    action.SetCaption("Go");
    int updates = 0;
    action.OnUpdate = [&](TObject*) {
        ++updates;
        action.SetEnabled(false);
    };
    form.CancelButton->SetAction(&action);
    EXPECT_TRUE(testing::PumpUntil([&] { return !form.CancelButton->Enabled(); }));
    EXPECT_GT(updates, 0);
    form.CancelButton->SetAction(nullptr);
}

// ---- lifetimes -----------------------------------------------------------------------------

TEST_F(GuiCore, AControlFreedInItsOwnHandlerIsSafe) {
    TTestForm& form = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> owner(&form);
    form.Show();
    testing::Pump();

    // Deleted at once, inside its own click.
    form.OkButton->OnClick = [&form](TObject* sender) { delete static_cast<TButton*>(sender); };
    testing::Click(*form.OkButton);
    EXPECT_EQ(form.FindComponent("OkButton"), nullptr);
    // Released: it goes once the click is done.
    form.CancelButton->OnClick = [](TObject* sender) { static_cast<TButton*>(sender)->Release(); };
    testing::Click(*form.CancelButton);
    EXPECT_TRUE(testing::PumpUntil([&] { return form.FindComponent("CancelButton") == nullptr; }));
    // A component reference to a freed component is cleared.
    auto* popupOwner = new TPopupMenu(&form);
    form.NameEdit->SetPopupMenu(popupOwner);
    delete popupOwner;
    EXPECT_EQ(form.NameEdit->PopupMenu(), nullptr);
    testing::Click(*form.ActiveCheck);
    EXPECT_TRUE(form.Log.Contains("active off"));
}

TEST_F(GuiCore, FormEventsFireAndOnDestroySeesTheWholeForm) {
    TEventLog events;
    TTestDialog& dialog = NewForm<TTestDialog>(*Application);
    dialog.Events = &events;
    dialog.Show();
    testing::Pump();
    EXPECT_EQ(events.Joined(), "show");
    events.Entries.clear();
    dialog.SetClientSize(320, 140);
    testing::Pump();
    dialog.Hide();
    EXPECT_EQ(events.Joined(), "resize; hide");

    // OnClose asking for caFree: the form goes once the close is done, and
    // its OnDestroy runs before any of its destructors does.
    events.Entries.clear();
    const int forms = Screen->FormCount();
    dialog.CloseAction = runtime::caFree;
    dialog.Show();
    dialog.Close();
    EXPECT_TRUE(testing::PumpUntil([&] { return Screen->FormCount() == forms - 1; }));
    EXPECT_EQ(events.Joined(), "show; close; destroy whole Answer");

    // The same when it is deleted, and when its owner goes.
    events.Entries.clear();
    TTestDialog& deleted = NewForm<TTestDialog>(*Application);
    deleted.Events = &events;
    delete &deleted;
    auto* owner = new TForm(nullptr);
    NewForm<TTestDialog>(*owner).Events = &events;
    delete owner;
    EXPECT_EQ(events.Joined(), "destroy whole Answer; destroy whole Answer");
}

TEST_F(GuiCore, AFormFreedDuringItsModalLoopEndsTheLoop) {
    TTestForm& other = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> otherOwner(&other);
    other.Show();
    testing::Pump();

    TEventLog events;
    TTestDialog& dialog = NewForm<TTestDialog>(*Application);
    dialog.Events = &events;
    bool otherWasDisabled = false;
    QueueFromWorker([&] {
        otherWasDisabled = !IsWindowEnabled(other.Handle());
        delete &dialog;
    });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_TRUE(otherWasDisabled) << "the program's other windows wait while the loop runs";
    EXPECT_TRUE(IsWindowEnabled(other.Handle())) << "and take input again after it";
    EXPECT_EQ(Application->ModalLevel(), 0);
    EXPECT_TRUE(events.Contains("destroy whole Answer"));

    // The program goes on: the next modal loop runs as usual.
    TTestDialog& next = NewForm<TTestDialog>(*Application);
    std::unique_ptr<TTestDialog> nextOwner(&next);
    QueueFromWorker([] { PostKey(VK_RETURN); });
    EXPECT_EQ(next.ShowModal(), mrOk);
}

TEST_F(GuiCore, BorderStyleIconsPositionAndWindowStateReachTheWindow) {
    struct Row {
        TFormBorderStyle style;
        DWORD has;
        DWORD lacks;
        DWORD exHas;
    };
    const Row rows[] = {
        {bsNone, WS_POPUP, WS_CAPTION | WS_THICKFRAME | WS_SYSMENU, 0},
        {bsSingle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_THICKFRAME, 0},
        {bsSizeable, WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_POPUP, 0},
        {bsDialog, WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_THICKFRAME | WS_MINIMIZEBOX,
         WS_EX_DLGMODALFRAME},
        {bsToolWindow, WS_CAPTION, WS_THICKFRAME, WS_EX_TOOLWINDOW},
        {bsSizeToolWin, WS_CAPTION | WS_THICKFRAME, 0, WS_EX_TOOLWINDOW},
    };
    TForm form(nullptr);
    form.SetBounds(40, 40, 300, 200);
    form.Show();
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.style));
        form.SetBorderStyle(row.style);
        const auto style = static_cast<DWORD>(GetWindowLongW(form.Handle(), GWL_STYLE));
        const auto ex = static_cast<DWORD>(GetWindowLongW(form.Handle(), GWL_EXSTYLE));
        EXPECT_EQ(style & row.has, row.has);
        EXPECT_EQ(style & row.lacks, 0u);
        EXPECT_EQ(ex & row.exHas, row.exHas);
        EXPECT_TRUE(IsWindowVisible(form.Handle())) << "shown still, in its new window";
    }
    form.SetBorderStyle(bsSingle);
    form.SetBorderIcons({biSystemMenu, biMinimize});
    const auto style = static_cast<DWORD>(GetWindowLongW(form.Handle(), GWL_STYLE));
    EXPECT_NE(style & WS_MINIMIZEBOX, 0u);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0u);

    // The window state, set by the program and changed by the user.
    form.SetBorderStyle(bsSizeable);
    form.SetBorderIcons({biSystemMenu, biMinimize, biMaximize});
    form.SetWindowState(wsMaximized);
    testing::Pump();
    EXPECT_TRUE(IsZoomed(form.Handle()));
    ShowWindow(form.Handle(), SW_RESTORE);
    testing::Pump();
    EXPECT_EQ(form.WindowState(), wsNormal);
    ShowWindow(form.Handle(), SW_MINIMIZE);
    testing::Pump();
    EXPECT_EQ(form.WindowState(), wsMinimized);
    form.SetWindowState(wsNormal);
    testing::Pump();
    EXPECT_FALSE(IsIconic(form.Handle()));
    TForm big(nullptr);
    big.SetBounds(10, 10, 200, 100);
    big.SetWindowState(wsMaximized);
    big.Show();
    testing::Pump();
    EXPECT_TRUE(IsZoomed(big.Handle())) << "shown maximized from the start";

    // Positions chosen when a form first shows.
    TTestDialog& centred = NewForm<TTestDialog>(*Application);  // poScreenCenter
    std::unique_ptr<TTestDialog> centredOwner(&centred);
    centred.Show();
    testing::Pump();
    const TRect work = Screen->WorkAreaRect();
    EXPECT_NEAR(centred.Left() + centred.Width() / 2, work.Left + work.Width() / 2, 1);
    EXPECT_NEAR(centred.Top() + centred.Height() / 2, work.Top + work.Height() / 2, 1);
    TForm owner(nullptr);
    owner.SetBounds(100, 100, 600, 400);
    owner.Show();
    auto* onOwner = new TForm(&owner);
    onOwner->SetBounds(0, 0, 200, 100);
    onOwner->SetPosition(poOwnerFormCenter);
    onOwner->Show();
    testing::Pump();
    EXPECT_EQ(onOwner->BoundsRect(), (TRect{300, 250, 500, 350}));
}

TEST_F(GuiCore, ScreenKnowsTheFormsTheActiveOneAndTheMonitors) {
    const int before = Screen->FormCount();
    TTestForm& form = NewForm<TTestForm>(*Application);
    EXPECT_EQ(Screen->FormCount(), before + 1);
    EXPECT_EQ(Screen->Forms(before), &form);
    form.Show();
    SetForegroundWindow(form.Handle());
    ASSERT_TRUE(testing::PumpUntil([&] { return Screen->ActiveForm() == &form; }));
    ASSERT_TRUE(testing::PumpUntil([&] { return Screen->ActiveControl() == form.NameEdit; }));
    // A control that goes leaves no reference behind.
    delete form.NameEdit;
    EXPECT_EQ(form.ActiveControl(), nullptr);
    EXPECT_EQ(Screen->ActiveControl(), nullptr);
    delete &form;
    EXPECT_EQ(Screen->FormCount(), before);
    EXPECT_EQ(Screen->ActiveForm(), nullptr);

    const std::vector<TMonitor> monitors = Screen->Monitors();
    ASSERT_FALSE(monitors.empty());
    EXPECT_EQ(std::count_if(monitors.begin(), monitors.end(),
                            [](const TMonitor& m) { return m.Primary; }),
              1);
    for (const TMonitor& m : monitors) {
        EXPECT_TRUE(m.BoundsRect.Contains(m.WorkareaRect.TopLeft()));
        EXPECT_LE(m.WorkareaRect.Right, m.BoundsRect.Right);
        EXPECT_LE(m.WorkareaRect.Bottom, m.BoundsRect.Bottom);
    }
    const TMonitor& primary = *std::find_if(monitors.begin(), monitors.end(),
                                            [](const TMonitor& m) { return m.Primary; });
    EXPECT_EQ(primary.WorkareaRect, Screen->WorkAreaRect());
    EXPECT_EQ(primary.BoundsRect.Width(), Screen->Width());
    if (monitors.size() == 1) {
        EXPECT_EQ(Screen->WorkAreaFor({9000, 9000, 9100, 9100}), primary.WorkareaRect)
            << "a rectangle on no monitor belongs to the nearest one";
    }
}

TEST_F(GuiCore, MouseEnterLeaveAndCaptureFollowThePointer) {
    TTestForm& form = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> owner(&form);
    form.Show();
    testing::Pump();
    TLabel& label = *form.NameLabel;
    label.OnMouseEnter = [&form](TObject*) { form.Log.Add("enter"); };
    label.OnMouseLeave = [&form](TObject*) { form.Log.Add("leave"); };
    label.OnMouseMove = [&form](TObject*, TShiftState, int x, int) {
        form.Log.Add("move " + std::to_string(x));
    };
    const TPoint empty{300, 300};  // no control there
    HWND window = form.Handle();
    // The real pointer rests on the empty part of the form before anything
    // is told: its own moves, late or not, then land where no control
    // counts them, and the window's leave tracking sees it inside. The
    // moves below are posted, so nothing else moves it.
    const TPoint rest = form.ClientToScreen(empty);
    SetCursorPos(rest.X, rest.Y);
    const auto moveTo = [window](TPoint at) {
        PostMessageW(window, WM_MOUSEMOVE, 0, PointToLParam(at));
        testing::Pump();
    };
    moveTo(empty);
    ASSERT_TRUE(testing::PumpUntil([&] { return Application->MouseControl() == &form; }));
    form.Log.Entries.clear();
    const TPoint onLabel{label.Left() + 2, label.Top() + 2};
    moveTo(onLabel);
    EXPECT_EQ(Application->MouseControl(), &label);
    moveTo(empty);
    EXPECT_EQ(Application->MouseControl(), &form);
    EXPECT_EQ(form.Log.Entries, (std::vector<std::string>{"enter", "move 2", "leave"}));

    // Pressed on the label, the mouse stays its own until the button is up.
    form.Log.Entries.clear();
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON,
                 PointToLParam({label.Left() + 2, label.Top() + 2}));
    testing::Pump();
    EXPECT_EQ(Application->CaptureControl(), &label);
    EXPECT_EQ(GetCapture(), window);
    PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(empty));
    PostMessageW(window, WM_LBUTTONUP, 0, PointToLParam(empty));
    testing::Pump();
    EXPECT_EQ(Application->CaptureControl(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(form.Log.Contains("move " + std::to_string(empty.X - label.Left())))
        << form.Log.Joined();

    // The mouse leaving the window leaves the control under it.
    moveTo(onLabel);
    form.Log.Entries.clear();
    SendMessageW(window, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Application->MouseControl(), nullptr);
    EXPECT_EQ(form.Log.Joined(), "leave");
    label.OnMouseEnter.Clear();
    label.OnMouseLeave.Clear();
    label.OnMouseMove.Clear();
}

TEST_F(GuiCore, DropDownListAndReadOnlyEditBehaveAsTheUserExpects) {
    TTestForm& form = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> owner(&form);
    form.Show();
    testing::Pump();

    // A sorted drop-down list keeps each item's object beside its line.
    TComboBox& combo = *form.Engines;
    runtime::TObject de, at, ca;
    combo.Items()->Clear();
    combo.Items()->AddObject("Germany (de)", &de);
    combo.Items()->AddObject("Austria (de)", &at);
    combo.Items()->AddObject("Canada (en)", &ca);
    ASSERT_EQ(combo.Items()->Count(), 3);
    EXPECT_EQ(combo.Items()->Strings(0), "Austria (de)");
    EXPECT_EQ(combo.Items()->Objects(0), &at);
    EXPECT_EQ(combo.Items()->Objects(2), &de);
    int changes = 0;
    int selects = 0;
    combo.OnChange = [&](TObject*) { ++changes; };
    combo.OnSelect = [&](TObject*) { ++selects; };
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.Text(), "Canada (en)");
    EXPECT_EQ(SendMessageW(combo.Handle(), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(changes, 0) << "a choice the program makes fires nothing";
    combo.SetFocus();
    ASSERT_TRUE(testing::PumpUntil([&] { return combo.Focused(); }));
    testing::PressKey(VK_DOWN);
    EXPECT_EQ(combo.ItemIndex(), 2);
    EXPECT_EQ(combo.Items()->Objects(combo.ItemIndex()), &de);
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(changes, 1);
    combo.SetText("Austria (de)");
    EXPECT_EQ(combo.ItemIndex(), 0) << "the text of a drop-down list chooses its item";
    combo.Items()->Delete(0);
    EXPECT_EQ(combo.Items()->Objects(0), &ca);
    EXPECT_EQ(SendMessageW(combo.Handle(), CB_GETCOUNT, 0, 0), 2);
    combo.Items()->Clear();

    // A read-only edit takes no typing; the program still sets its text.
    TEdit& edit = *form.NameEdit;
    edit.SetReadOnly(true);
    EXPECT_NE(GetWindowLongW(edit.Handle(), GWL_STYLE) & ES_READONLY, 0);
    edit.SetFocus();
    ASSERT_TRUE(testing::PumpUntil([&] { return edit.Focused(); }));
    testing::TypeText(u"xyz");
    EXPECT_EQ(edit.Text(), "initial");
    edit.SetText("set by the program");
    EXPECT_EQ(edit.Text(), "set by the program");
    edit.RecreateWnd();
    EXPECT_NE(GetWindowLongW(edit.Handle(), GWL_STYLE) & ES_READONLY, 0)
        << "kept in a window made again";
    edit.SetReadOnly(false);
    edit.SetFocus();
    testing::PumpUntil([&] { return edit.Focused(); });
    edit.SelectAll();
    testing::TypeText(u"ab");
    EXPECT_EQ(edit.Text(), "ab");
}

// ---- painting ------------------------------------------------------------------------------

class TSwatch : public TCustomControl {
    RUNTIME_CLASS(TSwatch)

  public:
    explicit TSwatch(TComponent* owner) : TCustomControl(owner) {}

  protected:
    void Paint() override {
        Canvas().Brush().SetColor(clRed);
        Canvas().FillRect({4, 4, 20, 20});
    }
};
RUNTIME_BEGIN_CLASS(TSwatch, TCustomControl)
RUNTIME_END_CLASS

class TDot : public TGraphicControl {
    RUNTIME_CLASS(TDot)

  public:
    explicit TDot(TComponent* owner) : TGraphicControl(owner) {}

  protected:
    void Paint() override {
        Canvas().Brush().SetColor(clBlue);
        Canvas().FillRect(ClientRect());
    }
};
RUNTIME_BEGIN_CLASS(TDot, TGraphicControl)
RUNTIME_END_CLASS

TEST_F(GuiCore, OwnControlsPaintIntoADeviceContextTheyAreHanded) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 150);
    auto* swatch = new TSwatch(&form);
    swatch->SetParent(&form);
    swatch->SetBounds(10, 10, 60, 40);
    swatch->SetColor(clLime);
    auto* dot = new TDot(&form);
    dot->SetParent(swatch);
    dot->SetBounds(30, 10, 10, 10);
    swatch->HandleNeeded();

    struct Path {
        const char* what;
        std::function<void(HDC)> paint;
    };
    const Path paths[] = {
        {"WM_PRINTCLIENT",
         [&](HDC dc) {
             SendMessageW(swatch->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                          PRF_CLIENT);
         }},
        {"WM_PAINT with a DC",
         [&](HDC dc) {
             SendMessageW(swatch->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
         }},
    };
    for (bool doubleBuffered : {true, false}) {
        swatch->SetDoubleBuffered(doubleBuffered);
        for (const Path& path : paths) {
            SCOPED_TRACE(std::string(path.what) + (doubleBuffered ? " buffered" : " direct"));
            TBitmap bitmap(60, 40);
            bitmap.Canvas().Brush().SetColor(clBlack);
            bitmap.Canvas().FillRect({0, 0, 60, 40});
            if (!doubleBuffered)
                SendMessageW(swatch->Handle(), WM_ERASEBKGND,
                             reinterpret_cast<WPARAM>(bitmap.Canvas().Handle()), 0);
            path.paint(bitmap.Canvas().Handle());
            GdiFlush();
            EXPECT_EQ(testing::PixelAt(bitmap, 1, 1), 0x00FF00u)
                << "background in the control's colour";
            EXPECT_EQ(testing::PixelAt(bitmap, 10, 10), 0xFF0000u) << "the control's own painting";
            EXPECT_EQ(testing::PixelAt(bitmap, 35, 15), 0x0000FFu) << "its windowless child on top";
            EXPECT_EQ(testing::PixelAt(bitmap, 50, 35), 0x00FF00u);
        }
    }
}

// ---- geometry ------------------------------------------------------------------------------

TEST_F(GuiCore, AlignedAndAnchoredChildrenFollowTheForm) {
    TTestForm& form = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> owner(&form);
    auto* bottom = new TGroupBox(&form);
    bottom->SetParent(&form);
    bottom->SetBounds(0, 0, 10, 30);
    bottom->SetAlign(alBottom);
    form.Show();
    testing::Pump();
    EXPECT_EQ(bottom->BoundsRect(), (TRect{0, 370, 560, 400}));
    const TRect ok = form.OkButton->BoundsRect();

    form.SetClientSize(660, 450);
    testing::Pump();
    EXPECT_EQ(form.ClientWidth(), 660);
    EXPECT_EQ(bottom->BoundsRect(), (TRect{0, 420, 660, 450}));
    EXPECT_EQ(form.OkButton->BoundsRect(), ok.Offset(100, 50)) << "anchored right and bottom";
    EXPECT_EQ(form.NameEdit->Left(), 80) << "anchored left and top";

    // The user sizing the window (the system moving it) does the same.
    RECT r;
    GetWindowRect(form.Handle(), &r);
    SetWindowPos(form.Handle(), nullptr, 0, 0, r.right - r.left - 100, r.bottom - r.top - 50,
                 SWP_NOMOVE | SWP_NOZORDER);
    testing::Pump();
    EXPECT_EQ(form.OkButton->BoundsRect(), ok);
    EXPECT_EQ(bottom->Width(), 560);
}

TEST_F(GuiCore, AFormRestoredOffTheScreenComesBackOntoAMonitor) {
    TTestForm& form = NewForm<TTestForm>(*Application);
    std::unique_ptr<TTestForm> owner(&form);
    form.OnShow = [&form](TObject*) { form.SetBounds(5000, -400, 400, 300); };
    form.Show();
    testing::Pump();
    const TRect work = Screen->WorkAreaRect();
    EXPECT_TRUE(work.Contains(form.BoundsRect().TopLeft())) << form.Left() << "," << form.Top();
    EXPECT_LE(form.BoundsRect().Right, work.Right);
    EXPECT_EQ(form.Width(), 400);
}

// ---- services ------------------------------------------------------------------------------

TEST_F(GuiCore, ClipboardRoundTripKeepsBothTextFormats) {
    const std::u16string text = u"Zürich \u00e9t\u00e9 \u20ac";
    Clipboard().SetAsWideText(text);
    EXPECT_EQ(Clipboard().AsWideText(), text);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE ansi = GetClipboardData(CF_TEXT);
    ASSERT_NE(ansi, nullptr);
    const std::string ansiText(static_cast<const char*>(GlobalLock(ansi)));
    GlobalUnlock(ansi);
    CloseClipboard();
    EXPECT_EQ(ansiText, runtime::WideToAnsi(text));

    Clipboard().SetAsText("plain");
    EXPECT_EQ(Clipboard().AsText(), "plain");
}

TEST_F(GuiCore, DialogsAndTheShellGoThroughTheDesktopServices) {
    testing::TFakeDesktop desktop;
    TDesktopOverride services(desktop);

    TSaveDialog save(nullptr);
    save.SetTitle("Export keywords");
    save.SetFilter("Text files (*.txt)|*.txt|All files (*.*)|*.*");
    save.SetDefaultExt("txt");
    save.SetOptions(save.Options() + TOpenOptions{ofOverwritePrompt});
    desktop.FileDialogAnswers.push_back(u"C:\\data\\keywords.txt");
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), "C:\\data\\keywords.txt");
    EXPECT_FALSE(save.Execute()) << "cancelled";
    ASSERT_EQ(desktop.FileDialogs.size(), 2u);
    const TFileDialogRequest& asked = desktop.FileDialogs[0];
    EXPECT_TRUE(asked.Save);
    EXPECT_EQ(asked.Title, u"Export keywords");
    EXPECT_EQ(asked.Filter, u"Text files (*.txt)|*.txt|All files (*.*)|*.*");
    EXPECT_EQ(asked.DefaultExt, u"txt");
    EXPECT_NE(asked.Flags & OFN_OVERWRITEPROMPT, 0u);
    TOpenDialog open(nullptr);
    open.Execute();
    EXPECT_FALSE(desktop.FileDialogs.back().Save);

    desktop.MessageBoxAnswers.push_back(IDYES);
    EXPECT_EQ(MessageDlg("Delete?", mtConfirmation, {mbYes, mbNo}), mrYes);
    ASSERT_EQ(desktop.MessageBoxes.size(), 1u);
    EXPECT_EQ(desktop.MessageBoxes[0].caption, u"Confirm");
    EXPECT_EQ(desktop.MessageBoxes[0].flags, UINT{MB_YESNO | MB_ICONQUESTION});

    EXPECT_TRUE(ShellOpen("http://www.example.com/?from=serplow"));
    ASSERT_EQ(desktop.ShellCalls.size(), 1u);
    EXPECT_EQ(desktop.ShellCalls[0].target, u"http://www.example.com/?from=serplow");
    EXPECT_EQ(desktop.ShellCalls[0].showCommand, SW_SHOWNORMAL);
}

TEST_F(GuiCore, ARealMessageBoxIsAnsweredThroughAHook) {
    testing::TDialogAnswerer answerer(IDNO);
    EXPECT_EQ(MessageDlg("Delete the selected keywords?", mtConfirmation, {mbYes, mbNo}), mrNo);
    EXPECT_TRUE(answerer.Answered());
    EXPECT_EQ(answerer.Caption(), u"Confirm");
}

// ---- the program's loop --------------------------------------------------------------------

// Stays the last test of the program: it ends the application's loop for good.
// Run ends the application for good, and a modal loop of an ended
// application ends at once: the run happens in a process of its own, so
// the tests after it (in any order) still have a running application.
[[noreturn]] void RunUntilTheMainFormCloses() {
    TTestDialog& main = NewForm<TTestDialog>(*Application);
    Application->SetMainForm(&main);
    int idles = 0;
    bool shownByRun = false;
    Application->OnIdle = [&](TObject*, bool& done) {
        shownByRun = shownByRun || main.Showing();
        // Busy for a few rounds, then the user closes the main form.
        if (++idles == 3) main.Close();
        done = false;
    };
    Application->Run();
    std::string faults;
    if (!shownByRun) faults += "Run did not show the main form; ";
    if (idles != 3) faults += "idled " + std::to_string(idles) + " times, not 3; ";
    if (!Application->Terminated()) faults += "the application still runs; ";
    std::fputs(faults.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(faults.empty() ? 0 : 1);
}

TEST_F(GuiCore, RunShowsTheMainFormIdlesAndEndsWhenTheMainFormCloses) {
    EXPECT_EXIT(RunUntilTheMainFormCloses(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace gui
