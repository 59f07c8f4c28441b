#pragma once

// Statements of a compiled script and their execution.
//
// A statement list runs its children in order and stops as soon as one of
// the break, continue or exit flags of its script is set; loops clear break
// and continue, procedure runs and Execute clear them all. Control flow never
// uses exceptions. Each statement belongs to one script (StmtScript: the
// main script or a procedure's local script), so a procedure's flags never
// touch its caller.

#include <memory>
#include <string>
#include <vector>

#include "script/items.h"
#include "script/scope.h"

namespace script {

class TscDesignator;
class TscExpression;

// A statement list and the base of every statement; compound statements of
// the source are flattened into the enclosing list.
class TscStatement {
  public:
    TscStatement(TscScope& script, std::string position, std::string unit);
    virtual ~TscStatement();
    TscStatement(const TscStatement&) = delete;
    TscStatement& operator=(const TscStatement&) = delete;

    // Runs the children in order.
    virtual void Execute();
    // The list part alone: the children in order, up to a flow flag.
    void ExecuteList() { RunList(); }
    // Reports the position to the program's run-line sink (the host's
    // OnRunLine), when there is one.
    void RunLine() { StmtScript->ReportRunLine(StmtUnit, StmtPos); }

    void Add(std::unique_ptr<TscStatement> statement) { Children.Add(std::move(statement)); }
    // Frees the children.
    void Clear() { Children.Clear(); }

    TscScope* StmtScript;  // not owned
    std::string StmtPos;
    std::string StmtUnit;
    TscItemList<TscStatement> Children;

  protected:
    void RunList() {
        TscScope& script = *StmtScript;
        for (const auto& child : Children) {
            child->Execute();
            if (script.FlowFlags != 0) return;
        }
    }
};

// target := value.
class TscAssignmentStmt : public TscStatement {
  public:
    using TscStatement::TscStatement;
    ~TscAssignmentStmt() override;
    void Execute() override;
    // Picks WriteTarget and ReadSource once TargetDesignator and ValueExpr
    // are set.
    virtual void Prepare();

    std::unique_ptr<TscDesignator> TargetDesignator;
    std::unique_ptr<TscExpression> ValueExpr;
    TscCustomVariable* WriteTarget = nullptr;  // the designator or its variable
    TscCustomVariable* ReadSource = nullptr;   // the operand or the expression

  protected:
    // The value to assign (ReadSource's), without a call when it is a
    // variable's.
    runtime::Variant Source() const {
        return directSource_ != nullptr ? *directSource_ : ReadSource->GetValue();
    }
    // Stores into WriteTarget; straight into a plain variable's value.
    void Store(const runtime::Variant& value) {
        if (directTarget_ != nullptr)
            *directTarget_ = value;
        else
            WriteTarget->SetValue(value);
    }
    // WriteTarget's value.
    runtime::Variant Target() const {
        return directTarget_ != nullptr ? *directTarget_ : WriteTarget->GetValue();
    }
    // ReadSource's value in place where it is held (a variable's own), else
    // computed into `scratch`.
    const runtime::Variant& SourceRef(runtime::Variant& scratch) const;

  private:
    const runtime::Variant* directSource_ = nullptr;
    runtime::Variant* directTarget_ = nullptr;
    TscExpression* sourceExpression_ = nullptr;  // ReadSource as an expression
};

// target := target + value, and target := target + v1 + v2 + ... (the
// values after the first in MorePieces). A text held by the target alone
// grows in place, with room to spare, when the values are texts: a page
// built piece by piece is not copied at every piece. What the source says
// holds: every value is computed before the target changes, the target's
// value is read first (a value that changes it is added to the old one),
// and a value that is no text is added by the "+" of Variants, in order.
class TscAssignPlusStmt final : public TscAssignmentStmt {
  public:
    using TscAssignmentStmt::TscAssignmentStmt;
    ~TscAssignPlusStmt() override;
    void Prepare() override;
    void Execute() override;

    std::vector<std::unique_ptr<TscExpression>> MorePieces;

  private:
    // acc + the values from the `from`-th on (0: ReadSource's), in order.
    runtime::Variant Sum(runtime::Variant acc, size_t from);
    runtime::Variant PieceValue(size_t index);
    void AppendPieces(runtime::Variant& slot);
    bool Appendable(const runtime::Variant& value) const;

