#pragma once

// Menus: TMenuItem trees shown as a form's menu bar (TMainMenu) or at a
// point (TPopupMenu), with shortcuts, check marks, images and actions.
//
// The Win32 menu is built from the items when first needed and built
// again after any item changes. A chosen item's Click runs after the menu
// has closed. A popup menu's OnPopup runs before the menu shows; when it
// raises the silent abort (EAbort), the abort leaves Popup and no menu is
// shown.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/actions.h"
#include "gui/geometry.h"
#include "gui/handles.h"
#include "gui/shortcuts.h"
#include "runtime/component.h"
#include "runtime/events.h"

namespace gui {

using runtime::TComponent;
using runtime::TNotifyEvent;
using runtime::TObject;

class TMenu;
class TMenuItem;
class TBasicAction;
class TCustomImageList;

RUNTIME_ENUM(TPopupAlignment, paLeft, paRight, paCenter)
RUNTIME_ENUM(TTrackButton, tbRightButton, tbLeftButton)

// The link of a menu item to its action: caption, checked, enabled, hint,
// image, shortcut and visible.
class TMenuActionLink : public TActionLink {
  public:
    explicit TMenuActionLink(TMenuItem& item);

    bool IsCaptionLinked() const override;
    bool IsHintLinked() const override;
    void SetCaption(const std::string& value) override;
    void SetChecked(bool value) override;
    void SetEnabled(bool value) override;
    void SetHint(const std::string& value) override;
    void SetImageIndex(int32_t value) override;
    void SetShortCut(TShortCut value) override;
    void SetVisible(bool value) override;

  protected:
    TMenuItem& item_;
};

class TMenuItem : public TComponent {
    RUNTIME_CLASS(TMenuItem)

  public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    // "-" makes a separator line.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool value);
    int32_t GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int32_t value);
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool value) { autoCheck_ = value; }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value) { hint_ = value; }
    int32_t ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value);
    TBasicAction* Action() const;
    void SetAction(TBasicAction* value);

    bool IsLine() const { return caption_ == "-"; }

    // ---- the tree ------------------------------------------------------------------------
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    int IndexOf(const TMenuItem* item) const;
    // Places an item (owned by its owner component) under this one.
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    // Frees every item under this one.
    void Clear();
    TMenuItem* Parent() const { return parent_; }
    // The menu the item belongs to (through its parents).
    TMenu* GetParentMenu() const;
    // The item with that command identifier among this one and those under it.
    TMenuItem* Find(uint16_t command);

    // The identifier WM_COMMAND reports for this item.
    uint16_t Command() const { return command_; }

    // AutoCheck toggles Checked; then OnClick, or the action.
    virtual void Click();
    TNotifyEvent OnClick;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;
    void GetChildren(const runtime::TGetChildProc& proc, TComponent* root) override;

    // Builds the item's part of a Win32 menu.
    void AppendTo(HMENU menu);

  protected:
    friend class TMenuActionLink;
    void Changed();
    // Makes the link to an action (a menu item class with more to show
    // returns its own link class).
    virtual std::unique_ptr<TMenuActionLink> CreateActionLink();
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    friend class TMenu;
    friend class TMainMenu;
    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    bool default_ = false;
    bool radioItem_ = false;
    bool autoCheck_ = false;
    int32_t groupIndex_ = 0;
    TShortCut shortCut_ = 0;
    std::string hint_;
    int32_t imageIndex_ = -1;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;  // set on a menu's root item
    uint16_t command_ = 0;
    std::unique_ptr<TMenuActionLink> actionLink_;
    TBitmapHandle image_;
};

class TMenu : public TComponent {
    RUNTIME_CLASS(TMenu)

  public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    // The invisible root whose children are the menu's entries.
    TMenuItem* Items() const { return items_.get(); }
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);

    // The Win32 menu, built on demand.
    HMENU Handle();
    bool HandleAllocated() const { return static_cast<bool>(handle_); }

    // Clicks the item with that command identifier; false when none has it.
    bool DispatchCommand(uint16_t command);
    // Clicks the enabled, visible item with that shortcut (a menu of
    // another kind looks its items up its own way).
    virtual bool IsShortCut(TShortCut shortCut);
    // The item's long hint for a highlighted command (WM_MENUSELECT).
    std::string HintOf(uint16_t command);

    void GetChildren(const runtime::TGetChildProc& proc, TComponent* root) override;

  protected:
    friend class TMenuItem;
    // An item changed: the Win32 menu is built again.
    virtual void MenuChanged();
    virtual HMENU MakeHandle();
    void Notification(TComponent* component, runtime::TOperation operation) override;
    TMenuHandle handle_;

  private:
    std::unique_ptr<TMenuItem> items_;
    TCustomImageList* images_ = nullptr;
};

// The menu bar of the form whose Menu it is.
class TMainMenu : public TMenu {
    RUNTIME_CLASS(TMainMenu)

  public:
    explicit TMainMenu(TComponent* owner);
    // The form window showing it (set by the form).
    void SetWindow(HWND window);
    HWND Window() const { return window_; }

  protected:
    void MenuChanged() override;
    HMENU MakeHandle() override;

  private:
    HWND window_ = nullptr;
};

class TPopupMenu : public TMenu {
    RUNTIME_CLASS(TPopupMenu)

  public:
    explicit TPopupMenu(TComponent* owner);

    // Shows the menu at the screen point (kept as PopupPoint) and returns
    // once it closed (the chosen item clicked). OnPopup runs first; an
    // exception it raises (the silent abort included) leaves Popup and no
    // menu is shown. A menu of another kind overrides it.
    virtual void Popup(int x, int y);
    TPoint PopupPoint() const { return popupPoint_; }
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* value);
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }
    TPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment value) { alignment_ = value; }
    // The button that chooses items: the right one also, or the left only.
    TTrackButton TrackButton() const { return trackButton_; }
    void SetTrackButton(TTrackButton value) { trackButton_ = value; }

    TNotifyEvent OnPopup;

  protected:
    virtual void DoPopup();
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    TComponent* popupComponent_ = nullptr;
    bool autoPopup_ = true;
    TPopupAlignment alignment_ = paLeft;
    TTrackButton trackButton_ = tbRightButton;
    TPoint popupPoint_;
};

// The text of a caption without its "&" accelerator marks ("&&" is "&").
std::string StripHotkey(const std::string& caption);

}  // namespace gui
