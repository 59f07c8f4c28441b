#pragma once

// The tree/grid control as the main window and its dialogs use it, standing
// in for the program's own tree control until that is built: the system's
// list view in report mode, flat rows with a check box each, columns as
// header sections, striped rows, bold rows and cells the window draws
// itself (OnItemDraw). Its interface is the part of the tree control the
// window relies on, under the same names, so the real control takes its
// place without changes to the window's logic.
//
// Rows are kept here (wide texts, the window's data pointer, check and bold
// state); the list view asks for their texts when it shows them. Check
// boxes the user toggles raise OnItemChecked; a change made in code raises
// nothing. OnItemSelectedChange is raised for the row that becomes
// selected.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/controls.h"
#include "runtime/collection.h"
#include "runtime/events.h"

namespace gui {
class TCanvas;
class TFont;
}

namespace ui {

class TTreeStandIn;

// One column of the tree: its header section.
class TTreeSection : public runtime::TCollectionItem {
    RUNTIME_CLASS(TTreeSection)

  public:
    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    int Width() const;
    void SetWidth(int value);
    // False: the user cannot drag the section's edge.
    bool AllowResize() const { return allowResize_; }
    void SetAllowResize(bool value) { allowResize_ = value; }
    void Assign(const runtime::TPersistent* source) override;

  private:
    friend class TTreeStandIn;
    TTreeStandIn* Tree() const;
    std::string text_;
    int width_ = 80;
    bool allowResize_ = true;
};

class TTreeSections : public runtime::TCollection {
  public:
    explicit TTreeSections(TTreeStandIn& tree);
    TTreeSection* Add() { return static_cast<TTreeSection*>(TCollection::Add()); }
    TTreeSection* Items(int index) const {
        return static_cast<TTreeSection*>(TCollection::Items(index));
    }
    TTreeStandIn& Tree() const { return tree_; }

  protected:
    void Update(runtime::TCollectionItem* item) override;

  private:
    TTreeStandIn& tree_;
};

// One row.
class TTreeItem : public runtime::TObject {
  public:
    // The main column's text; column N's text is ColumnText[N - 1].
    std::u16string Text;
    std::vector<std::u16string> ColumnText;
    // The window's record behind the row (not owned).
    void* Data = nullptr;
    // Drawn in the bold face.
    bool Bold = false;

    bool Checked() const { return checked_; }
    // Cells of column `section` are drawn by OnItemDraw.
    bool OwnerDraw(int section) const;
    void SetOwnerDraw(int section, bool value);
    int Index() const { return index_; }

  private:
    friend class TTreeStandIn;
    bool checked_ = false;
    uint32_t ownerDraw_ = 0;
    int index_ = -1;
};

RUNTIME_EVENT_TYPE(TTreeItemEvent, "Sender, Item", runtime::TObject*, TTreeItem*);
// A cell of an owner-drawn column: its rectangle in the tree's client
// coordinates, and the canvas to draw on (its background already filled in
// the row's colour). Set in code: a rectangle is no published type.
using TTreeItemDrawEvent = runtime::TEvent<runtime::TObject*, TTreeItem*, int, const gui::TRect&,
                                           gui::TCanvas&>;

class TTreeStandIn : public gui::TWinControl {
    RUNTIME_CLASS(TTreeStandIn)

  public:
    explicit TTreeStandIn(runtime::TComponent* owner);
    ~TTreeStandIn() override;

    // ---- header sections ---------------------------------------------------------------------
    TTreeSections* Sections() const { return sections_.get(); }
    int SectionCount() const { return sections_->Count(); }
    int SectionWidth(int index) const;
    void SetSectionWidth(int index, int width);

    // ---- rows --------------------------------------------------------------------------------
    // Nested; the rows are shown once the outermost update ends.
    void BeginUpdate();
    void EndUpdate();
    bool IsUpdating() const { return updates_ > 0; }
    void Clear();
    TTreeItem& AddItem(std::u16string text, void* data = nullptr);
    int ItemCount() const { return static_cast<int>(items_.size()); }
    TTreeItem* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
    // Changes the check box without raising OnItemChecked.
    void SetChecked(TTreeItem& item, bool value);
    // The row's texts or style changed: it is drawn again.
    void ItemChanged(const TTreeItem& item);

    // ---- selection ---------------------------------------------------------------------------
    TTreeItem* Selected() const;
    // Selects only this row (nullptr: none) and focuses it.
    void SetSelected(TTreeItem* item);
    int SelectedCount() const;
    bool IsSelected(const TTreeItem& item) const;
    // The next selected row after `item` (nullptr: from the top).
    TTreeItem* GetNextSelected(const TTreeItem* item) const;
    void MakeVisible(const TTreeItem& item);
    // The row at a client point, nullptr when none.
    TTreeItem* ItemAt(int x, int y) const;

    // The width the vertical scroll bar takes now (0 when it is hidden).
    int VertScrollBarWidth() const;

    // ---- appearance --------------------------------------------------------------------------
    bool ShowCheckboxes() const { return showCheckboxes_; }
    void SetShowCheckboxes(bool value);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool ShowHeader() const { return showHeader_; }
    void SetShowHeader(bool value);
    // Odd rows in StripeColor, even ones in the window colour.
    bool StripedItems() const { return stripedItems_; }
    void SetStripedItems(bool value);
    gui::TColor StripeColor() const { return stripeColor_; }
    void SetStripeColor(gui::TColor value);
    // The background of a row as OnItemDraw sees it.
    gui::TColor RowColor(const TTreeItem& item) const;

    TTreeItemEvent OnItemChecked;
    TTreeItemEvent OnItemSelectedChange;
    TTreeItemDrawEvent OnItemDraw;

  protected:
    GUI_MESSAGE_MAP(TTreeStandIn, gui::TWinControl)
    void CNNotify(gui::TMessage& msg);
    void WMNotify(gui::TMessage& msg);

  protected:
    void CreateParams(gui::TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyWnd() override;

  private:
    friend class TTreeSections;
    friend class TTreeSection;
    void UpdateSections();
    void UpdateRows();
    void InsertRow(TTreeItem& item);
    void UpdateExStyle();
    void SectionChanged(TTreeSection& section);
    LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);
    void DrawOwnerCell(NMLVCUSTOMDRAW& draw, TTreeItem& item, int section);
    void ItemStateChanged(const NMLISTVIEW& change);
    TTreeItem* ItemOfIndex(int index) const;

    std::unique_ptr<TTreeSections> sections_;
    std::vector<std::unique_ptr<TTreeItem>> items_;
    int updates_ = 0;
    // Check marks set in code; the list view's report of them is not the user's.
    int settingChecks_ = 0;
    bool showCheckboxes_ = true;
    bool multiSelect_ = false;
    bool showHeader_ = true;
    bool stripedItems_ = false;
    gui::TColor stripeColor_ = gui::RGBColor(240, 240, 240);
    std::unique_ptr<gui::TCanvas> cellCanvas_;
    std::unique_ptr<gui::TFont> boldFont_;
    std::vector<bool> selectedSaved_;
};

}  // namespace ui
