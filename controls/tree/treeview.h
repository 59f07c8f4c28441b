#pragma once

// TGtTreeView: the client area of the tree control, the window below the
// header and between the scroll bars. It keeps the rows shown (from
// TopIndex down to the first row cut off at the bottom), the horizontal
// scroll position, the cached content width and the invalidation requests
// that the tree's outermost unlock hands it; it paints the rows. The tree
// owns it and holds every setting it reads. Windows only.

#include "controls/tree/gtlist.h"
#include "controls/tree/maincell.h"
#include "controls/tree/treemodel.h"
#include "gui/controls.h"

namespace controls::tree {

class TCustomGtTree;
class TGtTreeItem;

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
    TGtTreeItem* HotItem() const { return hotItem_; }

    // ---- scrolling --------------------------------------------------------------------
    int LeftPosition() const { return leftPosition_; }
    // Clamped to the content; the header and the bar follow; OnScroll.
    void SetLeftPosition(int value);
    void SetTopIndex(int value);
    // Scrolls so that the item's row shows whole.
    void MakeItemVisible(TGtTreeItem* item);

    // ---- content width and invalidation -----------------------------------------------
    int ContentWidth() const { return contentWidth_; }
    void SetContentWidth(int value) { contentWidth_ = value; }
    // Widest main cell over the visible items (trees without columns).
    void UpdateContentWidth();
    // Invalidates what the flags ask for and paints at once.
    virtual void FlushRedraw(TGtRefreshFlags refresh);
    void InvalidateRow(const TGtTreeItem* item, int left, int right);
    void ForgetItem(const TGtTreeItem* item);
    void ClearRows();

    bool HasFocus() const { return hasFocus_; }
    bool Painting() const { return painting_; }

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
    // Paints the rows shown at the horizontal origin `origin`.
    virtual void DrawItems(gui::TCanvas& canvas, int origin);

  private:
    void LeftPress(TGtTreeItem* item, THitPart part, runtime::TShiftState shift);
    void DoubleClickAt(int x, int y);
    void CompleteDeferredSelection();
    void FocusAndSelect(TGtTreeItem* item, runtime::TShiftState shift);
    void ToggleExpanded(TGtTreeItem* item);

    TCustomGtTree* tree_;
    TGtTreeItem* hotItem_ = nullptr;
    bool buttonPressed_ = false;
    gui::TPoint pressPoint_;
    bool pendingSelect_ = false;
    runtime::TShiftState pendingShift_;
    int wheelRest_ = 0;
    TGtList rows_;
    int topIndex_ = 0;
    int bottomIndex_ = 0;
    int leftPosition_ = 0;
    int contentWidth_ = -1;
    bool hasFocus_ = false;
    bool painting_ = false;
};

}  // namespace controls::tree
