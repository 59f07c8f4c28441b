#pragma once

// Two remedies for classic controls left unpainted on newer Windows (major
// version above 5), where pressing and releasing Alt changes the keyboard
// cues (underlined access keys, focus rectangles):
//
// - TVistaForm, the main window's base: while Alt is held the form's
//   window does not redraw; releasing it (or the form losing activation)
//   redraws the form and refreshes every control on it. The lock is the
//   form's own (WM_SETREDRAW), never the system's one-window-at-a-time
//   update lock, and only Alt takes it, so held keys never freeze the
//   window.
// - TVistaAltFix, a component on the main window: at idle time it hooks
//   every form of the program, notes a form that received
//   WM_UPDATEUISTATE and repaints its button controls (or every windowed
//   control with RepaintAll), skipping pages that do not show. It works
//   only with visual styles on. Errors inside the hooked window
//   procedures go to the application's error handling.

#include <memory>
#include <vector>

#include "gui/forms.h"

namespace gui {
class TApplicationEvents;
}

namespace ui {

// What the remedies look at: a Windows version above 5, visual styles on.
struct TWindowFixPlatform {
    bool NewerWindows = false;
    bool Themed = false;
};
// The platform the program runs on (read once).
TWindowFixPlatform SystemWindowFixPlatform();
// The platform the remedies see: the system's, or a test's.
TWindowFixPlatform CurrentWindowFixPlatform();

// Puts `platform` in place of the system's for its lifetime (tests).
class TWindowFixPlatformOverride {
  public:
    explicit TWindowFixPlatformOverride(TWindowFixPlatform platform);
    ~TWindowFixPlatformOverride();
    TWindowFixPlatformOverride(const TWindowFixPlatformOverride&) = delete;
    TWindowFixPlatformOverride& operator=(const TWindowFixPlatformOverride&) = delete;

  private:
    const TWindowFixPlatform* previous_;
    TWindowFixPlatform platform_;
};

class TVistaForm : public gui::TForm {
    RUNTIME_CLASS(TVistaForm)

  public:
    explicit TVistaForm(runtime::TComponent* owner);

    // Read when the form is made.
    bool IsVista() const { return isVista_; }
    // Alt holds the form's drawing now.
    bool AltLocked() const { return altLocked_; }

  protected:
    void KeyDown(uint16_t& key, runtime::TShiftState shift) override;
    void KeyUp(uint16_t& key, runtime::TShiftState shift) override;
    void Deactivate() override;

  private:
    void ReleaseAltLock();
    bool isVista_ = false;
    bool altLocked_ = false;
};

class TVistaAltFix : public runtime::TComponent {
    RUNTIME_CLASS(TVistaAltFix)

  public:
    explicit TVistaAltFix(runtime::TComponent* owner);
    ~TVistaAltFix() override;

    // Repaint every windowed control of a form, not only its buttons.
    bool RepaintAll() const { return repaintAll_; }
    void SetRepaintAll(bool value) { repaintAll_ = value; }

    // Whether the platform called for the fix when it was made.
    bool Active() const { return events_ != nullptr; }
    // The forms hooked now.
    int WatchedCount() const { return static_cast<int>(forms_.size()); }
    bool Watches(const gui::TCustomForm* form) const;

    // The idle work: hooks new forms, drops gone ones, repaints.
    void ApplicationIdle(runtime::TObject* sender, bool& done);

  protected:
    void Notification(runtime::TComponent* component, runtime::TOperation operation) override;

  private:
    class TFormObj;
    std::unique_ptr<gui::TApplicationEvents> events_;
    std::vector<std::unique_ptr<TFormObj>> forms_;
    bool repaintAll_ = false;
};

// Repaints a form's controls after a keyboard-cue change: with `all` every
// windowed control inside `control`; otherwise its buttons (push buttons,
// check boxes, radio buttons), looking inside other windowed controls but
// not inside tab sheets that are not their page control's active page.
void RepaintAfterCueChange(gui::TWinControl& control, bool all);

}  // namespace ui
