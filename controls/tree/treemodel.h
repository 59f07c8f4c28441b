#pragma once

// TGtTreeModel: the data side of a tree, everything its items consult and
// change: the settings that shape the data (columns, sorting, selection,
// filtering, virtual mode), the list of all items in tree order, the
// selection, the focused item, the references the view keeps to items, the
// nested update lock and the events the items raise.
//
// The tree control (TCustomGtTree) is a TGtTreeModel: its setters store
// here and add their display effects; it attaches itself as the model's
// TGtTreeDisplay, through which the data side asks for repaints and
// measurements. Without a view (tests, tools) the model works on its own
// and every request is simply recorded and dropped at the end of an update.
//
// Update lock: SetUpdating(true/false) nests. Items and the collection
// record what must be redone with Request(flags); the outermost unlock runs
// a pending sort (SortPending) once and hands the accumulated flags to the
// view's EndUpdate once. A request made while no update runs is handled at
// once.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/tree/cellstyle.h"
#include "controls/tree/gtlist.h"
#include "controls/tree/treetypes.h"
#include "runtime/events.h"
#include "runtime/streams.h"
#include "runtime/variant.h"

namespace controls::tree {

class TGtCellStyle;
class TGtHeaderSection;
class TGtHeaderSections;
class TGtTreeItem;
class TGtTreeItems;
class TGtTreeModel;

// What an item or the collection asks the tree to redo (or'ed together).
using TGtRefreshFlags = uint32_t;
inline constexpr TGtRefreshFlags rfRowsStale = 1;        // rebuild the displayed rows
inline constexpr TGtRefreshFlags rfCountStale = 2;       // recount TotalVisible
inline constexpr TGtRefreshFlags rfRepaintRows = 4;      // invalidate the rows area
inline constexpr TGtRefreshFlags rfRepaintAll = 8;       // invalidate the whole client area
inline constexpr TGtRefreshFlags rfContentWidth = 16;    // re-measure the content width
inline constexpr TGtRefreshFlags rfAutoSizeMain = 32;    // auto-size the main column
inline constexpr TGtRefreshFlags rfAutoSizeAll = 64;     // auto-size every column
inline constexpr TGtRefreshFlags rfUpdatePending = 128;  // end-of-update work is due

// The view half of a tree: what the data side asks of the window. Every
// operation has a do-nothing default so that a model works without one.
class TGtTreeDisplay {
  public:
    virtual ~TGtTreeDisplay() = default;

    // The outermost unlock (or a request outside any update): lay out,
    // update scroll bars, rebuild rows, auto-size and repaint as `refresh`
    // asks, once.
    virtual void EndUpdate(TGtTreeModel&, TGtRefreshFlags /*refresh*/) {}
    // The item's row (or the range left..right of it, relative to the
    // horizontal scroll position) needs repainting; with checkVisible only
    // when the row is displayed.
    virtual void RedrawItem(TGtTreeItem*, bool /*checkVisible*/) {}
    virtual void RedrawItemPart(TGtTreeItem*, bool /*checkVisible*/, int /*left*/, int /*right*/) {}
    // Paint pending invalidations now (no update is running).
    virtual void PaintNow() {}
    // The item leaves the tree: drop it from the displayed rows and end an
    // in-place edit (whatever item it edits). The model has already cleared
    // its own references (TGtItemRefs).
    virtual void ItemDeleted(TGtTreeItem*) {}
    // Every row leaves the display (the collection is cleared).
    virtual void ClearDisplayedRows() {}
    // Measurer: the width in pixels of the item's cell in `column` (-1: the
    // main cell).
    virtual int MeasureCellSize(TGtTreeItem*, int /*column*/) { return 0; }
    // Scroll so that the item's row is shown.
    virtual void EnsureVisible(TGtTreeItem*) {}
    // The item just got the focus: when it is the last row shown and cut
    // off at the bottom, the rows move up by one.
    virtual void FocusArrived(TGtTreeItem*) {}
};

// The item references that the tree and its view keep outside the lists.
// Deleting an item clears every one that names it.
struct TGtItemRefs {
    TGtTreeItem* HotItem = nullptr;           // hot-tracked row
    TGtTreeItem* HintItem = nullptr;          // row whose hint shows
    TGtTreeItem* DropTarget = nullptr;        // drag-and-drop target row
    TGtTreeItem* PendingSelect = nullptr;     // row a mouse-up will select
    TGtTreeItem* LastClicked = nullptr;       // anchor of Shift+click ranges
    TGtTreeItem* FrameAnchor = nullptr;       // first row of a mouse frame
    TGtTreeItem* PendingEdit = nullptr;       // row an in-place edit waits for
    TGtTreeItem* PendingFocusItem = nullptr;  // row the change-delay timer waits for

