#include "gui/actions.h"

#include <algorithm>

#include "gui/application.h"
#include "gui/controls.h"
#include "gui/imagelist.h"
#include "runtime/properties.h"

namespace gui {

// ---- TBasicAction --------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TBasicAction, runtime::TComponent)
RUNTIME_FIELD(OnExecute);
RUNTIME_FIELD(OnUpdate);
RUNTIME_END_CLASS

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
    // The links outlive the action only as empty links.
    for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->action_ = nullptr;
    clients_.clear();
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate) return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
    if (std::find(clients_.begin(), clients_.end(), link) == clients_.end())
        clients_.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
    clients_.erase(std::remove(clients_.begin(), clients_.end(), link), clients_.end());
}

void TBasicAction::Change() {
    for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->Change();
}

// ---- TContainedAction ----------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TContainedAction, TBasicAction)
RUNTIME_PROPERTY(Category, Category, SetCategory);
RUNTIME_END_CLASS

TContainedAction::TContainedAction(TComponent* owner) : TBasicAction(owner) {}

TContainedAction::~TContainedAction() {
    if (actionList_ != nullptr) actionList_->RemoveAction(this);
}

void TContainedAction::SetActionList(TCustomActionList* list) {
    if (actionList_ == list) return;
    if (actionList_ != nullptr) actionList_->RemoveAction(this);
    if (list != nullptr) list->AddAction(this);
}

int TContainedAction::Index() const {
    if (actionList_ == nullptr) return -1;
    const auto& actions = actionList_->actions_;
    return static_cast<int>(std::find(actions.begin(), actions.end(), this) - actions.begin());
}

TComponent* TContainedAction::GetParentComponent() const {
    return actionList_;
}

void TContainedAction::SetParentComponent(TComponent* parent) {
    if (auto* list = dynamic_cast<TCustomActionList*>(parent)) SetActionList(list);
}

namespace {

// What nothing else handled goes to the application's window, whose hooks
// may take it.
bool SendToApplication(UINT msg, TBasicAction* action) {
    return Application != nullptr &&
           SendMessageW(Application->Handle(), msg, 0, reinterpret_cast<LPARAM>(action)) != 0;
}

}  // namespace

bool TContainedAction::Execute() {
    if (actionList_ != nullptr && actionList_->ExecuteAction(this)) return true;
    return TBasicAction::Execute() || SendToApplication(CM_ACTIONEXECUTE, this);
}

bool TContainedAction::Update() {
    if (actionList_ != nullptr && actionList_->UpdateAction(this)) return true;
    return TBasicAction::Update() || SendToApplication(CM_ACTIONUPDATE, this);
}

// ---- TCustomAction -------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TCustomAction, TContainedAction)
RUNTIME_PROPERTY(AutoCheck, AutoCheck, SetAutoCheck).Default(false);
RUNTIME_PROPERTY(Caption, Caption, SetCaption);
RUNTIME_PROPERTY(Checked, Checked, SetChecked).Default(false);
RUNTIME_PROPERTY(Enabled, Enabled, SetEnabled).Default(true);
RUNTIME_PROPERTY(GroupIndex, GroupIndex, SetGroupIndex).Default(0);
RUNTIME_PROPERTY(HelpContext, HelpContext, SetHelpContext).Default(0);
RUNTIME_PROPERTY(Hint, Hint, SetHint);
RUNTIME_PROPERTY(ImageIndex, ImageIndex, SetImageIndex).Default(-1);
RUNTIME_PROPERTY(ShortCut, ShortCut, SetShortCut).Default(TShortCut{0});
RUNTIME_PROPERTY(Visible, Visible, SetVisible).Default(true);
RUNTIME_END_CLASS

TCustomAction::TCustomAction(TComponent* owner) : TContainedAction(owner) {}

// Each setter tells the links first (they compare the client with the old
// value), then stores the value.
template <class T, class V, class Setter>
void TCustomAction::SetLinked(T& field, const V& value, Setter setter) {
    if (field == value) return;
    for (TActionLink* link : Links()) (link->*setter)(value);
    field = value;
    Change();
}

void TCustomAction::SetCaption(const std::string& value) {
    SetLinked(caption_, value, &TActionLink::SetCaption);
}
void TCustomAction::SetEnabled(bool value) {
    SetLinked(enabled_, value, &TActionLink::SetEnabled);
}
void TCustomAction::SetHint(const std::string& value) {
    SetLinked(hint_, value, &TActionLink::SetHint);
}
void TCustomAction::SetImageIndex(int32_t value) {
    SetLinked(imageIndex_, value, &TActionLink::SetImageIndex);
}
void TCustomAction::SetShortCut(TShortCut value) {
    SetLinked(shortCut_, value, &TActionLink::SetShortCut);
}
void TCustomAction::SetVisible(bool value) {
    SetLinked(visible_, value, &TActionLink::SetVisible);
}

void TCustomAction::SetHelpContext(int32_t value) {
    helpContext_ = value;
}

std::vector<TActionLink*> TCustomAction::Links() const {
    std::vector<TActionLink*> links;
    for (TBasicActionLink* client : Clients())
        if (auto* link = dynamic_cast<TActionLink*>(client)) links.push_back(link);
    return links;
}

void TCustomAction::SetChecked(bool value) {
    if (checked_ == value) return;
    for (TActionLink* link : Links()) link->SetChecked(value);
    checked_ = value;
    // Checking one action of a group unchecks the others.
    if (value && groupIndex_ > 0 && ActionList() != nullptr) {
        for (int i = 0; i < ActionList()->ActionCount(); ++i) {
            auto* other = dynamic_cast<TCustomAction*>(ActionList()->Actions(i));
            if (other != nullptr && other != this && other->groupIndex_ == groupIndex_)
                other->SetChecked(false);
        }
    }
    Change();
}

