#pragma once

// Type information of published properties: the kind of each property type,
// the value names of enumerations, the element type of sets, the class of
// object properties and the parameter list of events.
//
// Property types and their kinds:
//   bool                                tkEnumeration "Boolean" (False, True)
//   int8/16/32, uint8/16/32             tkInteger ("ShortInt", "SmallInt", "Integer",
//                                       "Byte", "Word", "Cardinal")
//   int64, uint64                       tkInt64 ("Int64", "UInt64")
//   char, char16_t                      tkChar "Char", tkWChar "WideChar"
//   float, double                       tkFloat "Single", "Double"
//   std::string, std::u16string         tkLString "string", tkWString "WideString"
//   Variant                             tkVariant "Variant"
//   enums declared with RUNTIME_ENUM    tkEnumeration with the value names
//   TSet<E> declared with RUNTIME_SET   tkSet with the element enumeration
//   T* for a class T derived from TObject   tkClass with T's class information
//   events declared with RUNTIME_EVENT_TYPE (runtime/events.h)   tkMethod

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "runtime/object.h"

namespace runtime {

class Variant;

enum TTypeKind : uint8_t {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkSet,
    tkClass,
    tkMethod,
    tkWChar,
    tkLString,
    tkWString,
    tkVariant,
    tkInt64,
};

// Storage of ordinal types.
enum TOrdType : uint8_t {
    otSByte,
    otUByte,
    otSWord,
    otUWord,
    otSLong,
    otULong,
    otSQWord,
    otUQWord
};

enum TFloatType : uint8_t { ftSingle, ftDouble };

class TTypeInfo;

// One parameter of an event type.
struct TParamInfo {
    std::string Name;
    const TTypeInfo* Type;
    bool IsVar;  // passed by reference: the handler may change it
};

class TTypeInfo {
  public:
    TTypeKind Kind() const { return kind_; }
    // The type's name; for a class type its class name.
    const std::string& Name() const;

    // Ordinal types (integer, char, enumeration, set): storage and range. A
    // set's range is that of its mask.
    TOrdType OrdType() const { return ordType_; }
    int64_t MinValue() const { return minValue_; }
    int64_t MaxValue() const { return maxValue_; }

    TFloatType FloatType() const { return floatType_; }

    // Enumerations: value i is named EnumNames()[i].
    const std::vector<std::string>& EnumNames() const { return enumNames_; }
    // "" when the value is out of range.
    std::string_view EnumName(int64_t value) const;
    // The value of a name (without regard to ASCII case), -1 when unknown.
    int EnumValue(std::string_view name) const;

    // Sets: the element enumeration.
    const TTypeInfo* ElementType() const { return elementType_; }

    // Classes: the class information of the property's class.
    const TClassInfo& ClassType() const { return classType_(); }

    // Events: the parameters, and the identity of the handler signature
    // (two event types with the same parameter types accept each other's
    // handlers).
    const std::vector<TParamInfo>& Params() const { return params_; }
    const std::type_info& Signature() const { return *signature_; }

    // ---- construction (used by the declaration macros) ----------------------
    static TTypeInfo MakeOrdinal(TTypeKind kind, std::string name, TOrdType ordType,
                                 int64_t minValue, int64_t maxValue);
    static TTypeInfo MakeFloat(std::string name, TFloatType floatType);
    static TTypeInfo MakeSimple(TTypeKind kind, std::string name);
    // `names` is the comma-separated list of value names, as the enumeration
    // declares them (values 0, 1, 2, ... in order).
    static TTypeInfo MakeEnum(std::string name, std::string_view names);
    // The element enumeration must have at most 32 values.
    static TTypeInfo MakeSet(std::string name, const TTypeInfo& elementType);
    static TTypeInfo MakeClass(const TClassInfo& (*classType)());
    // `paramNames` is the comma-separated list of parameter names.
    static TTypeInfo MakeMethod(std::string name, std::string_view paramNames,
                                std::vector<TParamInfo> params, const std::type_info& signature);

  private:
    TTypeKind kind_ = tkUnknown;
    std::string name_;
    TOrdType ordType_ = otSLong;
    TFloatType floatType_ = ftDouble;
    int64_t minValue_ = 0;
    int64_t maxValue_ = 0;
    std::vector<std::string> enumNames_;
    const TTypeInfo* elementType_ = nullptr;
    // Resolved when asked: a class may have a property of its own type.
    const TClassInfo& (*classType_)() = nullptr;
    std::vector<TParamInfo> params_;
    const std::type_info* signature_ = nullptr;
};

// ---- sets -------------------------------------------------------------------

// A set of values of an enumeration with at most 32 values, kept as a bit
// mask (bit i for value i), as the class library keeps small sets.
template <typename E>
class TSet {
    static_assert(std::is_enum_v<E>, "TSet elements are enumeration values");

