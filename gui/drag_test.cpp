// Drag and drop between controls under Wine, driven by the mouse and key
// messages a user's drag makes: press, move past the threshold, over
// targets, release; Escape and lost capture cancel.

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "gui/application.h"
#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/imagelist.h"
#include "gui/screen.h"
#include "gui/testing.h"

namespace gui {
namespace {

using testing::TEventLog;

const char* StateName(TDragState state) {
    switch (state) {
        case dsDragEnter:
            return "enter";
        case dsDragLeave:
            return "leave";
        case dsDragMove:
            return "move";
    }
    return "?";
}

// A panel that shows drag images dragged over it, and can have its own.
class TImagePanel : public TPanel {
  public:
    explicit TImagePanel(TComponent* owner) : TPanel(owner) {
        TControlStyle style = ControlStyle();
        style.Include(csDisplayDragImage);
        SetControlStyle(style);
    }
    TCustomImageList* DragImages = nullptr;
    TCustomImageList* GetDragImages() override { return DragImages; }
};

// A drag object of the test's own: its cursor tells Ctrl held from not.
class TCopyDragObject : public TDragObject {
  public:
    explicit TCopyDragObject(bool* freed) : freed_(freed) {}
    ~TCopyDragObject() override {
        if (freed_ != nullptr) *freed_ = true;
    }
    TCursor GetDragCursor(bool accepted, int x, int y) override {
        if (accepted && GetKeyState(VK_CONTROL) < 0) return crHandPoint;
        return TDragObject::GetDragCursor(accepted, x, y);
    }
    void Finished(TObject* target, int, int, bool accepted) override {
        FinishedOn = target;
        FinishedAccepted = accepted;
        ++FinishedCount;
    }
    TObject* FinishedOn = nullptr;
    bool FinishedAccepted = false;
    int FinishedCount = 0;

  private:
    bool* freed_;
};

class GuiDrag : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testing::EnsureGui(); }

    void SetUp() override {
        form_ = std::make_unique<TForm>(nullptr);
        form_->SetBounds(40, 40, 520, 320);
        source_ = AddPanel("Source", {10, 10, 110, 110});
        accepter_ = AddPanel("Accepter", {150, 10, 250, 110});
        refuser_ = AddPanel("Refuser", {150, 150, 250, 250});
        // A windowless target: its parent's window gets its mouse messages.
        image_ = new TImage(form_.get());
        image_->SetParent(form_.get());
        image_->SetBounds(300, 10, 100, 100);
        names_[image_] = "Image";
        source_->SetDragMode(dmAutomatic);
        source_->SetDragCursor(crHandPoint);
        source_->OnClick = [this](TObject*) { log_.Add("click"); };
        source_->OnStartDrag = [this](TObject* sender, TDragObject*&) {
            log_.Add("start " + NameOf(sender));
        };
        source_->OnEndDrag = [this](TObject* sender, TObject* target, int x, int y) {
            log_.Add("end " + NameOf(sender) + " on " + NameOf(target) + " " + std::to_string(x) +
                     "," + std::to_string(y));
        };
        for (TControl* target : std::initializer_list<TControl*>{accepter_, refuser_, image_}) {
            const bool accepts = target != refuser_;
            target->OnDragOver = [this, accepts](TObject* sender, TObject* source, int x, int y,
                                                 TDragState state, bool& accept) {
                log_.Add(NameOf(sender) + " " + StateName(state) + " " + NameOf(source) + " " +
                         std::to_string(x) + "," + std::to_string(y));
                accept = accepts;
            };
            target->OnDragDrop = [this](TObject* sender, TObject* source, int x, int y) {
                log_.Add(NameOf(sender) + " drop " + NameOf(source) + " " + std::to_string(x) +
                         "," + std::to_string(y));
            };
        }
        form_->Show();
        // The real pointer rests away from the form, its button up: the
        // moves the system makes of its own do not cross the posted ones.
        SetCursorPos(kRest.X, kRest.Y);
        testing::Pump();
    }
    static constexpr TPoint kRest{1270, 1010};

    void TearDown() override {
        CancelDrag();
        form_.reset();
        testing::Pump();
    }

    TImagePanel* AddPanel(const std::string& name, TRect bounds) {
        auto* panel = new TImagePanel(form_.get());
        panel->SetParent(form_.get());
        panel->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
        names_[panel] = name;
        return panel;
    }

