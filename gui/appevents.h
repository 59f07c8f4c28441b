#pragma once

// The application's events as a component a form can hold: several may
// exist at once (each form, each helper that needs the idle time), and
// every one of them sees the application's idle time, messages, hints,
// shortcuts and errors, the newest first. A handler may stop the others of
// that round with CancelDispatch.

#include "gui/application.h"

namespace gui {

class TApplicationEvents : public TComponent {
    RUNTIME_CLASS(TApplicationEvents)

  public:
    explicit TApplicationEvents(TComponent* owner);
    ~TApplicationEvents() override;

    // The components made before this one do not see the event being
    // dispatched.
    void CancelDispatch() { cancelled_ = true; }

    // Done (true on entry) false keeps the loop from waiting for a message.
    TIdleEvent OnIdle;
    TNotifyEvent OnHint;
    TShortCutEvent OnShortCut;
    // Set in code: a message before it is dispatched, and an error that
    // escaped a message (taken over from the message box).
    TMessageHandler OnMessage;
    TExceptionHandler OnException;

  private:
    friend class TApplication;
    TApplication* application_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace gui
