#include "script/builder.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/component.h"
#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "runtime/strings.h"
#include "script/conversions.h"
#include "script/designator.h"
#include "script/errors.h"
#include "script/expression.h"
#include "script/il_parser.h"
#include "script/limits.h"
#include "script/script.h"
#include "script/statements.h"
#include "script/xml_tree.h"

namespace script {

using runtime::Variant;

namespace {

// The elements of the intermediate form the builder understands.
enum class El {
    Program,
    Types,
    Uses,
    Var,
    Const,
    Procedure,
    Function,
    Parameters,
    VarParams,
    VarParam,
    Ident,
    Type,
    Array,
    Dim,
    Init,
    Name,
    Compound,
    Assign,
    Modificator,
    Call,
    If,
    Then,
    Else,
    Case,
    CaseSelector,
    For,
    Downto,
    VbFor,
    CppFor,
    While,
    Repeat,
    Inverse,
    Try,
    Finally,
    Except,
    Break,
    Continue,
    Exit,
    Return,
    With,
    Delete,
    Expr,
    Op,
    Number,
    String,
    Dsgn,
    Addr,
    Node,
    Set,
    Range,
    New,
    Other,
};

struct ElementName {
    std::string_view name;
    El kind;
};

constexpr std::array<ElementName, 51> kElementNames{{
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
}};

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

El KindOfName(std::string_view name) {
    for (size_t at = NameHash(name) % kNameSlots; !kNameSlotTable[at].name.empty();
         at = (at + 1) % kNameSlots)
        if (kNameSlotTable[at].name == name) return kNameSlotTable[at].kind;
    for (const ElementName& entry : kElementNames)
        if (runtime::SameText(entry.name, name)) return entry.kind;
    return El::Other;
}

// An element's kind, looked up once: the builder owns the intermediate form
// it builds (every element it reads is a mutable object), and keeps the
// kind plus one in the element's Data.
El KindOf(const TscXMLItem& element) {
    if (element.Data > 0) return static_cast<El>(element.Data - 1);
    const El kind = KindOfName(element.Name);
    const_cast<TscXMLItem&>(element).Data = static_cast<int32_t>(kind) + 1;
    return kind;
}

// The raw (escaped) value of an attribute of an element: the intermediate
// form's attribute text is name="value" pairs separated by blanks, values
// escaped so that they hold no quote.
std::string_view RawAttribute(const TscXMLItem& element, std::string_view name) {
    const std::string_view text = element.Text;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && text[at] == ' ') ++at;
        const size_t equals = text.find('=', at);
        if (equals == std::string_view::npos || equals + 1 >= text.size() ||
            text[equals + 1] != '"')
            return {};
        size_t close = text.find('"', equals + 2);
        if (close == std::string_view::npos) close = text.size();
        const std::string_view key = text.substr(at, equals - at);
        if (key == name || (key.size() == name.size() && runtime::SameText(key, name)))
            return text.substr(equals + 2, close - equals - 2);
        at = close + 1;
    }
    return {};
}

// An attribute's value, unescaped.
std::string Attr(const TscXMLItem& element, std::string_view name) {
    const std::string_view raw = RawAttribute(element, name);
    return raw.find('&') == std::string_view::npos ? std::string(raw) : XmlUnescape(raw);
}

const TscXMLItem* FirstChild(const TscXMLItem& element, El kind) {
    for (int i = 0; i < element.Count(); ++i)
        if (KindOf(element.Items(i)) == kind) return &element.Items(i);
    return nullptr;
}

Variant InitialValue(TscTypeKind kind) {
    switch (kind) {
        case fskBool:
            return Variant(false);
        case fskChar:
        case fskString:
            return Variant(std::string());
        case fskInt:
        case fskFloat:
        case fskClass:
            return Variant(0);
        default:
            return Variant::Null();
    }
}

// Items whose value the builder may read without running a procedure or
// host code.
bool ReadsDataOnly(const TscCustomVariable& item) {
    switch (item.ItemClass()) {
        case TscItemClass::Variable:
        case TscItemClass::StringVariable:
        case TscItemClass::Param:
        case TscItemClass::ComponentHelper:
        case TscItemClass::ClassVariable:
        case TscItemClass::ArrayHelper:
        case TscItemClass::StringHelper:
            return true;
        default:
            return false;
    }
}

// Sets a constant whose value is known only when its block runs (its
// expression calls something): the read-only variable gets it here.
class ConstInitStmt final : public TscStatement {
  public:
    ConstInitStmt(TscScript& script, std::string position, std::string unit,
                  TscCustomVariable& constant, std::unique_ptr<TscExpression> value)
        : TscStatement(script, std::move(position), std::move(unit)),
          constant_(constant),
          value_(std::move(value)) {}

    void Execute() override {
        RunLine();
        constant_.Value = value_->GetValue();
    }

  private:
    TscCustomVariable& constant_;
    std::unique_ptr<TscExpression> value_;
};

class Builder {
  public:
    // `parser` is null for a designator built at run time; then every name
    // must be known and nothing is deferred again.
    Builder(TscScript& program, TscILParser* parser)
        : program_(program),
          parser_(parser),
          runTime_(parser == nullptr),
          namesMustBeDeclared_(parser == nullptr || parser->NamesMustBeDeclared()) {
        if (parser_ != nullptr) {
            const int at = parser_->GrammarRoot().Find("types");
            if (at >= 0) grammarTypes_ = &parser_->GrammarRoot().Items(at);
        }
    }

    void BuildProgram(const TscXMLItem& root);
    std::unique_ptr<TscDesignator> BuildDesignator(const TscXMLItem& element, TscScript& script,
                                                   int mode);

  private:
    struct WithEntry {
        std::string name;
        TscCustomVariable* variable;
        TscScript* script;
    };

    // ---- errors and positions ----
    void Start(const TscXMLItem& element) {
        const std::string_view position = RawAttribute(element, "pos");
        if (!position.empty()) position_.assign(position);
    }
    [[noreturn]] void Fail(Msg message) const {
        throw EScriptError(std::string(MessageText(message)), position_);
    }
    [[noreturn]] void FailName(Msg message, std::string_view name) const {
        std::string text(MessageText(message));
        text += '\'';
        text += name;
        text += '\'';
        throw EScriptError(std::move(text), position_);
    }
    [[noreturn]] void FailTypes(const TscCustomVariable& target,
                                const TscCustomVariable& source) const {
        std::string text(MessageText(Msg::IncompatibleTypes));
        text += ": '" + target.TypeName() + "', '" + source.TypeName() + "'";
        throw EScriptError(std::move(text), position_);
    }

    // ---- names and types ----
    std::string ResolveTypeName(const std::string& name) const;
    TscTypeKind TypeKind(const std::string& typeName, const TscScript& script) const;
    TscCustomVariable& FindVariable(const std::string& name, TscScript& script);
    void CheckRedeclared(const std::string& name, const TscScript& script) const;

