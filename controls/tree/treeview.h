#pragma once

// TGtTreeView: the client area of the tree control, the window below the
// header and between the scroll bars. It keeps the rows shown (from
// TopIndex down to the first row cut off at the bottom), the horizontal
// scroll position, the cached content width and the invalidation requests
// that the tree's outermost unlock hands it; it paints the rows. The tree
// owns it and holds every setting it reads. Windows only.

#include <memory>
#include <string>
#include <vector>

#include "controls/tree/gtlist.h"
#include "controls/tree/hintwindow.h"
#include "controls/tree/inplaceeditor.h"
#include "controls/tree/maincell.h"
#include "controls/tree/scrollgeometry.h"
#include "controls/tree/treemodel.h"
#include "controls/tree/treewheel.h"
#include "gui/controls.h"
#include "gui/imagelist.h"

namespace controls::tree {

class TCustomGtTree;
class TGtHeaderSection;
class TGtTreeItem;
class TGtHeaderSection;

// The part of a row under a point.
RUNTIME_ENUM(THitPart, hpExpandButton, hpText, hpCell, hpMainCell, hpImage, hpImage2, hpCheckBox,
             hpNothing)

class TGtTreeView : public gui::TCustomControl {
    RUNTIME_CLASS(TGtTreeView)

  public:
    // The owner must be a TCustomGtTree (the class library's invalid-cast
    // error otherwise).
    explicit TGtTreeView(runtime::TComponent* owner);
    ~TGtTreeView() override;

    TCustomGtTree& Tree() const { return *tree_; }

    // ---- rows shown -------------------------------------------------------------------
    int RowCount() const { return rows_.Count(); }
    TGtTreeItem* Row(int index) const { return static_cast<TGtTreeItem*>(rows_.Get(index)); }
    int TopIndex() const { return topIndex_; }
    int BottomIndex() const { return bottomIndex_; }
    // Clamps the index to the content and rebuilds the rows from it.
    void ApplyTopIndex(int index);
    // Rebuilds the rows from the visible index `from`.
    void RebuildRows(int from);
    int RowHeight(const TGtTreeItem* item) const;
    int RowsHeight() const;

    // ---- geometry (view coordinates) --------------------------------------------------
    virtual int GetVisibleRowCount() const;
    virtual int GetFullRowCount(int& rest) const;
    virtual gui::TRect GetRowRect(int index) const;
    virtual TGtTreeItem* GetItemAtY(int y) const;
    // The row's index among the rows shown, -1 when not shown.
    int RowIndexOf(const TGtTreeItem* item) const;

    // ---- mouse (treemouse_win.cpp) ----------------------------------------------------
    // The row under the point and which part of it; `section` gets the
    // column's index when the point lies in one (else keeps its value).
    virtual TGtTreeItem* GetItemAt(int x, int y, int& section, THitPart& part) const;
    // Flips the item's selection under the tree's rules.
    void ToggleSelect(TGtTreeItem* item);
    TGtTreeItem* HotItem() const;
    // After the user expanded the item: scrolls down so that its shown
    // subtree fits below it, never past making the item the top row.
    void ShowChildren(TGtTreeItem* item);
    // ---- frame selection (treeframe_win.cpp) ------------------------------------------
    bool FrameSelecting() const { return frameSelecting_; }
    // Releases the frame's items and the mouse and erases the frame.
    void EndFrameSelection();

    // ---- keys and incremental search (treekeys_win.cpp, treesearch_win.cpp) -----------
    // Where Up, Down, Page Up, Page Down, Home and End move the focus (none
    // for other keys or without a target): `index` gets its visible index,
    // `wasSelected` whether the last row looked at was selected.
    virtual TGtTreeItem* GetNavigationTarget(uint16_t key, int& index, bool& wasSelected);
    // Adds a typed character to the search text (Backspace takes one off,
    // Escape clears it and the selection) and focuses the first item whose
    // main text starts with it, ignoring case. Always false: the key goes
    // on to OnKeyPress.
    bool ProcessSearch(char16_t key);
    const std::u16string& SearchText() const { return searchText_; }
    // The search times out: its text is cleared.
    void EndSearch();
    // A found item: its parents expand and, unless it shows already, it
    // becomes the top row.
    void ShowFound(TGtTreeItem* item);

