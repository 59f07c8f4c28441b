// The standard and common controls, actions, menus, popup menus, hints and
// timers under Wine, on a form made from testdata/controls_form.layout.

#include <gtest/gtest.h>

#include <thread>

#include "gui/actions.h"
#include "gui/application.h"
#include "gui/comctrls.h"
#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/hints.h"
#include "gui/menus.h"
#include "gui/stdctrls.h"
#include "gui/testing.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"
#include "runtime/threads.h"

namespace gui {
namespace {

using testing::TEventLog;

class TControlsForm : public TForm {
    RUNTIME_CLASS(TControlsForm)

  public:
    explicit TControlsForm(TComponent* owner) : TForm(owner) {
        Bind(ToolBar, "ToolBar");
        Bind(SaveButton, "SaveButton");
        Bind(BoldButton, "BoldButton");
        Bind(Status, "Status");
        Bind(StatusLink, "StatusLink");
        Bind(LeftPanel, "LeftPanel");
        Bind(Tree, "Tree");
        Bind(Path, "Path");
        Bind(Depth, "Depth");
        Bind(DepthUpDown, "DepthUpDown");
        Bind(Splitter, "Splitter");
        Bind(Pages, "Pages");
        Bind(ResultsPage, "ResultsPage");
        Bind(VirtualPage, "VirtualPage");
        Bind(MiscPage, "MiscPage");
        Bind(Results, "Results");
        Bind(Virtual, "Virtual");
        Bind(Progress, "Progress");
        Bind(Picture, "Picture");
        Bind(Box, "Box");
        Bind(Far, "Far");
        Bind(Hidden, "Hidden");
        Bind(HiddenA, "HiddenA");
        Bind(HiddenB, "HiddenB");
        Bind(Ticker, "Ticker");
        Bind(SaveAction, "SaveAction");
        Bind(DeleteAction, "DeleteAction");
        Bind(MainMenu, "MainMenu");
        Bind(SaveItem, "SaveItem");
        Bind(DeleteItem, "DeleteItem");
        Bind(ExitItem, "ExitItem");
        Bind(TreeMenu, "TreeMenu");
        Bind(RemoveItem, "RemoveItem");
        Bind(Images, "Images");
        Bind(DeleteButton, "DeleteButton");
        Bind(Slider, "Slider");
    }

    TToolBar* ToolBar = nullptr;
    TToolButton* SaveButton = nullptr;
    TToolButton* BoldButton = nullptr;
    TStatusBar* Status = nullptr;
    TLinkLabel* StatusLink = nullptr;
    TPanel* LeftPanel = nullptr;
    TTreeView* Tree = nullptr;
    TLabeledEdit* Path = nullptr;
    TEdit* Depth = nullptr;
    TUpDown* DepthUpDown = nullptr;
    TSplitter* Splitter = nullptr;
    TPageControl* Pages = nullptr;
    TTabSheet* ResultsPage = nullptr;
    TTabSheet* VirtualPage = nullptr;
    TTabSheet* MiscPage = nullptr;
    TListView* Results = nullptr;
    TListView* Virtual = nullptr;
    TProgressBar* Progress = nullptr;
    TImage* Picture = nullptr;
    TScrollBox* Box = nullptr;
    TButton* Far = nullptr;
    TPageControl* Hidden = nullptr;
    TTabSheet* HiddenA = nullptr;
    TTabSheet* HiddenB = nullptr;
    TTimer* Ticker = nullptr;
    TAction* SaveAction = nullptr;
    TAction* DeleteAction = nullptr;
    TMainMenu* MainMenu = nullptr;
    TMenuItem* SaveItem = nullptr;
    TMenuItem* DeleteItem = nullptr;
    TMenuItem* ExitItem = nullptr;
    TPopupMenu* TreeMenu = nullptr;
    TMenuItem* RemoveItem = nullptr;
    TImageList* Images = nullptr;
    TButton* DeleteButton = nullptr;
    TScrollBar* Slider = nullptr;

    TEventLog Log;
    bool AbortPopup = false;
    int Ticks = 0;
    int DataRequests = 0;
    bool HaveSelection = false;

