// The stand-ins of the program's own controls (tree, tool bar, spin edit,
// HTML view), the image lists from resources, the engine selector's entry
// texts, and the window fixes for newer Windows, under Wine.

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "gui/comctrls.h"
#include "gui/errors.h"
#include "gui/forms.h"
#include "gui/graphic.h"
#include "gui/stdctrls.h"
#include "gui/testing.h"
#include "gui/themes.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "ui/engine_selector.h"
#include "ui/html_standin.h"
#include "ui/image_lists.h"
#include "ui/init.h"
#include "ui/links.h"
#include "ui/spin_edit.h"
#include "ui/toolbar_standin.h"
#include "ui/ui_test_support.h"
#include "ui/vista_fix.h"

namespace ui {
namespace {

namespace gt = gui::testing;

class UiControls : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gt::EnsureGui();
        static bool registered = false;
        if (!registered) ui::init();
        registered = true;
    }
    void SetUp() override {
        form_ = &gui::NewForm<gui::TForm>(*gui::Application);
        form_->SetBounds(50, 50, 500, 400);
    }
    void TearDown() override {
        delete form_;
        gt::Pump();
    }
    void ShowForm() {
        form_->Show();
        gt::Pump();
    }
    template <class T>
    T& Add() {
        T& control = runtime::NewComponent<T>(*form_);
        control.SetParent(form_);
        return control;
    }

    gui::TForm* form_ = nullptr;
};

// ---- tool bar stand-in -----------------------------------------------------------------------

TEST_F(UiControls, ToolBarHoldsItsControlsInTheirGaps) {
    auto& bar = Add<TToolBarStandIn>();
    auto& images = runtime::NewComponent<TResourceImageList>(*form_);
    images.SetWidth(32);
    images.SetHeight(32);
    images.SetResourceName("TOOLBARIMAGES32");
    bar.SetImages(&images);
    auto& label = runtime::NewComponent<gui::TLabel>(*form_);
    label.SetParent(&bar);
    label.SetText("Site URL");
    auto& combo = runtime::NewComponent<gui::TComboBox>(*form_);
    combo.SetParent(&bar);
    combo.SetWidth(216);
    auto& first = runtime::NewComponent<gui::TToolButton>(*form_);
    first.SetImageIndex(0);
    first.SetToolBar(&bar);
    auto& labelItem = runtime::NewComponent<TToolControlItem>(*form_);
    labelItem.SetControl(&label);
    labelItem.SetToolBar(&bar);
    auto& comboItem = runtime::NewComponent<TToolControlItem>(*form_);
    comboItem.SetControl(&combo);
    comboItem.SetToolBar(&bar);
    auto& last = runtime::NewComponent<gui::TToolButton>(*form_);
    last.SetImageIndex(1);
    last.SetToolBar(&bar);
    ShowForm();

    EXPECT_GE(bar.Height(), 32 + 4) << "as high as its 32-pixel buttons";
    auto inside = [&](const gui::TControl& control, const gui::TToolButton& item) {
        const gui::TRect gap = bar.ButtonRect(&item);
        return control.Left() >= gap.Left && control.Left() + control.Width() <= gap.Right &&
               std::abs(control.Top() * 2 + control.Height() - bar.Height()) <= 1;
    };
    EXPECT_TRUE(inside(label, labelItem));
    EXPECT_TRUE(inside(combo, comboItem));
    EXPECT_GE(bar.ButtonRect(&last).Left, combo.Left() + combo.Width());

    // A button that goes moves the controls after it along.
    const int comboLeft = combo.Left();
    first.SetVisible(false);
    gt::Pump();
    EXPECT_LT(combo.Left(), comboLeft);
    EXPECT_TRUE(inside(combo, comboItem));
}

// ---- image lists ---------------------------------------------------------------------------

