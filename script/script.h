#pragma once

// TscScript: the component through which the host uses the script engine.
//
// A host declares its functions, variables, types and classes on
// GlobalScript() (which also holds the built-in names of the registration
// modules), gives its working script GlobalScript() as ParentScript, and per
// run: Clear, SetLines, Compile (false: ErrorMessage, ErrorPosition and
// ErrorUnit say why), Execute, CallScriptFunction. Names are looked up in a
// script's own table first, then up the ParentScript chain, without regard
// to case.
//
// Registration modules. GlobalScript() instantiates every class of
// ModuleClassList() once, in order, on itself; what a module declares while
// it is constructed carries ModuleTag 1 and survives Clear. The first class
// is the built-in functions module, TscSysFunctions (script/sysfunctions.h,
// a TscRTTIModule), which script::init() (script/init.cpp) registers; the
// host-class bridge modules follow.
//
// Errors. Compile errors do not raise; run-time errors raise the class
// library's exceptions (runtime::Exception and descendants) out of Execute
// and CallScriptFunction, and the script stays usable. Script recursion
// deeper than the run-time stack budget raises EStackOverflow
// "Stack overflow" instead of exhausting the thread's stack.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/component.h"
#include "runtime/events.h"
#include "runtime/variant.h"
#include "script/compile_site.h"
#include "script/items.h"

namespace runtime {
class TStrings;
class TStringList;
}  // namespace runtime

namespace script {

class TscScript;
class TscStatement;

// Asked for a unit named in "uses": UnitText receives its text. OnGetILUnit
// may answer with the unit's intermediate form instead.
RUNTIME_EVENT_TYPE(TscGetUnitEvent, "Sender, UnitName, UnitText", runtime::TObject*,
                   const std::string&, std::string&);
// Told before a statement runs.
RUNTIME_EVENT_TYPE(TscRunLineEvent, "Sender, UnitName, SourcePos", runtime::TObject*,
                   const std::string&, const std::string&);

// Raised when a run takes more steps than its script's step limit allows.
// It is not a runtime::Exception, so a script's try/except cannot catch it.
class EScriptStepLimit : public std::runtime_error {
  public:
    EScriptStepLimit() : std::runtime_error("Script step limit exceeded") {}
};

// State of the runs of one program: its main script and the local scripts of
// its procedures share it.
struct TscRunState {
    uintptr_t stackBase = 0;  // frame address where the outermost run entered
    int depth = 0;            // nested runs (Execute, calls, event handlers)
    uint64_t steps = 0;
    uint64_t stepLimit = 0;  // 0: no limit
};

// Flow flags of a script (TscScript::FlowFlags).
inline constexpr uint8_t kBreakFlag = 1;
inline constexpr uint8_t kContinueFlag = 2;
inline constexpr uint8_t kExitFlag = 4;

class TscScript : public runtime::TComponent, public CompileSite, public CompileErrors {
    RUNTIME_CLASS(TscScript)

  public:
    explicit TscScript(runtime::TComponent* owner = nullptr);
    ~TscScript() override;

    // ---- item table -------------------------------------------------------------
    // Items, registration modules and event bridges, sorted by name (ASCII
    // case ignored); a new entry goes before equal names, so the latest of
    // several equal names is found. An item added while modules load gets
    // ModuleTag 1. Returns the object.
    runtime::TObject& AddItem(std::string name, std::unique_ptr<runtime::TObject> object);
    template <typename T>
    T& Add(std::string name, std::unique_ptr<T> item) {
        return static_cast<T&>(AddItem(std::move(name), std::move(item)));
    }
    // An entry for an item this table does not own (a procedure's parameters
    // in its local script).
    void AddItemReference(std::string name, TscCustomVariable& item);
    int ItemCount() const { return static_cast<int>(table_.size()); }
    runtime::TObject* GetItem(int index) const {
        return table_[static_cast<size_t>(index)].object.get();
    }
    const std::string& GetItemName(int index) const {
        return table_[static_cast<size_t>(index)].name;
    }
    // Changes whenever an entry is added or removed.
    uint64_t ItemTableVersion() const { return tableVersion_; }

