#include <algorithm>

#include "gui/actions.h"
#include "gui/application.h"
#include "gui/comctrls.h"
#include "gui/geometry_win.h"
#include "gui/setfield.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

namespace {

uint16_t NextButtonCommand() {
    // Apart from the menus' identifiers (0x100 to 0xEFFF).
    static uint16_t next = 0xF000;
    if (++next == 0) next = 0xF001;
    return next;
}

}  // namespace

// The link of a tool button: caption, hint, image, enabled, checked (down)
// and visible.
class TToolButtonActionLink : public TActionLink {
  public:
    explicit TToolButtonActionLink(TToolButton& button) : TActionLink(&button), button_(button) {}

    bool IsCaptionLinked() const override {
        return TActionLink::IsCaptionLinked() && button_.Caption() == CustomAction()->Caption();
    }
    bool IsHintLinked() const override {
        return TActionLink::IsHintLinked() && button_.Hint() == CustomAction()->Hint();
    }
    void SetCaption(const std::string& value) override {
        if (IsCaptionLinked()) button_.SetCaption(value);
    }
    void SetHint(const std::string& value) override {
        if (IsHintLinked()) button_.SetHint(value);
    }
    void SetImageIndex(int32_t value) override {
        if (IsImageIndexLinked()) button_.SetImageIndex(value);
    }
    void SetEnabled(bool value) override {
        if (IsEnabledLinked()) button_.SetEnabled(value);
    }
    void SetChecked(bool value) override {
        if (IsCheckedLinked()) button_.SetDown(value);
    }
    void SetVisible(bool value) override {
        if (IsVisibleLinked()) button_.SetVisible(value);
    }

  private:
    TToolButton& button_;
};

// ---- TToolButton ---------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TToolButton, runtime::TComponent)
RUNTIME_PROPERTY(Action, Action, SetAction);
RUNTIME_PROPERTY(Caption, Caption, SetCaption);
RUNTIME_PROPERTY(Down, Down, SetDown).Default(false);
RUNTIME_PROPERTY(Enabled, Enabled, SetEnabled).Default(true);
RUNTIME_PROPERTY(Hint, Hint, SetHint);
RUNTIME_PROPERTY(ImageIndex, ImageIndex, SetImageIndex).Default(-1);
RUNTIME_PROPERTY(Style, Style, SetStyle).Default(tbsButton);
RUNTIME_PROPERTY(Visible, Visible, SetVisible).Default(true);
RUNTIME_PROPERTY(Width, Width, SetWidth).Default(8);
RUNTIME_FIELD(OnClick);
RUNTIME_END_CLASS

TToolButton::TToolButton(TComponent* owner) : TComponent(owner), command_(NextButtonCommand()) {}

TToolButton::~TToolButton() {
    actionLink_.reset();
    if (toolBar_ != nullptr) toolBar_->RemoveButton(this);
}

void TToolButton::SetToolBar(TToolBar* value) {
    if (toolBar_ == value) return;
    if (toolBar_ != nullptr) toolBar_->RemoveButton(this);
    if (value != nullptr) value->InsertButton(this);
}

TComponent* TToolButton::GetParentComponent() const {
    return toolBar_;
}

void TToolButton::SetParentComponent(TComponent* parent) {
    SetToolBar(dynamic_cast<TToolBar*>(parent));
}

void TToolButton::Changed() {
    if (toolBar_ != nullptr) toolBar_->RebuildButtons();
}

void TToolButton::SetCaption(const std::string& value) {
    SetField(caption_, value, [this] { Changed(); });
}
void TToolButton::SetImageIndex(int32_t value) {
    SetField(imageIndex_, value, [this] { Changed(); });
}
void TToolButton::SetStyle(TToolButtonStyle value) {
    SetField(style_, value, [this] { Changed(); });
}
void TToolButton::SetVisible(bool value) {
    SetField(visible_, value, [this] { Changed(); });
}
void TToolButton::SetWidth(int value) {
    SetField(width_, value, [this] { Changed(); });
}

void TToolButton::SetEnabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    if (toolBar_ != nullptr && toolBar_->HandleAllocated())
        SendMessageW(toolBar_->WindowHandle(), TB_ENABLEBUTTON, command_, MAKELPARAM(value, 0));
}

