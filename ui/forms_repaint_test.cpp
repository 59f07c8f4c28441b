// Every form of the program as the user sees it on the screen, under Wine:
// the main window and each dialog, made from their layouts, filled and shown,
// with visual styles on and off. The keyboard cues come and go as Alt does
// it (Alt down, the cue change, Alt up); afterwards each visible control
// shows what a fresh paint shows, and once the cues are hidden again the
// form looks as it did before. The pixels are read from the screen as they
// are, without asking the windows to paint first, so a control the cue
// change left unpainted is seen as the user would see it.

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/engines.h"
#include "core/options.h"
#include "core/state.h"
#include "gui/comctrls.h"
#include "gui/extctrls.h"
#include "gui/graphic.h"
#include "gui/stdctrls.h"
#include "gui/testing.h"
#include "gui/themes.h"
#include "runtime/strings.h"
#include "ui/about_form.h"
#include "ui/addurl_form.h"
#include "ui/first_run_form.h"
#include "ui/news_form.h"
#include "ui/options_form.h"
#include "ui/progress_form.h"
#include "ui/project_form.h"
#include "ui/project_progress_form.h"
#include "ui/signup_form.h"
#include "ui/ui_test_support.h"
#include "ui/vista_fix.h"

namespace ui {
namespace {

namespace gt = gui::testing;
using testing::TTempFolder;

// ---- the screen ----------------------------------------------------------------------------

// What the screen shows of a top-level window now, frame included. Nothing
// is asked to paint first.
std::unique_ptr<gui::TBitmap> ScreenPixels(HWND window) {
    GdiFlush();
    RECT r;
    GetWindowRect(window, &r);
    auto bitmap = std::make_unique<gui::TBitmap>(r.right - r.left, r.bottom - r.top);
    HDC screen = GetDC(nullptr);
    BitBlt(bitmap->Canvas().Handle(), 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left,
           r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    return bitmap;
}

// Waiting paints done, then the main-thread calls and the idle work.
void Settle() {
    gt::Pump();
    gui::Application->ProcessIdle();
    gt::Pump();
}

// Every part of the window painted afresh.
void RepaintAll(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle();
}

// Visits the controls inside `parent`, parents before their children;
// with `showingOnly` the hidden ones and what they hold are left out.
void ForEachControl(gui::TWinControl& parent, bool showingOnly,
                    const std::function<void(gui::TControl&)>& visit) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        gui::TControl& control = *parent.Controls(i);
        if (showingOnly && !control.Visible()) continue;
        visit(control);
        if (auto* windowed = dynamic_cast<gui::TWinControl*>(&control))
            ForEachControl(*windowed, showingOnly, visit);
    }
}

void ForEachShowing(gui::TWinControl& parent, const std::function<void(gui::TControl&)>& visit) {
    ForEachControl(parent, true, visit);
}

// The part of the control that shows, in the coordinates of its form's
// window rectangle: its bounds cut by every parent's client area.
gui::TRect VisibleArea(const gui::TControl& control, HWND form) {
    RECT window;
    GetWindowRect(form, &window);
    auto toWindow = [&](const gui::TControl& parentOf, gui::TRect r) {
        const gui::TPoint origin = parentOf.ClientOrigin();
        return gui::TRect{r.Left + origin.X - window.left, r.Top + origin.Y - window.top,
                          r.Right + origin.X - window.left, r.Bottom + origin.Y - window.top};
    };
    gui::TRect area = toWindow(*control.Parent(), control.BoundsRect());
    for (const gui::TWinControl* p = control.Parent(); p != nullptr; p = p->Parent()) {
        const gui::TRect client = toWindow(*p, p->ClientRect());
        area = gui::TRect{std::max(area.Left, client.Left), std::max(area.Top, client.Top),
                          std::min(area.Right, client.Right), std::min(area.Bottom, client.Bottom)};
    }
    return area;
}

// A control that has something to show: a windowed control that is not
// a bare container, a label with a caption, an image with a picture.
bool ShowsSomething(gui::TControl& control) {
    if (auto* label = dynamic_cast<gui::TCustomLabel*>(&control)) return !label->TextW().empty();
    if (auto* image = dynamic_cast<gui::TImage*>(&control)) {
        const gui::TGraphic* graphic = image->Picture()->Graphic();
        return graphic != nullptr && !graphic->Empty();
    }
    if (dynamic_cast<gui::TSplitter*>(&control) != nullptr) return false;
    auto* windowed = dynamic_cast<gui::TWinControl*>(&control);
    if (windowed == nullptr) return false;
    if (!windowed->ControlStyle().Contains(gui::csAcceptsControls)) return true;
    bool children = false;
    ForEachShowing(*windowed, [&](gui::TControl&) { children = true; });
    return children || !windowed->TextW().empty();
}

std::string Describe(const gui::TControl& control) {
    return (control.Name().empty() ? std::string("(unnamed)") : control.Name()) + ": " +
           control.ClassName();
}

// The controls of the form that show a single colour where they have
// something to show.
std::vector<std::string> BlankControls(gui::TForm& form, const gui::TBitmap& pixels) {
    std::vector<std::string> blank;
    ForEachShowing(form, [&](gui::TControl& control) {
        if (!ShowsSomething(control)) return;
        const gui::TRect area = VisibleArea(control, form.Handle());
        if (area.Width() < 4 || area.Height() < 4) return;
        const uint32_t first = gt::PixelAt(pixels, area.Left, area.Top);
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                if (gt::PixelAt(pixels, x, y) != first) return;
        blank.push_back(Describe(control));
    });
    return blank;
}

// The form and the windowed controls on it that the window system does
// not show though the form shows them (a redraw lock left on hides a
// window without taking it off the screen: it stops painting).
std::vector<std::string> HiddenWindows(gui::TForm& form) {
    std::vector<std::string> hidden;
    if (!IsWindowVisible(form.Handle())) hidden.push_back(Describe(form));
    ForEachShowing(form, [&](gui::TControl& control) {
        auto* windowed = dynamic_cast<gui::TWinControl*>(&control);
        if (windowed != nullptr && windowed->HandleAllocated() &&
            !IsWindowVisible(windowed->Handle()))
            hidden.push_back(Describe(control));
    });
    return hidden;
}

// Where two pictures of the form differ: none, or the innermost controls
// under the differing pixels and how many pixels differ.
std::string Differences(gui::TForm& form, const gui::TBitmap& seen, const gui::TBitmap& fresh) {
    if (seen.Width() != fresh.Width() || seen.Height() != fresh.Height()) return "size differs";
    std::vector<std::pair<gui::TControl*, gui::TRect>> areas;
    ForEachShowing(form, [&](gui::TControl& control) {
        areas.emplace_back(&control, VisibleArea(control, form.Handle()));
    });
    std::vector<std::pair<std::string, int>> counts;
    for (int y = 0; y < fresh.Height(); ++y) {
        for (int x = 0; x < fresh.Width(); ++x) {
            if (gt::PixelAt(seen, x, y) == gt::PixelAt(fresh, x, y)) continue;
            // Children follow their parents: the last area holding the pixel is the innermost.
            std::string where = "the form";
            for (const auto& [control, area] : areas)
                if (x >= area.Left && x < area.Right && y >= area.Top && y < area.Bottom)
                    where = Describe(*control);
            auto found = std::find_if(counts.begin(), counts.end(),
                                      [&](const auto& entry) { return entry.first == where; });
            if (found == counts.end())
                counts.emplace_back(where, 1);
            else
                ++found->second;
        }
    }
    std::ostringstream text;
    for (const auto& [where, count] : counts) text << where << " (" << count << " pixels) ";
    return text.str();
}

// ---- the keyboard cues, as Alt changes them ------------------------------------------------

HWND KeyWindow(gui::TForm& form) {
    gui::TWinControl* active = form.ActiveControl();
    return active != nullptr && active->HandleAllocated() ? active->Handle() : form.Handle();
}

// The cues shown (UIS_CLEAR) or hidden (UIS_SET) as the system does it:
// the window with the focus asks, and the form tells every window on it.
// Wine leaves the second step out when the cues always show, so the test
// takes it itself.
void ChangeCues(gui::TForm& form, WORD action) {
    const WPARAM cues = MAKEWPARAM(action, UISF_HIDEACCEL | UISF_HIDEFOCUS);
    SendMessageW(KeyWindow(form), WM_CHANGEUISTATE, cues, 0);
    SendMessageW(form.Handle(), WM_UPDATEUISTATE, cues, 0);
    Settle();
}

// Alt pressed: the key reaches the window with the focus, and the cues show
// (access keys underlined, focus rectangles drawn) across the form. Held
// long enough to repeat, so letting go opens no menu; then let go.
void PressAndReleaseAlt(gui::TForm& form) {
    const HWND target = KeyWindow(form);
    PostMessageW(target, WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    gt::Pump();
    // The main window holds its drawing while Alt is down.
    if (auto* vista = dynamic_cast<TVistaForm*>(&form)) {
        EXPECT_TRUE(vista->AltLocked());
    }
    ChangeCues(form, UIS_CLEAR);
    PostMessageW(target, WM_SYSKEYDOWN, VK_MENU, 0x60380001);
    PostMessageW(target, WM_KEYUP, VK_MENU, 0xC0380001);
    Settle();
}

// The cues hidden again, as a mouse click hides them.
void HideCues(gui::TForm& form) {
    ChangeCues(form, UIS_SET);
}

// A picture of a form for a person to look at, in the build tree.
void SavePicture(const gui::TBitmap& picture, const std::string& name) {
    const std::string folder = std::string(SERPLOW_BINARY_DIR) + "/forms";
    CreateDirectoryW(reinterpret_cast<const wchar_t*>(runtime::AnsiToWide(folder).c_str()),
                     nullptr);
    gt::SavePng(picture, runtime::AnsiToWide(folder + "/" + name + ".png"));
}

void SetThemedEverywhere(gui::TWinControl& parent, bool themed) {
    gui::SetControlThemed(parent, themed);
    ForEachControl(parent, false, [themed](gui::TControl& control) {
        if (auto* windowed = dynamic_cast<gui::TWinControl*>(&control))
            gui::SetControlThemed(*windowed, themed);
    });
}

// ---- the forms -----------------------------------------------------------------------------

class UiForms : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testing::StartProgramLayers(); }
    void SetUp() override { desktop_ = std::make_unique<gui::TDesktopOverride>(fake_); }
    void TearDown() override {
        dialogs_.clear();
        testing::FreeProgram(windows_);
        desktop_.reset();
        core::EngineList.reset();
        core::CurrentEngine = nullptr;
    }