    // What Prepare learns: the target's value to append to (nullptr when
    // it cannot be written in place), whether it must stay 8-bit, and
    // whether computing the values may run code that sees the target.
    runtime::Variant* appendSlot_ = nullptr;
    bool ansiSlot_ = false;
    bool impure_ = false;
};
// target := target op value, for op - * and / (real division).
class TscAssignMinusStmt final : public TscAssignmentStmt {
  public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};
class TscAssignMulStmt final : public TscAssignmentStmt {
  public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};
class TscAssignDivStmt final : public TscAssignmentStmt {
  public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};

// A call whose value is dropped; with the suffix "+" or "-" the designator is
// incremented or decremented instead.
class TscCallStmt final : public TscStatement {
  public:
    using TscStatement::TscStatement;
    ~TscCallStmt() override;
    void Execute() override;

    std::unique_ptr<TscDesignator> CallDesignator;
    std::string CallSuffix;
};

// The children are the then part.
class TscIfStmt final : public TscStatement {
  public:
    TscIfStmt(TscScope& script, std::string position, std::string unit);
    ~TscIfStmt() override;
    void Execute() override;

    std::unique_ptr<TscExpression> IfCondition;
    std::unique_ptr<TscStatement> ElseList;
};

// One branch of a case statement; the children are the branch.
class TscCaseSelector final : public TscStatement {
  public:
    using TscStatement::TscStatement;
    ~TscCaseSelector() override;

    std::unique_ptr<TscSetExpression> SelectorSet;
};

// The children are TscCaseSelector objects; the first whose set holds the
// value runs, else ElseList.
class TscCaseStmt final : public TscStatement {
  public:
    TscCaseStmt(TscScope& script, std::string position, std::string unit);
    ~TscCaseStmt() override;
    void Execute() override;

    std::unique_ptr<TscExpression> CaseValue;
    std::unique_ptr<TscStatement> ElseList;
};

class TscRepeatStmt final : public TscStatement {
  public:
    using TscStatement::TscStatement;
    ~TscRepeatStmt() override;
    void Execute() override;

    std::unique_ptr<TscExpression> UntilCondition;
    bool WhileMode = false;  // loop while the condition holds
};

class TscWhileStmt final : public TscStatement {
  public:
    using TscStatement::TscStatement;
    ~TscWhileStmt() override;
    void Execute() override;

    std::unique_ptr<TscExpression> WhileCondition;
};

// Bounds are read once as 32-bit integers; the iteration count is fixed
// before the first iteration and the counter is stored straight into the
// variable's value.
class TscForStmt final : public TscStatement {
  public:
    using TscStatement::TscStatement;
    ~TscForStmt() override;
    void Execute() override;

    std::unique_ptr<TscExpression> FromExpr;
    bool IsDownTo = false;
    std::unique_ptr<TscExpression> ToExpr;
    TscCustomVariable* LoopVariable = nullptr;  // not owned
};

// for v := a to b [step s], counting with Variant arithmetic.
class TscVbForStmt final : public TscStatement {
  public:
    using TscStatement::TscStatement;
    ~TscVbForStmt() override;
    void Execute() override;

    std::unique_ptr<TscExpression> FromExpr;
    std::unique_ptr<TscExpression> ToExpr;
    std::unique_ptr<TscExpression> StepExpr;  // may be null: step 1
    TscCustomVariable* LoopVariable = nullptr;
};

// for (init; condition; next) body.
class TscCppForStmt final : public TscStatement {
  public:
    TscCppForStmt(TscScope& script, std::string position, std::string unit);
    ~TscCppForStmt() override;
    void Execute() override;

    std::unique_ptr<TscStatement> InitList;
    std::unique_ptr<TscExpression> LoopCondition;
    std::unique_ptr<TscStatement> NextList;
};

// The children are the protected part. An except handler runs when an
// exception of the class library's family leaves it, after
// "ExceptionClassName" and "ExceptionMessage" are set. A finally handler
// always runs whole: the flags are put aside while it runs and restored
// (joined with any it set) afterwards.
class TscTryStmt final : public TscStatement {
  public:
    TscTryStmt(TscScope& script, std::string position, std::string unit);
    ~TscTryStmt() override;
    void Execute() override;

    bool IsExceptBlock = false;
    std::unique_ptr<TscStatement> HandlerList;

  private:
    void RunFinally();
};

class TscBreakStmt final : public TscStatement {
  public:
    using TscStatement::TscStatement;
    void Execute() override;
};
class TscContinueStmt final : public TscStatement {
  public:
    using TscStatement::TscStatement;
    void Execute() override;
};
class TscExitStmt final : public TscStatement {
  public:
    using TscStatement::TscStatement;
    void Execute() override;
};

// Stores the designator's value into the hidden variable that names inside
// the with block resolve through.
class TscWithStmt final : public TscStatement {
  public:
    using TscStatement::TscStatement;
    ~TscWithStmt() override;
    void Execute() override;

    std::unique_ptr<TscDesignator> WithDesignator;
    TscCustomVariable* WithVariable = nullptr;  // owned by the script's table
};

}  // namespace script