    // ---- blocks and declarations ----
    void BuildBlock(const TscXMLItem& element, TscScript& script, TscProcVariable* proc);
    void DeclareProcedures(const TscXMLItem& element, TscScript& script);
    void DeclareProcedure(const TscXMLItem& element, TscScript& script);
    void DeclareParameters(const TscXMLItem& element, TscProcVariable& proc);
    void BuildVar(const TscXMLItem& element, TscScript& script, TscStatement& list,
                  TscProcVariable* proc);
    void BuildVariable(const TscXMLItem& ident, const std::string& typeName,
                       const TscXMLItem* typeElement, const TscXMLItem* array,
                       const TscXMLItem* init, const TscXMLItem& element, TscScript& script,
                       TscStatement& list, TscProcVariable* proc);
    void BuildConst(const TscXMLItem& element, TscScript& script, TscStatement& list);
    void BuildUses(const TscXMLItem& element, TscScript& script, TscProcVariable* proc);

    // ---- statements ----
    void BuildStatement(const TscXMLItem& element, TscScript& script, TscStatement& list,
                        TscProcVariable* proc);
    void BuildStatements(const TscXMLItem& element, int from, int to, TscScript& script,
                         TscStatement& list, TscProcVariable* proc);
    void BuildAssignment(const TscXMLItem& element, TscScript& script, TscStatement& list);
    void BuildCall(const TscXMLItem& element, TscScript& script, TscStatement& list, int mode);
    void BuildIf(const TscXMLItem& element, TscScript& script, TscStatement& list,
                 TscProcVariable* proc);
    void BuildCase(const TscXMLItem& element, TscScript& script, TscStatement& list,
                   TscProcVariable* proc);
    void BuildFor(const TscXMLItem& element, TscScript& script, TscStatement& list,
                  TscProcVariable* proc, bool vbStyle);
    void BuildCppFor(const TscXMLItem& element, TscScript& script, TscStatement& list,
                     TscProcVariable* proc);
    void BuildWhile(const TscXMLItem& element, TscScript& script, TscStatement& list,
                    TscProcVariable* proc);
    void BuildRepeat(const TscXMLItem& element, TscScript& script, TscStatement& list,
                     TscProcVariable* proc);
    void BuildTry(const TscXMLItem& element, TscScript& script, TscStatement& list,
                  TscProcVariable* proc);
    void BuildReturn(const TscXMLItem& element, TscScript& script, TscStatement& list);
    void BuildWith(const TscXMLItem& element, TscScript& script, TscStatement& list,
                   TscProcVariable* proc);
    TscCustomVariable& LoopVariable(const TscXMLItem& element, TscScript& script);

    // ---- expressions and designators ----
    std::unique_ptr<TscExpression> BuildExpression(const TscXMLItem& element, TscScript& script);
    std::unique_ptr<TscExpression> BuildConstantExpression(const TscXMLItem& element,
                                                           TscScript& script);
    void AddExpressionChildren(const TscXMLItem& element, TscExpression& expression,
                               TscScript& script);
    std::unique_ptr<TscSetExpression> BuildSet(const TscXMLItem& element, TscScript& script);
    std::unique_ptr<TscDesignator> VariableDesignator(TscCustomVariable& variable,
                                                      TscScript& script);
    std::unique_ptr<TscDesignator> Defer(std::unique_ptr<TscDesignator> designator,
                                         const TscXMLItem& element, const std::string& name);
    void FinishDesignator(TscDesignator& designator);
    std::string SourceText(const TscXMLItem& element) const;
    bool ValueOf(TscDesignator& designator, Variant& value) const;
    TscCustomVariable& HelperItem(const char* name, TscScript& script);

    TscScript& program_;
    TscILParser* parser_;
    const TscXMLItem* programTypes_ = nullptr;
    const TscXMLItem* grammarTypes_ = nullptr;
    bool runTime_;
    bool namesMustBeDeclared_;
    std::string position_;
    std::string unit_;
    std::vector<WithEntry> withs_;
    std::unordered_map<const TscXMLItem*, TscProcVariable*> procedures_;
    int64_t arrayElements_ = 0;  // declared so far (kMaxArrayElements)
};

// ---- names and types ----------------------------------------------------------------------

std::string Builder::ResolveTypeName(const std::string& name) const {
    for (const TscXMLItem* types : {programTypes_, grammarTypes_}) {
        if (types == nullptr) continue;
        for (int i = 0; i < types->Count(); ++i) {
            const TscXMLItem& alias = types->Items(i);
            if (runtime::SameText(alias.Name, name)) {
                std::string resolved = Attr(alias, "type");
                if (!resolved.empty()) return resolved;
            }
        }
    }
    return name;
}

TscTypeKind Builder::TypeKind(const std::string& typeName, const TscScript& script) const {
    const TscCustomVariable* item = script.Find(typeName);
    if (item == nullptr ||
        (item->Kind == fskClass && item->ItemClass() != TscItemClass::ClassVariable))
        FailName(Msg::UnknownType, typeName);
    return item->Kind;
}

TscCustomVariable& Builder::FindVariable(const std::string& name, TscScript& script) {
    if (TscCustomVariable* item = script.Find(name)) return *item;
    if (namesMustBeDeclared_) FailName(Msg::UndeclaredIdentifier, name);
    auto created = std::make_unique<TscVariable>(name, std::string(), fskVariant);
    created->SourcePos = position_;
    created->SourceUnit = unit_;
    return program_.Add(name, std::move(created));
}

void Builder::CheckRedeclared(const std::string& name, const TscScript& script) const {
    if (script.FindLocal(name) != nullptr) FailName(Msg::IdentifierRedeclared, name);
}

TscCustomVariable& Builder::HelperItem(const char* name, TscScript& script) {
    return FindVariable(name, script);
}

// ---- program, blocks, declarations -----------------------------------------------------------

void Builder::BuildProgram(const TscXMLItem& root) {
    withs_.clear();
    program_.ErrorUnit.clear();
    unit_.clear();
    for (int i = root.Count() - 1; i >= 0; --i) {
        if (KindOf(root.Items(i)) == El::Types) {
            programTypes_ = &root.Items(i);
            break;
        }
    }
    try {
        BuildBlock(root, program_, nullptr);
        program_.ErrorPosition.clear();
    } catch (const runtime::Exception& e) {
        program_.ErrorMessage =
            e.Message().empty() ? std::string(MessageText(Msg::SyntaxError)) : e.Message();
        program_.ErrorPosition = position_;
        program_.ErrorUnit = unit_;
    }
}

void Builder::BuildBlock(const TscXMLItem& element, TscScript& script, TscProcVariable* proc) {
    DeclareProcedures(element, script);
    for (int i = 0; i < element.Count(); ++i)
        BuildStatement(element.Items(i), script, script.MainList(), proc);
}

