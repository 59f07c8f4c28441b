#include "script/event_bridges.h"

#include <string>

#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "script/errors.h"

namespace script {

using runtime::TObject;
using runtime::Variant;

namespace {

Variant ObjectArg(TObject* object) {
    return Variant(runtime::HandleOf(object));
}

Variant IntArg(int value) {
    return Variant(int32_t{value});
}

Variant ShiftArg(runtime::TShiftState shift) {
    return Variant(static_cast<int32_t>(shift.Mask()));
}

// Parameter `index` of the handler after it ran, when it has one: what a
// relay copies back into a var argument.
const Variant* ParamAfterCall(const TscCustomEvent& bridge, int index) {
    if (index >= bridge.HandlerProc->ParamCount()) return nullptr;
    return &bridge.HandlerProc->GetParam(index)->Value;
}

}  // namespace

void CheckHandlerParams(const TscProcVariable& handler, int argCount) {
    if (handler.ParamCount() <= argCount) return;
    throw EScriptError("Event handler " + handler.Name + " declares " +
                       std::to_string(handler.ParamCount()) + " parameters; the event passes " +
                       std::to_string(argCount));
}

runtime::TMethod TscNotifyEvent::HandlerAddress() {
    return runtime::TNotifyEvent([this](TObject* sender) { Relay(sender); }, this).ToMethod();
}

void TscNotifyEvent::Relay(TObject* sender) {
    const Variant args[] = {ObjectArg(sender)};
    (void)CallHandler(args);
}

runtime::TMethod TscMouseEvent::HandlerAddress() {
    return runtime::TMouseEvent(
               [this](TObject* sender, runtime::TMouseButton button, runtime::TShiftState shift,
                      int x, int y) { Relay(sender, button, shift, x, y); },
               this)
        .ToMethod();
}

void TscMouseEvent::Relay(TObject* sender, runtime::TMouseButton button, runtime::TShiftState shift,
                          int x, int y) {
    const Variant args[] = {ObjectArg(sender), IntArg(button), ShiftArg(shift), IntArg(x),
                            IntArg(y)};
    (void)CallHandler(args);
}

runtime::TMethod TscMouseMoveEvent::HandlerAddress() {
    return runtime::TMouseMoveEvent([this](TObject* sender, runtime::TShiftState shift, int x,
                                           int y) { Relay(sender, shift, x, y); },
                                    this)
        .ToMethod();
}

void TscMouseMoveEvent::Relay(TObject* sender, runtime::TShiftState shift, int x, int y) {
    const Variant args[] = {ObjectArg(sender), ShiftArg(shift), IntArg(x), IntArg(y)};
    (void)CallHandler(args);
}

runtime::TMethod TscKeyEvent::HandlerAddress() {
    return runtime::TKeyEvent([this](TObject* sender, uint16_t& key,
                                     runtime::TShiftState shift) { Relay(sender, key, shift); },
                              this)
        .ToMethod();
}

void TscKeyEvent::Relay(TObject* sender, uint16_t& key, runtime::TShiftState shift) {
    const Variant args[] = {ObjectArg(sender), IntArg(key), ShiftArg(shift)};
    if (!CallHandler(args)) return;
    if (const Variant* after = ParamAfterCall(*this, 1))
        key = static_cast<uint16_t>(after->AsInteger());
}

runtime::TMethod TscKeyPressEvent::HandlerAddress() {
    return runtime::TKeyPressEvent([this](TObject* sender, char& key) { Relay(sender, key); }, this)
        .ToMethod();
}

void TscKeyPressEvent::Relay(TObject* sender, char& key) {
    const Variant args[] = {ObjectArg(sender), CharValue(static_cast<unsigned char>(key))};
    if (!CallHandler(args)) return;
    if (const Variant* after = ParamAfterCall(*this, 1)) {
        const std::string text = after->AsString();
        key = text.empty() ? '\0' : text[0];
    }
}

runtime::TMethod TscCloseEvent::HandlerAddress() {
    return runtime::TCloseEvent(
               [this](TObject* sender, runtime::TCloseAction& action) { Relay(sender, action); },
               this)
        .ToMethod();
}

void TscCloseEvent::Relay(TObject* sender, runtime::TCloseAction& action) {
    const Variant args[] = {ObjectArg(sender), IntArg(action)};
    if (!CallHandler(args)) return;
    if (const Variant* after = ParamAfterCall(*this, 1)) {
        const int32_t value = after->AsInteger();
        if (value < runtime::caNone || value > runtime::caMinimize)
            throw runtime::ERangeError("Range check error");
        action = static_cast<runtime::TCloseAction>(value);
    }
}

runtime::TMethod TscCloseQueryEvent::HandlerAddress() {
    return runtime::TCloseQueryEvent(
               [this](TObject* sender, bool& canClose) { Relay(sender, canClose); }, this)
        .ToMethod();
}

void TscCloseQueryEvent::Relay(TObject* sender, bool& canClose) {
    const Variant args[] = {ObjectArg(sender), Variant(canClose)};
    if (!CallHandler(args)) return;
    if (const Variant* after = ParamAfterCall(*this, 1)) canClose = after->AsBoolean();
}

runtime::TMethod TscCanResizeEvent::HandlerAddress() {
    return runtime::TCanResizeEvent(
               [this](TObject* sender, int& newWidth, int& newHeight, bool& resize) {
                   Relay(sender, newWidth, newHeight, resize);
               },
               this)
        .ToMethod();
}

void TscCanResizeEvent::Relay(TObject* sender, int& newWidth, int& newHeight, bool& resize) {
    const Variant args[] = {ObjectArg(sender), IntArg(newWidth), IntArg(newHeight),
                            Variant(resize)};
    if (!CallHandler(args)) return;
    if (const Variant* after = ParamAfterCall(*this, 1)) newWidth = after->AsInteger();
    if (const Variant* after = ParamAfterCall(*this, 2)) newHeight = after->AsInteger();
    if (const Variant* after = ParamAfterCall(*this, 3)) resize = after->AsBoolean();
}

}  // namespace script
