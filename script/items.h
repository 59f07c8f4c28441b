#pragma once

// The run-time object model of compiled scripts: every name a script uses is
// an item holding a Variant, read and written through GetValue/SetValue.
//
// Items are created by the host's registration calls (script/script.h), by
// registration modules and by the builder, and owned by the item table of a
// script object. Host objects travel through items as the runtime's checked
// handles (runtime/handles.h), never as raw pointers.
//
// Hot paths read and write `Value` of plain variables directly; everything
// else goes through the virtual GetValue/SetValue.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/method.h"
#include "runtime/object.h"
#include "runtime/variant.h"
#include "script/scope.h"

namespace runtime {
class TClassInfo;
class TComponent;
}  // namespace runtime

namespace script {

class TscScope;
class TscLocalScope;
class TscParamItem;
class TscMethodHelper;
class TscProcVariable;
class TscCustomEvent;
class TscStatement;

// The kind of every item and type.
enum TscTypeKind : uint8_t {
    fskInt,
    fskBool,
    fskFloat,
    fskChar,
    fskString,
    fskClass,
    fskArray,
    fskVariant,
    fskEnum,
    fskConstructor,
};

// ---- host callbacks ---------------------------------------------------------
// Instance: the object the member was reached through (nullptr for a global
// function; for a constructor called on a class, a fresh instance of that
// class when the class can create one). ClassType: the class on which the
// member was declared (nullptr for a global function). Names come upper-cased,
// with ".GET"/".SET" appended for indexed properties.

// Params: a Variant array 0..N-1 of the argument values (Empty without
// parameters; 0..N with the assigned value last for an indexed write).
// Elements the callback changes are copied back to var parameters.
using TscMethodCallEvent =
    std::function<runtime::Variant(runtime::TObject* instance, const runtime::TClassInfo* classType,
                                   const std::string& methodName, runtime::Variant& params)>;
// The callback reads arguments with caller.GetParamValue and writes var
// arguments with caller.SetParamValue.
using TscMethodCallExEvent =
    std::function<runtime::Variant(runtime::TObject* instance, const runtime::TClassInfo* classType,
                                   const std::string& methodName, TscMethodHelper& caller)>;
using TscPropGetEvent = std::function<runtime::Variant(
    runtime::TObject* instance, const runtime::TClassInfo* classType, const std::string& propName)>;
using TscPropSetEvent =
    std::function<void(runtime::TObject* instance, const runtime::TClassInfo* classType,
                       const std::string& propName, const runtime::Variant& value)>;

// An event bridge class: makes the bridge that relays a host event to a
// script procedure (see TscCustomEvent).
using TscEventClass = std::unique_ptr<TscCustomEvent> (*)(runtime::TObject* hostObject,
                                                          TscProcVariable* handler);

// ---- owned lists --------------------------------------------------------------

// An owned, ordered list; Clear frees the children first to last.
template <typename T>
class TscItemList {
  public:
    TscItemList() = default;
    TscItemList(const TscItemList&) = delete;
    TscItemList& operator=(const TscItemList&) = delete;
    TscItemList(TscItemList&&) noexcept = default;
    TscItemList& operator=(TscItemList&&) noexcept = default;
    ~TscItemList() { Clear(); }

    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    T* Items(int index) const { return items_[static_cast<size_t>(index)].get(); }
    T* Last() const { return items_.empty() ? nullptr : items_.back().get(); }
    T* Add(std::unique_ptr<T> item) {
        items_.push_back(std::move(item));
        return items_.back().get();
    }
    // Takes the child out of the list without freeing it.
    std::unique_ptr<T> Remove(int index) {
        std::unique_ptr<T> item = std::move(items_[static_cast<size_t>(index)]);
        items_.erase(items_.begin() + index);
        return item;
    }
    void Clear() {
        for (auto& item : items_) item.reset();
        items_.clear();
    }
    void Swap(TscItemList& other) noexcept { items_.swap(other.items_); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    std::vector<std::unique_ptr<T>> items_;
};

// What an item is, for the run-time paths that must tell items apart without
// a dynamic cast.
enum class TscItemClass : uint8_t {
    Custom,
    Variable,
    StringVariable,
    TypeVariable,
    Param,
    Proc,
    Expression,
    SetExpression,
    Designator,
    ArrayHelper,
    StringHelper,
    PropertyHelper,
    MethodHelper,
    ComponentHelper,
    EventHelper,
    OleHelper,
    ClassVariable,
};

// ---- items --------------------------------------------------------------------

// The base of every script item. Its parameters (TscParamItem) are owned.
class TscCustomVariable : public runtime::TObject {
  public:
    TscCustomVariable(std::string name, std::string typeName, TscTypeKind kind);
    ~TscCustomVariable() override;

