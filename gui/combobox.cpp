#include <algorithm>

#include "gui/stdctrls.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

RUNTIME_BEGIN_CLASS(TCustomComboBox, TWinControl)
RUNTIME_PROPERTY(Color, Color, SetColor).Default(clWindow);
RUNTIME_PROPERTY(DropDownCount, DropDownCount, SetDropDownCount).Default(8);
RUNTIME_READONLY(Items, Items);
RUNTIME_PROPERTY(ItemIndex, ItemIndex, SetItemIndex).Default(-1);
RUNTIME_PROPERTY(MaxLength, MaxLength, SetMaxLength).Default(0);
RUNTIME_PROPERTY(Sorted, Sorted, SetSorted).Default(false);
RUNTIME_PROPERTY(Style, Style, SetStyle).Default(csDropDown);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(true);
RUNTIME_PROPERTY(Text, Text, SetText);
RUNTIME_FIELD(OnChange);
RUNTIME_FIELD(OnCloseUp);
RUNTIME_FIELD(OnDropDown);
RUNTIME_FIELD(OnSelect);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TCustomComboBox)
GUI_MESSAGE(CN_COMMAND, CNCommand)
GUI_END_MESSAGE_MAP

RUNTIME_BEGIN_CLASS(TComboBox, TCustomComboBox)
RUNTIME_END_CLASS

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner),
      items_(std::make_unique<TControlStrings>(*static_cast<TControlStrings::Sink*>(this))) {
    SetControlStyle({csSetCaption, csDoubleClicks});
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 145, 21);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"COMBOBOX";
    static constexpr DWORD kStyles[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST};
    params.Style |= kStyles[style_] | CBS_AUTOHSCROLL | CBS_HASSTRINGS | WS_VSCROLL;
    if (style_ != csSimple) params.Height = DropDownHeight(params.Height);
    // The window's text is its edit's; the list is filled once it exists.
    if (style_ == csDropDownList) params.Caption.clear();
}

int TCustomComboBox::DropDownHeight(int height) const {
    // The window's height covers the dropped-down list.
    return height + std::max(1, dropDownCount_) * 16 + 2;
}

void TCustomComboBox::CreateHandleDone() {
    SendMessageW(WindowHandle(), CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    const std::u16string text = text_;
    ItemsReset();
    if (itemIndex_ < 0 && style_ != csDropDownList)
        SetWindowTextW(WindowHandle(), reinterpret_cast<const wchar_t*>(text.c_str()));
}

void TCustomComboBox::DestroyWnd() {
    itemIndex_ = ItemIndex();
    TWinControl::DestroyWnd();
}

void TCustomComboBox::UpdateBoundsRect(int left, int top, int width, int height) {
    if (HandleAllocated() && style_ != csSimple) {
        SetWindowPos(WindowHandle(), nullptr, left, top, width, DropDownHeight(height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    TWinControl::UpdateBoundsRect(left, top, width, height);
}

void TCustomComboBox::ItemInserted(int index, const std::string& text) {
    if (!HandleAllocated()) return;
    const std::u16string wide = runtime::AnsiToWide(text);
    SendMessageW(WindowHandle(), CB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

void TCustomComboBox::ItemDeleted(int index) {
    if (HandleAllocated())
        SendMessageW(WindowHandle(), CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TCustomComboBox::ItemsReset() {
    if (!HandleAllocated()) return;
    HWND window = WindowHandle();
    SendMessageW(window, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items_->Count(); ++i) {
        const std::u16string wide = runtime::AnsiToWide(items_->Strings(i));
        SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    if (itemIndex_ >= items_->Count()) itemIndex_ = -1;
    SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

int TCustomComboBox::ItemIndex() const {
    if (!HandleAllocated()) return itemIndex_;
    return static_cast<int>(SendMessageW(WindowHandle(), CB_GETCURSEL, 0, 0));
}

void TCustomComboBox::SetItemIndex(int value) {
    if (value < -1 || value >= items_->Count()) value = -1;
    itemIndex_ = value;
    if (value >= 0) text_ = runtime::AnsiToWide(items_->Strings(value));
    if (HandleAllocated())
        SendMessageW(WindowHandle(), CB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

std::u16string TCustomComboBox::TextW() const {
    if (!HandleAllocated()) {
        if (style_ == csDropDownList)
            return itemIndex_ >= 0 ? runtime::AnsiToWide(items_->Strings(itemIndex_)) : u"";
        return text_;
    }
    return TWinControl::TextW();
}

void TCustomComboBox::SetTextW(const std::u16string& value) {
    // A drop-down list shows only its items: the text selects one.
    if (style_ == csDropDownList) {
        SetItemIndex(items_->IndexOf(runtime::WideToAnsi(value)));
        return;
    }
    TWinControl::SetTextW(value);
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
    if (style_ == value) return;
    style_ = value;
    RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int value) {
    dropDownCount_ = std::max(1, value);
}

bool TCustomComboBox::DroppedDown() const {
    return HandleAllocated() && SendMessageW(WindowHandle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool value) {
    SendMessageW(Handle(), CB_SHOWDROPDOWN, value, 0);
}

void TCustomComboBox::SetMaxLength(int value) {
    maxLength_ = std::max(0, value);
    if (HandleAllocated())
        SendMessageW(WindowHandle(), CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomComboBox::Clear() {
    items_->Clear();
    itemIndex_ = -1;
    TWinControl::SetTextW({});
}

void TCustomComboBox::CNCommand(TMessage& msg) {
    switch (HIWORD(msg.WParam)) {
        case CBN_SELCHANGE:
            itemIndex_ = ItemIndex();
            if (itemIndex_ >= 0) text_ = runtime::AnsiToWide(items_->Strings(itemIndex_));
            OnSelect(this);
            OnChange(this);
            break;
        case CBN_EDITCHANGE:
            itemIndex_ = -1;
            OnChange(this);
            break;
        case CBN_DROPDOWN:
            OnDropDown(this);
            break;
        case CBN_CLOSEUP:
            OnCloseUp(this);
            break;
        default:
            break;
    }
}

}  // namespace gui