    void BoldButtonClick(TObject*) {
        Log.Add(std::string("bold ") + (BoldButton->Down() ? "down" : "up"));
    }
    void StatusLinkClick(TObject*) { Log.Add("status link"); }
    void TreeChange(TObject*, TTreeNode* node) {
        Log.Add("tree " + (node != nullptr ? node->Text() : "-"));
    }
    void PagesChange(TObject*) { Log.Add("page " + Pages->ActivePage()->Text()); }
    void ResultsChange(TObject*, TListItem* item, TItemChange change) {
        if (change == ctState)
            Log.Add("check " + item->Caption() + (item->Checked() ? " on" : " off"));
    }
    void VirtualData(TObject*, TListItem* item) {
        ++DataRequests;
        const auto row = reinterpret_cast<intptr_t>(item->Data());
        item->SetCaption("row " + std::to_string(row));
    }
    void TickerTimer(TObject*) { ++Ticks; }
    void ActionsUpdate(TObject*, bool&) {}
    void SaveActionExecute(TObject*) { Log.Add("save"); }
    void DeleteActionExecute(TObject*) { Log.Add("delete"); }
    void DeleteActionUpdate(TObject*) { DeleteAction->SetEnabled(HaveSelection); }
    void TreeMenuPopup(TObject*) {
        Log.Add("popup");
        if (AbortPopup) throw runtime::EAbort("no menu now");
    }
    void CopyItemClick(TObject*) { Log.Add("copy"); }
};

RUNTIME_BEGIN_CLASS(TControlsForm, TForm)
RUNTIME_HANDLER(BoldButtonClick);
RUNTIME_HANDLER(StatusLinkClick);
RUNTIME_HANDLER(TreeChange);
RUNTIME_HANDLER(PagesChange);
RUNTIME_HANDLER(ResultsChange);
RUNTIME_HANDLER(VirtualData);
RUNTIME_HANDLER(TickerTimer);
RUNTIME_HANDLER(ActionsUpdate);
RUNTIME_HANDLER(SaveActionExecute);
RUNTIME_HANDLER(DeleteActionExecute);
RUNTIME_HANDLER(DeleteActionUpdate);
RUNTIME_HANDLER(TreeMenuPopup);
RUNTIME_HANDLER(CopyItemClick);
RUNTIME_END_CLASS

class GuiControls : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testing::EnsureGui(); }

    void SetUp() override {
        form_ = &NewForm<TControlsForm>(*Application);
        // Two 16 x 16 images: red, then blue.
        for (TColor colour : {clRed, clBlue}) {
            TBitmap image(16, 16);
            image.Canvas().Brush().SetColor(colour);
            image.Canvas().FillRect({0, 0, 16, 16});
            form_->Images->Add(image);
        }
    }
    void TearDown() override {
        delete form_;
        testing::Pump();
    }
    void ShowForm() {
        form_->Show();
        testing::Pump();
    }

    TControlsForm* form_ = nullptr;
};

std::u16string MenuText(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return reinterpret_cast<const char16_t*>(text);
}

void QueueFromWorker(std::function<void()> work) {
    std::thread([work = std::move(work)] { runtime::Queue(work); }).detach();
}

// ---- the layout --------------------------------------------------------------------------

