#pragma once

// Designators: the name paths of scripts (a variable, a call with its
// arguments, a form's control's property, an element of an array or a
// string) and their evaluation.
//
// A designator is a list of steps; each step names one item and holds the
// argument or index expressions that follow it. Evaluation walks the steps,
// handing each helper the item and value of the step before it. The three
// most frequent shapes have their own classes that skip the walk: a plain
// variable or parameter (kind 1), a character of a string variable (kind 2)
// and an element of an array variable (kind 3).

#include <cstdint>
#include <memory>
#include <string>

#include "script/items.h"

namespace script {

class TscDesignator;

// How a designator whose names are known only at run time is built at its
// first evaluation. The compiler provides it, with what it keeps of the
// designator's intermediate form.
class TscDeferredBuild {
  public:
    virtual ~TscDeferredBuild() = default;
    // The designator built in `scope`; EScriptError when a name is still
    // unknown.
    virtual std::unique_ptr<TscDesignator> Build(TscScope& scope) = 0;
};

// One step of a designator: the item it names and its argument (or index)
// expressions, one per parameter of the item.
class TscDesignatorItem {
  public:
    explicit TscDesignatorItem(TscCustomVariable* ref, std::string sourcePos = {})
        : Ref(ref), SourcePos(std::move(sourcePos)) {}

    int ArgCount() const { return Args.Count(); }
    TscCustomExpression* Arg(int index) const { return Args.Items(index); }

    TscCustomVariable* Ref;  // not owned
    std::string SourcePos;
    // The step is an index written straight after an object ("[" on a class
    // with a default property).
    bool IsIndexStep = false;
    TscItemList<TscCustomExpression> Args;
};

class TscDesignator : public TscCustomVariable {
  public:
    explicit TscDesignator(TscScope& script);
    ~TscDesignator() override;

    runtime::Variant GetValue() override;
    void SetValue(const runtime::Variant& value) override;

    int StepCount() const { return steps_.Count(); }
    TscDesignatorItem* Step(int index) const { return steps_.Items(index); }
    TscDesignatorItem& AddStep(std::unique_ptr<TscDesignatorItem> step);
    std::unique_ptr<TscDesignatorItem> RemoveStep(int index) { return steps_.Remove(index); }

    // Takes kind, type name and ReadOnly from the last step, and sets
    // DesignatorKind (with LinkedItem, FastRef and IndexStep for kinds 1-3).
    void ResolveKind();
    // The fast subclass matching DesignatorKind (or a single call of a script
    // procedure), taking over this designator's steps and settings; nullptr
    // when none fits.
    std::unique_ptr<TscDesignator> MakeFast();
    // Exchanges steps with `other` and copies its resolved settings.
    void TakeOver(TscDesignator& other);
    // A designator whose names are known only at run time is built at its
    // first evaluation (Deferred).
    void BuildDeferred();
    // Walks the steps; with `assign` the last step receives newValue.
    runtime::Variant Evaluate(const runtime::Variant& newValue, bool assign);

    uint8_t DesignatorKind = 0;
    TscScope* Script;
    TscCustomVariable* FastRef = nullptr;        // kind 2: the index; kind 3: the array helper
    TscDesignatorItem* IndexStep = nullptr;      // kind 3: the step holding the indexes
    std::unique_ptr<TscDeferredBuild> Deferred;  // set while deferred

  protected:
    TscDesignator(TscItemClass itemClass, TscScope& script);
    TscItemList<TscDesignatorItem> steps_;
};

// Kind 1: one step naming a variable or a parameter; reads and writes go
// straight to it.
class TscVariableDesignator final : public TscDesignator {
  public:
    explicit TscVariableDesignator(TscScope& script);
    runtime::Variant GetValue() override;
    void SetValue(const runtime::Variant& value) override;
};

// Kind 2: s[i] on a string variable. An index outside the string raises
// ERangeError.
class TscStringDesignator final : public TscDesignator {
  public:
    explicit TscStringDesignator(TscScope& script);
    runtime::Variant GetValue() override;
    void SetValue(const runtime::Variant& value) override;
};

// Kind 3: a[i, ...] on an array variable, through the variable's helper.
class TscArrayDesignator final : public TscDesignator {
  public:
    explicit TscArrayDesignator(TscScope& script);
    runtime::Variant GetValue() override;
    void SetValue(const runtime::Variant& value) override;

  private:
    void PrepareHelper();
};

// One step calling a script procedure (the most frequent call): the call
// without the walk.
class TscCallDesignator final : public TscDesignator {
  public:
    explicit TscCallDesignator(TscScope& script);
    runtime::Variant GetValue() override;
};

}  // namespace script