    virtual runtime::Variant GetValue();
    // Ignored for a ReadOnly item.
    virtual void SetValue(const runtime::Variant& value);

    TscItemClass ItemClass() const { return itemClass_; }
    // A TscVariable or TscStringVariable: its value is `Value`.
    bool IsVariable() const {
        return itemClass_ == TscItemClass::Variable || itemClass_ == TscItemClass::StringVariable;
    }
    // A variable or a parameter: its value is `Value`, read and written
    // directly by the fast paths.
    bool HoldsValue() const { return IsVariable() || itemClass_ == TscItemClass::Param; }
    bool IsHelper() const {
        return itemClass_ >= TscItemClass::ArrayHelper && itemClass_ <= TscItemClass::OleHelper;
    }

    int ParamCount() const { return params_.Count(); }
    TscParamItem* GetParam(int index) const { return params_.Items(index); }
    void AddParam(std::unique_ptr<TscParamItem> param);
    // Takes the parameters out (the builder moves a parsed declaration's).
    TscItemList<TscParamItem> TakeParams();
    // Parameters without a default value.
    int RequiredParamCount() const;
    // "Integer", "Boolean", "Extended", "Char", "String", "Array", "Variant",
    // or DeclTypeName for classes and enumerations.
    std::string TypeName() const;
    // The name upper-cased with the locale's rules, fixed at creation.
    const std::string& UpperName() const { return upperName_; }

    // 1 when added while the script's modules were loading: survives Clear.
    int32_t ModuleTag = 0;
    // Arguments are passed as their source text.
    bool IsMacro = false;
    bool ReadOnly = false;
    // The value is fixed when the item is made (constants, enumeration
    // names): expressions fold it in and recursion need not save it.
    bool IsConstant = false;
    std::string Name;
    // Whether the value of a call is used (false for a call statement).
    bool NeedResult = true;
    // The Result variable of a function, the variable of a fast designator,
    // the array helper of an array variable.
    TscCustomVariable* LinkedItem = nullptr;
    std::string SourcePos;  // "line:col" of the declaration
    std::string SourceUnit;
    TscTypeKind Kind;
    std::string DeclTypeName;
    runtime::Variant Value;

  protected:
    TscCustomVariable(TscItemClass itemClass, std::string name, std::string typeName,
                      TscTypeKind kind);
    // For items that learn their name after construction (method helpers).
    void Rename(std::string name);

    TscItemList<TscParamItem> params_;

  private:
    TscItemClass itemClass_;
    std::string upperName_;
};

// Variables, constants, enumeration names and hidden `with` variables: the
// stored Value.
class TscVariable : public TscCustomVariable {
  public:
    TscVariable(std::string name, std::string typeName, TscTypeKind kind);

  protected:
    TscVariable(TscItemClass itemClass, std::string name, std::string typeName, TscTypeKind kind);
};

// A named type; its Kind is what counts.
class TscTypeVariable : public TscCustomVariable {
  public:
    TscTypeVariable(std::string name, std::string typeName, TscTypeKind kind);
};

// A Char or String variable: writing stores the value converted to an 8-bit
// string (held in Value as a varString, so reads share it), without a
// read-only test.
class TscStringVariable : public TscVariable {
  public:
    TscStringVariable(std::string name, std::string typeName, TscTypeKind kind);
    void SetValue(const runtime::Variant& value) override;
};

class TscParamItem : public TscCustomVariable {
  public:
    TscParamItem(std::string name, bool isVarParam, bool isOptional, std::string typeName,
                 TscTypeKind kind);