TEST_F(UiControls, ImageListsComeFromTheProgramsStrips) {
    struct Case {
        const char* name;
        int size;
        int count;
    };
    for (const Case& c : {Case{"MENUIMAGES16", 16, 11}, Case{"TOOLBARIMAGES32", 32, 5},
                          Case{"ARROWIMAGES16", 16, 3}}) {
        auto& list = runtime::NewComponent<TResourceImageList>(*form_);
        list.SetWidth(c.size);
        list.SetHeight(c.size);
        list.SetResourceName(c.name);
        EXPECT_EQ(list.Count(), c.count) << c.name;
        gui::TBitmap image;
        list.GetBitmap(0, image);
        EXPECT_EQ(image.ScanLine(0)[0] >> 24, 0u) << c.name << ": corners are transparent";
        EXPECT_EQ(image.ScanLine(c.size / 2)[c.size / 2] >> 24, 0xFFu) << c.name;
    }
    // The arrows: worse is red, better green.
    auto& arrows = runtime::NewComponent<TResourceImageList>(*form_);
    arrows.SetResourceName("ARROWIMAGES16");
    gui::TBitmap image;
    arrows.GetBitmap(0, image);
    const uint32_t worse = image.ScanLine(8)[8];
    EXPECT_GT((worse >> 16) & 0xFF, (worse >> 8) & 0xFF);
    arrows.GetBitmap(1, image);
    const uint32_t better = image.ScanLine(8)[8];
    EXPECT_GT((better >> 8) & 0xFF, (better >> 16) & 0xFF);

    auto& wrong = runtime::NewComponent<TResourceImageList>(*form_);
    EXPECT_THROW(wrong.SetResourceName("NOSUCHSTRIP"), gui::EInvalidGraphic);
    wrong.SetWidth(24);
    EXPECT_THROW(wrong.SetResourceName("MENUIMAGES16"), gui::EInvalidGraphic)
        << "a strip of another height";
}

// ---- spin edit -----------------------------------------------------------------------------

TEST_F(UiControls, SpinEditKeepsItsValueWithinItsLimits) {
    auto& spin = Add<TSpinEditStandIn>();
    spin.SetMinValue(10);
    spin.SetMaxValue(10000);
    spin.SetIncrement(10);
    struct Case {
        double set;
        double value;
        int32_t integer;
    };
    for (const Case& c :
         {Case{50, 50, 50}, Case{3, 10, 10}, Case{20000, 10000, 10000}, Case{12.9, 12.9, 12}}) {
        spin.SetValue(c.set);
        EXPECT_EQ(spin.Value(), c.value) << c.set;
        EXPECT_EQ(spin.GetAsInteger(), c.integer) << c.set;
    }
    // Equal limits: no limit at all.
    spin.SetMaxValue(10);
    spin.SetMinValue(10);
    spin.SetAsInteger(-3);
    EXPECT_EQ(spin.Value(), -3);
    spin.SetValue(-3.7);
    EXPECT_EQ(spin.GetAsInteger(), -3) << "truncated toward zero";
    spin.SetValue(1e12);
    EXPECT_EQ(spin.GetAsInteger(), INT32_MAX);
}

TEST_F(UiControls, SpinEditStepsWithArrowsKeysAndTyping) {
    auto& spin = Add<TSpinEditStandIn>();
    auto& other = Add<gui::TEdit>();
    other.SetTop(100);
    spin.SetIncrement(10);
    spin.SetValue(30);
    ShowForm();
    EXPECT_EQ(spin.Text(), "30");

    // The arrows: the upper half steps up, the lower half down.
    HWND arrows = spin.ArrowsHandle();
    ASSERT_NE(arrows, nullptr);
    RECT r{};
    GetClientRect(arrows, &r);
    auto press = [&](int y) {
        PostMessageW(arrows, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, y));
        PostMessageW(arrows, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, y));
        gt::Pump();
    };
    press(2);
    EXPECT_EQ(spin.Value(), 40);
    press(r.bottom - 2);
    press(r.bottom - 2);
    EXPECT_EQ(spin.Value(), 20);
    EXPECT_EQ(spin.Text(), "20");

    spin.SetFocus();
    gt::PressKey(VK_UP, {}, &spin);
    EXPECT_EQ(spin.Value(), 30);
    gt::PressKey(VK_DOWN, {}, &spin);
    EXPECT_EQ(spin.Value(), 20);

    // Typed numbers become the value; other text is put right on leaving.
    spin.SetText("75");
    EXPECT_EQ(spin.Value(), 75);
    spin.SetText("seventy");
    EXPECT_EQ(spin.Value(), 75);
    other.SetFocus();
    gt::Pump();
    EXPECT_EQ(spin.Text(), "75");
}

