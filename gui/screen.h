#pragma once

// The screen object: the program's forms, the active form and control,
// the mouse cursors, and the monitors with their work areas.

#include <map>
#include <vector>

#include "gui/cursors.h"
#include "gui/geometry.h"
#include "gui/handles.h"
#include "runtime/component.h"

namespace gui {

class TCustomForm;
class TWinControl;

struct TMonitor {
    HMONITOR Handle = nullptr;
    TRect BoundsRect;
    TRect WorkareaRect;
    bool Primary = false;
};

class TScreen : public runtime::TComponent {
    RUNTIME_CLASS(TScreen)

  public:
    explicit TScreen(runtime::TComponent* owner);
    ~TScreen() override;

    // ---- forms ---------------------------------------------------------------------------
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int index) const { return forms_.at(static_cast<size_t>(index)); }
    TCustomForm* ActiveForm() const { return activeForm_; }
    TWinControl* ActiveControl() const { return activeControl_; }

    // ---- cursors -------------------------------------------------------------------------
    // A cursor other than crDefault overrides every control's (crHourGlass
    // while the program is busy).
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);
    // The handle of a cursor: the system's for the negative numbers, the
    // program's own for the ones set with SetCursorHandle; the arrow when
    // unknown.
    HCURSOR Cursors(TCursor cursor) const;
    // Takes over a cursor handle for a positive number.
    void SetCursorHandle(TCursor cursor, HCURSOR handle);

    // ---- monitors ------------------------------------------------------------------------
    std::vector<TMonitor> Monitors() const;
    // The work area of the monitor that shows most of `r` (the nearest one).
    TRect WorkAreaFor(const TRect& r) const;
    TRect WorkAreaRect() const;  // the primary monitor's
    int Width() const;
    int Height() const;
    int PixelsPerInch() const;

    // Called by forms as they come, go and get activated.
    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void SetActiveForm(TCustomForm* form);
    void SetActiveControl(TWinControl* control) { activeControl_ = control; }

  private:
    std::vector<TCustomForm*> forms_;
    TCustomForm* activeForm_ = nullptr;
    TWinControl* activeControl_ = nullptr;
    TCursor cursor_ = crDefault;
    std::map<int, TCursorHandle> cursors_;
};

extern TScreen* Screen;

}  // namespace gui
