#include "script/statements.h"

#include <new>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "script/designator.h"
#include "script/expression.h"
#include "script/expression_node.h"
#include "script/run_guard.h"
#include "script/scope.h"

namespace script {

using runtime::Variant;

namespace {

constexpr uint8_t kEndsLoop = kBreakFlag | kExitFlag;

}  // namespace

// ---- TscStatement ----------------------------------------------------------------------

TscStatement::TscStatement(TscScope& script, std::string position, std::string unit)
    : StmtScript(&script), StmtPos(std::move(position)), StmtUnit(std::move(unit)) {}

TscStatement::~TscStatement() = default;

void TscStatement::Execute() {
    RunList();
}

// ---- assignments -------------------------------------------------------------------------

TscAssignmentStmt::~TscAssignmentStmt() = default;

void TscAssignmentStmt::Prepare() {
    WriteTarget = TargetDesignator.get();
    if (TargetDesignator->DesignatorKind == 1 && TargetDesignator->LinkedItem != nullptr &&
        TargetDesignator->Deferred == nullptr)
        WriteTarget = TargetDesignator->LinkedItem;
    ReadSource = ValueExpr->DirectOperand();
    if (ReadSource == nullptr) ReadSource = ValueExpr.get();
    // Plain variables and parameters (no conversion on write, not read-only)
    // are read and written in place.
    directSource_ = ReadSource->HoldsValue() ? &ReadSource->Value : nullptr;
    const TscItemClass targetClass = WriteTarget->ItemClass();
    directTarget_ = (targetClass == TscItemClass::Variable || targetClass == TscItemClass::Param) &&
                            !WriteTarget->ReadOnly
                        ? &WriteTarget->Value
                        : nullptr;
    sourceExpression_ = ReadSource == ValueExpr.get() ? ValueExpr.get() : nullptr;
}

void TscAssignmentStmt::Execute() {
    RunLine();
    if (directTarget_ == nullptr) {
        // Storing may run script code (indexes, setters): the value is taken
        // first.
        Store(Source());
    } else if (directSource_ != nullptr) {
        *directTarget_ = *directSource_;
    } else if (sourceExpression_ != nullptr) {
        Variant scratch;
        const Variant& value = ValueRefOf(*sourceExpression_, scratch);
        if (&value == &scratch)
            *directTarget_ = std::move(scratch);
        else
            *directTarget_ = value;
    } else {
        *directTarget_ = ReadSource->GetValue();
    }
}

const Variant& TscAssignmentStmt::SourceRef(Variant& scratch) const {
    if (directSource_ != nullptr) return *directSource_;
    if (sourceExpression_ != nullptr) return ValueRefOf(*sourceExpression_, scratch);
    scratch = ReadSource->GetValue();
    return scratch;
}

TscAssignPlusStmt::~TscAssignPlusStmt() = default;

void TscAssignPlusStmt::Prepare() {
    TscAssignmentStmt::Prepare();
    const TscItemClass targetClass = WriteTarget->ItemClass();
    const bool holdsValue = targetClass == TscItemClass::Variable ||
                            targetClass == TscItemClass::Param ||
                            targetClass == TscItemClass::StringVariable;
    appendSlot_ = holdsValue && !WriteTarget->ReadOnly ? &WriteTarget->Value : nullptr;
    // A string variable holds 8-bit text whatever is assigned to it.
    ansiSlot_ = targetClass == TscItemClass::StringVariable;
    impure_ = !ValueExpr->IsPure();
    for (const auto& piece : MorePieces) impure_ = impure_ || !piece->IsPure();
}

Variant TscAssignPlusStmt::PieceValue(size_t index) {
    return index == 0 ? Source() : MorePieces[index - 1]->GetValue();
}

Variant TscAssignPlusStmt::Sum(Variant acc, size_t from) {
    for (size_t i = from; i <= MorePieces.size(); ++i) AddTo(acc, PieceValue(i));
    return acc;
}

bool TscAssignPlusStmt::Appendable(const Variant& value) const {
    return value.IsEmpty() || (ansiSlot_ ? value.Type() == runtime::varString : value.IsString());
}

void TscAssignPlusStmt::Execute() {
    RunLine();
    Variant* slot = appendSlot_;
    if (slot == nullptr) {
        Store(Sum(Target(), 0));
        return;
    }
    if (!slot->IsString() || !MorePieces.empty()) {
        AppendPieces(*slot);
        return;
    }
    // One value: the frequent s := s + t.
    Variant held;
    if (impure_) held = *slot;
    Variant scratch;
    const Variant& value = impure_ ? (scratch = Source()) : SourceRef(scratch);
    const Variant& start = impure_ ? held : *slot;
    if (!Appendable(value)) {
        Variant sum = start;
        AddTo(sum, value);
        Store(sum);
        return;
    }
    CheckAppend(start, value);
    if (!impure_ || slot->Identical(held)) {
        held.Clear();
        slot->AppendText(value);
        return;
    }
    // The value changed the target: the old value is the one added to.
    Variant sum = std::move(held);
    sum.AppendText(value);
    Store(sum);
}

// Several values, or a target that holds no text yet: the values are
// computed in order, and while they are texts they are kept to be appended
// together at the end (nothing has changed the target in between); a value
// that is no text is added by "+" to the sum so far, and so are the rest.
void TscAssignPlusStmt::AppendPieces(Variant& slot) {
    Variant held = slot;
    if (!held.IsString()) {
        Store(Sum(std::move(held), 0));
        return;
    }
    std::vector<Variant> values;
    values.reserve(MorePieces.size() + 1);
    uint64_t length = TextLength(held);
    for (size_t i = 0; i <= MorePieces.size(); ++i) {
        Variant value = PieceValue(i);
        if (!Appendable(value)) {
            Variant sum = std::move(held);
            sum.AppendText(values);
            AddTo(sum, value);
            Store(Sum(std::move(sum), i + 1));
            return;
        }
        const size_t added = TextLength(value);
        length += added;
        if (length > kMaxStringLength) StringTooLong();
        ChargeWork(2 * uint64_t{added});
        values.push_back(std::move(value));
    }
    if (slot.Identical(held)) {
        held.Clear();
        slot.AppendText(values);
        return;
    }
    Variant sum = std::move(held);
    sum.AppendText(values);
    Store(sum);
}

void TscAssignMinusStmt::Execute() {
    RunLine();
    const Variant value = Target();
    Store(value - Source());
}

void TscAssignMulStmt::Execute() {
    RunLine();
    const Variant value = Target();
    Store(value * Source());
}

void TscAssignDivStmt::Execute() {
    RunLine();
    const Variant value = Target();
    Store(value / Source());
}

// ---- calls ---------------------------------------------------------------------------------

TscCallStmt::~TscCallStmt() = default;

void TscCallStmt::Execute() {
    RunLine();
    if (CallSuffix.empty()) {
        CallDesignator->NeedResult = false;
        (void)CallDesignator->GetValue();
        return;
    }
    const Variant value = CallDesignator->GetValue();
    CallDesignator->SetValue(CallSuffix == "-" ? value - Variant(1) : value + Variant(1));
}

// ---- if, case -------------------------------------------------------------------------------

TscIfStmt::TscIfStmt(TscScope& script, std::string position, std::string unit)
    : TscStatement(script, std::move(position), std::move(unit)),
      ElseList(std::make_unique<TscStatement>(script, StmtPos, StmtUnit)) {}

TscIfStmt::~TscIfStmt() = default;

void TscIfStmt::Execute() {
    RunLine();
    if (BooleanOf(*IfCondition))
        RunList();
    else
        ElseList->ExecuteList();
}

TscCaseSelector::~TscCaseSelector() = default;

TscCaseStmt::TscCaseStmt(TscScope& script, std::string position, std::string unit)
    : TscStatement(script, std::move(position), std::move(unit)),
      ElseList(std::make_unique<TscStatement>(script, StmtPos, StmtUnit)) {}

TscCaseStmt::~TscCaseStmt() = default;

void TscCaseStmt::Execute() {
    const Variant value = CaseValue->GetValue();
    RunLine();
    for (const auto& child : Children) {
        auto& selector = static_cast<TscCaseSelector&>(*child);
        if (selector.SelectorSet->Contains(value)) {
            selector.Execute();
            return;
        }
    }
    ElseList->ExecuteList();
}

// ---- loops ----------------------------------------------------------------------------------

TscRepeatStmt::~TscRepeatStmt() = default;

void TscRepeatStmt::Execute() {
    RunLine();
    TscScope& script = *StmtScript;
    for (;;) {
        script.CountStep();
        RunList();
        if ((script.FlowFlags & kEndsLoop) != 0) break;
        script.FlowFlags &= ~kContinueFlag;
        const bool condition = BooleanOf(*UntilCondition);
        if (WhileMode ? !condition : condition) break;
    }
    script.FlowFlags &= ~kBreakFlag;
}

TscWhileStmt::~TscWhileStmt() = default;

void TscWhileStmt::Execute() {
    RunLine();
    TscScope& script = *StmtScript;
    while (BooleanOf(*WhileCondition)) {
        script.CountStep();
        RunList();
        if ((script.FlowFlags & kEndsLoop) != 0) break;
        script.FlowFlags &= ~kContinueFlag;
    }
    script.FlowFlags &= ~kBreakFlag;
}

TscForStmt::~TscForStmt() = default;

void TscForStmt::Execute() {
    const int32_t from = FromExpr->GetValue().AsInteger();
    const int32_t to = ToExpr->GetValue().AsInteger();
    RunLine();
    TscScope& script = *StmtScript;
    const int64_t iterations = IsDownTo ? (from >= to ? int64_t{from} - to + 1 : 0)
                                        : (to >= from ? int64_t{to} - from + 1 : 0);
    const int64_t step = IsDownTo ? -1 : 1;
    int64_t counter = from;
    for (int64_t i = 0; i < iterations; ++i) {
        script.CountStep();
        LoopVariable->Value = Variant(static_cast<int32_t>(counter));
        RunList();
        if ((script.FlowFlags & kEndsLoop) != 0) break;
        script.FlowFlags &= ~kContinueFlag;
        counter += step;
    }
    script.FlowFlags &= ~kBreakFlag;
}

TscVbForStmt::~TscVbForStmt() = default;

void TscVbForStmt::Execute() {
    const Variant from = FromExpr->GetValue();
    const Variant to = ToExpr->GetValue();
    const Variant step = StepExpr ? StepExpr->GetValue() : Variant(1);
    const bool negative = step < Variant(0);
    RunLine();
    TscScope& script = *StmtScript;
    Variant counter = from;
    while (negative ? counter >= to : counter <= to) {
        script.CountStep();
        LoopVariable->Value = counter;
        RunList();
        if ((script.FlowFlags & kEndsLoop) != 0) break;
        script.FlowFlags &= ~kContinueFlag;
        counter = counter + step;
    }
    script.FlowFlags &= ~kBreakFlag;
}

TscCppForStmt::TscCppForStmt(TscScope& script, std::string position, std::string unit)
    : TscStatement(script, std::move(position), std::move(unit)),
      InitList(std::make_unique<TscStatement>(script, StmtPos, StmtUnit)),
      NextList(std::make_unique<TscStatement>(script, StmtPos, StmtUnit)) {}

TscCppForStmt::~TscCppForStmt() = default;

void TscCppForStmt::Execute() {
    RunLine();
    TscScope& script = *StmtScript;
    InitList->Execute();
    while ((script.FlowFlags & kEndsLoop) == 0 && BooleanOf(*LoopCondition)) {
        script.CountStep();
        RunList();
        if ((script.FlowFlags & kEndsLoop) != 0) break;
        script.FlowFlags &= ~kContinueFlag;
        NextList->Execute();
    }
    script.FlowFlags &= ~kBreakFlag;
}

// ---- try -------------------------------------------------------------------------------------

TscTryStmt::TscTryStmt(TscScope& script, std::string position, std::string unit)
    : TscStatement(script, std::move(position), std::move(unit)),
      HandlerList(std::make_unique<TscStatement>(script, StmtPos, StmtUnit)) {}

TscTryStmt::~TscTryStmt() = default;

void TscTryStmt::RunFinally() {
    TscScope& script = *StmtScript;
    const uint8_t pending = script.FlowFlags;
    script.FlowFlags = 0;
    HandlerList->Execute();
    script.FlowFlags |= pending;
}

void TscTryStmt::Execute() {
    RunLine();
    TscScope& script = *StmtScript;
    if (!IsExceptBlock) {
        try {
            RunList();
        } catch (...) {
            RunFinally();
            throw;
        }
        RunFinally();
        return;
    }
    std::string className;
    std::string message;
    try {
        RunList();
        return;
    } catch (const runtime::Exception& e) {
        className = e.ClassName();
        message = e.Message();
    } catch (const std::bad_alloc&) {
        // Memory the system refused is a script exception like any other.
        const runtime::EOutOfMemory outOfMemory("Out of memory");
        className = outOfMemory.ClassName();
        message = outOfMemory.Message();
    }
    // Whatever flow was pending when the exception came is void now.
    script.FlowFlags = 0;
    script.SetVariableValue("ExceptionClassName", Variant(className));
    script.SetVariableValue("ExceptionMessage", Variant(message));
    HandlerList->Execute();
}

// ---- jumps, with -------------------------------------------------------------------------------

void TscBreakStmt::Execute() {
    StmtScript->FlowFlags |= kBreakFlag;
}

void TscContinueStmt::Execute() {
    StmtScript->FlowFlags |= kContinueFlag;
}

void TscExitStmt::Execute() {
    RunLine();
    StmtScript->FlowFlags |= kExitFlag;
}

TscWithStmt::~TscWithStmt() = default;

void TscWithStmt::Execute() {
    RunList();
    WithVariable->SetValue(WithDesignator->GetValue());
}

}  // namespace script