// ---- HTML view -----------------------------------------------------------------------------

TEST(HtmlTextTest, PagesBecomeTheirText) {
    struct Case {
        const char* html;
        std::u16string text;
    };
    for (const Case& c : {
             Case{"<p>One</p><p>Two &amp; three</p>", u"One\r\nTwo & three"},
             Case{"<h1>News</h1>Line one<br>line <b>two</b>", u"News\r\nLine one\r\nline two"},
             Case{"<script>var a = '<p>';</script><style>p {}</style>Text", u"Text"},
             Case{"<ul><li>a</li><li>b</li></ul>", u"a\r\nb"},
             Case{"plain   text\r\nwrapped", u"plain text wrapped"},
             Case{"<p>unclosed <b", u"unclosed"},
             Case{"", u""},
         })
        EXPECT_EQ(HtmlToText(c.html), c.text) << c.html;
}

TEST_F(UiControls, HtmlViewShowsTextAndNamesMissingFiles) {
    auto& view = Add<THtmlTextView>();
    view.SetBounds(0, 0, 300, 200);
    ShowForm();
    view.LoadFromString("<p>Latest news</p><p>Serplow 2.5</p>");
    EXPECT_EQ(view.PageText(), u"Latest news\r\nSerplow 2.5");
    EXPECT_TRUE(view.TextView()->ReadOnly());

    testing::TTempFolder folder;
    testing::WriteFileBytes(folder.File("news.htm"), "<html><body>From a file</body></html>");
    view.LoadFromFile(folder.File("news.htm"));
    EXPECT_EQ(view.PageText(), u"From a file");
    try {
        view.LoadFromFile(folder.File("missing.htm"));
        FAIL() << "a missing file loads";
    } catch (const runtime::Exception& e) {
        EXPECT_EQ(e.Message(), "Can't locate file: " + folder.File("missing.htm"));
    }
}

TEST(NewsLinkTest, NewsLinksOpenOnlyWebAndMailAddresses) {
    gui::testing::TFakeDesktop desktop;
    gui::TDesktopOverride faked(desktop);
    struct Case {
        const char* link;
        bool opened;
    };
    for (const Case& c :
         {Case{"http://www.example.com/news?id=1", true}, Case{"https://www.example.com/", true},
          Case{"mailto:support@example.com", true},
          Case{"file:///C:/windows/system32/calc.exe", false},
          Case{"C:\\windows\\system32\\cmd.exe", false}, Case{"javascript:alert(1)", false},
          Case{"news.htm", false}}) {
        desktop.ShellCalls.clear();
        EXPECT_EQ(OpenNewsLink(c.link), c.opened) << c.link;
        ASSERT_EQ(desktop.ShellCalls.size(), c.opened ? 1u : 0u) << c.link;
        if (c.opened) {
            EXPECT_EQ(desktop.ShellCalls[0].target, runtime::AnsiToWide(c.link));
        }
    }
}

// ---- the engine selector's entries -----------------------------------------------------------

