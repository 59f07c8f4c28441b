#pragma once

// TGtTreeItem: one row of a tree: its place (parent, children, the tree's
// list of all items), its texts, check box, images, colours, state and flag
// bits, cell styles and the application's Data pointer.
//
// Ownership: a parent owns its children (its children list holds them and
// DeleteChild frees them); the collection owns the invisible root. Every
// item but the root also sits in the model's list of all items, in tree
// order: each item followed by its whole subtree, collapsed or not.
//
// An item changes its own fields, then asks its tree (TGtTreeModel) for
// what must be redone; the tree decides when to lay out, sort and repaint.

#include <cstdint>
#include <memory>
#include <string>

#include "controls/tree/gtlist.h"
#include "controls/tree/helpers.h"
#include "controls/tree/treetypes.h"
#include "controls/tree/widestrings.h"
#include "runtime/persistent.h"

namespace runtime {
class TStream;
}

namespace controls::tree {

class TGtCellStyle;
class TGtTreeItems;
class TGtTreeModel;

// State bits, addressed by index with GetState/SetState.
inline constexpr int kStateFocused = 1;
inline constexpr int kStateSelected = 2;
inline constexpr int kStateCut = 3;
inline constexpr int kStateUnderlined = 4;
inline constexpr int kStateBold = 5;
inline constexpr int kStateItalic = 6;
inline constexpr int kStateExpanded = 7;
inline constexpr int kStateStrikeOut = 8;

// Flag bits of the flag word.
inline constexpr uint32_t ifParentColors = 0x1;
inline constexpr uint32_t ifParentStyle = 0x2;
inline constexpr uint32_t ifNoLines = 0x4;
inline constexpr uint32_t ifImage1Shown = 0x8;
inline constexpr uint32_t ifImage2Shown = 0x10;
inline constexpr uint32_t ifForceButton = 0x20;
inline constexpr uint32_t ifStrikeLine = 0x40;
inline constexpr uint32_t ifDividerLine = 0x80;
inline constexpr uint32_t ifAllowEdit = 0x200;
inline constexpr uint32_t ifUseBkColor = 0x400;
inline constexpr uint32_t ifDeleting = 0x800;
inline constexpr uint32_t ifUseStyles = 0x1000;
inline constexpr uint32_t ifHidden = 0x4000;
inline constexpr uint32_t ifEnabled = 0x8000;
inline constexpr uint32_t ifNoButton = 0x10000;
inline constexpr uint32_t ifCheckBoxEnabled = 0x20000;
inline constexpr uint32_t ifShowCheckBox = 0x40000;
inline constexpr uint32_t ifSorting = 0x200000;
inline constexpr uint32_t kDefaultItemFlags = 0x128783;
// Assign copies the flag word without these.
inline constexpr uint32_t kFlagsNotAssigned = ifImage1Shown | ifImage2Shown | 0x80000;

// An item's value in a sort column, built for one sort or one comparison.
struct TGtSortKey {
    enum Kind : int { None = -1, Integer = 0, Boolean = 1, Double = 3, Text = 4, Currency = 12 };
    Kind kind = None;
    int64_t number = 0;   // Integer, Boolean, Currency (x 10,000)
    double real = 0;      // Double
    std::u16string text;  // Text
};

// Compares two keys of one sort type in ascending order: -1, 0 or 1. Keys
// without a value come first; keys of different kinds are equal.
int CompareSortKeys(const TGtSortKey& a, const TGtSortKey& b, TSortTypes type);

// Positions for MoveToItem.
enum TGtMoveMode : int {
    mmAddLast = 0,        // last child of Item's parent
    mmAddFirst = 1,       // first child of Item's parent
    mmAddChildLast = 2,   // last child of Item
    mmAddChildFirst = 3,  // first child of Item
    mmInsertBefore = 4,   // just before Item
};

class TGtTreeItem : public runtime::TPersistent {
    RUNTIME_CLASS(TGtTreeItem)

  public:
    explicit TGtTreeItem(TGtTreeModel* owner);
    ~TGtTreeItem() override;

