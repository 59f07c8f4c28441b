#include "ui/tree_standin.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "gui/geometry_win.h"
#include "gui/graphics.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace ui {

namespace {

// The list view's state image of a check box.
UINT CheckState(bool checked) {
    return INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
}

bool IsChecked(UINT state) {
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

}  // namespace

// ---- TTreeSection --------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TTreeSection, runtime::TCollectionItem)
RUNTIME_PROPERTY(AllowResize, AllowResize, SetAllowResize).Default(true);
RUNTIME_PROPERTY(Text, Text, SetText);
RUNTIME_PROPERTY(Width, Width, SetWidth).Default(80);
RUNTIME_END_CLASS

TTreeStandIn* TTreeSection::Tree() const {
    auto* sections = static_cast<TTreeSections*>(Collection());
    return sections != nullptr ? &sections->Tree() : nullptr;
}

void TTreeSection::SetText(const std::string& value) {
    if (text_ == value) return;
    text_ = value;
    Changed(false);
}

int TTreeSection::Width() const {
    TTreeStandIn* tree = Tree();
    if (tree != nullptr && tree->HandleAllocated() && Index() >= 0) {
        const auto width = static_cast<int>(
            SendMessageW(tree->WindowHandle(), LVM_GETCOLUMNWIDTH, Index(), 0));
        if (width > 0) return width;
    }
    return width_;
}

void TTreeSection::SetWidth(int value) {
    value = std::max(0, value);
    width_ = value;
    TTreeStandIn* tree = Tree();
    if (tree != nullptr && tree->HandleAllocated() && Index() >= 0)
        SendMessageW(tree->WindowHandle(), LVM_SETCOLUMNWIDTH, Index(), MAKELPARAM(value, 0));
}

void TTreeSection::Assign(const runtime::TPersistent* source) {
    if (const auto* other = dynamic_cast<const TTreeSection*>(source)) {
        text_ = other->text_;
        width_ = other->Width();
        allowResize_ = other->allowResize_;
        Changed(false);
        return;
    }
    TCollectionItem::Assign(source);
}

TTreeSections::TTreeSections(TTreeStandIn& tree)
    : TCollection(runtime::CollectionItemFactory<TTreeSection>()), tree_(tree) {}

void TTreeSections::Update(runtime::TCollectionItem* item) {
    if (auto* section = dynamic_cast<TTreeSection*>(item))
        tree_.SectionChanged(*section);
    else
        tree_.UpdateSections();
}

// ---- TTreeItem -----------------------------------------------------------------------------

bool TTreeItem::OwnerDraw(int section) const {
    return section >= 0 && section < 32 && (ownerDraw_ & (1u << section)) != 0;
}

void TTreeItem::SetOwnerDraw(int section, bool value) {
    if (section < 0 || section >= 32) return;
    if (value)
        ownerDraw_ |= 1u << section;
    else
        ownerDraw_ &= ~(1u << section);
}

// ---- TTreeStandIn --------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TTreeStandIn, gui::TWinControl)
RUNTIME_PROPERTY(MultiSelect, MultiSelect, SetMultiSelect).Default(false);
RUNTIME_READONLY(Sections, Sections);
RUNTIME_PROPERTY(ShowCheckboxes, ShowCheckboxes, SetShowCheckboxes).Default(true);
RUNTIME_PROPERTY(ShowHeader, ShowHeader, SetShowHeader).Default(true);
RUNTIME_PROPERTY(StripeColor, StripeColor, SetStripeColor).Default(gui::RGBColor(240, 240, 240));
RUNTIME_PROPERTY(StripedItems, StripedItems, SetStripedItems).Default(false);
RUNTIME_FIELD(OnItemChecked);
RUNTIME_FIELD(OnItemSelectedChange);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TTreeStandIn)
GUI_MESSAGE(gui::CN_NOTIFY, CNNotify)
GUI_MESSAGE(WM_NOTIFY, WMNotify)
GUI_END_MESSAGE_MAP