    // ---- scrolling --------------------------------------------------------------------
    int LeftPosition() const { return leftPosition_; }
    // Clamped to the content; the header and the bar follow; OnScroll.
    void SetLeftPosition(int value);
    void SetTopIndex(int value);
    // Scrolls so that the item's row shows whole.
    void MakeItemVisible(TGtTreeItem* item);
    // Rows of their own height: the smallest visible index from which the
    // rows down to `index` fit the view, and the last one that fits from
    // `index` (treescroll_win.cpp).
    int PageTopFor(int index) const;
    int LastFittingFrom(int index) const;
    // The scroll bars' OnScroll: the view moves itself (doChange false).
    void HorzScroll(TGtScrollCode code, int& position, bool& doChange);
    void VertScroll(TGtScrollCode code, int& position, bool& doChange);

    // ---- content width and invalidation -----------------------------------------------
    int ContentWidth() const { return contentWidth_; }
    void SetContentWidth(int value) { contentWidth_ = value; }
    // Widest main cell over the visible items (trees without columns).
    void UpdateContentWidth();
    // Invalidates what the flags ask for and paints at once.
    virtual void FlushRedraw(TGtRefreshFlags refresh);
    void InvalidateRow(const TGtTreeItem* item, int left, int right);
    void ForgetItem(const TGtTreeItem* item);
    // Drops what the mouse and keys hold of a deleted item (treemouse_win.cpp).
    void ForgetInputItem(const TGtTreeItem* item);
    void ClearRows();

    bool HasFocus() const { return hasFocus_; }
    bool Painting() const { return painting_; }

    // ---- line hints and item hints (treehints_win.cpp) --------------------------------
    // Shows the line hint of the row at the point when the tree's settings
    // ask for one there.
    void ShowLineHintAt(int x, int y);
    // The text a line hint of the item shows; may move `section` to the
    // main column when that column's text stands in for an empty cell.
    std::u16string LineHintText(TGtTreeItem* item, TGtHeaderSection*& section);
    virtual void ShowLineHint(TGtTreeItem* item, TGtHeaderSection* section);
    void HideLineHint();
    TGtTreeItem* HintedItem() const { return hintedItem_; }
    TGtHintWindow* LineHintWindow() const { return hintWindow_.get(); }
    gui::TPoint LastHintPoint() const { return lastHintPoint_; }
    // Any message, before its normal handling: hint hiding, the edit timer,
    // the click-to-edit memory, the drag start and the drag notices.
    void WndProc(gui::TMessage& msg) override;

    // ---- in-place editing (treeedit_win.cpp) ------------------------------------------
    virtual void DoEditItem(TGtTreeItem* item, int sectionIndex);
    // Ends a running edit: accepted unless `cancel`.
    virtual void DoEndEdit(bool cancel);
    // Forgets the editor (a cancelled edit).
    virtual void ClearEditor();
    // Stores the accepted value and fires OnEndEditItem.
    virtual void ApplyEditResult();
    // Starts the edit after InplaceEditorDelay, or at once.
    virtual void ScheduleEdit(TGtTreeItem* item, int sectionIndex, bool immediate);
    void StopPendingEdit();
    TGtTreeInplaceEditor* Editor() const { return editor_; }
    TGtTreeItem* EditingItem() const { return editingItem_; }
    int LastClickedSection() const { return lastClickedSection_; }

    // ---- drag and drop (treedrag_win.cpp) ---------------------------------------------
    virtual void DoDragOver(gui::TDragObject* dragObject, int x, bool accepted, int y);
    // A step the control itself never takes: one row up or down when the
    // point lies in the top or bottom half-row.
    virtual bool DragScrollStep(gui::TDragObject* dragObject, int x, int y);
    TGtTreeItem* DropTarget() const;
    bool DropAccepted() const { return dropAccepted_; }
    bool DragOverActive() const { return dragOverActive_; }
    bool DragStarted() const { return dragStarted_; }
    gui::TCustomImageList* GetDragImages() override;
    int ImageTop() const { return imageTop_; }
    // The view's timers as the timer service knows them.
    const void* LineHintTimer() const { return &lineHintTimer_; }
    const void* PendingEditTimer() const { return &pendingEditTimer_; }
    const void* DragScrollTimer() const { return &dragScrollTimer_; }
    const void* DragExpandTimer() const { return &dragExpandTimer_; }
    // Repaints the drop target with the drag image hidden.
    void RepaintDropTarget();
    // The end of a drag of the view's rows: image and drop target go.
    void FinishDrag();
    // The view is going: a running edit is cancelled, the hint hidden and
    // every timer of the view stopped.
    void EndInteraction();
    // A deleted item leaves every reference of hints, editing and dragging.
    void ForgetInteraction(const TGtTreeItem* item);

