#pragma once

// Events: a published event property holds a callable of the event's
// signature, the object it is bound to (its holder) and, for handlers named
// in a window layout, the handler's name.
//
// Event types are distinct types declared with RUNTIME_EVENT_TYPE; handlers
// are matched by parameter types, so a handler of one event type can be
// assigned to another event of the same parameter list.
//
// Set by name (SetMethodProp, runtime/properties.h), a handler whose holder is
// another object is cleared again when that holder is destroyed, so an event
// never calls into a freed object.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/method.h"
#include "runtime/object.h"
#include "runtime/typeinfo.h"

namespace runtime {

template <typename... Args>
class TEvent {
  public:
    using Function = std::function<void(Args...)>;

    TEvent() = default;
    TEvent(std::nullptr_t) {}
    template <typename F>
    requires(std::is_invocable_v<F&, Args...> && !std::is_base_of_v<TEvent, std::decay_t<F>> &&
             !std::is_same_v<std::decay_t<F>, std::nullptr_t>)
        TEvent(F&& function, TObject* data = nullptr, std::string name = {})
        : function_(std::forward<F>(function)), data_(data), name_(std::move(name)) {}
    // A handler that calls method on object, bound to object.
    template <typename C>
    TEvent(C* object, void (C::*method)(Args...), std::string name = {})
        : function_(
              [object, method](Args... args) { (object->*method)(std::forward<Args>(args)...); }),
          data_(object),
          name_(std::move(name)) {}
    // A handler of the same parameter list taken from its erased form;
    // EPropertyError when the parameter lists differ.
    explicit TEvent(const TMethod& method) {
        if (!method.IsAssigned()) return;
        const Function* function = method.template Function<Args...>();
        if (function == nullptr) RaiseEventSignatureMismatch(method);
        function_ = *function;
        data_ = method.Data();
        name_ = method.Name();
    }

    explicit operator bool() const { return static_cast<bool>(function_); }
    // Calls the handler; nothing when none is assigned.
    void operator()(Args... args) const {
        if (function_) function_(std::forward<Args>(args)...);
    }

    TObject* Data() const { return data_; }
    const std::string& Name() const { return name_; }
    const Function& Target() const { return function_; }

    TMethod ToMethod() const { return function_ ? TMethod(function_, data_, name_) : TMethod(); }

    void Clear() {
        function_ = nullptr;
        data_ = nullptr;
        name_.clear();
    }

  private:
    Function function_;
    TObject* data_ = nullptr;
    std::string name_;
};

template <typename... Args>
TTypeInfo MakeEventTypeInfo(std::string name, std::string_view paramNames) {
    std::vector<TParamInfo> params{TParamInfo{
        {},
        &TypeInfoOf<std::remove_cvref_t<Args>>(),
        std::is_lvalue_reference_v<Args> && !std::is_const_v<std::remove_reference_t<Args>>}...};
    return TTypeInfo::MakeMethod(std::move(name), paramNames, std::move(params),
                                 typeid(std::function<void(Args...)>));
}

}  // namespace runtime

// Declares the event type `Name` whose handlers take the given parameter
// types; `ParamNames` names the parameters ("Sender, Key").
#define RUNTIME_EVENT_TYPE(Name, ParamNames, ...)                             \
    struct Name : ::runtime::TEvent<__VA_ARGS__> {                            \
        using ::runtime::TEvent<__VA_ARGS__>::TEvent;                         \
        static const ::runtime::TTypeInfo& StaticTypeInfo() {                 \
            static const ::runtime::TTypeInfo info =                          \
                ::runtime::MakeEventTypeInfo<__VA_ARGS__>(#Name, ParamNames); \
            return info;                                                      \
        }                                                                     \
    }

namespace runtime {

RUNTIME_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle)
RUNTIME_ENUM(TShiftStateElement, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
RUNTIME_SET(TShiftState, TShiftStateElement)
RUNTIME_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)

RUNTIME_EVENT_TYPE(TNotifyEvent, "Sender", TObject*);
RUNTIME_EVENT_TYPE(TMouseEvent, "Sender, Button, Shift, X, Y", TObject*, TMouseButton, TShiftState,
                   int, int);
RUNTIME_EVENT_TYPE(TMouseMoveEvent, "Sender, Shift, X, Y", TObject*, TShiftState, int, int);
RUNTIME_EVENT_TYPE(TKeyEvent, "Sender, Key, Shift", TObject*, uint16_t&, TShiftState);
RUNTIME_EVENT_TYPE(TKeyPressEvent, "Sender, Key", TObject*, char&);
// The key press of a Unicode window: the whole UTF-16 unit, where the 8-bit
// event sees only what the code page can hold.
RUNTIME_EVENT_TYPE(TWideKeyPressEvent, "Sender, Key", TObject*, char16_t&);
RUNTIME_EVENT_TYPE(TCloseEvent, "Sender, Action", TObject*, TCloseAction&);
RUNTIME_EVENT_TYPE(TCloseQueryEvent, "Sender, CanClose", TObject*, bool&);
RUNTIME_EVENT_TYPE(TCanResizeEvent, "Sender, NewWidth, NewHeight, Resize", TObject*, int&, int&,
                   bool&);

}  // namespace runtime
