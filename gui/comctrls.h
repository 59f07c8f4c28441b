#pragma once

// The common controls: page control with tab sheets, status bar with
// panels, progress bar, up-down, list view, tree view and the platform tool
// bar. The list view, tree view and tool bar stand in for the program's own
// tree and tool bar controls until those exist.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/controls.h"
#include "gui/imagelist.h"
#include "gui/stdctrls.h"
#include "runtime/collection.h"
#include "runtime/persistent.h"
#include "runtime/stringlist.h"

namespace gui {

class TPageControl;
class TBasicAction;

// ---- page control --------------------------------------------------------------------------

class TTabSheet : public TWinControl {
    RUNTIME_CLASS(TTabSheet)

  public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* value);
    // A sheet without its tab still shows when it is the active page.
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool value);
    int PageIndex() const;
    void SetPageIndex(int value);
    int32_t ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value);

    void SetParent(TWinControl* parent) override;

  protected:
    void TextChanged() override;

  private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
    int32_t imageIndex_ = -1;
};

RUNTIME_EVENT_TYPE(TTabChangingEvent, "Sender, AllowChange", TObject*, bool&);

class TPageControl : public TWinControl {
    RUNTIME_CLASS(TPageControl)

  public:
    explicit TPageControl(TComponent* owner);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(static_cast<size_t>(index)); }
    TTabSheet* ActivePage() const { return activePage_; }
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int value);
    // The next (or previous) page with a visible tab after the active one.
    void SelectNextPage(bool forward);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    // The area the pages fill, in client coordinates.
    TRect DisplayRect() const;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

  protected:
    GUI_MESSAGE_MAP(TPageControl, TWinControl)
    void CNNotify(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void AlignControls(TControl* control, TRect& rect) override;
    bool ArrangesChildren() const override { return true; }
    void Notification(TComponent* component, runtime::TOperation operation) override;
    void Loaded() override;

  private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void UpdateTabs();
    void ShowActivePage();
    TTabSheet* PageOfTab(int tab) const;
    int TabOfPage(const TTabSheet* page) const;

    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
    TCustomImageList* images_ = nullptr;
    TChangeLink imagesLink_;
};

// ---- status bar ----------------------------------------------------------------------------

RUNTIME_ENUM(TStatusPanelBevel, pbNone, pbLowered, pbRaised)

class TStatusPanel : public runtime::TCollectionItem {
    RUNTIME_CLASS(TStatusPanel)

  public:
    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    int Width() const { return width_; }
    void SetWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TStatusPanelBevel value);
    void Assign(const runtime::TPersistent* source) override;

  private:
    std::string text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    TStatusPanelBevel bevel_ = pbLowered;
};

class TStatusBar;

class TStatusPanels : public runtime::TCollection {
    RUNTIME_CLASS(TStatusPanels)

  public:
    explicit TStatusPanels(TStatusBar& bar);
    TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
    TStatusPanel* Items(int index) const {
        return static_cast<TStatusPanel*>(TCollection::Items(index));
    }

  protected:
    void Update(runtime::TCollectionItem* item) override;

  private:
    TStatusBar& bar_;
};

// A status bar with panels (or one simple text); other controls may lie on it.
class TStatusBar : public TWinControl {
    RUNTIME_CLASS(TStatusBar)

  public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;

    TStatusPanels* Panels() const { return panels_.get(); }
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool value);
    const std::string& SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string& value);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool value);
    // The rectangle of panel `index` in client coordinates.
    TRect PanelRect(int index) const;

    // Brings the window in step with the panels.
    void UpdatePanels();

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;

  private:
    std::unique_ptr<TStatusPanels> panels_;
    bool simplePanel_ = false;
    std::string simpleText_;
    bool sizeGrip_ = true;
};

// ---- progress bar and up-down --------------------------------------------------------------

RUNTIME_ENUM(TProgressBarOrientation, pbHorizontal, pbVertical)

class TProgressBar : public TWinControl {
    RUNTIME_CLASS(TProgressBar)

  public:
    explicit TProgressBar(TComponent* owner);

    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const;
    void SetPosition(int value);
    int Step() const { return step_; }
    void SetStep(int value);
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool value);
    TProgressBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TProgressBarOrientation value);
    // Advances by Step (or by delta), wrapping past Max to Min as the bar does.
    void StepIt();
    void StepBy(int delta);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;

  private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
    bool smooth_ = false;
    TProgressBarOrientation orientation_ = pbHorizontal;
};

RUNTIME_ENUM(TUDBtnType, btNext, btPrev)
RUNTIME_ENUM(TUDOrientation, udHorizontal, udVertical)
RUNTIME_EVENT_TYPE(TUDClickEvent, "Sender, Button", TObject*, TUDBtnType);
RUNTIME_EVENT_TYPE(TUDChangingEvent, "Sender, AllowChange", TObject*, bool&);