TTreeStandIn::TTreeStandIn(runtime::TComponent* owner)
    : TWinControl(owner),
      sections_(std::make_unique<TTreeSections>(*this)),
      cellCanvas_(std::make_unique<gui::TCanvas>()),
      boldFont_(std::make_unique<gui::TFont>()) {
    SetControlStyle({});
    SetColor(gui::clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 200, 150);
}

TTreeStandIn::~TTreeStandIn() = default;

void TTreeStandIn::CreateParams(gui::TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"SysListView32";
    params.Style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_CLIPCHILDREN;
    if (!multiSelect_) params.Style |= LVS_SINGLESEL;
    if (!showHeader_) params.Style |= LVS_NOCOLUMNHEADER;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTreeStandIn::CreateHandleDone() {
    UpdateExStyle();
    UpdateSections();
    UpdateRows();
}

void TTreeStandIn::DestroyWnd() {
    // The window keeps the widths the user dragged and the selection.
    for (int i = 0; i < sections_->Count(); ++i)
        sections_->Items(i)->width_ = sections_->Items(i)->Width();
    selectedSaved_.assign(items_.size(), false);
    for (const auto& item : items_) selectedSaved_[static_cast<size_t>(item->index_)] = IsSelected(*item);
    TWinControl::DestroyWnd();
}

void TTreeStandIn::UpdateExStyle() {
    if (!HandleAllocated()) return;
    DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP | LVS_EX_DOUBLEBUFFER;
    if (showCheckboxes_) ex |= LVS_EX_CHECKBOXES;
    SendMessageW(WindowHandle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, ex);
}

void TTreeStandIn::UpdateSections() {
    if (!HandleAllocated()) return;
    HWND window = WindowHandle();
    while (SendMessageW(window, LVM_DELETECOLUMN, 0, 0)) {
    }
    for (int i = 0; i < sections_->Count(); ++i) {
        TTreeSection* section = sections_->Items(i);
        std::u16string text = runtime::AnsiToWide(section->text_);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = section->width_;
        column.pszText = reinterpret_cast<wchar_t*>(text.data());
        column.iSubItem = i;
        SendMessageW(window, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
}

void TTreeStandIn::SectionChanged(TTreeSection& section) {
    if (!HandleAllocated()) return;
    std::u16string text = runtime::AnsiToWide(section.text_);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = reinterpret_cast<wchar_t*>(text.data());
    SendMessageW(WindowHandle(), LVM_SETCOLUMNW, static_cast<WPARAM>(section.Index()),
                 reinterpret_cast<LPARAM>(&column));
}

int TTreeStandIn::SectionWidth(int index) const {
    return sections_->Items(index)->Width();
}

void TTreeStandIn::SetSectionWidth(int index, int width) {
    sections_->Items(index)->SetWidth(width);
}

void TTreeStandIn::UpdateRows() {
    if (!HandleAllocated() || updates_ > 0) return;
    HWND window = WindowHandle();
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    SendMessageW(window, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(window, LVM_SETITEMCOUNT, items_.size(), LVSICF_NOINVALIDATEALL);
    for (const auto& item : items_) {
        InsertRow(*item);
        if (static_cast<size_t>(item->index_) < selectedSaved_.size() &&
            selectedSaved_[static_cast<size_t>(item->index_)]) {
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED;
            state.state = LVIS_SELECTED;
            SendMessageW(window, LVM_SETITEMSTATE, static_cast<WPARAM>(item->index_),
                         reinterpret_cast<LPARAM>(&state));
        }
    }
    selectedSaved_.clear();
    SendMessageW(window, WM_SETREDRAW, !RedrawLocked(), 0);
    InvalidateRect(window, nullptr, TRUE);
}

void TTreeStandIn::InsertRow(TTreeItem& item) {
    LVITEMW row{};
    row.mask = LVIF_TEXT | LVIF_PARAM;
    row.iItem = item.index_;
    row.pszText = LPSTR_TEXTCALLBACKW;
    row.lParam = reinterpret_cast<LPARAM>(&item);
    ++settingChecks_;
    SendMessageW(WindowHandle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
    // The list view starts every row unchecked, whatever it is given.
    if (showCheckboxes_ && item.checked_) {
        LVITEMW state{};
        state.stateMask = LVIS_STATEIMAGEMASK;
        state.state = CheckState(true);
        SendMessageW(WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(item.index_),
                     reinterpret_cast<LPARAM>(&state));
    }
    --settingChecks_;
}

void TTreeStandIn::BeginUpdate() {
    ++updates_;
}

void TTreeStandIn::EndUpdate() {
    if (updates_ == 0) return;
    if (--updates_ == 0) UpdateRows();
}

void TTreeStandIn::Clear() {
    selectedSaved_.clear();
    items_.clear();
    if (HandleAllocated() && updates_ == 0) {
        SendMessageW(WindowHandle(), LVM_DELETEALLITEMS, 0, 0);
    } else if (HandleAllocated()) {
        // The rows go at the end of the update; until then nothing may ask
        // for the texts of rows that are gone.
        SendMessageW(WindowHandle(), WM_SETREDRAW, FALSE, 0);
        SendMessageW(WindowHandle(), LVM_DELETEALLITEMS, 0, 0);
    }
}

TTreeItem& TTreeStandIn::AddItem(std::u16string text, void* data) {
    auto item = std::make_unique<TTreeItem>();
    item->Text = std::move(text);
    item->Data = data;
    item->index_ = static_cast<int>(items_.size());
    TTreeItem& added = *item;
    items_.push_back(std::move(item));
    if (HandleAllocated() && updates_ == 0) InsertRow(added);
    return added;
}

TTreeItem* TTreeStandIn::ItemOfIndex(int index) const {
    return index >= 0 && index < ItemCount() ? items_[static_cast<size_t>(index)].get() : nullptr;
}

void TTreeStandIn::SetChecked(TTreeItem& item, bool value) {
    item.checked_ = value;
    if (!HandleAllocated() || updates_ > 0 || !showCheckboxes_) return;
    LVITEMW state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = CheckState(value);
    ++settingChecks_;
    SendMessageW(WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(item.index_),
                 reinterpret_cast<LPARAM>(&state));
    --settingChecks_;
}

void TTreeStandIn::ItemChanged(const TTreeItem& item) {
    if (HandleAllocated() && updates_ == 0)
        SendMessageW(WindowHandle(), LVM_REDRAWITEMS, item.index_, item.index_);
}

TTreeItem* TTreeStandIn::Selected() const {
    return GetNextSelected(nullptr);
}

void TTreeStandIn::SetSelected(TTreeItem* item) {
    if (!HandleAllocated()) {
        selectedSaved_.assign(items_.size(), false);
        if (item != nullptr) selectedSaved_[static_cast<size_t>(item->index_)] = true;
        return;
    }
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&none));
    if (item == nullptr) return;
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(item->index_),
                 reinterpret_cast<LPARAM>(&state));
}

int TTreeStandIn::SelectedCount() const {
    if (!HandleAllocated())
        return static_cast<int>(std::count(selectedSaved_.begin(), selectedSaved_.end(), true));
    return static_cast<int>(SendMessageW(WindowHandle(), LVM_GETSELECTEDCOUNT, 0, 0));
}

bool TTreeStandIn::IsSelected(const TTreeItem& item) const {
    if (!HandleAllocated())
        return static_cast<size_t>(item.index_) < selectedSaved_.size() &&
               selectedSaved_[static_cast<size_t>(item.index_)];
    return (SendMessageW(WindowHandle(), LVM_GETITEMSTATE, static_cast<WPARAM>(item.index_),
                         LVIS_SELECTED) &
            LVIS_SELECTED) != 0;
}

TTreeItem* TTreeStandIn::GetNextSelected(const TTreeItem* item) const {
    const int from = item != nullptr ? item->index_ : -1;
    if (!HandleAllocated()) {
        for (size_t i = static_cast<size_t>(from + 1); i < selectedSaved_.size(); ++i)
            if (selectedSaved_[i]) return ItemOfIndex(static_cast<int>(i));
        return nullptr;
    }
    const auto index = static_cast<int>(SendMessageW(WindowHandle(), LVM_GETNEXTITEM,
                                                     static_cast<WPARAM>(from), LVNI_SELECTED));
    return ItemOfIndex(index);
}

void TTreeStandIn::MakeVisible(const TTreeItem& item) {
    if (HandleAllocated())
        SendMessageW(WindowHandle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(item.index_), FALSE);
}

TTreeItem* TTreeStandIn::ItemAt(int x, int y) const {
    if (!HandleAllocated()) return nullptr;
    LVHITTESTINFO hit{};
    hit.pt = {x, y};
    const auto index =
        static_cast<int>(SendMessageW(WindowHandle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return (hit.flags & LVHT_ONITEM) != 0 ? ItemOfIndex(index) : nullptr;
}

int TTreeStandIn::VertScrollBarWidth() const {
    if (!HandleAllocated()) return 0;
    const auto style = GetWindowLongPtrW(WindowHandle(), GWL_STYLE);
    return (style & WS_VSCROLL) != 0 ? GetSystemMetrics(SM_CXVSCROLL) : 0;
}

void TTreeStandIn::SetShowCheckboxes(bool value) {
    if (showCheckboxes_ == value) return;
    showCheckboxes_ = value;
    UpdateExStyle();
    UpdateRows();
}

void TTreeStandIn::SetMultiSelect(bool value) {
    if (multiSelect_ == value) return;
    multiSelect_ = value;
    RecreateWnd();
}

void TTreeStandIn::SetShowHeader(bool value) {
    if (showHeader_ == value) return;
    showHeader_ = value;
    RecreateWnd();
}

void TTreeStandIn::SetStripedItems(bool value) {
    if (stripedItems_ == value) return;
    stripedItems_ = value;
    Invalidate();
}

void TTreeStandIn::SetStripeColor(gui::TColor value) {
    if (stripeColor_ == value) return;
    stripeColor_ = value;
    Invalidate();
}

gui::TColor TTreeStandIn::RowColor(const TTreeItem& item) const {
    if (IsSelected(item)) return gui::clHighlight;
    return stripedItems_ && item.index_ % 2 == 1 ? stripeColor_ : gui::clWindow;
}

// ---- notifications -------------------------------------------------------------------------

void TTreeStandIn::WMNotify(gui::TMessage& msg) {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.LParam);
    const HWND headerWindow =
        HandleAllocated() ? reinterpret_cast<HWND>(SendMessageW(WindowHandle(), LVM_GETHEADER, 0, 0))
                          : nullptr;
    if (header->hwndFrom == headerWindow &&
        (header->code == HDN_BEGINTRACKW || header->code == HDN_BEGINTRACKA ||
         header->code == HDN_DIVIDERDBLCLICKW || header->code == HDN_DIVIDERDBLCLICKA)) {
        const int section = reinterpret_cast<const NMHEADERW*>(msg.LParam)->iItem;
        if (section >= 0 && section < SectionCount() && !sections_->Items(section)->AllowResize()) {
            msg.Result = TRUE;
            return;
        }
    }
    GUI_INHERITED(msg);
}

void TTreeStandIn::CNNotify(gui::TMessage& msg) {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.LParam);
    switch (header->code) {
        case LVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(msg.LParam);
            LVITEMW& row = info->item;
            TTreeItem* item = ItemOfIndex(row.iItem);
            if (item == nullptr || (row.mask & LVIF_TEXT) == 0 || row.cchTextMax <= 0) return;
            const std::u16string* text = nullptr;
            static const std::u16string empty;
            if (row.iSubItem == 0)
                text = &item->Text;
            else if (static_cast<size_t>(row.iSubItem - 1) < item->ColumnText.size() &&
                     !item->OwnerDraw(row.iSubItem))
                text = &item->ColumnText[static_cast<size_t>(row.iSubItem - 1)];
            else
                text = &empty;
            const size_t n = std::min<size_t>(text->size(), static_cast<size_t>(row.cchTextMax - 1));
            std::memcpy(row.pszText, text->data(), n * sizeof(char16_t));
            row.pszText[n] = L'\0';
            break;
        }
        case LVN_ITEMCHANGED:
            ItemStateChanged(*reinterpret_cast<const NMLISTVIEW*>(msg.LParam));
            break;
        case NM_CUSTOMDRAW:
            msg.Result = CustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(msg.LParam));
            break;
        case NM_CLICK:
            Click();
            break;
        case NM_DBLCLK:
            DblClick();
            break;
        default:
            break;
    }
}

