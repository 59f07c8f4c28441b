#pragma once

// TGtHook: watches every message of another control before and after the
// control handles it, and may swallow it, without changing the control's
// class. Hooks on one control share one interceptor, which replaces the
// control's WindowProc while any hook is attached and calls the hooks from
// the last attached to the first.
//
// The chain stays whole: a detached interceptor gives the control its old
// WindowProc back only when nothing was installed over it since; otherwise
// it stays in place, passing messages through, so a later handler's chain
// keeps working. An interceptor goes with its control and never touches a
// control being destroyed. Windows only.

#include "controls/tree/eventtypes.h"
#include "gui/controls.h"
#include "runtime/component.h"
#include "runtime/events.h"

namespace controls::tree {

namespace detail {
template <>
struct TGtOpaqueParam<gui::TMessage> {
    static constexpr const char* Name = "TMessage";
};
}  // namespace detail

GT_EVENT_TYPE(TGtHookEvent, "Sender, Msg, Handled", runtime::TObject*, gui::TMessage&, bool&);

class TGtHook : public runtime::TComponent {
    RUNTIME_CLASS(TGtHook)

  public:
    explicit TGtHook(runtime::TComponent* owner);
    ~TGtHook() override;

    bool Active() const { return active_; }
    void SetActive(bool value);
    // Attach also while the hook or its owner is being designed.
    bool DesignActive() const { return designActive_; }
    void SetDesignActive(bool value);
    gui::TControl* Control() const { return control_; }
    void SetControl(gui::TControl* value);

    TGtHookEvent OnBeforeProcess;
    TGtHookEvent OnAfterProcess;

    // Whether the hook sits in its control's interceptor now.
    bool Attached() const { return attached_; }

  protected:
    void Notification(runtime::TComponent* component, runtime::TOperation operation) override;
    virtual void DoBeforeProcess(gui::TMessage& msg, bool& handled);
    virtual void DoAfterProcess(gui::TMessage& msg, bool& handled);
    // The hook or its owner is being designed.
    virtual bool Designing() const;

  private:
    friend class TCtlHook;
    void Attach();
    void Detach();

    bool active_ = false;
    bool designActive_ = false;
    bool attached_ = false;
    gui::TControl* control_ = nullptr;
};

// Interceptors installed now (for tests: they leave with their controls).
int GtHookInterceptorCount();

}  // namespace controls::tree
