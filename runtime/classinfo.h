#pragma once

// Class information: a class's name, its parent, its factories, its published
// properties (inherited ones included) and its named event handlers; and the
// registry that finds a class by name.
//
// A class declares its class information with RUNTIME_CLASS(TMyClass) in its
// body, and defines it in its .cpp file with one line per published property:
//
//   RUNTIME_BEGIN_CLASS(TMyControl, TComponent)
//   RUNTIME_PROPERTY(Caption, GetCaption, SetCaption);
//   RUNTIME_PROPERTY(Width, GetWidth, SetWidth).Default(120);
//   RUNTIME_FIELD(OnClick);
//   RUNTIME_END_CLASS
//
// (runtime/properties.h). The information is built once, on first use.
// Classes enter the by-name registry only through explicit RegisterClassInfo
// calls made by each subsystem's start-up.

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "runtime/object.h"

namespace runtime {

class TComponent;
class TPropInfo;
class TMethodEntry;

class TClassInfo {
  public:
    using PlainFactory = TObject* (*)();
    using ComponentFactory = TComponent* (*)(TComponent* owner);

    // Made by TClassBuilder (runtime/properties.h). Not movable: the
    // property records point back at it.
    TClassInfo(std::string name, const TClassInfo* parent, const std::type_info& type,
               bool isComponentClass, PlainFactory plainFactory, ComponentFactory componentFactory,
               std::vector<std::unique_ptr<TPropInfo>> ownProperties,
               std::vector<std::unique_ptr<TMethodEntry>> ownMethods);
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;
    ~TClassInfo();

    const std::string& Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    // The C++ class the information describes.
    const std::type_info& Type() const { return *type_; }
    // True for this class and every class derived from `other`.
    bool InheritsFrom(const TClassInfo& other) const;
    bool IsComponentClass() const { return isComponentClass_; }

    // ---- factories ------------------------------------------------------------
    // Whether Create()/CreateComponent() can make an instance (abstract
    // classes and classes without a suitable constructor cannot).
    bool CanCreate() const { return plainFactory_ != nullptr || componentFactory_ != nullptr; }
    // A new, fully constructed instance that the caller owns (a component
    // without owner). EInvalidOperation when the class cannot be created.
    std::unique_ptr<TObject> Create() const;
    // A new component owned by `owner`. EInvalidOperation when the class is no
    // component class or cannot be created.
    TComponent& CreateComponent(TComponent& owner) const;

    // ---- published properties ---------------------------------------------------
    // Every published property, inherited ones included, in alphabetical
    // order of their names (without regard to ASCII case). A property
    // declared again by a descendant replaces the ancestor's.
    std::span<const TPropInfo* const> Properties() const { return sorted_; }
    // The same properties in declaration order, ancestors' first: the order in
    // which component streams write them.
    std::span<const TPropInfo* const> PropertiesInDeclarationOrder() const { return declared_; }
    // The property of that name (without regard to ASCII case), nullptr when none.
    const TPropInfo* FindProperty(std::string_view name) const;

    // ---- named event handlers -------------------------------------------------
    // The handler method of that name declared by this class or an ancestor
    // (without regard to ASCII case), nullptr when none.
    const TMethodEntry* FindMethod(std::string_view name) const;

  private:
    std::string name_;
    const TClassInfo* parent_;
    const std::type_info* type_;
    bool isComponentClass_;
    PlainFactory plainFactory_;
    ComponentFactory componentFactory_;
    std::vector<std::unique_ptr<TPropInfo>> ownProperties_;
    std::vector<std::unique_ptr<TMethodEntry>> ownMethods_;
    std::vector<const TPropInfo*> sorted_;
    std::vector<const TPropInfo*> declared_;
};

// Class information of the library classes that do not declare their own
// (runtime/libraryclasses.cpp); a class derived from one of them without
// declaring its own shares it.
class TList;
class TStrings;
class TStringList;
class TCollection;
class TCollectionItem;
class TStream;
class TMemoryStream;
class TFileStream;
const TClassInfo& ExternalClassInfo(const TList*);
const TClassInfo& ExternalClassInfo(const TStrings*);
const TClassInfo& ExternalClassInfo(const TStringList*);
const TClassInfo& ExternalClassInfo(const TCollection*);
const TClassInfo& ExternalClassInfo(const TCollectionItem*);
const TClassInfo& ExternalClassInfo(const TStream*);
const TClassInfo& ExternalClassInfo(const TMemoryStream*);
const TClassInfo& ExternalClassInfo(const TFileStream*);
// The library class information for an object of one of those classes
// (TObject::ClassInfo uses it); nullptr for other objects.
const TClassInfo* LibraryClassInfoOf(const TObject& object);

// The class information of C: its own when it declares it, else that of the
// library class it derives from, else its nearest declaring ancestor's.
template <typename C>
const TClassInfo& ClassInfoOf() {
    static_assert(std::is_base_of_v<TObject, C>, "class information exists for TObject classes");
    if constexpr (std::is_same_v<typename C::RuntimeClassSelf, C>) {
        return C::StaticClassInfo();
    } else if constexpr (requires { ExternalClassInfo(static_cast<const C*>(nullptr)); }) {
        return ExternalClassInfo(static_cast<const C*>(nullptr));
    } else {
        return C::StaticClassInfo();
    }
}

// ---- the class registry ---------------------------------------------------------

// Enters a class in the by-name registry (again: nothing). Registering a
// different class under a name already taken raises EStreamError
// "A class named <name> already exists". (Not named RegisterClass: the
// Windows headers define that name as a macro.)
void RegisterClassInfo(const TClassInfo& classInfo);
void UnregisterClassInfo(const TClassInfo& classInfo);
template <typename C>
void RegisterClassInfo() {
    RegisterClassInfo(ClassInfoOf<C>());
}
// The registered class of that name (without regard to ASCII case).
const TClassInfo* FindClass(std::string_view name);
// Same; EClassNotFound "Class <name> not found" when there is none.
const TClassInfo& GetClass(std::string_view name);

// Registers the runtime's own classes (TObject, TPersistent, TComponent and
// the library classes above) by name; part of the runtime's start-up.
void RegisterRuntimeClasses();

}  // namespace runtime

// Declares the class information of `Class`; place it first in the class
// body. It leaves the access at public.
#define RUNTIME_CLASS(Class)                                  \
  public:                                                     \
    using RuntimeClassSelf = Class;                           \
    static const ::runtime::TClassInfo& StaticClassInfo();    \
    const ::runtime::TClassInfo& ClassInfo() const override { \
        return StaticClassInfo();                             \
    }