// Up and down arrows that step a number, shown in their associated edit.
class TUpDown : public TWinControl {
    RUNTIME_CLASS(TUpDown)

  public:
    explicit TUpDown(TComponent* owner);

    TWinControl* Associate() const { return associate_; }
    void SetAssociate(TWinControl* value);
    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const;
    void SetPosition(int value);
    int Increment() const { return increment_; }
    void SetIncrement(int value);
    bool Wrap() const { return wrap_; }
    void SetWrap(bool value);
    bool ArrowKeys() const { return arrowKeys_; }
    void SetArrowKeys(bool value);
    bool Thousands() const { return thousands_; }
    void SetThousands(bool value);
    TUDOrientation Orientation() const { return orientation_; }
    void SetOrientation(TUDOrientation value);

    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;

  protected:
    GUI_MESSAGE_MAP(TUpDown, TWinControl)
    void CNNotify(TMessage& msg);
    void CNScroll(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    TWinControl* associate_ = nullptr;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int increment_ = 1;
    bool wrap_ = false;
    bool arrowKeys_ = true;
    bool thousands_ = true;
    TUDOrientation orientation_ = udVertical;
};

// ---- list view -----------------------------------------------------------------------------

RUNTIME_ENUM(TViewStyle, vsIcon, vsSmallIcon, vsList, vsReport)
RUNTIME_ENUM(TItemChange, ctText, ctImage, ctState)

class TListView;
class TListItems;

class TListColumn : public runtime::TCollectionItem {
    RUNTIME_CLASS(TListColumn)

  public:
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    int Width() const;
    void SetWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    void Assign(const runtime::TPersistent* source) override;

  private:
    friend class TListView;
    std::string caption_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
};

class TListColumns : public runtime::TCollection {
    RUNTIME_CLASS(TListColumns)

  public:
    explicit TListColumns(TListView& view);
    TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
    TListColumn* Items(int index) const {
        return static_cast<TListColumn*>(TCollection::Items(index));
    }
    TListView& View() const { return view_; }

  protected:
    void Update(runtime::TCollectionItem* item) override;

  private:
    TListView& view_;
};

class TListItem : public runtime::TPersistent {
    RUNTIME_CLASS(TListItem)

  public:
    TListItem(TListItems* owner) : owner_(owner) {}

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    // The texts of the columns after the first.
    runtime::TStrings* SubItems() const { return subItems_.get(); }
    bool Checked() const;
    void SetChecked(bool value);
    bool Selected() const;
    void SetSelected(bool value);
    bool Focused() const;
    void SetFocused(bool value);
    int32_t ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value);
    // The row's state image: 0-based in the view's state images (the
    // check boxes' 0 and 1 among them); -1: none.
    int32_t StateIndex() const;
    void SetStateIndex(int32_t value);
    // Starts editing the caption in place; false when the view cannot
    // (read-only, or without a window).
    bool EditCaption();
    // The program's object behind the row (not owned).
    void* Data() const { return data_; }
    void SetData(void* value) { data_ = value; }
    int Index() const;
    void MakeVisible();
    void Delete();

  private:
    friend class TListItems;
    friend class TListView;
    void Changed();
    TListItems* owner_;
    std::string caption_;
    std::unique_ptr<runtime::TStringList> subItems_ = std::make_unique<runtime::TStringList>();
    bool checked_ = false;
    int32_t imageIndex_ = -1;
    int32_t stateIndex_ = -1;
    void* data_ = nullptr;
};

class TListItems : public runtime::TPersistent {
    RUNTIME_CLASS(TListItems)

  public:
    explicit TListItems(TListView& view) : view_(view) {}
    TListItems(const TListItems&) = delete;
    TListItems& operator=(const TListItems&) = delete;

    // With OwnerData the count is set and the rows are asked for (OnData).
    int Count() const;
    void SetCount(int value);
    TListItem* Item(int index) const;
    TListItem* Add();
    TListItem* Insert(int index);
    void Delete(int index);
    void Clear();
    int IndexOf(const TListItem* item) const;
    void BeginUpdate();
    void EndUpdate();

  private:
    friend class TListView;
    friend class TListItem;
    TListView& view_;
    std::vector<std::unique_ptr<TListItem>> items_;
    int virtualCount_ = 0;
};

RUNTIME_EVENT_TYPE(TLVChangeEvent, "Sender, Item, Change", TObject*, TListItem*, TItemChange);
RUNTIME_EVENT_TYPE(TLVSelectItemEvent, "Sender, Item, Selected", TObject*, TListItem*, bool);
RUNTIME_EVENT_TYPE(TLVOwnerDataEvent, "Sender, Item", TObject*, TListItem*);

class TListView : public TWinControl {
    RUNTIME_CLASS(TListView)

  public:
    explicit TListView(TComponent* owner);
    ~TListView() override;

