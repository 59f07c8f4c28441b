#include "gui/menus.h"

#include <algorithm>
#include <map>

#include "gui/actions.h"
#include "gui/application.h"
#include "gui/errors.h"
#include "gui/forms.h"
#include "gui/graphic.h"
#include "gui/imagelist.h"
#include "gui/setfield.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

namespace {

// Every live item by its command identifier (menus are main-thread only).
std::map<uint16_t, TMenuItem*>& ItemsByCommand() {
    static std::map<uint16_t, TMenuItem*> items;
    return items;
}

uint16_t AllocateCommand(TMenuItem* item) {
    static uint16_t next = 0x100;
    auto& items = ItemsByCommand();
    for (int tries = 0; tries < 0xF000; ++tries) {
        if (++next >= 0xF000) next = 0x100;
        if (items.emplace(next, item).second) return next;
    }
    throw EMenuError("Too many menu items");
}

}  // namespace

std::string StripHotkey(const std::string& caption) {
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') out += '&';
            ++i;
            if (i < caption.size() && caption[i] != '&') out += caption[i];
            continue;
        }
        out += caption[i];
    }
    return out;
}

// ---- TMenuActionLink -----------------------------------------------------------------------

TMenuActionLink::TMenuActionLink(TMenuItem& item) : TActionLink(&item), item_(item) {}

bool TMenuActionLink::IsCaptionLinked() const {
    return TActionLink::IsCaptionLinked() && item_.Caption() == CustomAction()->Caption();
}
bool TMenuActionLink::IsHintLinked() const {
    return TActionLink::IsHintLinked() && item_.Hint() == CustomAction()->Hint();
}
void TMenuActionLink::SetCaption(const std::string& value) {
    if (IsCaptionLinked()) item_.SetCaption(value);
}
void TMenuActionLink::SetChecked(bool value) {
    if (IsCheckedLinked()) item_.SetChecked(value);
}
void TMenuActionLink::SetEnabled(bool value) {
    if (IsEnabledLinked()) item_.SetEnabled(value);
}
void TMenuActionLink::SetHint(const std::string& value) {
    if (IsHintLinked()) item_.SetHint(value);
}
void TMenuActionLink::SetImageIndex(int32_t value) {
    if (IsImageIndexLinked()) item_.SetImageIndex(value);
}
void TMenuActionLink::SetShortCut(TShortCut value) {
    if (IsShortCutLinked()) item_.SetShortCut(value);
}
void TMenuActionLink::SetVisible(bool value) {
    if (IsVisibleLinked()) item_.SetVisible(value);
}

// ---- TMenuItem -----------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TMenuItem, runtime::TComponent)
RUNTIME_PROPERTY(Action, Action, SetAction);
RUNTIME_PROPERTY(AutoCheck, AutoCheck, SetAutoCheck).Default(false);
RUNTIME_PROPERTY(Caption, Caption, SetCaption);
RUNTIME_PROPERTY(Checked, Checked, SetChecked).Default(false);
RUNTIME_PROPERTY(Default, Default, SetDefault).Default(false);
RUNTIME_PROPERTY(Enabled, Enabled, SetEnabled).Default(true);
RUNTIME_PROPERTY(GroupIndex, GroupIndex, SetGroupIndex).Default(0);
RUNTIME_PROPERTY(Hint, Hint, SetHint);
RUNTIME_PROPERTY(ImageIndex, ImageIndex, SetImageIndex).Default(-1);
RUNTIME_PROPERTY(RadioItem, RadioItem, SetRadioItem).Default(false);
RUNTIME_PROPERTY(ShortCut, ShortCut, SetShortCut).Default(TShortCut{0});
RUNTIME_PROPERTY(Visible, Visible, SetVisible).Default(true);
RUNTIME_FIELD(OnClick);
RUNTIME_END_CLASS

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(AllocateCommand(this)) {}

TMenuItem::~TMenuItem() {
    ItemsByCommand().erase(command_);
    actionLink_.reset();
    // The items under this one go with it.
    while (!items_.empty()) {
        TMenuItem* child = items_.back();
        items_.pop_back();
        child->parent_ = nullptr;
        delete child;
    }
    if (parent_ != nullptr) parent_->Remove(this);
}

void TMenuItem::SetCaption(const std::string& value) {
    SetField(caption_, value, [this] { Changed(); });
}
void TMenuItem::SetEnabled(bool value) {
    SetField(enabled_, value, [this] { Changed(); });
}
void TMenuItem::SetVisible(bool value) {
    SetField(visible_, value, [this] { Changed(); });
}
void TMenuItem::SetDefault(bool value) {
    SetField(default_, value, [this] { Changed(); });
}
void TMenuItem::SetRadioItem(bool value) {
    SetField(radioItem_, value, [this] { Changed(); });
}
void TMenuItem::SetGroupIndex(int32_t value) {
    SetField(groupIndex_, value, [this] { Changed(); });
}
void TMenuItem::SetShortCut(TShortCut value) {
    SetField(shortCut_, value, [this] { Changed(); });
}
void TMenuItem::SetImageIndex(int32_t value) {
    SetField(imageIndex_, value, [this] { Changed(); });
}

