#include "script/builder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/component.h"
#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "runtime/strings.h"
#include "script/compiled_grammar.h"
#include "script/conversions.h"
#include "script/designator.h"
#include "script/errors.h"
#include "script/expression.h"
#include "script/il_parser.h"
#include "script/intermediate_form.h"
#include "script/limits.h"
#include "script/ole_helper.h"
#include "script/scope.h"
#include "script/stack_guard.h"
#include "script/statements.h"
#include "script/xml_reader.h"
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

El KindOfName(std::string_view name) {
    for (size_t at = NameHash(name) % kNameSlots; !kNameSlotTable[at].name.empty();
         at = (at + 1) % kNameSlots)
        if (kNameSlotTable[at].name == name) return kNameSlotTable[at].kind;
    for (const ElementName& entry : kElementNames)
        if (runtime::SameText(entry.name, name)) return entry.kind;
    return El::Other;
}

// An element of an intermediate form as the builder reads it. A default
// node is none.
class Node {
  public:
    Node() = default;
    Node(IntermediateForm& form, int index) : form_(&form), index_(index) {}

    explicit operator bool() const { return form_ != nullptr; }
    bool operator==(const Node& other) const {
        return form_ == other.form_ && index_ == other.index_;
    }

    int Count() const { return E().ChildCount; }
    Node Child(int k) const { return Node(*form_, form_->Child(E(), k)); }
    std::string_view Name() const { return form_->Name(E()); }
    // The element's kind, looked up once per name and kept in the name's
    // data (plus one).
    El Kind() const {
        const IlElement& element = E();
        int32_t& data = form_->NameData(element);
        if (data > 0) return static_cast<El>(data - 1);
        const El kind = KindOfName(form_->Name(element));
        data = static_cast<int32_t>(kind) + 1;
        return kind;
    }
    std::string_view Pos() const { return form_->Pos(E()); }
    // The `text` attribute as written, escaped.
    std::string_view RawText() const { return form_->Text(E()); }
    // The `text` attribute, unescaped.
    std::string Text() const { return Unescaped(form_->Text(E())); }
    std::string Unit() const { return Unescaped(form_->Unit(E())); }
    std::string Attribute(std::string_view name) const {
        return Unescaped(form_->Attribute(E(), name));
    }
    // Identifies the element while its form lives.
    const IlElement* Address() const { return &E(); }
    // The element and its subtree, in a form of their own.
    std::unique_ptr<IntermediateForm> Subtree() const { return form_->Subtree(index_); }

  private:
    static std::string Unescaped(std::string_view raw) {
        return raw.find('&') == std::string_view::npos ? std::string(raw) : XmlUnescape(raw);
    }
    const IlElement& E() const { return form_->Element(index_); }

    IntermediateForm* form_ = nullptr;
    int index_ = 0;
};

