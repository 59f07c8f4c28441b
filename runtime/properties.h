#pragma once

// Published properties: their information records, typed access by kind and
// through Variant, and the declaration of a class's properties (one line per
// property, see runtime/classinfo.h).
//
// Access rules:
//   - every accessor checks the property's kind and raises EPropertyError
//     "Invalid property type: <type>" for a kind it does not serve, and
//     "Property <name> is read-only" for writes to a property without setter;
//   - name lookups raise EPropertyError "Property <name> does not exist";
//   - ordinal writes outside the type's range raise ERangeError, so an
//     enumeration or a Byte never holds a value its type does not have;
//   - object writes check the object's class (EInvalidCast otherwise).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/method.h"
#include "runtime/object.h"
#include "runtime/typeinfo.h"
#include "runtime/variant.h"

namespace runtime {

// Type-erased access to one property. Each operation serves the kinds named
// beside it; the others are never called (the public functions check kinds).
class TPropAccessor {
  public:
    virtual ~TPropAccessor() = default;
    // tkInteger, tkChar, tkWChar, tkEnumeration, tkSet (the mask), tkInt64
    virtual int64_t GetOrd(const TObject& instance) const;
    virtual void SetOrd(TObject& instance, int64_t value) const;
    // tkFloat
    virtual double GetFloat(const TObject& instance) const;
    virtual void SetFloat(TObject& instance, double value) const;
    // tkLString
    virtual std::string GetStr(const TObject& instance) const;
    virtual void SetStr(TObject& instance, std::string value) const;
    // tkWString
    virtual std::u16string GetWideStr(const TObject& instance) const;
    virtual void SetWideStr(TObject& instance, std::u16string value) const;
    // tkVariant
    virtual Variant GetVariant(const TObject& instance) const;
    virtual void SetVariant(TObject& instance, const Variant& value) const;
    // tkClass; SetObjectValue raises EInvalidCast for an object of another class
    virtual TObject* GetObjectValue(const TObject& instance) const;
    virtual void SetObjectValue(TObject& instance, TObject* value) const;
    // tkMethod; SetMethod raises EPropertyError for another signature
    virtual TMethod GetMethod(const TObject& instance) const;
    virtual void SetMethod(TObject& instance, const TMethod& value) const;
};

class TPropInfo {
  public:
    TPropInfo(std::string name, const TTypeInfo& type, std::unique_ptr<TPropAccessor> accessor,
              bool writable);

    const std::string& Name() const { return name_; }
    const TTypeInfo& PropType() const { return *type_; }
    TTypeKind Kind() const { return type_->Kind(); }
    // The class whose declaration holds the property.
    const TClassInfo& DeclaringClass() const { return *declaringClass_; }
    bool IsWritable() const { return writable_; }

    // A property may declare its default: streams leave it out while it
    // holds it. Without a declared default, ordinals are always written, and
    // numbers, strings, Variants, objects and events are left out while zero,
    // empty, Empty, nil or unassigned.
    bool HasDefault() const { return hasDefault_; }
    // Ordinals: the ordinal as an Int64; floats: a Double; strings: a string.
    const Variant& Default() const { return default_; }
    // Whether streams write the property of this object at all.
    bool IsStored(const TObject& instance) const { return !stored_ || stored_(instance); }

    const TPropAccessor& Accessor() const { return *accessor_; }

    // Declaration-time settings (TClassBuilder).
    // EInvalidOperation for a default of a kind the property does not have
    // (or for a property of another kind).
    void SetDefault(Variant value);
    void SetStored(std::function<bool(const TObject&)> stored) { stored_ = std::move(stored); }