    // This script's item of that name (none for modules and bridges).
    TscCustomVariable* FindLocal(std::string_view name) const;
    // FindLocal here, then up the ParentScript chain.
    TscCustomVariable* Find(std::string_view name) const;
    TscClassVariable* FindClassVariable(std::string_view name) const;

    // Frees every entry but the registration modules and items with
    // ModuleTag 1, frees the main program and empties the error fields.
    void Clear();

    // ---- properties -------------------------------------------------------------
    runtime::TStrings* Lines() const;
    // Copies the lines.
    void SetLines(runtime::TStrings* lines);
    void SetText(std::string_view text);
    const std::string& SyntaxType() const { return syntaxType_; }
    void SetSyntaxType(std::string syntaxType) { syntaxType_ = std::move(syntaxType); }

    TscGetUnitEvent OnGetILUnit;
    TscGetUnitEvent OnGetUnit;
    TscRunLineEvent OnRunLine;
    TscScript* ParentScript = nullptr;  // not owned
    int32_t LoadingTag = 0;
    uint8_t FlowFlags = 0;  // kBreakFlag | kContinueFlag | kExitFlag

    bool ModulesLoaded() const { return modulesLoaded_; }
    TscStatement& MainList() { return *mainList_; }

    // ---- compile and run ----------------------------------------------------------
    // Compiles Lines into this script's items and MainList, adding to what it
    // holds (Clear first to compile a new text). False with the error fields
    // set on a compile error. An unknown SyntaxType raises
    // "Language '<name>' not found".
    [[nodiscard]] bool Compile();
    // Runs the main program.
    void Execute();
    // Calls a procedure of this script's own table with the elements of the
    // Variant array `params` (Empty or Null: no arguments; another single
    // value: one argument). Null for an unknown name. A count outside the
    // procedure's parameters raises EScriptError "Not enough actual
    // parameters" / "Too many actual parameters"; omitted optional
    // parameters get their defaults. Var parameters are not written back.
    runtime::Variant CallScriptFunction(std::string_view name, const runtime::Variant& params);
    // Find(name).SetValue(value), else declares the Variant variable here.
    void SetVariableValue(std::string_view name, const runtime::Variant& value);
    // The first OnRunLine handler from here up the parent chain gets
    // (this, unit, position).
    void NotifyRunLine(const std::string& unitName, const std::string& sourcePos) {
        // Every statement asks, and mostly no script has a handler. The
        // chain as last walked is read from this script, each link checked
        // against the live ParentScript before it is followed: the loads do
        // not wait for one another as a walk's do.
        const TscScript* script = this;
        for (size_t i = 1; i < runLineChainLength_; ++i) {
            const TscScript* next = runLineChain_[i];
            if (script->OnRunLine || script->ParentScript != next) {
                NotifyRunLineSlow(unitName, sourcePos);
                return;
            }
            script = next;
        }
        if (runLineChainLength_ == 0 || script->OnRunLine || script->ParentScript != nullptr)
            NotifyRunLineSlow(unitName, sourcePos);
    }

    // At most `limit` loop iterations and procedure calls per outermost run
    // (0: unlimited); beyond it EScriptStepLimit. For hosts that run
    // untrusted text.
    void SetStepLimit(uint64_t limit);
    TscRunState& Run() { return *run_; }
    // Counts one step against the limit.
    void CountStep() {
        if (run_->stepLimit != 0 && ++run_->steps > run_->stepLimit) throw EScriptStepLimit();
    }