  protected:
    GUI_MESSAGE_MAP(TGtTreeView, gui::TCustomControl)
    void WMSize(gui::TMessage& msg);
    void WMPaint(gui::TMessage& msg);
    void WMEraseBkgnd(gui::TMessage& msg);
    void WMGetDlgCode(gui::TMessage& msg);
    void WMSetFocus(gui::TMessage& msg);
    void WMKillFocus(gui::TMessage& msg);

  protected:
    void Paint() override;
    void MouseDown(runtime::TMouseButton button, runtime::TShiftState shift, int x, int y) override;
    void MouseUp(runtime::TMouseButton button, runtime::TShiftState shift, int x, int y) override;
    void MouseMove(runtime::TShiftState shift, int x, int y) override;
    bool DoMouseWheel(runtime::TShiftState shift, int wheelDelta, gui::TPoint mousePos) override;
    void KeyDown(uint16_t& key, runtime::TShiftState shift) override;
    bool DoKeyPress(gui::TMessage& msg) override;
    // Paints the rows shown at the horizontal origin `origin`.
    virtual void DrawItems(gui::TCanvas& canvas, int origin);
    void DoStartDrag(gui::TDragObject*& dragObject) override;
    void DragOver(runtime::TObject* source, int x, int y, gui::TDragState state,
                  bool& accept) override;
    void DragDrop(runtime::TObject* source, int x, int y) override;
    void DoEndDrag(runtime::TObject* target, int x, int y) override;

    // ---- painting (treepaint_win.cpp, treemaincell_win.cpp) ---------------------------
  public:
    // The working colours of the row being painted, which its cells share.
    struct TRowColors {
        TGtColor Background = 0;
        TGtColor Text = 0;
        bool Set = false;       // the row has a background of its own
        bool FromItem = false;  // ... and it is the item's RowBkColor
    };
    const TRowColors& RowColors() const { return rowColors_; }

  protected:
    // One row (r in view coordinates, its right end as far as the content
    // reaches): colours, cells, strike line, focus rectangle, highlight.
    virtual void DrawItem(gui::TCanvas& canvas, TGtTreeItem* item, const gui::TRect& r,
                          int rowIndex);
    // The main cell of a row; records where its text landed.
    virtual void DrawMainCell(gui::TCanvas& canvas, TGtTreeItem* item, const gui::TRect& r);

  private:
    void DrawCell(gui::TCanvas& canvas, TGtTreeItem* item, const TGtHeaderSection& section,
                  const gui::TRect& r, int lineWidth);
    void DrawGridLines(gui::TCanvas& canvas);
    // The style a virtual tree's handler fills for each cell.
    TGtCellStyle* ScratchStyle();
    TRowColors rowColors_;
    std::unique_ptr<TGtCellStyle> scratchStyle_;