  private:
    friend class TClassInfo;
    std::string name_;
    const TTypeInfo* type_;
    std::unique_ptr<TPropAccessor> accessor_;
    bool writable_;
    bool hasDefault_ = false;
    Variant default_;
    std::function<bool(const TObject&)> stored_;
    const TClassInfo* declaringClass_ = nullptr;
};

// A named event handler method of a class (a layout names it as the value of
// an event property).
class TMethodEntry {
  public:
    TMethodEntry(std::string name, const std::type_info& signature)
        : name_(std::move(name)), signature_(&signature) {}
    virtual ~TMethodEntry() = default;
    const std::string& Name() const { return name_; }
    // typeid(std::function<void(Args...)>) of the method's parameter list.
    const std::type_info& Signature() const { return *signature_; }
    // The method bound to `instance`, which is of the declaring class.
    virtual TMethod Bind(TObject& instance) const = 0;

  private:
    std::string name_;
    const std::type_info* signature_;
};

// ---- access ---------------------------------------------------------------------

// The property of the object's actual class, nullptr when there is none.
const TPropInfo* GetPropInfo(const TObject& instance, std::string_view name);
// Same; EPropertyError "Property <name> does not exist" when there is none.
const TPropInfo& RequirePropInfo(const TObject& instance, std::string_view name);

int64_t GetOrdProp(const TObject& instance, const TPropInfo& prop);
void SetOrdProp(TObject& instance, const TPropInfo& prop, int64_t value);
// Enumerations by value name; EPropertyConvertError for an unknown name.
std::string GetEnumProp(const TObject& instance, const TPropInfo& prop);
void SetEnumProp(TObject& instance, const TPropInfo& prop, std::string_view name);
// Sets as element names joined by ","; SetSetProp accepts blanks and
// optional brackets, EPropertyConvertError for an unknown name.
std::string GetSetProp(const TObject& instance, const TPropInfo& prop);
void SetSetProp(TObject& instance, const TPropInfo& prop, std::string_view names);
int64_t GetInt64Prop(const TObject& instance, const TPropInfo& prop);
void SetInt64Prop(TObject& instance, const TPropInfo& prop, int64_t value);
double GetFloatProp(const TObject& instance, const TPropInfo& prop);
void SetFloatProp(TObject& instance, const TPropInfo& prop, double value);
// 8-bit and wide string properties; each also serves the other string kind,
// converting through the system code page.
std::string GetStrProp(const TObject& instance, const TPropInfo& prop);
void SetStrProp(TObject& instance, const TPropInfo& prop, std::string value);
std::u16string GetWideStrProp(const TObject& instance, const TPropInfo& prop);
void SetWideStrProp(TObject& instance, const TPropInfo& prop, std::u16string value);
Variant GetVariantProp(const TObject& instance, const TPropInfo& prop);
void SetVariantProp(TObject& instance, const TPropInfo& prop, const Variant& value);
TObject* GetObjectProp(const TObject& instance, const TPropInfo& prop);
void SetObjectProp(TObject& instance, const TPropInfo& prop, TObject* value);
TMethod GetMethodProp(const TObject& instance, const TPropInfo& prop);
// Sets or (with an unassigned method) clears an event. A handler bound to
// another object (its Data) is cleared again when that object is destroyed.
void SetMethodProp(TObject& instance, const TPropInfo& prop, const TMethod& method);

// Events by name.
TMethod GetMethodProp(const TObject& instance, std::string_view name);
void SetMethodProp(TObject& instance, std::string_view name, const TMethod& method);
void ClearMethodProp(TObject& instance, std::string_view name);

// Any non-event property through Variant, by kind:
//   integer kinds       Integer (Cardinal as LongWord), Int64 as Int64
//   Boolean             Boolean; other enumerations: the ordinal as Integer
//                       (writes also take the value name as a string)
//   set                 the bit mask as Integer (writes also take "[a, b]")
//   char, wide char     a one-character 8-bit / wide string (writes take the
//                       first character of a string, or a character code)
//   float               Double
//   8-bit, wide string  String, OleStr
//   Variant             the value itself
//   class               the object's script handle (runtime/handles.h) as
//                       Integer; writes resolve a handle (EInvalidCast when
//                       it is not valid)
// Event properties raise EPropertyError (use the method functions).
Variant GetPropValue(const TObject& instance, const TPropInfo& prop);
void SetPropValue(TObject& instance, const TPropInfo& prop, const Variant& value);
Variant GetPropValue(const TObject& instance, std::string_view name);
void SetPropValue(TObject& instance, std::string_view name, const Variant& value);

// ---- declaration ------------------------------------------------------------------

namespace detail {

// EInvalidCast "Invalid class typecast".
[[noreturn]] void RaiseInvalidCast();

template <typename T>
inline constexpr bool kIsOrdinal = std::is_integral_v<T> || std::is_enum_v<T> || IsTSet<T>::value;

template <typename T>
int64_t ToOrdinal(const T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        return value ? 1 : 0;
    } else if constexpr (std::is_same_v<T, char>) {
        return static_cast<unsigned char>(value);
    } else if constexpr (IsTSet<T>::value) {
        return value.Mask();
    } else {
        return static_cast<int64_t>(value);
    }
}

template <typename T>
T FromOrdinal(int64_t value) {
    if constexpr (std::is_same_v<T, bool>) {
        return value != 0;
    } else if constexpr (IsTSet<T>::value) {
        return T::FromMask(static_cast<uint32_t>(value));
    } else {
        return static_cast<T>(value);
    }
}

// Reads and writes one property of class C holding a T, through a getter
// (member function or data member) and a setter (member function, data
// member, or nullptr for read-only properties).
template <typename C, typename T, typename Getter, typename Setter>
class TPropAccessorImpl final : public TPropAccessor {
  public:
    TPropAccessorImpl(Getter getter, Setter setter) : getter_(getter), setter_(setter) {}