void Builder::DeclareProcedures(const TscXMLItem& element, TscScript& script) {
    for (int i = 0; i < element.Count(); ++i) {
        const TscXMLItem& child = element.Items(i);
        const El kind = KindOf(child);
        if (kind == El::Procedure || kind == El::Function)
            DeclareProcedure(child, script);
        else if (kind == El::Compound)
            DeclareProcedures(child, script);
    }
}

void Builder::DeclareProcedure(const TscXMLItem& element, TscScript& script) {
    Start(element);
    const TscXMLItem* nameElement = FirstChild(element, El::Name);
    if (nameElement == nullptr && element.Count() > 0) nameElement = &element.Items(0);
    const std::string name = nameElement != nullptr ? Attr(*nameElement, "text") : std::string();
    if (nameElement != nullptr) Start(*nameElement);
    CheckRedeclared(name, script);
    const TscXMLItem* typeElement = FirstChild(element, El::Type);
    const std::string typeText =
        typeElement != nullptr ? Attr(*typeElement, "text") : std::string();
    const bool isFunction = KindOf(element) == El::Function && !runtime::SameText(typeText, "void");
    std::string typeName;
    TscTypeKind kind = fskVariant;
    if (isFunction && !typeText.empty()) {
        if (typeElement != nullptr) Start(*typeElement);
        typeName = ResolveTypeName(typeText);
        kind = TypeKind(typeName, script);
    }
    auto created = std::make_unique<TscProcVariable>(name, typeName, kind, isFunction, script);
    created->SourcePos = position_;
    created->SourceUnit = unit_;
    TscProcVariable& proc = script.Add(name, std::move(created));
    procedures_[&element] = &proc;
    if (const TscXMLItem* parameters = FirstChild(element, El::Parameters))
        DeclareParameters(*parameters, proc);
}

void Builder::DeclareParameters(const TscXMLItem& element, TscProcVariable& proc) {
    TscScript& local = *proc.LocalScript;
    bool nextByReference = false;
    for (int g = 0; g < element.Count(); ++g) {
        const TscXMLItem& group = element.Items(g);
        const El groupKind = KindOf(group);
        if (groupKind == El::VarParams) {
            nextByReference = true;
            continue;
        }
        if (groupKind != El::Var) continue;
        Start(group);
        bool byReference = nextByReference;
        nextByReference = false;
        const TscXMLItem* typeElement = FirstChild(group, El::Type);
        const std::string typeName =
            ResolveTypeName(typeElement != nullptr ? Attr(*typeElement, "text") : "Variant");
        if (typeElement != nullptr) Start(*typeElement);
        const TscTypeKind kind = TypeKind(typeName, local);
        const TscXMLItem* init = FirstChild(group, El::Init);
        Variant defaultValue = Variant::Null();
        if (init != nullptr) {
            const TscXMLItem* expression = FirstChild(*init, El::Expr);
            if (expression == nullptr) Fail(Msg::ConstantExpressionExpected);
            std::unique_ptr<TscExpression> value = BuildConstantExpression(*expression, local);
            TscVariable probe(std::string(), typeName, kind);
            Start(*init);
            if (!AssignCompatible(probe, *value, local)) FailTypes(probe, *value);
            defaultValue = value->GetValue();
        }
        for (int i = 0; i < group.Count(); ++i) {
            const TscXMLItem& child = group.Items(i);
            const El kindOfChild = KindOf(child);
            if (kindOfChild == El::VarParam) {
                byReference = true;
                continue;
            }
            if (kindOfChild != El::Ident) continue;
            Start(child);
            const std::string name = Attr(child, "text");
            CheckRedeclared(name, local);
            auto param =
                std::make_unique<TscParamItem>(name, byReference, init != nullptr, typeName, kind);
            param->DefValue = defaultValue;
            param->SourcePos = position_;
            param->SourceUnit = unit_;
            TscParamItem& added = *param;
            proc.AddParam(std::move(param));
            local.AddItemReference(name, added);
        }
    }
}

void Builder::BuildVar(const TscXMLItem& element, TscScript& script, TscStatement& list,
                       TscProcVariable* proc) {
    Start(element);
    int typeAt = -1;
    for (int i = 0; i < element.Count(); ++i) {
        if (KindOf(element.Items(i)) == El::Type) {
            typeAt = i;
            break;
        }
    }
    const std::string typeText =
        typeAt >= 0 ? Attr(element.Items(typeAt), "text") : std::string("Variant");
    const TscXMLItem* typeElement = typeAt >= 0 ? &element.Items(typeAt) : nullptr;
    const bool typeFirst = typeAt == 0;
    for (int i = 0; i < element.Count(); ++i) {
        const TscXMLItem& ident = element.Items(i);
        if (KindOf(ident) != El::Ident) continue;
        const TscXMLItem* array = nullptr;
        const TscXMLItem* init = nullptr;
        for (int j = i + 1; j < element.Count(); ++j) {
            const El kind = KindOf(element.Items(j));
            if (kind == El::Ident) {
                if (typeFirst) break;
                continue;
            }
            if (kind == El::Array && array == nullptr) array = &element.Items(j);
            if (kind == El::Init && init == nullptr) init = &element.Items(j);
        }
        BuildVariable(ident, typeText, typeElement, array, init, element, script, list, proc);
    }
}