  private:
    void LeftPress(TGtTreeItem* item, THitPart part, runtime::TShiftState shift);
    void CompleteDeferredSelection();
    void FocusAndSelect(TGtTreeItem* item, THitPart part, runtime::TShiftState shift);
    void ToggleExpanded(TGtTreeItem* item);
    // Keyboard and frame input (treekeys_win.cpp, treeframe_win.cpp,
    // treesearch_win.cpp).
    void Navigate(uint16_t key, bool ctrl, bool shift);
    // The tree's focus change, which toggles the new item's selection;
    // keyboard moves are `delayed`. True when the focus moved.
    bool FocusItem(TGtTreeItem* item, bool delayed);
    void RightPress(TGtTreeItem* item, THitPart part, runtime::TShiftState shift);
    // Before a click's focus change, with a multi-selection of the usual
    // kind: a plain click clears the selection, Shift selects from the
    // anchor (CurrentItem) to the item, which the focus change selects.
    void PrepareClick(TGtTreeItem* item, bool ctrl, bool range);
    void ScrollToFocused(uint16_t key, int index);
    void FrameMove(int x, int y);
    void StartFrame(runtime::TShiftState shift);
    void SetFrameCorner(int x, int y);
    void UpdateFrameSelection();
    void DrawSelectionFrame();
    void RestartSearchTimer();
    // Where the mouse messages go before the class library's handling;
    // false keeps OnMouseUp, OnClick or OnDblClick from firing.
    bool LeftButtonUp(int x, int y);
    bool RightButtonUp(int x, int y);
    bool LeftDoubleClick(int x, int y);
    bool RightDoubleClick(int x, int y);
    void ProcessMouseMove(runtime::TShiftState shift, int x, int y);
    // The item is disabled and IgnoreEnabled is off.
    bool Refuses(const TGtTreeItem* item) const;
    void StopFrame(bool erase);
    void WMTimer(gui::TMessage& msg);
    void WMCancelMode(gui::TMessage& msg);
    void WMCaptureChanged(gui::TMessage& msg);
    void WMButtonUp(gui::TMessage& msg);
    void WMButtonDblClk(gui::TMessage& msg);
    void WMWheelAlias(gui::TMessage& msg);
    void CMMouseLeave(gui::TMessage& msg);
    void CMSysColorChange(gui::TMessage& msg);

    TCustomGtTree* tree_;
    bool buttonPressed_ = false;
    gui::TPoint pressPoint_;
    bool pendingSelect_ = false;
    runtime::TShiftState pendingShift_;
    TGtWheelRows wheel_;
    TGtList rows_;
    int topIndex_ = 0;
    int bottomIndex_ = 0;
    int leftPosition_ = 0;
    int contentWidth_ = -1;
    bool hasFocus_ = false;
    bool painting_ = false;

    // Input state (treemouse, treekeys, treeframe, treesearch).
    bool frameSelecting_ = false;
    TGtTreeItem* frameAnchor_ = nullptr;
    int frameAnchorX_ = 0;  // content coordinates
    int frameAnchorOffset_ = 0;
    TGtTreeItem* frameCorner_ = nullptr;
    int frameCornerX_ = 0;
    int frameCornerOffset_ = 0;
    std::vector<TGtTreeItem*> frameItems_;
    std::u16string searchText_;
    bool searchTimerRunning_ = false;
    // Line hints, editing, drag and drop.
    void LineHintTick();
    void ItemHintMove(int x, int y);
    void HintMouseMove(int x, int y);
    void HintShowRequest(gui::THintInfo& info);
    void PendingEditTick();
    void ClickReleased(int x, int y);
    void DoubleClicked(int x, int y);
    bool TryStartDrag(int x, int y);
    void DragNotice(gui::TMessage& msg);
    void ClearDropTarget();
    void DragScrollTick();
    void DragExpandTick();
    void BuildDragImages();
    void DrawDragRows(gui::TCanvas& canvas);
    void DrawDragRow(gui::TCanvas& canvas, TGtTreeItem* item, gui::TRect r);
    std::unique_ptr<TGtHintWindow> hintWindow_;
    TGtTreeItem* hintedItem_ = nullptr;
    gui::TPoint lastHintPoint_{-1, -1};
    TGtTreeInplaceEditor* editor_ = nullptr;
    TGtTreeItem* editingItem_ = nullptr;
    int pendingEditSection_ = -1;
    bool clickedBefore_ = false;
    gui::TPoint lastClickPoint_;
    TGtTreeItem* lastClickedItem_ = nullptr;
    int lastClickedSection_ = -1;
    bool dragStarted_ = false;
    bool dropAccepted_ = false;
    bool dragOverActive_ = false;
    bool dragScrollRunning_ = false;
    std::unique_ptr<gui::TCustomImageList> dragImages_;
    int imageTop_ = -1;
    // Keys of the view's timers in the timer service.
    char lineHintTimer_ = 0;
    char pendingEditTimer_ = 0;
    char dragScrollTimer_ = 0;
    char dragExpandTimer_ = 0;
};

}  // namespace controls::tree