    void Forget(const TGtTreeItem* item);
    bool Names(const TGtTreeItem* item) const;
};

// The font new cell styles take from the tree.
struct TGtFontInfo {
    int32_t Size = 8;
    uint8_t Styles = 0;
    std::string Name = "MS Sans Serif";
};

RUNTIME_EVENT_TYPE(TOnItemChangeEvent, "Sender, Item, ItemChangeMode", runtime::TObject*,
                   TGtTreeItem*, TItemChangeMode);
RUNTIME_EVENT_TYPE(TOnItemExpanding, "Sender, Item, CanProcess", runtime::TObject*, TGtTreeItem*,
                   bool&);
RUNTIME_EVENT_TYPE(TOnItemExpandEvent, "Sender, Item", runtime::TObject*, TGtTreeItem*);
RUNTIME_EVENT_TYPE(TItemSelChangeEvent, "Sender, Item", runtime::TObject*, TGtTreeItem*);
RUNTIME_EVENT_TYPE(TGtTreeChangingEvent, "Sender, Item, AllowChange", runtime::TObject*,
                   TGtTreeItem*, bool&);
RUNTIME_EVENT_TYPE(TOnCompareItems, "Sender, Item1, Item2, res", runtime::TObject*, TGtTreeItem*,
                   TGtTreeItem*, int&);
RUNTIME_EVENT_TYPE(TItemSaveEvent, "Sender, Stream, Item", runtime::TObject*, runtime::TStream*,
                   TGtTreeItem*);
RUNTIME_EVENT_TYPE(TCellStyleSaveEvent, "Sender, Stream, Style", runtime::TObject*,
                   runtime::TStream*, TGtCellStyle*);
RUNTIME_EVENT_TYPE(TVirtualTextNeededEvent, "Sender, Item, SectionIndex, Text", runtime::TObject*,
                   TGtTreeItem*, int, std::u16string&);
RUNTIME_EVENT_TYPE(TVirtualHintNeededEvent, "Sender, Item, Hint", runtime::TObject*, TGtTreeItem*,
                   std::u16string&);
RUNTIME_EVENT_TYPE(TVirtualValueNeededEvent, "Sender, Item, SectionIndex, VarType, Value",
                   runtime::TObject*, TGtTreeItem*, int, int, runtime::Variant&);
RUNTIME_EVENT_TYPE(TVirtualStyleNeededEvent, "Sender, Item, SectionIndex, Style", runtime::TObject*,
                   TGtTreeItem*, int, TGtCellStyle*);

// Makes a new, unlinked item for a tree (the collection's item class).
using TGtTreeItemFactory = std::function<std::unique_ptr<TGtTreeItem>(TGtTreeModel*)>;

class TGtTreeModel {
  public:
    // `factory` makes every item (plain TGtTreeItem objects without one).
    explicit TGtTreeModel(TGtTreeItemFactory factory = {});
    virtual ~TGtTreeModel();
    TGtTreeModel(const TGtTreeModel&) = delete;
    TGtTreeModel& operator=(const TGtTreeModel&) = delete;

    TGtTreeItems& Items() { return *items_; }
    const TGtTreeItems& Items() const { return *items_; }
    // Every item but the root, in tree order.
    TGtList& AllItems() { return allItems_; }
    const TGtList& AllItems() const { return allItems_; }

