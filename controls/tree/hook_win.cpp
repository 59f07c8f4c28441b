#include <algorithm>
#include <memory>
#include <vector>

#include "controls/tree/hook.h"
#include "runtime/properties.h"

namespace controls::tree {

// The interceptor of one control: the hooks attached to it, in attachment
// order, and the WindowProc it replaced. It watches the control's
// destruction itself, so it never outlives the control it names.
class TCtlHook : public std::enable_shared_from_this<TCtlHook> {
  public:
    explicit TCtlHook(gui::TControl* control)
        : control_(control), watcher_(std::make_unique<Watcher>(*this)) {
        control_->FreeNotification(watcher_.get());
    }
    ~TCtlHook() {
        if (control_ != nullptr) control_->RemoveFreeNotification(watcher_.get());
    }
    TCtlHook(const TCtlHook&) = delete;
    TCtlHook& operator=(const TCtlHook&) = delete;

    gui::TControl* Control() const { return control_; }
    bool Holds(const TGtHook* hook) const {
        return std::find(hooks_.begin(), hooks_.end(), hook) != hooks_.end();
    }

    void Add(TGtHook* hook) {
        hooks_.push_back(hook);
        if (!installed_) Install();
    }

    // True when the interceptor can go (its WindowProc was handed back).
    bool Remove(TGtHook* hook) {
        std::erase(hooks_, hook);
        if (!hooks_.empty()) return false;
        if (!installed_) return true;
        // Handed back only when nothing was installed over it since.
        const auto* current = control_->WindowProc().target<Proc>();
        if (current == nullptr || current->hook.get() != this) return false;
        control_->SetWindowProc(saved_);
        installed_ = false;
        return true;
    }

  private:
    // Told when the control is destroyed, past its own destructors:
    // nothing of it may be touched any more.
    class Watcher : public runtime::TComponent {
      public:
        explicit Watcher(TCtlHook& interceptor)
            : runtime::TComponent(nullptr), interceptor_(interceptor) {}
        void Notification(runtime::TComponent* component, runtime::TOperation operation) override {
            runtime::TComponent::Notification(component, operation);
            if (operation == runtime::opRemove && component == interceptor_.control_)
                interceptor_.ControlGone();
        }

      private:
        TCtlHook& interceptor_;
    };

    // The WindowProc installed on the control; it keeps the interceptor
    // alive while a message is being handled.
    struct Proc {
        std::shared_ptr<TCtlHook> hook;
        void operator()(gui::TMessage& msg) const {
            const std::shared_ptr<TCtlHook> keep = hook;
            keep->Process(msg);
        }
    };

    void Install() {
        saved_ = control_->WindowProc();
        control_->SetWindowProc(Proc{shared_from_this()});
        installed_ = true;
    }

    void ControlGone();

    // From the last attached hook to the first, until one handles it; a
    // hook freed or detached by an earlier one is skipped.
    template <class Call>
    bool Notify(const std::vector<TGtHook*>& hooks, gui::TMessage& msg, Call call) {
        bool handled = false;
        for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it)
            if (Holds(*it)) call(**it, msg, handled);
        return handled;
    }

    void Process(gui::TMessage& msg) {
        const std::vector<TGtHook*> hooks = hooks_;
        bool handled = false;
        if (msg.Msg != WM_QUIT)
            handled = Notify(hooks, msg, [](TGtHook& h, gui::TMessage& m, bool& done) {
                h.DoBeforeProcess(m, done);
            });
        // A hook may have freed the control.
        if (!handled && control_ != nullptr) saved_(msg);
        Notify(hooks, msg,
               [](TGtHook& h, gui::TMessage& m, bool& done) { h.DoAfterProcess(m, done); });
    }

    gui::TControl* control_;
    std::unique_ptr<Watcher> watcher_;
    std::vector<TGtHook*> hooks_;
    gui::TWndMethod saved_;
    bool installed_ = false;
};

namespace {

// Every interceptor of the program, one per watched control.
std::vector<std::shared_ptr<TCtlHook>>& Interceptors() {
    static std::vector<std::shared_ptr<TCtlHook>> list;
    return list;
}

std::shared_ptr<TCtlHook> FindInterceptor(const gui::TControl* control) {
    for (const auto& i : Interceptors())
        if (i->Control() == control) return i;
    return nullptr;
}

void Forget(const std::shared_ptr<TCtlHook>& interceptor) {
    std::erase(Interceptors(), interceptor);
}

}  // namespace

void TCtlHook::ControlGone() {
    // Kept until this returns: forgetting it may free it (and the watcher
    // that called).
    const std::shared_ptr<TCtlHook> keep = shared_from_this();
    for (TGtHook* hook : hooks_) hook->attached_ = false;
    hooks_.clear();
    control_ = nullptr;
    Forget(keep);
}

int GtHookInterceptorCount() {
    return static_cast<int>(Interceptors().size());
}

RUNTIME_BEGIN_CLASS(TGtHook, runtime::TComponent)
RUNTIME_PROPERTY(Active, Active, SetActive).Default(false);
RUNTIME_PROPERTY(DesignActive, DesignActive, SetDesignActive).Default(false);
RUNTIME_FIELD(OnBeforeProcess);
RUNTIME_FIELD(OnAfterProcess);
RUNTIME_END_CLASS

TGtHook::TGtHook(runtime::TComponent* owner) : runtime::TComponent(owner) {}

TGtHook::~TGtHook() {
    SetControl(nullptr);
}

bool TGtHook::Designing() const {
    if (ComponentState().Contains(runtime::csDesigning)) return true;
    return Owner() != nullptr && Owner()->ComponentState().Contains(runtime::csDesigning);
}

void TGtHook::SetActive(bool value) {
    if (value == active_) return;
    if (!Designing() || designActive_) {
        if (value)
            Attach();
        else
            Detach();
    }
    active_ = value;
}

void TGtHook::SetDesignActive(bool value) {
    if (value == designActive_) return;
    designActive_ = value;
    if (!Designing()) return;
    if (active_ && value)
        Attach();
    else
        Detach();
}

void TGtHook::SetControl(gui::TControl* value) {
    if (value == control_) return;
    const bool wasActive = active_;
    SetActive(false);
    if (control_ != nullptr) control_->RemoveFreeNotification(this);
    control_ = value;
    if (control_ != nullptr) {
        SetActive(wasActive);
        control_->FreeNotification(this);
    }
}

void TGtHook::Attach() {
    if (control_ == nullptr || attached_) return;
    std::shared_ptr<TCtlHook> interceptor = FindInterceptor(control_);
    if (interceptor == nullptr) {
        interceptor = std::make_shared<TCtlHook>(control_);
        Interceptors().push_back(interceptor);
    }
    interceptor->Add(this);
    attached_ = true;
}

void TGtHook::Detach() {
    if (!attached_) return;
    attached_ = false;
    if (std::shared_ptr<TCtlHook> interceptor = FindInterceptor(control_))
        if (interceptor->Remove(this)) Forget(interceptor);
}

void TGtHook::Notification(runtime::TComponent* component, runtime::TOperation operation) {
    runtime::TComponent::Notification(component, operation);
    if (operation != runtime::opRemove || component == nullptr || component != control_) return;
    // The interceptor has let go of the control already (it watches it too).
    attached_ = false;
    active_ = false;
    control_ = nullptr;
}

void TGtHook::DoBeforeProcess(gui::TMessage& msg, bool& handled) {
    OnBeforeProcess(this, msg, handled);
}

void TGtHook::DoAfterProcess(gui::TMessage& msg, bool& handled) {
    OnAfterProcess(this, msg, handled);
}

}  // namespace controls::tree