TEST(EngineEntryTest, EntriesSplitIntoCountryAndLanguage) {
    struct Case {
        const char* entry;
        const char* country;
        const char* lang;
    };
    for (const Case& c :
         {Case{"USA (English)", "USA", "English"},
          Case{"USA (Bing) (English)", "USA (Bing)", "English"},
          Case{"International (DuckDuckGo) (English)", "International (DuckDuckGo)", "English"},
          Case{"Local", "Local", ""}, Case{"", "", ""}}) {
        EXPECT_EQ(CountryOfEntry(c.entry), c.country) << c.entry;
        EXPECT_EQ(LangOfEntry(c.entry), c.lang) << c.entry;
        if (*c.lang != '\0') {
            EXPECT_EQ(EngineEntryText(c.country, c.lang), c.entry);
        }
    }
}

// ---- the window fixes for newer Windows -------------------------------------------------------

// A form with buttons on a page control's two sheets and an edit, each
// windowed control's paints counted.
struct CueForm {
    explicit CueForm(gui::TComponent& owner) : form(gui::NewForm<TVistaForm>(owner)) {
        form.SetBounds(100, 100, 420, 300);
        pages = &Make<gui::TPageControl>(form, 10, 10, 300, 200);
        shown = &runtime::NewComponent<gui::TTabSheet>(form);
        shown->SetPageControl(pages);
        hidden = &runtime::NewComponent<gui::TTabSheet>(form);
        hidden->SetPageControl(pages);
        pages->SetActivePage(shown);
        onShown = &Make<gui::TButton>(*shown, 10, 10, 90, 25);
        check = &Make<gui::TCheckBox>(*shown, 10, 50, 120, 20);
        onHidden = &Make<gui::TButton>(*hidden, 10, 10, 90, 25);
        edit = &Make<gui::TEdit>(form, 320, 10, 80, 21);
        onForm = &Make<gui::TButton>(form, 320, 50, 80, 25);
        onShown->SetText("&Go");
        for (gui::TWinControl* c : Windowed()) {
            auto inherited = c->WindowProc();
            c->SetWindowProc([this, c, inherited](gui::TMessage& msg) {
                if (msg.Msg == WM_PAINT) ++paints[c];
                inherited(msg);
            });
        }
    }
    ~CueForm() { delete &form; }