    // ---- attachments ------------------------------------------------------------------
    TGtTreeDisplay* Display() const { return view_; }
    void SetDisplay(TGtTreeDisplay* view) { view_ = view; }
    // The header sections that are the tree's columns (not owned; none
    // means no columns).
    TGtHeaderSections* Sections() const { return sections_; }
    void SetSections(TGtHeaderSections* sections) { sections_ = sections; }
    int SectionCount() const;
    // The section whose Index is `index`, none when absent.
    TGtHeaderSection* SectionByIndex(int index) const;
    // The Sender of every event (the control; none by default).
    runtime::TObject* EventSender() const { return sender_; }
    void SetEventSender(runtime::TObject* sender) { sender_ = sender; }
    virtual TGtFontInfo DefaultFont() const { return {}; }
    // DefaultFont now, shared with the items linked since it last changed
    // (their main styles start with it).
    std::shared_ptr<const TGtFontInfo> StyleFont();

    // ---- settings ---------------------------------------------------------------------
    bool ShowColumns() const { return showColumns_; }
    void SetShowColumns(bool value) { showColumns_ = value; }
    int MainTreeColumn() const { return mainTreeColumn_; }
    void SetMainTreeColumn(int value) { mainTreeColumn_ = value; }
    TVirtualityLevel VirtualityLevel() const { return virtualityLevel_; }
    // Changes every item's storage: virtual items lose their texts and styles.
    virtual void SetVirtualityLevel(TVirtualityLevel value);
    bool IsVirtual() const { return virtualityLevel_ != vlNone; }
    bool FilteredVisibility() const { return filteredVisibility_; }
    // Turning it on applies the filter.
    void SetFilteredVisibility(bool value);
    bool MultiSelect() const { return multiSelect_; }
    virtual void SetMultiSelect(bool value);
    bool KeepSelectionWithinLevel() const { return keepSelectionWithinLevel_; }
    void SetKeepSelectionWithinLevel(bool value) { keepSelectionWithinLevel_ = value; }
    bool ShowCheckboxes() const { return showCheckboxes_; }
    void SetShowCheckboxes(bool value) { showCheckboxes_ = value; }
    bool MoveFocusOnCollapse() const { return moveFocusOnCollapse_; }
    void SetMoveFocusOnCollapse(bool value) { moveFocusOnCollapse_ = value; }
    bool DeselectChildrenOnCollapse() const { return deselectChildrenOnCollapse_; }
    void SetDeselectChildrenOnCollapse(bool value) { deselectChildrenOnCollapse_ = value; }
    bool AutoExpand() const { return autoExpand_; }
    void SetAutoExpand(bool value) { autoExpand_ = value; }
    int LineHeight() const { return lineHeight_; }
    void SetLineHeight(int value) { lineHeight_ = value; }
    TSortModes SortMode() const { return sortMode_; }
    void SetSortMode(TSortModes value) { sortMode_ = value; }
    int SortSection() const { return sortSection_; }
    void SetSortSection(int value) { sortSection_ = value; }
    TSortDirs SortDir() const { return sortDir_; }
    void SetSortDir(TSortDirs value) { sortDir_ = value; }
    TSortTypes SortType() const { return sortType_; }
    void SetSortType(TSortTypes value) { sortType_ = value; }
    bool SortUseCase() const { return sortUseCase_; }
    void SetSortUseCase(bool value) { sortUseCase_ = value; }
    // True when changes of texts re-sort by themselves (smAdd, smAddClick).
    bool AutoSorts() const { return sortMode_ == smAdd || sortMode_ == smAddClick; }

    // ---- state ------------------------------------------------------------------------
    bool IsDestroying() const { return destroying_; }
    bool IsLoading() const { return loading_; }
    void SetLoading(bool value) { loading_ = value; }

    TGtTreeItem* FocusedItem() const { return focused_; }
    // The current selected item (the view's CurrentItem).
    TGtTreeItem* CurrentItem() const { return current_; }
    void SetCurrentItem(TGtTreeItem* item) { current_ = item; }
    // The selected items in selection order; none while MultiSelect is off.
    TGtList* SelectionList() { return selection_.get(); }
    const TGtList* SelectionList() const { return selection_.get(); }
    bool SelectionChanged() const { return selectionChanged_; }
    void SetSelectionChanged(bool value) { selectionChanged_ = value; }
    TGtItemRefs& Refs() { return refs_; }

