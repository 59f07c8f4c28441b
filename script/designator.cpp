#include "script/designator.h"

#include <new>

#include "runtime/exceptions.h"
#include "script/expression.h"
#include "script/expression_node.h"
#include "script/proc_call.h"
#include "script/run_guard.h"
#include "script/scope.h"

namespace script {

using runtime::Variant;

namespace {

// Arguments of a step are computed into a buffer on the stack up to this
// count.
constexpr int kInlineArgs = 8;

}  // namespace

TscDesignator::TscDesignator(TscScope& script) : TscDesignator(TscItemClass::Designator, script) {}

TscDesignator::TscDesignator(TscItemClass itemClass, TscScope& script)
    : TscCustomVariable(itemClass, std::string(), std::string(), fskVariant), Script(&script) {}

TscDesignator::~TscDesignator() = default;

TscDesignatorItem& TscDesignator::AddStep(std::unique_ptr<TscDesignatorItem> step) {
    return *steps_.Add(std::move(step));
}

Variant TscDesignator::GetValue() {
    BuildDeferred();
    return Evaluate(Variant::Null(), false);
}

void TscDesignator::SetValue(const Variant& value) {
    BuildDeferred();
    (void)Evaluate(value, true);
}

void TscDesignator::ResolveKind() {
    DesignatorKind = 0;
    LinkedItem = nullptr;
    FastRef = nullptr;
    IndexStep = nullptr;
    const int count = steps_.Count();
    if (count == 0) return;
    const TscCustomVariable* last = steps_.Last()->Ref;
    Kind = last->Kind;
    DeclTypeName = last->DeclTypeName;
    ReadOnly = last->ReadOnly;
    if (Kind == fskConstructor) {
        Kind = fskClass;
        if (count >= 2) DeclTypeName = steps_.Items(count - 2)->Ref->DeclTypeName;
    }
    TscDesignatorItem& firstStep = *steps_.Items(0);
    TscCustomVariable* first = firstStep.Ref;
    if (firstStep.ArgCount() != 0 || !first->HoldsValue()) return;
    if (count == 1) {
        // A parameter is read and written like a variable.

        DesignatorKind = 1;
        LinkedItem = first;
        return;
    }
    if (count != 2) return;
    TscDesignatorItem& second = *steps_.Items(1);
    if (first->ItemClass() == TscItemClass::StringVariable &&
        second.Ref->ItemClass() == TscItemClass::StringHelper && second.ArgCount() >= 1) {
        DesignatorKind = 2;
        LinkedItem = first;
        FastRef = second.Arg(0);
    } else if (first->IsVariable() && first->Kind == fskArray && first->LinkedItem != nullptr &&
               second.Ref == first->LinkedItem) {
        DesignatorKind = 3;
        LinkedItem = first;
        FastRef = first->LinkedItem;
        IndexStep = &second;
    }
}

void TscDesignator::TakeOver(TscDesignator& other) {
    steps_.Swap(other.steps_);
    DesignatorKind = other.DesignatorKind;
    FastRef = other.FastRef;
    IndexStep = other.IndexStep;
    Kind = other.Kind;
    DeclTypeName = other.DeclTypeName;
    ReadOnly = other.ReadOnly;
    LinkedItem = other.LinkedItem;
}

std::unique_ptr<TscDesignator> TscDesignator::MakeFast() {
    std::unique_ptr<TscDesignator> fast;
    switch (DesignatorKind) {
        case 1:
            fast = std::make_unique<TscVariableDesignator>(*Script);
            break;
        case 2:
            fast = std::make_unique<TscStringDesignator>(*Script);
            break;
        case 3:
            fast = std::make_unique<TscArrayDesignator>(*Script);
            break;
        default:
            if (Deferred != nullptr || steps_.Count() != 1 ||
                steps_.Items(0)->Ref->ItemClass() != TscItemClass::Proc)
                return nullptr;
            fast = std::make_unique<TscCallDesignator>(*Script);
            break;
    }
    fast->TakeOver(*this);
    fast->NeedResult = NeedResult;
    fast->SourcePos = SourcePos;
    fast->SourceUnit = SourceUnit;
    return fast;
}

void TscDesignator::BuildDeferred() {
    if (Deferred == nullptr) return;
    // A build that fails keeps the element, so the next evaluation fails the
    // same way instead of acting on the unresolved first name alone.
    std::unique_ptr<TscDesignator> built = Deferred->Build(*Script);
    TakeOver(*built);
    Deferred.reset();
}

namespace {

// The argument values of one step: on the stack up to kInlineArgs, exactly
// as many as there are arguments.
class ArgValues {
  public:
    explicit ArgValues(int count) : count_(count) {
        data_ = count <= kInlineArgs ? reinterpret_cast<Variant*>(inline_)
                                     : static_cast<Variant*>(::operator new(
                                           sizeof(Variant) * static_cast<size_t>(count)));
        for (int i = 0; i < count; ++i) new (&data_[i]) Variant();
    }
    ~ArgValues() {
        for (int i = 0; i < count_; ++i) data_[i].~Variant();
        if (count_ > kInlineArgs) ::operator delete(data_);
    }
    ArgValues(const ArgValues&) = delete;
    ArgValues& operator=(const ArgValues&) = delete;
    Variant& operator[](int index) { return data_[index]; }