    template <class T>
    T& Make(gui::TWinControl& parent, int x, int y, int w, int h) {
        T& c = runtime::NewComponent<T>(form);
        c.SetParent(&parent);
        c.SetBounds(x, y, w, h);
        return c;
    }
    std::vector<gui::TWinControl*> Windowed() const {
        return {onShown, check, onHidden, edit, onForm};
    }
    // Everything painted, then nothing waiting to paint.
    void Settle() {
        gt::Pump();
        RedrawWindow(form.Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        gt::Pump();
        paints.clear();
    }
    // The keyboard cues change (as Alt does); then the program idles.
    void CuesChange() {
        SendMessageW(form.Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
        gt::Pump();
        gui::Application->ProcessIdle();
        gt::Pump();
    }

    TVistaForm& form;
    gui::TPageControl* pages;
    gui::TTabSheet* shown;
    gui::TTabSheet* hidden;
    gui::TButton* onShown;
    gui::TCheckBox* check;
    gui::TButton* onHidden;
    gui::TEdit* edit;
    gui::TButton* onForm;
    std::map<gui::TWinControl*, int> paints;
};

TEST_F(UiControls, CueChangesRepaintTheButtonsOfShownPages) {
    TWindowFixPlatformOverride platform({true, true});
    auto& fix = runtime::NewComponent<TVistaAltFix>(*form_);
    ASSERT_TRUE(fix.Active());
    CueForm f(*gui::Application);
    f.form.Show();
    gui::Application->ProcessIdle();
    EXPECT_TRUE(fix.Watches(&f.form)) << "forms are hooked when the program idles";
    f.Settle();
    f.CuesChange();
    EXPECT_GE(f.paints[f.onShown], 1);
    EXPECT_GE(f.paints[f.check], 1);
    EXPECT_GE(f.paints[f.onForm], 1);
    EXPECT_EQ(f.paints[f.onHidden], 0) << "its page does not show";
    EXPECT_EQ(f.paints[f.edit], 0) << "not a button";

    // Every windowed control with RepaintAll.
    fix.SetRepaintAll(true);
    CueForm all(*gui::Application);
    all.form.Show();
    gui::Application->ProcessIdle();
    all.Settle();
    all.CuesChange();
    EXPECT_GE(all.paints[all.edit], 1);
}

TEST_F(UiControls, CueFixFollowsFormsAsTheyComeAndGo) {
    TWindowFixPlatformOverride platform({true, true});
    auto& fix = runtime::NewComponent<TVistaAltFix>(*form_);
    gui::Application->ProcessIdle();
    const int before = fix.WatchedCount();
    auto* f = new CueForm(*gui::Application);
    f->form.Show();
    gui::Application->ProcessIdle();
    EXPECT_EQ(fix.WatchedCount(), before + 1);
    // A form that goes takes its entry (and its hook) along at once.
    delete f;
    EXPECT_EQ(fix.WatchedCount(), before);
    gui::Application->ProcessIdle();
    EXPECT_EQ(fix.WatchedCount(), before);

    // A fix that goes first unhooks the forms, which go on working.
    CueForm kept(*gui::Application);
    kept.form.Show();
    gui::Application->ProcessIdle();
    delete &fix;
    kept.Settle();
    kept.CuesChange();
    EXPECT_EQ(kept.paints[kept.onShown], 0);
    SendMessageW(kept.form.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"still here"));
    EXPECT_EQ(kept.form.Text(), "still here");
}

TEST_F(UiControls, ErrorsInHookedWindowProceduresReachTheApplication) {
    TWindowFixPlatformOverride platform({true, true});
    runtime::NewComponent<TVistaAltFix>(*form_);
    CueForm f(*gui::Application);
    f.form.Show();
    gui::Application->ProcessIdle();
    // A handler below the hook fails.
    const UINT failing = RegisterWindowMessageW(L"serplow-test-failing");
    auto below = f.form.WindowProc();
    f.form.SetWindowProc([below, failing](gui::TMessage& msg) {
        if (msg.Msg == failing) throw runtime::Exception("handler failed");
        below(msg);
    });
    gui::Application->ProcessIdle();
    std::vector<std::string> reported;
    auto saved = gui::Application->OnException;
    gui::Application->OnException = [&](runtime::TObject*, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const runtime::Exception& e) {
            reported.push_back(e.Message());
        }
    };
    SendMessageW(f.form.Handle(), failing, 0, 0);
    gui::Application->OnException = saved;
    EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
}

TEST_F(UiControls, CueFixNeedsNewerWindowsWithVisualStyles) {
    struct Case {
        TWindowFixPlatform platform;
        bool fixActive;
        bool formLocks;
    };
    for (const Case& c : {Case{{true, true}, true, true}, Case{{true, false}, false, true},
                          Case{{false, true}, false, false}, Case{{false, false}, false, false}}) {
        TWindowFixPlatformOverride platform(c.platform);
        auto& fix = runtime::NewComponent<TVistaAltFix>(*form_);
        EXPECT_EQ(fix.Active(), c.fixActive);
        CueForm f(*gui::Application);
        f.form.SetKeyPreview(true);
        f.form.Show();
        gui::Application->ProcessIdle();
        EXPECT_EQ(fix.Watches(&f.form), c.fixActive);
        f.Settle();
        f.CuesChange();
        EXPECT_EQ(f.paints[f.onShown] > 0, c.fixActive);
        // Alt held: the form's drawing waits while the platform needs it.
        f.edit->SetFocus();
        PostMessageW(f.edit->Handle(), WM_SYSKEYDOWN, VK_MENU, 0x20380001);
        gt::Pump();
        EXPECT_EQ(f.form.AltLocked(), c.formLocks);
        EXPECT_EQ(IsWindowVisible(f.form.Handle()) == FALSE, c.formLocks)
            << "the form's own redraw lock";
        // Auto-repeat takes no second lock; Alt coming up releases it (after
        // a repeat the system opens no menu on it, which would wait for the
        // user).
        PostMessageW(f.edit->Handle(), WM_SYSKEYDOWN, VK_MENU, 0x60380001);
        PostMessageW(f.edit->Handle(), WM_SYSKEYUP, VK_MENU, 0xC0380001);
        gt::Pump();
        EXPECT_FALSE(f.form.AltLocked());
        EXPECT_TRUE(IsWindowVisible(f.form.Handle()));
        // Other keys never lock.
        PostMessageW(f.edit->Handle(), WM_KEYDOWN, 'A', 0x001E0001);
        gt::Pump();
        EXPECT_FALSE(f.form.AltLocked());
        delete &fix;
    }
}