    std::string NameOf(TObject* object) const {
        if (object == nullptr) return "nothing";
        auto it = names_.find(object);
        return it != names_.end() ? it->second : "object";
    }

    // A mouse message at a client point of `control`, posted to the window
    // under it as the user's input arrives, then handled.
    static void Mouse(TControl& control, UINT message, TPoint at, WPARAM keys = MK_LBUTTON) {
        HWND window;
        if (auto* win = dynamic_cast<TWinControl*>(&control)) {
            window = win->Handle();
        } else {
            window = control.Parent()->Handle();
            at = {at.X + control.Left(), at.Y + control.Top()};
        }
        PostMessageW(window, message, keys, PointToLParam(at));
        testing::Pump();
    }
    static void Press(TControl& c, TPoint at) { Mouse(c, WM_LBUTTONDOWN, at); }
    static void Move(TControl& c, TPoint at) { Mouse(c, WM_MOUSEMOVE, at); }
    static void Release(TControl& c, TPoint at) { Mouse(c, WM_LBUTTONUP, at, 0); }

    // A key going down (or up) on the form, with the keyboard state to match.
    void Key(uint16_t key, bool down) {
        BYTE state[256];
        GetKeyboardState(state);
        state[key] = down ? 0x80 : 0;
        SetKeyboardState(state);
        PostMessageW(form_->Handle(), down ? WM_KEYDOWN : WM_KEYUP, key,
                     down ? 1 : static_cast<LPARAM>(0xC0000001));
        testing::Pump();
    }

    // The log with the repeats of an entry in a row folded: the system may
    // add moves of its own to the posted ones.
    std::vector<std::string> Log() const {
        std::vector<std::string> folded;
        for (const std::string& entry : log_.Entries)
            if (folded.empty() || folded.back() != entry) folded.push_back(entry);
        return folded;
    }

    bool Running() const { return CurrentDragObject() != nullptr; }
    static HCURSOR CursorOf(TCursor cursor) { return Screen->Cursors(cursor); }

    std::unique_ptr<TForm> form_;
    TImagePanel* source_ = nullptr;
    TImagePanel* accepter_ = nullptr;
    TImagePanel* refuser_ = nullptr;
    TImage* image_ = nullptr;
    std::map<TObject*, std::string> names_;
    TEventLog log_;
};

TEST_F(GuiDrag, APressBecomesADragOnlyPastTheThreshold) {
    struct Case {
        TPoint moveBy;
        bool drags;
    };
    const Case cases[] = {
        {{0, 0}, false}, {{4, 0}, false}, {{-4, 4}, false},
        {{5, 0}, true},  {{0, -5}, true}, {{12, 30}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.moveBy.X) + "," + std::to_string(c.moveBy.Y));
        log_.Entries.clear();
        const TPoint from{50, 50};
        const TPoint to{from.X + c.moveBy.X, from.Y + c.moveBy.Y};
        Press(*source_, from);
        EXPECT_TRUE(source_->Dragging()) << "pending from the press";
        EXPECT_FALSE(Running());
        Move(*source_, to);
        EXPECT_EQ(Running(), c.drags);
        Release(*source_, to);
        EXPECT_FALSE(source_->Dragging());
        if (c.drags) {
            // Released over the source itself, which takes no drops.
            EXPECT_EQ(Log(),
                      (std::vector<std::string>{"start Source", "end Source on nothing 0,0"}));
        } else {
            EXPECT_EQ(Log(), std::vector<std::string>{"click"}) << "a press that stays is a click";
        }
        EXPECT_NE(GetCapture(), Application->Handle());
    }
}

