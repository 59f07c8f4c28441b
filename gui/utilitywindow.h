#pragma once

// A hidden window of the program's own whose messages go to a handler: for
// timers, posted notifications and broadcasts (WM_SETTINGCHANGE,
// WM_QUERYENDSESSION) that belong to no control. Messages the handler does
// not take (it answers false) get the default handling. An exception that
// leaves the handler goes to Application->HandleException. The window may
// be freed from inside its own handler.

#include <memory>

#include "gui/application.h"
#include "gui/handles.h"

namespace gui {

class TUtilityWindow {
  public:
    explicit TUtilityWindow(TWindowHook handler);
    ~TUtilityWindow();
    TUtilityWindow(const TUtilityWindow&) = delete;
    TUtilityWindow& operator=(const TUtilityWindow&) = delete;

    HWND Handle() const { return window_.Get(); }

  private:
    struct State;
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    // Shared with the messages being handled, so that freeing the object
    // inside its handler leaves the running handler intact.
    std::shared_ptr<State> state_;
    TWindowHandle window_;
};

}  // namespace gui
