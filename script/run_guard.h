#pragma once

// Internal to the engine: the bookkeeping every run of script code passes
// through (nesting, stack budget, step count, string growth) and the frame
// of a recursive procedure call.

#include <cstdint>
#include <new>
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
// stack lets it go and restarts the step count.
class RunGuard {
  public:
    explicit RunGuard(TscRunState& run) : run_(run) {
        if (run.depth == 0) {
            run.stackLimit = StackLimit();
            run.RestartSteps();
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
};

// A concatenation beyond kMaxStringLength raises instead of taking all
// memory (a loop doubling a string reaches it in a few dozen steps).
inline void CheckConcatenation(const runtime::Variant& a, const runtime::Variant& b) {
    if (!a.IsString() || !b.IsString()) return;
    const auto length = [](const runtime::Variant& v) -> size_t {
        if (const auto text = v.AnsiTextView()) return text->size();
        if (const auto text = v.WideTextView()) return text->size();
        return 0;
    };
    if (length(a) + length(b) > kMaxStringLength)
        throw runtime::EOutOfMemory(std::string(MessageText(Msg::StringTooLong)));
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
