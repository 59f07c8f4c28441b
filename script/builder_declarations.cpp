// The builder's program, blocks and declarations: procedures and their
// parameters, variables (arrays too), constants, used units.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "script/builder_internal.h"
#include "script/conversions.h"
#include "script/xml_reader.h"
#include "script/xml_tree.h"

namespace script::builder {

namespace {

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

}  // namespace

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

}  // namespace script::builder
