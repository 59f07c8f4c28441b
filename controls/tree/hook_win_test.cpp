// Window-procedure hooks: order, swallowing, detaching, chains and
// controls that go away.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/tree/hook.h"
#include "controls/tree/init.h"
#include "controls/tree/windowtest_win.h"
#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/testing.h"

namespace controls::tree {
namespace {

constexpr UINT kProbe = WM_USER + 77;

class GtHooks : public testing::GtWindowTest {
  protected:
    void SetUp() override {
        panel_ = new gui::TPanel(&form_);
        panel_->SetParent(&form_);
        // The control's own handling, as the log sees it.
        const gui::TWndMethod own = panel_->WindowProc();
        panel_->SetWindowProc([this, own](gui::TMessage& msg) {
            if (msg.Msg == kProbe) log_.push_back("control");
            own(msg);
        });
    }
    // A hook that logs the probe and handles it where asked.
    void Watch(TGtHook& hook, const std::string& name, bool handleBefore = false,
               bool handleAfter = false) {
        hook.OnBeforeProcess = [this, name, handleBefore](runtime::TObject*, gui::TMessage& msg,
                                                          bool& handled) {
            if (msg.Msg != kProbe) return;
            log_.push_back(name + " before");
            handled = handleBefore;
        };
        hook.OnAfterProcess = [this, name, handleAfter](runtime::TObject*, gui::TMessage& msg,
                                                        bool& handled) {
            if (msg.Msg != kProbe) return;
            log_.push_back(name + " after");
            handled = handleAfter;
        };
    }
    std::string Probe() {
        log_.clear();
        panel_->Perform(kProbe);
        std::string out;
        for (const auto& entry : log_) out += entry + "; ";
        return out;
    }

    gui::TForm form_{nullptr};
    gui::TPanel* panel_ = nullptr;
    std::vector<std::string> log_;
};

TEST_F(GtHooks, TheLastAttachedSeesEachMessageFirst) {
    TGtHook a(nullptr), b(nullptr);
    Watch(a, "a");
    Watch(b, "b");
    a.SetControl(panel_);
    a.SetActive(true);
    b.SetControl(panel_);
    b.SetActive(true);
    EXPECT_EQ(GtHookInterceptorCount(), 1) << "one interceptor per control";
    EXPECT_EQ(Probe(), "b before; a before; control; b after; a after; ");

    // Swallowed before processing: the control never sees it, the after
    // pass runs all the same, until a hook handles it.
    Watch(b, "b", true, true);
    EXPECT_EQ(Probe(), "b before; b after; ");
    Watch(b, "b", true, false);
    EXPECT_EQ(Probe(), "b before; b after; a after; ");
}

TEST_F(GtHooks, DetachingHandsTheWindowProcBackAndKeepsLaterChains) {
    TGtHook a(nullptr);
    Watch(a, "a");
    a.SetControl(panel_);
    a.SetActive(true);
    EXPECT_EQ(Probe(), "a before; control; a after; ");
    a.SetActive(false);
    EXPECT_EQ(Probe(), "control; ");
    EXPECT_EQ(GtHookInterceptorCount(), 0);
    a.SetActive(true);
    EXPECT_EQ(Probe(), "a before; control; a after; ");

    // Something installs itself over the hook: detaching the hook must not
    // cut it off.
    const gui::TWndMethod below = panel_->WindowProc();
    panel_->SetWindowProc([this, below](gui::TMessage& msg) {
        if (msg.Msg == kProbe) log_.push_back("outer");
        below(msg);
    });
    a.SetActive(false);
    EXPECT_EQ(Probe(), "outer; control; ");
    a.SetActive(true);
    EXPECT_EQ(Probe(), "outer; a before; control; a after; ");
    a.SetActive(false);
}

TEST_F(GtHooks, ControlsThatGoTakeTheirInterceptorWithThem) {
    TGtHook a(nullptr), b(nullptr);
    Watch(a, "a");
    a.SetControl(panel_);
    a.SetActive(true);
    b.SetControl(panel_);
    b.SetActive(true);
    delete panel_;
    panel_ = nullptr;
    EXPECT_EQ(a.Control(), nullptr);
    EXPECT_EQ(b.Control(), nullptr);
    EXPECT_FALSE(a.Active());
    EXPECT_EQ(GtHookInterceptorCount(), 0);

    // Changing the control keeps the hook's Active setting.
    auto* other = new gui::TPanel(&form_);
    other->SetParent(&form_);
    TGtHook c(nullptr);
    c.SetControl(other);
    c.SetActive(true);
    auto* third = new gui::TPanel(&form_);
    third->SetParent(&form_);
    c.SetControl(third);
    EXPECT_TRUE(c.Active());
    EXPECT_TRUE(c.Attached());
    EXPECT_EQ(GtHookInterceptorCount(), 1) << "the first control's interceptor went";
    c.SetControl(nullptr);
    EXPECT_FALSE(c.Active());
    EXPECT_EQ(GtHookInterceptorCount(), 0);
}

class TDesignedHook : public TGtHook {
  public:
    using TGtHook::TGtHook;

  protected:
    bool Designing() const override { return true; }
};

TEST_F(GtHooks, DesignModeAttachesOnlyWithDesignActive) {
    TDesignedHook hook(nullptr);
    Watch(hook, "h");
    hook.SetControl(panel_);
    hook.SetActive(true);
    EXPECT_TRUE(hook.Active());
    EXPECT_FALSE(hook.Attached());
    EXPECT_EQ(Probe(), "control; ");
    hook.SetDesignActive(true);
    EXPECT_EQ(Probe(), "h before; control; h after; ");
    hook.SetDesignActive(false);
    EXPECT_EQ(Probe(), "control; ");
}

}  // namespace
}  // namespace controls::tree