Node FirstChild(Node element, El kind) {
    for (int i = 0; i < element.Count(); ++i)
        if (element.Child(i).Kind() == kind) return element.Child(i);
    return Node();
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

// The name of an object's class as scripts know it: its own, else that of
// its nearest ancestor scripts know (a host class no module declared).
std::string KnownClassName(const runtime::TObject& object, const TscScope& script) {
    for (const runtime::TClassInfo* info = &object.ClassInfo(); info != nullptr;
         info = info->Parent())
        if (script.FindClassVariable(info->Name()) != nullptr) return info->Name();
    return object.ClassName();
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
    ConstInitStmt(TscScope& script, std::string position, std::string unit,
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
    Builder(TscScope& program, TscILParser* parser)
        : program_(program),
          parser_(parser),
          runTime_(!parser),
          namesMustBeDeclared_(!parser || parser->NamesMustBeDeclared()),
          stackLimit_(StackLimit()) {
        // Room for any "line:col", so keeping one never allocates.
        keptPosition_.reserve(32);
    }

    void BuildProgram(Node root);
    // The unit the elements built next come from (empty: the main text).
    void SetUnit(std::string unit) { unit_ = std::move(unit); }
    // Mode 0 plain, 1 "new" (the class's Create appended), 2 "delete"
    // (TObject's Free appended). A leading name stands before the element's
    // first name (the hidden variable of a with).
    std::unique_ptr<TscDesignator> BuildDesignator(Node element, TscScope& script, int mode,
                                                   std::string_view leadingName = {});

  private:
    struct WithEntry {
        std::string name;
        TscCustomVariable* variable;
        TscScope* script;
    };

    // ---- errors and positions ----
    // Read in place: most positions are only passed on, or not used at all.
    void Start(Node element) {
        const std::string_view position = element.Pos();
        if (!position.empty()) position_ = position;
    }
    // For a position that is not the text of an element of a lasting form.
    void KeepPosition(std::string_view position) {
        if (position.data() != keptPosition_.data()) keptPosition_.assign(position);
        position_ = keptPosition_;
    }
    std::string Position() const { return std::string(position_); }
    [[noreturn]] void Fail(Msg message) const {
        throw EScriptError(std::string(MessageText(message)), Position(), unit_);
    }
    // The recursions over nested statements and expressions stop short of
    // the end of the thread's stack.
    void CheckDepth() const {
        if (BelowStackLimit(stackLimit_)) Fail(Msg::NestedTooDeeply);
    }
    [[noreturn]] void FailName(Msg message, std::string_view name) const {
        std::string text(MessageText(message));
        text += '\'';
        text += name;
        text += '\'';
        throw EScriptError(std::move(text), Position(), unit_);
    }
    [[noreturn]] void FailTypes(const TscCustomVariable& target,
                                const TscCustomVariable& source) const {
        std::string text(MessageText(Msg::IncompatibleTypes));
        text += ": '" + target.TypeName() + "', '" + source.TypeName() + "'";
        throw EScriptError(std::move(text), Position(), unit_);
    }

    // A designator deferred to run time: its part of the intermediate form and
    // the hidden with variable its first name was found through, if any.
    class DeferredDesignator final : public TscDeferredBuild {
      public:
        DeferredDesignator(std::unique_ptr<IntermediateForm> form, std::string leadingName,
                           std::string unit)
            : form_(std::move(form)),
              leadingName_(std::move(leadingName)),
              unit_(std::move(unit)) {}

        std::unique_ptr<TscDesignator> Build(TscScope& scope) override {
            Builder builder(scope, nullptr);
            builder.SetUnit(unit_);
            return builder.BuildDesignator(Node(*form_, 0), scope, 0, leadingName_);
        }

      private:
        std::unique_ptr<IntermediateForm> form_;
        std::string leadingName_;
        std::string unit_;  // where the designator stands; errors name it
    };

    // ---- names and types ----
    std::string ResolveTypeName(const std::string& name) const;
    TscTypeKind TypeKind(const std::string& typeName, const TscScope& script) const;
    TscCustomVariable& FindVariable(const std::string& name, TscScope& script);
    void CheckRedeclared(const std::string& name, const TscScope& script) const;

    // ---- blocks and declarations ----
    void BuildBlock(Node element, TscScope& script, TscProcVariable* proc);
    void DeclareProcedures(Node element, TscScope& script);
    void DeclareProcedure(Node element, TscScope& script);
    void DeclareParameters(Node element, TscProcVariable& proc);
    void BuildVar(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc);
    void BuildVariable(Node ident, const std::string& typeName, Node typeElement, Node array,
                       Node init, Node element, TscScope& script, TscStatement& list,
                       TscProcVariable* proc);
    void BuildConst(Node element, TscScope& script, TscStatement& list);
    void BuildUses(Node element, TscScope& script, TscProcVariable* proc);

    // ---- statements ----
    void BuildStatement(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc);
    void BuildStatements(Node element, int from, int to, TscScope& script, TscStatement& list,
                         TscProcVariable* proc);
    void BuildAssignment(Node element, TscScope& script, TscStatement& list);
    void BuildCall(Node element, TscScope& script, TscStatement& list, int mode);
    void BuildIf(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc);
    void BuildCase(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc);
    void BuildFor(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc,
                  bool vbStyle);
    void BuildCppFor(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc);
    void BuildWhile(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc);
    void BuildRepeat(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc);
    void BuildTry(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc);
    void BuildReturn(Node element, TscScope& script, TscStatement& list);
    void BuildWith(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc);
    TscCustomVariable& LoopVariable(Node element, TscScope& script);

    // ---- expressions ----
    std::unique_ptr<TscExpression> BuildExpression(Node element, TscScope& script);
    std::unique_ptr<TscExpression> BuildConstantExpression(Node element, TscScope& script);
    void AddExpressionChildren(Node element, TscExpression& expression, TscScope& script);
    std::unique_ptr<TscSetExpression> BuildSet(Node element, TscScope& script);
    std::string SourceText(Node element) const;

    // ---- designators ----
    // Why a designator waits for run time to be built: a with over a
    // Variant, a value that cannot be read while compiling, no value yet.
    enum class Defer { No, WithVariant, Unread, NoValue };
    struct StepType {
        TscTypeKind kind;
        std::string name;
    };
    // A designator being built from its element.
    struct DesignatorBuild {
        Node element;
        TscScope& script;
        int mode;
        std::unique_ptr<TscDesignator> designator;
        // The hidden variable of the with the first name was found through.
        std::string leadingName;
    };
    std::unique_ptr<TscDesignator> VariableDesignator(TscCustomVariable& variable,
                                                      TscScope& script);
    void AddArgument(DesignatorBuild& build, Node element);
    void AddressOf(DesignatorBuild& build, int at);
    Defer FirstStep(DesignatorBuild& build, const std::string& name);
    Defer NextStep(DesignatorBuild& build, const std::string& name);
    Defer VariantStep(DesignatorBuild& build, const std::string& name, bool index, StepType& type);
    void AddOleStep(DesignatorBuild& build, const std::string& name);
    Defer ClassStep(DesignatorBuild& build, const std::string& name, bool index,
                    const std::string& className);
    void AddHelperStep(DesignatorBuild& build, const char* helperName);
    std::unique_ptr<TscDesignator> Deferred(DesignatorBuild& build, Defer reason,
                                            const std::string& name);
    std::unique_ptr<TscDesignator> Finish(DesignatorBuild& build);
    void FinishDesignator(TscDesignator& designator);
    bool ValueOf(TscDesignator& designator, Variant& value) const;

    TscScope& program_;
    TscILParser* parser_;
    Node programTypes_;
    bool runTime_;
    bool namesMustBeDeclared_;
    std::uintptr_t stackLimit_;
    // The current source position: the `pos` text of the element started
    // last, in its form, or keptPosition_.
    std::string_view position_;
    std::string keptPosition_;
    std::string unit_;
    std::vector<WithEntry> withs_;
    // Declared procedures by their element, until their body is built.
    std::unordered_map<const IlElement*, TscProcVariable*> procedures_;
    int64_t arrayElements_ = 0;  // declared so far (within the memory limit)
};

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

// ---- program, blocks, declarations -----------------------------------------------------------

void Builder::BuildProgram(Node root) {
    CompileErrors& errors = parser_->Script().Errors();
    withs_.clear();
    errors.ErrorUnit.clear();
    unit_.clear();
    for (int i = root.Count() - 1; i >= 0; --i) {
        if (root.Child(i).Kind() == El::Types) {
            programTypes_ = root.Child(i);
            break;
        }
    }
    try {
        BuildBlock(root, program_, nullptr);
        errors.ErrorPosition.clear();
    } catch (const runtime::Exception& e) {
        errors.ErrorMessage =
            e.Message().empty() ? std::string(MessageText(Msg::SyntaxError)) : e.Message();
        errors.ErrorPosition = position_;
        errors.ErrorUnit = unit_;
    }
}

void Builder::BuildBlock(Node element, TscScope& script, TscProcVariable* proc) {
    DeclareProcedures(element, script);
    for (int i = 0; i < element.Count(); ++i)
        BuildStatement(element.Child(i), script, script.MainList(), proc);
}

void Builder::DeclareProcedures(Node element, TscScope& script) {
    for (int i = 0; i < element.Count(); ++i) {
        Node child = element.Child(i);
        const El kind = child.Kind();
        if (kind == El::Procedure || kind == El::Function)
            DeclareProcedure(child, script);
        else if (kind == El::Compound)
            DeclareProcedures(child, script);
    }
}

void Builder::DeclareProcedure(Node element, TscScope& script) {
    Start(element);
    Node nameElement = FirstChild(element, El::Name);
    if (!nameElement && element.Count() > 0) nameElement = element.Child(0);
    const std::string name = nameElement ? nameElement.Text() : std::string();
    if (nameElement) Start(nameElement);
    CheckRedeclared(name, script);
    Node typeElement = FirstChild(element, El::Type);
    const std::string typeText = typeElement ? typeElement.Text() : std::string();
    const bool isFunction = element.Kind() == El::Function && !runtime::SameText(typeText, "void");
    std::string typeName;
    TscTypeKind kind = fskVariant;
    if (isFunction && !typeText.empty()) {
        if (typeElement) Start(typeElement);
        typeName = ResolveTypeName(typeText);
        kind = TypeKind(typeName, script);
    }
    auto created = std::make_unique<TscProcVariable>(name, typeName, kind, isFunction, script);
    created->SourcePos = position_;
    created->SourceUnit = unit_;
    TscProcVariable& proc = script.Add(name, std::move(created));
    procedures_[element.Address()] = &proc;
    if (Node parameters = FirstChild(element, El::Parameters)) DeclareParameters(parameters, proc);
}

void Builder::DeclareParameters(Node element, TscProcVariable& proc) {
    TscScope& local = *proc.LocalScript;
    bool nextByReference = false;
    for (int g = 0; g < element.Count(); ++g) {
        Node group = element.Child(g);
        const El groupKind = group.Kind();
        if (groupKind == El::VarParams) {
            nextByReference = true;
            continue;
        }
        if (groupKind != El::Var) continue;
        Start(group);
        bool byReference = nextByReference;
        nextByReference = false;
        Node typeElement = FirstChild(group, El::Type);
        const std::string typeName = ResolveTypeName(typeElement ? typeElement.Text() : "Variant");
        if (typeElement) Start(typeElement);
        const TscTypeKind kind = TypeKind(typeName, local);
        Node init = FirstChild(group, El::Init);
        Variant defaultValue = Variant::Null();
        if (init) {
            Node expression = FirstChild(init, El::Expr);
            if (!expression) Fail(Msg::ConstantExpressionExpected);
            std::unique_ptr<TscExpression> value = BuildConstantExpression(expression, local);
            TscVariable probe(std::string(), typeName, kind);
            Start(init);
            if (!AssignCompatible(probe, *value, local)) FailTypes(probe, *value);
            defaultValue = value->GetValue();
        }
        for (int i = 0; i < group.Count(); ++i) {
            Node child = group.Child(i);
            const El kindOfChild = child.Kind();
            if (kindOfChild == El::VarParam) {
                byReference = true;
                continue;
            }
            if (kindOfChild != El::Ident) continue;
            Start(child);
            const std::string name = child.Text();
            CheckRedeclared(name, local);
            auto param = std::make_unique<TscParamItem>(name, byReference, static_cast<bool>(init),
                                                        typeName, kind);
            param->DefValue = defaultValue;
            param->SourcePos = position_;
            param->SourceUnit = unit_;
            TscParamItem& added = *param;
            proc.AddParam(std::move(param));
            local.AddItemReference(name, added);
        }
    }
}

void Builder::BuildVar(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc) {
    Start(element);
    const int count = element.Count();
    int typeAt = -1;
    for (int i = 0; i < count && typeAt < 0; ++i)
        if (element.Child(i).Kind() == El::Type) typeAt = i;
    const std::string typeText =
        typeAt >= 0 ? element.Child(typeAt).Text() : std::string("Variant");
    const Node typeElement = typeAt >= 0 ? element.Child(typeAt) : Node();
    // With the type first, each name has its own dimensions and initial
    // value, up to the next name; otherwise what follows a name applies to
    // it and every name after it. Found from the end, once.
    const bool typeFirst = typeAt == 0;
    std::vector<std::pair<Node, Node>> following(static_cast<size_t>(count));
    Node array;
    Node init;
    for (int i = count - 1; i >= 0; --i) {
        following[static_cast<size_t>(i)] = {array, init};
        Node child = element.Child(i);
        switch (child.Kind()) {
            case El::Ident:
                if (typeFirst) array = init = Node();
                break;
            case El::Array:
                array = child;
                break;
            case El::Init:
                init = child;
                break;
            default:
                break;
        }
    }
    for (int i = 0; i < count; ++i) {
        Node ident = element.Child(i);
        if (ident.Kind() != El::Ident) continue;
        const auto& [identArray, identInit] = following[static_cast<size_t>(i)];
        BuildVariable(ident, typeText, typeElement, identArray, identInit, element, script, list,
                      proc);
    }
}

void Builder::BuildVariable(Node ident, const std::string& typeText, Node typeElement, Node array,
                            Node init, Node element, TscScope& script, TscStatement& list,
                            TscProcVariable* proc) {
    Start(ident);
    const std::string name = ident.Text();
    const std::string identPos = Position();
    CheckRedeclared(name, script);
    const std::string typeName = ResolveTypeName(typeText);
    if (typeElement) Start(typeElement);
    TscTypeKind kind = TypeKind(typeName, script);
    Variant initial = InitialValue(kind);
    TscArrayHelper* helper = nullptr;
    if (array) {
        Start(array);
        std::vector<runtime::TVarArrayBound> bounds;
        int64_t elements = 1;
        for (int d = 0; d < array.Count(); ++d) {
            Node dim = array.Child(d);
            if (dim.Kind() != El::Dim) continue;
            Start(dim);
            std::vector<int32_t> ends;
            for (int e = 0; e < dim.Count(); ++e) {
                if (dim.Child(e).Kind() != El::Expr) continue;
                ends.push_back(
                    BuildConstantExpression(dim.Child(e), script)->GetValue().AsInteger());
            }
            if (ends.empty()) continue;
            const int64_t low = ends.size() >= 2 ? ends[0] : 0;
            const int64_t high = ends.size() >= 2 ? ends[1] : int64_t{ends[0]} - 1;
            const int64_t count = high - low + 1;
            if (count < 0) {
                throw runtime::EVariantArrayCreateError("Error creating variant or safe array");
            }
            elements *= count;
            // The arrays are made now, and a procedure's afresh at each
            // call: together they must fit the program's memory.
            const auto fitting = static_cast<int64_t>(script.Run().MemoryLimit() / sizeof(Variant));
            if (elements > fitting || elements + arrayElements_ > fitting) Fail(Msg::ArrayTooLarge);
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

    if (init) {
        Node expression = FirstChild(init, El::Expr);
        if (!expression) return;
        std::unique_ptr<TscExpression> value = BuildExpression(expression, script);
        Start(init);
        if (!AssignCompatible(added, *value, script)) FailTypes(added, *value);
        auto statement =
            std::make_unique<TscAssignmentStmt>(script, element.Attribute("pos"), unit_);
        statement->TargetDesignator = VariableDesignator(added, script);
        statement->ValueExpr = std::move(value);
        statement->Prepare();
        list.Add(std::move(statement));
    }
}

void Builder::BuildConst(Node element, TscScope& script, TscStatement& list) {
    Start(element);
    Node ident = FirstChild(element, El::Ident);
    Node expression = FirstChild(element, El::Expr);
    if (!ident || !expression) return;
    Start(ident);
    const std::string name = ident.Text();
    const std::string identPos = Position();
    CheckRedeclared(name, script);
    std::unique_ptr<TscExpression> value = BuildExpression(expression, script);
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
    list.Add(std::make_unique<ConstInitStmt>(script, element.Attribute("pos"), unit_, added,
                                             std::move(value)));
}

void Builder::BuildUses(Node element, TscScope& script, TscProcVariable* proc) {
    const std::string savedUnit = unit_;
    unit_ = element.Unit();
    std::string text;
    if (parser_->Script().GetILUnitText(unit_, text) && !text.empty()) {
        TscXMLDocument document;
        document.LoadFromString(text);
        const std::unique_ptr<IntermediateForm> form = IntermediateForm::FromXml(document.Root());
        // The position outlives the form when building stops in it.
        struct KeepOnExit {
            Builder& builder;
            ~KeepOnExit() { builder.KeepPosition(builder.position_); }
        } keep{*this};
        BuildBlock(Node(*form, 0), script, proc);
    } else {
        for (int i = 0; i < element.Count(); ++i)
            if (element.Child(i).Kind() == El::Program) BuildBlock(element.Child(i), script, proc);
    }
    unit_ = savedUnit;
}

// ---- statements -----------------------------------------------------------------------------

void Builder::BuildStatements(Node element, int from, int to, TscScope& script, TscStatement& list,
                              TscProcVariable* proc) {
    for (int i = from; i < to; ++i) BuildStatement(element.Child(i), script, list, proc);
}

void Builder::BuildStatement(Node element, TscScope& script, TscStatement& list,
                             TscProcVariable* proc) {
    CheckDepth();
    switch (element.Kind()) {
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
            const auto found = procedures_.find(element.Address());
            if (found == procedures_.end()) return;
            TscProcVariable& declared = *found->second;
            // An element's address may come back in another form later.
            procedures_.erase(found);
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
            list.Add(std::make_unique<TscBreakStmt>(script, Position(), unit_));
            return;
        case El::Continue:
            Start(element);
            list.Add(std::make_unique<TscContinueStmt>(script, Position(), unit_));
            return;
        case El::Exit:
            Start(element);
            list.Add(std::make_unique<TscExitStmt>(script, Position(), unit_));
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

void Builder::BuildAssignment(Node element, TscScope& script, TscStatement& list) {
    Start(element);
    const std::string statementPos = Position();
    Node target = FirstChild(element, El::Dsgn);
    Node modificator = FirstChild(element, El::Modificator);
    Node expression = FirstChild(element, El::Expr);
    if (!target || !expression) return;
    std::unique_ptr<TscDesignator> designator = BuildDesignator(target, script, 0);
    if (designator->ReadOnly) {
        KeepPosition(statementPos);
        // F := value inside function F, as other Pascals allow.
        const TscDesignatorItem* last =
            designator->StepCount() != 0 ? designator->Step(designator->StepCount() - 1) : nullptr;
        if (last != nullptr && last->ArgCount() == 0 && last->Ref != nullptr &&
            last->Ref->ItemClass() == TscItemClass::Proc &&
            static_cast<const TscProcVariable*>(last->Ref)->IsFunction)
            FailName(Msg::FunctionNameAssigned, last->Ref->Name);
        Fail(Msg::LeftSideNotAssignable);
    }
    std::unique_ptr<TscExpression> value = BuildExpression(expression, script);
    if (!AssignCompatible(*designator, *value, script)) {
        Start(expression);
        FailTypes(*designator, *value);
    }
    char operation = ' ';
    std::vector<std::unique_ptr<TscExpression>> chain;
    if (modificator) {
        const std::string text = modificator.Text();
        operation = text.empty() ? ' ' : text[0];
    } else {
        // s := s + a + b + ...: the text grows in place by each piece.
        chain = value->TakeAppendChain(*designator);
        if (!chain.empty()) {
            operation = '+';
            value = std::move(chain.front());
            chain.erase(chain.begin());
        } else {
            operation = value->OptimizeAssignment(*designator);
        }
    }
    std::unique_ptr<TscAssignmentStmt> statement;
    switch (operation) {
        case '*':
            statement = std::make_unique<TscAssignMulStmt>(script, statementPos, unit_);
            break;
        case '+': {
            auto plus = std::make_unique<TscAssignPlusStmt>(script, statementPos, unit_);
            plus->MorePieces = std::move(chain);
            statement = std::move(plus);
            break;
        }
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

void Builder::BuildCall(Node element, TscScope& script, TscStatement& list, int mode) {
    Start(element);
    const std::string statementPos = Position();
    if (element.Count() == 0) return;
    auto statement = std::make_unique<TscCallStmt>(script, statementPos, unit_);
    statement->CallDesignator = BuildDesignator(element.Child(0), script, mode);
    statement->CallDesignator->NeedResult = false;
    if (mode == 0 && element.Count() > 1) {
        statement->CallSuffix = element.Child(1).Text();
        if (statement->CallDesignator->ReadOnly) {
            KeepPosition(statementPos);
            Fail(Msg::LeftSideNotAssignable);
        }
    }
    list.Add(std::move(statement));
}

void Builder::BuildIf(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscIfStmt>(script, Position(), unit_);
    for (int i = 0; i < element.Count(); ++i) {
        Node child = element.Child(i);
        switch (child.Kind()) {
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

void Builder::BuildCase(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscCaseStmt>(script, Position(), unit_);
    if (element.Count() == 0 || element.Child(0).Kind() != El::Expr) Fail(Msg::SyntaxError);
    statement->CaseValue = BuildExpression(element.Child(0), script);
    for (int i = 1; i < element.Count(); ++i) {
        Node child = element.Child(i);
        if (child.Kind() != El::CaseSelector) {
            BuildStatement(child, script, *statement->ElseList, proc);
            continue;
        }
        Node set = FirstChild(child, El::Set);
        if (!set) continue;
        Start(child);
        // A selector with an empty statement still takes its values: they
        // do nothing rather than fall into the else part.
        auto selector = std::make_unique<TscCaseSelector>(script, Position(), unit_);
        selector->SelectorSet = BuildSet(set, script);
        for (int j = 0; j < child.Count(); ++j)
            if (!(child.Child(j) == set)) BuildStatement(child.Child(j), script, *selector, proc);
        statement->Add(std::move(selector));
    }
    list.Add(std::move(statement));
}

TscCustomVariable& Builder::LoopVariable(Node element, TscScope& script) {
    Node ident = FirstChild(element, El::Ident);
    if (!ident) Fail(Msg::SyntaxError);
    Start(ident);
    TscCustomVariable& variable = FindVariable(ident.Text(), script);
    if (!variable.IsVariable() ||
        (variable.Kind != fskInt && variable.Kind != fskFloat && variable.Kind != fskVariant))
        Fail(Msg::ForLoopVariableNotNumeric);
    // The loop stores into the variable directly: a constant would change.
    if (variable.ReadOnly) Fail(Msg::LeftSideNotAssignable);
    return variable;
}

void Builder::BuildFor(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc,
                       bool vbStyle) {
    Start(element);
    const std::string statementPos = Position();
    TscCustomVariable& variable = LoopVariable(element, script);
    std::vector<std::unique_ptr<TscExpression>> bounds;
    bool downTo = false;
    int bodyFrom = element.Count();
    for (int i = 0; i < element.Count(); ++i) {
        Node child = element.Child(i);
        const El kind = child.Kind();
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

void Builder::BuildCppFor(Node element, TscScope& script, TscStatement& list,
                          TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscCppForStmt>(script, Position(), unit_);
    if (element.Count() < 3) Fail(Msg::SyntaxError);
    BuildStatement(element.Child(0), script, *statement->InitList, proc);
    statement->LoopCondition = BuildExpression(element.Child(1), script);
    BuildStatement(element.Child(2), script, *statement->NextList, proc);
    BuildStatements(element, 3, element.Count(), script, *statement, proc);
    list.Add(std::move(statement));
}

void Builder::BuildWhile(Node element, TscScope& script, TscStatement& list,
                         TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscWhileStmt>(script, Position(), unit_);
    if (element.Count() == 0) Fail(Msg::SyntaxError);
    statement->WhileCondition = BuildExpression(element.Child(0), script);
    BuildStatements(element, 1, element.Count(), script, *statement, proc);
    list.Add(std::move(statement));
}

void Builder::BuildRepeat(Node element, TscScope& script, TscStatement& list,
                          TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscRepeatStmt>(script, Position(), unit_);
    int conditionAt = element.Count() - 1;
    if (conditionAt >= 0 && element.Child(conditionAt).Kind() == El::Inverse) {
        statement->WhileMode = true;
        --conditionAt;
    }
    if (conditionAt < 0) Fail(Msg::SyntaxError);
    BuildStatements(element, 0, conditionAt, script, *statement, proc);
    statement->UntilCondition = BuildExpression(element.Child(conditionAt), script);
    list.Add(std::move(statement));
}

void Builder::BuildTry(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscTryStmt>(script, Position(), unit_);
    for (int i = 0; i < element.Count(); ++i) {
        Node child = element.Child(i);
        const El kind = child.Kind();
        if (kind == El::Except || kind == El::Finally) {
            statement->IsExceptBlock = kind == El::Except;
            BuildStatements(child, 0, child.Count(), script, *statement->HandlerList, proc);
        } else {
            BuildStatement(child, script, *statement, proc);
        }
    }
    list.Add(std::move(statement));
}

void Builder::BuildReturn(Node element, TscScope& script, TscStatement& list) {
    Start(element);
    const std::string statementPos = Position();
    if (Node expression = FirstChild(element, El::Expr)) {
        TscCustomVariable& result = FindVariable("Result", script);
        std::unique_ptr<TscDesignator> target = VariableDesignator(result, script);
        if (target->ReadOnly) Fail(Msg::LeftSideNotAssignable);
        std::unique_ptr<TscExpression> value = BuildExpression(expression, script);
        if (!AssignCompatible(*target, *value, script)) FailTypes(*target, *value);
        auto assignment = std::make_unique<TscAssignmentStmt>(script, statementPos, unit_);
        assignment->TargetDesignator = std::move(target);
        assignment->ValueExpr = std::move(value);
        assignment->Prepare();
        list.Add(std::move(assignment));
    }
    list.Add(std::make_unique<TscExitStmt>(script, statementPos, unit_));
}

void Builder::BuildWith(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc) {
    Start(element);
    const size_t withsBefore = withs_.size();
    const int count = element.Count();
    Node body;
    for (int i = 0; i < count; ++i) {
        Node child = element.Child(i);
        if (child.Kind() != El::Dsgn) {
            body = child;
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
        auto statement = std::make_unique<TscWithStmt>(script, Position(), unit_);
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
    if (body) BuildStatement(body, script, list, proc);
}

// ---- expressions ------------------------------------------------------------------------------

std::unique_ptr<TscExpression> Builder::BuildExpression(Node element, TscScope& script) {
    CheckDepth();
    Start(element);
    auto expression = std::make_unique<TscExpression>(script);
    expression->SourcePos = position_;
    expression->SetPosition(position_);
    AddExpressionChildren(element, *expression, script);
    const std::string error = expression->Finish();
    if (!error.empty()) {
        KeepPosition(error);
        Fail(Msg::IncompatibleTypes);
    }
    return expression;
}

// Array bounds and parameter defaults: computed now, so they may not call
// anything.
std::unique_ptr<TscExpression> Builder::BuildConstantExpression(Node element, TscScope& script) {
    std::unique_ptr<TscExpression> expression = BuildExpression(element, script);
    if (!expression->IsPure()) {
        Start(element);
        Fail(Msg::ConstantExpressionExpected);
    }
    return expression;
}

void Builder::AddExpressionChildren(Node element, TscExpression& expression, TscScope& script) {
    CheckDepth();
    const int count = element.Count();
    for (int i = 0; i < count; ++i) {
        Node child = element.Child(i);
        Start(child);
        expression.SetPosition(position_);
        switch (child.Kind()) {
            case El::Op: {
                // Operators come in lower case mostly, and escaped only
                // when they hold "<" or ">".
                std::string_view text = child.RawText();
                std::string lower;
                if (std::any_of(text.begin(), text.end(),
                                [](char c) { return c == '&' || (c >= 'A' && c <= 'Z'); })) {
                    lower = runtime::LowerCase(child.Text());
                    text = lower;
                }
                // A dangling operator left by an abandoned comparison.
                if (i + 1 == count && text != ")") break;
                expression.AddOperator(text);
                break;
            }
            case El::Number:
            case El::String:
                expression.AddConstant(LiteralToVariant(child.Text()));
                break;
            case El::Dsgn:
                expression.AddDesignator(BuildDesignator(child, script, 0));
                break;
            case El::New:
                if (child.Count() > 0)
                    expression.AddDesignator(BuildDesignator(child.Child(0), script, 1));
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

std::unique_ptr<TscSetExpression> Builder::BuildSet(Node element, TscScope& script) {
    Start(element);
    auto set = std::make_unique<TscSetExpression>();
    for (int i = 0; i < element.Count(); ++i) {
        Node child = element.Child(i);
        const El kind = child.Kind();
        if (kind == El::Expr)
            set->AddEntry(BuildExpression(child, script));
        else if (kind == El::Range)
            set->AddEntry(nullptr);
    }
    return set;
}

std::string Builder::SourceText(Node element) const {
    if (!parser_ || !unit_.empty()) return {};
    const std::string from = element.Attribute("pos");
    const std::string to = element.Attribute("pos1");
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
                                                           TscScope& script) {
    auto designator = std::make_unique<TscDesignator>(script);
    designator->AddStep(std::make_unique<TscDesignatorItem>(&variable, Position()));
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
                if (!arg || !arg->IsPure()) return false;
            }
        }
    }
    value = designator.Evaluate(Variant::Null(), false);
    return true;
}

std::unique_ptr<TscDesignator> Builder::BuildDesignator(Node element, TscScope& script, int mode,
                                                        std::string_view leadingName) {
    Start(element);
    DesignatorBuild build{element, script, mode, std::make_unique<TscDesignator>(script), {}};
    build.designator->SourcePos = position_;
    build.designator->SourceUnit = unit_;
    if (!leadingName.empty()) (void)FirstStep(build, std::string(leadingName));
    const int count = element.Count();
    for (int i = 0; i < count; ++i) {
        Node child = element.Child(i);
        Start(child);
        const El kind = child.Kind();
        if (kind == El::Expr) {
            AddArgument(build, child);
            continue;
        }
        if (kind == El::Addr) {
            AddressOf(build, i);
            break;
        }
        if (kind != El::Node) continue;
        const std::string name = child.Text();
        const Defer defer =
            build.designator->StepCount() == 0 ? FirstStep(build, name) : NextStep(build, name);
        if (defer != Defer::No) return Deferred(build, defer, name);
    }
    return Finish(build);
}

// An argument (or index) of the step before it.
void Builder::AddArgument(DesignatorBuild& build, Node element) {
    TscDesignator& designator = *build.designator;
    if (designator.StepCount() == 0) Fail(Msg::SyntaxError);
    TscDesignatorItem& step = *designator.Step(designator.StepCount() - 1);
    std::unique_ptr<TscExpression> argument = BuildExpression(element, build.script);
    if (step.Ref->IsMacro) argument->SourceText = SourceText(element);
    if (step.Ref->ItemClass() == TscItemClass::OleHelper)
        static_cast<TscOLEHelper*>(step.Ref)->AddArgument();
    step.Args.Add(std::move(argument));
}

// @Name: the name as a string; it must be the designator's only name.
void Builder::AddressOf(DesignatorBuild& build, int at) {
    Node name;
    int names = 0;
    for (int j = at + 1; j < build.element.Count(); ++j) {
        if (build.element.Child(j).Kind() == El::Node) {
            ++names;
            name = build.element.Child(j);
        } else {
            names = 2;
        }
    }
    if (names != 1 || build.designator->StepCount() != 0) Fail(Msg::VariableRequired);
    auto text =
        std::make_unique<TscStringVariable>(std::string(), std::string("String"), fskString);
    text->Value = Variant(name.Text());
    text->ReadOnly = true;
    text->IsConstant = true;
    TscStringVariable& added = build.script.Add(std::string(), std::move(text));
    build.designator->AddStep(std::make_unique<TscDesignatorItem>(&added, Position()));
}

// The first name: through an active with, else by lookup; "new" adds the
// class's Create.
Builder::Defer Builder::FirstStep(DesignatorBuild& build, const std::string& name) {
    TscDesignator& designator = *build.designator;
    for (auto entry = withs_.rbegin(); entry != withs_.rend(); ++entry) {
        if (entry->script != &build.script) continue;
        TscCustomVariable* hidden = entry->variable;
        if (hidden->Kind == fskVariant) {
            // Whether the name is a member is known only from the value.
            if (build.script.Find(name) != nullptr) break;
            build.leadingName = entry->name;
            designator.AddStep(std::make_unique<TscDesignatorItem>(hidden, Position()));
            return Defer::WithVariant;
        }
        if (hidden->Kind != fskClass) continue;
        const TscClassVariable* classVariable =
            build.script.FindClassVariable(hidden->DeclTypeName);
        TscCustomVariable* member = classVariable != nullptr ? classVariable->Find(name) : nullptr;
        if (member == nullptr) continue;
        build.leadingName = entry->name;
        designator.AddStep(std::make_unique<TscDesignatorItem>(hidden, Position()));
        designator.AddStep(std::make_unique<TscDesignatorItem>(member, Position()));
        return Defer::No;
    }
    TscCustomVariable& item = FindVariable(name, build.script);
    designator.AddStep(std::make_unique<TscDesignatorItem>(&item, Position()));
    if (build.mode == 1) {
        if (item.ItemClass() != TscItemClass::ClassVariable) Fail(Msg::ClassTypeRequired);
        TscCustomVariable* create = static_cast<TscClassVariable&>(item).Find("Create");
        if (create == nullptr) FailName(Msg::UndeclaredIdentifier, "Create");
        designator.AddStep(std::make_unique<TscDesignatorItem>(create, Position()));
    }
    return Defer::No;
}

// A later name, or "[", after the item of the step before: by the kind of
// that item.
Builder::Defer Builder::NextStep(DesignatorBuild& build, const std::string& name) {
    TscDesignator& designator = *build.designator;
    const TscDesignatorItem& previousStep = *designator.Step(designator.StepCount() - 1);
    TscCustomVariable* previous = previousStep.Ref;
    const bool index = name == "[";
    if (previous->ItemClass() == TscItemClass::OleHelper) {
        // Late bound: every later name is a member of the object before it,
        // and an index adds arguments to that member.
        if (!index) AddOleStep(build, name);
        return Defer::No;
    }
    if (previous->ItemClass() == TscItemClass::MethodHelper &&
        static_cast<TscMethodHelper*>(previous)->IsIndexedProp && previousStep.ArgCount() == 0 &&
        previous->ParamCount() > 0) {
        // The index of an indexed property goes to the property's step.
        if (!index) Fail(Msg::IndexRequired);
        return Defer::No;
    }
    StepType type{previous->Kind, previous->DeclTypeName};
    if (type.kind == fskConstructor) {
        // A constructor's value is an instance of the class it was called
        // on.
        type.kind = fskClass;
        if (designator.StepCount() >= 2)
            type.name = designator.Step(designator.StepCount() - 2)->Ref->DeclTypeName;
    }
    if (type.kind == fskVariant) {
        const Defer defer = VariantStep(build, name, index, type);
        if (defer != Defer::No || type.kind == fskVariant) return defer;
    }
    switch (type.kind) {
        case fskString:
        case fskChar:
            if (!index) Fail(Msg::StringsHaveNoMembers);
            AddHelperStep(build, "__StringHelper");
            return Defer::No;
        case fskClass:
            return ClassStep(build, name, index, type.name);
        case fskArray: {
            if (!index) Fail(Msg::IndexRequired);
            TscCustomVariable* helper = previous->LinkedItem;
            if (helper == nullptr || helper->ItemClass() != TscItemClass::ArrayHelper)
                helper = &FindVariable("__ArrayHelper", build.script);
            designator.AddStep(std::make_unique<TscDesignatorItem>(helper, Position()));
            return Defer::No;
        }
        default:
            Fail(Msg::ArrayTypeRequired);
    }
}

// After a Variant: what the value holds decides. A string or an object
// turns `type` into its kind; an array takes the index here and an OLE
// object the member (type stays Variant); no value defers the designator.
Builder::Defer Builder::VariantStep(DesignatorBuild& build, const std::string& name, bool index,
                                    StepType& type) {
    Variant value;
    if (!ValueOf(*build.designator, value)) return Defer::Unread;
    if (value.IsNull() || value.IsEmpty()) return Defer::NoValue;
    if (value.Type() == runtime::varDispatch || value.Type() == runtime::varUnknown) {
        if (index) Fail(Msg::ArrayTypeRequired);
        AddOleStep(build, name);
    } else if (value.IsString()) {
        type.kind = fskString;
    } else if (value.IsArray()) {
        if (!index) Fail(Msg::IndexRequired);
        AddHelperStep(build, "__ArrayHelper");
    } else if (value.IsOrdinal()) {
        runtime::TObject* object = runtime::ObjectOfHandle(value.AsInt64());
        if (object == nullptr) return Defer::NoValue;
        type.kind = fskClass;
        type.name = KnownClassName(*object, build.script);
    } else {
        Fail(Msg::ClassTypeRequired);
    }
    return Defer::No;
}

// After an object of class `className`: "[" goes to its default property,
// a name to its member, or to a component the object owns.
Builder::Defer Builder::ClassStep(DesignatorBuild& build, const std::string& name, bool index,
                                  const std::string& className) {
    TscDesignator& designator = *build.designator;
    TscClassVariable* classVariable = build.script.FindClassVariable(className);
    if (classVariable == nullptr) FailName(Msg::UnknownType, className);
    if (index) {
        if (classVariable->DefaultProperty == nullptr) {
            std::string text(MessageText(Msg::NoDefaultProperty));
            text.replace(text.find("%s"), 2, classVariable->Name);
            throw EScriptError(std::move(text), Position(), unit_);
        }
        auto step = std::make_unique<TscDesignatorItem>(classVariable->DefaultProperty, Position());
        step->IsIndexStep = true;
        designator.AddStep(std::move(step));
        return Defer::No;
    }
    if (TscCustomVariable* member = classVariable->Find(name)) {
        designator.AddStep(std::make_unique<TscDesignatorItem>(member, Position()));
        return Defer::No;
    }
    Variant value;
    if (!ValueOf(designator, value)) return Defer::Unread;
    if (value.IsNull() || value.IsEmpty() || (value.IsOrdinal() && value.AsInt64() == 0))
        return Defer::NoValue;
    auto* owner = value.IsOrdinal()
                      ? dynamic_cast<runtime::TComponent*>(runtime::ObjectOfHandle(value.AsInt64()))
                      : nullptr;
    runtime::TComponent* component = owner != nullptr ? owner->FindComponent(name) : nullptr;
    if (component == nullptr) FailName(Msg::UndeclaredIdentifier, name);
    auto holder = std::make_unique<TscVariable>(std::string(),
                                                KnownClassName(*component, build.script), fskClass);
    holder->Value = Variant(runtime::HandleOf(component));
    holder->ReadOnly = true;
    TscVariable& added = build.script.Add(std::string(), std::move(holder));
    designator.AddStep(std::make_unique<TscDesignatorItem>(&added, Position()));
    return Defer::No;
}

// An OLE member: an item of its own, which its arguments give parameters.
void Builder::AddOleStep(DesignatorBuild& build, const std::string& name) {
    TscOLEHelper& helper = build.script.Add(std::string(), std::make_unique<TscOLEHelper>(name));
    build.designator->AddStep(std::make_unique<TscDesignatorItem>(&helper, Position()));
}

void Builder::AddHelperStep(DesignatorBuild& build, const char* helperName) {
    TscCustomVariable& helper = FindVariable(helperName, build.script);
    build.designator->AddStep(std::make_unique<TscDesignatorItem>(&helper, Position()));
}

// Names known only at run time: the designator keeps its part of the form
// and is built on first use. At run time it cannot wait longer: a value
// that is still missing is named as the problem.
std::unique_ptr<TscDesignator> Builder::Deferred(DesignatorBuild& build, Defer reason,
                                                 const std::string& name) {
    if (runTime_) {
        if (reason == Defer::NoValue && name == "[") Fail(Msg::NullIndexed);
        if (reason == Defer::NoValue) FailName(Msg::NullHasNoMembers, name);
        FailName(Msg::UndeclaredIdentifier, name);
    }
    TscDesignator& designator = *build.designator;
    while (designator.StepCount() > 1) (void)designator.RemoveStep(designator.StepCount() - 1);
    designator.Kind = fskVariant;
    designator.DeclTypeName.clear();
    designator.ReadOnly = false;
    designator.DesignatorKind = 0;
    designator.Deferred = std::make_unique<DeferredDesignator>(build.element.Subtree(),
                                                               std::move(build.leadingName), unit_);
    return std::move(build.designator);
}

// The steps checked; "delete" adds TObject's Free; the fast form when the
// shape allows.
std::unique_ptr<TscDesignator> Builder::Finish(DesignatorBuild& build) {
    TscDesignator& designator = *build.designator;
    if (designator.StepCount() == 0) Fail(Msg::SyntaxError);
    if (build.mode == 2) {
        const TscCustomVariable* last = designator.Step(designator.StepCount() - 1)->Ref;
        if (last->Kind != fskClass && last->Kind != fskVariant) Fail(Msg::ClassTypeRequired);
        const TscClassVariable* root = build.script.FindClassVariable("TObject");
        TscCustomVariable* free = root != nullptr ? root->Find("Free") : nullptr;
        if (free == nullptr) FailName(Msg::UndeclaredIdentifier, "Free");
        designator.AddStep(std::make_unique<TscDesignatorItem>(free, Position()));
    }
    FinishDesignator(designator);
    designator.ResolveKind();
    if (std::unique_ptr<TscDesignator> fast = designator.MakeFast()) return fast;
    return std::move(build.designator);
}

// Argument counts and types of every step; omitted optional arguments get
// their defaults.
void Builder::FinishDesignator(TscDesignator& designator) {
    for (int s = 0; s < designator.StepCount(); ++s) {
        TscDesignatorItem& step = *designator.Step(s);
        TscCustomVariable& ref = *step.Ref;
        if (ref.ItemClass() == TscItemClass::Designator) continue;
        if (!step.SourcePos.empty()) KeepPosition(step.SourcePos);
        const int args = step.ArgCount();
        if (args < ref.RequiredParamCount()) Fail(Msg::NotEnoughParameters);
        if (args > ref.ParamCount()) Fail(Msg::TooManyParameters);
        for (int i = 0; i < args; ++i) {
            const TscCustomExpression& argument = *step.Arg(i);
            if (!AssignCompatible(*ref.GetParam(i), argument, *designator.Script)) {
                if (!argument.SourcePos.empty()) KeepPosition(argument.SourcePos);
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

void BuildProgram(TscILParser& parser, TscScope& program) {
    IntermediateForm* form = parser.Form();
    std::unique_ptr<IntermediateForm> empty;
    if (form == nullptr) {
        empty = IntermediateForm::FromXml(parser.Intermediate().Root());
        form = empty.get();
    }
    Builder builder(program, &parser);
    builder.BuildProgram(Node(*form, 0));
}

}  // namespace script
