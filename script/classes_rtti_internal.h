#pragma once

// Internal to the host-class bridges (classes_rtti*.cpp and the Windows
// groups, *_rtti_win.cpp): the shape of their member tables and the helpers
// their handlers share.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "runtime/classinfo.h"
#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "runtime/variant.h"
#include "script/items.h"
#include "script/main_thread_objects.h"
#include "script/script.h"

namespace script::classes {

// One call of a member: the instance it was reached through, the member's
// helper (methods, constructors, indexed properties) and, for writes, the
// value assigned.
struct HostCall {
    runtime::TObject* instance;
    const std::string& memberName;
    TscMethodHelper* method = nullptr;
    const runtime::Variant* value = nullptr;

    runtime::Variant Arg(int index) const { return method->GetParamValue(index); }
    void SetArg(int index, const runtime::Variant& v) const { method->SetParamValue(index, v); }
    int32_t IntArg(int index) const { return Arg(index).AsInteger(); }
    std::string StrArg(int index) const { return Arg(index).AsString(); }
    // The object an argument names: nullptr for nil; EInvalidCast for a
    // handle that is not valid or names an object of another class.
    template <typename T>
    T* ObjectArg(int index) const {
        return ObjectOf<T>(Arg(index));
    }
    // Same, nil refused.
    template <typename T>
    T& RequiredArg(int index) const {
        T* object = ObjectArg<T>(index);
        if (object == nullptr)
            throw runtime::EInvalidOperation(memberName + ": the argument is nil");
        return *object;
    }
    // The instance as a T; nil raises EInvalidOperation, another class
    // EInvalidCast.
    template <typename T>
    T& Self() const {
        if (instance == nullptr)
            throw runtime::EInvalidOperation("Cannot use " + memberName + " of nil");
        T* typed = dynamic_cast<T*>(instance);
        if (typed == nullptr) runtime::detail::RaiseInvalidCast();
        return *typed;
    }
    const runtime::Variant& Value() const { return *value; }

    template <typename T>
    static T* ObjectOf(const runtime::Variant& v) {
        if (v.IsNull() || v.IsEmpty()) return nullptr;
        T* object = runtime::ObjectOfHandleAs<T>(v.AsInt64());
        if (object != nullptr) CheckThreadFor(*object);
        return object;
    }
};

// A member's host operation; writes find the value in HostCall::value.
using HostHandler = runtime::Variant (*)(const HostCall& call);

enum class MemberKind : uint8_t { Constructor, Method, Property, Indexed, DefaultIndexed, Event };

struct MemberRow {
    MemberKind kind;
    // The declaration of a constructor or method; the name of a property or
    // an event.
    std::string_view text;
    std::string_view indexTypes;         // indexed properties
    std::string_view typeName;           // properties
    HostHandler read;                    // the method, the getter
    HostHandler write;                   // the setter; nullptr for read-only properties
    TscEventClass eventClass = nullptr;  // events: the bridge class
};

struct ClassRow {
    const runtime::TClassInfo& (*classInfo)();
    std::string_view ancestor;
    std::span<const MemberRow> members;
};

// Row builders, so the tables read as the declarations they are.
constexpr MemberRow Ctor(std::string_view syntax, HostHandler handler) {
    return {MemberKind::Constructor, syntax, {}, {}, handler, nullptr};
}
constexpr MemberRow Method(std::string_view syntax, HostHandler handler) {
    return {MemberKind::Method, syntax, {}, {}, handler, nullptr};
}
constexpr MemberRow Prop(std::string_view name, std::string_view typeName, HostHandler get,
                         HostHandler set = nullptr) {
    return {MemberKind::Property, name, {}, typeName, get, set};
}
constexpr MemberRow Indexed(std::string_view name, std::string_view indexTypes,
                            std::string_view typeName, HostHandler get, HostHandler set = nullptr) {
    return {MemberKind::Indexed, name, indexTypes, typeName, get, set};
}
constexpr MemberRow DefaultIndexed(std::string_view name, std::string_view indexTypes,
                                   std::string_view typeName, HostHandler get,
                                   HostHandler set = nullptr) {
    return {MemberKind::DefaultIndexed, name, indexTypes, typeName, get, set};
}

constexpr MemberRow Event(std::string_view name, TscEventClass eventClass) {
    return {MemberKind::Event, name, {}, {}, nullptr, nullptr, eventClass};
}

// Declares the classes in order, each member bound to its handler. A class
// the script knows already keeps its members.
void DeclareClasses(TscScript& script, std::span<const ClassRow> classes);

struct ConstRow {
    std::string_view name;
    int32_t value;
};
// Integer constants.
void DeclareConstants(TscScript& script, std::span<const ConstRow> constants);

struct EnumRow {
    std::string_view typeName;
    std::string_view names;
};
void DeclareEnums(TscScript& script, std::span<const EnumRow> enums);
void DeclareEnumSets(TscScript& script, std::span<const EnumRow> sets);

// The information of a class the class library lacks: scripts know it by
// name and reach its parent's published properties, and it has no
// instances (constructing one is refused as for an abstract class).
std::unique_ptr<runtime::TClassInfo> NameOnlyClass(std::string name,
                                                   const runtime::TClassInfo& parent);
// The constructor without arguments: the engine hands it an instance made
// by the class's own constructor; a class without one a script may call
// (abstract, or known by name only) has none and is refused.
runtime::Variant ConstructedInstance(const HostCall& call);

// The handler of members of such classes: EInvalidOperation.
runtime::Variant NotInClassLibrary(const HostCall& call);

// An object as a script value: its handle (0 for nil).
inline runtime::Variant ObjectValue(runtime::TObject* object) {
    return runtime::Variant(runtime::HandleOf(object));
}
inline runtime::Variant NoValue() {
    return runtime::Variant(int32_t{0});
}

// The classes of each family, in declaration order.
std::span<const ClassRow> ObjectAndListClasses();       // TObject .. TStringList
std::span<const ClassRow> StreamAndComponentClasses();  // TStream .. TComponent
std::span<const ClassRow> XmlClasses();                 // TscXMLItem, TscXMLDocument

}  // namespace script::classes
