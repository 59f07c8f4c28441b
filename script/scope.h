#pragma once

// TscScope: the names of one script or one procedure body, and the state
// its statements run in.
//
// A scope owns its items (and the registration modules and event bridges a
// script holds) under their names; a name not found in a scope is looked
// up in its parent scope. The script component (script/script.h) is the
// scope of a program and of GlobalScript; each script procedure has a
// local scope whose parent is the scope that declares it. Every scope of
// one program shares the program's run state: the bookkeeping of its runs
// (nesting, stack, steps, stop, memory) and where statements report their
// positions.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/object.h"
#include "runtime/variant.h"
#include "script/limits.h"

namespace script {

class TscCustomVariable;
class TscClassVariable;
class TscStatement;

// Raised when a run takes more steps than its step limit allows. It is not
// a runtime::Exception, so a script's try/except cannot catch it.
class EScriptStepLimit : public std::runtime_error {
  public:
    EScriptStepLimit() : std::runtime_error("Script step limit exceeded") {}
};

// Raised in a run that the host stopped (TscScript::Stop). Like the step
// limit, a script cannot catch it.
class EScriptStopped : public std::runtime_error {
  public:
    EScriptStopped() : std::runtime_error("Script stopped") {}
};

// Told the position of every statement about to run (the host's OnRunLine).
class TscRunLineSink {
  public:
    virtual void RunLine(const std::string& unitName, const std::string& sourcePos) = 0;

  protected:
    ~TscRunLineSink() = default;
};

struct TscRunState;

// Makes a program's run state (and its memory account) current on the
// calling thread for the scope's life: for a compile or an outermost run.
class TscRunScope {
  public:
    explicit TscRunScope(TscRunState& run);
    ~TscRunScope();
    TscRunScope(const TscRunScope&) = delete;
    TscRunScope& operator=(const TscRunScope&) = delete;

  private:
    TscRunState* previous_;
    runtime::VariantMemoryAccount::Scope memory_;
};

// State of the runs of one program: its main script and the local scopes
// of its procedures share it.
struct TscRunState {
    TscRunState() = default;
    ~TscRunState();
    TscRunState(const TscRunState&) = delete;
    TscRunState& operator=(const TscRunState&) = delete;

    uintptr_t stackLimit = 0;  // lowest frame allowed (StackLimit of the running thread)
    int depth = 0;             // nested runs (Execute, calls, event handlers)
    uint64_t steps = 0;        // in this outermost run
    uint64_t stepLimit = 0;    // 0: no limit
    // Steps the run may take: the step limit, or no end; none once the host
    // stopped the program. Another thread writes it (TscScript::Stop).
    std::atomic<uint64_t> stepBudget{~uint64_t{0}};
    std::atomic<bool> stopped{false};
    // Bytes of string and array work not yet counted as steps (ChargeWork).
    uint64_t pendingWork = 0;

    // Counts `count` steps against the budget.
    void CountSteps(uint64_t count) {
        steps += count;
        if (steps > stepBudget.load(std::memory_order_relaxed)) StepBudgetSpent();
    }
    // Counts the work of a string or array operation of `bytes` (an array
    // element is 16 bytes) as steps, one per kWorkBytesPerStep, and ends
    // the run here when the host stopped it: a long operation charges its
    // work as it goes.
    void ChargeWork(uint64_t bytes);
    // At the start of an outermost run.
    void RestartSteps() {
        steps = 0;
        pendingWork = 0;
        stepBudget.store(stepLimit != 0 ? stepLimit : ~uint64_t{0});
        // A Stop racing this start leaves the budget spent either way.
        if (stopped.load()) stepBudget.store(0);
    }
    // EScriptStopped or EScriptStepLimit.
    [[noreturn]] void StepBudgetSpent() const;
    TscRunLineSink* runLine = nullptr;  // none: statements report nothing
    // The values of procedures that run again while they run (FrameSave):
    // the first savedTop; the ones above are Empty, kept for reuse.
    std::vector<runtime::Variant> savedValues;
    size_t savedTop = 0;

    // An outermost run begins (RunGuard): how deep the running thread's
    // stack lets it go, the step count, and the run state and memory
    // account current on the thread; and ends.
    void EnterOuterRun();
    void LeaveOuterRun() { outerScope_.reset(); }

    // The account of the program's strings and arrays, made on first use
    // with the program's memory limit.
    runtime::VariantMemoryAccount& Memory();
    size_t MemoryLimit() const { return memoryLimit_; }
    void SetMemoryLimit(size_t bytes);

  private:
    std::optional<TscRunScope> outerScope_;
    runtime::VariantMemoryAccount* memory_ = nullptr;  // one reference held
    size_t memoryLimit_ = kDefaultMemoryLimit;
};

// The run state of the program running on the calling thread (the
// innermost, when a host callback runs another program); nullptr when no
// script runs there.
TscRunState* CurrentRun() noexcept;

// Charges the work of a string or array operation to the program running
// on the calling thread, if any (TscRunState::ChargeWork).
inline void ChargeWork(uint64_t bytes) {
    if (TscRunState* run = CurrentRun()) run->ChargeWork(bytes);
}

// Flow flags of a scope (TscScope::FlowFlags).
inline constexpr uint8_t kBreakFlag = 1;
inline constexpr uint8_t kContinueFlag = 2;
inline constexpr uint8_t kExitFlag = 4;

class TscScope {
  public:
    TscScope();
    virtual ~TscScope();
    TscScope(const TscScope&) = delete;
    TscScope& operator=(const TscScope&) = delete;