TEST_F(GuiControls, EveryControlComesFromTheLayout) {
    TControlsForm& f = *form_;
    EXPECT_EQ(f.ToolBar->ButtonCount(), 3);
    EXPECT_EQ(f.SaveButton->Caption(), "&Save") << "from its action";
    EXPECT_EQ(f.SaveButton->ImageIndex(), 0);
    EXPECT_EQ(f.Status->Panels()->Count(), 3);
    EXPECT_EQ(f.Status->Panels()->Items(1)->Text(), "Keywords: 3");
    EXPECT_EQ(f.StatusLink->Parent(), f.Status);
    EXPECT_EQ(f.Splitter->ResizeControl(), f.LeftPanel);
    EXPECT_EQ(f.Pages->ActivePage(), f.ResultsPage);
    EXPECT_EQ(f.Pages->PageCount(), 3);
    EXPECT_EQ(f.Results->Columns()->Count(), 2);
    EXPECT_TRUE(f.Virtual->OwnerData());
    EXPECT_FALSE(f.HiddenA->TabVisible());
    EXPECT_EQ(f.Hidden->ActivePage(), f.HiddenA)
        << "the first page shows when the layout names none";
    EXPECT_FALSE(f.Ticker->Enabled());
    EXPECT_EQ(f.Path->EditLabel()->Text(), "Site URL");
    EXPECT_EQ(f.Depth->Text(), "30");
    EXPECT_EQ(f.DepthUpDown->Associate(), f.Depth);
    EXPECT_EQ(f.SaveItem->Caption(), "&Save");
    EXPECT_EQ(f.SaveItem->ShortCut(), scCtrl | 'S');
    EXPECT_EQ(f.DeleteItem->Caption(), "Delete keyword")
        << "the item's own caption wins over its action's";
    EXPECT_EQ(runtime::GetPropValue(*f.Status, "Align").AsInteger(), alBottom);

    ShowForm();
    // The windows show what the properties say.
    EXPECT_EQ(SendMessageW(f.ToolBar->Handle(), TB_BUTTONCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(f.Pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(f.Hidden->Handle(), TCM_GETITEMCOUNT, 0, 0), 0) << "hidden tabs";
    EXPECT_TRUE(f.HiddenA->Visible());
    EXPECT_FALSE(f.HiddenB->Visible());
    wchar_t panel[64] = {};
    SendMessageW(f.Status->Handle(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(panel));
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(panel)), u"Keywords: 3");
    HMENU bar = GetMenu(f.Handle());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(MenuText(bar, 0), u"&File");
    EXPECT_EQ(MenuText(GetSubMenu(bar, 0), 0), u"&Save\tCtrl+S");
    // The labelled edit's label sits above it; the status bar at the bottom.
    EXPECT_EQ(f.Path->EditLabel()->Top() + f.Path->EditLabel()->Height() + 3, f.Path->Top());
    EXPECT_EQ(f.Status->Top() + f.Status->Height(), f.ClientHeight());
    EXPECT_EQ(f.Pages->Left(), f.Splitter->Left() + f.Splitter->Width());

    f.Pages->SetActivePage(f.MiscPage);
    testing::Pump();
    testing::SavePng(*testing::CaptureWindow(f.Handle()),
                     runtime::AnsiToWide(SERPLOW_BINARY_DIR "/controls_form.png"));
}

// ---- input on the common controls ---------------------------------------------------------

TEST_F(GuiControls, TabsTreeListAndToolBarAnswerTheMouseAndKeys) {
    TControlsForm& f = *form_;
    ShowForm();

    // A click on the second tab shows its page.
    RECT tab;
    SendMessageW(f.Pages->Handle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
    testing::Click(*f.Pages, TPoint{(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
    EXPECT_EQ(f.Pages->ActivePage(), f.VirtualPage);
    EXPECT_TRUE(f.Log.Contains("page Virtual"));

    // The virtual list asks for the rows it shows, not for all of them.
    f.Virtual->Items().SetCount(100000);
    testing::Pump();
    EXPECT_GT(f.DataRequests, 0);
    EXPECT_LT(f.DataRequests, 1000);
    EXPECT_EQ(f.Virtual->Items().Item(4242)->Caption(), "row 4242");

    // Check boxes of the report list: Space on the focused row toggles it.
    f.Pages->SetActivePage(f.ResultsPage);
    for (const char* link : {"a.example", "b.example", "c.example"}) {
        TListItem* item = f.Results->Items().Add();
        item->SetCaption(link);
        item->SubItems()->Add(std::string("http://") + link);
    }
    testing::Pump();
    f.Results->SetFocus();
    TListItem* second = f.Results->Items().Item(1);
    second->SetSelected(true);
    second->SetFocused(true);
    f.Log.Entries.clear();
    testing::PressKey(VK_SPACE);
    EXPECT_TRUE(second->Checked());
    EXPECT_EQ(f.Log.Joined(), "check b.example on");
    EXPECT_EQ(f.Results->Selected(), second);

    // The tree: a click on a node selects it.
    TTreeNode* sites = f.Tree->Items().AddChild(nullptr, "sites");
    TTreeNode* site = f.Tree->Items().AddChild(sites, "example.com");
    sites->SetExpanded(true);
    testing::Pump();
    RECT node{};
    *reinterpret_cast<HTREEITEM*>(&node) = site->ItemId();
    ASSERT_TRUE(
        SendMessageW(f.Tree->Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&node)));
    testing::Click(*f.Tree, TPoint{(node.left + node.right) / 2, (node.top + node.bottom) / 2});
    EXPECT_EQ(f.Tree->Selected(), site);
    EXPECT_TRUE(f.Log.Contains("tree example.com"));
    EXPECT_EQ(f.Tree->Items().Count(), 2);

    // The tool bar: a check button and a button running its action.
    f.Log.Entries.clear();
    const TRect bold = f.ToolBar->ButtonRect(f.BoldButton);
    testing::Click(*f.ToolBar, TPoint{(bold.Left + bold.Right) / 2, (bold.Top + bold.Bottom) / 2});
    const TRect save = f.ToolBar->ButtonRect(f.SaveButton);
    testing::Click(*f.ToolBar, TPoint{(save.Left + save.Right) / 2, (save.Top + save.Bottom) / 2});
    EXPECT_EQ(f.Log.Joined(), "bold down; save");

    // The link label on the status bar.
    testing::Click(*f.StatusLink);
    EXPECT_TRUE(f.Log.Contains("status link"));
}

TEST_F(GuiControls, SplitterUpDownProgressScrollBoxAndTimer) {
    TControlsForm& f = *form_;
    ShowForm();

    // Dragging the splitter resizes the panel, never below MinSize.
    const int width = f.LeftPanel->Width();
    HWND window = f.Handle();
    auto drag = [&](int dx) {
        const TPoint start{f.Splitter->Left() + 1, f.Splitter->Top() + 50};
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(start));
        const TPoint end{start.X + dx, start.Y};
        SetCursorPos(f.ClientToScreen(end).X, f.ClientToScreen(end).Y);
        PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(end));
        PostMessageW(window, WM_LBUTTONUP, 0, PointToLParam(end));
        testing::Pump();
    };
    drag(50);
    EXPECT_EQ(f.LeftPanel->Width(), width + 50);
    EXPECT_EQ(f.Pages->Left(), f.LeftPanel->Width() + f.Splitter->Width());
    drag(-1000);
    EXPECT_EQ(f.LeftPanel->Width(), 100);

    // The up-down's upper arrow steps the associated edit.
    const int h = f.DepthUpDown->Height();
    PostMessageW(f.DepthUpDown->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, h / 4));
    PostMessageW(f.DepthUpDown->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(8, h / 4));
    testing::Pump();
    EXPECT_EQ(f.DepthUpDown->Position(), 40);
    EXPECT_EQ(f.Depth->Text(), "40");

    // The progress bar steps and wraps past its maximum.
    for (int i = 0; i < 3; ++i) f.Progress->StepIt();
    EXPECT_EQ(f.Progress->Position(), 3);
    f.Progress->SetPosition(10);
    f.Progress->StepIt();
    EXPECT_EQ(f.Progress->Position(), 1);

    // The scroll box scrolls its far child into view.
    f.Pages->SetActivePage(f.MiscPage);
    testing::Pump();

    // A click on a scroll bar's arrow moves it by SmallChange.
    int changes = 0;
    f.Slider->OnChange = [&changes](TObject*) { ++changes; };
    const TPoint arrow{f.Slider->Width() - 5, f.Slider->Height() / 2};
    PostMessageW(f.Slider->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(arrow));
    PostMessageW(f.Slider->Handle(), WM_LBUTTONUP, 0, PointToLParam(arrow));
    testing::Pump();
    EXPECT_EQ(f.Slider->Position(), 5);
    EXPECT_EQ(changes, 1);
    f.Slider->SetPosition(100);
    EXPECT_EQ(f.Slider->Position(), 50) << "kept within Max";
    const int farTop = f.Far->Top();
    testing::Wheel(*f.Box, -WHEEL_DELTA);
    EXPECT_GT(f.Box->VertPosition(), 0);
    EXPECT_EQ(f.Far->Top(), farTop - f.Box->VertPosition());
    f.Box->ScrollInView(f.Far);
    EXPECT_LE(f.Far->Top() + f.Far->Height(), f.Box->ClientHeight());
    EXPECT_GE(f.Far->Top(), 0);

    // The timer ticks while enabled, and may be freed in its own handler.
    f.Ticker->SetEnabled(true);
    EXPECT_TRUE(testing::PumpUntil([&] { return f.Ticks >= 3; }));
    f.Ticker->OnTimer = [&f](TObject* sender) {
        ++f.Ticks;
        delete static_cast<TTimer*>(sender);
    };
    const int ticks = f.Ticks;
    EXPECT_TRUE(testing::PumpUntil([&] { return f.FindComponent("Ticker") == nullptr; }));
    EXPECT_EQ(f.Ticks, ticks + 1);

    // The control a splitter sizes goes while it is dragged: the drag ends.
    f.Pages->SetActivePage(f.ResultsPage);
    int moved = 0;
    f.Splitter->OnMoved = [&moved](TObject*) { ++moved; };
    const TPoint start{f.Splitter->Left() + 1, f.Splitter->Top() + 50};
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(start));
    testing::Pump();
    delete f.LeftPanel;
    f.LeftPanel = nullptr;
    f.Tree = nullptr;
    f.Path = nullptr;
    f.Depth = nullptr;
    f.DepthUpDown = nullptr;
    const TPoint end{start.X + 40, start.Y};
    PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(end));
    PostMessageW(window, WM_LBUTTONUP, 0, PointToLParam(end));
    testing::Pump();
    EXPECT_EQ(moved, 0);
    EXPECT_EQ(f.Splitter->ResizeControl(), nullptr);
}

