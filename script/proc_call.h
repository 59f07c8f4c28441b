#pragma once

// Internal to the engine: the call of a script procedure, inline where
// procedures are called most (a call in an expression, a call designator,
// TscProcVariable itself), so that one call of a script procedure is few
// calls of machine code (nested script calls are nested machine calls: each
// level kept short keeps deep recursion cheap).

#include <optional>
#include <utility>

#include "runtime/variant.h"
#include "script/designator.h"
#include "script/expression_node.h"
#include "script/items.h"
#include "script/run_guard.h"
#include "script/scope.h"
#include "script/statements.h"

namespace script {

struct ProcedureRun {
    // TscProcVariable::Run: locals start from their initial values and
    // Result from Null; `result` receives Result (Null for a procedure).
    // A call from an expression (kNested) runs inside a run of the program
    // already: it counts no run of its own.
    template <bool kNested = false>
    [[gnu::always_inline]] static void Run(TscProcVariable& proc, runtime::Variant& result) {
        TscScope& local = *proc.LocalScript;
        TscRunState& run = local.Run();
        std::optional<RunGuard> guard;
        if (!kNested || run.depth == 0) [[unlikely]]
            guard.emplace(run);
        if (BelowStackLimit(run.stackLimit)) [[unlikely]]
            RunGuard::StackOverflow();
        run.CountSteps(1);

        struct Restore {
            TscProcVariable& proc;
            TscScope& local;
            bool wasRunning;
            ~Restore() {
                local.FlowFlags = 0;
                proc.IsRunning = wasRunning;
            }
        } restore{proc, local, proc.IsRunning};
        proc.IsRunning = true;
        local.FlowFlags = 0;
        // Every call starts from the declared state, whatever the last one
        // left.
        if (!proc.locals_.empty()) [[unlikely]]
            for (TscProcVariable::Local& l : proc.locals_) l.item->Value = l.initialValue;
        TscCustomVariable* resultItem = proc.LinkedItem;
        if (resultItem != nullptr) resultItem->Value = runtime::Variant::Null();

        local.MainList().ExecuteList();

        // Result starts afresh on the next call, so its value can be handed
        // out.
        if (proc.IsFunction && resultItem != nullptr)
            result = std::move(resultItem->Value);
        else
            result = runtime::Variant::Null();
    }
    static runtime::Variant Run(TscProcVariable& proc) {
        runtime::Variant result;
        Run(proc, result);
        return result;
    }

    // TscProcVariable::Call. The parameter takes the argument's value and
    // the argument the old one (which its owner frees): a swap costs less
    // than an assignment here.
    template <bool kNested = false>
    [[gnu::always_inline]] static void Call(TscProcVariable& proc, runtime::Variant* argument,
                                            runtime::Variant& result) {
        if (!proc.IsRunning) {
            if (argument != nullptr) proc.GetParam(0)->Value.Swap(*argument);
            Run<kNested>(proc, result);
            return;
        }
        TscCustomVariable* param = argument != nullptr ? proc.GetParam(0) : nullptr;
        FrameSave frame(proc, proc.LocalScript->Run(), param, argument);
        Run<kNested>(proc, result);
    }
    static runtime::Variant Call(TscProcVariable& proc, runtime::Variant* argument) {
        runtime::Variant result;
        Call(proc, argument, result);
        return result;
    }
};

// The value of an argument expression as a Variant of its own: the
// caller's variables may be put aside before the parameter receives it.
inline runtime::Variant ArgumentValue(TscCustomExpression& argument) {
    runtime::Variant scratch;
    // Arguments are TscExpressions (the only expressions there are) but for
    // what a host adds by hand.
    const runtime::Variant& value = argument.ItemClass() == TscItemClass::Expression
                                        ? ValueRefOf(static_cast<TscExpression&>(argument), scratch)
                                        : argument.GetValueRef(scratch);
    if (&value == &scratch) return scratch;
    return value;
}

// The frequent shape of a call: at most one argument, passed by value.
inline bool IsSimpleCall(const TscProcVariable& proc, const TscDesignatorItem& step) {
    const int argCount = step.ArgCount();
    return argCount <= 1 && proc.ParamCount() == argCount && !proc.IsMacro &&
           (argCount == 0 || !proc.GetParam(0)->IsVarParam);
}

// A call of that shape (`argument`: the one argument, nullptr for none):
// the argument goes straight into the parameter, and a procedure that is
// running already keeps its caller's values aside until the nested call is
// over.
[[gnu::always_inline]] inline runtime::Variant SimpleCall(TscProcVariable& proc,
                                                          TscCustomExpression* argument,
                                                          bool needResult) {
    if (argument == nullptr) {
        proc.NeedResult = needResult;
        return ProcedureRun::Call(proc, nullptr);
    }
    runtime::Variant value = ArgumentValue(*argument);
    proc.NeedResult = needResult;
    return ProcedureRun::Call(proc, &value);
}

inline TscCustomExpression* SimpleCallArgument(const TscDesignatorItem& step) {
    return step.ArgCount() == 0 ? nullptr : step.Arg(0);
}

}  // namespace script
