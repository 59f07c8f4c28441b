#include "script/items.h"

#include <algorithm>
#include <array>
#include <string>

#include "runtime/classinfo.h"
#include "runtime/component.h"
#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "runtime/properties.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"
#include "script/conversions.h"
#include "script/errors.h"
#include "script/main_thread_objects.h"
#include "script/proc_call.h"
#include "script/run_guard.h"
#include "script/scope.h"
#include "script/statements.h"

namespace script {

using runtime::Variant;

namespace {

// The first character of a value's text, #0 for an empty text.
char FirstChar(const Variant& v) {
    if (const auto text = v.AnsiTextView()) return text->empty() ? '\0' : (*text)[0];
    const std::string text = v.AsString();
    return text.empty() ? '\0' : text[0];
}

// The script kind of a published property's type.
TscTypeKind KindOfProperty(const runtime::TPropInfo& prop, std::string& typeName) {
    const runtime::TTypeInfo& type = prop.PropType();
    typeName.clear();
    switch (type.Kind()) {
        case runtime::tkChar:
        case runtime::tkWChar:
            return fskChar;
        case runtime::tkEnumeration:
            if (runtime::SameText(type.Name(), "Boolean") || runtime::SameText(type.Name(), "bool"))
                return fskBool;
            typeName = type.Name();
            return fskEnum;
        case runtime::tkFloat:
            return fskFloat;
        case runtime::tkLString:
        case runtime::tkWString:
            return fskString;
        case runtime::tkSet:
            typeName = type.Name();
            return fskEnum;
        case runtime::tkClass:
            typeName = type.ClassType().Name();
            return fskClass;
        case runtime::tkVariant:
            return fskVariant;
        default:
            return fskInt;
    }
}

}  // namespace

size_t CheckedIndex(const Variant& index, size_t length) {
    const int64_t i = index.AsInt64();
    if (i < 1 || static_cast<uint64_t>(i) > length) throw runtime::ERangeError("Range check error");
    return static_cast<size_t>(i - 1);
}

// One-character strings are read far more often than any other string
// (s[i] in scanning loops); these shared values make such reads free of
// allocation.
const Variant& CharValue(unsigned char c) {
    static const std::array<Variant, 256> table = [] {
        std::array<Variant, 256> t;
        for (int i = 0; i < 256; ++i)
            t[static_cast<size_t>(i)] = Variant(std::string(1, static_cast<char>(i)));
        return t;
    }();
    return table[c];
}

// ---- TscCustomVariable -----------------------------------------------------------

TscCustomVariable::TscCustomVariable(std::string name, std::string typeName, TscTypeKind kind)
    : TscCustomVariable(TscItemClass::Custom, std::move(name), std::move(typeName), kind) {}

TscCustomVariable::TscCustomVariable(TscItemClass itemClass, std::string name, std::string typeName,
                                     TscTypeKind kind)
    : Name(std::move(name)),
      Kind(kind),
      DeclTypeName(std::move(typeName)),
      Value(Variant::Null()),
      itemClass_(itemClass),
      upperName_(runtime::AnsiUpperCase(Name)) {}

TscCustomVariable::~TscCustomVariable() = default;

Variant TscCustomVariable::GetValue() {
    return Value;
}

void TscCustomVariable::SetValue(const Variant& value) {
    if (!ReadOnly) Value = value;
}

void TscCustomVariable::Rename(std::string name) {
    Name = std::move(name);
    upperName_ = runtime::AnsiUpperCase(Name);
}

void TscCustomVariable::AddParam(std::unique_ptr<TscParamItem> param) {
    params_.Add(std::move(param));
}

TscItemList<TscParamItem> TscCustomVariable::TakeParams() {
    TscItemList<TscParamItem> taken;
    taken.Swap(params_);
    return taken;
}

int TscCustomVariable::RequiredParamCount() const {
    int count = 0;
    for (const auto& param : params_)
        if (!param->IsOptional) ++count;
    return count;
}

std::string TscCustomVariable::TypeName() const {
    switch (Kind) {
        case fskInt:
            return "Integer";
        case fskBool:
            return "Boolean";
        case fskFloat:
            return "Extended";
        case fskChar:
            return "Char";
        case fskString:
            return "String";
        case fskClass:
        case fskEnum:
            return DeclTypeName;
        case fskArray:
            return "Array";
        default:
            return "Variant";
    }
}

// ---- plain items -------------------------------------------------------------------

TscVariable::TscVariable(std::string name, std::string typeName, TscTypeKind kind)
    : TscCustomVariable(TscItemClass::Variable, std::move(name), std::move(typeName), kind) {}

TscVariable::TscVariable(TscItemClass itemClass, std::string name, std::string typeName,
                         TscTypeKind kind)
    : TscCustomVariable(itemClass, std::move(name), std::move(typeName), kind) {}

TscTypeVariable::TscTypeVariable(std::string name, std::string typeName, TscTypeKind kind)
    : TscCustomVariable(TscItemClass::TypeVariable, std::move(name), std::move(typeName), kind) {}

TscStringVariable::TscStringVariable(std::string name, std::string typeName, TscTypeKind kind)
    : TscVariable(TscItemClass::StringVariable, std::move(name), std::move(typeName), kind) {
    Value = Variant(std::string());
}

void TscStringVariable::SetValue(const Variant& value) {
    if (value.Type() == runtime::varString)
        Value = value;
    else
        Value = Variant(value.AsString());
}

TscParamItem::TscParamItem(std::string name, bool isVarParam, bool isOptional, std::string typeName,
                           TscTypeKind kind)
    : TscCustomVariable(TscItemClass::Param, std::move(name), std::move(typeName), kind),
      DefValue(Variant::Null()),
      IsOptional(isOptional),
      IsVarParam(isVarParam) {}

// ---- TscProcVariable -------------------------------------------------------------

TscProcVariable::TscProcVariable(std::string name, std::string typeName, TscTypeKind kind,
                                 bool isFunction, TscScope& declaringScope)
    : TscCustomVariable(TscItemClass::Proc, std::move(name), std::move(typeName), kind),
      IsFunction(isFunction),
      LocalScript(std::make_unique<TscLocalScope>(declaringScope)) {
    ReadOnly = true;
    if (IsFunction) {
        auto result = std::make_unique<TscVariable>("Result", DeclTypeName, Kind);
        LinkedItem = &LocalScript->Add("Result", std::move(result));
    }
}

TscProcVariable::~TscProcVariable() {
    // The local scope's table does not own the parameters; they go with
    // this item.
    LocalScript.reset();
}

void TscProcVariable::AddLocal(TscCustomVariable& local, Variant initialValue) {
    locals_.push_back({&local, std::move(initialValue)});
}

// Items are only ever added to a local table while the program lives, so
// the frame keeps its order and new items go at its end: a call that saved
// the first n values of the frame restores them to the same items even when
// the table grew meanwhile.
void TscProcVariable::RebuildFrame() {
    LocalScript->ForEachItem([this](TscCustomVariable& item) {
        if (item.IsConstant || !(item.IsVariable() || item.ItemClass() == TscItemClass::Param))
            return;
        if (std::find(frame_.begin(), frame_.end(), &item) == frame_.end()) frame_.push_back(&item);
    });
    frameVersion_ = LocalScript->ItemTableVersion();
}

Variant TscProcVariable::Run() {
    return ProcedureRun::Run(*this);
}

Variant TscProcVariable::Call(Variant* argument) {
    return ProcedureRun::Call(*this, argument);
}

// ---- TscCustomExpression, TscSetExpression -----------------------------------------

TscCustomExpression::TscCustomExpression(TscItemClass itemClass)
    : TscCustomVariable(itemClass, std::string(), std::string(), fskVariant) {}

TscSetExpression::TscSetExpression()
    : TscCustomVariable(TscItemClass::SetExpression, std::string(), std::string(), fskVariant) {}

TscSetExpression::~TscSetExpression() = default;

void TscSetExpression::AddEntry(std::unique_ptr<TscCustomExpression> entry) {
    entries_.push_back(std::move(entry));
}

Variant TscSetExpression::GetValue() {
    const int count = EntryCount();
    if (count == 0) return Variant::ArrayOf({});
    Variant array = Variant::CreateArray({0, count - 1}, runtime::varVariant);
    for (int i = 0; i < count; ++i) {
        const int32_t index = i;
        *array.ElementRef({&index, 1}) = entries_[static_cast<size_t>(i)]
                                             ? entries_[static_cast<size_t>(i)]->GetValue()
                                             : Variant::Null();
    }
    return array;
}

bool TscSetExpression::Contains(const Variant& v) const {
    const size_t count = entries_.size();
    size_t i = 0;
    while (i < count) {
        const bool range = i + 2 < count && entries_[i + 1] == nullptr;
        if (range) {
            if (entries_[i] != nullptr && entries_[i + 2] != nullptr &&
                v >= entries_[i]->GetValue() && v <= entries_[i + 2]->GetValue())
                return true;
            i += 3;
        } else {
            if (entries_[i] != nullptr && v == entries_[i]->GetValue()) return true;
            ++i;
        }
    }
    return false;
}

// ---- helpers ---------------------------------------------------------------------

TscCustomHelper::TscCustomHelper(TscItemClass itemClass, std::string name, std::string typeName,
                                 TscTypeKind kind)
    : TscCustomVariable(itemClass, std::move(name), std::move(typeName), kind) {}

runtime::TObject* TscCustomHelper::ParentObject() const {
    if (ParentValue.IsNull() || ParentValue.IsEmpty()) return nullptr;
    runtime::TObject* object = runtime::ObjectOfHandle(ParentValue.AsInt64());
    if (object != nullptr) CheckThreadFor(*object);
    return object;
}

TscArrayHelper::TscArrayHelper(std::string name, std::string typeName, TscTypeKind kind, int count)
    : TscCustomHelper(TscItemClass::ArrayHelper, std::move(name), std::move(typeName), kind) {
    const int params = count < 0 ? 3 : count;
    for (int i = 0; i < params; ++i) {
        const bool optional = count < 0 && i > 0;
        std::string name(1, 'p');
        name += std::to_string(i);
        AddParam(
            std::make_unique<TscParamItem>(std::move(name), false, optional, "Integer", fskInt));
    }
}

namespace {

// The array an array helper works on: a variable's own value in place, or a
// copy of the value the step before produced.
struct ArrayTarget {
    Variant* array;
    bool inPlace;
};

ArrayTarget ArrayOf(TscCustomHelper& helper, Variant& copy) {
    TscCustomVariable* parent = helper.ParentRef;
    if (parent != nullptr && TscCustomHelper::HoldsValueInPlace(*parent))
        return {&parent->Value, true};
    copy = helper.ParentValue;
    return {&copy, false};
}

// The helper's first `dims` index parameters, or false when the array has a
// number of dimensions the helper does not serve.
bool ReadIndexes(const TscCustomVariable& helper, int dims, std::array<int32_t, 3>& indexes) {
    if (dims < 1 || dims > 3 || dims > helper.ParamCount()) return false;
    for (int i = 0; i < dims; ++i)
        indexes[static_cast<size_t>(i)] = helper.GetParam(i)->Value.AsInteger();
    return true;
}

}  // namespace

Variant TscArrayHelper::GetValue() {
    const Variant& array = ParentData();
    std::array<int32_t, 3> indexes{};
    const int dims = array.ArrayDimCount();
    if (!ReadIndexes(*this, dims, indexes)) return Variant::Null();
    return array.GetElement({indexes.data(), static_cast<size_t>(dims)});
}

void TscArrayHelper::SetValue(const Variant& value) {
    Variant copy;
    const ArrayTarget target = ArrayOf(*this, copy);
    std::array<int32_t, 3> indexes{};
    const int dims = target.array->ArrayDimCount();
    if (!ReadIndexes(*this, dims, indexes)) return;
    if (target.inPlace) {
        if (ParentRef->ReadOnly) return;
        target.array->SetElement({indexes.data(), static_cast<size_t>(dims)}, value);
        return;
    }
    // An array produced by a property or call goes back the way it came.
    copy.SetElement({indexes.data(), static_cast<size_t>(dims)}, value);
    if (ParentRef != nullptr) ParentRef->SetValue(copy);
}

TscStringHelper::TscStringHelper()
    : TscCustomHelper(TscItemClass::StringHelper, "__StringHelper", std::string(), fskChar) {
    AddParam(std::make_unique<TscParamItem>("p0", false, false, "Integer", fskInt));
}

Variant TscStringHelper::GetValue() {
    const Variant& index = GetParam(0)->Value;
    const Variant& parent = ParentData();
    if (const auto text = parent.AnsiTextView())
        return CharValue(static_cast<unsigned char>((*text)[CheckedIndex(index, text->size())]));
    if (const auto wide = parent.WideTextView())
        return Variant(std::u16string(1, (*wide)[CheckedIndex(index, wide->size())]));
    const std::string text = parent.AsString();
    return CharValue(static_cast<unsigned char>(text[CheckedIndex(index, text.size())]));
}

void TscStringHelper::SetValue(const Variant& value) {
    const Variant& index = GetParam(0)->Value;
    // A text the previous step holds is written in place (a string
    // variable takes writes even when read-only, as its SetValue does).
    if (ParentRef != nullptr && HoldsValueInPlace(*ParentRef) && ParentRef->Value.IsString() &&
        (!ParentRef->ReadOnly || ParentRef->ItemClass() == TscItemClass::StringVariable)) {
        WriteChar(ParentRef->Value, index, value);
        return;
    }
    Variant result = ParentData();
    if (!result.IsString()) result = Variant(result.AsString());
    WriteChar(result, index, value);
    if (ParentRef != nullptr) ParentRef->SetValue(result);
}

void WriteChar(Variant& text, const Variant& index, const Variant& value) {
    if (text.Type() == runtime::varOleStr) {
        const size_t at = CheckedIndex(index, text.WideTextView()->size());
        const std::u16string with = value.AsWideString();
        const char16_t* before = text.WideTextView()->data();
        const std::span<char16_t> chars = text.MutableWideText();
        if (chars.data() != before) ChargeWork(chars.size() * sizeof(char16_t));
        chars[at] = with.empty() ? u'\0' : with[0];
        return;
    }
    const size_t at = CheckedIndex(index, text.AnsiTextView()->size());
    const char c = FirstChar(value);
    const char* before = text.AnsiTextView()->data();
    const std::span<char> chars = text.MutableAnsiText();
    // A text shared with another value was copied first: that is work.
    if (chars.data() != before) ChargeWork(chars.size());
    chars[at] = c;
}

TscPropertyHelper::TscPropertyHelper(std::string name, std::string typeName, TscTypeKind kind)
    : TscCustomHelper(TscItemClass::PropertyHelper, std::move(name), std::move(typeName), kind) {}

Variant TscPropertyHelper::GetValue() {
    Variant result = Variant::Null();
    runtime::TObject* object = ParentObject();
    if (UseRTTI) {
        if (object != nullptr) {
            const runtime::TPropInfo* prop = runtime::GetPropInfo(*object, Name);
            if (prop != nullptr && prop->Kind() != runtime::tkMethod)
                result = runtime::GetPropValue(*object, *prop);
        }
    } else if (OnGetValue) {
        result = OnGetValue(object, ClassRef, UpperName());
    }
    if (Kind == fskBool)
        result = Variant(!(result.IsNull() || result.IsEmpty() || result == Variant(0)));
    return result;
}

void TscPropertyHelper::SetValue(const Variant& value) {
    if (ReadOnly) return;
    runtime::TObject* object = ParentObject();
    if (UseRTTI) {
        if (object == nullptr)
            throw runtime::EInvalidOperation("Cannot set property " + Name + " of nil");
        const runtime::TPropInfo* prop = runtime::GetPropInfo(*object, Name);
        if (prop == nullptr || prop->Kind() == runtime::tkMethod) return;
        if (Kind == fskBool)
            runtime::SetPropValue(*object, *prop, Variant(value == Variant(true)));
        else
            runtime::SetPropValue(*object, *prop, value);
    } else if (OnSetValue) {
        OnSetValue(object, ClassRef, UpperName(), value);
    }
}

// ---- TscMethodHelper ----------------------------------------------------------------

TscMethodHelper::TscMethodHelper(std::string_view syntax, TscScope& script)
    : TscCustomHelper(TscItemClass::MethodHelper, std::string(), std::string(), fskVariant),
      Syntax(syntax) {
    std::unique_ptr<TscCustomVariable> parsed = ParseDeclaration(syntax, script);
    Rename(parsed->Name);
    DeclTypeName = parsed->DeclTypeName;
    Kind = parsed->Kind;
    IsMacro = parsed->IsMacro;
    params_ = parsed->TakeParams();
    ReadOnly = true;
    getName_ = UpperName() + ".GET";
    setName_ = UpperName() + ".SET";
    if (ParamCount() > 0)
        ArgArray = Variant::CreateArray({0, ParamCount() - 1}, runtime::varVariant);
}

Variant TscMethodHelper::GetParamValue(int index) const {
    if (index >= 0 && index < ParamCount()) return GetParam(index)->Value;
    if (index == ParamCount()) return PendingSetValue;
    throw runtime::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TscMethodHelper::SetParamValue(int index, const Variant& value) {
    if (index < 0 || index >= ParamCount())
        throw runtime::EListError("List index out of bounds (" + std::to_string(index) + ")");
    GetParam(index)->SetValue(value);
}

Variant TscMethodHelper::Call(runtime::TObject* instance, const std::string& name) {
    if (OnCall) {
        const int count = ParamCount();
        // A callback may have replaced the array; the next call gets a fresh one.
        if (count > 0 && (ArgArray.ArrayDimCount() != 1 || ArgArray.ArrayLowBound(1) != 0 ||
                          ArgArray.ArrayHighBound(1) != count - 1 ||
                          ArgArray.ArrayElementType() != runtime::varVariant))
            ArgArray = Variant::CreateArray({0, count - 1}, runtime::varVariant);
        for (int32_t i = 0; i < count; ++i) *ArgArray.ElementRef({&i, 1}) = GetParam(i)->Value;
        // The array is kept for the next call, its elements not.
        struct Empty {
            Variant& array;
            int count;
            ~Empty() {
                for (int32_t i = 0; i < count; ++i)
                    if (Variant* element = array.ElementRef({&i, 1})) *element = Variant();
            }
        };
        Variant result = OnCall(instance, ClassRef, name, ArgArray);
        const bool sameShape = count > 0 && ArgArray.ArrayDimCount() == 1 &&
                               ArgArray.ArrayLowBound(1) == 0 &&
                               ArgArray.ArrayHighBound(1) == count - 1;
        const Empty empty{ArgArray, sameShape ? count : 0};
        if (sameShape) {
            for (int32_t i = 0; i < count; ++i)
                if (GetParam(i)->IsVarParam) GetParam(i)->SetValue(ArgArray.GetElement({&i, 1}));
        }
        return result;
    }
    if (OnCallEx) return OnCallEx(instance, ClassRef, name, *this);
    return Variant(0);
}

// A constructor called on a class gets a fresh instance of that class. When
// the callback answers with another object, the fresh one is freed, so
// nothing is left behind either way.
Variant TscMethodHelper::CallConstructor() {
    auto* classVariable = static_cast<TscClassVariable*>(ParentRef);
    const runtime::TClassInfo* classInfo = classVariable->ClassRef;
    if (classInfo != nullptr) CheckThreadFor(*classInfo, nullptr);
    if (classInfo == nullptr || !classInfo->CanCreate()) return Call(nullptr, UpperName());
    const runtime::TObjectHandle handle = runtime::AdoptScriptObject(classInfo->Create());
    struct Release {
        runtime::TObjectHandle handle;
        bool keep = false;
        ~Release() {
            if (keep) return;
            try {
                runtime::TObject* object = runtime::ObjectOfHandle(handle);
                if (object != nullptr && runtime::IsScriptOwned(*object))
                    runtime::FreeScriptObject(handle);
            } catch (const runtime::Exception&) {
                // The callback freed it already.
            }
        }
    } release{handle};
    Variant result = Call(runtime::ObjectOfHandle(handle), UpperName());
    release.keep = (result.IsOrdinal() && result.AsInt64() == handle);
    return result;
}

Variant TscMethodHelper::GetValue() {
    if (Kind == fskConstructor && ParentRef != nullptr &&
        ParentRef->ItemClass() == TscItemClass::ClassVariable && ParentObject() == nullptr)
        return CallConstructor();
    return Call(ParentObject(), IsIndexedProp ? getName_ : UpperName());
}

void TscMethodHelper::SetValue(const Variant& value) {
    if (!IsIndexedProp) return;
    runtime::TObject* object = ParentObject();
    if (OnCall) {
        const int count = ParamCount();
        Variant params = Variant::CreateArray({0, count}, runtime::varVariant);
        for (int32_t i = 0; i < count; ++i) *params.ElementRef({&i, 1}) = GetParam(i)->Value;
        const int32_t last = count;
        *params.ElementRef({&last, 1}) = value;
        (void)OnCall(object, ClassRef, setName_, params);
    } else if (OnCallEx) {
        PendingSetValue = value;
        struct Reset {
            Variant& pending;
            ~Reset() { pending = Variant::Null(); }
        } reset{PendingSetValue};
        (void)OnCallEx(object, ClassRef, setName_, *this);
    }
}

// ---- TscComponentHelper, TscEventHelper ----------------------------------------------------

TscComponentHelper::TscComponentHelper(runtime::TComponent& component)
    : TscCustomHelper(TscItemClass::ComponentHelper, component.Name(), component.ClassName(),
                      fskClass),
      Component(&component) {
    // The handle outlives the component: a freed component is refused when
    // used, never followed.
    Value = Variant(runtime::HandleOf(&component));
}

Variant TscComponentHelper::GetValue() {
    return Value;
}

void TscComponentHelper::SetValue(const Variant&) {}

TscEventHelper::TscEventHelper(std::string name, TscEventClass eventClass)
    : TscCustomHelper(TscItemClass::EventHelper, std::move(name), std::string(), fskString),
      EventClass(eventClass) {}

Variant TscEventHelper::GetValue() {
    return Variant(std::string());
}

// The bridge installs itself only once the host's event took it: a handler
// refused by its bridge class or by the event changes nothing. The bridge it
// replaces is retired.
void TscEventHelper::SetValue(const Variant& value) {
    runtime::TObject* host = ParentObject();
    if (host == nullptr) throw runtime::EInvalidOperation("Cannot set event " + Name + " of nil");
    const std::string handlerName = value.AsString();
    auto* replaced = dynamic_cast<TscCustomEvent*>(runtime::GetMethodProp(*host, Name).Data());
    if (handlerName == "0") {
        runtime::ClearMethodProp(*host, Name);
    } else {
        TscCustomVariable* found =
            OwnerScript != nullptr ? OwnerScript->Find(handlerName) : nullptr;
        if (found == nullptr || found->ItemClass() != TscItemClass::Proc || EventClass == nullptr)
            throw EScriptError(std::string(MessageText(Msg::EventHandlerNotProcedure)));
        std::unique_ptr<TscCustomEvent> bridge =
            EventClass(host, static_cast<TscProcVariable*>(found));
        runtime::SetMethodProp(*host, Name, bridge->HandlerAddress());
        bridge->OwnerScope = OwnerScript;
        (void)OwnerScript->Add(std::string(), std::move(bridge));
    }
    if (replaced != nullptr && replaced->OwnerScope != nullptr) replaced->Retire();
}

// ---- TscClassVariable ----------------------------------------------------------------------

TscClassVariable::TscClassVariable(const runtime::TClassInfo* classRef, std::string ancestorName)
    : TscCustomVariable(TscItemClass::ClassVariable, classRef ? classRef->Name() : std::string(),
                        classRef ? classRef->Name() : std::string(), fskClass),
      AncestorName(std::move(ancestorName)),
      ClassRef(classRef) {
    if (classRef != nullptr) {
        for (const runtime::TPropInfo* prop : classRef->Properties()) {
            if (prop->Kind() == runtime::tkMethod) continue;
            std::string typeName;
            const TscTypeKind kind = KindOfProperty(*prop, typeName);
            auto member = std::make_unique<TscPropertyHelper>(prop->Name(), typeName, kind);
            member->UseRTTI = true;
            member->ClassRef = classRef;
            member->ReadOnly = !prop->IsWritable();
            Members.Add(std::move(member));
        }
    }
    AddParam(std::make_unique<TscParamItem>(std::string(), false, true, std::string(), fskVariant));
}

TscClassVariable::~TscClassVariable() = default;

Variant TscClassVariable::GetValue() {
    TscParamItem& cast = *GetParam(0);
    Variant result = cast.Value;
    cast.Value = Variant::Null();
    // A class reference on its own is nil; a constructor called on it makes
    // the instance (TscMethodHelper).
    if (result.IsNull() || result.IsEmpty()) return Variant(0);
    return result;
}

TscCustomVariable* TscClassVariable::FindMember(std::string_view name) const {
    for (const auto& member : Members)
        if (runtime::SameText(member->Name, name)) return member.get();
    return nullptr;
}

TscCustomVariable* TscClassVariable::Find(std::string_view name) const {
    const TscClassVariable* current = this;
    // Ancestor chains are short; the cap only stops a cycle of names.
    for (int depth = 0; current != nullptr && depth < 64; ++depth) {
        if (TscCustomVariable* member = current->FindMember(name)) return member;
        if (current->AncestorName.empty() || current->Script == nullptr) return nullptr;
        current = current->Script->FindClassVariable(current->AncestorName);
    }
    return nullptr;
}

namespace {

TscScope& DeclaringScript(TscScope* script) {
    if (script == nullptr)
        throw runtime::EInvalidOperation("The class is not declared on a script");
    return *script;
}

// "constructor Create(...)" -> "function Create(...): Constructor".
std::string ConstructorSyntax(std::string_view syntax) {
    const size_t blank = syntax.find(' ');
    std::string text = "function";
    text += blank == std::string_view::npos ? std::string_view() : syntax.substr(blank);
    text += ": Constructor";
    return text;
}

}  // namespace

TscMethodHelper& TscClassVariable::DeclareMethod(std::string_view syntax,
                                                 TscMethodCallEvent callEvent) {
    auto helper = std::make_unique<TscMethodHelper>(syntax, DeclaringScript(Script));
    helper->OnCall = std::move(callEvent);
    helper->ClassRef = ClassRef;
    return static_cast<TscMethodHelper&>(*Members.Add(std::move(helper)));
}

TscMethodHelper& TscClassVariable::DeclareMethodEx(std::string_view syntax,
                                                   TscMethodCallExEvent callEvent) {
    auto helper = std::make_unique<TscMethodHelper>(syntax, DeclaringScript(Script));
    helper->OnCallEx = std::move(callEvent);
    helper->ClassRef = ClassRef;
    return static_cast<TscMethodHelper&>(*Members.Add(std::move(helper)));
}

TscMethodHelper& TscClassVariable::DeclareConstructor(std::string_view syntax,
                                                      TscMethodCallEvent callEvent) {
    return DeclareMethod(ConstructorSyntax(syntax), std::move(callEvent));
}

TscMethodHelper& TscClassVariable::DeclareConstructorEx(std::string_view syntax,
                                                        TscMethodCallExEvent callEvent) {
    return DeclareMethodEx(ConstructorSyntax(syntax), std::move(callEvent));
}

TscEventHelper& TscClassVariable::DeclareEvent(std::string name, TscEventClass eventClass) {
    auto helper = std::make_unique<TscEventHelper>(std::move(name), eventClass);
    helper->ClassRef = ClassRef;
    return static_cast<TscEventHelper&>(*Members.Add(std::move(helper)));
}

TscPropertyHelper& TscClassVariable::DeclareProperty(std::string name, std::string_view typeName,
                                                     TscPropGetEvent getValue,
                                                     TscPropSetEvent setValue) {
    const TscTypeKind kind = TypeKindByName(typeName, DeclaringScript(Script));
    auto helper = std::make_unique<TscPropertyHelper>(std::move(name), std::string(typeName), kind);
    helper->ClassRef = ClassRef;
    helper->OnGetValue = std::move(getValue);
    helper->ReadOnly = !setValue;
    helper->OnSetValue = std::move(setValue);
    return static_cast<TscPropertyHelper&>(*Members.Add(std::move(helper)));
}

TscMethodHelper& TscClassVariable::DeclareIndexedProperty(std::string_view name,
                                                          std::string_view indexTypes,
                                                          std::string_view typeName,
                                                          TscMethodCallExEvent callEvent,
                                                          bool readOnly) {
    runtime::TStringList types;
    types.SetCommaText(indexTypes);
    std::string syntax = "function ";
    syntax += name;
    syntax += '(';
    for (int i = 0; i < types.Count(); ++i) {
        if (i > 0) syntax += "; ";
        syntax += 'p' + std::to_string(i) + ": " + runtime::Trim(types.Strings(i));
    }
    syntax += "): ";
    syntax += typeName;
    TscMethodHelper& helper = DeclareMethodEx(syntax, std::move(callEvent));
    helper.ReadOnly = readOnly;
    helper.IsIndexedProp = true;
    return helper;
}

TscMethodHelper& TscClassVariable::DeclareDefaultProperty(std::string_view name,
                                                          std::string_view indexTypes,
                                                          std::string_view typeName,
                                                          TscMethodCallExEvent callEvent,
                                                          bool readOnly) {
    TscMethodHelper& helper =
        DeclareIndexedProperty(name, indexTypes, typeName, std::move(callEvent), readOnly);
    DefaultProperty = &helper;
    return helper;
}

TscComponentHelper& TscClassVariable::DeclareComponent(runtime::TComponent& component) {
    return static_cast<TscComponentHelper&>(
        *Members.Add(std::make_unique<TscComponentHelper>(component)));
}

// ---- TscCustomEvent ------------------------------------------------------------------------

TscCustomEvent::TscCustomEvent(runtime::TObject* hostObject, TscProcVariable* handlerProc)
    : HandlerProc(handlerProc), HostObject(hostObject) {}

runtime::TMethod TscCustomEvent::HandlerAddress() {
    return {};
}

bool TscCustomEvent::CallHandler(std::span<const Variant> args) {
    if (HandlerProc == nullptr || HandlerProc->IsRunning) return false;
    struct Running {
        int& count;
        explicit Running(int& c) : count(c) { ++count; }
        ~Running() { --count; }
    } running(running_);
    const size_t count = std::min(args.size(), static_cast<size_t>(HandlerProc->ParamCount()));
    for (size_t i = 0; i < count; ++i)
        HandlerProc->GetParam(static_cast<int>(i))->SetValue(args[i]);
    (void)HandlerProc->GetValue();
    return true;
}

void TscCustomEvent::Retire() {
    if (running_ > 0 || OwnerScope == nullptr) return;
    (void)OwnerScope->FreeItem(*this);  // frees this bridge
}

}  // namespace script