    runtime::Variant DefValue;  // Null unless given
    bool IsOptional;
    bool IsVarParam;
};

// A script procedure or function. Its parameters, locals, nested procedures
// and statements live in its LocalScript, whose parent is the declaring
// script. GetValue runs it: locals start from their initial values and
// Result from Null on every call; the value is Result (Null for a
// procedure).
class TscProcVariable : public TscCustomVariable {
  public:
    TscProcVariable(std::string name, std::string typeName, TscTypeKind kind, bool isFunction,
                    TscScope& declaringScope);
    ~TscProcVariable() override;

    runtime::Variant GetValue() override { return Run(); }
    // Runs the procedure (GetValue without the virtual call).
    runtime::Variant Run();
    // Runs the procedure with the value of `argument` in its first parameter
    // (nullptr: none, or already written); the argument is left with
    // whatever the parameter held. While the procedure is running already,
    // its values wait aside until this call is over. The argument must not
    // be the value of one of its variables.
    runtime::Variant Call(runtime::Variant* argument);

    // A local variable of the body and the value it starts each call with
    // (recorded by the builder).
    void AddLocal(TscCustomVariable& local, runtime::Variant initialValue);
    // Every variable and parameter of LocalScript's table: what a recursive
    // call saves and restores. Items added to the table go at the end.
    std::span<TscCustomVariable* const> FrameItems() {
        if (LocalScript->ItemTableVersion() != frameVersion_) RebuildFrame();
        return frame_;
    }

    bool IsRunning = false;
    bool IsFunction;
    std::unique_ptr<TscLocalScope> LocalScript;

  private:
    struct Local {
        TscCustomVariable* item;
        runtime::Variant initialValue;
    };
    friend struct ProcedureRun;
    void RebuildFrame();

    std::vector<Local> locals_;
    std::vector<TscCustomVariable*> frame_;
    uint64_t frameVersion_ = ~uint64_t{0};
};

// Base of expressions (script/expression.h).
class TscCustomExpression : public TscCustomVariable {
  public:
    explicit TscCustomExpression(TscItemClass itemClass = TscItemClass::Expression);

    // GetValue without a copy where the value is held in place: a reference
    // to a constant's or a variable's own value, or to `scratch` holding a
    // computed one. Read it before anything else runs.
    virtual const runtime::Variant& GetValueRef(runtime::Variant& scratch) {
        scratch = GetValue();
        return scratch;
    }
};

// A set constructor. Entries are expressions; an empty entry (nullptr)
// between two expressions makes them a range: [a, b..c] is a, b, none, c.
class TscSetExpression : public TscCustomVariable {
  public:
    TscSetExpression();
    ~TscSetExpression() override;

    void AddEntry(std::unique_ptr<TscCustomExpression> entry);  // nullptr: a range mark
    int EntryCount() const { return static_cast<int>(entries_.size()); }
    TscCustomExpression* Entry(int index) const {
        return entries_[static_cast<size_t>(index)].get();
    }

    // A Variant array 0..Count-1 of the entries' values, Null for range marks.
    runtime::Variant GetValue() override;
    // Whether v equals an element or lies within a range (Variant
    // comparisons).
    bool Contains(const runtime::Variant& v) const;

  private:
    std::vector<std::unique_ptr<TscCustomExpression>> entries_;
};

// ---- helpers: items that stand for host things -------------------------------

// A helper reached through a designator step: the step before it is its
// ParentRef, that step's value its ParentValue (the object's handle for
// members).
class TscCustomHelper : public TscCustomVariable {
  public:
    TscCustomVariable* ParentRef = nullptr;
    runtime::Variant ParentValue;
    TscScope* OwnerScript = nullptr;  // where the designator was built

  protected:
    TscCustomHelper(TscItemClass itemClass, std::string name, std::string typeName,
                    TscTypeKind kind);
    // The object ParentValue names: nullptr for Null, Empty and 0; a handle
    // that is not valid raises EInvalidCast.
    runtime::TObject* ParentObject() const;
    // The value an index works on: the previous step's own value, in place,
    // when that step holds its value (the designator then hands no copy in
    // ParentValue); else ParentValue.
    runtime::Variant& ParentData() {
        return ParentRef != nullptr && HoldsValueInPlace(*ParentRef) ? ParentRef->Value
                                                                     : ParentValue;
    }