void Builder::BuildVariable(const TscXMLItem& ident, const std::string& typeText,
                            const TscXMLItem* typeElement, const TscXMLItem* array,
                            const TscXMLItem* init, const TscXMLItem& element, TscScript& script,
                            TscStatement& list, TscProcVariable* proc) {
    Start(ident);
    const std::string name = Attr(ident, "text");
    const std::string identPos = position_;
    CheckRedeclared(name, script);
    const std::string typeName = ResolveTypeName(typeText);
    if (typeElement != nullptr) Start(*typeElement);
    TscTypeKind kind = TypeKind(typeName, script);
    Variant initial = InitialValue(kind);
    TscArrayHelper* helper = nullptr;
    if (array != nullptr) {
        Start(*array);
        std::vector<runtime::TVarArrayBound> bounds;
        int64_t elements = 1;
        for (int d = 0; d < array->Count(); ++d) {
            const TscXMLItem& dim = array->Items(d);
            if (KindOf(dim) != El::Dim) continue;
            Start(dim);
            std::vector<int32_t> ends;
            for (int e = 0; e < dim.Count(); ++e) {
                if (KindOf(dim.Items(e)) != El::Expr) continue;
                ends.push_back(
                    BuildConstantExpression(dim.Items(e), script)->GetValue().AsInteger());
            }
            if (ends.empty()) continue;
            const int64_t low = ends.size() >= 2 ? ends[0] : 0;
            const int64_t high = ends.size() >= 2 ? ends[1] : int64_t{ends[0]} - 1;
            const int64_t count = high - low + 1;
            if (count < 0) {
                throw runtime::EVariantArrayCreateError("Error creating variant or safe array");
            }
            elements *= count;
            if (elements + arrayElements_ > kMaxArrayElements) Fail(Msg::ArrayTooLarge);
            bounds.push_back({static_cast<int32_t>(low), static_cast<int32_t>(count)});
        }
        if (bounds.empty()) bounds.push_back({0, 1});
        if (bounds.size() > 3) Fail(Msg::TooManyDimensions);
        arrayElements_ += elements;
        initial = Variant::CreateArray(bounds, runtime::varVariant);
        auto created = std::make_unique<TscArrayHelper>(std::string(), typeName, kind,
                                                        static_cast<int>(bounds.size()));
        helper = &script.Add(std::string(), std::move(created));
        kind = fskArray;
    }
    std::unique_ptr<TscVariable> variable;
    if (kind == fskChar || kind == fskString)
        variable = std::make_unique<TscStringVariable>(name, typeName, kind);
    else
        variable = std::make_unique<TscVariable>(name, typeName, kind);
    variable->Value = initial;
    variable->LinkedItem = helper;
    variable->SourcePos = identPos;
    variable->SourceUnit = unit_;
    TscVariable& added = script.Add(name, std::move(variable));
    if (proc != nullptr) proc->AddLocal(added, initial);

    if (init != nullptr) {
        const TscXMLItem* expression = FirstChild(*init, El::Expr);
        if (expression == nullptr) return;
        std::unique_ptr<TscExpression> value = BuildExpression(*expression, script);
        Start(*init);
        if (!AssignCompatible(added, *value, script)) FailTypes(added, *value);
        auto statement = std::make_unique<TscAssignmentStmt>(script, Attr(element, "pos"), unit_);
        statement->TargetDesignator = VariableDesignator(added, script);
        statement->ValueExpr = std::move(value);
        statement->Prepare();
        list.Add(std::move(statement));
    }
}

void Builder::BuildConst(const TscXMLItem& element, TscScript& script, TscStatement& list) {
    Start(element);
    const TscXMLItem* ident = FirstChild(element, El::Ident);
    const TscXMLItem* expression = FirstChild(element, El::Expr);
    if (ident == nullptr || expression == nullptr) return;
    Start(*ident);
    const std::string name = Attr(*ident, "text");
    const std::string identPos = position_;
    CheckRedeclared(name, script);
    std::unique_ptr<TscExpression> value = BuildExpression(*expression, script);
    auto constant = std::make_unique<TscVariable>(name, value->DeclTypeName, value->Kind);
    constant->ReadOnly = true;
    constant->SourcePos = identPos;
    constant->SourceUnit = unit_;
    if (value->IsPure()) {
        constant->Value = value->GetValue();
        constant->IsConstant = true;
        script.Add(name, std::move(constant));
        return;
    }
    // Compiling runs no host code: a constant that calls something gets its
    // value when its block runs.
    TscVariable& added = script.Add(name, std::move(constant));
    list.Add(std::make_unique<ConstInitStmt>(script, Attr(element, "pos"), unit_, added,
                                             std::move(value)));
}

void Builder::BuildUses(const TscXMLItem& element, TscScript& script, TscProcVariable* proc) {
    const std::string savedUnit = unit_;
    unit_ = Attr(element, "unit");
    std::string text;
    if (program_.OnGetILUnit) program_.OnGetILUnit(&program_, unit_, text);
    if (!text.empty()) {
        TscXMLDocument document;
        document.LoadFromString(text);
        BuildBlock(document.Root(), script, proc);
    } else {
        for (int i = 0; i < element.Count(); ++i)
            if (KindOf(element.Items(i)) == El::Program) BuildBlock(element.Items(i), script, proc);
    }
    unit_ = savedUnit;
}

// ---- statements -----------------------------------------------------------------------------

void Builder::BuildStatements(const TscXMLItem& element, int from, int to, TscScript& script,
                              TscStatement& list, TscProcVariable* proc) {
    for (int i = from; i < to; ++i) BuildStatement(element.Items(i), script, list, proc);
}

void Builder::BuildStatement(const TscXMLItem& element, TscScript& script, TscStatement& list,
                             TscProcVariable* proc) {
    switch (KindOf(element)) {
        case El::Uses:
            BuildUses(element, script, proc);
            return;
        case El::Var:
            BuildVar(element, script, list, proc);
            return;
        case El::Const:
            BuildConst(element, script, list);
            return;
        case El::Procedure:
        case El::Function: {
            const auto found = procedures_.find(&element);
            if (found == procedures_.end()) return;
            TscProcVariable& declared = *found->second;
            BuildBlock(element, *declared.LocalScript, &declared);
            return;
        }
        case El::Compound:
        case El::Then:
        case El::Else:
            BuildStatements(element, 0, element.Count(), script, list, proc);
            return;
        case El::Assign:
            BuildAssignment(element, script, list);
            return;
        case El::Call:
            BuildCall(element, script, list, 0);
            return;
        case El::Delete:
            BuildCall(element, script, list, 2);
            return;
        case El::If:
            BuildIf(element, script, list, proc);
            return;
        case El::Case:
            BuildCase(element, script, list, proc);
            return;
        case El::For:
            BuildFor(element, script, list, proc, false);
            return;
        case El::VbFor:
            BuildFor(element, script, list, proc, true);
            return;
        case El::CppFor:
            BuildCppFor(element, script, list, proc);
            return;
        case El::While:
            BuildWhile(element, script, list, proc);
            return;
        case El::Repeat:
            BuildRepeat(element, script, list, proc);
            return;
        case El::Try:
            BuildTry(element, script, list, proc);
            return;
        case El::Break:
            Start(element);
            list.Add(std::make_unique<TscBreakStmt>(script, position_, unit_));
            return;
        case El::Continue:
            Start(element);
            list.Add(std::make_unique<TscContinueStmt>(script, position_, unit_));
            return;
        case El::Exit:
            Start(element);
            list.Add(std::make_unique<TscExitStmt>(script, position_, unit_));
            return;
        case El::Return:
            BuildReturn(element, script, list);
            return;
        case El::With:
            BuildWith(element, script, list, proc);
            return;
        default:
            // Names, parameters, types and whatever other grammars add.
            return;
    }
}

