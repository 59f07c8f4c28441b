// In-place editors and the registry each tree keeps of them.
#include "controls/tree/inplaceeditor.h"

#include <algorithm>

#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "gui/forms.h"
#include "runtime/properties.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TGtTreeInplaceEditor, runtime::TComponent)
RUNTIME_PROPERTY(Tree, Tree, SetTree);
RUNTIME_FIELD(Types);
RUNTIME_FIELD(DefaultValueAsText);
RUNTIME_FIELD(OnBeforeOperation);
RUNTIME_FIELD(OnAfterOperation);
RUNTIME_FIELD(OnValidateResult);
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TGtTreeInplaceManager, runtime::TComponent)
RUNTIME_END_CLASS

// ---- editor -----------------------------------------------------------------------------

TGtTreeInplaceEditor::TGtTreeInplaceEditor(runtime::TComponent* owner)
    : runtime::TComponent(owner) {}

TGtTreeInplaceEditor::~TGtTreeInplaceEditor() {
    // The manager learns of it through its free notification; the tree's
    // view must not keep a pointer to a freed editor either.
    if (tree_ != nullptr && tree_->View() != nullptr && tree_->View()->Editor() == this)
        tree_->View()->ClearEditor();
}

void TGtTreeInplaceEditor::SetTree(TCustomGtTree* value) {
    if (value == tree_) return;
    if (tree_ != nullptr) {
        // A running edit ends before the editor changes hands.
        if (GetVisible()) CompleteOperation(false);
        if (manager_ != nullptr) manager_->UnregisterEditor(this);
        tree_->RemoveFreeNotification(this);
    }
    tree_ = value;
    manager_ = nullptr;
    if (tree_ != nullptr) {
        manager_ = tree_->InplaceManager();
        manager_->RegisterEditor(this);
        tree_->FreeNotification(this);
    }
}

void TGtTreeInplaceEditor::StartOperation() {
    SetupEditor();
    bool defaultConversion = true;
    TriggerBeforeOperation(defaultConversion);
    DoStartOperation();
    editing_ = true;
}

void TGtTreeInplaceEditor::CompleteOperation(bool accepted) {
    editing_ = false;
    bool defaultConversion = true;
    TriggerAfterOperation(accepted, defaultConversion);
    gui::TCustomForm* form = tree_ != nullptr ? gui::GetParentForm(tree_) : nullptr;
    formHadActiveControl_ = form != nullptr && form->ActiveControl() != nullptr;
    DoStopOperation();
    if (tree_ == nullptr || tree_->View() == nullptr) return;
    if (accepted)
        tree_->View()->ApplyEditResult();
    else
        tree_->View()->ClearEditor();
}

void TGtTreeInplaceEditor::TriggerBeforeOperation(bool& defaultConversion) {
    defaultConversion = true;
    if (OnBeforeOperation) OnBeforeOperation(this, defaultConversion);
    if (defaultConversion && ValueAsText.empty()) ValueAsText = DefaultValueAsText;
}

void TGtTreeInplaceEditor::TriggerAfterOperation(bool& accepted, bool& defaultConversion) {
    if (OnAfterOperation) OnAfterOperation(this, accepted, defaultConversion);
}

void TGtTreeInplaceEditor::TriggerValidateResult(bool& inputValid) {
    if (OnValidateResult) OnValidateResult(this, inputValid);
}

void TGtTreeInplaceEditor::DoStopOperation() {
    if (tree_ == nullptr || tree_->IsDestroying() || !formHadActiveControl_) return;
    TGtTreeView* view = tree_->View();
    if (view == nullptr || !view->CanFocus() || !tree_->CanFocus() || tree_->Parent() == nullptr ||
        !tree_->Parent()->CanFocus())
        return;
    // Giving the focus back is a courtesy: the edit has ended either way.
    try {
        view->SetFocus();
    } catch (...) {
    }
}

void TGtTreeInplaceEditor::Notification(runtime::TComponent* component,
                                        runtime::TOperation operation) {
    runtime::TComponent::Notification(component, operation);
    if (operation != runtime::opRemove || tree_ == nullptr) return;
    if (component == tree_) {
        SetTree(nullptr);
    } else if (component == manager_) {
        // The tree is going: its registry goes first.
        if (GetVisible()) CompleteOperation(false);
        tree_->RemoveFreeNotification(this);
        tree_ = nullptr;
        manager_ = nullptr;
    }
}

// ---- manager ----------------------------------------------------------------------------

TGtTreeInplaceManager::TGtTreeInplaceManager() : runtime::TComponent(nullptr) {}

TGtTreeInplaceManager::~TGtTreeInplaceManager() = default;

void TGtTreeInplaceManager::RegisterEditor(TGtTreeInplaceEditor* editor) {
    if (editor == nullptr || std::find(editors_.begin(), editors_.end(), editor) != editors_.end())
        return;
    editors_.push_back(editor);
    editor->FreeNotification(this);
}

void TGtTreeInplaceManager::UnregisterEditor(TGtTreeInplaceEditor* editor) {
    auto it = std::find(editors_.begin(), editors_.end(), editor);
    if (it == editors_.end()) return;
    editors_.erase(it);
    if (!editor->ComponentState().Contains(runtime::csDestroying))
        editor->RemoveFreeNotification(this);
}

TGtTreeInplaceEditor* TGtTreeInplaceManager::GetSuitableEditor(TGtFieldType fieldType) const {
    for (TGtTreeInplaceEditor* editor : editors_)
        if (editor->Types.Contains(fieldType)) return editor;
    return nullptr;
}

void TGtTreeInplaceManager::Notification(runtime::TComponent* component,
                                         runtime::TOperation operation) {
    runtime::TComponent::Notification(component, operation);
    if (operation != runtime::opRemove) return;
    auto it = std::find(editors_.begin(), editors_.end(), component);
    if (it != editors_.end()) editors_.erase(it);
}

}  // namespace controls::tree
