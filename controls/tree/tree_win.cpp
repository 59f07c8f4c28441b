// The tree control: construction, the update lock, settings and their
// effects, events and the control window's messages.
#include <algorithm>

#include "controls/tree/errors.h"
#include "controls/tree/headersections.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "gui/forms.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TCustomGtTree, TGtXPThemedControl)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TGtTree, TCustomGtTree)
RUNTIME_PROPERTY(ShowColumns, ShowColumns, SetShowColumns).Default(false);
RUNTIME_PROPERTY(MainTreeColumn, MainTreeColumn, SetMainTreeColumn).Default(0);
RUNTIME_PROPERTY(SelectColumn, SelectColumn, SetSelectColumn).Default(-1);
RUNTIME_PROPERTY(AutoLineHeight, AutoLineHeight, SetAutoLineHeight).Default(true);
RUNTIME_PROPERTY(ItemIndent, ItemIndent, SetItemIndent).Default(17);
RUNTIME_PROPERTY(ShowLines, ShowLines, SetShowLines).Default(true);
RUNTIME_PROPERTY(ShowRoot, ShowRoot, SetShowRoot).Default(false);
RUNTIME_PROPERTY(ShowButtons, ShowButtons, SetShowButtons).Default(true);
RUNTIME_PROPERTY(ShowRootButtons, ShowRootButtons, SetShowRootButtons).Default(true);
RUNTIME_PROPERTY(ShowLeafButton, ShowLeafButton, SetShowLeafButton).Default(false);
RUNTIME_PROPERTY(HorizontalLines, HorizontalLines, SetHorizontalLines).Default(false);
RUNTIME_PROPERTY(VerticalLines, VerticalLines, SetVerticalLines).Default(false);
RUNTIME_PROPERTY(BarStyle, BarStyle, SetBarStyle).Default(false);
RUNTIME_PROPERTY(StripedItems, StripedItems, SetStripedItems).Default(false);
RUNTIME_PROPERTY(HideSelection, HideSelection, SetHideSelection).Default(false);
RUNTIME_PROPERTY(RowSelect, RowSelect, SetRowSelect).Default(true);
RUNTIME_FIELD(FullRowSelect).Default(true);
RUNTIME_PROPERTY(ShowImages, ShowImages, SetShowImages).Default(true);
RUNTIME_PROPERTY(ShowCheckboxes, ShowCheckboxes, SetShowCheckboxes).Default(false);
RUNTIME_PROPERTY(MultiSelect, MultiSelect, SetMultiSelect).Default(true);
RUNTIME_PROPERTY(SortMode, SortMode, SetSortMode).Default(smNone);
RUNTIME_PROPERTY(SortSection, SortSection, SetSortSection).Default(0);
RUNTIME_PROPERTY(SortDir, SortDir, SetSortDir).Default(sdAscend);
RUNTIME_PROPERTY(SortType, SortType, SetSortType).Default(stText);
RUNTIME_PROPERTY(HideHorzScrollBar, HideHorzScrollBar, SetHideHorzScrollBar).Default(false);
RUNTIME_PROPERTY(HideVertScrollBar, HideVertScrollBar, SetHideVertScrollBar).Default(false);
RUNTIME_PROPERTY(ScrollbarOpposite, ScrollbarOpposite, SetScrollbarOpposite).Default(false);
RUNTIME_PROPERTY(UseCustomScrollBars, UseCustomScrollBars, SetUseCustomScrollBars).Default(true);
RUNTIME_PROPERTY(ForcedScrollBars, ForcedScrollBars, SetForcedScrollBars).Default(gui::ssNone);
RUNTIME_PROPERTY(HeaderHotTrack, HeaderHotTrack, SetHeaderHotTrack).Default(true);
RUNTIME_FIELD(AutoResizeColumns).Default(true);
RUNTIME_FIELD(IncrementalSearch).Default(false);
RUNTIME_FIELD(ChangeDelay).Default(500);
// Selection, filter, virtual mode, and the settings of hints, editing and drag and drop.
RUNTIME_PROPERTY(MultiSelectLevel, MultiSelectLevel, SetMultiSelectLevel).Default(-1);
RUNTIME_PROPERTY(KeepSelectionWithinLevel, KeepSelectionWithinLevel, SetKeepSelectionWithinLevel)
    .Default(false);
RUNTIME_FIELD(SelectionMode).Default(smUsual);
RUNTIME_FIELD(RightClickSelect).Default(true);
RUNTIME_FIELD(AlwaysKeepFocus).Default(false);
RUNTIME_FIELD(AlwaysKeepSelection).Default(true);
RUNTIME_PROPERTY(DeselectChildrenOnCollapse, DeselectChildrenOnCollapse,
                 SetDeselectChildrenOnCollapse)
    .Default(false);
