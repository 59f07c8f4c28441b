#pragma once

// Internal to the engine: the bookkeeping every run of script code passes
// through (nesting, stack budget, step count, string growth) and the frame
// of a recursive procedure call.

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
    explicit RunGuard(TscRunState& run) : run_(run) {
        if (run.depth == 0) [[unlikely]] {
            run.stackLimit = StackLimit();
            run.RestartSteps();
            outer_.emplace(run);
        }
        ++run.depth;
    }
    ~RunGuard() { --run_.depth; }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

    // Script recursion deeper than the budget raises instead of exhausting
    // the thread's stack.
    void CheckStack() const {
        if (BelowStackLimit(run_.stackLimit)) throw runtime::EStackOverflow("Stack overflow");
    }

  private:
    TscRunState& run_;
    std::optional<TscRunScope> outer_;
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
    explicit FrameSave(TscProcVariable& proc, TscRunState& run)
        : FrameSave(proc, run, nullptr, nullptr) {}
    // The same, and then `param` (nullptr: none) takes the value of
    // `argument`, which is left with the parameter's old one. The two steps
    // are one for a parameter of the frame.
    FrameSave(TscProcVariable& proc, TscRunState& run, TscCustomVariable* param,
              runtime::Variant* argument)
        : saved_(run.savedFrames), at_(saved_.size()) {
        bool passed = param == nullptr;
        for (TscCustomVariable* item : proc.FrameItems()) {
            saved_.push_back({item, std::move(item->Value)});
            if (item == param) {
                item->Value.Swap(*argument);
                passed = true;
            }
        }
        if (!passed) param->Value.Swap(*argument);
    }
    ~FrameSave() {
        // The nested call's values go with the saved ones.
        for (size_t i = at_; i < saved_.size(); ++i) saved_[i].item->Value.Swap(saved_[i].value);
        saved_.resize(at_);
    }
    FrameSave(const FrameSave&) = delete;
    FrameSave& operator=(const FrameSave&) = delete;

  private:
    std::vector<TscSavedValue>& saved_;
    size_t at_;
};

}  // namespace script
