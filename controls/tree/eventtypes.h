#pragma once

// Event types of the family whose parameters include a record (a
// rectangle, a message): the runtime's type information has no kind for
// records, so such a parameter is described as an opaque type of its name.
// Handlers in C++ take it as it is; the events publish like any other
// (layouts bind handlers by signature). A record type is made opaque by a
// specialisation of TGtOpaqueParam that names it.

#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "gui/geometry.h"
#include "runtime/events.h"

namespace controls::tree::detail {

template <class T>
struct TGtOpaqueParam {
    static constexpr const char* Name = nullptr;
};
template <>
struct TGtOpaqueParam<gui::TRect> {
    static constexpr const char* Name = "TRect";
};

template <class T>
const runtime::TTypeInfo& ParamTypeInfo() {
    using U = std::remove_cvref_t<T>;
    if constexpr (TGtOpaqueParam<U>::Name != nullptr) {
        static const runtime::TTypeInfo info =
            runtime::TTypeInfo::MakeSimple(runtime::tkUnknown, TGtOpaqueParam<U>::Name);
        return info;
    } else {
        return runtime::TypeInfoOf<U>();
    }
}

template <class... Args>
runtime::TTypeInfo MakeGtEventTypeInfo(std::string name, std::string_view paramNames) {
    std::vector<runtime::TParamInfo> params{runtime::TParamInfo{
        {},
        &ParamTypeInfo<Args>(),
        std::is_lvalue_reference_v<Args> && !std::is_const_v<std::remove_reference_t<Args>>}...};
    return runtime::TTypeInfo::MakeMethod(std::move(name), paramNames, std::move(params),
                                          typeid(std::function<void(Args...)>));
}

}  // namespace controls::tree::detail

// RUNTIME_EVENT_TYPE for parameter lists that hold an opaque record.
#define GT_EVENT_TYPE(Name, ParamNames, ...)                                                   \
    struct Name : ::runtime::TEvent<__VA_ARGS__> {                                             \
        using ::runtime::TEvent<__VA_ARGS__>::TEvent;                                          \
        static const ::runtime::TTypeInfo& StaticTypeInfo() {                                  \
            static const ::runtime::TTypeInfo info =                                           \
                ::controls::tree::detail::MakeGtEventTypeInfo<__VA_ARGS__>(#Name, ParamNames); \
            return info;                                                                       \
        }                                                                                      \
    }
