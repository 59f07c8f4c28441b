#pragma once

// Actions: a command with its caption, hint, image, shortcut, enabled and
// checked state, executed by every control and menu item linked to it.
//
// A client links to an action through an action link, which copies the
// action's properties to the client when it is linked and again whenever
// they change - each property only while the client still shows the
// action's value, so a caption set on the client itself wins. Clicking the
// client executes the action. Action lists update their actions when the
// program is idle (OnUpdate) and run their shortcuts.

#include <cstdint>
#include <string>
#include <vector>

#include "gui/shortcuts.h"
#include "runtime/component.h"
#include "runtime/events.h"

namespace gui {

using runtime::TComponent;
using runtime::TNotifyEvent;
using runtime::TObject;

class TActionLink;
class TBasicActionLink;
class TControl;
class TCustomActionList;
class TCustomImageList;

RUNTIME_EVENT_TYPE(TActionEvent, "Action, Handled", TObject*, bool&);

class TBasicAction : public TComponent {
    RUNTIME_CLASS(TBasicAction)

  public:
    explicit TBasicAction(TComponent* owner);
    ~TBasicAction() override;

    // Runs the action's own OnExecute; false when it has none.
    virtual bool Execute();
    // Lets OnUpdate set the action's state; false when nothing handled it.
    virtual bool Update();

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;

    // The links that show the action.
    void RegisterChanges(TBasicActionLink* link);
    void UnRegisterChanges(TBasicActionLink* link);

  protected:
    // Tells every link that the action's properties changed.
    void Change();
    const std::vector<TBasicActionLink*>& Clients() const { return clients_; }

  private:
    std::vector<TBasicActionLink*> clients_;
};

class TContainedAction : public TBasicAction {
    RUNTIME_CLASS(TContainedAction)

  public:
    explicit TContainedAction(TComponent* owner);
    ~TContainedAction() override;

    TCustomActionList* ActionList() const { return actionList_; }
    void SetActionList(TCustomActionList* list);
    const std::string& Category() const { return category_; }
    void SetCategory(std::string value) { category_ = std::move(value); }
    int Index() const;

    // Its list's OnExecute, else its own, else the application window's
    // hooks (CM_ACTIONEXECUTE); false when nothing handled it.
    bool Execute() override;
    // The same with OnUpdate and CM_ACTIONUPDATE.
    bool Update() override;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

  private:
    friend class TCustomActionList;
    TCustomActionList* actionList_ = nullptr;
    std::string category_;
};

class TCustomAction : public TContainedAction {
    RUNTIME_CLASS(TCustomAction)

  public:
    explicit TCustomAction(TComponent* owner);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value);
    int32_t ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool value) { autoCheck_ = value; }
    int32_t GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int32_t value);
    int32_t HelpContext() const { return helpContext_; }
    void SetHelpContext(int32_t value);

    // AutoCheck toggles Checked before running the action.
    bool Execute() override;

  protected:
    // The links that are action links (menu items', controls').
    std::vector<TActionLink*> Links() const;

  private:
    template <class T, class V, class Setter>
    void SetLinked(T& field, const V& value, Setter setter);

  public:
  private:
    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    std::string hint_;
    int32_t imageIndex_ = -1;
    TShortCut shortCut_ = 0;
    bool visible_ = true;
    bool autoCheck_ = false;
    int32_t groupIndex_ = 0;
    int32_t helpContext_ = 0;
};

class TAction : public TCustomAction {
    RUNTIME_CLASS(TAction)

  public:
    explicit TAction(TComponent* owner) : TCustomAction(owner) {}
};

// Carries the application's hint (TApplication::SetHint) to whoever shows
// it, when no OnHint handler does: executed with the hint as its Hint.
class THintAction : public TCustomAction {
    RUNTIME_CLASS(THintAction)

  public:
    explicit THintAction(TComponent* owner) : TCustomAction(owner) {}
};

class TCustomActionList : public TComponent {
    RUNTIME_CLASS(TCustomActionList)

  public:
    explicit TCustomActionList(TComponent* owner);
    ~TCustomActionList() override;

    int ActionCount() const { return static_cast<int>(actions_.size()); }
    TContainedAction* Actions(int index) const { return actions_.at(static_cast<size_t>(index)); }
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);

    // The list's OnExecute / OnUpdate for one of its actions; true when handled.
    virtual bool ExecuteAction(TBasicAction* action);
    virtual bool UpdateAction(TBasicAction* action);
    // Runs the enabled action with that shortcut; true when there was one.
    bool IsShortCut(TShortCut shortCut);
    // Lets every action update its state (the program does it when idle).
    void UpdateActions();

    TActionEvent OnExecute;
    TActionEvent OnUpdate;

    void GetChildren(const runtime::TGetChildProc& proc, TComponent* root) override;

  protected:
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    friend class TContainedAction;
    void AddAction(TContainedAction* action);
    void RemoveAction(TContainedAction* action);

    std::vector<TContainedAction*> actions_;
    TCustomImageList* images_ = nullptr;
};

class TActionList : public TCustomActionList {
    RUNTIME_CLASS(TActionList)

  public:
    explicit TActionList(TComponent* owner) : TCustomActionList(owner) {}
};

// True when `handler` is the action's own OnExecute (as a layout binds
// both by name): a client's click then runs the action, not the handler.
bool IsActionExecute(const TNotifyEvent& handler, const TBasicAction* action);

// The link between an action and one client.
class TBasicActionLink : public TObject {
  public:
    explicit TBasicActionLink(TObject* client) : client_(client) {}
    ~TBasicActionLink() override;

    TBasicAction* Action() const { return action_; }
    void SetAction(TBasicAction* value);
    virtual bool Execute(TComponent* target);
    virtual bool Update();

  protected:
    friend class TBasicAction;
    // The action's properties changed.
    virtual void Change();
    TObject* client_;

  private:
    TBasicAction* action_ = nullptr;
};

// A link to a TCustomAction. When a property of the action changes, the
// link's setter for it runs before the action stores the new value; the
// setter writes the client only while the client still shows the action's
// old value (the "linked" test), so a value the client was given itself
// stays. Copying the action's values when it is first linked is the
// client's ActionChange.
class TActionLink : public TBasicActionLink {
  public:
    using TBasicActionLink::TBasicActionLink;

    TCustomAction* CustomAction() const;

    virtual bool IsCaptionLinked() const;
    virtual bool IsCheckedLinked() const;
    virtual bool IsEnabledLinked() const;
    virtual bool IsHintLinked() const;
    virtual bool IsImageIndexLinked() const;
    virtual bool IsShortCutLinked() const;
    virtual bool IsVisibleLinked() const;

    virtual void SetCaption(const std::string&) {}
    virtual void SetChecked(bool) {}
    virtual void SetEnabled(bool) {}
    virtual void SetHint(const std::string&) {}
    virtual void SetImageIndex(int32_t) {}
    virtual void SetShortCut(TShortCut) {}
    virtual void SetVisible(bool) {}
};

// The link of a control: caption, enabled, hint and visible.
class TControlActionLink : public TActionLink {
  public:
    explicit TControlActionLink(TControl& control);

    bool IsCaptionLinked() const override;
    bool IsHintLinked() const override;
    void SetCaption(const std::string& value) override;
    void SetEnabled(bool value) override;
    void SetHint(const std::string& value) override;
    void SetVisible(bool value) override;

  protected:
    TControl& control_;
};

}  // namespace gui