    int64_t GetOrd(const TObject& instance) const override {
        if constexpr (kIsOrdinal<T>) return ToOrdinal<T>(Read(instance));
        return TPropAccessor::GetOrd(instance);
    }
    void SetOrd(TObject& instance, int64_t value) const override {
        if constexpr (kIsOrdinal<T>)
            Write(instance, FromOrdinal<T>(value));
        else
            TPropAccessor::SetOrd(instance, value);
    }
    double GetFloat(const TObject& instance) const override {
        if constexpr (std::is_floating_point_v<T>) return Read(instance);
        return TPropAccessor::GetFloat(instance);
    }
    void SetFloat(TObject& instance, double value) const override {
        if constexpr (std::is_floating_point_v<T>)
            Write(instance, static_cast<T>(value));
        else
            TPropAccessor::SetFloat(instance, value);
    }
    std::string GetStr(const TObject& instance) const override {
        if constexpr (std::is_same_v<T, std::string>) return Read(instance);
        return TPropAccessor::GetStr(instance);
    }
    void SetStr(TObject& instance, std::string value) const override {
        if constexpr (std::is_same_v<T, std::string>)
            Write(instance, std::move(value));
        else
            TPropAccessor::SetStr(instance, std::move(value));
    }
    std::u16string GetWideStr(const TObject& instance) const override {
        if constexpr (std::is_same_v<T, std::u16string>) return Read(instance);
        return TPropAccessor::GetWideStr(instance);
    }
    void SetWideStr(TObject& instance, std::u16string value) const override {
        if constexpr (std::is_same_v<T, std::u16string>)
            Write(instance, std::move(value));
        else
            TPropAccessor::SetWideStr(instance, std::move(value));
    }
    Variant GetVariant(const TObject& instance) const override {
        if constexpr (std::is_same_v<T, Variant>) return Read(instance);
        return TPropAccessor::GetVariant(instance);
    }
    void SetVariant(TObject& instance, const Variant& value) const override {
        if constexpr (std::is_same_v<T, Variant>)
            Write(instance, value);
        else
            TPropAccessor::SetVariant(instance, value);
    }
    TObject* GetObjectValue(const TObject& instance) const override {
        if constexpr (std::is_pointer_v<T>) return Read(instance);
        return TPropAccessor::GetObjectValue(instance);
    }
    void SetObjectValue(TObject& instance, TObject* value) const override {
        if constexpr (std::is_pointer_v<T>) {
            auto* typed = dynamic_cast<T>(value);
            if (value != nullptr && typed == nullptr) RaiseInvalidCast();
            Write(instance, typed);
        } else {
            TPropAccessor::SetObjectValue(instance, value);
        }
    }
    TMethod GetMethod(const TObject& instance) const override {
        if constexpr (HasStaticTypeInfo<T>) return Read(instance).ToMethod();
        return TPropAccessor::GetMethod(instance);
    }
    void SetMethod(TObject& instance, const TMethod& value) const override {
        if constexpr (HasStaticTypeInfo<T>)
            Write(instance, T(value));
        else
            TPropAccessor::SetMethod(instance, value);
    }