  public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> elements) {
        for (E e : elements) Include(e);
    }
    static constexpr TSet FromMask(uint32_t mask) {
        TSet s;
        s.mask_ = mask;
        return s;
    }
    constexpr uint32_t Mask() const { return mask_; }
    constexpr bool Empty() const { return mask_ == 0; }
    constexpr bool Contains(E e) const { return (mask_ & Bit(e)) != 0; }
    constexpr TSet& Include(E e) {
        mask_ |= Bit(e);
        return *this;
    }
    constexpr TSet& Exclude(E e) {
        mask_ &= ~Bit(e);
        return *this;
    }
    friend constexpr TSet operator+(TSet a, TSet b) { return FromMask(a.mask_ | b.mask_); }
    friend constexpr TSet operator-(TSet a, TSet b) { return FromMask(a.mask_ & ~b.mask_); }
    friend constexpr TSet operator*(TSet a, TSet b) { return FromMask(a.mask_ & b.mask_); }
    friend constexpr bool operator==(TSet a, TSet b) = default;

  private:
    static constexpr uint32_t Bit(E e) {
        const auto i = static_cast<int64_t>(e);
        return i >= 0 && i < 32 ? uint32_t{1} << i : 0;
    }
    uint32_t mask_ = 0;
};

// ---- type information of C++ types -----------------------------------------

const TTypeInfo& BooleanTypeInfo();
const TTypeInfo& CharTypeInfo();
const TTypeInfo& WideCharTypeInfo();
const TTypeInfo& IntegerTypeInfo(int size, bool isSigned);
const TTypeInfo& FloatTypeInfo(TFloatType floatType);
const TTypeInfo& StringTypeInfo();
const TTypeInfo& WideStringTypeInfo();
const TTypeInfo& VariantTypeInfo();

// Defined in runtime/classinfo.h.
template <typename C>
const TClassInfo& ClassInfoOf();

template <typename C>
const TTypeInfo& ClassTypeInfo() {
    static const TTypeInfo info = TTypeInfo::MakeClass(&ClassInfoOf<C>);
    return info;
}

namespace detail {
template <typename T>
struct IsTSet : std::false_type {};
template <typename E>
struct IsTSet<TSet<E>> : std::true_type {};

template <typename T>
concept HasStaticTypeInfo = requires {
    { T::StaticTypeInfo() } -> std::same_as<const TTypeInfo&>;
};

template <typename T>
inline constexpr bool kDependentFalse = false;
}  // namespace detail

// The type information of a property type (see the table at the top).
template <typename T>
const TTypeInfo& TypeInfoOf() {
    using U = std::remove_cv_t<T>;
    if constexpr (std::is_same_v<U, bool>) {
        return BooleanTypeInfo();
    } else if constexpr (std::is_same_v<U, char>) {
        return CharTypeInfo();
    } else if constexpr (std::is_same_v<U, char16_t>) {
        return WideCharTypeInfo();
    } else if constexpr (std::is_same_v<U, wchar_t> || std::is_same_v<U, char8_t> ||
                         std::is_same_v<U, char32_t>) {
        static_assert(detail::kDependentFalse<U>, "use char or char16_t for characters");
    } else if constexpr (std::is_integral_v<U>) {
        return IntegerTypeInfo(sizeof(U), std::is_signed_v<U>);
    } else if constexpr (std::is_same_v<U, float>) {
        return FloatTypeInfo(ftSingle);
    } else if constexpr (std::is_same_v<U, double>) {
        return FloatTypeInfo(ftDouble);
    } else if constexpr (std::is_same_v<U, std::string>) {
        return StringTypeInfo();
    } else if constexpr (std::is_same_v<U, std::u16string>) {
        return WideStringTypeInfo();
    } else if constexpr (std::is_same_v<U, Variant>) {
        return VariantTypeInfo();
    } else if constexpr (std::is_enum_v<U> || detail::IsTSet<U>::value) {
        // Declared next to the enumeration by RUNTIME_ENUM / RUNTIME_SET.
        return TypeInfoFor(static_cast<U*>(nullptr));
    } else if constexpr (std::is_pointer_v<U> &&
                         std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<U>>>) {
        return ClassTypeInfo<std::remove_cv_t<std::remove_pointer_t<U>>>();
    } else if constexpr (detail::HasStaticTypeInfo<U>) {
        return U::StaticTypeInfo();
    } else {
        static_assert(detail::kDependentFalse<U>, "this type cannot be a published property");
    }
}

}  // namespace runtime

// Declares an enumeration (values 0, 1, 2, ... in order; no explicit values)
// with its type information. Use at namespace scope.
#define RUNTIME_ENUM(Name, ...)                                  \
    enum Name : int { __VA_ARGS__ };                             \
    inline const ::runtime::TTypeInfo& TypeInfoFor(Name*) {      \
        static const ::runtime::TTypeInfo info =                 \
            ::runtime::TTypeInfo::MakeEnum(#Name, #__VA_ARGS__); \
        return info;                                             \
    }

// Declares `Name` as a set of the enumeration `Element` (declared with
// RUNTIME_ENUM, at most 32 values), with its type information.
#define RUNTIME_SET(Name, Element)                                                  \
    using Name = ::runtime::TSet<Element>;                                          \
    inline const ::runtime::TTypeInfo& TypeInfoFor(Name*) {                         \
        static const ::runtime::TTypeInfo info =                                    \
            ::runtime::TTypeInfo::MakeSet(#Name, ::runtime::TypeInfoOf<Element>()); \
        return info;                                                                \
    }