void Builder::BuildAssignment(const TscXMLItem& element, TscScript& script, TscStatement& list) {
    Start(element);
    const std::string statementPos = position_;
    const TscXMLItem* target = FirstChild(element, El::Dsgn);
    const TscXMLItem* modificator = FirstChild(element, El::Modificator);
    const TscXMLItem* expression = FirstChild(element, El::Expr);
    if (target == nullptr || expression == nullptr) return;
    std::unique_ptr<TscDesignator> designator = BuildDesignator(*target, script, 0);
    if (designator->ReadOnly) {
        position_ = statementPos;
        Fail(Msg::LeftSideNotAssignable);
    }
    std::unique_ptr<TscExpression> value = BuildExpression(*expression, script);
    if (!AssignCompatible(*designator, *value, script)) {
        Start(*expression);
        FailTypes(*designator, *value);
    }
    char operation = ' ';
    if (modificator != nullptr) {
        const std::string text = Attr(*modificator, "text");
        operation = text.empty() ? ' ' : text[0];
    } else {
        operation = value->OptimizeAssignment(*designator);
    }
    std::unique_ptr<TscAssignmentStmt> statement;
    switch (operation) {
        case '*':
            statement = std::make_unique<TscAssignMulStmt>(script, statementPos, unit_);
            break;
        case '+':
            statement = std::make_unique<TscAssignPlusStmt>(script, statementPos, unit_);
            break;
        case '-':
            statement = std::make_unique<TscAssignMinusStmt>(script, statementPos, unit_);
            break;
        case '/':
            statement = std::make_unique<TscAssignDivStmt>(script, statementPos, unit_);
            break;
        default:
            statement = std::make_unique<TscAssignmentStmt>(script, statementPos, unit_);
            break;
    }
    statement->TargetDesignator = std::move(designator);
    statement->ValueExpr = std::move(value);
    statement->Prepare();
    list.Add(std::move(statement));
}

void Builder::BuildCall(const TscXMLItem& element, TscScript& script, TscStatement& list,
                        int mode) {
    Start(element);
    const std::string statementPos = position_;
    if (element.Count() == 0) return;
    auto statement = std::make_unique<TscCallStmt>(script, statementPos, unit_);
    statement->CallDesignator = BuildDesignator(element.Items(0), script, mode);
    statement->CallDesignator->NeedResult = false;
    if (mode == 0 && element.Count() > 1) {
        statement->CallSuffix = Attr(element.Items(1), "text");
        if (statement->CallDesignator->ReadOnly) {
            position_ = statementPos;
            Fail(Msg::LeftSideNotAssignable);
        }
    }
    list.Add(std::move(statement));
}

void Builder::BuildIf(const TscXMLItem& element, TscScript& script, TscStatement& list,
                      TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscIfStmt>(script, position_, unit_);
    for (int i = 0; i < element.Count(); ++i) {
        const TscXMLItem& child = element.Items(i);
        switch (KindOf(child)) {
            case El::Expr:
                if (!statement->IfCondition)
                    statement->IfCondition = BuildExpression(child, script);
                break;
            case El::Then:
                BuildStatement(child, script, *statement, proc);
                break;
            case El::Else:
                BuildStatement(child, script, *statement->ElseList, proc);
                break;
            default:
                break;
        }
    }
    if (!statement->IfCondition) Fail(Msg::SyntaxError);
    list.Add(std::move(statement));
}

void Builder::BuildCase(const TscXMLItem& element, TscScript& script, TscStatement& list,
                        TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscCaseStmt>(script, position_, unit_);
    if (element.Count() == 0 || KindOf(element.Items(0)) != El::Expr) Fail(Msg::SyntaxError);
    statement->CaseValue = BuildExpression(element.Items(0), script);
    for (int i = 1; i < element.Count(); ++i) {
        const TscXMLItem& child = element.Items(i);
        if (KindOf(child) != El::CaseSelector) {
            BuildStatement(child, script, *statement->ElseList, proc);
            continue;
        }
        const TscXMLItem* set = FirstChild(child, El::Set);
        if (set == nullptr) continue;
        Start(child);
        // A selector with an empty statement still takes its values: they
        // do nothing rather than fall into the else part.
        auto selector = std::make_unique<TscCaseSelector>(script, position_, unit_);
        selector->SelectorSet = BuildSet(*set, script);
        for (int j = 0; j < child.Count(); ++j)
            if (&child.Items(j) != set) BuildStatement(child.Items(j), script, *selector, proc);
        statement->Add(std::move(selector));
    }
    list.Add(std::move(statement));
}

TscCustomVariable& Builder::LoopVariable(const TscXMLItem& element, TscScript& script) {
    const TscXMLItem* ident = FirstChild(element, El::Ident);
    if (ident == nullptr) Fail(Msg::SyntaxError);
    Start(*ident);
    TscCustomVariable& variable = FindVariable(Attr(*ident, "text"), script);
    if (!variable.IsVariable() ||
        (variable.Kind != fskInt && variable.Kind != fskFloat && variable.Kind != fskVariant))
        Fail(Msg::ForLoopVariableNotNumeric);
    // The loop stores into the variable directly: a constant would change.
    if (variable.ReadOnly) Fail(Msg::LeftSideNotAssignable);
    return variable;
}

void Builder::BuildFor(const TscXMLItem& element, TscScript& script, TscStatement& list,
                       TscProcVariable* proc, bool vbStyle) {
    Start(element);
    const std::string statementPos = position_;
    TscCustomVariable& variable = LoopVariable(element, script);
    std::vector<std::unique_ptr<TscExpression>> bounds;
    bool downTo = false;
    int bodyFrom = element.Count();
    for (int i = 0; i < element.Count(); ++i) {
        const TscXMLItem& child = element.Items(i);
        const El kind = KindOf(child);
        if (kind == El::Ident) continue;
        if (kind == El::Downto) {
            downTo = true;
            continue;
        }
        if (kind == El::Expr && bounds.size() < (vbStyle ? 3u : 2u)) {
            bounds.push_back(BuildExpression(child, script));
            Start(child);
            if (!AssignCompatible(variable, *bounds.back(), script))
                FailTypes(variable, *bounds.back());
            continue;
        }
        bodyFrom = i;
        break;
    }
    if (bounds.size() < 2) Fail(Msg::SyntaxError);
    if (vbStyle) {
        auto statement = std::make_unique<TscVbForStmt>(script, statementPos, unit_);
        statement->FromExpr = std::move(bounds[0]);
        statement->ToExpr = std::move(bounds[1]);
        if (bounds.size() > 2) statement->StepExpr = std::move(bounds[2]);
        statement->LoopVariable = &variable;
        BuildStatements(element, bodyFrom, element.Count(), script, *statement, proc);
        list.Add(std::move(statement));
        return;
    }
    auto statement = std::make_unique<TscForStmt>(script, statementPos, unit_);
    statement->FromExpr = std::move(bounds[0]);
    statement->ToExpr = std::move(bounds[1]);
    statement->IsDownTo = downTo;
    statement->LoopVariable = &variable;
    BuildStatements(element, bodyFrom, element.Count(), script, *statement, proc);
    list.Add(std::move(statement));
}

void Builder::BuildCppFor(const TscXMLItem& element, TscScript& script, TscStatement& list,
                          TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscCppForStmt>(script, position_, unit_);
    if (element.Count() < 3) Fail(Msg::SyntaxError);
    BuildStatement(element.Items(0), script, *statement->InitList, proc);
    statement->LoopCondition = BuildExpression(element.Items(1), script);
    BuildStatement(element.Items(2), script, *statement->NextList, proc);
    BuildStatements(element, 3, element.Count(), script, *statement, proc);
    list.Add(std::move(statement));
}