  private:
    T Read(const TObject& instance) const {
        return std::invoke(getter_, static_cast<const C&>(instance));
    }
    template <typename V>
    void Write(TObject& instance, V&& value) const {
        if constexpr (std::is_same_v<Setter, std::nullptr_t>) {
            (void)instance;
            (void)value;
        } else if constexpr (std::is_member_object_pointer_v<Setter>) {
            static_cast<C&>(instance).*setter_ = std::forward<V>(value);
        } else {
            std::invoke(setter_, static_cast<C&>(instance), std::forward<V>(value));
        }
    }

    Getter getter_;
    Setter setter_;
};

template <typename C, typename B, typename... Args>
class TMethodEntryImpl final : public TMethodEntry {
  public:
    TMethodEntryImpl(std::string name, void (B::*method)(Args...))
        : TMethodEntry(std::move(name), typeid(std::function<void(Args...)>)), method_(method) {}

    TMethod Bind(TObject& instance) const override {
        C* object = static_cast<C*>(&instance);
        auto method = method_;
        return TMethod(std::function<void(Args...)>([object, method](Args... args) {
                           (object->*method)(std::forward<Args>(args)...);
                       }),
                       object, Name());
    }

  private:
    void (B::*method_)(Args...);
};

// The class information of the parent class P (none for P = void).
template <typename P>
const TClassInfo* ParentClassInfo() {
    if constexpr (std::is_void_v<P>) {
        return nullptr;
    } else {
        return &ClassInfoOf<P>();
    }
}

}  // namespace detail

// Builds the class information of C (parent P) from its property lines.
template <typename C, typename P>
class TClassBuilder {
    static_assert(std::is_void_v<P> || std::is_base_of_v<P, C>, "P must be C's parent class");

  public:
    explicit TClassBuilder(const char* name) : name_(name) {}

    // A property read through `getter` (a const member function) and written
    // through `setter` (a member function taking the value).
    template <typename Getter, typename Setter>
    TClassBuilder& Property(const char* name, Getter getter, Setter setter) {
        using T = std::remove_cvref_t<std::invoke_result_t<Getter, const C&>>;
        static_assert(std::is_invocable_v<Setter, C&, T>, "the setter must take the getter's type");
        return Add<T>(name, getter, setter, true);
    }
    template <typename Getter>
    TClassBuilder& ReadOnlyProperty(const char* name, Getter getter) {
        using T = std::remove_cvref_t<std::invoke_result_t<Getter, const C&>>;
        return Add<T>(name, getter, nullptr, false);
    }
    // A public field whose setting has no effect beyond storing.
    template <typename T, typename B>
    TClassBuilder& Field(const char* name, T B::*field) {
        static_assert(std::is_base_of_v<B, C>);
        return Add<T>(name, field, field, true);
    }
    // The default of the property declared last (ordinals, floats and
    // strings).
    template <typename V>
    TClassBuilder& Default(const V& value) {
        if constexpr (detail::kIsOrdinal<V>)
            props_.back()->SetDefault(Variant(detail::ToOrdinal<V>(value)));
        else
            props_.back()->SetDefault(Variant(value));
        return *this;
    }
    // Whether streams write the property declared last.
    TClassBuilder& Stored(bool stored) {
        if (!stored) props_.back()->SetStored([](const TObject&) { return false; });
        return *this;
    }
    template <typename B>
    TClassBuilder& Stored(bool (B::*isStored)() const) {
        props_.back()->SetStored(
            [isStored](const TObject& o) { return (static_cast<const C&>(o).*isStored)(); });
        return *this;
    }
    // A named event handler method (void, any parameter list).
    template <typename B, typename... Args>
    TClassBuilder& Method(const char* name, void (B::*method)(Args...)) {
        static_assert(std::is_base_of_v<B, C>);
        methods_.push_back(std::make_unique<detail::TMethodEntryImpl<C, B, Args...>>(name, method));
        return *this;
    }