void TMenuItem::SetChecked(bool value) {
    if (checked_ == value) return;
    checked_ = value;
    // A checked radio item unchecks the others of its group.
    if (value && radioItem_ && parent_ != nullptr) {
        for (TMenuItem* sibling : parent_->items_)
            if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_)
                sibling->checked_ = false;
    }
    Changed();
}

TBasicAction* TMenuItem::Action() const {
    return actionLink_ ? actionLink_->Action() : nullptr;
}

void TMenuItem::SetAction(TBasicAction* value) {
    if (value == nullptr) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) actionLink_ = CreateActionLink();
    actionLink_->SetAction(value);
    value->FreeNotification(this);
    // While loading, what the layout gave the item itself wins.
    const bool checkDefaults = ComponentState().Contains(runtime::csLoading);
    if (auto* action = dynamic_cast<TCustomAction*>(value)) {
        if (!checkDefaults || caption_.empty()) SetCaption(action->Caption());
        if (!checkDefaults || hint_.empty()) SetHint(action->Hint());
        if (!checkDefaults || imageIndex_ == -1) SetImageIndex(action->ImageIndex());
        if (!checkDefaults || shortCut_ == 0) SetShortCut(action->ShortCut());
        if (!checkDefaults || !checked_) SetChecked(action->Checked());
        if (!checkDefaults || enabled_) SetEnabled(action->Enabled());
        if (!checkDefaults || visible_) SetVisible(action->Visible());
    }
}

std::unique_ptr<TMenuActionLink> TMenuItem::CreateActionLink() {
    return std::make_unique<TMenuActionLink>(*this);
}

void TMenuItem::Notification(TComponent* component, runtime::TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == runtime::opRemove && actionLink_ && component == actionLink_->Action())
        actionLink_.reset();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (item->parent_ != nullptr)
        throw EMenuError("Menu item " + item->Name() + " is already inserted");
    if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
    Changed();
}

void TMenuItem::Clear() {
    while (!items_.empty()) delete items_.back();
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* item = this;
    while (item->parent_ != nullptr) item = item->parent_;
    return item->menu_;
}

TMenuItem* TMenuItem::Find(uint16_t command) {
    if (command_ == command) return this;
    for (TMenuItem* child : items_)
        if (TMenuItem* found = child->Find(command)) return found;
    return nullptr;
}

void TMenuItem::Changed() {
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged();
}

void TMenuItem::Click() {
    if (!enabled_) return;
    if (autoCheck_ && !(checked_ && radioItem_)) SetChecked(!checked_);
    TBasicAction* action = Action();
    const bool sameAsAction = IsActionExecute(OnClick, action);
    if (OnClick && !sameAsAction)
        OnClick(this);
    else if (actionLink_)
        actionLink_->Execute(this);
}

TComponent* TMenuItem::GetParentComponent() const {
    if (parent_ != nullptr && parent_->menu_ != nullptr) return parent_->menu_;
    return parent_;
}

void TMenuItem::SetParentComponent(TComponent* parent) {
    if (parent_ != nullptr) parent_->Remove(this);
    if (auto* menu = dynamic_cast<TMenu*>(parent))
        menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
}

void TMenuItem::GetChildren(const runtime::TGetChildProc& proc, TComponent* root) {
    for (TMenuItem* child : std::vector<TMenuItem*>(items_))
        if (child->Owner() == root) proc(*child);
}