TEST_F(UiControls, AltLockEndsWhenTheFormIsLeft) {
    TWindowFixPlatformOverride platform({true, true});
    CueForm f(*gui::Application);
    f.form.SetKeyPreview(true);
    f.form.Show();
    gt::Pump();
    f.edit->SetFocus();
    PostMessageW(f.edit->Handle(), WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    gt::Pump();
    ASSERT_TRUE(f.form.AltLocked());
    // Alt comes up in another window: the form must not stay frozen.
    form_->Show();
    SetForegroundWindow(form_->Handle());
    SetActiveWindow(form_->Handle());
    ASSERT_TRUE(gt::PumpUntil([&] { return !f.form.AltLocked(); }));
    EXPECT_TRUE(IsWindowVisible(f.form.Handle()));
    // Alt comes up (after a repeat, which keeps the system from opening a menu).
    PostMessageW(form_->Handle(), WM_SYSKEYDOWN, VK_MENU, 0x60380001);
    PostMessageW(form_->Handle(), WM_SYSKEYUP, VK_MENU, 0xC0380001);
    gt::Pump();
}

// After Alt, every control shows as it would painted afresh, with visual
// styles on and off.
TEST_F(UiControls, ControlsLookTheSameAfterAlt) {
    for (const bool themed : {true, false}) {
        TWindowFixPlatformOverride platform({true, true});
        auto& fix = runtime::NewComponent<TVistaAltFix>(*form_);
        CueForm f(*gui::Application);
        f.form.SetKeyPreview(true);
        for (gui::TWinControl* c : f.Windowed()) gui::SetControlThemed(*c, themed);
        f.form.Show();
        gui::Application->ProcessIdle();
        f.Settle();
        // A button has the focus: an edit's blinking caret would differ.
        f.onForm->SetFocus();
        PostMessageW(f.onForm->Handle(), WM_SYSKEYDOWN, VK_MENU, 0x20380001);
        gt::Pump();
        f.CuesChange();
        // Held long enough to repeat, so that letting go opens no menu.
        PostMessageW(f.onForm->Handle(), WM_SYSKEYDOWN, VK_MENU, 0x60380001);
        PostMessageW(f.onForm->Handle(), WM_KEYUP, VK_MENU, 0xC0380001);
        gt::Pump();
        gui::Application->ProcessIdle();
        gt::Pump();
        std::unique_ptr<gui::TBitmap> after = gt::CaptureWindow(f.form.Handle());
        f.Settle();
        std::unique_ptr<gui::TBitmap> fresh = gt::CaptureWindow(f.form.Handle());
        ASSERT_EQ(after->Width(), fresh->Width());
        int differing = 0;
        for (int y = 0; y < fresh->Height(); ++y)
            for (int x = 0; x < fresh->Width(); ++x)
                if (gt::PixelAt(*after, x, y) != gt::PixelAt(*fresh, x, y)) ++differing;
        EXPECT_EQ(differing, 0) << (themed ? "themed" : "classic");
        delete &fix;
    }
}

}  // namespace
}  // namespace ui