    int HiddenCount() const { return hiddenCount_; }
    void ChangeHiddenCount(int delta) { hiddenCount_ += delta; }
    int EventLockCount() const { return eventLockCount_; }
    void LockEvents() { ++eventLockCount_; }
    void UnlockEvents() { --eventLockCount_; }
    int SortDepth() const { return sortDepth_; }
    void RaiseSortDepth() { ++sortDepth_; }
    void LowerSortDepth() { --sortDepth_; }
    // Displayed rows: not hidden by the filter, not inside a collapsed item.
    int TotalVisible();
    // Items created so far: each item's CreationOrder.
    uint64_t NextCreationOrder() { return ++creationCounter_; }

    // ---- update lock and refresh ------------------------------------------------------
    bool IsUpdating() const { return updateCount_ > 0; }
    int UpdateCount() const { return updateCount_; }
    virtual void SetUpdating(bool updating);
    // Records what must be redone; outside an update it is done at once.
    void Request(TGtRefreshFlags flags);
    TGtRefreshFlags PendingRefresh() const { return pending_; }
    bool SortPending() const { return sortPending_; }
    void SetSortPending() { sortPending_ = true; }
    // Re-sort for a change of the item's column text: left pending while
    // updating (or already sorting), else done at once on the parent.
    void RequestResort(TGtTreeItem* parent);
    void RedrawItem(TGtTreeItem* item, bool checkVisible);
    void RedrawItemPart(TGtTreeItem* item, bool checkVisible, int left, int right);
    void PaintNow();

    // ---- sorting ----------------------------------------------------------------------
    // Sorts the top-level items (and below them when recursive) between
    // OnSortBegin and OnSortEnd.
    virtual void Sort(bool recursive);
    // Item1 before Item2 gives <0. Built-in types compare the sort keys,
    // direction applied; stCustom asks OnCompareItems. Ties go to
    // CompareTiedItems, and items still equal keep their creation order in
    // either direction. The item sort compares built-in keys inline in the
    // same way, so extra ordering belongs in CompareTiedItems.
    int CompareItems(TGtTreeItem* item1, TGtTreeItem* item2, TGtSSortMode sectionSortMode,
                     TSortTypes sortType, int sectionIndex);
    // Orders two different items whose sort keys tie (the tree's extra sort
    // columns): <0, 0 or >0 with each column's own direction applied. The
    // model has none.
    virtual int CompareTiedItems(TGtTreeItem* item1, TGtTreeItem* item2);
    // True while CompareTiedItems can tell items apart (the tree: while its
    // multi-sort list has sections); sorts ask it once.
    virtual bool HasTieBreakers() const { return false; }
    // A section sort mode of hsmNone follows SortDir.
    bool SortsDescending(TGtSSortMode sectionSortMode) const {
        return sectionSortMode == hsmDescend ||
               (sectionSortMode == hsmNone && sortDir_ == sdDescend);
    }

