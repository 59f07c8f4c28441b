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
// "Stack overflow" instead of exhausting the thread's stack; memory beyond
// the program's limit, or that the system refuses, raises EOutOfMemory.
// The step limit and Stop raise EScriptStepLimit and EScriptStopped, which
// a script cannot catch.

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
#include "script/scope.h"

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

class TscScript : public runtime::TComponent,
                  public TscScope,
                  public CompileSite,
                  public CompileErrors,
                  private TscRunLineSink {
    RUNTIME_CLASS(TscScript)

  public:
    explicit TscScript(runtime::TComponent* owner = nullptr);
    ~TscScript() override;

    // ---- item table (TscScope) -------------------------------------------------------
    // ParentScript: names not found here are looked up there.
    TscScope* ParentScope() const override { return ParentScript; }

    // Frees every entry but the registration modules and items with
    // ModuleTag 1, frees the main program and empties the error fields.
    void Clear();

    // ---- properties -------------------------------------------------------------
    // The script text as lines. Text set with SetText is split into them
    // only when they are asked for; Compile reads the text as it was set.
    runtime::TStrings* Lines() const;
    // Copies the lines.
    void SetLines(runtime::TStrings* lines);
    void SetText(std::string_view text);
    // The text Compile reads: as set, or the lines joined, each followed by
    // CR LF.
    const std::string& Text() const;
    const std::string& SyntaxType() const { return syntaxType_; }
    void SetSyntaxType(std::string syntaxType) { syntaxType_ = std::move(syntaxType); }

    TscGetUnitEvent OnGetILUnit;
    TscGetUnitEvent OnGetUnit;
    TscRunLineEvent OnRunLine;
    TscScript* ParentScript = nullptr;  // not owned

    bool ModulesLoaded() const { return modulesLoaded_; }

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
    // Find(name).SetValue(value), else declares the Variant variable here
    // (DeclareVariable).
    void SetVariableValue(std::string_view name, const runtime::Variant& value) override;
    // The first OnRunLine handler from here up the parent chain gets
    // (this, unit, position).
    void NotifyRunLine(const std::string& unitName, const std::string& sourcePos);

    // At most `limit` steps per outermost run (0: unlimited); beyond it
    // EScriptStepLimit. A step is a loop iteration, a call, or 4 KB of the
    // work of string and array operations (kWorkBytesPerStep). For hosts
    // that run untrusted text.
    void SetStepLimit(uint64_t limit);
    // Ends the run in progress, from any thread: at its next step, or in
    // a long built-in operation within milliseconds, it raises
    // EScriptStopped, which no try/except of the script catches. Runs stay
    // stopped until Clear.
    void Stop();
    // The memory the program's strings and arrays may take together
    // (kDefaultMemoryLimit unless set): its variables, its temporaries, its
    // declared arrays and the values it hands back while they live. Beyond
    // it a run raises EOutOfMemory into the script, which may catch it.
    void SetMemoryLimit(size_t bytes);
    // What the program's values take now, and have taken in all.
    const runtime::VariantMemoryAccount& Memory() { return Run().Memory(); }

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
    [[nodiscard]] bool GetILUnitText(const std::string& unitName, std::string& unitText) override;

  protected:
    bool IsModule(const runtime::TObject& object) const override;

  private:
    void DeclareEnumValues(std::string_view typeName, std::string_view names, bool asSet);
    // Where this run's statements report their positions: this script, when
    // a script of the parent chain has an OnRunLine handler.
    void ChooseRunLineSink();
    void RunLine(const std::string& unitName, const std::string& sourcePos) override;

    // The text and its lines: whichever changed last is current, and the
    // other is made from it when asked for.
    std::unique_ptr<runtime::TStringList> lines_;
    mutable std::string text_;
    mutable bool textCurrent_ = true;
    mutable bool linesCurrent_ = true;
    mutable bool syncingLines_ = false;
    std::string syntaxType_;
    bool modulesLoaded_ = false;
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
