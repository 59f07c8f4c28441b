#pragma once

// The event bridges: one per event signature of the class library that
// scripts may attach procedures to. Assigning a procedure's name to an event
// member of a host object (TscEventHelper) makes a bridge of the member's
// class; the host's event then calls the bridge's relay, which passes the
// event's arguments to the procedure as Variants, runs it and copies var
// arguments back to the host:
//
//   bridge              arguments passed              copied back
//   TscNotifyEvent      Sender                        -
//   TscMouseEvent       Sender, Button, Shift, X, Y   -
//   TscMouseMoveEvent   Sender, Shift, X, Y           -
//   TscKeyEvent         Sender, Key, Shift            Key (an integer)
//   TscKeyPressEvent    Sender, Key (a character)     Key (the first character)
//   TscCloseEvent       Sender, Action                Action (caNone..caMinimize)
//   TscCloseQueryEvent  Sender, CanClose              CanClose
//   TscCanResizeEvent   Sender, NewWidth, NewHeight,  NewWidth, NewHeight, Resize
//                       Resize
//
// Sender is the object's handle; Button is 0 (left), 1 (right) or 2
// (middle); Shift is the bit mask of TShiftState (shift 1, alt 2, ctrl 4,
// left 8, right 16, middle 32, double 64).
//
// A procedure may declare fewer parameters than its event passes: it gets
// the leading ones, and var arguments beyond its parameters stay as the host
// gave them. One that declares more is refused when it is attached
// (EScriptError), and so is one whose event fires again while it runs: that
// call is skipped and the host's var arguments stay unchanged.

#include <cstdint>
#include <memory>

#include "runtime/events.h"
#include "script/items.h"

namespace script {

// A bridge class whose relay passes `argCount` arguments.
template <typename Bridge>
std::unique_ptr<TscCustomEvent> NewEventBridge(runtime::TObject* hostObject,
                                               TscProcVariable* handler);
// EScriptError when the handler declares more than `argCount` parameters.
void CheckHandlerParams(const TscProcVariable& handler, int argCount);

class TscNotifyEvent : public TscCustomEvent {
  public:
    static constexpr int kArgCount = 1;
    using TscCustomEvent::TscCustomEvent;
    runtime::TMethod HandlerAddress() override;
    void Relay(runtime::TObject* sender);
};

class TscMouseEvent : public TscCustomEvent {
  public:
    static constexpr int kArgCount = 5;
    using TscCustomEvent::TscCustomEvent;
    runtime::TMethod HandlerAddress() override;
    void Relay(runtime::TObject* sender, runtime::TMouseButton button, runtime::TShiftState shift,
               int x, int y);
};

class TscMouseMoveEvent : public TscCustomEvent {
  public:
    static constexpr int kArgCount = 4;
    using TscCustomEvent::TscCustomEvent;
    runtime::TMethod HandlerAddress() override;
    void Relay(runtime::TObject* sender, runtime::TShiftState shift, int x, int y);
};

class TscKeyEvent : public TscCustomEvent {
  public:
    static constexpr int kArgCount = 3;
    using TscCustomEvent::TscCustomEvent;
    runtime::TMethod HandlerAddress() override;
    void Relay(runtime::TObject* sender, uint16_t& key, runtime::TShiftState shift);
};

class TscKeyPressEvent : public TscCustomEvent {
  public:
    static constexpr int kArgCount = 2;
    using TscCustomEvent::TscCustomEvent;
    runtime::TMethod HandlerAddress() override;
    void Relay(runtime::TObject* sender, char& key);
};

class TscCloseEvent : public TscCustomEvent {
  public:
    static constexpr int kArgCount = 2;
    using TscCustomEvent::TscCustomEvent;
    runtime::TMethod HandlerAddress() override;
    // An Action outside caNone..caMinimize raises ERangeError.
    void Relay(runtime::TObject* sender, runtime::TCloseAction& action);
};

class TscCloseQueryEvent : public TscCustomEvent {
  public:
    static constexpr int kArgCount = 2;
    using TscCustomEvent::TscCustomEvent;
    runtime::TMethod HandlerAddress() override;
    void Relay(runtime::TObject* sender, bool& canClose);
};

class TscCanResizeEvent : public TscCustomEvent {
  public:
    static constexpr int kArgCount = 4;
    using TscCustomEvent::TscCustomEvent;
    runtime::TMethod HandlerAddress() override;
    void Relay(runtime::TObject* sender, int& newWidth, int& newHeight, bool& resize);
};

template <typename Bridge>
std::unique_ptr<TscCustomEvent> NewEventBridge(runtime::TObject* hostObject,
                                               TscProcVariable* handler) {
    CheckHandlerParams(*handler, Bridge::kArgCount);
    return std::make_unique<Bridge>(hostObject, handler);
}

}  // namespace script
