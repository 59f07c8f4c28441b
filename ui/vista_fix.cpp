#include "ui/vista_fix.h"

#include <algorithm>

#include "gui/appevents.h"
#include "gui/comctrls.h"
#include "gui/screen.h"
#include "gui/stdctrls.h"
#include "gui/themes.h"
#include "runtime/properties.h"

namespace ui {

namespace {

const TWindowFixPlatform* platformOverride = nullptr;

bool NewerThanXP() {
    // GetVersionEx answers what the program's manifest declares; the
    // kernel's own query answers the truth.
    using RtlGetVersionProc = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto query = ntdll != nullptr ? reinterpret_cast<RtlGetVersionProc>(reinterpret_cast<void*>(
                                        GetProcAddress(ntdll, "RtlGetVersion")))
                                  : nullptr;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    // A failed query counts as not newer.
    if (query == nullptr || query(&info) != 0) return false;
    return info.dwMajorVersion > 5;
}

}  // namespace

TWindowFixPlatform SystemWindowFixPlatform() {
    static const bool newer = NewerThanXP();
    return {newer, gui::TThemeServices::Instance().Active()};
}

TWindowFixPlatform CurrentWindowFixPlatform() {
    return platformOverride != nullptr ? *platformOverride : SystemWindowFixPlatform();
}

TWindowFixPlatformOverride::TWindowFixPlatformOverride(TWindowFixPlatform platform)
    : previous_(platformOverride), platform_(platform) {
    platformOverride = &platform_;
}

TWindowFixPlatformOverride::~TWindowFixPlatformOverride() {
    platformOverride = previous_;
}

// ---- TVistaForm ----------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TVistaForm, gui::TForm)
RUNTIME_END_CLASS

TVistaForm::TVistaForm(runtime::TComponent* owner)
    : TForm(owner), isVista_(CurrentWindowFixPlatform().NewerWindows) {}

void TVistaForm::KeyDown(uint16_t& key, runtime::TShiftState shift) {
    const uint16_t pressed = key;
    TForm::KeyDown(key, shift);
    // Auto-repeat sends more key-downs: the lock is taken once.
    if (isVista_ && pressed == VK_MENU && !altLocked_ && HandleAllocated()) {
        altLocked_ = true;
        BeginRedrawLock();
    }
}

void TVistaForm::KeyUp(uint16_t& key, runtime::TShiftState shift) {
    const uint16_t released = key;
    TForm::KeyUp(key, shift);
    if (released == VK_MENU) ReleaseAltLock();
}

void TVistaForm::Deactivate() {
    // Alt may come up in another window (a menu, a dialog): the form must
    // not stay frozen.
    ReleaseAltLock();
    TForm::Deactivate();
}

void TVistaForm::ReleaseAltLock() {
    if (!altLocked_) return;
    altLocked_ = false;
    EndRedrawLock();
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* control = dynamic_cast<gui::TControl*>(Components(i))) control->Refresh();
}

// ---- repainting ----------------------------------------------------------------------------

namespace {

void RepaintEveryWindowed(gui::TWinControl& control) {
    for (int i = 0; i < control.ControlCount(); ++i) {
        if (auto* child = dynamic_cast<gui::TWinControl*>(control.Controls(i))) {
            child->Repaint();
            RepaintEveryWindowed(*child);
        }
    }
}

void RepaintButtons(gui::TControl& control) {
    auto* windowed = dynamic_cast<gui::TWinControl*>(&control);
    if (windowed == nullptr) return;
    // Bitmap buttons paint themselves whole; the class library's are owner-drawn.
    if (control.ClassName() == std::string_view("TBitBtn")) return;
    if (dynamic_cast<gui::TButtonControl*>(&control) != nullptr) {
        control.Repaint();
        return;
    }
    if (auto* sheet = dynamic_cast<gui::TTabSheet*>(&control)) {
        if (sheet->PageControl() == nullptr || sheet->PageControl()->ActivePage() != sheet) return;
    }
    for (int i = 0; i < windowed->ControlCount(); ++i) RepaintButtons(*windowed->Controls(i));
}

}  // namespace

void RepaintAfterCueChange(gui::TWinControl& control, bool all) {
    if (all)
        RepaintEveryWindowed(control);
    else
        RepaintButtons(control);
}

// ---- TVistaAltFix --------------------------------------------------------------------------