void TCustomAction::SetGroupIndex(int32_t value) {
    if (groupIndex_ == value) return;
    groupIndex_ = value;
    if (checked_) {
        checked_ = false;
        SetChecked(true);
    }
}

bool TCustomAction::Execute() {
    Update();
    if (!enabled_) return false;
    if (autoCheck_ && !(checked_ && groupIndex_ > 0)) SetChecked(!checked_);
    return TContainedAction::Execute();
}

// ---- TCustomActionList ---------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TCustomActionList, runtime::TComponent)
RUNTIME_PROPERTY(Images, Images, SetImages);
RUNTIME_FIELD(OnExecute);
RUNTIME_FIELD(OnUpdate);
RUNTIME_END_CLASS

TCustomActionList::TCustomActionList(TComponent* owner) : TComponent(owner) {}

TCustomActionList::~TCustomActionList() {
    for (TContainedAction* action : std::vector<TContainedAction*>(actions_))
        action->actionList_ = nullptr;
}

void TCustomActionList::AddAction(TContainedAction* action) {
    actions_.push_back(action);
    action->actionList_ = this;
    action->FreeNotification(this);
}

void TCustomActionList::RemoveAction(TContainedAction* action) {
    actions_.erase(std::remove(actions_.begin(), actions_.end(), action), actions_.end());
    action->actionList_ = nullptr;
}

void TCustomActionList::Notification(TComponent* component, runtime::TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != runtime::opRemove) return;
    if (component == images_) images_ = nullptr;
    actions_.erase(std::remove(actions_.begin(), actions_.end(), component), actions_.end());
}

void TCustomActionList::SetImages(TCustomImageList* value) {
    if (images_ != nullptr) images_->RemoveFreeNotification(this);
    images_ = value;
    if (value != nullptr) value->FreeNotification(this);
}

bool TCustomActionList::ExecuteAction(TBasicAction* action) {
    bool handled = false;
    OnExecute(action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action) {
    bool handled = false;
    OnUpdate(action, handled);
    return handled;
}

bool TCustomActionList::IsShortCut(TShortCut shortCut) {
    for (TContainedAction* action : std::vector<TContainedAction*>(actions_)) {
        auto* custom = dynamic_cast<TCustomAction*>(action);
        if (custom == nullptr || custom->ShortCut() != shortCut) continue;
        custom->Update();
        if (custom->Enabled() && custom->Visible()) {
            custom->Execute();
            return true;
        }
    }
    return false;
}

void TCustomActionList::UpdateActions() {
    for (TContainedAction* action : std::vector<TContainedAction*>(actions_)) action->Update();
}

void TCustomActionList::GetChildren(const runtime::TGetChildProc& proc, TComponent* root) {
    for (TContainedAction* action : std::vector<TContainedAction*>(actions_))
        if (action->Owner() == root) proc(*action);
}

RUNTIME_BEGIN_CLASS(TActionList, TCustomActionList)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TAction, TCustomAction)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(THintAction, TCustomAction)
RUNTIME_END_CLASS

bool IsActionExecute(const TNotifyEvent& handler, const TBasicAction* action) {
    return action != nullptr && handler.Data() == action->OnExecute.Data() &&
           !handler.Name().empty() && handler.Name() == action->OnExecute.Name();
}

// ---- links ---------------------------------------------------------------------------------

TBasicActionLink::~TBasicActionLink() {
    if (action_ != nullptr) action_->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* value) {
    if (action_ == value) return;
    if (action_ != nullptr) action_->UnRegisterChanges(this);
    action_ = value;
    if (value != nullptr) value->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent*) {
    return action_ != nullptr && action_->Execute();
}

bool TBasicActionLink::Update() {
    return action_ != nullptr && action_->Update();
}

void TBasicActionLink::Change() {}

TCustomAction* TActionLink::CustomAction() const {
    return dynamic_cast<TCustomAction*>(Action());
}

bool TActionLink::IsCaptionLinked() const {
    return CustomAction() != nullptr;
}
bool TActionLink::IsCheckedLinked() const {
    return CustomAction() != nullptr;
}
bool TActionLink::IsEnabledLinked() const {
    return CustomAction() != nullptr;
}
bool TActionLink::IsHintLinked() const {
    return CustomAction() != nullptr;
}
bool TActionLink::IsImageIndexLinked() const {
    return CustomAction() != nullptr;
}
bool TActionLink::IsShortCutLinked() const {
    return CustomAction() != nullptr;
}
bool TActionLink::IsVisibleLinked() const {
    return CustomAction() != nullptr;
}

// ---- the control link ----------------------------------------------------------------------

TControlActionLink::TControlActionLink(TControl& control)
    : TActionLink(&control), control_(control) {}

bool TControlActionLink::IsCaptionLinked() const {
    return TActionLink::IsCaptionLinked() && control_.Text() == CustomAction()->Caption();
}
bool TControlActionLink::IsHintLinked() const {
    return TActionLink::IsHintLinked() && control_.Hint() == CustomAction()->Hint();
}
void TControlActionLink::SetCaption(const std::string& value) {
    if (IsCaptionLinked()) control_.SetText(value);
}
void TControlActionLink::SetEnabled(bool value) {
    if (IsEnabledLinked()) control_.SetEnabled(value);
}
void TControlActionLink::SetHint(const std::string& value) {
    if (IsHintLinked()) control_.SetHint(value);
}
void TControlActionLink::SetVisible(bool value) {
    if (IsVisibleLinked()) control_.SetVisible(value);
}

}  // namespace gui
