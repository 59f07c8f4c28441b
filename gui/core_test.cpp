// The class library's core under Wine: message handler tables, forms made
// from layouts, input, modal loops, errors, lifetimes, painting, geometry.

#include <gtest/gtest.h>

#include <cctype>
#include <thread>

#include "gui/application.h"
#include "gui/clipboard.h"
#include "gui/dialogs.h"
#include "gui/forms.h"
#include "gui/menus.h"
#include "gui/screen.h"
#include "gui/stdctrls.h"
#include "gui/testing.h"
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
    TEdit* Answer = nullptr;
    TButton* YesButton = nullptr;
    TButton* NoButton = nullptr;
    bool AllowClose = true;
    int CloseQueries = 0;
    std::function<void()> OnRefused;

    void FormCloseQuery(TObject*, bool& canClose) {
        ++CloseQueries;
        canClose = AllowClose;
        if (!canClose && OnRefused) OnRefused();
    }
};

RUNTIME_BEGIN_CLASS(TTestDialog, TForm)
RUNTIME_HANDLER(FormCloseQuery);
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

}  // namespace
}  // namespace gui