  public:
    // Whether an item's value is its `Value`, read and written in place by
    // the index helpers.
    static bool HoldsValueInPlace(const TscCustomVariable& item) {
        return item.HoldsValue() || item.ItemClass() == TscItemClass::Custom;
    }
};

// An element of the Variant array stored in ParentRef's Value, read and
// written in place. `count` indexes are required; -1 makes one required and
// two optional (the shared "__ArrayHelper").
class TscArrayHelper : public TscCustomHelper {
  public:
    TscArrayHelper(std::string name, std::string typeName, TscTypeKind kind, int count);

    // Arrays of 1 to 3 dimensions; anything else reads as Null and ignores
    // writes. Indexes outside the bounds raise EVariantBadIndexError.
    runtime::Variant GetValue() override;
    void SetValue(const runtime::Variant& value) override;
};

// One character of the string ParentValue, at the 1-based index parameter
// ("__StringHelper"). Writing replaces the character and writes the whole
// string back through ParentRef. An index outside the string raises
// ERangeError.
class TscStringHelper : public TscCustomHelper {
  public:
    TscStringHelper();

    runtime::Variant GetValue() override;
    void SetValue(const runtime::Variant& value) override;
};

// A host property. With UseRTTI the object's published property of this
// name is read and written; otherwise the callbacks are called.
class TscPropertyHelper : public TscCustomHelper {
  public:
    TscPropertyHelper(std::string name, std::string typeName, TscTypeKind kind);

    runtime::Variant GetValue() override;
    // Writing a property of a nil object raises EInvalidOperation.
    void SetValue(const runtime::Variant& value) override;

    const runtime::TClassInfo* ClassRef = nullptr;
    bool UseRTTI = false;
    TscPropGetEvent OnGetValue;
    TscPropSetEvent OnSetValue;
};

// A host function or method (or indexed property), declared by its text
// ("function PosEx(const SubStr, S: string; Offset: Cardinal = 1): Integer").
class TscMethodHelper : public TscCustomHelper {
  public:
    TscMethodHelper(std::string_view syntax, TscScope& script);

    // Calls OnCall, else OnCallEx, else yields 0.
    runtime::Variant GetValue() override;
    // Only indexed properties take writes (the name gets ".SET").
    void SetValue(const runtime::Variant& value) override;

    // For OnCallEx callbacks: the value of parameter `index`; index equal to
    // the parameter count gives the value an indexed write assigns.
    // EListError for an index outside those.
    runtime::Variant GetParamValue(int index) const;
    // Writes parameter `index`; a var parameter's argument receives it.
    void SetParamValue(int index, const runtime::Variant& value);

    std::string Category;
    const runtime::TClassInfo* ClassRef = nullptr;  // nullptr for global functions
    std::string Description;
    bool IsIndexedProp = false;
    TscMethodCallEvent OnCall;
    TscMethodCallExEvent OnCallEx;
    runtime::Variant PendingSetValue;
    std::string Syntax;
    runtime::Variant ArgArray;  // 0..N-1, reused across calls

  private:
    runtime::Variant Call(runtime::TObject* instance, const std::string& name);
    runtime::Variant CallConstructor();
    std::string getName_;  // UpperName + ".GET"
    std::string setName_;  // UpperName + ".SET"
};

// A component a form owns, as a member of the form's class.
class TscComponentHelper : public TscCustomHelper {
  public:
    explicit TscComponentHelper(runtime::TComponent& component);

    // The component's handle.
    runtime::Variant GetValue() override;
    void SetValue(const runtime::Variant& value) override;

    runtime::TComponent* Component;
};

// An event property of a host object. Reading yields ""; writing the name of
// a script procedure installs a bridge of EventClass that calls it, "0"
// removes the handler.
class TscEventHelper : public TscCustomHelper {
  public:
    TscEventHelper(std::string name, TscEventClass eventClass);

    runtime::Variant GetValue() override;
    // "Event handler must be a procedure" (EScriptError) for a name that is
    // not a script procedure.
    void SetValue(const runtime::Variant& value) override;