// ---- actions and menus --------------------------------------------------------------------

TEST_F(GuiControls, ActionsDriveMenuItemsAndButtons) {
    TControlsForm& f = *form_;
    ShowForm();
    HMENU file = GetSubMenu(GetMenu(f.Handle()), 0);

    // OnUpdate runs when the program is idle and greys what the action greys.
    f.HaveSelection = false;
    ASSERT_TRUE(testing::PumpUntil([&] { return !f.DeleteAction->Enabled(); }));
    file = GetSubMenu(GetMenu(f.Handle()), 0);
    EXPECT_NE(GetMenuState(file, 1, MF_BYPOSITION) & MF_GRAYED, 0u);
    EXPECT_FALSE(f.RemoveItem->Enabled());
    EXPECT_FALSE(f.DeleteButton->Enabled());
    EXPECT_FALSE(IsWindowEnabled(f.DeleteButton->Handle()));
    f.HaveSelection = true;
    ASSERT_TRUE(testing::PumpUntil([&] { return f.DeleteAction->Enabled(); }));
    file = GetSubMenu(GetMenu(f.Handle()), 0);
    EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION) & MF_GRAYED, 0u);
    EXPECT_TRUE(IsWindowEnabled(f.DeleteButton->Handle()));

    // Caption changes reach the clients that show the action's caption.
    f.SaveAction->SetCaption("Save &all");
    f.DeleteAction->SetCaption("Remove");
    EXPECT_EQ(f.SaveItem->Caption(), "Save &all");
    EXPECT_EQ(f.SaveButton->Caption(), "Save &all");
    EXPECT_EQ(f.RemoveItem->Caption(), "Remove");
    EXPECT_EQ(f.DeleteButton->Text(), "Remove");
    EXPECT_EQ(f.DeleteItem->Caption(), "Delete keyword");
    testing::Pump();
    file = GetSubMenu(GetMenu(f.Handle()), 0);
    EXPECT_EQ(MenuText(file, 0), u"Save &all\tCtrl+S");

    // The shortcut, the menu command and the disabled action.
    f.Log.Entries.clear();
    testing::PressKey('S', {runtime::ssCtrl}, f.Path);
    PostMessageW(f.Handle(), WM_COMMAND, f.DeleteItem->Command(), 0);
    testing::Pump();
    f.Pages->SetActivePage(f.MiscPage);
    testing::Click(*f.DeleteButton);
    f.HaveSelection = false;
    f.DeleteAction->Update();
    PostMessageW(f.Handle(), WM_COMMAND, f.DeleteItem->Command(), 0);
    testing::Pump();
    EXPECT_EQ(f.Log.Joined(), "save; delete; delete")
        << "the menu item and the button ran the action";

    // A highlighted menu item's long hint becomes the program's hint.
    std::string hinted;
    Application->OnHint = [&](TObject*) { hinted = Application->Hint(); };
    SendMessageW(f.Handle(), WM_MENUSELECT, MAKEWPARAM(f.ExitItem->Command(), 0),
                 reinterpret_cast<LPARAM>(file));
    Application->OnHint.Clear();
    EXPECT_EQ(hinted, "Leaves the program");
}