RUNTIME_FIELD(IgnoreEnabled).Default(false);
RUNTIME_PROPERTY(AutoExpand, AutoExpand, SetAutoExpand).Default(false);
RUNTIME_FIELD(AutoCollapse).Default(false);
RUNTIME_PROPERTY(FilteredVisibility, FilteredVisibility, SetFilteredVisibility).Default(false);
RUNTIME_PROPERTY(SortUseCase, SortUseCase, SetSortUseCase).Default(true);
RUNTIME_PROPERTY(VirtualityLevel, VirtualityLevel, SetVirtualityLevel).Default(vlNone);
RUNTIME_PROPERTY(HeaderUseTreeFont, HeaderUseTreeFont, SetHeaderUseTreeFont).Default(true);
RUNTIME_FIELD(OnVirtualTextNeeded);
RUNTIME_FIELD(OnVirtualHintNeeded);
RUNTIME_FIELD(OnVirtualValueNeeded);
RUNTIME_FIELD(OnVirtualStyleNeeded);
RUNTIME_FIELD(OnItemDraw);
RUNTIME_FIELD(OnItemChecked);
RUNTIME_FIELD(OnCompareItems);
RUNTIME_FIELD(OnItemSelectedChange);
RUNTIME_FIELD(OnAfterSelectionChange);
RUNTIME_FIELD(OnItemFocused);
RUNTIME_FIELD(OnChanging);
RUNTIME_FIELD(OnItemChange);
RUNTIME_FIELD(OnItemExpand);
RUNTIME_FIELD(OnItemCollapse);
RUNTIME_FIELD(OnItemDeletion);
RUNTIME_FIELD(OnScroll);
RUNTIME_FIELD(OnSortBegin);
RUNTIME_FIELD(OnSortEnd);
RUNTIME_FIELD(OnHeaderColumnClick);
RUNTIME_FIELD(OnHeaderColumnResize);
RUNTIME_FIELD(OnHeaderResize);
// Line hints, editing, drag and drop.
RUNTIME_PROPERTY(Hint, HintW, SetHintW);
RUNTIME_FIELD(HintType).Default(shtHintOrText);
RUNTIME_FIELD(LineHintMode).Default(shmLong);
RUNTIME_FIELD(LineHintType).Default(lhtSmart);
RUNTIME_FIELD(LineHintColor).Default(0xFF000005u);
RUNTIME_FIELD(LineHintTimeout).Default(3000);
RUNTIME_FIELD(HideHintOnMove).Default(true);
RUNTIME_FIELD(HideHintOnTimer).Default(false);
RUNTIME_FIELD(UseSystemHintColors).Default(false);
RUNTIME_PROPERTY(DoInplaceEdit, DoInplaceEdit, SetDoInplaceEdit).Default(true);
RUNTIME_FIELD(InplaceEditorDelay).Default(500);
RUNTIME_FIELD(QuickEditMode).Default(false);
RUNTIME_FIELD(ExplorerEditMode).Default(false);
RUNTIME_FIELD(MainTextType).Default(sftText);
RUNTIME_FIELD(DragAllowed).Default(false);
RUNTIME_FIELD(ExpandOnDragOver).Default(false);
RUNTIME_FIELD(DragType).Default(dtKestrin);
RUNTIME_FIELD(DragImageMode).Default(dimNever);
RUNTIME_PROPERTY(DragTrgDrawMode, DragTrgDrawMode, SetDragTrgDrawMode).Default(SelColorRect);
RUNTIME_PROPERTY(DragRectAcceptColor, DragRectAcceptColor, SetDragRectAcceptColor)
    .Default(0x008000u);
RUNTIME_PROPERTY(DragRectDenyColor, DragRectDenyColor, SetDragRectDenyColor).Default(0x0000FFu);
RUNTIME_FIELD(DragExpandDelay).Default(500);
RUNTIME_FIELD(DragScrollInterval).Default(100);
RUNTIME_FIELD(OnShowLineHint);
RUNTIME_FIELD(OnTryEdit);
RUNTIME_FIELD(OnInplaceEditorNeeded);
RUNTIME_FIELD(OnEndEditItem);
RUNTIME_FIELD(OnDragTargetChange);
// Painting.
RUNTIME_PROPERTY(LinesStyle, LinesStyle, SetLinesStyle).Default(gui::psDot);
RUNTIME_PROPERTY(BarStyleVerticalLines, BarStyleVerticalLines, SetBarStyleVerticalLines)
    .Default(false);
RUNTIME_PROPERTY(CustomPlusMinus, CustomPlusMinus, SetCustomPlusMinus).Default(false);
RUNTIME_READONLY(PlusPicture, PlusPicture);
RUNTIME_READONLY(MinusPicture, MinusPicture);
RUNTIME_READONLY(LeafPicture, LeafPicture);
RUNTIME_PROPERTY(PlusMinusTransparent, PlusMinusTransparent, SetPlusMinusTransparent)
    .Default(false);
RUNTIME_PROPERTY(CustomCheckboxes, CustomCheckboxes, SetCustomCheckboxes).Default(false);
RUNTIME_READONLY(CheckBoxGlyph, CheckBoxGlyph);
RUNTIME_READONLY(RadioButtonGlyph, RadioButtonGlyph);
RUNTIME_PROPERTY(ShowEmptyImages, ShowEmptyImages, SetShowEmptyImages).Default(false);
RUNTIME_PROPERTY(ShowEmptyImages2, ShowEmptyImages2, SetShowEmptyImages2).Default(false);
RUNTIME_PROPERTY(ChangeStateImage, ChangeStateImage, SetChangeStateImage).Default(false);
RUNTIME_PROPERTY(RightAlignedText, RightAlignedText, SetRightAlignedText).Default(false);
RUNTIME_PROPERTY(RightAlignedTree, RightAlignedTree, SetRightAlignedTree).Default(false);
RUNTIME_FIELD(VerticalLinesLong).Default(true);
RUNTIME_FIELD(OwnerDrawByColumn).Default(true);
RUNTIME_FIELD(OnItemPostDraw);
RUNTIME_FIELD(OnItemPicDraw);
RUNTIME_FIELD(OnItemPicDraw2);
// Colours: 32-bit values, $00BBGGRR an RGB colour and $FF000000 + n the
// system colour with index n.
RUNTIME_PROPERTY(BkColor, BkColor, SetBkColor).Default(0xFF000005u);
RUNTIME_PROPERTY(TextColor, TextColor, SetTextColor).Default(0xFF000008u);
RUNTIME_PROPERTY(StripedOddColor, StripedOddColor, SetStripedOddColor)
    .Default(0xFF000010u)
    .Stored(&TCustomGtTree::StripedItems);