TEST_F(GuiDrag, AcceptingTargetsTakeTheDropAndTheCursorShowsTheAnswer) {
    Press(*source_, {50, 50});
    Move(*source_, {60, 50});
    ASSERT_TRUE(Running());
    EXPECT_EQ(GetCapture(), Application->Handle()) << "the drag has the mouse";
    EXPECT_EQ(GetCursor(), CursorOf(crNoDrop)) << "over the source, which refuses";

    Move(*accepter_, {20, 30});
    EXPECT_EQ(GetCursor(), CursorOf(crHandPoint)) << "the source's DragCursor over an acceptor";
    EXPECT_EQ(CurrentDragObject()->DragTarget(), accepter_);
    EXPECT_EQ(CurrentDragObject()->DragTargetPos(), (TPoint{20, 30}));
    Move(*accepter_, {25, 35});
    Move(*refuser_, {5, 5});
    EXPECT_EQ(GetCursor(), CursorOf(crNoDrop));
    Move(*image_, {40, 40});
    EXPECT_EQ(GetCursor(), CursorOf(crHandPoint)) << "a windowless control is a target too";
    Release(*image_, {41, 42});

    EXPECT_FALSE(Running());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "start Source",
                         "Accepter enter Source 20,30",
                         "Accepter move Source 25,35",
                         // Told where the pointer went, in its own coordinates.
                         "Accepter leave Source 5,145",
                         "Refuser enter Source 5,5",
                         "Refuser leave Source 190,-100",
                         "Image enter Source 40,40",
                         "Image move Source 41,42",
                         "Image drop Source 41,42",
                         "end Source on Image 41,42",
                     }));
}

TEST_F(GuiDrag, ADragEndsWithoutADropWhenRefusedOrCancelled) {
    struct Case {
        const char* how;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"released over a refusing target",
         [this] {
             Release(*refuser_, {30, 30});
         }},
        {"Escape",
         [this] {
             Key(VK_ESCAPE, true);
             Key(VK_ESCAPE, false);
         }},
        {"another window takes the capture",
         [this] {
             SetCapture(accepter_->Handle());
             testing::Pump();
             ReleaseCapture();
         }},
        {"CancelDrag", [] { CancelDrag(); }},
        {"EndDrag without a drop", [this] { source_->EndDrag(false); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        log_.Entries.clear();
        Press(*source_, {50, 50});
        Move(*source_, {60, 60});
        Move(*refuser_, {30, 30});
        ASSERT_TRUE(Running());
        c.end();
        testing::Pump();
        EXPECT_FALSE(Running());
        EXPECT_FALSE(source_->Dragging());
        EXPECT_NE(GetCapture(), Application->Handle());
        EXPECT_EQ(Log(), (std::vector<std::string>{"start Source", "Refuser enter Source 30,30",
                                                   "end Source on nothing 0,0"}));
        // The release after a cancel is nobody's click.
        Release(*source_, {60, 60});
        EXPECT_FALSE(log_.Contains("click"));
    }
    // EndDrag with a drop over an acceptor drops there.
    log_.Entries.clear();
    Press(*source_, {50, 50});
    Move(*accepter_, {10, 10});
    source_->EndDrag(true);
    EXPECT_EQ(Log(), (std::vector<std::string>{"start Source", "Accepter enter Source 10,10",
                                               "Accepter drop Source 10,10",
                                               "end Source on Accepter 10,10"}));
}

TEST_F(GuiDrag, ASuppliedDragObjectChoosesTheCursorAndIsFreedWhenAutoFree) {
    for (bool autoFree : {true, false}) {
        SCOPED_TRACE(autoFree ? "auto-free" : "kept by its supplier");
        log_.Entries.clear();
        bool freed = false;
        TCopyDragObject* object = nullptr;
        source_->OnStartDrag = [&](TObject*, TDragObject*& dragObject) {
            object = new TCopyDragObject(&freed);
            object->SetAutoFree(autoFree);
            names_[object] = "Copy";
            dragObject = object;
        };
        source_->SetDragMode(dmManual);
        source_->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
            source_->BeginDrag(true);
        };
        Press(*source_, {50, 50});
        ASSERT_TRUE(Running()) << "an immediate drag runs from the press";
        EXPECT_EQ(CurrentDragObject(), object);
        Move(*accepter_, {10, 10});
        EXPECT_EQ(GetCursor(), CursorOf(crDrag));
        Key(VK_CONTROL, true);
        EXPECT_EQ(GetCursor(), CursorOf(crHandPoint)) << "Ctrl asks the target again";
        Key('A', true);  // other keys go nowhere during a drag
        Key(VK_CONTROL, false);
        EXPECT_EQ(GetCursor(), CursorOf(crDrag));
        Release(*accepter_, {12, 14});
        EXPECT_EQ(Log(), (std::vector<std::string>{
                             "Accepter enter Copy 10,10", "Accepter move Copy 10,10",
                             "Accepter move Copy 12,14", "Accepter drop Copy 12,14"}))
            << "the object is the Source; its own end step replaces OnEndDrag";
        EXPECT_EQ(freed, autoFree);
        if (!autoFree) {
            EXPECT_EQ(object->FinishedOn, accepter_);
            EXPECT_TRUE(object->FinishedAccepted);
            EXPECT_TRUE(object->Dropped());
            delete object;
        }
        names_.erase(object);
    }
}