void TToolButton::SetDown(bool value) {
    if (down_ == value) return;
    down_ = value;
    if (toolBar_ != nullptr && toolBar_->HandleAllocated())
        SendMessageW(toolBar_->WindowHandle(), style_ == tbsCheck ? TB_CHECKBUTTON : TB_PRESSBUTTON,
                     command_, MAKELPARAM(value, 0));
}

TBasicAction* TToolButton::Action() const {
    return actionLink_ ? actionLink_->Action() : nullptr;
}

void TToolButton::SetAction(TBasicAction* value) {
    if (value == nullptr) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) actionLink_ = std::make_unique<TToolButtonActionLink>(*this);
    actionLink_->SetAction(value);
    value->FreeNotification(this);
    const bool checkDefaults = ComponentState().Contains(runtime::csLoading);
    if (auto* action = dynamic_cast<TCustomAction*>(value)) {
        if (!checkDefaults || caption_.empty()) SetCaption(action->Caption());
        if (!checkDefaults || hint_.empty()) SetHint(action->Hint());
        if (!checkDefaults || imageIndex_ == -1) SetImageIndex(action->ImageIndex());
        if (!checkDefaults || enabled_) SetEnabled(action->Enabled());
        if (!checkDefaults || !down_) SetDown(action->Checked());
        if (!checkDefaults || visible_) SetVisible(action->Visible());
    }
}

void TToolButton::Notification(TComponent* component, runtime::TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == runtime::opRemove && actionLink_ && component == actionLink_->Action())
        actionLink_.reset();
}

void TToolButton::Click() {
    if (!enabled_) return;
    if (style_ == tbsCheck && toolBar_ != nullptr && toolBar_->HandleAllocated())
        down_ = SendMessageW(toolBar_->WindowHandle(), TB_ISBUTTONCHECKED, command_, 0) != 0;
    TBasicAction* action = Action();
    const bool sameAsAction = IsActionExecute(OnClick, action);
    if (OnClick && !sameAsAction)
        OnClick(this);
    else if (actionLink_)
        actionLink_->Execute(this);
}

// ---- TToolBar ------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TToolBar, TWinControl)
RUNTIME_PROPERTY(Align, Align, SetAlign).Default(alTop);
RUNTIME_PROPERTY(Flat, Flat, SetFlat).Default(true);
RUNTIME_PROPERTY(Images, Images, SetImages);
RUNTIME_PROPERTY(ShowCaptions, ShowCaptions, SetShowCaptions).Default(false);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TToolBar)
GUI_MESSAGE(CN_COMMAND, CNCommand)
GUI_MESSAGE(CM_HINTSHOW, CMHintShow)
GUI_END_MESSAGE_MAP

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
    SetControlStyle({csAcceptsControls, csDoubleClicks});
    SetAlign(alTop);
    SetBounds(0, 0, 150, 29);
    imagesLink_.OnChange = [this](TObject*) { RebuildButtons(); };
}

TToolBar::~TToolBar() {
    for (TToolButton* button : buttons_) button->toolBar_ = nullptr;
    if (images_ != nullptr) images_->UnRegisterChanges(&imagesLink_);
}

void TToolBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"ToolbarWindow32";
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (flat_) params.Style |= TBSTYLE_FLAT;
}

void TToolBar::CreateHandleDone() {
    SendMessageW(WindowHandle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    RebuildButtons();
}

void TToolBar::InsertButton(TToolButton* button) {
    buttons_.push_back(button);
    button->toolBar_ = this;
    RebuildButtons();
}

void TToolBar::RemoveButton(TToolButton* button) {
    buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), button), buttons_.end());
    button->toolBar_ = nullptr;
    if (!ComponentState().Contains(runtime::csDestroying)) RebuildButtons();
}

