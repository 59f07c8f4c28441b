#pragma once

// In-place editors of the tree: components that register with a tree's
// TGtTreeInplaceManager for a set of field types and edit one cell's value
// as text when the view starts an edit. The base class carries the
// protocol (start, complete, the three events, the focus hand-back); a
// concrete editor shows its window over the cell (DoStartOperation), says
// whether it is showing (GetVisible) and calls CompleteOperation when the
// user accepts or cancels. Windows only.

#include <memory>
#include <string>
#include <vector>

#include "controls/tree/treetypes.h"
#include "gui/geometry.h"
#include "runtime/component.h"
#include "runtime/events.h"

namespace controls::tree {

class TCustomGtTree;
class TGtTreeItem;
class TGtTreeInplaceManager;

RUNTIME_SET(TGtFieldTypes, TGtFieldType)

RUNTIME_EVENT_TYPE(TInplaceOperationEvent, "Sender, DefaultConversion", runtime::TObject*, bool&);
RUNTIME_EVENT_TYPE(TInplaceAfterOperationEvent, "Sender, Accepted, DefaultConversion",
                   runtime::TObject*, bool&, bool&);
RUNTIME_EVENT_TYPE(TInplaceValidationEvent, "Sender, InputValid", runtime::TObject*, bool&);

class TGtTreeInplaceEditor : public runtime::TComponent {
    RUNTIME_CLASS(TGtTreeInplaceEditor)

  public:
    explicit TGtTreeInplaceEditor(runtime::TComponent* owner);
    ~TGtTreeInplaceEditor() override;

    // Registers with the tree's manager (and leaves the old one's); an edit
    // in progress is cancelled first.
    TCustomGtTree* Tree() const { return tree_; }
    void SetTree(TCustomGtTree* value);
    TGtFieldTypes Types;
    std::u16string DefaultValueAsText;
    TInplaceOperationEvent OnBeforeOperation;
    TInplaceAfterOperationEvent OnAfterOperation;
    TInplaceValidationEvent OnValidateResult;

    // True between StartOperation and CompleteOperation.
    bool Editing() const { return editing_; }
    // The value as text: filled by the view before the start, read back
    // after acceptance.
    std::u16string ValueAsText;
    // The cell being edited, set by the view before the start.
    TGtTreeItem* Item = nullptr;
    int SectionIndex = -1;
    TGtFieldType FieldType = sftText;
    // Where the editor goes, in view coordinates.
    gui::TRect EditorRect;
    // Whether the tree's form had an active control when the edit ended.
    bool FormHadActiveControl() const { return formHadActiveControl_; }

    // Whether the editor's window shows, i.e. an edit is active.
    virtual bool GetVisible() = 0;
    virtual void SetupEditor() {}
    virtual void StartOperation();
    // Ends the edit; by the Accepted value OnAfterOperation leaves, the
    // view stores the value and fires OnEndEditItem, or just forgets the
    // editor.
    virtual void CompleteOperation(bool accepted);

  protected:
    virtual void TriggerBeforeOperation(bool& defaultConversion);
    virtual void TriggerAfterOperation(bool& accepted, bool& defaultConversion);
    // Concrete editors ask this before they accept.
    virtual void TriggerValidateResult(bool& inputValid);
    // Shows the editor over the cell and gives it the focus.
    virtual void DoStartOperation() = 0;
    // Hands the focus back to the tree's view.
    virtual void DoStopOperation();
    void Notification(runtime::TComponent* component, runtime::TOperation operation) override;

  private:
    TCustomGtTree* tree_ = nullptr;
    // The tree's registry while registered (the tree frees it first).
    TGtTreeInplaceManager* manager_ = nullptr;
    bool editing_ = false;
    bool formHadActiveControl_ = false;
};

// The editors registered with one tree, in registration order.
class TGtTreeInplaceManager : public runtime::TComponent {
    RUNTIME_CLASS(TGtTreeInplaceManager)

  public:
    TGtTreeInplaceManager();
    ~TGtTreeInplaceManager() override;

    // Appended when not registered yet.
    void RegisterEditor(TGtTreeInplaceEditor* editor);
    void UnregisterEditor(TGtTreeInplaceEditor* editor);
    // The first registered editor whose Types hold the type; none when none does.
    TGtTreeInplaceEditor* GetSuitableEditor(TGtFieldType fieldType) const;
    int EditorCount() const { return static_cast<int>(editors_.size()); }

  protected:
    void Notification(runtime::TComponent* component, runtime::TOperation operation) override;

  private:
    std::vector<TGtTreeInplaceEditor*> editors_;
};

}  // namespace controls::tree