void TTreeStandIn::ItemStateChanged(const NMLISTVIEW& change) {
    if ((change.uChanged & LVIF_STATE) == 0) return;
    TTreeItem* item = ItemOfIndex(change.iItem);
    if (item == nullptr) return;
    const UINT changed = change.uNewState ^ change.uOldState;
    // The first state image is the list view's own start, not a toggle.
    if ((changed & LVIS_STATEIMAGEMASK) != 0 && (change.uOldState & LVIS_STATEIMAGEMASK) != 0 &&
        (change.uNewState & LVIS_STATEIMAGEMASK) != 0) {
        const bool checked = IsChecked(change.uNewState);
        if (item->checked_ != checked) {
            item->checked_ = checked;
            if (settingChecks_ == 0) OnItemChecked(this, item);
        }
    }
    if ((changed & LVIS_SELECTED) != 0 && (change.uNewState & LVIS_SELECTED) != 0)
        OnItemSelectedChange(this, item);
}

LRESULT TTreeStandIn::CustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            TTreeItem* item = ItemOfIndex(static_cast<int>(draw.nmcd.dwItemSpec));
            if (item == nullptr) return CDRF_DODEFAULT;
            if (stripedItems_) draw.clrTextBk = gui::ColorToRGB(RowColor(*item));
            LRESULT result = CDRF_NOTIFYSUBITEMDRAW;
            if (item->Bold) {
                // The row's font, made bold; the list view selects its own
                // back after the row.
                boldFont_->Assign(Font());
                boldFont_->SetStyle(boldFont_->Style() + gui::TFontStyles{gui::fsBold});
                SelectObject(draw.nmcd.hdc, boldFont_->Handle());
                result |= CDRF_NEWFONT;
            }
            if ((draw.nmcd.dwDrawStage & CDDS_SUBITEM) != 0 && item->OwnerDraw(draw.iSubItem) &&
                OnItemDraw && updates_ == 0) {
                DrawOwnerCell(draw, *item, draw.iSubItem);
                return CDRF_SKIPDEFAULT;
            }
            return result;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