    // ---- focus and selection (treeselect.cpp) -----------------------------------------
    // Moves the focus; true when it changed. OnChanging may refuse unless
    // `forced`. The item's selection is toggled (ToggleSelect); without
    // MultiSelect that makes it the one selected item. `delayed` (keyboard
    // moves) lets OnItemFocused wait ChangeDelay milliseconds and fire only
    // if the focus stayed.
    virtual bool SetItemFocused(TGtTreeItem* item, bool forced = false, bool delayed = false);
    // Flips the item's selection under the level rules; without MultiSelect
    // the item replaces the current one.
    virtual void ToggleSelect(TGtTreeItem* item);
    // With MultiSelect: the size of the selection; without: 1 while an item
    // has the focus.
    int SelectedCount() const;
    // The selection in the order items were selected: the first for none,
    // else the one after `prev` (none after the last or for an item not
    // selected). Without MultiSelect the focused item for none, else none.
    virtual TGtTreeItem* GetNextSelected(TGtTreeItem* prev) const;
    // Fills `list` with the selection (the focused item without MultiSelect).
    virtual void AllSelected(TGtList& list) const;
    // The walks below act only with MultiSelect. Without IncludeHidden
    // they skip rows the filter hides and the children of collapsed items.
    virtual void SelectAll();
    virtual void SelectAllEx(bool includeHidden);
    virtual void InvertSelection();
    virtual void InvertSelectionEx(bool includeHidden);
    // Keeps rows the filter hides selected.
    virtual void DeselectAll();
    virtual void DeselectAllEx(bool includeHidden);
    // Every item from one to the other in tree order, both included (none
    // stands for the first item); the same item twice selects nothing.
    virtual void SelectRange(TGtTreeItem* from, TGtTreeItem* to);
    virtual void SelectRangeEx(TGtTreeItem* from, TGtTreeItem* to, bool selectDisabled,
                               bool includeCollapsed);
    // The same, skipping rows the filter hides unless `ignoreFilter`.
    virtual void SelectRange2(TGtTreeItem* from, TGtTreeItem* to, bool ignoreFilter);
    virtual void SelectRangeEx2(TGtTreeItem* from, TGtTreeItem* to, bool ignoreFilter,
                                bool selectDisabled, bool includeCollapsed);
    // -1: any level; else clicks keep the selection on items of that level.
    int MultiSelectLevel() const { return multiSelectLevel_; }
    void SetMultiSelectLevel(int value);
    // Selection acts on disabled items too.
    bool IgnoreEnabled = false;
    // With AutoExpand, moving the focus collapses what the old item opened.
    bool AutoCollapse = false;
    // Milliseconds a keyboard focus move waits before OnItemFocused (0: at once).
    int ChangeDelay = 500;
    // The item the change-delay timer waits for.
    TGtTreeItem* PendingFocusItem() const { return refs_.PendingFocusItem; }

    // ---- filter and expansion (treefilter.cpp) ----------------------------------------
    // The item is not shown because it or an ancestor is Hidden while
    // FilteredVisibility is on.
    bool FilteredOut(const TGtTreeItem* item) const;
    // Moves focus, the current item, the hot item and the drop target off
    // rows the filter hides. Runs at each outermost unlock while
    // FilteredVisibility is on.
    virtual void ApplyFilter();
    virtual void FullExpand();
    virtual void FullCollapse();

    // ---- events -----------------------------------------------------------------------
    virtual void DoItemChange(TGtTreeItem* item, TItemChangeMode mode);
    virtual bool DoItemExpanding(TGtTreeItem* item);
    virtual bool DoItemCollapsing(TGtTreeItem* item);
    virtual void DoItemExpand(TGtTreeItem* item);
    virtual void DoItemCollapse(TGtTreeItem* item);
    virtual void DoItemDeletion(TGtTreeItem* item);
    virtual void DoItemSelectedChange(TGtTreeItem* item);
    virtual void DoItemFocused();
    virtual bool DoChanging(TGtTreeItem* item);
    virtual int DoCompareItems(TGtTreeItem* item1, TGtTreeItem* item2);
    virtual void DoItemSave(runtime::TStream& stream, TGtTreeItem* item);
    virtual void DoItemLoad(runtime::TStream& stream, TGtTreeItem* item);
    virtual void DoSortBegin();
    virtual void DoSortEnd();
    virtual std::u16string DoVirtualTextNeeded(TGtTreeItem* item, int sectionIndex);
    virtual std::u16string DoVirtualHintNeeded(TGtTreeItem* item);
    virtual runtime::Variant DoVirtualValueNeeded(TGtTreeItem* item, int sectionIndex, int varType);
    virtual void DoVirtualStyleNeeded(TGtTreeItem* item, int sectionIndex, TGtCellStyle* style);

