#include <algorithm>
#include <cstring>

#include "gui/comctrls.h"
#include "gui/geometry_win.h"
#include "gui/setfield.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

namespace {

UINT CheckState(bool checked) {
    return INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
}

void CheckIndex(int index, int count) {
    if (index < 0 || index >= count)
        throw runtime::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

// ---- columns -------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TListColumn, runtime::TCollectionItem)
RUNTIME_PROPERTY(Alignment, Alignment, SetAlignment).Default(taLeftJustify);
RUNTIME_PROPERTY(Caption, Caption, SetCaption);
RUNTIME_PROPERTY(Width, Width, SetWidth).Default(50);
RUNTIME_END_CLASS

void TListColumn::SetCaption(const std::string& value) {
    if (caption_ == value) return;
    caption_ = value;
    Changed(false);
}

int TListColumn::Width() const {
    auto* columns = static_cast<TListColumns*>(Collection());
    if (columns != nullptr && columns->View().HandleAllocated() &&
        columns->View().ViewStyle() == vsReport)
        return static_cast<int>(
            SendMessageW(columns->View().WindowHandle(), LVM_GETCOLUMNWIDTH, Index(), 0));
    return width_;
}

void TListColumn::SetWidth(int value) {
    width_ = value;
    Changed(false);
}

void TListColumn::SetAlignment(TAlignment value) {
    if (alignment_ == value) return;
    alignment_ = value;
    Changed(false);
}

void TListColumn::Assign(const runtime::TPersistent* source) {
    if (const auto* other = dynamic_cast<const TListColumn*>(source)) {
        caption_ = other->caption_;
        width_ = other->width_;
        alignment_ = other->alignment_;
        Changed(false);
        return;
    }
    TCollectionItem::Assign(source);
}

RUNTIME_BEGIN_CLASS(TListColumns, runtime::TCollection)
RUNTIME_END_CLASS

TListColumns::TListColumns(TListView& view)
    : TCollection(runtime::CollectionItemFactory<TListColumn>()), view_(view) {}

void TListColumns::Update(runtime::TCollectionItem*) {
    view_.UpdateColumns();
}

// ---- items ---------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TListItem, runtime::TPersistent)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TListItems, runtime::TPersistent)
RUNTIME_END_CLASS

int TListItem::Index() const {
    return owner_ != nullptr ? owner_->IndexOf(this) : -1;
}

void TListItem::Changed() {
    if (owner_ != nullptr) owner_->view_.ItemChanged(this);
}

void TListItem::SetCaption(const std::string& value) {
    caption_ = value;
    Changed();
}

void TListItem::SetImageIndex(int32_t value) {
    imageIndex_ = value;
    Changed();
}

bool TListItem::Checked() const {
    if (owner_ == nullptr) return checked_;
    const TListView& view = owner_->view_;
    const int index = Index();
    if (!view.HandleAllocated() || view.OwnerData() || index < 0) return checked_;
    const auto state = SendMessageW(view.WindowHandle(), LVM_GETITEMSTATE,
                                    static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK);
    return (state >> 12) == 2;
}

void TListItem::SetChecked(bool value) {
    checked_ = value;
    if (owner_ == nullptr) return;
    const TListView& view = owner_->view_;
    const int index = Index();
    if (!view.HandleAllocated() || view.OwnerData() || index < 0) return;
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = CheckState(value);
    SendMessageW(view.WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

int32_t TListItem::StateIndex() const {
    if (owner_ == nullptr) return stateIndex_;
    const TListView& view = owner_->view_;
    const int index = Index();
    if (!view.HandleAllocated() || view.OwnerData() || index < 0) return stateIndex_;
    const auto state = SendMessageW(view.WindowHandle(), LVM_GETITEMSTATE,
                                    static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK);
    return static_cast<int32_t>(state >> 12) - 1;
}

void TListItem::SetStateIndex(int32_t value) {
    stateIndex_ = value;
    if (owner_ == nullptr) return;
    const TListView& view = owner_->view_;
    const int index = Index();
    if (!view.HandleAllocated() || view.OwnerData() || index < 0) return;
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(std::max(0, value + 1));
    SendMessageW(view.WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

bool TListItem::EditCaption() {
    const int index = Index();
    if (owner_ == nullptr || index < 0) return false;
    TListView& view = owner_->view_;
    if (!view.HandleAllocated() || view.ReadOnly()) return false;
    SetFocus(view.WindowHandle());
    return SendMessageW(view.WindowHandle(), LVM_EDITLABELW, static_cast<WPARAM>(index), 0) != 0;
}

bool TListItem::Selected() const {
    const int index = Index();
    if (owner_ == nullptr || index < 0) return false;
    const TListView& view = owner_->view_;
    if (!view.HandleAllocated()) return view.selected_ == index;
    return (SendMessageW(view.WindowHandle(), LVM_GETITEMSTATE, static_cast<WPARAM>(index),
                         LVIS_SELECTED) &
            LVIS_SELECTED) != 0;
}

void TListItem::SetSelected(bool value) {
    const int index = Index();
    if (owner_ == nullptr || index < 0) return;
    TListView& view = owner_->view_;
    if (!view.HandleAllocated()) {
        if (value)
            view.selected_ = index;
        else if (view.selected_ == index)
            view.selected_ = -1;
        return;
    }
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = value ? LVIS_SELECTED : 0;
    SendMessageW(view.WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

bool TListItem::Focused() const {
    const int index = Index();
    if (owner_ == nullptr || index < 0 || !owner_->view_.HandleAllocated()) return false;
    return (SendMessageW(owner_->view_.WindowHandle(), LVM_GETITEMSTATE, static_cast<WPARAM>(index),
                         LVIS_FOCUSED) &
            LVIS_FOCUSED) != 0;
}

void TListItem::SetFocused(bool value) {
    const int index = Index();
    if (owner_ == nullptr || index < 0 || !owner_->view_.HandleAllocated()) return;
    LVITEMW item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = value ? LVIS_FOCUSED : 0;
    SendMessageW(owner_->view_.WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

void TListItem::MakeVisible() {
    const int index = Index();
    if (owner_ != nullptr && index >= 0 && owner_->view_.HandleAllocated())
        SendMessageW(owner_->view_.WindowHandle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(index),
                     FALSE);
}

void TListItem::Delete() {
    if (owner_ != nullptr) owner_->Delete(Index());
}

int TListItems::Count() const {
    return view_.OwnerData() ? virtualCount_ : static_cast<int>(items_.size());
}

void TListItems::SetCount(int value) {
    virtualCount_ = std::max(0, value);
    if (view_.OwnerData() && view_.HandleAllocated())
        SendMessageW(view_.WindowHandle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(virtualCount_), 0);
}

TListItem* TListItems::Item(int index) const {
    if (view_.OwnerData()) {
        CheckIndex(index, virtualCount_);
        return view_.DataItem(index);
    }
    CheckIndex(index, static_cast<int>(items_.size()));
    return items_[static_cast<size_t>(index)].get();
}

int TListItems::IndexOf(const TListItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
}

TListItem* TListItems::Add() {
    return Insert(static_cast<int>(items_.size()));
}

TListItem* TListItems::Insert(int index) {
    if (index < 0 || index > static_cast<int>(items_.size()))
        throw runtime::EListError("List index out of bounds (" + std::to_string(index) + ")");
    auto item = std::make_unique<TListItem>(this);
    TListItem* result = item.get();
    items_.insert(items_.begin() + index, std::move(item));
    if (view_.HandleAllocated() && !view_.OwnerData()) {
        LVITEMW lv{};
        lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        lv.iItem = index;
        lv.pszText = LPSTR_TEXTCALLBACKW;
        lv.iImage = I_IMAGECALLBACK;
        lv.lParam = reinterpret_cast<LPARAM>(result);
        SendMessageW(view_.WindowHandle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv));
        if (view_.Checkboxes()) result->SetChecked(false);
    }
    return result;
}

void TListItems::Delete(int index) {
    CheckIndex(index, static_cast<int>(items_.size()));
    if (view_.HandleAllocated())
        SendMessageW(view_.WindowHandle(), LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
    items_.erase(items_.begin() + index);
}

void TListItems::Clear() {
    if (view_.HandleAllocated()) SendMessageW(view_.WindowHandle(), LVM_DELETEALLITEMS, 0, 0);
    items_.clear();
    virtualCount_ = 0;
}

void TListItems::BeginUpdate() {
    view_.BeginRedrawLock();
}

void TListItems::EndUpdate() {
    view_.EndRedrawLock();
}

// ---- the view ------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TListView, TWinControl)
RUNTIME_PROPERTY(BorderStyle, BorderStyle, SetBorderStyle).Default(bsSingle);
RUNTIME_PROPERTY(Checkboxes, Checkboxes, SetCheckboxes).Default(false);
RUNTIME_PROPERTY(Color, Color, SetColor).Default(clWindow);
RUNTIME_READONLY(Columns, Columns);
RUNTIME_PROPERTY(GridLines, GridLines, SetGridLines).Default(false);
RUNTIME_PROPERTY(HideSelection, HideSelection, SetHideSelection).Default(true);
RUNTIME_PROPERTY(MultiSelect, MultiSelect, SetMultiSelect).Default(false);
RUNTIME_PROPERTY(OwnerData, OwnerData, SetOwnerData).Default(false);
RUNTIME_PROPERTY(ReadOnly, ReadOnly, SetReadOnly).Default(false);
RUNTIME_PROPERTY(RowSelect, RowSelect, SetRowSelect).Default(false);
RUNTIME_PROPERTY(ShowColumnHeaders, ShowColumnHeaders, SetShowColumnHeaders).Default(true);
RUNTIME_PROPERTY(SmallImages, SmallImages, SetSmallImages);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(true);
RUNTIME_PROPERTY(ViewStyle, ViewStyle, SetViewStyle).Default(vsIcon);
RUNTIME_FIELD(OnChange);
RUNTIME_FIELD(OnData);
RUNTIME_FIELD(OnSelectItem);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TListView)
GUI_MESSAGE(CN_NOTIFY, CNNotify)
GUI_END_MESSAGE_MAP

TListView::TListView(TComponent* owner)
    : TWinControl(owner),
      columns_(std::make_unique<TListColumns>(*this)),
      items_(std::make_unique<TListItems>(*this)) {
    // Clicks come from the control's notifications.
    SetControlStyle({});
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 250, 150);
}

TListView::~TListView() = default;

void TListView::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"SysListView32";
    static constexpr DWORD kViews[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    params.Style |= kViews[viewStyle_] | LVS_SHAREIMAGELISTS | WS_CLIPCHILDREN;
    if (!multiSelect_) params.Style |= LVS_SINGLESEL;
    if (ownerData_) params.Style |= LVS_OWNERDATA;
    if (!hideSelection_) params.Style |= LVS_SHOWSELALWAYS;
    if (!showColumnHeaders_) params.Style |= LVS_NOCOLUMNHEADER;
    if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListView::CreateHandleDone() {
    UpdateExStyle();
    if (smallImages_ != nullptr)
        SendMessageW(WindowHandle(), LVM_SETIMAGELIST, LVSIL_SMALL,
                     reinterpret_cast<LPARAM>(smallImages_->Handle()));
    UpdateColumns();
    UpdateItems();
}

void TListView::DestroyWnd() {
    // The window keeps the check marks; the items keep them across a new window.
    if (!ownerData_) {
        for (auto& item : items_->items_) item->checked_ = item->Checked();
        selected_ = -1;
        if (TListItem* s = Selected()) selected_ = s->Index();
    }
    TWinControl::DestroyWnd();
}

void TListView::UpdateExStyle() {
    if (!HandleAllocated()) return;
    DWORD ex = LVS_EX_LABELTIP;
    if (checkboxes_) ex |= LVS_EX_CHECKBOXES;
    if (rowSelect_) ex |= LVS_EX_FULLROWSELECT;
    if (gridLines_) ex |= LVS_EX_GRIDLINES;
    SendMessageW(WindowHandle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, ex);
}

void TListView::UpdateColumns() {
    if (!HandleAllocated()) return;
    HWND window = WindowHandle();
    while (SendMessageW(window, LVM_DELETECOLUMN, 0, 0)) {
    }
    static constexpr int kAlign[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
    for (int i = 0; i < columns_->Count(); ++i) {
        TListColumn* column = columns_->Items(i);
        std::u16string text = runtime::AnsiToWide(column->caption_);
        LVCOLUMNW lv{};
        lv.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        lv.fmt = i == 0 ? LVCFMT_LEFT : kAlign[column->alignment_];
        lv.cx = column->width_;
        lv.pszText = reinterpret_cast<wchar_t*>(text.data());
        lv.iSubItem = i;
        SendMessageW(window, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&lv));
    }
}

void TListView::UpdateItems() {
    if (!HandleAllocated()) return;
    HWND window = WindowHandle();
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    SendMessageW(window, LVM_DELETEALLITEMS, 0, 0);
    if (ownerData_) {
        SendMessageW(window, LVM_SETITEMCOUNT, static_cast<WPARAM>(items_->virtualCount_), 0);
    } else {
        for (size_t i = 0; i < items_->items_.size(); ++i) {
            TListItem* item = items_->items_[i].get();
            LVITEMW lv{};
            lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
            lv.iItem = static_cast<int>(i);
            lv.pszText = LPSTR_TEXTCALLBACKW;
            lv.iImage = I_IMAGECALLBACK;
            lv.lParam = reinterpret_cast<LPARAM>(item);
            SendMessageW(window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv));
            if (checkboxes_) item->SetChecked(item->checked_);
        }
        if (selected_ >= 0 && selected_ < static_cast<int>(items_->items_.size()))
            items_->items_[static_cast<size_t>(selected_)]->SetSelected(true);
    }
    SendMessageW(window, WM_SETREDRAW, !RedrawLocked(), 0);
}

void TListView::ItemChanged(TListItem* item) {
    const int index = item->Index();
    if (HandleAllocated() && index >= 0)
        SendMessageW(WindowHandle(), LVM_UPDATE, static_cast<WPARAM>(index), 0);
}

TListItem* TListView::DataItem(int index) const {
    if (!dataItem_) dataItem_ = std::make_unique<TListItem>(nullptr);
    TListItem& item = *dataItem_;
    item.caption_.clear();
    item.subItems_->Clear();
    item.checked_ = false;
    item.imageIndex_ = -1;
    item.data_ = reinterpret_cast<void*>(static_cast<intptr_t>(index));
    OnData(const_cast<TListView*>(this), &item);
    return &item;
}

void TListView::SetViewStyle(TViewStyle value) {
    SetField(viewStyle_, value, [this] { RecreateWnd(); });
}
void TListView::SetMultiSelect(bool value) {
    SetField(multiSelect_, value, [this] { RecreateWnd(); });
}
void TListView::SetHideSelection(bool value) {
    SetField(hideSelection_, value, [this] { RecreateWnd(); });
}
void TListView::SetShowColumnHeaders(bool value) {
    SetField(showColumnHeaders_, value, [this] { RecreateWnd(); });
}
void TListView::SetBorderStyle(TBorderStyle value) {
    SetField(borderStyle_, value, [this] { RecreateWnd(); });
}

void TListView::SetOwnerData(bool value) {
    if (ownerData_ == value) return;
    items_->Clear();
    ownerData_ = value;
    RecreateWnd();
}

void TListView::SetCheckboxes(bool value) {
    checkboxes_ = value;
    UpdateExStyle();
}

void TListView::SetRowSelect(bool value) {
    rowSelect_ = value;
    UpdateExStyle();
}

void TListView::SetGridLines(bool value) {
    gridLines_ = value;
    UpdateExStyle();
}

void TListView::SetSmallImages(TCustomImageList* value) {
    if (smallImages_ != nullptr) smallImages_->RemoveFreeNotification(this);
    smallImages_ = value;
    if (value != nullptr) value->FreeNotification(this);
    if (HandleAllocated())
        SendMessageW(WindowHandle(), LVM_SETIMAGELIST, LVSIL_SMALL,
                     reinterpret_cast<LPARAM>(value != nullptr ? value->Handle() : nullptr));
}

void TListView::Notification(TComponent* component, runtime::TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == runtime::opRemove && component == smallImages_) SetSmallImages(nullptr);
}

TListItem* TListView::Selected() const {
    if (!HandleAllocated())
        return selected_ >= 0 && selected_ < items_->Count() ? items_->Item(selected_) : nullptr;
    const auto index = static_cast<int>(
        SendMessageW(WindowHandle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return index >= 0 ? items_->Item(index) : nullptr;
}

void TListView::SetSelected(TListItem* item) {
    if (HandleAllocated()) {
        LVITEMW none{};
        none.stateMask = LVIS_SELECTED;
        SendMessageW(WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&none));
    } else {
        selected_ = -1;
    }
    if (item != nullptr) item->SetSelected(true);
}

TListItem* TListView::ItemFocused() const {
    if (!HandleAllocated()) return nullptr;
    const auto index = static_cast<int>(
        SendMessageW(WindowHandle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    return index >= 0 ? items_->Item(index) : nullptr;
}

int TListView::SelCount() const {
    if (!HandleAllocated()) return selected_ >= 0 ? 1 : 0;
    return static_cast<int>(SendMessageW(WindowHandle(), LVM_GETSELECTEDCOUNT, 0, 0));
}

TListItem* TListView::GetNextSelected(const TListItem* start) const {
    if (!HandleAllocated()) return start == nullptr ? Selected() : nullptr;
    const int from = start != nullptr ? start->Index() : -1;
    const auto index = static_cast<int>(
        SendMessageW(WindowHandle(), LVM_GETNEXTITEM, static_cast<WPARAM>(from), LVNI_SELECTED));
    return index >= 0 ? items_->Item(index) : nullptr;
}

TListItem* TListView::ItemAt(int x, int y) const {
    if (!HandleAllocated()) return nullptr;
    LVHITTESTINFO hit{};
    hit.pt = {x, y};
    const auto index = static_cast<int>(
        SendMessageW(WindowHandle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return index >= 0 && (hit.flags & LVHT_ONITEM) != 0 ? items_->Item(index) : nullptr;
}

void TListView::CNNotify(TMessage& msg) {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.LParam);
    switch (header->code) {
        case LVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(msg.LParam);
            LVITEMW& lv = info->item;
            const int count = items_->Count();
            if (lv.iItem < 0 || lv.iItem >= count) return;
            TListItem* item = ownerData_ ? DataItem(lv.iItem)
                                         : items_->items_[static_cast<size_t>(lv.iItem)].get();
            if ((lv.mask & LVIF_TEXT) != 0 && lv.cchTextMax > 0) {
                std::string text;
                if (lv.iSubItem == 0)
                    text = item->caption_;
                else if (lv.iSubItem - 1 < item->subItems_->Count())
                    text = item->subItems_->Strings(lv.iSubItem - 1);
                const std::u16string wide = runtime::AnsiToWide(text);
                const size_t n =
                    std::min<size_t>(wide.size(), static_cast<size_t>(lv.cchTextMax - 1));
                std::memcpy(lv.pszText, wide.data(), n * sizeof(char16_t));
                lv.pszText[n] = L'\0';
            }
            if ((lv.mask & LVIF_IMAGE) != 0) lv.iImage = item->imageIndex_;
            if (ownerData_ && (lv.mask & LVIF_STATE) != 0 && checkboxes_) {
                lv.stateMask |= LVIS_STATEIMAGEMASK;
                lv.state = (lv.state & ~LVIS_STATEIMAGEMASK) | CheckState(item->checked_);
            }
            break;
        }
        case LVN_ITEMCHANGED: {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(msg.LParam);
            if ((change->uChanged & LVIF_STATE) == 0 || change->iItem < 0 ||
                change->iItem >= items_->Count())
                return;
            TListItem* item = items_->Item(change->iItem);
            if (((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) != 0 &&
                (change->uOldState & LVIS_STATEIMAGEMASK) != 0)
                OnChange(this, item, ctState);
            if (((change->uNewState ^ change->uOldState) & LVIS_SELECTED) != 0)
                OnSelectItem(this, item, (change->uNewState & LVIS_SELECTED) != 0);
            break;
        }
        case NM_DBLCLK:
            DblClick();
            break;
        case NM_CLICK:
            Click();
            break;
        default:
            break;
    }
}

}  // namespace gui