void TTreeStandIn::DrawOwnerCell(NMLVCUSTOMDRAW& draw, TTreeItem& item, int section) {
    RECT cell{};
    cell.top = section;
    cell.left = LVIR_BOUNDS;
    SendMessageW(WindowHandle(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(item.index_),
                 reinterpret_cast<LPARAM>(&cell));
    const gui::TRect rect = gui::ToTRect(cell);
    gui::TCanvas& canvas = *cellCanvas_;
    const int saved = SaveDC(draw.nmcd.hdc);
    canvas.SetHandle(draw.nmcd.hdc);
    try {
        canvas.Font().Assign(Font());
        // The canvas serves every cell: the last cell's drawing may have
        // left its brush clear, which would leave this one unpainted.
        canvas.Brush().SetStyle(gui::bsSolid);
        canvas.Brush().SetColor(RowColor(item));
        canvas.FillRect(rect);
        canvas.Font().SetColor(IsSelected(item) ? gui::clHighlightText : Font()->Color());
        OnItemDraw(this, &item, section, rect, canvas);
    } catch (...) {
        canvas.SetHandle(nullptr);
        RestoreDC(draw.nmcd.hdc, saved);
        throw;
    }
    canvas.SetHandle(nullptr);
    RestoreDC(draw.nmcd.hdc, saved);
}

}  // namespace ui
