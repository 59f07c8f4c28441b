#pragma once

// Internal to the engine: the bookkeeping every run of script code passes
// through (nesting, stack budget, step count, string growth) and the frame
// of a recursive procedure call.

#include <cstdint>
#include <new>
#include <span>
#include <string>

#include "runtime/exceptions.h"
#include "script/errors.h"
#include "script/items.h"
#include "script/limits.h"
#include "script/scope.h"

namespace script {

// Counts a run in; the outermost one marks where the stack starts and
// restarts the step count.
class RunGuard {
  public:
    explicit RunGuard(TscRunState& run) : run_(run) {
        if (run.depth == 0) {
            run.stackBase = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
            run.steps = 0;
        }
        ++run.depth;
    }
    ~RunGuard() { --run_.depth; }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

    // Script recursion deeper than the budget raises instead of exhausting
    // the thread's stack.
    void CheckStack() const {
        const auto here = reinterpret_cast<intptr_t>(__builtin_frame_address(0));
        if (static_cast<intptr_t>(run_.stackBase) - here > kMaxRunStackBytes)
            throw runtime::EStackOverflow("Stack overflow");
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
// values are moved out, not copied. Small frames stay on the stack.
class FrameSave {
  public:
    explicit FrameSave(TscProcVariable& proc) : FrameSave(proc, nullptr, nullptr) {}
    // The same, and then `param` (nullptr: none) takes the value of
    // `argument`, which is left with the parameter's old one. The two steps
    // are one for a parameter of the frame.
    FrameSave(TscProcVariable& proc, TscCustomVariable* param, runtime::Variant* argument) {
        const std::span<TscCustomVariable* const> items = proc.FrameItems();
        count_ = items.size();
        entries_ = count_ <= kInlineEntries
                       ? reinterpret_cast<Entry*>(inline_)
                       : static_cast<Entry*>(::operator new(sizeof(Entry) * count_));
        bool passed = param == nullptr;
        for (size_t i = 0; i < count_; ++i) {
            TscCustomVariable* item = items[i];
            new (&entries_[i]) Entry{item, std::move(item->Value)};
            if (item == param) {
                item->Value.Swap(*argument);
                passed = true;
            }
        }
        if (!passed) param->Value.Swap(*argument);
    }
    ~FrameSave() {
        for (size_t i = 0; i < count_; ++i) {
            // The nested call's value goes with the entry.
            entries_[i].item->Value.Swap(entries_[i].value);
            entries_[i].~Entry();
        }
        if (count_ > kInlineEntries) ::operator delete(entries_);
    }
    FrameSave(const FrameSave&) = delete;
    FrameSave& operator=(const FrameSave&) = delete;

  private:
    struct Entry {
        TscCustomVariable* item;
        runtime::Variant value;
    };
    static constexpr size_t kInlineEntries = 8;
    size_t count_;
    Entry* entries_;
    alignas(Entry) unsigned char inline_[sizeof(Entry) * kInlineEntries];
};

}  // namespace script
