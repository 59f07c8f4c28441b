// The builder's entry, the names of the elements it reads, and the names
// and types of declarations. The rest of it: builder_*.cpp.

#include "script/builder.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/strings.h"
#include "script/builder_internal.h"
#include "script/compiled_grammar.h"
#include "script/il_parser.h"
#include "script/intermediate_form.h"
#include "script/scope.h"

namespace script {

namespace builder {

namespace {

struct ElementName {
    std::string_view name;
    El kind;
};

constexpr ElementName kElementNames[] = {
    {"program", El::Program},
    {"types", El::Types},
    {"uses", El::Uses},
    {"var", El::Var},
    {"const", El::Const},
    {"procedure", El::Procedure},
    {"function", El::Function},
    {"parameters", El::Parameters},
    {"varparams", El::VarParams},
    {"varparam", El::VarParam},
    {"ident", El::Ident},
    {"type", El::Type},
    {"array", El::Array},
    {"dim", El::Dim},
    {"init", El::Init},
    {"name", El::Name},
    {"compoundstmt", El::Compound},
    {"assignstmt", El::Assign},
    {"modificator", El::Modificator},
    {"callstmt", El::Call},
    {"ifstmt", El::If},
    {"thenstmt", El::Then},
    {"elsestmt", El::Else},
    {"casestmt", El::Case},
    {"caseselector", El::CaseSelector},
    {"forstmt", El::For},
    {"downto", El::Downto},
    {"vbforstmt", El::VbFor},
    {"cppforstmt", El::CppFor},
    {"whilestmt", El::While},
    {"repeatstmt", El::Repeat},
    {"inverse", El::Inverse},
    {"trystmt", El::Try},
    {"finallystmt", El::Finally},
    {"exceptstmt", El::Except},
    {"break", El::Break},
    {"continue", El::Continue},
    {"exit", El::Exit},
    {"return", El::Return},
    {"with", El::With},
    {"delete", El::Delete},
    {"expr", El::Expr},
    {"op", El::Op},
    {"number", El::Number},
    {"string", El::String},
    {"dsgn", El::Dsgn},
    {"addr", El::Addr},
    {"node", El::Node},
    {"set", El::Set},
    {"range", El::Range},
    {"new", El::New},
};
static_assert(std::size(kElementNames) == static_cast<size_t>(El::Other),
              "every element kind but Other has its name");

// A hash table over the names, for the names the parser writes (lower
// case); other spellings take the slow path.
constexpr size_t kNameSlots = 256;

constexpr uint32_t NameHash(std::string_view name) {
    uint32_t hash = 2166136261u;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

struct NameSlot {
    std::string_view name;
    El kind = El::Other;
};

constexpr std::array<NameSlot, kNameSlots> MakeNameSlots() {
    std::array<NameSlot, kNameSlots> slots{};
    for (const ElementName& entry : kElementNames) {
        size_t at = NameHash(entry.name) % kNameSlots;
        while (!slots[at].name.empty()) at = (at + 1) % kNameSlots;
        slots[at] = {entry.name, entry.kind};
    }
    return slots;
}
constexpr std::array<NameSlot, kNameSlots> kNameSlotTable = MakeNameSlots();

}  // namespace

El KindOfName(std::string_view name) {
    for (size_t at = NameHash(name) % kNameSlots; !kNameSlotTable[at].name.empty();
         at = (at + 1) % kNameSlots)
        if (kNameSlotTable[at].name == name) return kNameSlotTable[at].kind;
    for (const ElementName& entry : kElementNames)
        if (runtime::SameText(entry.name, name)) return entry.kind;
    return El::Other;
}

Node FirstChild(Node element, El kind) {
    for (int i = 0; i < element.Count(); ++i)
        if (element.Child(i).Kind() == kind) return element.Child(i);
    return Node();
}

// ---- names and types ----------------------------------------------------------------------

std::string Builder::ResolveTypeName(const std::string& name) const {
    if (programTypes_) {
        for (int i = 0; i < programTypes_.Count(); ++i) {
            const Node alias = programTypes_.Child(i);
            if (runtime::SameText(alias.Name(), name)) {
                std::string resolved = alias.Attribute("type");
                if (!resolved.empty()) return resolved;
            }
        }
    }
    if (parser_ != nullptr)
        for (const LoadedGrammar::TypeAlias& alias : parser_->SelectedGrammar().TypeAliases())
            if (runtime::SameText(alias.name, name)) return alias.type;
    return name;
}

TscTypeKind Builder::TypeKind(const std::string& typeName, const TscScope& script) const {
    const TscCustomVariable* item = script.Find(typeName);
    if (item == nullptr ||
        (item->Kind == fskClass && item->ItemClass() != TscItemClass::ClassVariable))
        FailName(Msg::UnknownType, typeName);
    return item->Kind;
}

TscCustomVariable& Builder::FindVariable(const std::string& name, TscScope& script) {
    if (TscCustomVariable* item = script.Find(name)) return *item;
    if (namesMustBeDeclared_) FailName(Msg::UndeclaredIdentifier, name);
    auto created = std::make_unique<TscVariable>(name, std::string(), fskVariant);
    created->SourcePos = position_;
    created->SourceUnit = unit_;
    return program_.Add(name, std::move(created));
}

void Builder::CheckRedeclared(const std::string& name, const TscScope& script) const {
    if (script.FindLocal(name) != nullptr) FailName(Msg::IdentifierRedeclared, name);
}

}  // namespace builder

void BuildProgram(TscILParser& parser, TscScope& program) {
    IntermediateForm* form = parser.Form();
    std::unique_ptr<IntermediateForm> empty;
    if (form == nullptr) {
        empty = IntermediateForm::FromXml(parser.Intermediate().Root());
        form = empty.get();
    }
    using builder::Builder;
    using builder::Node;
    Builder builder(program, &parser);
    builder.BuildProgram(Node(*form, 0));
}

}  // namespace script