    TOnItemChangeEvent OnItemChange;
    TOnItemExpanding OnItemExpanding;
    TOnItemExpanding OnItemCollapsing;
    TOnItemExpandEvent OnItemExpand;
    TOnItemExpandEvent OnItemCollapse;
    TOnItemExpandEvent OnItemDeletion;
    TItemSelChangeEvent OnItemSelectedChange;
    runtime::TNotifyEvent OnItemFocused;
    TGtTreeChangingEvent OnChanging;
    TOnCompareItems OnCompareItems;
    TItemSaveEvent OnItemSave;
    TItemSaveEvent OnItemLoad;
    TCellStyleSaveEvent OnCellStyleSave;
    TCellStyleSaveEvent OnCellStyleLoad;
    runtime::TNotifyEvent OnSortBegin;
    runtime::TNotifyEvent OnSortEnd;
    TVirtualTextNeededEvent OnVirtualTextNeeded;
    TVirtualHintNeededEvent OnVirtualHintNeeded;
    TVirtualValueNeededEvent OnVirtualValueNeeded;
    TVirtualStyleNeededEvent OnVirtualStyleNeeded;

  protected:
    // The change-delay timer: OnItemFocused for `item` after ChangeDelay,
    // only if it still has the focus then. A newer delayed change replaces
    // the waiting item.
    void StartChangeTimer(TGtTreeItem* item);
    void StopChangeTimer();
    // The timer's tick (it runs once).
    void ChangeTimerFired();
    // Starts (ChangeDelay milliseconds) or stops the window timer; false
    // when there is none, and a start then fires at once.
    virtual bool SetChangeTimer(bool /*running*/) { return false; }
    // Marks the model as being destroyed (the control's destructor calls it
    // first); items then skip focus moves and repaints.
    void BeginDestroy() { destroying_ = true; }
    // The focused item without any event (used while deleting).
    void SetFocusedItemSilently(TGtTreeItem* item) { focused_ = item; }
    friend class TGtTreeItem;

  private:
    void EndUpdateWork();
    // The index in the list of all items of the last item of the subtree
    // that starts at index `i` (i itself for a leaf).
    int SubtreeEnd(int i) const;
    // SelectAllEx/InvertSelectionEx: `invert` toggles instead of selecting.
    void WalkSelection(bool invert, bool skipHidden, bool skipCollapsed);
    void SelectRangeWalk(TGtTreeItem* from, TGtTreeItem* to, bool skipFiltered, bool selectDisabled,
                         bool includeCollapsed);
    // The state bit and selected flag without events.
    void ClearSelectedFlag(TGtTreeItem* item);
    // The nearest item before `item` (then after it) that the filter shows.
    TGtTreeItem* NearestShown(TGtTreeItem* item) const;

    TGtTreeItemFactory factory_;
    TGtList allItems_;
    std::unique_ptr<TGtList> selection_;
    std::unique_ptr<TGtTreeItems> items_;
    TGtTreeDisplay* view_ = nullptr;
    TGtHeaderSections* sections_ = nullptr;
    std::shared_ptr<const TGtFontInfo> styleFont_;
    runtime::TObject* sender_ = nullptr;

    bool showColumns_ = false;
    int mainTreeColumn_ = 0;
    TVirtualityLevel virtualityLevel_ = vlNone;
    bool filteredVisibility_ = false;
    bool multiSelect_ = true;
    bool keepSelectionWithinLevel_ = false;
    bool showCheckboxes_ = false;
    bool moveFocusOnCollapse_ = false;
    bool deselectChildrenOnCollapse_ = false;
    bool autoExpand_ = false;
    int lineHeight_ = 17;
    TSortModes sortMode_ = smNone;
    int sortSection_ = 0;
    TSortDirs sortDir_ = sdAscend;
    TSortTypes sortType_ = stText;
    bool sortUseCase_ = true;

    bool destroying_ = false;
    bool loading_ = false;
    TGtTreeItem* focused_ = nullptr;
    TGtTreeItem* current_ = nullptr;
    bool selectionChanged_ = false;
    TGtItemRefs refs_;
    int hiddenCount_ = 0;
    int eventLockCount_ = 0;
    int sortDepth_ = 0;
    int multiSelectLevel_ = -1;
    bool changeTimerArmed_ = false;
    mutable int nextSelectedHint_ = 0;
    int totalVisible_ = -1;  // -1: to be recounted
    uint64_t creationCounter_ = 0;
    int updateCount_ = 0;
    bool inEndUpdate_ = false;
    bool sortPending_ = false;
    TGtRefreshFlags pending_ = 0;
};

}  // namespace controls::tree