TEST_F(GuiDrag, ControlsFreedDuringADragAreForgotten) {
    // The target goes while the pointer is over it: the drag goes on.
    Press(*source_, {50, 50});
    Move(*accepter_, {10, 10});
    delete accepter_;
    accepter_ = nullptr;
    EXPECT_EQ(CurrentDragObject()->DragTarget(), nullptr);
    Move(*refuser_, {10, 10});
    Release(*refuser_, {10, 10});
    EXPECT_TRUE(log_.Contains("end Source on nothing 0,0"));

    // The source freed by the target's drop: nothing calls into it after.
    log_.Entries.clear();
    refuser_->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& accept) {
        accept = true;
    };
    refuser_->OnDragDrop = [this](TObject*, TObject* source, int, int) {
        log_.Add("drop " + NameOf(source));
        delete source_;
        source_ = nullptr;
    };
    Press(*source_, {50, 50});
    Move(*refuser_, {10, 10});
    Release(*refuser_, {10, 10});
    EXPECT_EQ(Log(), (std::vector<std::string>{"start Source", "drop Source"}));
    EXPECT_FALSE(Running());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(GuiDrag, ASourceFreedMidDragCancelsIt) {
    refuser_->OnDragOver = [this](TObject*, TObject*, int, int, TDragState state, bool&) {
        log_.Add(std::string("over ") + StateName(state));
        if (state == dsDragMove) {
            delete source_;
            source_ = nullptr;
        }
    };
    refuser_->OnDragDrop = [this](TObject*, TObject*, int, int) { log_.Add("drop"); };
    Press(*source_, {50, 50});
    Move(*refuser_, {10, 10});
    Move(*refuser_, {20, 20});
    EXPECT_FALSE(Running());
    EXPECT_EQ(GetCapture(), nullptr);
    Release(*refuser_, {20, 20});
    EXPECT_EQ(Log(), (std::vector<std::string>{"start Source", "over enter", "over move"}));
}

TEST_F(GuiDrag, AnErrorInADragHandlerIsReportedAndCancelsTheDrag) {
    std::string reported;
    auto saved = Application->OnException;
    Application->OnException = [&](TObject*, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            reported = e.what();
        }
    };
    accepter_->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool&) {
        throw std::runtime_error("no room there");
    };
    Press(*source_, {50, 50});
    Move(*source_, {60, 60});
    Move(*accepter_, {10, 10});
    Application->OnException = saved;
    EXPECT_EQ(reported, "no room there");
    EXPECT_FALSE(Running());
    EXPECT_EQ(GetCapture(), nullptr);
    // The next drag runs as usual.
    log_.Entries.clear();
    Press(*source_, {50, 50});
    Move(*refuser_, {10, 10});
    Release(*refuser_, {10, 10});
    EXPECT_TRUE(log_.Contains("end Source on nothing 0,0")) << log_.Joined();
}

TEST_F(GuiDrag, TheDragImageShowsOnlyOverControlsThatShowDragImages) {
    TImageList images(nullptr);
    TBitmap square(16, 16);
    square.Canvas().Brush().SetColor(clRed);
    square.Canvas().FillRect({0, 0, 16, 16});
    images.Add(square);
    images.SetDragImage(0, 3, 4);
    source_->DragImages = &images;
    TCustomControl* plain = new TPanel(form_.get());  // shows no drag images
    plain->SetParent(form_.get());
    plain->SetBounds(300, 150, 100, 100);

    auto imageShown = [] {
        POINT at{}, hotspot{};
        HIMAGELIST list = ImageList_GetDragImage(&at, &hotspot);
        return list != nullptr && hotspot.x == 3 && hotspot.y == 4;
    };
    Press(*source_, {50, 50});
    Move(*accepter_, {10, 10});
    EXPECT_TRUE(imageShown());
    CurrentDragObject()->HideDragImage();
    CurrentDragObject()->ShowDragImage();
    Move(*plain, {10, 10});
    Release(*plain, {10, 10});
    EXPECT_FALSE(imageShown()) << "gone with the drag";
    source_->DragImages = nullptr;
}

}  // namespace
}  // namespace gui