    TGtTreeModel* Owner() const { return owner_; }
    TGtTreeItems* Items() const { return items_; }
    // None for a top-level item (its stored parent is the root).
    TGtTreeItem* Parent() const;
    TGtTreeItem* StoredParent() const { return parent_; }
    TGtTreeItem* Root() const { return root_; }
    bool IsRoot() const { return root_ == this; }
    // Creation order within the tree: ties between equal sort keys keep it.
    uint64_t CreationOrder() const { return creationOrder_; }

    // ---- texts ------------------------------------------------------------------------
    std::u16string Text() const;
    virtual void SetText(std::u16string_view value);
    // None in virtual mode.
    TGtWideStringList* ColumnText() const;
    std::u16string Hint() const { return GetHint(); }
    void SetHint(std::u16string_view value);
    // The text of a column: the main text for -1 or MainTreeColumn, else the
    // column text (empty when missing); virtual trees ask their event.
    std::u16string CellText(int column) const;

    // ---- check box --------------------------------------------------------------------
    TCheckBoxState CheckBoxState() const { return checkBoxState_; }
    void SetCheckBoxState(TCheckBoxState value);
    bool Checked() const { return checkBoxState_ == cbChecked; }
    void SetChecked(bool value);
    uint8_t CheckBoxType() const { return checkBoxType_; }
    void SetCheckBoxType(uint8_t value);

    // ---- state ------------------------------------------------------------------------
    bool GetState(int index) const;
    void SetState(int index, bool value);
    uint16_t StateWord() const { return state_; }
    bool Selected() const { return selected_; }
    void SetSelected(bool value);
    bool Expanded() const { return (state_ & StateBit(kStateExpanded)) != 0; }
    void SetExpanded(bool value);
    bool Focused() const { return (state_ & StateBit(kStateFocused)) != 0; }

    // ---- flags ------------------------------------------------------------------------
    uint32_t FlagWord() const { return flags_; }
    bool HasFlag(uint32_t flag) const { return (flags_ & flag) != 0; }
    // Stores a flag without side effects (flags that need none).
    void SetFlag(uint32_t flag, bool value);
    bool ParentColors() const { return HasFlag(ifParentColors); }
    void SetParentColors(bool value) { SetFlag(ifParentColors, value); }
    bool ParentStyle() const { return HasFlag(ifParentStyle); }
    void SetParentStyle(bool value);
    bool UseStyles() const { return HasFlag(ifUseStyles); }
    void SetUseStyles(bool value);
    bool ShowCheckBox() const { return HasFlag(ifShowCheckBox); }
    void SetShowCheckBox(bool value);
    bool CheckBoxEnabled() const { return HasFlag(ifCheckBoxEnabled); }
    void SetCheckBoxEnabled(bool value);
    bool Hidden() const { return HasFlag(ifHidden); }
    void SetHidden(bool value);
    bool Enabled() const { return HasFlag(ifEnabled); }
    void SetEnabled(bool value) { SetFlag(ifEnabled, value); }
    bool Deleting() const { return HasFlag(ifDeleting); }

    // ---- plain fields -----------------------------------------------------------------
    TGtColor RowBkColor() const { return rowBkColor_; }
    virtual void SetRowBkColor(TGtColor value);
    int32_t Tag = 0;
    runtime::TObject* UserObject = nullptr;
    std::shared_ptr<void> UserInterface;
    void* Data = nullptr;
    TGtColor Color = 0;
    TGtColor BkColor = 0;
    TGtColor StrikeLineColor = 0;
    TGtColor FrameColor = clGtWindow;
    uint8_t BorderStyle = 0;
    int32_t TextIndent = 0;
    int32_t ImageIndex = -1;
    int32_t StateImageIndex = -1;
    int32_t ImageIndex2 = -1;
    int32_t StateImageIndex2 = -1;
    int8_t Overlay1 = -1;
    int8_t Overlay2 = -1;
    // Where the painter last drew the main text.
    TGtRect TextRect;