TEST_F(GuiControls, PopupMenuRunsItsItemOrIsCancelledByOnPopup) {
    TControlsForm& f = *form_;
    ShowForm();
    testing::TFakeDesktop desktop;
    TDesktopOverride services(desktop);

    // The menu's own loop drains the main-thread queue: the queued call
    // picks the first item with the keyboard.
    QueueFromWorker([&f] {
        PostMessageW(f.Handle(), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(f.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    });
    testing::ContextClick(*f.Tree);
    EXPECT_EQ(f.Log.Joined(), "popup; copy");

    // OnPopup raising the silent abort: no menu, no message, the loop goes on.
    f.Log.Entries.clear();
    f.AbortPopup = true;
    testing::ContextClick(*f.Tree);
    EXPECT_EQ(f.Log.Joined(), "popup");
    EXPECT_TRUE(desktop.MessageBoxes.empty());
    testing::Click(*f.StatusLink);
    EXPECT_TRUE(f.Log.Contains("status link"));
}

// ---- hints ---------------------------------------------------------------------------------

class TRecordingHintWindow : public THintWindow {
  public:
    explicit TRecordingHintWindow(TComponent* owner) : THintWindow(owner) {}
    TRect MeasureHintRect(int maxWidth, const std::string& hint, void* data) override {
        ++Measured;
        return THintWindow::MeasureHintRect(maxWidth, hint, data);
    }
    static inline int Measured = 0;
};

TEST_F(GuiControls, HintsShowTheShortPartInAReplaceableWindow) {
    TControlsForm& f = *form_;
    ShowForm();
    Application->HintPause = 1;
    Application->HintShortPause = 1;
    Application->HintWindowClass = [](TComponent* owner) {
        return std::make_unique<TRecordingHintWindow>(owner);
    };
    std::string longHint;
    Application->OnHint = [&](TObject*) { longHint = Application->Hint(); };

    f.Depth->SetHint("Depth|How many results to check");
    testing::MouseMove(*f.Depth, {5, 5});
    ASSERT_TRUE(testing::PumpUntil([] {
        return Application->HintWindow() != nullptr && Application->HintWindow()->IsShowing();
    }));
    EXPECT_EQ(Application->HintWindow()->Text(), "Depth");
    EXPECT_EQ(longHint, "How many results to check");
    EXPECT_GT(TRecordingHintWindow::Measured, 0);

    // A tool bar gives each button's hint; a client of an action with a
    // shortcut shows the shortcut too.
    const std::pair<TToolButton*, std::string> buttons[] = {{f.BoldButton, "Bold"},
                                                            {f.SaveButton, "Save (Ctrl+S)"}};
    for (const auto& [button, hint] : buttons) {
        const TRect r = f.ToolBar->ButtonRect(button);
        testing::MouseMove(*f.ToolBar, {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
        const std::string expected = hint;
        EXPECT_TRUE(testing::PumpUntil([&expected] {
            return Application->HintWindow()->IsShowing() &&
                   Application->HintWindow()->Text() == expected;
        })) << Application->HintWindow()->Text();
    }

    // A click puts the hint away (and none comes back at once: the real
    // pointer, still over the tool bar, may move the mouse control there).
    Application->HintPause = 500;
    Application->HintShortPause = 500;
    testing::Click(*f.Depth);
    EXPECT_FALSE(Application->HintWindow()->IsShowing());
    Application->OnHint.Clear();
    Application->HintShortPause = 50;
}

// ---- painting ------------------------------------------------------------------------------

TEST_F(GuiControls, PanelsBevelsAndImagesPaintWhereExpected) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 120, 80);
    panel->SetColor(clLime);
    panel->SetBevelOuter(bvLowered);
    auto* bevel = new TBevel(&form);
    bevel->SetParent(panel);
    bevel->SetBounds(10, 10, 40, 30);
    auto* image = new TImage(&form);
    image->SetParent(panel);
    image->SetBounds(60, 10, 40, 40);
    image->SetStretch(true);
    TBitmap red(4, 4);
    red.Canvas().Brush().SetColor(clRed);
    red.Canvas().FillRect({0, 0, 4, 4});
    image->Picture()->SetGraphic(&red);

    const auto bitmap = testing::PaintControl(*panel);
    auto rgb = [](TColor c) {
        const COLORREF v = ColorToRGB(c);
        return (uint32_t{GetRValue(v)} << 16) | (GetGValue(v) << 8) | GetBValue(v);
    };
    EXPECT_EQ(testing::PixelAt(*bitmap, 0, 0), rgb(clBtnShadow)) << "lowered: dark top left";
    EXPECT_EQ(testing::PixelAt(*bitmap, 119, 79), rgb(clBtnHighlight)) << "light bottom right";
    EXPECT_EQ(testing::PixelAt(*bitmap, 5, 60), 0x00FF00u) << "the panel's colour";
    EXPECT_EQ(testing::PixelAt(*bitmap, 10, 10), rgb(clBtnShadow)) << "the bevel's lowered box";
    EXPECT_EQ(testing::PixelAt(*bitmap, 49, 39), rgb(clBtnHighlight));
    EXPECT_EQ(testing::PixelAt(*bitmap, 80, 30), 0xFF0000u) << "the stretched picture";
}

// A link label sizes itself to the text it paints: small faces paint their
// glyphs past the width the system measures for the text, which cut the
// last letter of the status bar's address.
TEST_F(GuiControls, LinkLabelIsAsWideAsTheTextItPaints) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 600, 120);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 600, 100);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    auto* link = new TLinkLabel(&form);
    link->SetParent(panel);
    link->SetLeft(10);
    link->SetTop(10);
    const std::u16string text = u"www.tarvenixco.example";
    link->SetText(runtime::WideToAnsi(text));
    constexpr uint32_t kWhite = 0xFFFFFF;
    // The rightmost column with ink in rows [top, bottom).
    auto inkRight = [&](const TBitmap& bitmap, int top, int bottom) {
        for (int x = bitmap.Width() - 1; x >= 0; --x)
            for (int y = top; y < bottom; ++y)
                if (testing::PixelAt(bitmap, x, y) != kWhite) return x;
        return -1;
    };
    struct Case {
        const char* face;
        int size;
    };
    for (const Case c : {Case{"MS Sans Serif", 8}, Case{"MS Sans Serif", 10},
                         Case{"MS Sans Serif", 14}, Case{"Tahoma", 8}, Case{"Arial", 12}}) {
        SCOPED_TRACE(std::string(c.face) + " " + std::to_string(c.size));
        link->Font()->SetName(c.face);
        link->Font()->SetSize(c.size);
        // The same text drawn unclipped in the painted font.
        TBitmap whole(600, 100);
        whole.Canvas().Brush().SetColor(clWhite);
        whole.Canvas().FillRect({0, 0, 600, 100});
        whole.Canvas().Brush().SetStyle(bsClear);
        whole.Canvas().Font().Assign(link->Font());
        whole.Canvas().Font().SetColor(clBlue);
        whole.Canvas().Font().SetStyle(whole.Canvas().Font().Style() + TFontStyles{fsUnderline});
        TRect all{0, 0, 600, 100};
        whole.Canvas().DrawText(text, all, DT_LEFT | DT_NOCLIP);
        const int wholeRight = inkRight(whole, 0, 100);
        ASSERT_GT(wholeRight, 0);

        EXPECT_GT(link->Width(), wholeRight) << "measured narrower than painted";
        const auto painted = testing::PaintControl(*panel);
        EXPECT_EQ(inkRight(*painted, link->Top(), link->Top() + link->Height()),
                  link->Left() + wholeRight)
            << "the last letter is cut";
    }
}

TEST_F(GuiControls, ABevelKindFramesTheClientArea) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 100, 80);
    form.Show();
    testing::Pump();
    struct Case {
        TBevelKind kind;
        int width;
    };
    for (const Case c : {Case{bkTile, 2}, Case{bkSoft, 2}, Case{bkFlat, 1}, Case{bkNone, 0}}) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        panel->SetBevelKind(c.kind);
        EXPECT_EQ(panel->ClientRect(), (TRect{0, 0, 100 - 2 * c.width, 80 - 2 * c.width}));
        EXPECT_EQ(panel->Width(), 100) << "the frame is inside the bounds";
        POINT origin{0, 0};
        ClientToScreen(panel->Handle(), &origin);
        RECT window;
        GetWindowRect(panel->Handle(), &window);
        EXPECT_EQ(origin.x - window.left, c.width);
    }
    // A window made anew keeps its frame.
    panel->SetBevelKind(bkFlat);
    panel->RecreateWnd();
    testing::Pump();
    EXPECT_EQ(panel->ClientWidth(), 98);
}

}  // namespace
}  // namespace gui
