#pragma once

// Internal to the engine: the bookkeeping every run of script code passes
// through (nesting, stack budget, step count, string growth) and the frame
// of a recursive procedure call.

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "script/errors.h"
#include "script/items.h"
#include "script/limits.h"
#include "script/scope.h"
#include "script/stack_guard.h"

namespace script {

// Counts a run in; the outermost one learns how deep the running thread's
// stack lets it go, restarts the step count and makes the program's run
// state and memory account current on the thread.
class RunGuard {
  public:
    [[gnu::always_inline]] explicit RunGuard(TscRunState& run) : run_(run) {
        if (run.depth == 0) [[unlikely]]
            run.EnterOuterRun();
        ++run.depth;
    }
    [[gnu::always_inline]] ~RunGuard() {
        if (--run_.depth == 0) [[unlikely]]
            run_.LeaveOuterRun();
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

    // Script recursion deeper than the budget raises instead of exhausting
    // the thread's stack.
    [[gnu::always_inline]] void CheckStack() const {
        if (BelowStackLimit(run_.stackLimit)) [[unlikely]]
            StackOverflow();
    }
    [[noreturn, gnu::noinline, gnu::cold]] static void StackOverflow() {
        throw runtime::EStackOverflow("Stack overflow");
    }

  private:
    TscRunState& run_;
};

// The length of a string value's text; 0 for other values.
inline size_t TextLength(const runtime::Variant& v) {
    if (const auto text = v.AnsiTextView()) return text->size();
    if (const auto text = v.WideTextView()) return text->size();
    return 0;
}

// EOutOfMemory "String is too long": a text beyond kMaxStringLength.
[[noreturn]] inline void StringTooLong() {
    throw runtime::EOutOfMemory(std::string(MessageText(Msg::StringTooLong)));
}

// A text of `length` characters may be made, or StringTooLong; its work
// is charged.
inline void CheckTextLength(uint64_t length) {
    if (length > kMaxStringLength) StringTooLong();
    ChargeWork(length);
}

// A concatenation beyond kMaxStringLength raises instead of taking all
// memory (a loop doubling a string reaches it in a few dozen steps); the
// characters it copies are charged as work.
inline void CheckConcatenation(const runtime::Variant& a, const runtime::Variant& b) {
    if (!a.IsString() || !b.IsString()) return;
    CheckTextLength(uint64_t{TextLength(a)} + TextLength(b));
}

// The same for `b` appended to `a` in place: only `b` is copied (growing
// the text costs, spread over the appends, about as much again).
inline void CheckAppend(const runtime::Variant& a, const runtime::Variant& b) {
    const size_t added = TextLength(b);
    if (TextLength(a) + uint64_t{added} > kMaxStringLength) StringTooLong();
    ChargeWork(2 * uint64_t{added});
}

// acc := acc + b, for a value the caller holds: a text grows in place
// when it is acc's alone.
inline void AddTo(runtime::Variant& acc, const runtime::Variant& b) {
    using runtime::VariantAccess;
    if (VariantAccess::BothInteger(acc, b)) {
        acc = VariantAccess::IntegerResult(VariantAccess::Int(acc) + VariantAccess::Int(b));
        return;
    }
    if (acc.IsString() && (b.IsString() || b.IsEmpty())) {
        CheckAppend(acc, b);
        acc.AppendText(b);
        return;
    }
    acc = acc + b;
}

// Puts the values of a running procedure's variables and parameters aside
// while a nested call of it runs, and brings them back however that call
// ends. The nested call writes its parameters and resets its locals, so the
// values are moved out, not copied. They wait on the program's frame stack,
// not on the machine stack: each level of a recursion stays small.
class FrameSave {
  public:
    [[gnu::always_inline]] FrameSave(TscProcVariable& proc, TscRunState& run)
        : FrameSave(proc, run, nullptr, nullptr) {}
    // The same, and then `param` (nullptr: none) takes the value of
    // `argument`, which is left with the parameter's old one (Empty, for a
    // parameter of the frame: its value waits aside).
    [[gnu::always_inline]] FrameSave(TscProcVariable& proc, TscRunState& run,
                                     TscCustomVariable* param, runtime::Variant* argument)
        : proc_(proc), run_(run), at_(run.savedTop) {
        const std::span<TscCustomVariable* const> items = proc.FrameItems();
        count_ = items.size();
        if (run.savedValues.size() - at_ < count_) [[unlikely]]
            Grow(run, at_ + count_);
        runtime::Variant* saved = run.savedValues.data() + at_;
        run.savedTop = at_ + count_;
        // The slots are Empty: each value moves aside, leaving its item
        // Empty, and the parameter takes the argument.
        for (size_t i = 0; i < count_; ++i) saved[i] = std::move(items[i]->Value);
        if (param != nullptr) param->Value.Swap(*argument);
    }
    [[gnu::always_inline]] ~FrameSave() {
        // The nested call's values go, and the slots are Empty again. The
        // frame may have grown meanwhile; its first items are the same.
        const std::span<TscCustomVariable* const> items = proc_.FrameItems();
        runtime::Variant* saved = run_.savedValues.data() + at_;
        for (size_t i = 0; i < count_; ++i) items[i]->Value = std::move(saved[i]);
        run_.savedTop = at_;
    }
    FrameSave(const FrameSave&) = delete;
    FrameSave& operator=(const FrameSave&) = delete;

  private:
    [[gnu::noinline]] static void Grow(TscRunState& run, size_t needed) {
        run.savedValues.resize(std::max(2 * run.savedValues.size(), needed + 16));
    }

    TscProcVariable& proc_;
    TscRunState& run_;
    size_t at_;
    size_t count_;
};

}  // namespace script