void Builder::BuildWhile(const TscXMLItem& element, TscScript& script, TscStatement& list,
                         TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscWhileStmt>(script, position_, unit_);
    if (element.Count() == 0) Fail(Msg::SyntaxError);
    statement->WhileCondition = BuildExpression(element.Items(0), script);
    BuildStatements(element, 1, element.Count(), script, *statement, proc);
    list.Add(std::move(statement));
}

void Builder::BuildRepeat(const TscXMLItem& element, TscScript& script, TscStatement& list,
                          TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscRepeatStmt>(script, position_, unit_);
    int conditionAt = element.Count() - 1;
    if (conditionAt >= 0 && KindOf(element.Items(conditionAt)) == El::Inverse) {
        statement->WhileMode = true;
        --conditionAt;
    }
    if (conditionAt < 0) Fail(Msg::SyntaxError);
    BuildStatements(element, 0, conditionAt, script, *statement, proc);
    statement->UntilCondition = BuildExpression(element.Items(conditionAt), script);
    list.Add(std::move(statement));
}

void Builder::BuildTry(const TscXMLItem& element, TscScript& script, TscStatement& list,
                       TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscTryStmt>(script, position_, unit_);
    for (int i = 0; i < element.Count(); ++i) {
        const TscXMLItem& child = element.Items(i);
        const El kind = KindOf(child);
        if (kind == El::Except || kind == El::Finally) {
            statement->IsExceptBlock = kind == El::Except;
            BuildStatements(child, 0, child.Count(), script, *statement->HandlerList, proc);
        } else {
            BuildStatement(child, script, *statement, proc);
        }
    }
    list.Add(std::move(statement));
}

void Builder::BuildReturn(const TscXMLItem& element, TscScript& script, TscStatement& list) {
    Start(element);
    const std::string statementPos = position_;
    if (const TscXMLItem* expression = FirstChild(element, El::Expr)) {
        TscCustomVariable& result = FindVariable("Result", script);
        std::unique_ptr<TscDesignator> target = VariableDesignator(result, script);
        if (target->ReadOnly) Fail(Msg::LeftSideNotAssignable);
        std::unique_ptr<TscExpression> value = BuildExpression(*expression, script);
        if (!AssignCompatible(*target, *value, script)) FailTypes(*target, *value);
        auto assignment = std::make_unique<TscAssignmentStmt>(script, statementPos, unit_);
        assignment->TargetDesignator = std::move(target);
        assignment->ValueExpr = std::move(value);
        assignment->Prepare();
        list.Add(std::move(assignment));
    }
    list.Add(std::make_unique<TscExitStmt>(script, statementPos, unit_));
}

void Builder::BuildWith(const TscXMLItem& element, TscScript& script, TscStatement& list,
                        TscProcVariable* proc) {
    Start(element);
    const size_t withsBefore = withs_.size();
    const int count = element.Count();
    const TscXMLItem* body = nullptr;
    for (int i = 0; i < count; ++i) {
        const TscXMLItem& child = element.Items(i);
        if (KindOf(child) != El::Dsgn) {
            body = &child;
            continue;
        }
        std::unique_ptr<TscDesignator> designator = BuildDesignator(child, script, 0);
        Start(child);
        if (designator->Kind != fskClass && designator->Kind != fskVariant)
            Fail(Msg::ClassTypeRequired);
        std::string name;
        for (int n = 0;; ++n) {
            name = std::to_string(n);
            bool taken = script.FindLocal(name) != nullptr;
            for (const WithEntry& entry : withs_) taken = taken || entry.name == name;
            if (!taken) break;
        }
        auto hidden =
            std::make_unique<TscVariable>(name, designator->DeclTypeName, designator->Kind);
        TscVariable& variable = script.Add(name, std::move(hidden));
        if (proc != nullptr) proc->AddLocal(variable, Variant::Null());
        auto statement = std::make_unique<TscWithStmt>(script, position_, unit_);
        statement->WithDesignator = std::move(designator);
        statement->WithVariable = &variable;
        list.Add(std::move(statement));
        withs_.push_back({name, &variable, &script});
    }
    struct Restore {
        std::vector<WithEntry>& withs;
        size_t size;
        ~Restore() { withs.resize(size); }
    } restore{withs_, withsBefore};
    if (body != nullptr) BuildStatement(*body, script, list, proc);
}

// ---- expressions ------------------------------------------------------------------------------

std::unique_ptr<TscExpression> Builder::BuildExpression(const TscXMLItem& element,
                                                        TscScript& script) {
    Start(element);
    auto expression = std::make_unique<TscExpression>(script);
    expression->SourcePos = position_;
    expression->SetPosition(position_);
    AddExpressionChildren(element, *expression, script);
    const std::string error = expression->Finish();
    if (!error.empty()) {
        position_ = error;
        Fail(Msg::IncompatibleTypes);
    }
    return expression;
}

// Array bounds and parameter defaults: computed now, so they may not call
// anything.
std::unique_ptr<TscExpression> Builder::BuildConstantExpression(const TscXMLItem& element,
                                                                TscScript& script) {
    std::unique_ptr<TscExpression> expression = BuildExpression(element, script);
    if (!expression->IsPure()) {
        Start(element);
        Fail(Msg::ConstantExpressionExpected);
    }
    return expression;
}

void Builder::AddExpressionChildren(const TscXMLItem& element, TscExpression& expression,
                                    TscScript& script) {
    const int count = element.Count();
    for (int i = 0; i < count; ++i) {
        const TscXMLItem& child = element.Items(i);
        Start(child);
        expression.SetPosition(position_);
        switch (KindOf(child)) {
            case El::Op: {
                const std::string text = runtime::LowerCase(Attr(child, "text"));
                // A dangling operator left by an abandoned comparison.
                if (i + 1 == count && text != ")") break;
                expression.AddOperator(text);
                break;
            }
            case El::Number:
            case El::String:
                expression.AddConstant(LiteralToVariant(Attr(child, "text")));
                break;
            case El::Dsgn:
                expression.AddDesignator(BuildDesignator(child, script, 0));
                break;
            case El::New:
                if (child.Count() > 0)
                    expression.AddDesignator(BuildDesignator(child.Items(0), script, 1));
                break;
            case El::Set:
                expression.AddSet(BuildSet(child, script));
                break;
            case El::Expr:
                AddExpressionChildren(child, expression, script);
                break;
            default:
                break;
        }
    }
}