    const runtime::TClassInfo* ClassRef = nullptr;
    TscEventClass EventClass;
};

// A host class. Its members are its published non-event properties (made at
// creation) and what the host declares. Evaluated on its own it is a class
// reference (0); with its one typecast parameter set it yields that value.
class TscClassVariable : public TscCustomVariable {
  public:
    // `classRef` may be nullptr for a class known to scripts by name only.
    TscClassVariable(const runtime::TClassInfo* classRef, std::string ancestorName);
    ~TscClassVariable() override;

    runtime::Variant GetValue() override;

    int MemberCount() const { return Members.Count(); }
    TscCustomVariable* GetMember(int index) const { return Members.Items(index); }
    // The member of that name (ASCII case ignored), in this class only.
    TscCustomVariable* FindMember(std::string_view name) const;
    // FindMember, then the ancestors (looked up by name through Script).
    TscCustomVariable* Find(std::string_view name) const;

    // "constructor Create(AOwner: TComponent)" becomes the function Create
    // with the result type "Constructor".
    TscMethodHelper& DeclareConstructor(std::string_view syntax, TscMethodCallEvent callEvent);
    TscMethodHelper& DeclareConstructorEx(std::string_view syntax, TscMethodCallExEvent callEvent);
    TscMethodHelper& DeclareMethod(std::string_view syntax, TscMethodCallEvent callEvent);
    TscMethodHelper& DeclareMethodEx(std::string_view syntax, TscMethodCallExEvent callEvent);
    TscEventHelper& DeclareEvent(std::string name, TscEventClass eventClass);
    // Read-only when setValue is empty.
    TscPropertyHelper& DeclareProperty(std::string name, std::string_view typeName,
                                       TscPropGetEvent getValue, TscPropSetEvent setValue);
    // "Pixels", "Integer, Integer", "TColor": the function Pixels(p0, p1:
    // Integer): TColor, called as "PIXELS.GET" / "PIXELS.SET".
    TscMethodHelper& DeclareIndexedProperty(std::string_view name, std::string_view indexTypes,
                                            std::string_view typeName,
                                            TscMethodCallExEvent callEvent, bool readOnly);
    TscMethodHelper& DeclareDefaultProperty(std::string_view name, std::string_view indexTypes,
                                            std::string_view typeName,
                                            TscMethodCallExEvent callEvent, bool readOnly);
    TscComponentHelper& DeclareComponent(runtime::TComponent& component);

    std::string AncestorName;
    const runtime::TClassInfo* ClassRef;
    TscCustomVariable* DefaultProperty = nullptr;
    TscItemList<TscCustomVariable> Members;
    TscScope* Script = nullptr;  // the declaring script
};

// The one-character string of code c, shared by every reader: reading a
// character of a string allocates nothing.
const runtime::Variant& CharValue(unsigned char c);
// The 0-based place of the 1-based `index` into a text of `length`
// characters; ERangeError "Range check error" outside it.
size_t CheckedIndex(const runtime::Variant& index, size_t length);
// Writes the first character of `value` (#0 for an empty text) at the
// 1-based `index` of the string `text`, in place: a text shared with other
// values is copied first.
void WriteChar(runtime::Variant& text, const runtime::Variant& index,
               const runtime::Variant& value);

// ---- event bridges -------------------------------------------------------------

// Relays a host event to a script procedure (the bridges of
// script/event_bridges.h). HandlerAddress gives a handler of its event's
// signature bound to the bridge; the host's event is cleared when the
// bridge is freed, so it never calls a freed bridge.
class TscCustomEvent : public runtime::TObject {
  public:
    TscCustomEvent(runtime::TObject* hostObject, TscProcVariable* handlerProc);

    // The handler to store in the host's event property; unassigned here.
    virtual runtime::TMethod HandlerAddress();

    // Writes the leading arguments into the procedure's parameters (at most
    // as many as it has) and runs it, dropping its value. False, and nothing
    // runs, while the procedure is running already (the event fired again
    // from inside its handler).
    bool CallHandler(std::span<const runtime::Variant> args);

    // The bridge is no longer the host's handler: it is freed from the
    // table that holds it, or, while its handler runs, left there until that
    // table is cleared.
    void Retire();

    TscProcVariable* HandlerProc;
    runtime::TObject* HostObject;
    TscScope* OwnerScope = nullptr;  // the table that holds the bridge

  private:
    int running_ = 0;
};

}  // namespace script