    TClassInfo Build() {
        return TClassInfo(name_, detail::ParentClassInfo<P>(), typeid(C),
                          std::is_base_of_v<TComponent, C>, PlainFactory(), ComponentFactory(),
                          std::move(props_), std::move(methods_));
    }

  private:
    template <typename T, typename Getter, typename Setter>
    TClassBuilder& Add(const char* name, Getter getter, Setter setter, bool writable) {
        props_.push_back(std::make_unique<TPropInfo>(
            name, TypeInfoOf<T>(),
            std::make_unique<detail::TPropAccessorImpl<C, T, Getter, Setter>>(getter, setter),
            writable));
        return *this;
    }

    static TClassInfo::PlainFactory PlainFactory() {
        if constexpr (!std::is_abstract_v<C> && !std::is_base_of_v<TComponent, C> &&
                      std::is_default_constructible_v<C>) {
            return []() -> TObject* { return new C(); };
        } else {
            return nullptr;
        }
    }
    static TClassInfo::ComponentFactory ComponentFactory() {
        if constexpr (!std::is_abstract_v<C> && std::is_base_of_v<TComponent, C> &&
                      std::is_constructible_v<C, TComponent*>) {
            return [](TComponent* owner) -> TComponent* { return new C(owner); };
        } else {
            return nullptr;
        }
    }

    const char* name_;
    std::vector<std::unique_ptr<TPropInfo>> props_;
    std::vector<std::unique_ptr<TMethodEntry>> methods_;
};

}  // namespace runtime

// Defines the class information of `Class` (parent `Parent`) declared with
// RUNTIME_CLASS; one statement per property follows, RUNTIME_END_CLASS
// closes it:
//
//   RUNTIME_BEGIN_CLASS(TMyControl, TComponent)
//   RUNTIME_PROPERTY(Caption, GetCaption, SetCaption);
//   RUNTIME_PROPERTY(Width, GetWidth, SetWidth).Default(120);
//   RUNTIME_FIELD(OnClick);
//   RUNTIME_END_CLASS
#define RUNTIME_BEGIN_CLASS(Class, Parent)                  \
    const ::runtime::TClassInfo& Class::StaticClassInfo() { \
        static const ::runtime::TClassInfo info = [] {                      \
            using Self [[maybe_unused]] = Class;                            \
            ::runtime::TClassBuilder<Class, Parent> builder(#Class);
// A property with a getter and a setter member function.
#define RUNTIME_PROPERTY(Name, Getter, Setter) builder.Property(#Name, &Self::Getter, &Self::Setter)
// A property with a getter only (streams write it only when it holds a
// sub-object, whose own properties they write).
#define RUNTIME_READONLY(Name, Getter) builder.ReadOnlyProperty(#Name, &Self::Getter)
// A public field of the same name (events are usually fields).
#define RUNTIME_FIELD(Name) builder.Field(#Name, &Self::Name)
// A handler method that layouts may name as the value of an event.
#define RUNTIME_HANDLER(Name) builder.Method(#Name, &Self::Name)
#define RUNTIME_END_CLASS   \
    return builder.Build(); \
    }                       \
    ();                     \
    return info;            \
    }
