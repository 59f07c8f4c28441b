#include "script/classes_rtti.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "runtime/properties.h"

#include "script/classes_rtti_internal.h"

namespace script::classes {

namespace {

using runtime::Variant;

constexpr ConstRow kConstants[] = {
    {"fmCreate", 65535},     {"fmOpenRead", 0},        {"fmOpenWrite", 1},
    {"fmOpenReadWrite", 2},  {"fmShareExclusive", 16}, {"fmShareDenyWrite", 32},
    {"fmShareDenyNone", 64}, {"soFromBeginning", 0},   {"soFromCurrent", 1},
    {"soFromEnd", 2},
};
static_assert(std::size(kConstants) == 10);

constexpr EnumRow kEnums[] = {
    {"TDuplicates", "dupIgnore, dupAccept, dupError"},
    {"TPrinterOrientation", "poPortrait, poLandscape"},
};

bool IsWrite(const std::string& memberName) {
    return memberName.size() > 4 && memberName.compare(memberName.size() - 4, 4, ".SET") == 0;
}

void DeclareMember(TscClassVariable& cls, const MemberRow& row) {
    const HostHandler read = row.read;
    const HostHandler write = row.write;
    const auto method = [read](runtime::TObject* instance, const runtime::TClassInfo*,
                               const std::string& name, TscMethodHelper& caller) {
        return read(HostCall{instance, name, &caller});
    };
    switch (row.kind) {
        case MemberKind::Constructor:
            cls.DeclareConstructorEx(row.text, method);
            break;
        case MemberKind::Method:
            cls.DeclareMethodEx(row.text, method);
            break;
        case MemberKind::Property: {
            TscPropSetEvent setter;
            if (write != nullptr)
                setter = [write](runtime::TObject* instance, const runtime::TClassInfo*,
                                 const std::string& name, const Variant& value) {
                    (void)write(HostCall{instance, name, nullptr, &value});
                };
            cls.DeclareProperty(
                std::string(row.text), row.typeName,
                [read](runtime::TObject* instance, const runtime::TClassInfo*,
                       const std::string& name) {
                    return read(HostCall{instance, name});
                },
                std::move(setter));
            break;
        }
        case MemberKind::Event:
            cls.DeclareEvent(std::string(row.text), row.eventClass);
            break;
        case MemberKind::Indexed:
        case MemberKind::DefaultIndexed: {
            const auto indexed = [read, write](runtime::TObject* instance,
                                               const runtime::TClassInfo*, const std::string& name,
                                               TscMethodHelper& caller) {
                if (!IsWrite(name)) return read(HostCall{instance, name, &caller});
                const Variant value = caller.GetParamValue(caller.ParamCount());
                return write(HostCall{instance, name, &caller, &value});
            };
            const bool readOnly = write == nullptr;
            if (row.kind == MemberKind::DefaultIndexed)
                cls.DeclareDefaultProperty(row.text, row.indexTypes, row.typeName, indexed,
                                           readOnly);
            else
                cls.DeclareIndexedProperty(row.text, row.indexTypes, row.typeName, indexed,
                                           readOnly);
            break;
        }
    }
}

}  // namespace

void DeclareClasses(TscScript& script, std::span<const ClassRow> classes) {
    for (const ClassRow& row : classes) {
        TscClassVariable* cls = script.DeclareClass(row.classInfo(), row.ancestor);
        // A class the script knows already keeps its members.
        if (cls == nullptr) continue;
        for (const MemberRow& member : row.members) DeclareMember(*cls, member);
    }
}

namespace {
// The C++ type of classes known by name only.
struct TNameOnly {};
}  // namespace

std::unique_ptr<runtime::TClassInfo> NameOnlyClass(std::string name,
                                                   const runtime::TClassInfo& parent) {
    return std::make_unique<runtime::TClassInfo>(
        std::move(name), &parent, typeid(TNameOnly), parent.IsComponentClass(), nullptr, nullptr,
        std::vector<std::unique_ptr<runtime::TPropInfo>>(),
        std::vector<std::unique_ptr<runtime::TMethodEntry>>());
}

Variant ConstructedInstance(const HostCall& call) {
    if (call.instance == nullptr)
        throw runtime::EInvalidOperation("Cannot create an instance of an abstract class");
    return ObjectValue(call.instance);
}

Variant NotInClassLibrary(const HostCall& call) {
    throw runtime::EInvalidOperation(call.memberName + ": the class library has no such class");
}

void DeclareConstants(TscScript& script, std::span<const ConstRow> constants) {
    for (const ConstRow& c : constants) script.DeclareConst(c.name, "Integer", Variant(c.value));
}

void DeclareEnums(TscScript& script, std::span<const EnumRow> enums) {
    for (const EnumRow& e : enums) script.DeclareEnum(e.typeName, e.names);
}

void DeclareEnumSets(TscScript& script, std::span<const EnumRow> sets) {
    for (const EnumRow& e : sets) script.DeclareEnumSet(e.typeName, e.names);
}

TFunctions::TFunctions(TscScript& script) : TscRTTIModule(script) {
    DeclareConstants(script, kConstants);
    DeclareEnums(script, kEnums);
    DeclareClasses(script, ObjectAndListClasses());
    DeclareClasses(script, StreamAndComponentClasses());
    DeclareClasses(script, XmlClasses());
}

void RegisterClassesModule() {
    RegisterModuleClass(&NewModule<TFunctions>);
}

}  // namespace script::classes