    // ---- item table -------------------------------------------------------------
    // Items, registration modules and event bridges under their names (ASCII
    // case ignored, duplicates allowed; the latest of several equal names is
    // found). An item added while LoadingTag is 1 gets ModuleTag 1. Adding
    // and finding take constant time, so declaring N names takes time in
    // proportion to N. Returns the object.
    runtime::TObject& AddItem(std::string name, std::unique_ptr<runtime::TObject> object);
    template <typename T>
    T& Add(std::string name, std::unique_ptr<T> item) {
        return static_cast<T&>(AddItem(std::move(name), std::move(item)));
    }
    // An entry for an item this table does not own (a procedure's parameters
    // in its local scope).
    void AddItemReference(std::string name, TscCustomVariable& item);
    // Frees the entry that holds `object` (an event bridge the host no
    // longer calls); false when the table holds none.
    bool FreeItem(const runtime::TObject& object);
    // The entries in name order (ASCII case ignored; among equal names the
    // latest first).
    int ItemCount() const { return static_cast<int>(entries_.size()); }
    runtime::TObject* GetItem(int index) const;
    const std::string& GetItemName(int index) const;
    // Changes whenever an entry is added or removed.
    uint64_t ItemTableVersion() const { return tableVersion_; }
    // Every item of the table (none for modules and bridges), in no
    // particular order.
    template <typename F>
    void ForEachItem(F&& f) const {
        for (const Entry& entry : entries_)
            if (entry.item != nullptr) f(*entry.item);
    }

    // This scope's item of that name (none for modules and bridges).
    TscCustomVariable* FindLocal(std::string_view name) const;
    // FindLocal here, then up the parent chain.
    TscCustomVariable* Find(std::string_view name) const;
    TscClassVariable* FindClassVariable(std::string_view name) const;
    // Where names not found here are looked up; nullptr at the top.
    virtual TscScope* ParentScope() const = 0;

    // Find(name).SetValue(value), else a Variant variable of that name is
    // declared here.
    virtual void SetVariableValue(std::string_view name, const runtime::Variant& value);

    // ---- running --------------------------------------------------------------------
    TscStatement& MainList() { return *mainList_; }
    uint8_t FlowFlags = 0;  // kBreakFlag | kContinueFlag | kExitFlag
    int32_t LoadingTag = 0;

    TscRunState& Run() { return *run_; }
    // Runs in `state` from now on (a procedure's local scope runs in its
    // program's).
    void ShareRunState(TscRunState& state) { run_ = &state; }
    // Counts one step against the limit.
    void CountStep() { run_->CountSteps(1); }
    // Tells the program's run-line sink, when it has one.
    void ReportRunLine(const std::string& unitName, const std::string& sourcePos) {
        if (TscRunLineSink* sink = run_->runLine) sink->RunLine(unitName, sourcePos);
    }

  protected:
    // Frees every entry `keep` refuses (first to last) and drops it from the
    // table; items not owned are only forgotten.
    template <typename Keep>
    void RemoveEntries(Keep keep);
    // Whether an entry is a registration module (the component knows).
    virtual bool IsModule(const runtime::TObject&) const { return false; }

    struct Entry {
        std::string name;
        std::unique_ptr<runtime::TObject> object;
        TscCustomVariable* item;  // object as an item, or nullptr
        bool owned;               // false: the entry only names the object
        uint64_t serial;          // order of adding
    };
    std::vector<Entry> entries_;  // in the order of adding

  private:
    // Case-insensitive hashing of names, for lookups by any view.
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const noexcept;
    };
    struct NameEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };

    void Index(size_t at);
    void Reindex();
    void SortedView() const;

    // Each name's latest entry: its index into entries_.
    std::unordered_map<std::string, size_t, NameHash, NameEqual> latest_;
    uint64_t nextSerial_ = 0;
    uint64_t tableVersion_ = 0;
    mutable std::vector<size_t> sorted_;
    mutable uint64_t sortedVersion_ = ~uint64_t{0};

    std::unique_ptr<TscStatement> mainList_;
    TscRunState ownRun_;
    TscRunState* run_ = &ownRun_;
};

template <typename Keep>
void TscScope::RemoveEntries(Keep keep) {
    std::vector<Entry> kept;
    std::vector<Entry> freed;
    for (Entry& entry : entries_) (keep(entry) ? kept : freed).push_back(std::move(entry));
    entries_ = std::move(kept);
    Reindex();
    for (Entry& entry : freed)
        if (!entry.owned) (void)entry.object.release();
    freed.clear();  // frees the objects first to last
}

// The scope of a procedure's body: its parameters, locals and nested
// procedures, below the scope that declares it.
class TscLocalScope final : public TscScope {
  public:
    explicit TscLocalScope(TscScope& parent) : parent_(parent) { ShareRunState(parent.Run()); }
    TscScope* ParentScope() const override { return &parent_; }

  private:
    TscScope& parent_;
};

}  // namespace script