void TToolBar::RebuildButtons() {
    if (!HandleAllocated() || rebuilding_) return;
    rebuilding_ = true;
    HWND window = WindowHandle();
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    while (SendMessageW(window, TB_BUTTONCOUNT, 0, 0) > 0)
        SendMessageW(window, TB_DELETEBUTTON, 0, 0);
    SendMessageW(window, TB_SETIMAGELIST, 0,
                 reinterpret_cast<LPARAM>(images_ != nullptr ? images_->Handle() : nullptr));
    if (images_ != nullptr)
        SendMessageW(window, TB_SETBITMAPSIZE, 0, MAKELPARAM(images_->Width(), images_->Height()));
    std::vector<std::u16string> captions;
    captions.reserve(buttons_.size());
    std::vector<TBBUTTON> list;
    for (TToolButton* b : buttons_) {
        if (!b->visible_) continue;
        TBBUTTON tb{};
        tb.idCommand = b->command_;
        const bool separator = b->style_ == tbsSeparator || b->style_ == tbsDivider;
        tb.fsStyle = separator                  ? BTNS_SEP
                     : b->style_ == tbsCheck    ? BTNS_CHECK
                     : b->style_ == tbsDropDown ? BTNS_DROPDOWN
                                                : BTNS_BUTTON;
        tb.iBitmap = separator ? b->width_ : (b->imageIndex_ >= 0 ? b->imageIndex_ : I_IMAGENONE);
        tb.fsState = static_cast<BYTE>(
            (b->enabled_ ? TBSTATE_ENABLED : 0) |
            (b->down_ ? (b->style_ == tbsCheck ? TBSTATE_CHECKED : TBSTATE_PRESSED) : 0));
        if (showCaptions_ && !separator) {
            captions.push_back(runtime::AnsiToWide(b->caption_));
            tb.iString = reinterpret_cast<INT_PTR>(captions.back().c_str());
        } else {
            tb.iString = -1;
        }
        list.push_back(tb);
    }
    SendMessageW(window, TB_ADDBUTTONSW, list.size(), reinterpret_cast<LPARAM>(list.data()));
    SendMessageW(window, TB_AUTOSIZE, 0, 0);
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window, nullptr, TRUE);
    rebuilding_ = false;
}

void TToolBar::SetImages(TCustomImageList* value) {
    if (images_ != nullptr) {
        images_->UnRegisterChanges(&imagesLink_);
        images_->RemoveFreeNotification(this);
    }
    images_ = value;
    if (value != nullptr) {
        value->RegisterChanges(&imagesLink_);
        value->FreeNotification(this);
    }
    RebuildButtons();
}

void TToolBar::SetShowCaptions(bool value) {
    if (showCaptions_ == value) return;
    showCaptions_ = value;
    RecreateWnd();
}

void TToolBar::SetFlat(bool value) {
    if (flat_ == value) return;
    flat_ = value;
    RecreateWnd();
}

void TToolBar::Notification(TComponent* component, runtime::TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == runtime::opRemove && component == images_) images_ = nullptr;
}

void TToolBar::GetChildren(const runtime::TGetChildProc& proc, TComponent* root) {
    TWinControl::GetChildren(proc, root);
    for (TToolButton* button : std::vector<TToolButton*>(buttons_))
        if (button->Owner() == root) proc(*button);
}

TRect TToolBar::ButtonRect(const TToolButton* button) const {
    if (!HandleAllocated()) return {};
    RECT r{};
    SendMessageW(WindowHandle(), TB_GETRECT, button->command_, reinterpret_cast<LPARAM>(&r));
    return ToTRect(r);
}

TToolButton* TToolBar::ButtonAt(TPoint p) const {
    for (TToolButton* b : buttons_)
        if (b->visible_ && ButtonRect(b).Contains(p)) return b;
    return nullptr;
}

void TToolBar::CNCommand(TMessage& msg) {
    const auto command = static_cast<uint16_t>(LOWORD(msg.WParam));
    for (TToolButton* b : buttons_) {
        if (b->command_ == command) {
            b->Click();
            return;
        }
    }
}

void TToolBar::CMHintShow(TMessage& msg) {
    auto* info = reinterpret_cast<THintInfo*>(msg.LParam);
    TToolButton* button = ButtonAt(info->CursorPos);
    if (button == nullptr || button->hint_.empty()) {
        msg.Result = 1;
        return;
    }
    info->HintStr = HintWithShortCut(GetShortHint(button->hint_), button->Action());
    info->CursorRect = ButtonRect(button);
}

}  // namespace gui