    TListColumns* Columns() const { return columns_.get(); }
    TListItems& Items() const { return *items_; }
    TViewStyle ViewStyle() const { return viewStyle_; }
    void SetViewStyle(TViewStyle value);
    bool Checkboxes() const { return checkboxes_; }
    void SetCheckboxes(bool value);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool value);
    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool value);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    bool ShowColumnHeaders() const { return showColumnHeaders_; }
    void SetShowColumnHeaders(bool value);
    // The rows are the program's: OnData fills them when they show.
    bool OwnerData() const { return ownerData_; }
    void SetOwnerData(bool value);
    TCustomImageList* SmallImages() const { return smallImages_; }
    void SetSmallImages(TCustomImageList* value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);

    TListItem* Selected() const;
    void SetSelected(TListItem* item);
    TListItem* ItemFocused() const;
    int SelCount() const;
    // The next selected row after `start` (nullptr: from the top).
    TListItem* GetNextSelected(const TListItem* start) const;
    TListItem* ItemAt(int x, int y) const;

    TLVChangeEvent OnChange;
    TLVSelectItemEvent OnSelectItem;
    TLVOwnerDataEvent OnData;

  protected:
    GUI_MESSAGE_MAP(TListView, TWinControl)
    void CNNotify(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyWnd() override;
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    friend class TListItems;
    friend class TListItem;
    friend class TListColumns;
    friend class TListColumn;
    void UpdateColumns();
    void UpdateItems();
    void UpdateExStyle();
    void ItemChanged(TListItem* item);
    // The row of an owner-data view, filled by OnData.
    TListItem* DataItem(int index) const;

    std::unique_ptr<TListColumns> columns_;
    std::unique_ptr<TListItems> items_;
    TViewStyle viewStyle_ = vsIcon;
    bool checkboxes_ = false;
    bool rowSelect_ = false;
    bool gridLines_ = false;
    bool multiSelect_ = false;
    bool readOnly_ = false;
    bool hideSelection_ = true;
    bool showColumnHeaders_ = true;
    bool ownerData_ = false;
    TBorderStyle borderStyle_ = bsSingle;
    TCustomImageList* smallImages_ = nullptr;
    int selected_ = -1;  // the selection while there is no window
    mutable std::unique_ptr<TListItem> dataItem_;
    std::vector<bool> checkedSaved_;
};

// ---- tree view -----------------------------------------------------------------------------

class TTreeNodes;
class TTreeView;

class TTreeNode : public runtime::TPersistent {
    RUNTIME_CLASS(TTreeNode)

  public:
    TTreeNode(TTreeNodes& owner, TTreeNode* parent) : owner_(owner), parent_(parent) {}
    ~TTreeNode() override;

    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    void* Data() const { return data_; }
    void SetData(void* value) { data_ = value; }
    TTreeNode* Parent() const { return parent_; }
    int Count() const { return static_cast<int>(children_.size()); }
    TTreeNode* Item(int index) const { return children_.at(static_cast<size_t>(index)).get(); }
    int Index() const;
    int Level() const;
    bool Expanded() const;
    void SetExpanded(bool value);
    bool Selected() const;
    void SetSelected(bool value);
    int32_t ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value);
    // The image shown while the node is selected; -1: its ImageIndex.
    int32_t SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int32_t value);
    // The node's state image: 1-based in the view's state images; -1 or 0:
    // none.
    int32_t StateIndex() const { return stateIndex_; }
    void SetStateIndex(int32_t value);
    // Starts editing the text in place; false when the view cannot
    // (read-only, or without a window).
    bool EditText();
    void MakeVisible();
    // Frees the node with its children.
    void Delete();
    HTREEITEM ItemId() const { return item_; }

  private:
    friend class TTreeNodes;
    friend class TTreeView;
    TTreeNodes& owner_;
    TTreeNode* parent_;
    std::vector<std::unique_ptr<TTreeNode>> children_;
    std::string text_;
    void* data_ = nullptr;
    int32_t imageIndex_ = -1;
    int32_t selectedIndex_ = -1;
    int32_t stateIndex_ = -1;
    bool expanded_ = false;
    HTREEITEM item_ = nullptr;
    void ApplyState();
};

class TTreeNodes : public runtime::TPersistent {
    RUNTIME_CLASS(TTreeNodes)

  public:
    explicit TTreeNodes(TTreeView& view) : view_(view) {}
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    // A node after the last child of `parent` (nullptr: a top-level node).
    TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
    // A node after `sibling` among its siblings' (nullptr: at the top level).
    TTreeNode* Add(TTreeNode* sibling, const std::string& text);
    int Count() const;
    // The top-level nodes.
    int TopCount() const { return static_cast<int>(roots_.size()); }
    TTreeNode* TopItem(int index) const { return roots_.at(static_cast<size_t>(index)).get(); }
    TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
    void Clear();
    void Delete(TTreeNode* node);
    void BeginUpdate();
    void EndUpdate();