RUNTIME_PROPERTY(StripedEvenColor, StripedEvenColor, SetStripedEvenColor)
    .Default(0xFF000014u)
    .Stored(&TCustomGtTree::StripedItems);
RUNTIME_PROPERTY(FocusedSelectColor, FocusedSelectColor, SetFocusedSelectColor)
    .Default(0xFF00000Du);
RUNTIME_PROPERTY(FocusedSelectTextColor, FocusedSelectTextColor, SetFocusedSelectTextColor)
    .Default(0xFF00000Eu);
RUNTIME_PROPERTY(HideSelectColor, HideSelectColor, SetHideSelectColor).Default(0xFF00000Fu);
RUNTIME_PROPERTY(HideSelectTextColor, HideSelectTextColor, SetHideSelectTextColor)
    .Default(0xFF000010u);
RUNTIME_PROPERTY(TrackColor, TrackColor, SetTrackColor).Default(0xFF00000Du);
RUNTIME_PROPERTY(LinesColor, LinesColor, SetLinesColor).Default(0xFF00000Fu);
RUNTIME_PROPERTY(HorzDivLinesColor, HorzDivLinesColor, SetHorzDivLinesColor).Default(0xFF00000Fu);
RUNTIME_PROPERTY(VertDivLinesColor, VertDivLinesColor, SetVertDivLinesColor).Default(0xFF00000Fu);
RUNTIME_PROPERTY(LineBorderActiveColor, LineBorderActiveColor, SetLineBorderActiveColor)
    .Default(0u);
RUNTIME_PROPERTY(LineBorderInactiveColor, LineBorderInactiveColor, SetLineBorderInactiveColor)
    .Default(0u);
RUNTIME_PROPERTY(HeaderColor, HeaderColor, SetHeaderColor).Default(0xFF00000Fu);
RUNTIME_PROPERTY(HeaderFilterColor, HeaderFilterColor, SetHeaderFilterColor).Default(0xFF000012u);
RUNTIME_PROPERTY(HeaderActiveFilterColor, HeaderActiveFilterColor, SetHeaderActiveFilterColor)
    .Default(0u);
RUNTIME_PROPERTY(Flat, Flat, SetFlat).Default(false);
RUNTIME_PROPERTY(BorderSides, BorderSides, SetBorderSides);
RUNTIME_PROPERTY(ActiveBorderType, ActiveBorderType, SetActiveBorderType).Default(fbtSunken);
RUNTIME_PROPERTY(InactiveBorderType, InactiveBorderType, SetInactiveBorderType)
    .Default(fbtSunkenOuter);
RUNTIME_END_CLASS

// ---- life cycle -------------------------------------------------------------------------

TCustomGtTree::TCustomGtTree(runtime::TComponent* owner, const TGtTreeParts& parts)
    : TGtXPThemedControl(owner) {
    SetEventSender(this);
    SetDisplay(this);
    SetBounds(Left(), Top(), 200, 100);
    SetTabStop(true);

    auto view = parts.View ? parts.View(this) : std::make_unique<TGtTreeView>(this);
    view_ = view.release();  // owned as a component of the tree
    view_->SetParent(this);
    view_->SetTabStop(true);
    WireViewInput();

    horzBar_ = new TGtScrollBar(this);
    horzBar_->SetKind(gui::sbHorizontal);
    horzBar_->SetHeight(GetSystemMetrics(SM_CYVTHUMB));
    horzStyles_ = std::make_unique<TGtScrollBarStyles>(horzBar_, this);
    WireBar(*horzBar_, false);
    vertBar_ = new TGtScrollBar(this);
    vertBar_->SetKind(gui::sbVertical);
    vertBar_->SetWidth(GetSystemMetrics(SM_CXHTHUMB));
    vertStyles_ = std::make_unique<TGtScrollBarStyles>(vertBar_, this);
    WireBar(*vertBar_, true);

    auto header = parts.Header ? parts.Header(this) : std::make_unique<TGtHeader>(this);
    header_ = header.release();
    header_->SetAlign(gui::alNone);
    header_->SetTracking(headerHotTrack_);
    header_->AllowDrag = false;
    header_->SetVisible(false);
    header_->Font()->Assign(Font());
    SetSections(header_->Sections());
    WireHeader();

    SetLineHeight(DefaultLineHeight());
    imageLink_ = std::make_unique<gui::TChangeLink>();
    imageLink_->OnChange = [this](runtime::TObject*) {
        if (view_ != nullptr && view_->Painting()) return;
        TGtTreeLock lock(*this);
        Remeasure();
        Request(rfRepaintRows | RowsWidthFlag());
    };
    CreateFormParts();
    horzBar_->SetVisible(false);
    vertBar_->SetVisible(false);
    horzBar_->SetParent(this);
    vertBar_->SetParent(this);
    header_->SetParent(this);
}