  private:
    int count_;
    Variant* data_;
    alignas(Variant) unsigned char inline_[sizeof(Variant) * kInlineArgs];
};

void ComputeArgs(const TscDesignatorItem& step, const TscCustomVariable& ref, ArgValues& args) {
    const int count = step.ArgCount();
    for (int i = 0; i < count; ++i) {
        TscCustomExpression* arg = step.Arg(i);
        args[i] =
            ref.IsMacro ? Variant(static_cast<TscExpression*>(arg)->SourceText) : arg->GetValue();
    }
}

// Var parameters go back into their arguments once the caller's values are
// back in place.
void WriteBack(const TscDesignatorItem& step, const TscCustomVariable& ref, int written,
               ArgValues& args) {
    for (int i = 0; i < written; ++i)
        if (ref.GetParam(i)->IsVarParam) step.Arg(i)->SetValue(args[i]);
}

bool HasVarParams(const TscCustomVariable& ref, int written) {
    for (int i = 0; i < written; ++i)
        if (ref.GetParam(i)->IsVarParam) return true;
    return false;
}

bool IsIndexHelper(const TscCustomVariable& item) {
    return item.ItemClass() == TscItemClass::ArrayHelper ||
           item.ItemClass() == TscItemClass::StringHelper;
}

// Any other call: var parameters, macros, defaults left to the procedure,
// several arguments.
[[gnu::noinline]] Variant CallWithArguments(TscProcVariable& proc, const TscDesignatorItem& step,
                                            bool needResult) {
    const int argCount = step.ArgCount();
    ArgValues args(argCount);
    ComputeArgs(step, proc, args);
    const int paramCount = proc.ParamCount();
    const int written = argCount < paramCount ? argCount : paramCount;
    const bool anyVar = HasVarParams(proc, written);
    const auto call = [&] {
        for (int i = 0; i < written; ++i) proc.GetParam(i)->Value = std::move(args[i]);
        proc.NeedResult = needResult;
        Variant result = proc.Run();
        if (anyVar)
            for (int i = 0; i < written; ++i)
                if (proc.GetParam(i)->IsVarParam) args[i] = proc.GetParam(i)->Value;
        return result;
    };
    Variant result;
    if (proc.IsRunning) {
        FrameSave frame(proc, proc.LocalScript->Run());
        result = call();
    } else {
        result = call();
    }
    if (anyVar) WriteBack(step, proc, written, args);
    return result;
}

// A call of a script procedure.
Variant CallProcedure(TscProcVariable& proc, const TscDesignatorItem& step, bool needResult) {
    if (IsSimpleCall(proc, step)) return SimpleCall(proc, SimpleCallArgument(step), needResult);
    return CallWithArguments(proc, step, needResult);
}

}  // namespace

Variant TscDesignator::Evaluate(const Variant& newValue, bool assign) {
    Variant current = Variant::Null();
    TscCustomVariable* previous = nullptr;
    const int count = steps_.Count();
    for (int s = 0; s < count; ++s) {
        const TscDesignatorItem& step = *steps_.Items(s);
        TscCustomVariable* ref = step.Ref;
        const bool last = s + 1 == count;
        const TscItemClass itemClass = ref->ItemClass();
        if (itemClass == TscItemClass::Designator) {
            if (assign && last)
                ref->SetValue(newValue);
            else
                current = ref->GetValue();
            previous = ref;
            continue;
        }
        if (itemClass == TscItemClass::Proc && !(assign && last)) {
            current = CallProcedure(static_cast<TscProcVariable&>(*ref), step, !last || NeedResult);
            previous = ref;
            continue;
        }

        if (!last && TscCustomHelper::HoldsValueInPlace(*ref) && step.ArgCount() == 0 &&
            IsIndexHelper(*steps_.Items(s + 1)->Ref)) {
            // The index after it reads and writes this value in place: no
            // copy of a page or an array per element.
            current = Variant::Null();
            previous = ref;
            continue;
        }

        const int argCount = step.ArgCount();
        ArgValues args(argCount);
        ComputeArgs(step, *ref, args);
        const int paramCount = ref->ParamCount();
        const int written = argCount < paramCount ? argCount : paramCount;
        for (int i = 0; i < written; ++i) {
            // The parameters of helpers are plain items: the value moves in.
            TscParamItem& param = *ref->GetParam(i);
            if (!param.ReadOnly) param.Value = std::move(args[i]);
        }
        // A host function's arguments go once it returns, however it ends:
        // its parameters must not keep a page or an array alive, charged
        // to the program, until its next call.
        struct ReleaseArguments {
            TscCustomVariable* ref;
            int written;
            ~ReleaseArguments() {
                if (ref->ItemClass() != TscItemClass::MethodHelper) return;
                for (int i = 0; i < written; ++i) ref->GetParam(i)->Value = Variant::Null();
            }
        } releaseArguments{ref, written};

        if (ref->IsHelper()) {
            auto* helper = static_cast<TscCustomHelper*>(ref);
            helper->ParentRef = previous;
            helper->ParentValue = current;
            helper->OwnerScript = Script;
        }
        previous = ref;
        if (assign && last) {
            ref->SetValue(newValue);
        } else {
            ref->NeedResult = !last || NeedResult;
            current = ref->GetValue();
        }
        if (written > 0 && HasVarParams(*ref, written)) {
            for (int i = 0; i < written; ++i)
                if (ref->GetParam(i)->IsVarParam) args[i] = ref->GetParam(i)->Value;
            WriteBack(step, *ref, written, args);
        }
    }
    return current;
}

// ---- fast designators ----------------------------------------------------------------

TscVariableDesignator::TscVariableDesignator(TscScope& script)
    : TscDesignator(TscItemClass::Designator, script) {}

Variant TscVariableDesignator::GetValue() {
    return LinkedItem->Value;
}

void TscVariableDesignator::SetValue(const Variant& value) {
    LinkedItem->SetValue(value);
}

TscStringDesignator::TscStringDesignator(TscScope& script)
    : TscDesignator(TscItemClass::Designator, script) {}

Variant TscStringDesignator::GetValue() {
    const Variant index = FastRef->GetValue();
    const Variant& value = LinkedItem->Value;
    if (const auto text = value.AnsiTextView())
        return CharValue(static_cast<unsigned char>((*text)[CheckedIndex(index, text->size())]));
    const std::string text = value.AsString();
    return CharValue(static_cast<unsigned char>(text[CheckedIndex(index, text.size())]));
}

void TscStringDesignator::SetValue(const Variant& value) {
    const Variant index = FastRef->GetValue();
    Variant& text = LinkedItem->Value;
    if (text.IsString()) {
        WriteChar(text, index, value);
        return;
    }
    Variant written(text.AsString());
    WriteChar(written, index, value);
    LinkedItem->SetValue(written);
}

TscCallDesignator::TscCallDesignator(TscScope& script)
    : TscDesignator(TscItemClass::Designator, script) {}

Variant TscCallDesignator::GetValue() {
    const TscDesignatorItem& step = *steps_.Items(0);
    return CallProcedure(static_cast<TscProcVariable&>(*step.Ref), step, NeedResult);
}

TscArrayDesignator::TscArrayDesignator(TscScope& script)
    : TscDesignator(TscItemClass::Designator, script) {}

void TscArrayDesignator::PrepareHelper() {
    auto* helper = static_cast<TscCustomHelper*>(FastRef);
    helper->ParentRef = LinkedItem;
    const int count =
        IndexStep->ArgCount() < helper->ParamCount() ? IndexStep->ArgCount() : helper->ParamCount();
    for (int i = 0; i < count; ++i) helper->GetParam(i)->Value = IndexStep->Arg(i)->GetValue();
}

Variant TscArrayDesignator::GetValue() {
    PrepareHelper();
    return FastRef->GetValue();
}

void TscArrayDesignator::SetValue(const Variant& value) {
    PrepareHelper();
    FastRef->SetValue(value);
}

}  // namespace script
