#pragma once

// Internal to the builder (builder*.cpp): the elements of the intermediate
// form as the builder reads them, and the builder itself. Each part of it
// builds one kind of element: declarations, statements, expressions,
// designators.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/variant.h"
#include "script/designator.h"
#include "script/errors.h"
#include "script/expression.h"
#include "script/il_parser.h"
#include "script/intermediate_form.h"
#include "script/items.h"
#include "script/scope.h"
#include "script/stack_guard.h"
#include "script/statements.h"
#include "script/xml_tree.h"

namespace script::builder {

using runtime::Variant;

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

// The kind of an element name; Other for a name the builder does not know.
El KindOfName(std::string_view name);

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

// The first child of that kind, or none.
Node FirstChild(Node element, El kind);

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

}  // namespace script::builder
