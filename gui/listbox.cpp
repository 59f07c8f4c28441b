#include <algorithm>

#include "gui/stdctrls.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

// ---- TControlStrings ----------------------------------------------------------------------------

void TControlStrings::InsertItem(int index, std::string_view s, runtime::TObject* object) {
    TStringList::InsertItem(index, s, object);
    sink_.ItemInserted(index, std::string(s));
}

void TControlStrings::Put(int index, std::string_view s) {
    TStringList::Put(index, s);
    sink_.ItemDeleted(index);
    sink_.ItemInserted(index, std::string(s));
}

void TControlStrings::Delete(int index) {
    TStringList::Delete(index);
    sink_.ItemDeleted(index);
}

void TControlStrings::Clear() {
    TStringList::Clear();
    sink_.ItemsReset();
}

void TControlStrings::Exchange(int index1, int index2) {
    TStringList::Exchange(index1, index2);
    sink_.ItemsReset();
}

void TControlStrings::Move(int curIndex, int newIndex) {
    TStringList::Move(curIndex, newIndex);
    sink_.ItemsReset();
}

void TControlStrings::Sort() {
    TStringList::Sort();
    sink_.ItemsReset();
}

void TControlStrings::CustomSort(const runtime::TStringListSortCompare& compare) {
    TStringList::CustomSort(compare);
    sink_.ItemsReset();
}

// ---- TCustomListBox ------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TCustomListBox, TWinControl)
RUNTIME_PROPERTY(BorderStyle, BorderStyle, SetBorderStyle).Default(bsSingle);
RUNTIME_PROPERTY(Color, Color, SetColor).Default(clWindow);
RUNTIME_READONLY(Items, Items);
RUNTIME_PROPERTY(ItemIndex, ItemIndex, SetItemIndex).Default(-1);
RUNTIME_PROPERTY(MultiSelect, MultiSelect, SetMultiSelect).Default(false);
RUNTIME_PROPERTY(Sorted, Sorted, SetSorted).Default(false);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(true);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TCustomListBox)
GUI_MESSAGE(CN_COMMAND, CNCommand)
GUI_END_MESSAGE_MAP

RUNTIME_BEGIN_CLASS(TListBox, TCustomListBox)
RUNTIME_END_CLASS

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner),
      items_(std::make_unique<TControlStrings>(*static_cast<TControlStrings::Sink*>(this))) {
    SetControlStyle({csSetCaption, csDoubleClicks});
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 121, 97);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"LISTBOX";
    params.Style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | WS_VSCROLL;
    if (multiSelect_) params.Style |= LBS_EXTENDEDSEL;
    if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateHandleDone() {
    ItemsReset();
}

void TCustomListBox::DestroyWnd() {
    itemIndex_ = ItemIndex();
    if (multiSelect_) {
        selected_.assign(static_cast<size_t>(items_->Count()), false);
        for (int i = 0; i < items_->Count(); ++i) selected_[static_cast<size_t>(i)] = Selected(i);
    }
    TWinControl::DestroyWnd();
}

void TCustomListBox::ItemInserted(int index, const std::string& text) {
    if (!HandleAllocated()) return;
    const std::u16string wide = runtime::AnsiToWide(text);
    SendMessageW(WindowHandle(), LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

void TCustomListBox::ItemDeleted(int index) {
    if (HandleAllocated())
        SendMessageW(WindowHandle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TCustomListBox::ItemsReset() {
    if (!HandleAllocated()) return;
    HWND window = WindowHandle();
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    SendMessageW(window, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items_->Count(); ++i) {
        const std::u16string wide = runtime::AnsiToWide(items_->Strings(i));
        SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    if (multiSelect_) {
        for (size_t i = 0; i < selected_.size() && i < static_cast<size_t>(items_->Count()); ++i)
            SendMessageW(window, LB_SETSEL, selected_[i], static_cast<LPARAM>(i));
    } else {
        SendMessageW(window, LB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
    }
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window, nullptr, TRUE);
}

int TCustomListBox::ItemIndex() const {
    if (!HandleAllocated()) return itemIndex_;
    const UINT message = multiSelect_ ? LB_GETCARETINDEX : LB_GETCURSEL;
    const auto index = static_cast<int>(SendMessageW(WindowHandle(), message, 0, 0));
    return multiSelect_ && index >= 0 && !Selected(index) ? -1 : index;
}

void TCustomListBox::SetItemIndex(int value) {
    if (value < -1 || value >= items_->Count()) value = -1;
    itemIndex_ = value;
    if (!HandleAllocated()) return;
    if (multiSelect_) {
        SendMessageW(WindowHandle(), LB_SETSEL, FALSE, -1);
        if (value >= 0) SendMessageW(WindowHandle(), LB_SETSEL, TRUE, value);
        SendMessageW(WindowHandle(), LB_SETCARETINDEX, static_cast<WPARAM>(std::max(value, 0)),
                     FALSE);
    } else {
        SendMessageW(WindowHandle(), LB_SETCURSEL, static_cast<WPARAM>(value), 0);
    }
}

void TCustomListBox::SetMultiSelect(bool value) {
    if (multiSelect_ == value) return;
    multiSelect_ = value;
    RecreateWnd();
}

bool TCustomListBox::Selected(int index) const {
    if (index < 0 || index >= items_->Count())
        throw runtime::EListError("List index out of bounds (" + std::to_string(index) + ")");
    if (!HandleAllocated())
        return multiSelect_ ? (static_cast<size_t>(index) < selected_.size() &&
                               selected_[static_cast<size_t>(index)])
                            : index == itemIndex_;
    return SendMessageW(WindowHandle(), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void TCustomListBox::SetSelected(int index, bool value) {
    if (index < 0 || index >= items_->Count())
        throw runtime::EListError("List index out of bounds (" + std::to_string(index) + ")");
    if (!multiSelect_) {
        if (value)
            SetItemIndex(index);
        else if (ItemIndex() == index)
            SetItemIndex(-1);
        return;
    }
    if (selected_.size() < static_cast<size_t>(items_->Count()))
        selected_.resize(static_cast<size_t>(items_->Count()));
    selected_[static_cast<size_t>(index)] = value;
    if (HandleAllocated()) SendMessageW(WindowHandle(), LB_SETSEL, value, index);
}

int TCustomListBox::SelCount() const {
    if (!multiSelect_) return ItemIndex() >= 0 ? 1 : 0;
    int count = 0;
    for (int i = 0; i < items_->Count(); ++i) count += Selected(i) ? 1 : 0;
    return count;
}

void TCustomListBox::SetBorderStyle(TBorderStyle value) {
    if (borderStyle_ == value) return;
    borderStyle_ = value;
    RecreateWnd();
}

int TCustomListBox::ItemHeight() const {
    if (!HandleAllocated()) return 13;
    return static_cast<int>(SendMessageW(WindowHandle(), LB_GETITEMHEIGHT, 0, 0));
}

void TCustomListBox::CNCommand(TMessage& msg) {
    switch (HIWORD(msg.WParam)) {
        case LBN_SELCHANGE:
            itemIndex_ = ItemIndex();
            Click();
            break;
        case LBN_DBLCLK:
            DblClick();
            break;
        default:
            break;
    }
}

}  // namespace gui