std::unique_ptr<TscSetExpression> Builder::BuildSet(const TscXMLItem& element, TscScript& script) {
    Start(element);
    auto set = std::make_unique<TscSetExpression>();
    for (int i = 0; i < element.Count(); ++i) {
        const TscXMLItem& child = element.Items(i);
        const El kind = KindOf(child);
        if (kind == El::Expr)
            set->AddEntry(BuildExpression(child, script));
        else if (kind == El::Range)
            set->AddEntry(nullptr);
    }
    return set;
}

std::string Builder::SourceText(const TscXMLItem& element) const {
    if (parser_ == nullptr || !unit_.empty()) return {};
    const std::string from = Attr(element, "pos");
    const std::string to = Attr(element, "pos1");
    if (from.empty() || to.empty()) return {};
    TscParser& tokenizer = parser_->Tokenizer();
    const int begin = tokenizer.LineColumnToOffset(SourcePosToPoint(from));
    const int end = tokenizer.LineColumnToOffset(SourcePosToPoint(to));
    if (begin < 1 || end < begin || end > tokenizer.Size() + 1) return {};
    std::string text;
    text.reserve(static_cast<size_t>(end - begin));
    for (int p = begin; p < end; ++p) text += tokenizer.CharAt(p);
    return text;
}

// ---- designators ------------------------------------------------------------------------------

std::unique_ptr<TscDesignator> Builder::VariableDesignator(TscCustomVariable& variable,
                                                           TscScript& script) {
    auto designator = std::make_unique<TscDesignator>(script);
    designator->AddStep(std::make_unique<TscDesignatorItem>(&variable, position_));
    designator->ResolveKind();
    if (std::unique_ptr<TscDesignator> fast = designator->MakeFast()) return fast;
    return designator;
}

// The value of the steps built so far, when it can be had without running
// a procedure or host code (at run time, always).
bool Builder::ValueOf(TscDesignator& designator, Variant& value) const {
    if (!runTime_) {
        for (int s = 0; s < designator.StepCount(); ++s) {
            const TscDesignatorItem& step = *designator.Step(s);
            if (!ReadsDataOnly(*step.Ref)) return false;
            for (int a = 0; a < step.ArgCount(); ++a) {
                const auto* arg = dynamic_cast<const TscExpression*>(step.Arg(a));
                if (arg == nullptr || !arg->IsPure()) return false;
            }
        }
    }
    value = designator.Evaluate(Variant::Null(), false);
    return true;
}

// Names known only at run time: the designator keeps its element and is
// built on first use. A designator built at run time cannot wait longer.
std::unique_ptr<TscDesignator> Builder::Defer(std::unique_ptr<TscDesignator> designator,
                                              const TscXMLItem& element, const std::string& name) {
    if (runTime_) FailName(Msg::UndeclaredIdentifier, name);
    while (designator->StepCount() > 1) (void)designator->RemoveStep(designator->StepCount() - 1);
    designator->Kind = fskVariant;
    designator->DeclTypeName.clear();
    designator->ReadOnly = false;
    designator->DesignatorKind = 0;
    designator->DeferredNode = std::make_unique<TscXMLItem>();
    designator->DeferredNode->CopyTree(&element);
    return designator;
}

