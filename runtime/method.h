#pragma once

// TMethod: an event handler with its parameter list erased, as published
// event properties are read and written by name (runtime/properties.h).
// Typed event values are TEvent (runtime/events.h).

#include <any>
#include <functional>
#include <string>
#include <typeinfo>
#include <utility>

#include "runtime/object.h"

namespace runtime {

// An event value with its type erased, as the property system moves it.
class TMethod {
  public:
    TMethod() = default;
    template <typename... Args>
    TMethod(std::function<void(Args...)> function, TObject* data, std::string name)
        : function_(std::move(function)), data_(data), name_(std::move(name)) {
        if (!std::any_cast<std::function<void(Args...)>&>(function_)) Clear();
    }

    bool IsAssigned() const { return function_.has_value(); }
    // The object the handler is bound to; nullptr when none.
    TObject* Data() const { return data_; }
    // The handler's name, for streaming; empty for handlers set in code.
    const std::string& Name() const { return name_; }
    // typeid(std::function<void(Args...)>) of the handler; typeid(void) when
    // not assigned.
    const std::type_info& Signature() const { return function_.type(); }

    template <typename... Args>
    const std::function<void(Args...)>* Function() const {
        return std::any_cast<std::function<void(Args...)>>(&function_);
    }

    void Clear() {
        function_.reset();
        data_ = nullptr;
        name_.clear();
    }

  private:
    std::any function_;
    TObject* data_ = nullptr;
    std::string name_;
};

// Raises EPropertyError: a handler of another signature was assigned.
[[noreturn]] void RaiseEventSignatureMismatch(const TMethod& method);

}  // namespace runtime