    // The program started as the user starts it, with a site of a few
    // keywords checked before.
    TForm1& StartProgram() {
        testing::WriteSettings(
            data_.Path(), {{"FirstRun", "0"},
                           {"Country", "Local"},
                           {"Lang", "English"},
                           {"SEFileName", testing::ProgramFolder() + "SearchEngines\\local.se"}});
        testing::BuildProject(1, 8, 10);
        testing::SaveBuiltProject(data_.Path());
        return testing::StartProgram(testing::WideFolders(testing::ProgramFolder(), data_.Path()),
                                     windows_);
    }
    template <class T>
    T& Dialog() {
        dialogs_.emplace_back(&gui::NewForm<T>(*gui::Application));
        return static_cast<T&>(*dialogs_.back());
    }

    TTempFolder data_;
    gt::TFakeDesktop fake_;
    std::unique_ptr<gui::TDesktopOverride> desktop_;
    TProgramWindows windows_;
    std::vector<std::unique_ptr<gui::TForm>> dialogs_;
};

TEST_F(UiForms, EveryFormRepaintsAfterAltWithAndWithoutVisualStyles) {
    const std::string page =
        "<h1>Serplow 2.6</h1><p>Read <a href=\"http://www.tarvenixco.example/news\">the "
        "news</a> or <a href=\"mailto:support@tarvenixco.example\">write to us</a>.</p>";
    for (const bool themed : {true, false}) {
        SCOPED_TRACE(themed ? "visual styles on" : "visual styles off");
        // The main window's fix sees the platform when it is made.
        TWindowFixPlatformOverride platform({true, themed});
        TForm1& main = StartProgram();
        struct Case {
            const char* name;
            std::function<gui::TForm&()> make;
        };
        const Case cases[] = {
            {"main window", [&]() -> gui::TForm& { return main; }},
            {"project properties",
             [&]() -> gui::TForm& {
                 TForm2& dialog = *windows_.ProjectProperties;
                 dialog.PageControl1->SetActivePage(dialog.TabSheet1);
                 dialog.SetKeywords({u"rank tracker", u"seo", u"web tools"});
                 return dialog;
             }},
            {"add URL", [&]() -> gui::TForm& { return *windows_.AddURL; }},
            {"about", [&]() -> gui::TForm& { return *windows_.About; }},
            {"check progress",
             [&]() -> gui::TForm& {
                 TForm6& dialog = *windows_.Progress;
                 dialog.LogLine(u"Checking \"seo\"");
                 return dialog;
             }},
            {"options",
             [&]() -> gui::TForm& {
                 TForm5& dialog = Dialog<TForm5>();
                 FillOptionsDialog(dialog, *core::Options);
                 return dialog;
             }},
            {"key sign-up", [&]() -> gui::TForm& { return Dialog<TForm8>(); }},
            {"news",
             [&]() -> gui::TForm& {
                 TForm9& dialog = Dialog<TForm9>();
                 dialog.htmlView1->LoadFromString(page);
                 return dialog;
             }},
            {"loading",
             [&]() -> gui::TForm& {
                 TForm10& dialog = Dialog<TForm10>();
                 dialog.SetProgress(3, 10);
                 return dialog;
             }},
            {"first run", [&]() -> gui::TForm& { return Dialog<TForm11>(); }},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            gui::TForm& form = c.make();
            SetThemedEverywhere(form, themed);
            form.Show();
            // On top of the program's other windows, whichever has the foreground.
            SetWindowPos(form.Handle(), HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            HideCues(form);
            // A blinking caret would change the pictures between two looks.
            HideCaret(nullptr);
            RepaintAll(form.Handle());
            const std::unique_ptr<gui::TBitmap> before = ScreenPixels(form.Handle());
            SavePicture(*before, std::string(c.name) + (themed ? " (styled)" : " (classic)"));
            EXPECT_EQ(BlankControls(form, *before), std::vector<std::string>{});

            PressAndReleaseAlt(form);
            EXPECT_EQ(HiddenWindows(form), std::vector<std::string>{});
            const std::unique_ptr<gui::TBitmap> cued = ScreenPixels(form.Handle());
            EXPECT_EQ(BlankControls(form, *cued), std::vector<std::string>{});
            RepaintAll(form.Handle());
            const std::unique_ptr<gui::TBitmap> fresh = ScreenPixels(form.Handle());
            EXPECT_EQ(Differences(form, *cued, *fresh), "") << "with the cues shown";

            HideCues(form);
            const std::unique_ptr<gui::TBitmap> after = ScreenPixels(form.Handle());
            EXPECT_EQ(Differences(form, *after, *before), "") << "with the cues hidden again";
            if (&form != &main) form.Hide();
            Settle();
        }
        dialogs_.clear();
        testing::FreeProgram(windows_);
    }
}

// Pixels of the text colour inside the control's visible area.
int InkPixels(gui::TControl& control, HWND form, const gui::TBitmap& pixels, uint32_t ink) {
    const gui::TRect area = VisibleArea(control, form);
    int count = 0;
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (gt::PixelAt(pixels, x, y) == ink) ++count;
    return count;
}

// The news window's picture, taken as the screenshot takes it when the
// window has just opened, shows the page's text and its links. Taking the
// picture repaints the window, and the screen has shown the text erased
// and not yet drawn again in some of the pictures: the window opens
// several times.
TEST_F(UiForms, NewsWindowShowsItsTextOnTheScreen) {
    for (int opened = 0; opened < 20; ++opened) {
        SCOPED_TRACE("opened " + std::to_string(opened + 1) + " times");
        TForm9& news = Dialog<TForm9>();
        news.htmlView1->LoadFromString(
            "<h1>Serplow 2.6</h1><p>Version 2.6 is out: <a "
            "href=\"http://www.tarvenixco.example/download\">download it</a>.</p>");
        news.Show();
        news.htmlView1->TextView()->SetFocus();
        gt::Pump();
        const std::unique_ptr<gui::TBitmap> shown = gt::CaptureWindow(news.Handle());
        // A line of text is some hundreds of pixels.
        EXPECT_GT(InkPixels(*news.htmlView1->TextView(), news.Handle(), *shown, 0x000000), 100);
        EXPECT_GT(InkPixels(*news.htmlView1->LinkList(), news.Handle(), *shown, 0x0000FF), 50);
        dialogs_.clear();
        gt::Pump();
    }
}

}  // namespace
}  // namespace ui