  private:
    friend class TTreeView;
    friend class TTreeNode;
    TTreeNode* Insert(TTreeNode* parent, size_t position, const std::string& text);
    std::vector<std::unique_ptr<TTreeNode>>& SiblingsOf(TTreeNode* parent);
    TTreeView& view_;
    std::vector<std::unique_ptr<TTreeNode>> roots_;
};

RUNTIME_EVENT_TYPE(TTVChangedEvent, "Sender, Node", TObject*, TTreeNode*);

class TTreeView : public TWinControl {
    RUNTIME_CLASS(TTreeView)

  public:
    explicit TTreeView(TComponent* owner);
    ~TTreeView() override;

    TTreeNodes& Items() const { return *items_; }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    bool ShowLines() const { return showLines_; }
    void SetShowLines(bool value);
    bool ShowButtons() const { return showButtons_; }
    void SetShowButtons(bool value);
    bool ShowRoot() const { return showRoot_; }
    void SetShowRoot(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TTreeNode* GetNodeAt(int x, int y) const;
    // Every node expanded (collapsed).
    void FullExpand();
    void FullCollapse();
    // The node shown first at the top; nullptr without nodes or window.
    TTreeNode* TopItem() const;
    // Scrolls the node to the top.
    void SetTopItem(TTreeNode* node);

    TTVChangedEvent OnChange;

  protected:
    GUI_MESSAGE_MAP(TTreeView, TWinControl)
    void CNNotify(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyWnd() override;
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    friend class TTreeNodes;
    friend class TTreeNode;
    void InsertItem(TTreeNode* node);
    void InsertAll(std::vector<std::unique_ptr<TTreeNode>>& nodes);
    void ForgetItems(std::vector<std::unique_ptr<TTreeNode>>& nodes);
    TTreeNode* NodeOf(HTREEITEM item) const;

    std::unique_ptr<TTreeNodes> items_;
    bool showLines_ = true;
    bool showButtons_ = true;
    bool showRoot_ = true;
    bool readOnly_ = false;
    bool hideSelection_ = true;
    TBorderStyle borderStyle_ = bsSingle;
    TCustomImageList* images_ = nullptr;
    TTreeNode* selected_ = nullptr;
};

// ---- tool bar ------------------------------------------------------------------------------

RUNTIME_ENUM(TToolButtonStyle, tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider)

class TToolBar;
class TToolButtonActionLink;

// A button of a tool bar (the platform's tool bar draws and presses it).
class TToolButton : public TComponent {
    RUNTIME_CLASS(TToolButton)

  public:
    explicit TToolButton(TComponent* owner);
    ~TToolButton() override;

    TToolBar* ToolBar() const { return toolBar_; }
    void SetToolBar(TToolBar* value);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value) { hint_ = value; }
    int32_t ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value);
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Down() const { return down_; }
    void SetDown(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // The width of a separator.
    int Width() const { return width_; }
    void SetWidth(int value);
    TBasicAction* Action() const;
    void SetAction(TBasicAction* value);
    uint16_t Command() const { return command_; }

    virtual void Click();
    TNotifyEvent OnClick;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

  protected:
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    friend class TToolBar;
    friend class TToolButtonActionLink;
    void Changed();

    TToolBar* toolBar_ = nullptr;
    std::string caption_;
    std::string hint_;
    int32_t imageIndex_ = -1;
    TToolButtonStyle style_ = tbsButton;
    bool enabled_ = true;
    bool down_ = false;
    bool visible_ = true;
    int width_ = 8;
    uint16_t command_ = 0;
    std::unique_ptr<TToolButtonActionLink> actionLink_;
};

class TToolBar : public TWinControl {
    RUNTIME_CLASS(TToolBar)

  public:
    explicit TToolBar(TComponent* owner);
    ~TToolBar() override;

    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Buttons(int index) const { return buttons_.at(static_cast<size_t>(index)); }
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // The button's rectangle in client coordinates.
    TRect ButtonRect(const TToolButton* button) const;
    TToolButton* ButtonAt(TPoint p) const;

    void GetChildren(const runtime::TGetChildProc& proc, TComponent* root) override;

  protected:
    GUI_MESSAGE_MAP(TToolBar, TWinControl)
    void CNCommand(TMessage& msg);
    void CMHintShow(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    friend class TToolButton;
    void InsertButton(TToolButton* button);
    void RemoveButton(TToolButton* button);
    void RebuildButtons();

    std::vector<TToolButton*> buttons_;
    TCustomImageList* images_ = nullptr;
    TChangeLink imagesLink_;
    bool showCaptions_ = false;
    bool flat_ = true;
    bool rebuilding_ = false;
};

}  // namespace gui