void TMenuItem::AppendTo(HMENU menu) {
    if (!visible_) return;
    if (IsLine()) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        return;
    }
    std::u16string text = runtime::AnsiToWide(caption_);
    if (shortCut_ != 0) text += u"\t" + runtime::AnsiToWide(ShortCutToText(shortCut_));
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
    info.fType = radioItem_ ? MFT_RADIOCHECK : MFT_STRING;
    info.fState = (enabled_ ? MFS_ENABLED : MFS_DISABLED) | (checked_ ? MFS_CHECKED : 0) |
                  (default_ ? MFS_DEFAULT : 0);
    info.wID = command_;
    info.dwTypeData = reinterpret_cast<wchar_t*>(text.data());
    if (!items_.empty()) {
        HMENU sub = CreatePopupMenu();
        for (TMenuItem* child : items_) child->AppendTo(sub);
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = sub;
    }
    image_.Reset();
    TMenu* parentMenu = GetParentMenu();
    if (imageIndex_ >= 0 && parentMenu != nullptr && parentMenu->Images() != nullptr &&
        imageIndex_ < parentMenu->Images()->Count()) {
        TBitmap image;
        parentMenu->Images()->GetBitmap(imageIndex_, image);
        // Menus draw 32-bit bitmaps with premultiplied alpha.
        for (int y = 0; y < image.Height(); ++y)
            for (uint32_t& p : std::span(image.ScanLine(y), static_cast<size_t>(image.Width())))
                if ((p >> 24) == 0) p = 0;
        image_.Reset(static_cast<HBITMAP>(
            CopyImage(image.Handle(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        info.fMask |= MIIM_BITMAP;
        info.hbmpItem = image_.Get();
    }
    InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info);
}

// ---- TMenu ---------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TMenu, runtime::TComponent)
RUNTIME_PROPERTY(Images, Images, SetImages);
RUNTIME_END_CLASS

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {
    items_->menu_ = this;
}

TMenu::~TMenu() {
    items_->Clear();
    items_->menu_ = nullptr;
}

void TMenu::SetImages(TCustomImageList* value) {
    if (images_ != nullptr) images_->RemoveFreeNotification(this);
    images_ = value;
    if (value != nullptr) value->FreeNotification(this);
    MenuChanged();
}

void TMenu::Notification(TComponent* component, runtime::TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == runtime::opRemove && component == images_) {
        images_ = nullptr;
        MenuChanged();
    }
}

HMENU TMenu::Handle() {
    if (!handle_) handle_.Reset(MakeHandle());
    return handle_.Get();
}

HMENU TMenu::MakeHandle() {
    HMENU menu = CreatePopupMenu();
    for (TMenuItem* item : items_->items_) item->AppendTo(menu);
    return menu;
}

void TMenu::MenuChanged() {
    handle_.Reset();
}

bool TMenu::DispatchCommand(uint16_t command) {
    TMenuItem* item = items_->Find(command);
    if (item == nullptr || item == items_.get()) return false;
    item->Click();
    return true;
}

bool TMenu::IsShortCut(TShortCut shortCut) {
    std::vector<TMenuItem*> stack(items_->items_.rbegin(), items_->items_.rend());
    while (!stack.empty()) {
        TMenuItem* item = stack.back();
        stack.pop_back();
        if (!item->Visible() || !item->Enabled()) continue;
        if (item->ShortCut() == shortCut && item->Count() == 0) {
            item->Click();
            return true;
        }
        stack.insert(stack.end(), item->items_.rbegin(), item->items_.rend());
    }
    return false;
}

std::string TMenu::HintOf(uint16_t command) {
    TMenuItem* item = items_->Find(command);
    return item != nullptr ? GetLongHint(item->Hint()) : std::string();
}

void TMenu::GetChildren(const runtime::TGetChildProc& proc, TComponent* root) {
    items_->GetChildren(proc, root);
}

// ---- TMainMenu -----------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TMainMenu, TMenu)
RUNTIME_END_CLASS

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) {}

void TMainMenu::SetWindow(HWND window) {
    window_ = window;
}

HMENU TMainMenu::MakeHandle() {
    HMENU menu = CreateMenu();
    for (TMenuItem* item : Items()->items_) item->AppendTo(menu);
    return menu;
}

void TMainMenu::MenuChanged() {
    if (window_ == nullptr || !IsWindow(window_)) {
        TMenu::MenuChanged();
        return;
    }
    // The bar shows the new menu before the old one goes.
    TMenuHandle old(handle_.Release());
    ::SetMenu(window_, Handle());
    DrawMenuBar(window_);
}

// ---- TPopupMenu ----------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TPopupMenu, TMenu)
RUNTIME_PROPERTY(Alignment, Alignment, SetAlignment).Default(paLeft);
RUNTIME_PROPERTY(AutoPopup, AutoPopup, SetAutoPopup).Default(true);
RUNTIME_PROPERTY(TrackButton, TrackButton, SetTrackButton).Default(tbRightButton);
RUNTIME_FIELD(OnPopup);
RUNTIME_END_CLASS

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

void TPopupMenu::SetPopupComponent(TComponent* value) {
    if (popupComponent_ != nullptr) popupComponent_->RemoveFreeNotification(this);
    popupComponent_ = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, runtime::TOperation operation) {
    TMenu::Notification(component, operation);
    if (operation == runtime::opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::DoPopup() {
    OnPopup(this);
}

void TPopupMenu::Popup(int x, int y) {
    popupPoint_ = {x, y};
    DoPopup();
    // The menu belongs to the form of the control it opened for.
    HWND owner = nullptr;
    if (auto* control = dynamic_cast<TControl*>(popupComponent_)) {
        if (TCustomForm* form = GetParentForm(control); form != nullptr && form->HandleAllocated())
            owner = form->WindowHandle();
    }
    if (owner == nullptr) owner = GetActiveWindow();
    if (owner == nullptr && Application != nullptr) owner = Application->Handle();
    static constexpr UINT kAlign[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
    const UINT flags = kAlign[alignment_] | (trackButton_ == tbRightButton ? TPM_RIGHTBUTTON : 0) |
                       TPM_RETURNCMD | TPM_NONOTIFY;
    if (GetForegroundWindow() != owner) SetForegroundWindow(owner);
    const UINT command =
        static_cast<UINT>(TrackPopupMenu(Handle(), flags, x, y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    // The chosen item runs now that the menu has closed.
    if (command != 0) DispatchCommand(static_cast<uint16_t>(command));
}

}  // namespace gui