TCustomGtTree::~TCustomGtTree() {
    if (view_ != nullptr) view_->DoEndEdit(true);
    BeginDestroy();
    StopChangeTimer();
    SetDisplay(nullptr);
    SetImages(nullptr);
    SetImages2(nullptr);
    Items().Clear();
    SetSections(nullptr);
}

void TCustomGtTree::CreateParams(gui::TCreateParams& params) {
    TGtXPThemedControl::CreateParams(params);
    params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
    params.Style |= WS_CLIPCHILDREN;
    if (!useCustomScrollBars_) params.Style |= WS_HSCROLL | WS_VSCROLL;
    if (borderStyle_ == gui::bsSingle) {
        if (Ctl3D())
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}

void TCustomGtTree::CreateWnd() {
    TGtXPThemedControl::CreateWnd();
    // The form may have come later than the parent (a tree on a panel).
    AttachFormHook();
    UpdateLayout();
    TGtTreeLock lock(*this);
    Request(rfRowsStale | rfCountStale | rfRepaintAll);
}

void TCustomGtTree::Loaded() {
    TGtXPThemedControl::Loaded();
    SetLoading(false);
    TGtTreeLock lock(*this);
    header_->Loaded();
    if (rightAlignedTree_) header_->SetRightAlignedOrder(true);
    if (AutoSorts()) Sort(true);
    if (selectColumn_ >= SectionCount()) selectColumn_ = -1;
    if (loadedHeaderHeight_ >= 0 && loadedHeaderHeight_ != header_->Height()) {
        header_->SetHeight(loadedHeaderHeight_);
        UpdateLayout();
    }
    loadedHeaderHeight_ = -1;
    Request(rfRepaintAll | rfRowsStale | rfCountStale);
    ApplyHeaderFont();
    AutoSizeAllColumns();
}

void TCustomGtTree::Notification(runtime::TComponent* component, runtime::TOperation operation) {
    TGtXPThemedControl::Notification(component, operation);
    if (operation != runtime::opRemove) return;
    if (component == images_) SetImages(nullptr);
    if (component == images2_) SetImages2(nullptr);
    if (component == header_) header_ = nullptr;
    if (component == view_) view_ = nullptr;
    if (component == horzBar_) horzBar_ = nullptr;
    if (component == vertBar_) vertBar_ = nullptr;
}

bool TCustomGtTree::Designing() const {
    return ComponentState().Contains(runtime::csDesigning);
}

// ---- update lock and the display --------------------------------------------------------

void TCustomGtTree::SetUpdating(bool updating) {
    if (updating) {
        if (header_ != nullptr) header_->BeginUpdate();
        TGtTreeModel::SetUpdating(true);
    } else {
        // The header's lock goes last, also when the end-of-update work raises.
        struct HeaderUnlock {
            TCustomGtHeader* header;
            ~HeaderUnlock() noexcept(false) {
                if (header != nullptr && header->Updating()) header->EndUpdate();
            }
        } unlock{header_};
        if (UpdateCount() == 1) PruneSortSections();
        TGtTreeModel::SetUpdating(false);
    }
}

void TCustomGtTree::Remeasure() {
    if (!autoLineHeight_) return;
    const int h = DefaultLineHeight();
    if (h == LineHeight()) return;
    TGtTreeModel::SetLineHeight(h);
    Request(rfRowsStale | rfRepaintAll);
}

void TCustomGtTree::EndUpdate(TGtTreeModel&, TGtRefreshFlags refresh) {
    if (IsDestroying() || view_ == nullptr) return;
    if (autoLineHeight_) {
        const int h = DefaultLineHeight();
        if (h != LineHeight()) {
            TGtTreeModel::SetLineHeight(h);
            refresh |= rfRowsStale | rfRepaintAll;
        }
    }
    if ((refresh & rfContentWidth) != 0) view_->SetContentWidth(-1);
    if (!ShowColumns() && view_->ContentWidth() == -1) view_->UpdateContentWidth();
    if ((refresh & (rfAutoSizeAll | rfAutoSizeMain)) != 0) autoSizePending_ = true;
    const bool barsPossible = view_->HandleAllocated() && !IsLoading();
    if (barsPossible) UpdateScrollBars();
    if ((refresh & rfRowsStale) != 0 && view_->HandleAllocated())
        view_->ApplyTopIndex(view_->TopIndex());
    if (ShowColumns() && !IsVirtual() && autoSizePending_) {
        autoSizePending_ = false;
        AutoSizeAllColumns();
    }
    if (barsPossible) UpdateScrollBars();
    view_->FlushRedraw(refresh);
}

void TCustomGtTree::RedrawItem(TGtTreeItem* item, bool) {
    if (view_ != nullptr) view_->InvalidateRow(item, 0, -1);
}

void TCustomGtTree::RedrawItemPart(TGtTreeItem* item, bool, int left, int right) {
    if (view_ != nullptr) view_->InvalidateRow(item, left, right);
}

void TCustomGtTree::PaintNow() {
    if (view_ != nullptr && view_->HandleAllocated()) view_->Update();
}

void TCustomGtTree::ItemDeleted(TGtTreeItem* item) {
    if (view_ != nullptr) view_->ForgetInteraction(item);
    if (view_ != nullptr) view_->ForgetItem(item);
}

void TCustomGtTree::ClearDisplayedRows() {
    if (view_ != nullptr) view_->ClearRows();
}

int TCustomGtTree::MeasureCellSize(TGtTreeItem* item, int column) {
    gui::TPoint size;
    MeasureCellSize(item, column, size);
    return size.X;
}

TGtFontInfo TCustomGtTree::DefaultFont() const {
    const gui::TFont& font = *const_cast<TCustomGtTree*>(this)->Font();
    TGtFontInfo info;
    info.Name = font.Name();
    info.Size = font.Size();
    return info;
}

// ---- items and columns ------------------------------------------------------------------

TGtHeaderSections* TCustomGtTree::HeaderSections() const {
    return header_ != nullptr ? header_->Sections() : nullptr;
}

void TCustomGtTree::SetHeaderSections(TGtHeaderSections* value) {
    TGtTreeLock lock(*this);
    header_->SetSections(value);
    SetSections(header_->Sections());
    Request(rfRepaintRows);
}

void TCustomGtTree::SetShowColumns(bool value) {
    if (header_ == nullptr || value == ShowColumns()) return;
    if (value && !IsLoading() && SectionCount() == 0) return;
    TGtTreeLock lock(*this);
    TGtTreeModel::SetShowColumns(value);
    Request(rfCountStale | rfRowsStale | rfRepaintAll | (value ? 0 : rfContentWidth));
    UpdateLayout();
}

void TCustomGtTree::SetMainTreeColumn(int value) {
    if (value < 0) return;
    if (value >= SectionCount()) value = 0;
    if (value == MainTreeColumn()) return;
    TGtTreeLock lock(*this);
    TGtTreeModel::SetMainTreeColumn(value);
    Request(rfRepaintRows);
}

int TCustomGtTree::DefaultSectionWidth() const {
    return header_->DefaultWidth();
}
void TCustomGtTree::SetDefaultSectionWidth(int value) {
    header_->SetDefaultWidth(value);
}

void TCustomGtTree::SetSelectColumn(int value) {
    if (value == selectColumn_ || value < -1) return;
    if (value >= SectionCount() && !IsLoading()) return;
    if (rowSelect_) {
        selectColumn_ = value;
        return;
    }
    TGtTreeLock lock(*this);
    selectColumn_ = value;
    if (MultiSelect())
        Request(rfRepaintAll);
    else if (FocusedItem() != nullptr)
        FocusedItem()->RedrawItem(true);
}

// ---- rows, lines and buttons ------------------------------------------------------------

void TCustomGtTree::SetLineHeight(int value) {
    if (autoLineHeight_ && value != DefaultLineHeight()) return;
    if (value <= 0) value = DefaultLineHeight();
    if (value == LineHeight()) return;
    TGtTreeLock lock(*this);
    TGtTreeModel::SetLineHeight(value);
    Request(rfRowsStale | rfRepaintAll);
}

void TCustomGtTree::SetAutoLineHeight(bool value) {
    if (value == autoLineHeight_) return;
    TGtTreeLock lock(*this);
    autoLineHeight_ = value;
    if (value) TGtTreeModel::SetLineHeight(DefaultLineHeight());
    Request(rfRowsStale | rfRepaintAll);
}

void TCustomGtTree::SetItemIndent(int value) {
    if (value == itemIndent_) return;
    TGtTreeLock lock(*this);
    itemIndent_ = value;
    Remeasure();
    Request(rfRepaintAll | RowsWidthFlag());
}

void TCustomGtTree::SetLinesColor(TGtColor value) {
    if (showLines_)
        ChangeAll(linesColor_, value);
    else
        linesColor_ = value;
}

void TCustomGtTree::SetHorizontalLines(bool value) {
    if (value == horizontalLines_) return;
    TGtTreeLock lock(*this);
    horizontalLines_ = value;
    Remeasure();
    Request(rfRepaintRows);
}

void TCustomGtTree::SetHorzDivLinesColor(TGtColor value) {
    if (horizontalLines_)
        ChangeAll(horzDivLinesColor_, value);
    else
        horzDivLinesColor_ = value;
}

void TCustomGtTree::SetVertDivLinesColor(TGtColor value) {
    if (verticalLines_)
        ChangeAll(vertDivLinesColor_, value);
    else
        vertDivLinesColor_ = value;
}

void TCustomGtTree::SetBarStyle(bool value) {
    if (value == barStyle_) return;
    TGtTreeLock lock(*this);
    barStyle_ = value;
    if (value) {
        bkColor_ = 0xFF00000F;
        textColor_ = 0xFF000012;
        linesColor_ = 0xFF000010;
    }
    Remeasure();
    Request(rfRepaintAll);
}

void TCustomGtTree::SetStripedOddColor(TGtColor value) {
    if (stripedItems_)
        ChangeAll(stripedOddColor_, value);
    else
        stripedOddColor_ = value;
}

void TCustomGtTree::SetStripedEvenColor(TGtColor value) {
    if (stripedItems_)
        ChangeAll(stripedEvenColor_, value);
    else
        stripedEvenColor_ = value;
}

void TCustomGtTree::SetFilteredVisibility(bool value) {
    if (value == FilteredVisibility()) return;
    TGtTreeLock lock(*this);
    TGtTreeModel::SetFilteredVisibility(value);
    Request(RowsWidthFlag());
}

// ---- colours and appearance -------------------------------------------------------------

void TCustomGtTree::SetBkColor(TGtColor value) {
    Change(bkColor_, value, rfCountStale | rfRowsStale | rfRepaintAll);
}

void TCustomGtTree::SetTextColor(TGtColor value) {
    Change(textColor_, value, rfCountStale | rfRowsStale | rfRepaintAll);
}

void TCustomGtTree::SetHighlightAlphaLevel(int value) {
    if (value < 0 || value > 255) return;
    ChangeAll(highlightAlphaLevel_, value);
}

void TCustomGtTree::SetRowSelect(bool value) {
    if (value == rowSelect_) return;
    TGtTreeLock lock(*this);
    rowSelect_ = value;
    if (!value) FullRowSelect = false;
    Request(rfRowsStale | rfRepaintAll);
}

void TCustomGtTree::SetBorderStyle(gui::TBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomGtTree::SetUseXPThemes(bool value) {
    TGtXPThemedControl::SetUseXPThemes(value);
    if (horzBar_ != nullptr) horzBar_->SetUseXPThemes(value);
    if (vertBar_ != nullptr) vertBar_->SetUseXPThemes(value);
    if (header_ != nullptr) header_->SetUseXPThemes(value);
}

// ---- images and check boxes -------------------------------------------------------------

void TCustomGtTree::SetImageList(gui::TCustomImageList*& field, gui::TCustomImageList* value) {
    if (field == value) return;
    if (field != nullptr) {
        field->UnRegisterChanges(imageLink_.get());
        field->RemoveFreeNotification(this);
    }
    field = value;
    if (value != nullptr) {
        value->RegisterChanges(imageLink_.get());
        value->FreeNotification(this);
    }
    if (IsDestroying()) return;
    TGtTreeLock lock(*this);
    Remeasure();
    if (ShowColumns() && &field == &images_) {
        if (TGtHeaderSection* main = SectionByIndex(MainTreeColumn()); main && main->AutoSize())
            AutoSizeColumn(MainTreeColumn());
    }
    Request(rfRepaintRows | RowsWidthFlag());
}

void TCustomGtTree::SetImages(gui::TCustomImageList* value) {
    SetImageList(images_, value);
}
void TCustomGtTree::SetImages2(gui::TCustomImageList* value) {
    SetImageList(images2_, value);
}

void TCustomGtTree::SetShowImages(bool value) {
    if (value == showImages_) return;
    TGtTreeLock lock(*this);
    showImages_ = value;
    Remeasure();
    Request(rfRepaintRows | RowsWidthFlag());
}

void TCustomGtTree::SetShowCheckboxes(bool value) {
    if (value == ShowCheckboxes()) return;
    TGtTreeLock lock(*this);
    TGtTreeModel::SetShowCheckboxes(value);
    Remeasure();
    Request(rfRepaintAll | RowsWidthFlag());
}

// ---- selection and focus ----------------------------------------------------------------

void TCustomGtTree::SetMultiSelect(bool value) {
    if (value == MultiSelect()) return;
    TGtTreeLock lock(*this);
    TGtTreeModel::SetMultiSelect(value);
    Request(rfRepaintAll);
}

void TCustomGtTree::SetSelected(TGtTreeItem* item) {
    if (!MultiSelect())
        SetItemFocused(item);
    else
        SetCurrentItem(item);
}

void TCustomGtTree::SetExpandOnDblClick(bool value) {
    if (value)
        dblClickMode_ = dcmExpand;
    else if (dblClickMode_ == dcmExpand)
        dblClickMode_ = dcmNone;
}

bool TCustomGtTree::HasFocus() const {
    return view_ != nullptr && view_->HasFocus();
}

// ---- header and bars ---------------------------------------------------------------------

int TCustomGtTree::HeaderHeight() const {
    return header_->Height();
}

void TCustomGtTree::SetHeaderHeight(int value) {
    if (IsLoading() || ComponentState().Contains(runtime::csLoading)) {
        loadedHeaderHeight_ = value;
        return;
    }
    TGtTreeLock lock(*this);
    header_->SetHeight(value);
    UpdateLayout();
    Request(rfRowsStale | rfRepaintAll);
}

void TCustomGtTree::SetHeaderHotTrack(bool value) {
    headerHotTrack_ = value;
    header_->SetTracking(value);
}

TGtColor TCustomGtTree::HeaderColor() const {
    return gui::ColorValue(header_->Color());
}
void TCustomGtTree::SetHeaderColor(TGtColor value) {
    header_->SetColor(gui::MakeColor(value));
}
TGtColor TCustomGtTree::HeaderFilterColor() const {
    return gui::ColorValue(header_->FilterColor());
}
void TCustomGtTree::SetHeaderFilterColor(TGtColor value) {
    header_->SetFilterColor(gui::MakeColor(value));
}
TGtColor TCustomGtTree::HeaderActiveFilterColor() const {
    return gui::ColorValue(header_->ActiveFilterColor());
}
void TCustomGtTree::SetHeaderActiveFilterColor(TGtColor value) {
    header_->SetActiveFilterColor(gui::MakeColor(value));
}

void TCustomGtTree::SetHideHorzScrollBar(bool value) {
    if (value == hideHorzBar_) return;
    TGtTreeLock lock(*this);
    hideHorzBar_ = value;
    Request(rfCountStale | rfRowsStale | rfRepaintAll);
    UpdateLayout();
}

void TCustomGtTree::SetHideVertScrollBar(bool value) {
    if (value == hideVertBar_) return;
    TGtTreeLock lock(*this);
    hideVertBar_ = value;
    Request(rfCountStale | rfRowsStale | rfRepaintAll);
    UpdateLayout();
}

void TCustomGtTree::SetUseCustomScrollBars(bool value) {
    if (value == useCustomScrollBars_) return;
    useCustomScrollBars_ = value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomGtTree::SetForcedScrollBars(gui::TScrollStyle value) {
    if (value == forcedScrollBars_) return;
    forcedScrollBars_ = value;
    if (HandleAllocated() && !useCustomScrollBars_) RecreateWnd();
    TGtTreeLock lock(*this);
    Request(rfUpdatePending);
    UpdateLayout();
}

void TCustomGtTree::SetScrollbarOpposite(bool value) {
    if (value == scrollbarOpposite_) return;
    scrollbarOpposite_ = value;
    UpdateLayout();
}

int TCustomGtTree::LeftPosition() const {
    return view_->LeftPosition();
}
void TCustomGtTree::SetLeftPosition(int value) {
    view_->SetLeftPosition(value);
}
int TCustomGtTree::TopIndex() const {
    return view_->TopIndex();
}
void TCustomGtTree::SetTopIndex(int value) {
    view_->SetTopIndex(value);
}

TGtTreeItem* TCustomGtTree::GetTopItem() const {
    return Items().GetVisItem(TopIndex());
}

void TCustomGtTree::SetTopItem(TGtTreeItem* item) {
    if (item == nullptr) throw EGtTreeError("GtTree item not specified");
    SetTopIndex(item->VisIndex());
}

// ---- other operations -------------------------------------------------------------------

void TCustomGtTree::SaveStringsToStream(runtime::TStream& stream) const {
    std::string out;
    for (int i = 0; i < AllItems().Count(); ++i) {
        auto* item = static_cast<TGtTreeItem*>(AllItems().Get(i));
        out.assign(static_cast<size_t>(std::max(item->Level() - 1, 0)), ' ');
        out += runtime::WideToAnsi(item->Text());
        out += "\r\n";
        stream.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
    }
}

// ---- events -----------------------------------------------------------------------------

void TCustomGtTree::DoItemDraw(TGtTreeItem* item, gui::TCanvas* surface, const gui::TRect& r,
                               int sectionIndex) {
    if (OnItemDraw) OnItemDraw(this, item, surface, r, sectionIndex);
}

void TCustomGtTree::DoItemChecked(TGtTreeItem* item) {
    if (OnItemChecked) OnItemChecked(this, item);
}

void TCustomGtTree::DoAfterSelectionChange() {
    if (OnAfterSelectionChange) OnAfterSelectionChange(this);
}

int TCustomGtTree::DoItemPicDraw(TGtTreeItem* item) {
    int index = item->ImageIndex;
    if (OnItemPicDraw) OnItemPicDraw(this, item, index);
    return index;
}

int TCustomGtTree::DoItemPicDraw2(TGtTreeItem* item) {
    int index = item->ImageIndex2;
    if (OnItemPicDraw2) OnItemPicDraw2(this, item, index);
    return index;
}

void TCustomGtTree::DoItemPostDraw(gui::TCanvas* canvas, TGtTreeItem* item, const gui::TRect& r,
                                   bool& drawFocusRect) {
    if (OnItemPostDraw) OnItemPostDraw(this, canvas, item, r, drawFocusRect);
}

void TCustomGtTree::DoHotTrack(TGtTreeItem* oldItem, TGtTreeItem* newItem) {
    if (OnHotTrack) OnHotTrack(this, oldItem, newItem);
}

void TCustomGtTree::DoScroll(gui::TScrollBarKind kind, int code) {
    if (OnScroll) OnScroll(this, kind, code);
}

void TCustomGtTree::DoMeasureItemPart(TGtTreeItem* item, int partIndex, gui::TPoint& size) {
    if (OnMeasureItemPart) OnMeasureItemPart(this, item, partIndex, size);
}

void TCustomGtTree::DoHeaderColumnClick(int sectionIndex) {
    if (OnHeaderColumnClick) OnHeaderColumnClick(this, sectionIndex);
}

void TCustomGtTree::DoHeaderColumnResize(int sectionIndex) {
    if (OnHeaderColumnResize) OnHeaderColumnResize(this, sectionIndex);
}

void TCustomGtTree::DoHeaderColumnDraw(gui::TCanvas* canvas, TGtHeaderSection* section,
                                       const gui::TRect& r, bool pressed) {
    if (OnHeaderColumnDraw) OnHeaderColumnDraw(header_, canvas, section, r, pressed);
}

void TCustomGtTree::DoHeaderColumnMove(TGtHeaderSection* section, int oldPos, int newPos) {
    if (OnHeaderColumnMove) OnHeaderColumnMove(this, section, oldPos, newPos);
}

void TCustomGtTree::DoHeaderLookup(TGtHeaderSection* section, std::u16string& text) {
    if (OnHeaderLookup) OnHeaderLookup(this, section, text);
}

void TCustomGtTree::DoHeaderLookupDone(TGtHeaderSection* section, const std::u16string& text,
                                       bool accepted) {
    if (OnHeaderLookupDone) OnHeaderLookupDone(this, section, text, accepted);
}

void TCustomGtTree::DoHeaderSectionExpand(TGtHeaderSection* section) {
    if (OnHeaderSectionExpand) OnHeaderSectionExpand(this, section);
}

void TCustomGtTree::DoHeaderSectionCollapse(TGtHeaderSection* section) {
    if (OnHeaderSectionCollapse) OnHeaderSectionCollapse(this, section);
}

void TCustomGtTree::DoItemSelectedChange(TGtTreeItem* item) {
    if (IsDestroying()) return;
    TGtTreeModel::DoItemSelectedChange(item);
}

void TCustomGtTree::DoItemFocused() {
    if (IsDestroying()) return;
    TGtTreeModel::DoItemFocused();
}

// ---- the control window -----------------------------------------------------------------

GUI_BEGIN_MESSAGE_MAP(TCustomGtTree)
GUI_MESSAGE(WM_ERASEBKGND, WMEraseBkgnd)
GUI_MESSAGE(WM_SETFOCUS, WMSetFocus)
GUI_MESSAGE(WM_HSCROLL, WMScroll)
GUI_MESSAGE(WM_VSCROLL, WMScroll)
GUI_MESSAGE(gui::CM_FONTCHANGED, CMFontChanged)
GUI_MESSAGE(gui::CM_ENABLEDCHANGED, CMEnabledChanged)
GUI_MESSAGE(WM_NCCALCSIZE, WMNCCalcSize)
GUI_MESSAGE(WM_NCPAINT, WMNCPaint)
GUI_MESSAGE(WM_NCHITTEST, WMNCHitTest)
GUI_MESSAGE(WM_SYSCOLORCHANGE, WMSysColorChange)
GUI_MESSAGE(gui::CM_SYSCOLORCHANGE, WMSysColorChange)
GUI_END_MESSAGE_MAP

void TCustomGtTree::WMEraseBkgnd(gui::TMessage& msg) {
    msg.Result = 1;
}

void TCustomGtTree::WMSetFocus(gui::TMessage& msg) {
    DefaultHandler(msg);
    if (view_ == nullptr || !view_->CanFocus()) return;
    if (reinterpret_cast<HWND>(msg.WParam) == view_->WindowHandle()) {
        // Shift+Tab out of the view: on to the control before the tree.
        if (gui::TCustomForm* form = gui::GetParentForm(this)) form->SelectNext(this, false, true);
        return;
    }
    view_->SetFocus();
}

void TCustomGtTree::Resize() {
    TGtXPThemedControl::Resize();
    TGtTreeLock lock(*this);
    UpdateLayout();
    Request(rfUpdatePending);
}

void TCustomGtTree::WMScroll(gui::TMessage& msg) {
    const int code = LOWORD(msg.WParam);
    if (code > SB_ENDSCROLL) return;
    if (msg.Msg == WM_VSCROLL) {
        if (code == SB_ENDSCROLL) return;
        int pos = vertBar_->Position();
        if (!useCustomScrollBars_) {
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_RANGE | SIF_POS | SIF_TRACKPOS;
            GetScrollInfo(WindowHandle(), SB_VERT, &si);
            pos = code == SB_THUMBPOSITION || code == SB_THUMBTRACK ? si.nTrackPos : si.nPos;
        }
        int target = TopIndex();
        const int page = std::max(view_->GetVisibleRowCount() - 1, 1);
        switch (code) {
            case SB_LINEUP:
                --target;
                break;
            case SB_LINEDOWN:
                ++target;
                break;
            case SB_PAGEUP:
                target -= page;
                break;
            case SB_PAGEDOWN:
                target += page;
                break;
            case SB_TOP:
                target = 0;
                break;
            case SB_BOTTOM:
                target = TotalVisible();
                break;
            default:
                target = pos;
                break;
        }
        SetTopIndex(target);
    } else {
        int target = LeftPosition();
        switch (code) {
            case SB_LINEUP:
                target -= 10;
                break;
            case SB_LINEDOWN:
                target += 10;
                break;
            case SB_PAGEUP:
                target -= view_->ClientWidth();
                break;
            case SB_PAGEDOWN:
                target += view_->ClientWidth();
                break;
            case SB_TOP:
                target = 0;
                break;
            case SB_BOTTOM:
                target = view_->ContentWidth();
                break;
            case SB_ENDSCROLL:
                return;
            default:
                target = static_cast<int16_t>(HIWORD(msg.WParam));
                break;
        }
        SetLeftPosition(target);
    }
    msg.Result = 0;
}

void TCustomGtTree::CMFontChanged(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    if (header_ == nullptr) return;
    TGtTreeLock lock(*this);
    if (headerUseTreeFont_) {
        headerFont_->Assign(Font());
        ApplyHeaderFont();
    }
    Remeasure();
    Request(rfRepaintRows | RowsWidthFlag());
}

void TCustomGtTree::CMEnabledChanged(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    if (horzBar_ != nullptr) horzBar_->SetEnabled(Enabled());
    if (vertBar_ != nullptr) vertBar_->SetEnabled(Enabled());
}

void TCustomGtTree::Paint() {
    gui::TCanvas& canvas = Canvas();
    if (horzBarVisible_ && vertBarVisible_) {
        const gui::TRect corner{vertBar_->Left(), horzBar_->Top(),
                                vertBar_->Left() + vertBar_->Width(),
                                horzBar_->Top() + horzBar_->Height()};
        canvas.Brush().SetColor(gui::clBtnFace);
        canvas.FillRect(corner);
    }
}

}  // namespace controls::tree
