// The builder's designators: the steps from a name to what it reaches,
// built now or deferred to run time.

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/classinfo.h"
#include "runtime/component.h"
#include "runtime/handles.h"
#include "script/builder_internal.h"
#include "script/conversions.h"
#include "script/ole_helper.h"

namespace script::builder {

namespace {

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

}  // namespace

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

}  // namespace script::builder