std::unique_ptr<TscDesignator> Builder::BuildDesignator(const TscXMLItem& element,
                                                        TscScript& script, int mode) {
    Start(element);
    auto designator = std::make_unique<TscDesignator>(script);
    designator->SourcePos = position_;
    designator->SourceUnit = unit_;
    const int count = element.Count();
    for (int i = 0; i < count; ++i) {
        const TscXMLItem& child = element.Items(i);
        Start(child);
        const El kind = KindOf(child);
        if (kind == El::Expr) {
            if (designator->StepCount() == 0) Fail(Msg::SyntaxError);
            TscDesignatorItem& step = *designator->Step(designator->StepCount() - 1);
            std::unique_ptr<TscExpression> argument = BuildExpression(child, script);
            if (step.Ref->IsMacro) argument->SourceText = SourceText(child);
            step.Args.Add(std::move(argument));
            continue;
        }
        if (kind == El::Addr) {
            // @Name: the name as a string.
            const TscXMLItem* name = nullptr;
            int names = 0;
            for (int j = i + 1; j < count; ++j) {
                if (KindOf(element.Items(j)) == El::Node) {
                    ++names;
                    name = &element.Items(j);
                } else {
                    names = 2;
                }
            }
            if (names != 1 || designator->StepCount() != 0) Fail(Msg::VariableRequired);
            auto text = std::make_unique<TscStringVariable>(std::string(), std::string("String"),
                                                            fskString);
            text->Value = Variant(Attr(*name, "text"));
            text->ReadOnly = true;
            text->IsConstant = true;
            TscStringVariable& added = script.Add(std::string(), std::move(text));
            designator->AddStep(std::make_unique<TscDesignatorItem>(&added, position_));
            break;
        }
        if (kind != El::Node) continue;
        const std::string name = Attr(child, "text");

        if (designator->StepCount() == 0) {
            // The first name: through an active with, else by lookup.
            bool resolved = false;
            for (auto entry = withs_.rbegin(); entry != withs_.rend() && !resolved; ++entry) {
                if (entry->script != &script) continue;
                TscCustomVariable* hidden = entry->variable;
                if (hidden->Kind == fskVariant) {
                    if (script.Find(name) != nullptr) break;
                    auto node = std::make_unique<TscXMLItem>();
                    node->Name = "node";
                    node->SetProp("text", entry->name);
                    node->SetProp("pos", position_);
                    auto copy = std::make_unique<TscXMLItem>();
                    copy->CopyTree(&element);
                    copy->InsertItem(i, std::move(node));
                    designator->AddStep(std::make_unique<TscDesignatorItem>(hidden, position_));
                    return Defer(std::move(designator), *copy, name);
                }
                if (hidden->Kind == fskClass) {
                    const TscClassVariable* classVariable =
                        script.FindClassVariable(hidden->DeclTypeName);
                    TscCustomVariable* member =
                        classVariable != nullptr ? classVariable->Find(name) : nullptr;
                    if (member != nullptr) {
                        designator->AddStep(std::make_unique<TscDesignatorItem>(hidden, position_));
                        designator->AddStep(std::make_unique<TscDesignatorItem>(member, position_));
                        resolved = true;
                    }
                }
            }
            if (!resolved) {
                TscCustomVariable& item = FindVariable(name, script);
                designator->AddStep(std::make_unique<TscDesignatorItem>(&item, position_));
                if (mode == 1) {
                    if (item.ItemClass() != TscItemClass::ClassVariable)
                        Fail(Msg::ClassTypeRequired);
                    TscCustomVariable* create = static_cast<TscClassVariable&>(item).Find("Create");
                    if (create == nullptr) FailName(Msg::UndeclaredIdentifier, "Create");
                    designator->AddStep(std::make_unique<TscDesignatorItem>(create, position_));
                }
            }
            continue;
        }

        // A later name or "[", after the item P of the step before.
        TscDesignatorItem& previousStep = *designator->Step(designator->StepCount() - 1);
        TscCustomVariable* previous = previousStep.Ref;
        const bool index = name == "[";
        if (previous->ItemClass() == TscItemClass::MethodHelper &&
            static_cast<TscMethodHelper*>(previous)->IsIndexedProp &&
            previousStep.ArgCount() == 0 && previous->ParamCount() > 0) {
            // The index of an indexed property goes to the property's step.
            if (!index) Fail(Msg::IndexRequired);
            continue;
        }
        TscTypeKind previousKind = previous->Kind;
        std::string previousType = previous->DeclTypeName;
        if (previousKind == fskConstructor) {
            // A constructor's value is an instance of the class it was
            // called on.
            previousKind = fskClass;
            if (designator->StepCount() >= 2)
                previousType = designator->Step(designator->StepCount() - 2)->Ref->DeclTypeName;
        }
        if (previousKind == fskVariant) {
            Variant value;
            if (!ValueOf(*designator, value)) return Defer(std::move(designator), element, name);
            if (value.IsNull() || value.IsEmpty())
                return Defer(std::move(designator), element, name);
            if (value.IsString()) {
                previousKind = fskString;
            } else if (value.IsArray()) {
                if (!index) Fail(Msg::IndexRequired);
                TscCustomVariable& helper = HelperItem("__ArrayHelper", script);
                designator->AddStep(std::make_unique<TscDesignatorItem>(&helper, position_));
                continue;
            } else if (value.IsOrdinal()) {
                runtime::TObject* object = runtime::ObjectOfHandle(value.AsInt64());
                if (object == nullptr) return Defer(std::move(designator), element, name);
                previousType = object->ClassName();
                previousKind = fskClass;
            } else {
                Fail(Msg::ClassTypeRequired);
            }
        }
        if (previousKind == fskString || previousKind == fskChar) {
            if (!index) Fail(Msg::StringsHaveNoMembers);
            TscCustomVariable& helper = HelperItem("__StringHelper", script);
            designator->AddStep(std::make_unique<TscDesignatorItem>(&helper, position_));
            continue;
        }
        if (previousKind == fskClass) {
            TscClassVariable* classVariable = script.FindClassVariable(previousType);
            if (classVariable == nullptr) FailName(Msg::UnknownType, previousType);
            if (index) {
                if (classVariable->DefaultProperty == nullptr) {
                    std::string text(MessageText(Msg::NoDefaultProperty));
                    text.replace(text.find("%s"), 2, classVariable->Name);
                    throw EScriptError(std::move(text), position_);
                }
                auto step =
                    std::make_unique<TscDesignatorItem>(classVariable->DefaultProperty, position_);
                step->IsIndexStep = true;
                designator->AddStep(std::move(step));
                continue;
            }
            if (TscCustomVariable* member = classVariable->Find(name)) {
                designator->AddStep(std::make_unique<TscDesignatorItem>(member, position_));
                continue;
            }
            Variant value;
            if (!ValueOf(*designator, value)) return Defer(std::move(designator), element, name);
            if (value.IsNull() || value.IsEmpty() || (value.IsOrdinal() && value.AsInt64() == 0))
                return Defer(std::move(designator), element, name);
            auto* owner =
                value.IsOrdinal()
                    ? dynamic_cast<runtime::TComponent*>(runtime::ObjectOfHandle(value.AsInt64()))
                    : nullptr;
            runtime::TComponent* component =
                owner != nullptr ? owner->FindComponent(name) : nullptr;
            if (component == nullptr) FailName(Msg::UndeclaredIdentifier, name);
            auto holder =
                std::make_unique<TscVariable>(std::string(), component->ClassName(), fskClass);
            holder->Value = Variant(runtime::HandleOf(component));
            holder->ReadOnly = true;
            TscVariable& added = script.Add(std::string(), std::move(holder));
            designator->AddStep(std::make_unique<TscDesignatorItem>(&added, position_));
            continue;
        }
        if (previousKind == fskArray && index) {
            TscCustomVariable* helper = previous->LinkedItem;
            if (helper == nullptr || helper->ItemClass() != TscItemClass::ArrayHelper)
                helper = &HelperItem("__ArrayHelper", script);
            designator->AddStep(std::make_unique<TscDesignatorItem>(helper, position_));
            continue;
        }
        Fail(previousKind == fskArray ? Msg::IndexRequired : Msg::ArrayTypeRequired);
    }
    if (designator->StepCount() == 0) Fail(Msg::SyntaxError);
    if (mode == 2) {
        const TscCustomVariable* last = designator->Step(designator->StepCount() - 1)->Ref;
        if (last->Kind != fskClass && last->Kind != fskVariant) Fail(Msg::ClassTypeRequired);
        const TscClassVariable* root = script.FindClassVariable("TObject");
        TscCustomVariable* free = root != nullptr ? root->Find("Free") : nullptr;
        if (free == nullptr) FailName(Msg::UndeclaredIdentifier, "Free");
        designator->AddStep(std::make_unique<TscDesignatorItem>(free, position_));
    }
    FinishDesignator(*designator);
    designator->ResolveKind();
    if (std::unique_ptr<TscDesignator> fast = designator->MakeFast()) return fast;
    return designator;
}

// Argument counts and types of every step; omitted optional arguments get
// their defaults.
void Builder::FinishDesignator(TscDesignator& designator) {
    for (int s = 0; s < designator.StepCount(); ++s) {
        TscDesignatorItem& step = *designator.Step(s);
        TscCustomVariable& ref = *step.Ref;
        if (ref.ItemClass() == TscItemClass::Designator) continue;
        if (!step.SourcePos.empty()) position_ = step.SourcePos;
        const int args = step.ArgCount();
        if (args < ref.RequiredParamCount()) Fail(Msg::NotEnoughParameters);
        if (args > ref.ParamCount()) Fail(Msg::TooManyParameters);
        for (int i = 0; i < args; ++i) {
            const TscCustomExpression& argument = *step.Arg(i);
            if (!AssignCompatible(*ref.GetParam(i), argument, *designator.Script)) {
                if (!argument.SourcePos.empty()) position_ = argument.SourcePos;
                FailTypes(*ref.GetParam(i), argument);
            }
        }
        for (int i = args; i < ref.ParamCount(); ++i) {
            auto fill = std::make_unique<TscExpression>(*designator.Script);
            fill->AddConstant(ref.GetParam(i)->DefValue);
            (void)fill->Finish();
            step.Args.Add(std::move(fill));
        }
    }
}

}  // namespace

void BuildProgram(TscILParser& parser, TscScript& script) {
    Builder builder(script, &parser);
    builder.BuildProgram(parser.Intermediate().Root());
}

std::unique_ptr<TscDesignator> BuildDeferredDesignator(const TscXMLItem& node, TscScript& script) {
    Builder builder(script, nullptr);
    return builder.BuildDesignator(node, script, 0);
}

}  // namespace script
