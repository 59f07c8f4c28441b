// The tree's parts that serve forms and other trees: the header font, the
// hook on the parent form that tells when the form is being moved or
// sized, copying another tree, the property names of old forms, virtual
// mode's shared style and the view's drag cursor.
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "gui/cursors.h"
#include "gui/forms.h"
#include "runtime/objectstream.h"

namespace controls::tree {

void TCustomGtTree::CreateFormParts() {
    headerFont_ = std::make_unique<gui::TFont>();
    headerFont_->Assign(Font());
    headerFont_->OnChange = [this](runtime::TObject*) {
        if (!headerUseTreeFont_) ApplyHeaderFont();
    };
    formHook_ = std::make_unique<TGtHook>(nullptr);
    formHook_->OnAfterProcess = [this](runtime::TObject*, gui::TMessage& msg, bool&) {
        if (msg.Msg == WM_ENTERSIZEMOVE) inSizeMove_ = true;
        if (msg.Msg == WM_EXITSIZEMOVE) inSizeMove_ = false;
    };
}

// ---- header font ------------------------------------------------------------------------

void TCustomGtTree::ApplyHeaderFont() {
    if (header_ == nullptr) return;
    header_->Font()->Assign(headerUseTreeFont_ ? Font() : headerFont_.get());
    header_->AdjustHeight();
}

void TCustomGtTree::SetHeaderUseTreeFont(bool value) {
    if (value == headerUseTreeFont_) return;
    headerUseTreeFont_ = value;
    if (value) headerFont_->Assign(Font());
    ApplyHeaderFont();
}

void TCustomGtTree::SetHeaderFont(gui::TFont* value) {
    if (value != nullptr) headerFont_->Assign(value);
}

// ---- the parent form --------------------------------------------------------------------

void TCustomGtTree::SetParent(gui::TWinControl* parent) {
    TGtXPThemedControl::SetParent(parent);
    inSizeMove_ = false;
    AttachFormHook();
}

void TCustomGtTree::AttachFormHook() {
    if (formHook_ == nullptr) return;
    gui::TCustomForm* form = Parent() != nullptr ? gui::GetParentForm(this) : nullptr;
    formHook_->SetActive(false);
    formHook_->SetControl(form);
    formHook_->SetActive(form != nullptr && DoubleBuffered() && !Designing());
}

// ---- copying and old forms --------------------------------------------------------------

void TCustomGtTree::Assign(const runtime::TPersistent* source) {
    const auto* other = dynamic_cast<const TCustomGtTree*>(source);
    if (other == nullptr) {
        TGtXPThemedControl::Assign(source);
        return;
    }
    TGtTreeLock lock(*this);
    Items().Assign(&other->Items());
    SetLinesColor(other->LinesColor());
    SetDeselectChildrenOnCollapse(other->DeselectChildrenOnCollapse());
    SetDrawFocusRect(other->DrawFocusRect());
    SetBarStyle(other->BarStyle());
    AlwaysKeepSelection = other->AlwaysKeepSelection;
    FullRowSelect = other->FullRowSelect;
    DragType = other->DragType;
    AutoLookup = other->AutoLookup;
    SetSelectColumn(other->SelectColumn());
    SetShowCheckboxes(other->ShowCheckboxes());
    SetShowLeafButton(other->ShowLeafButton());
    SetHideHorzScrollBar(other->HideHorzScrollBar());
    SetHideVertScrollBar(other->HideVertScrollBar());
    SetBkColor(other->BkColor());
    SetTextColor(other->TextColor());
    SetShowButtons(other->ShowButtons());
    SetShowLines(other->ShowLines());
    SetShowImages(other->ShowImages());
    SetShowRoot(other->ShowRoot());
    LineHintMode = other->LineHintMode;
    SetShowColumns(other->ShowColumns());
    SetBorderStyle(other->BorderStyle());
    SetDoInplaceEdit(other->DoInplaceEdit());
    SetHorizontalLines(other->HorizontalLines());
    SetVerticalLines(other->VerticalLines());
    ScrollTracking = other->ScrollTracking;
    Tracking = other->Tracking;
    SetHeaderHotTrack(other->HeaderHotTrack());
    OwnerDrawByColumn = other->OwnerDrawByColumn;
    OwnerDrawMask = other->OwnerDrawMask;
    SetDragTrgDrawMode(other->DragTrgDrawMode());
    SetTopIndex(other->TopIndex());
    SetAutoLineHeight(other->AutoLineHeight());
    SetLineHeight(other->LineHeight());
    if (view_ != nullptr) view_->SetContentWidth(-1);
    Request(rfCountStale | rfRowsStale | rfRepaintAll);
}

void TCustomGtTree::DefineProperties(runtime::TFiler& filer) {
    TGtXPThemedControl::DefineProperties(filer);
    // Settings of earlier versions: read over, never written.
    static const char* const kDropped[] = {"ImageForm",
                                           "DragCursor",
                                           "Action",
                                           "AdjustMultilineHeight",
                                           "Background",
                                           "BackgroundType",
                                           "GradientStartColor",
                                           "GradientEndColor",
                                           "GradientSteps",
                                           "HeaderWrapCaptions",
                                           "NoBlendSelected",
                                           "ScrollBackground",
                                           "Storage",
                                           "StoragePath",
                                           "OnHTMLImageNeeded",
                                           "OnLinkClick",
                                           "LinkCursor",
                                           "LinkColor",
                                           "LinkStyle",
                                           "TrackingCursor"};
    for (const char* name : kDropped)
        filer.DefineProperty(
            name, [](runtime::TReader& reader) { reader.SkipValue(); }, nullptr, false);
}

// ---- virtual mode and the view's drag cursor --------------------------------------------

void TCustomGtTree::SetVirtualityLevel(TVirtualityLevel value) {
    if (value == VirtualityLevel()) return;
    TGtTreeLock lock(*this);
    if (value == vlNone)
        virtualStyle_.reset();
    else
        virtualStyle_ = std::make_unique<TGtCellStyle>();
    TGtTreeModel::SetVirtualityLevel(value);
    if (view_ != nullptr) view_->SetContentWidth(-1);
    Request(rfRepaintAll);
}

gui::TCursor TCustomGtTree::DragCursor() const {
    return view_ != nullptr ? view_->DragCursor() : gui::crDrag;
}

void TCustomGtTree::SetDragCursor(gui::TCursor value) {
    if (view_ != nullptr) view_->SetDragCursor(value);
}

}  // namespace controls::tree