    // ---- registration ---------------------------------------------------------------
    // Each "found" means found by Find, parent chain included; an existing
    // name keeps its item. DeclareMethod/Ex and DeclareEnum/Set add entries
    // that shadow existing ones.
    virtual TscClassVariable* DeclareClass(const runtime::TClassInfo& aClass,
                                           std::string_view ancestor);
    virtual void DeclareConst(std::string_view name, std::string_view typeName,
                              const runtime::Variant& value);
    virtual void DeclareEnum(std::string_view typeName, std::string_view names);
    // As DeclareEnum with the values 1, 2, 4, 8, ...
    virtual void DeclareEnumSet(std::string_view typeName, std::string_view names);
    virtual void DeclareComponent(runtime::TComponent& component);
    virtual void DeclareForm(runtime::TComponent& form);
    virtual TscMethodHelper& DeclareMethodEx(std::string_view syntax,
                                             TscMethodCallExEvent callEvent,
                                             std::string_view category = {},
                                             std::string_view description = {});
    virtual TscMethodHelper& DeclareMethod(std::string_view syntax, TscMethodCallEvent callEvent,
                                           std::string_view category = {},
                                           std::string_view description = {});
    // A variable of the object's class name holding its handle.
    virtual void DeclareObject(std::string_view name, runtime::TObject* object);
    virtual void DeclareVariable(std::string_view name, std::string_view typeName,
                                 const runtime::Variant& value);
    virtual void DeclareType(std::string_view typeName, TscTypeKind kind);

    // ---- modules ------------------------------------------------------------------
    // Instantiates every class of ModuleClassList() on this script, once.
    void LoadModules();
    // Frees the modules and every item with ModuleTag 1.
    void UnloadModules();

    // ---- CompileSite ----------------------------------------------------------------
    CompileErrors& Errors() override { return *this; }
    [[nodiscard]] bool GetUnitText(const std::string& unitName, std::string& unitText) override;

  private:
    struct Entry {
        std::string name;
        std::unique_ptr<runtime::TObject> object;
        TscCustomVariable* item;  // object as an item, or nullptr
        bool owned;               // false: the entry only names the object
    };
    friend class TscProcVariable;

    // The position of the first entry with that name, or of the insertion
    // point.
    size_t LowerBound(std::string_view name) const;
    void DeclareEnumValues(std::string_view typeName, std::string_view names, bool asSet);
    // Shares `state` (a procedure's local script runs in its program's).
    void ShareRunState(TscRunState& state) { run_ = &state; }
    // NotifyRunLine by walking the chain, which it records.
    void NotifyRunLineSlow(const std::string& unitName, const std::string& sourcePos);

    std::vector<Entry> table_;
    uint64_t tableVersion_ = 0;
    std::unique_ptr<runtime::TStringList> lines_;
    std::string syntaxType_;
    bool modulesLoaded_ = false;
    std::unique_ptr<TscStatement> mainList_;
    TscRunState ownRun_;
    TscRunState* run_ = &ownRun_;
    // This script and its ParentScript chain as NotifyRunLine last walked it
    // (length 0: not walked, or longer than the record holds).
    static constexpr size_t kRunLineChainCapacity = 8;
    std::array<const TscScript*, kRunLineChainCapacity> runLineChain_{};
    size_t runLineChainLength_ = 0;
};

// ---- registration modules ---------------------------------------------------------

// A registration module: its constructor declares its items on the script.
class TscRTTIModule : public runtime::TObject {
  public:
    explicit TscRTTIModule(TscScript& script) : Script(script) {}

    TscScript& Script;
};

// A module class: makes the module on a script.
using TscModuleClass = std::unique_ptr<TscRTTIModule> (*)(TscScript& script);
template <typename Module>
std::unique_ptr<TscRTTIModule> NewModule(TscScript& script) {
    return std::make_unique<Module>(script);
}

// The engine-wide ordered list of module classes.
const std::vector<TscModuleClass>& ModuleClassList();
// Appends a class (again: nothing).
void RegisterModuleClass(TscModuleClass moduleClass);
void UnregisterModuleClass(TscModuleClass moduleClass);

// The engine-wide shared script, made with its modules loaded on first use;
// nullptr after script::shutdown().
TscScript* GlobalScript();

namespace detail {
// Frees GlobalScript for good (script::shutdown).
void ShutdownGlobalScript();
}  // namespace detail

}  // namespace script