// One watched form: its window procedure is hooked while the entry lives.
// The hook reaches the entry through a shared state, which the entry
// detaches when it goes, so a hook that others have chained after stays a
// harmless forwarder.
class TVistaAltFix::TFormObj {
  public:
    struct State {
        gui::TWndMethod orgProc;
        TFormObj* entry = nullptr;
    };
    struct Hook {
        std::shared_ptr<State> state;
        void operator()(gui::TMessage& msg) const {
            // Keep the state alive even when the message frees the entry.
            const std::shared_ptr<State> keep = state;
            try {
                keep->orgProc(msg);
            } catch (...) {
                if (gui::Application != nullptr) gui::Application->HandleException(nullptr);
            }
            if (msg.Msg == WM_UPDATEUISTATE && keep->entry != nullptr)
                keep->entry->NeedRepaint = true;
        }
    };

    TFormObj(gui::TCustomForm& form, bool repaintAll)
        : Form(&form), RepaintAll(repaintAll), state_(std::make_shared<State>()) {
        state_->orgProc = form.WindowProc();
        state_->entry = this;
        form.SetWindowProc(Hook{state_});
    }
    ~TFormObj() {
        state_->entry = nullptr;
        if (Form == nullptr) return;
        // Unhook when ours is still the outermost procedure.
        const Hook* current = Form->WindowProc().target<Hook>();
        if (current != nullptr && current->state == state_) Form->SetWindowProc(state_->orgProc);
    }
    TFormObj(const TFormObj&) = delete;
    TFormObj& operator=(const TFormObj&) = delete;

    void CheckRepaint() {
        if (!NeedRepaint || Form == nullptr) return;
        NeedRepaint = false;
        RepaintAfterCueChange(*Form, RepaintAll);
    }

    gui::TCustomForm* Form;
    bool Used = true;
    bool NeedRepaint = false;
    bool RepaintAll;

  private:
    std::shared_ptr<State> state_;
};

RUNTIME_BEGIN_CLASS(TVistaAltFix, runtime::TComponent)
RUNTIME_PROPERTY(RepaintAll, RepaintAll, SetRepaintAll).Default(false);
RUNTIME_END_CLASS

TVistaAltFix::TVistaAltFix(runtime::TComponent* owner) : TComponent(owner) {
    const TWindowFixPlatform platform = CurrentWindowFixPlatform();
    if (!platform.NewerWindows || !platform.Themed ||
        ComponentState().Contains(runtime::csDesigning))
        return;
    events_ = std::make_unique<gui::TApplicationEvents>(nullptr);
    events_->OnIdle = gui::TIdleEvent(this, &TVistaAltFix::ApplicationIdle);
}

TVistaAltFix::~TVistaAltFix() {
    events_.reset();
    for (auto& entry : forms_)
        if (entry->Form != nullptr) entry->Form->RemoveFreeNotification(this);
    forms_.clear();
}

bool TVistaAltFix::Watches(const gui::TCustomForm* form) const {
    return std::any_of(forms_.begin(), forms_.end(),
                       [form](const auto& entry) { return entry->Form == form; });
}

void TVistaAltFix::ApplicationIdle(runtime::TObject*, bool&) {
    for (auto& entry : forms_) entry->Used = false;
    if (gui::Screen != nullptr) {
        for (int i = 0; i < gui::Screen->FormCount(); ++i) {
            gui::TCustomForm* form = gui::Screen->Forms(i);
            auto found = std::find_if(forms_.begin(), forms_.end(),
                                      [form](const auto& entry) { return entry->Form == form; });
            if (found != forms_.end()) {
                (*found)->Used = true;
            } else {
                forms_.push_back(std::make_unique<TFormObj>(*form, repaintAll_));
                form->FreeNotification(this);
            }
        }
    }
    for (size_t i = forms_.size(); i-- > 0;) {
        if (forms_[i]->Used) {
            forms_[i]->CheckRepaint();
        } else {
            if (forms_[i]->Form != nullptr) forms_[i]->Form->RemoveFreeNotification(this);
            forms_.erase(forms_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void TVistaAltFix::Notification(runtime::TComponent* component, runtime::TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != runtime::opRemove) return;
    // A form going away takes its entry with it; its window procedure goes too.
    for (size_t i = forms_.size(); i-- > 0;) {
        if (forms_[i]->Form == component) {
            forms_[i]->Form = nullptr;
            forms_.erase(forms_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

}  // namespace ui