    // ---- structure --------------------------------------------------------------------
    int Level() const;
    // Position among the parent's children; -1 when unlinked.
    int Index() const;
    int ChildrenCount() const { return children_ ? children_->Count() : 0; }
    TGtTreeItem* Children(int index) const;
    TGtTreeItem* FirstChild() const;
    TGtTreeItem* LastChild() const;
    TGtTreeItem* FirstVisibleChild() const;
    TGtTreeItem* NextSibling() const;
    TGtTreeItem* PrevSibling() const;
    TGtTreeItem* NextChildAfter(const TGtTreeItem* child) const;
    TGtTreeItem* PrevChildBefore(const TGtTreeItem* child) const;
    TGtTreeItem* LastDescendant() const;
    TGtTreeItem* TopAncestor() const;
    // True when `item` is this item or one of its ancestors below the root.
    bool IsUnder(const TGtTreeItem* item) const;
    bool AllParentsExpanded() const;
    bool IsShown() const;
    bool HasVisibleChildren() const;
    int AbsoluteIndex() const;
    int VisIndex() const;
    int Height() const;
    int ExpandedHeight() const;
    virtual TGtTreeItem* GetPrev() const;
    virtual TGtTreeItem* GetNext() const;
    virtual int GetWidth() const;

    // ---- styles -----------------------------------------------------------------------
    TGtCellStyle* MainStyle() const;
    TGtCellStyle* Styles(int index) const;
    int StylesCount() const;
    virtual TGtCellStyle* AddStyle();
    virtual void RemoveStyle(TGtCellStyle* style);

    // ---- linking ----------------------------------------------------------------------
    void AppendChild(TGtTreeItem* child);
    void InsertChild(int index, TGtTreeItem* child);
    // Unlinks without freeing.
    void RemoveChild(TGtTreeItem* child);
    void DeleteChild(TGtTreeItem* child);
    void DeleteChildren();
    virtual void Delete();

    // ---- expand, move, sort -----------------------------------------------------------
    void Expand(bool recursive);
    void Collapse(bool recursive);
    void ExpandParents();
    void MakeVisible();
    void MoveToIndex(TGtTreeItem* newParent, int index);
    void MoveTo(TGtTreeItem* newParent);
    virtual void MoveToItem(TGtTreeItem* item, TGtMoveMode mode);
    void Sort(bool recursive);
    // The item's key in `column` (-1: the main column) for a sort of `type`.
    TGtSortKey SortKey(TSortTypes type, int column) const;

    // ---- repaint ----------------------------------------------------------------------
    void RedrawItem(bool checkVisible);
    void RedrawItemPart(bool checkVisible, int left, int right);
    void UpdateItem();

    // ---- copying and streams ----------------------------------------------------------
    void Assign(const runtime::TPersistent* source) override;
    virtual void ReadData(runtime::TStream& stream);
    virtual void WriteData(runtime::TStream& stream);

  protected:
    virtual std::u16string GetHint() const;

  private:
    friend class TGtTreeItems;
    friend class TGtTreeModel;
    struct StaticData;

    static constexpr uint16_t StateBit(int index) { return static_cast<uint16_t>(1u << index); }
    void Link(TGtTreeItem* parent);
    void CreateStaticData();
    void DisposeStaticData();
    // The main style as it starts (OwnerProps on, the font the item was
    // linked with); needs static data.
    std::unique_ptr<TGtCellStyle> NewMainStyle() const;
    void ColumnTextChanged();
    void RepaintCheckBox();
    void ContentWidthChanged();
    // True when a child has children of its own.
    bool SortChildren(bool recursive, TGtSSortMode mode, TSortTypes type, int column);
    // CellText without a copy: a view of the stored text; a view without
    // data when the text is not stored (a virtual tree asks a handler).
    std::u16string_view StoredCellText(int column) const;
    void WriteSubtreeTo(TGtList& list, int& position) const;
    void ReadRecord(runtime::TStream& stream, int depth);
    void WriteRecord(runtime::TStream& stream, int depth);
    TGtTreeItem* MoveFocusTarget(TGtTreeItem* child) const;

    TGtTreeModel* owner_;
    TGtTreeItems* items_ = nullptr;
    TGtTreeItem* parent_ = nullptr;
    TGtTreeItem* root_ = nullptr;
    std::unique_ptr<TGtList> children_;
    std::unique_ptr<StaticData> static_;
    uint64_t creationOrder_;
    TGtColor rowBkColor_ = 0;
    uint32_t flags_ = kDefaultItemFlags;
    uint16_t state_ = 0;
    TCheckBoxState checkBoxState_ = cbUnchecked;
    uint8_t checkBoxType_ = 0;
    bool selected_ = false;
};

}  // namespace controls::tree
