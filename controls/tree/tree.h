#pragma once

// TCustomGtTree: the multi-column tree and grid control. It draws nothing
// itself: it owns and wires together the client-area view (TGtTreeView,
// treeview.h) that paints the rows and takes the mouse and keys, the
// header (TGtHeader) whose sections are the columns, two owner-drawn
// scroll bars and the item collection. It holds every setting the view and
// the items read, raises every event through one overridable dispatcher
// (Do + the event's name) and repaints through the nested update lock of
// TGtTreeModel: setters and item changes record what must be redone and
// the outermost unlock lays out, updates the bars, sorts, sizes and
// repaints once. TGtTree publishes it.
//
// Layout, bars, measuring and the border are treelayout_win.cpp; the
// arithmetic behind them is treegeometry.h. Windows only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/tree/header.h"
#include "controls/tree/hook.h"
#include "controls/tree/inplaceeditor.h"
#include "controls/tree/interacttypes.h"
#include "controls/tree/maincell.h"
#include "controls/tree/scrollbar.h"
#include "controls/tree/treeevents.h"
#include "controls/tree/treeitem.h"
#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"
#include "controls/tree/xpthemed.h"
#include "gui/graphic.h"
#include "gui/imagelist.h"
#include "gui/stdctrls.h"

namespace controls::tree {

class TGtTreeView;
class TCustomGtTree;

RUNTIME_ENUM(TGtDblClickMode, dcmNone, dcmExpand, dcmEdit)
RUNTIME_ENUM(TSTSelModes, smSimple, smUsual)

// Makers of the parts a descendant replaces (a C++ constructor cannot call
// a descendant's override): empty members make the standard parts.
struct TGtTreeParts {
    std::function<std::unique_ptr<TGtTreeView>(TCustomGtTree*)> View;
    std::function<std::unique_ptr<TCustomGtHeader>(TCustomGtTree*)> Header;
};

class TCustomGtTree : public TGtXPThemedControl, public TGtTreeModel, private TGtTreeDisplay {
    RUNTIME_CLASS(TCustomGtTree)

  public:
    explicit TCustomGtTree(runtime::TComponent* owner) : TCustomGtTree(owner, {}) {}
    TCustomGtTree(runtime::TComponent* owner, const TGtTreeParts& parts);
    ~TCustomGtTree() override;

    // ---- parts ------------------------------------------------------------------------
    TGtTreeView* View() const { return view_; }
    TCustomGtHeader* Header() const { return header_; }
    TGtScrollBar* HorzScrollBar() const { return horzBar_; }
    TGtScrollBar* VertScrollBar() const { return vertBar_; }
    TGtScrollBarStyles* HorzScrollBarStyles() const { return horzStyles_.get(); }
    TGtScrollBarStyles* VertScrollBarStyles() const { return vertStyles_.get(); }
    TGtHeaderSections* HeaderSections() const;
    // Takes a copy of the sections.
    void SetHeaderSections(TGtHeaderSections* value);

    // ---- update lock ------------------------------------------------------------------
    // Also holds the header's own lock.
    void SetUpdating(bool updating) override;

    // ---- items and columns ------------------------------------------------------------
    virtual void SetShowColumns(bool value);
    void SetMainTreeColumn(int value);
    int DefaultSectionWidth() const;
    void SetDefaultSectionWidth(int value);
    int SelectColumn() const { return selectColumn_; }
    void SetSelectColumn(int value);
    bool OwnerDrawByColumn = true;
    std::u16string OwnerDrawMask = u"~~@~~";

    // ---- rows, lines and buttons ------------------------------------------------------
    void SetLineHeight(int value);
    bool AutoLineHeight() const { return autoLineHeight_; }
    void SetAutoLineHeight(bool value);
    int ItemIndent() const { return itemIndent_; }
    void SetItemIndent(int value);
    bool ShowLines() const { return showLines_; }
    void SetShowLines(bool value) { ChangeRows(showLines_, value); }
    bool ShowRoot() const { return showRoot_; }
    void SetShowRoot(bool value) { ChangeRows(showRoot_, value); }
    bool ShowButtons() const { return showButtons_; }
    void SetShowButtons(bool value) { ChangeRows(showButtons_, value); }
    bool ShowRootButtons() const { return showRootButtons_; }
    void SetShowRootButtons(bool value) { ChangeRows(showRootButtons_, value); }
    bool ShowLeafButton() const { return showLeafButton_; }
    void SetShowLeafButton(bool value) { ChangeRows(showLeafButton_, value); }
    TGtColor LinesColor() const { return linesColor_; }
    void SetLinesColor(TGtColor value);
    bool HorizontalLines() const { return horizontalLines_; }
    void SetHorizontalLines(bool value);
    TGtColor HorzDivLinesColor() const { return horzDivLinesColor_; }
    void SetHorzDivLinesColor(TGtColor value);
    bool VerticalLines() const { return verticalLines_; }
    void SetVerticalLines(bool value) { ChangeAll(verticalLines_, value); }
    bool VerticalLinesLong = true;
    TGtColor VertDivLinesColor() const { return vertDivLinesColor_; }
    void SetVertDivLinesColor(TGtColor value);
    bool BarStyle() const { return barStyle_; }
    void SetBarStyle(bool value);
    bool StripedItems() const { return stripedItems_; }
    void SetStripedItems(bool value) { ChangeAll(stripedItems_, value); }
    TGtColor StripedOddColor() const { return stripedOddColor_; }
    void SetStripedOddColor(TGtColor value);
    TGtColor StripedEvenColor() const { return stripedEvenColor_; }
    void SetStripedEvenColor(TGtColor value);
    char16_t PathSeparator = u'\\';
    void SetFilteredVisibility(bool value);

    // ---- colours and appearance -------------------------------------------------------
    TGtColor BkColor() const { return bkColor_; }
    void SetBkColor(TGtColor value);
    TGtColor TextColor() const { return textColor_; }
    void SetTextColor(TGtColor value);
    TGtColor FocusedSelectColor() const { return focusedSelectColor_; }
    void SetFocusedSelectColor(TGtColor value) { ChangeAll(focusedSelectColor_, value); }
    TGtColor FocusedSelectTextColor() const { return focusedSelectTextColor_; }
    void SetFocusedSelectTextColor(TGtColor value) { ChangeAll(focusedSelectTextColor_, value); }
    TGtColor HideSelectColor() const { return hideSelectColor_; }
    void SetHideSelectColor(TGtColor value) { ChangeAll(hideSelectColor_, value); }
    TGtColor HideSelectTextColor() const { return hideSelectTextColor_; }
    void SetHideSelectTextColor(TGtColor value) { ChangeAll(hideSelectTextColor_, value); }
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value) { ChangeRows(hideSelection_, value); }
    int HighlightAlphaLevel() const { return highlightAlphaLevel_; }
    void SetHighlightAlphaLevel(int value);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool value);
    bool FullRowSelect = true;
    bool DrawFocusRect() const { return drawFocusRect_; }
    void SetDrawFocusRect(bool value) { ChangeRows(drawFocusRect_, value); }
    bool HideFocusRect() const { return hideFocusRect_; }
    void SetHideFocusRect(bool value) { ChangeRows(hideFocusRect_, value); }
    bool Tracking = true;
    TGtColor TrackColor() const { return trackColor_; }
    void SetTrackColor(TGtColor value) { ChangeRows(trackColor_, value); }
    bool UnderlineTracked() const { return underlineTracked_; }
    void SetUnderlineTracked(bool value) { ChangeRows(underlineTracked_, value); }
    bool RowHotTrack() const { return rowHotTrack_; }
    void SetRowHotTrack(bool value) { ChangeRows(rowHotTrack_, value); }
    gui::TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(gui::TBorderStyle value);
    void SetUseXPThemes(bool value) override;
    bool DoubleBufferedOnResize = true;
    bool InSizeMove() const { return inSizeMove_; }

    // ---- images and check boxes -------------------------------------------------------
    gui::TCustomImageList* Images() const { return images_; }
    void SetImages(gui::TCustomImageList* value);
    gui::TCustomImageList* Images2() const { return images2_; }
    void SetImages2(gui::TCustomImageList* value);
    bool ShowImages() const { return showImages_; }
    void SetShowImages(bool value);
    void SetShowCheckboxes(bool value);
    // With themes in use: the larger side of the themed check box.
    int CheckBoxSize() const;
    void SetCheckBoxSize(int value) { ChangeAll(checkBoxSize_, value); }

    // ---- painting (treepaint_win.cpp, treemaincell_win.cpp) ---------------------------
    gui::TPenStyle LinesStyle() const { return linesStyle_; }
    void SetLinesStyle(gui::TPenStyle value);
    bool BarStyleVerticalLines() const { return barStyleVerticalLines_; }
    void SetBarStyleVerticalLines(bool value);
    // The button pictures and check glyphs are made on first read; each
    // takes a copy of what it is given.
    bool CustomPlusMinus() const { return customPlusMinus_; }
    void SetCustomPlusMinus(bool value);
    gui::TBitmap* PlusPicture() const;
    void SetPlusPicture(const gui::TBitmap* value);
    gui::TBitmap* MinusPicture() const;
    void SetMinusPicture(const gui::TBitmap* value);
    gui::TBitmap* LeafPicture() const;
    void SetLeafPicture(const gui::TBitmap* value);
    bool PlusMinusTransparent() const { return plusMinusTransparent_; }
    void SetPlusMinusTransparent(bool value);
    bool CustomCheckboxes() const { return customCheckboxes_; }
    void SetCustomCheckboxes(bool value);
    // Six frames side by side: unchecked, checked, grayed, each enabled
    // then disabled. Assigning none turns CustomCheckboxes off.
    gui::TBitmap* CheckBoxGlyph() const;
    void SetCheckBoxGlyph(const gui::TBitmap* value);
    gui::TBitmap* RadioButtonGlyph() const;
    void SetRadioButtonGlyph(const gui::TBitmap* value);
    bool ShowEmptyImages() const { return showEmptyImages_; }
    void SetShowEmptyImages(bool value);
    bool ShowEmptyImages2() const { return showEmptyImages2_; }
    void SetShowEmptyImages2(bool value);
    bool ChangeStateImage() const { return changeStateImage_; }
    void SetChangeStateImage(bool value) { ChangeRows(changeStateImage_, value); }
    // Cell texts run right to left (the header's captions follow).
    bool RightAlignedText() const { return rightAlignedText_; }
    void SetRightAlignedText(bool value);
    // The tree part of the rows drawn from the main cell's right edge
    // leftwards and hit-tested the same way; the columns in reversed order.
    bool RightAlignedTree() const { return rightAlignedTree_; }
    void SetRightAlignedTree(bool value);
    // The window border (treeborder_win.cpp): flat or 3-D frame types while
    // active (focused) and inactive, the sides that have one, the colours
    // of the line types.
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    TGtBorderSides BorderSides() const { return borderSides_; }
    void SetBorderSides(TGtBorderSides value);
    TGtFlatBorderType ActiveBorderType() const { return activeBorderType_; }
    void SetActiveBorderType(TGtFlatBorderType value);
    TGtFlatBorderType InactiveBorderType() const { return inactiveBorderType_; }
    void SetInactiveBorderType(TGtFlatBorderType value);
    TGtColor LineBorderActiveColor() const { return lineBorderActiveColor_; }
    void SetLineBorderActiveColor(TGtColor value);
    TGtColor LineBorderInactiveColor() const { return lineBorderInactiveColor_; }
    void SetLineBorderInactiveColor(TGtColor value);
    // Draws the border on a device context of the whole window (window
    // coordinates); RedrawFrame repaints it on the window at once.
    void DrawFrame(HDC dc);
    void RedrawFrame();
    // The width the item's check box takes in its main cell.
    int CheckBoxWidth(const TGtTreeItem* item);
    // The size the theme draws a check box (or radio button) at; the
    // CheckBoxSize square when the theme has none.
    gui::TSize ThemedCheckSize(bool radio);

    // ---- selection, focus, expansion --------------------------------------------------
    void SetMultiSelect(bool value) override;
    TGtTreeItem* ItemFocused() const { return FocusedItem(); }
    TGtTreeItem* Selected() const { return CurrentItem(); }
    void SetSelected(TGtTreeItem* item);
    TSTSelModes SelectionMode = smUsual;
    bool RightClickSelect = true;
    bool AlwaysKeepFocus = false;
    bool AlwaysKeepSelection = true;
    bool MouseFrameSelect = true;
    bool MouseFrameVisible = true;
    bool ExpandOnDblClick() const { return dblClickMode_ == dcmExpand; }
    void SetExpandOnDblClick(bool value);
    TGtDblClickMode DblClickMode() const { return dblClickMode_; }
    void SetDblClickMode(TGtDblClickMode value) { dblClickMode_ = value; }
    // The view holds the input focus.
    bool HasFocus() const;

    // ---- sorting and search (treesort_win.cpp) -----------------------------------------
    // A change empties the extra sort columns.
    void SetSortSection(int value);
    void Sort(bool recursive) override;
    // Extra sort columns order the rows the sort column leaves tied, in the
    // order they were added. Resort sorts at once, or at the outermost
    // unlock while the tree is locked.
    void AddSortSection(int index, bool resort);
    void RemoveSortSection(int index, bool resort);
    int CompareTiedItems(TGtTreeItem* item1, TGtTreeItem* item2) override;
    bool HasTieBreakers() const override { return !sortSections_.empty(); }
    bool IncrementalSearch = false;
    int IncrementalSearchTimeout = 500;
    bool AutoLookup = false;
    // With AutoLookup: focuses the first item whose text in the section's
    // column starts with the text, any case (treesearch_win.cpp).
    void LookupText(TGtHeaderSection* section, const std::u16string& text);

    // ---- header -----------------------------------------------------------------------
    int HeaderHeight() const;
    void SetHeaderHeight(int value);
    bool HeaderHotTrack() const { return headerHotTrack_; }
    void SetHeaderHotTrack(bool value);
    // The header's background and the colours of its filter buttons.
    virtual TGtColor HeaderColor() const;
    virtual void SetHeaderColor(TGtColor value);
    TGtColor HeaderFilterColor() const;
    void SetHeaderFilterColor(TGtColor value);
    TGtColor HeaderActiveFilterColor() const;
    void SetHeaderActiveFilterColor(TGtColor value);
    bool AutoResizeColumns = true;

    // ---- scroll bars ------------------------------------------------------------------
    bool HideHorzScrollBar() const { return hideHorzBar_; }
    void SetHideHorzScrollBar(bool value);
    bool HideVertScrollBar() const { return hideVertBar_; }
    void SetHideVertScrollBar(bool value);
    bool ScrollbarOpposite() const { return scrollbarOpposite_; }
    void SetScrollbarOpposite(bool value);
    bool ScrollTracking = false;
    // Off: the window's standard scroll bars instead of the owner-drawn ones.
    bool UseCustomScrollBars() const { return useCustomScrollBars_; }
    void SetUseCustomScrollBars(bool value);
    // Bars that stay shown (disabled when nothing scrolls).
    gui::TScrollStyle ForcedScrollBars() const { return forcedScrollBars_; }
    void SetForcedScrollBars(gui::TScrollStyle value);
    bool HorzBarVisible() const { return horzBarVisible_; }
    bool VertBarVisible() const { return vertBarVisible_; }
    int LeftPosition() const;
    void SetLeftPosition(int value);
    int TopIndex() const;
    void SetTopIndex(int value);
    TGtTreeItem* GetTopItem() const;
    // EGtTreeError for none.
    void SetTopItem(TGtTreeItem* item);

    // ---- navigation (treeselect_win.cpp) -----------------------------------------------
    // Makes the item the first row shown, expanding its parents; nothing
    // while the tree is locked or when the item already shows.
    void EnsureVisible(TGtTreeItem* item) override;
    // The same, with the item the last row shown.
    void EnsureVisibleBottom(TGtTreeItem* item);
    // The item is among the rows shown.
    bool IsInView(TGtTreeItem* item) const;

    // ---- header font, parent form, copying, old forms, virtual mode and the settings
    // ---- of hints, editing and drag and drop (treeforms_win.cpp) ------------------------
    bool HeaderUseTreeFont() const { return headerUseTreeFont_; }
    void SetHeaderUseTreeFont(bool value);
    // Used by the header while HeaderUseTreeFont is off.
    gui::TFont* HeaderFont() const { return headerFont_.get(); }
    void SetHeaderFont(gui::TFont* value);
    // Another tree's items and settings.
    void Assign(const runtime::TPersistent* source) override;
    // Reads and drops the values of properties old forms still hold.
    void DefineProperties(runtime::TFiler& filer) override;
    void SetParent(gui::TWinControl* parent) override;
    // The style lent to OnVirtualStyleNeeded in virtual mode (none outside).
    TGtCellStyle* VirtualStyle() const { return virtualStyle_.get(); }
    void SetVirtualityLevel(TVirtualityLevel value) override;
    gui::TCursor DragCursor() const;
    void SetDragCursor(gui::TCursor value);

    // Where the item's main-cell parts lie (content coordinates).
    TGtMainCellLayout MainCellLayout(TGtTreeItem* item);

    // ---- layout and measuring (treelayout_win.cpp) ------------------------------------
    void UpdateLayout();
    virtual void UpdateScrollBars();
    virtual int DefaultLineHeight();
    // Size.x: the cell's width; Size.y: its height.
    virtual bool MeasureCellSize(TGtTreeItem* item, int column, gui::TPoint& size);
    virtual bool MeasureCellText(TGtTreeItem* item, int column, gui::TPoint& size);
    int GetColumnWidth(int column, bool visibleOnly);
    void AutoSizeColumn(int column);
    void AutoSizeAllColumns();
    // The row at the visible index in tree coordinates (its top moved down
    // by the view's top).
    gui::TRect GetItemRect(int index) const;
    TGtTreeItem* GetItemAtY(int y) const;

    // ---- other operations -------------------------------------------------------------
    // One line per item: (level - 1) spaces, the text, CR LF; 8-bit text in
    // the system code page.
    void SaveStringsToStream(runtime::TStream& stream) const;
    TGtFontInfo DefaultFont() const override;

    // ---- events -----------------------------------------------------------------------
    virtual void DoItemDraw(TGtTreeItem* item, gui::TCanvas* surface, const gui::TRect& r,
                            int sectionIndex);
    virtual void DoItemChecked(TGtTreeItem* item);
    virtual void DoAfterSelectionChange();
    virtual int DoItemPicDraw(TGtTreeItem* item);
    virtual int DoItemPicDraw2(TGtTreeItem* item);
    virtual void DoItemPostDraw(gui::TCanvas* canvas, TGtTreeItem* item, const gui::TRect& r,
                                bool& drawFocusRect);
    virtual void DoHotTrack(TGtTreeItem* oldItem, TGtTreeItem* newItem);
    virtual void DoScroll(gui::TScrollBarKind kind, int code);
    virtual void DoMeasureItemPart(TGtTreeItem* item, int partIndex, gui::TPoint& size);
    virtual void DoHeaderColumnClick(int sectionIndex);
    virtual void DoHeaderColumnResize(int sectionIndex);
    virtual void DoHeaderColumnDraw(gui::TCanvas* canvas, TGtHeaderSection* section,
                                    const gui::TRect& r, bool pressed);
    virtual void DoHeaderColumnMove(TGtHeaderSection* section, int oldPos, int newPos);
    virtual void DoHeaderLookup(TGtHeaderSection* section, std::u16string& text);
    virtual void DoHeaderLookupDone(TGtHeaderSection* section, const std::u16string& text,
                                    bool accepted);
    virtual void DoHeaderSectionExpand(TGtHeaderSection* section);
    virtual void DoHeaderSectionCollapse(TGtHeaderSection* section);
    virtual void DoItemSelectedChange(TGtTreeItem* item) override;
    virtual void DoItemFocused() override;

    TOnItemDrawEvent OnItemDraw;
    TOnItemCheckedEvent OnItemChecked;
    runtime::TNotifyEvent OnAfterSelectionChange;
    TOnPicDrawEvent OnItemPicDraw;
    TOnPicDrawEvent OnItemPicDraw2;
    TGtTreeItemPostDrawEvent OnItemPostDraw;
    THotTrackEvent OnHotTrack;
    TGtTreeScrollEvent OnScroll;
    TMeasureItemPartEvent OnMeasureItemPart;
    TColumnNotifyEvent OnHeaderColumnClick;
    TColumnNotifyEvent OnHeaderColumnResize;
    TGtSectionRedrawEvent OnHeaderColumnDraw;
    TGtColumnMoveEvent OnHeaderColumnMove;
    TGtHeaderLookupEvent OnHeaderLookup;
    TGtHeaderLookupDoneEvent OnHeaderLookupDone;
    runtime::TNotifyEvent OnHeaderResize;
    THeaderSectionEvent OnHeaderSectionExpand;
    THeaderSectionEvent OnHeaderSectionCollapse;
    TColumnNotifyEvent OnHeaderSectionAutoSize;
    TColumnNotifyEvent OnHeaderSectionFilterCall;
    runtime::TMouseEvent OnHeaderMouseDown;
    TGtScrollDrawPartEvent OnHorzScrollDrawPart;
    TGtScrollDrawPartEvent OnVertScrollDrawPart;
    TGtScrollHintNeededEvent OnHorzScrollHintNeeded;
    TGtScrollHintNeededEvent OnVertScrollHintNeeded;

    // ---- line hints, in-place editing, drag and drop ----------------------------------
    // (treehints_win.cpp, treeedit_win.cpp, treedrag_win.cpp)
    // The tree's own Unicode hint (the control's 8-bit Hint is its encoded form).
    const std::u16string& HintW() const { return hintW_; }
    void SetHintW(const std::u16string& value) { hintW_ = value; }
    TGtHintType HintType = shtHintOrText;
    THintModes LineHintMode = shmLong;
    TLineHintType LineHintType = lhtSmart;
    TGtColor LineHintColor = 0xFF000005;
    int LineHintTimeout = 3000;
    bool HideHintOnMove = true;
    bool HideHintOnTimer = false;
    bool UseSystemHintColors = false;

    bool DoInplaceEdit() const { return doInplaceEdit_; }
    virtual void SetDoInplaceEdit(bool value) { doInplaceEdit_ = value; }
    int InplaceEditorDelay = 500;
    bool QuickEditMode = false;
    bool ExplorerEditMode = false;
    // The field type of the main column when it has no section.
    TGtFieldType MainTextType = sftText;
    TGtTreeInplaceManager* InplaceManager() const { return inplaceManager_.get(); }
    // Edits the cell (section -1: the main column) when the tree allows it;
    // a running edit is cancelled first.
    virtual void EditItem(TGtTreeItem* item, int sectionIndex);
    void EndEdit(bool cancel);
    // An editor shows.
    bool IsEditing() const;

    bool DragAllowed = false;
    bool ExpandOnDragOver = false;
    TGtDragType DragType = dtKestrin;
    TDragImgMode DragImageMode = dimNever;
    TDragTargetDraw DragTrgDrawMode() const { return dragTrgDrawMode_; }
    void SetDragTrgDrawMode(TDragTargetDraw value);
    TGtColor DragRectAcceptColor() const { return dragRectAcceptColor_; }
    void SetDragRectAcceptColor(TGtColor value);
    TGtColor DragRectDenyColor() const { return dragRectDenyColor_; }
    void SetDragRectDenyColor(TGtColor value);
    int DragExpandDelay = 500;
    int DragScrollInterval = 100;
    // The object of the drag over the view (none otherwise).
    gui::TDragObject* CurrentDragObject() const { return currentDragObject_; }

    virtual void DoShowLineHint(TGtTreeItem* item, TGtHeaderSection* section, std::u16string& text,
                                TGtHintWindow* hintWindow, gui::TPoint mousePos, bool& doShowHint);
    virtual void DoTryEdit(TGtTreeItem* item, int sectionIndex, TGtFieldType& cellType,
                           bool& canEdit);
    virtual TGtTreeInplaceEditor* DoInplaceEditorNeeded(TGtTreeItem* item, int sectionIndex,
                                                        TGtFieldType supposedFieldType);
    virtual void DoEndEditItem(TGtTreeItem* item, TGtHeaderSection* section, bool canceled);
    virtual void DoDragTargetChange(TGtTreeItem* item, const gui::TRect& itemRect, int x, int y);
    TOnShowHintEvent OnShowLineHint;
    TTryEditEvent OnTryEdit;
    TInplaceEditorNeededEvent OnInplaceEditorNeeded;
    TOnEndEditEvent OnEndEditItem;
    TGtTreeItemDragTargetEvent OnDragTargetChange;

    void Loaded() override;

  protected:
    // ---- the view's input relayed (treerelay_win.cpp) ---------------------------------
    // The tree's own events fire for the view's clicks, keys and mouse,
    // positions moved into the tree's coordinates.
    virtual void ViewClick();
    virtual void ViewDblClick();
    virtual void ViewEnter();
    virtual void ViewExit();
    virtual void ViewKeyDown(uint16_t& key, runtime::TShiftState shift);
    virtual void ViewKeyPress(char& key);
    virtual void ViewWideKeyPress(char16_t& key);
    virtual void ViewKeyUp(uint16_t& key, runtime::TShiftState shift);
    virtual void ViewMouseDown(runtime::TMouseButton button, runtime::TShiftState shift, int x,
                               int y);
    virtual void ViewMouseMove(runtime::TShiftState shift, int x, int y);
    virtual void ViewMouseUp(runtime::TMouseButton button, runtime::TShiftState shift, int x,
                             int y);

  protected:
    GUI_MESSAGE_MAP(TCustomGtTree, TGtXPThemedControl)
    void WMEraseBkgnd(gui::TMessage& msg);
    void WMSetFocus(gui::TMessage& msg);
    void WMScroll(gui::TMessage& msg);
    void CMFontChanged(gui::TMessage& msg);
    void CMEnabledChanged(gui::TMessage& msg);
    void WMNCCalcSize(gui::TMessage& msg);
    void WMNCPaint(gui::TMessage& msg);
    void WMNCHitTest(gui::TMessage& msg);
    void WMSysColorChange(gui::TMessage& msg);

  protected:
    const wchar_t* ThemeClassName() const override { return L"TREEVIEW"; }
    void CreateParams(gui::TCreateParams& params) override;
    void CreateWnd() override;
    void Paint() override;
    void Resize() override;
    void Notification(runtime::TComponent* component, runtime::TOperation operation) override;

  private:
    friend class TGtTreeView;
    // What the model asks of the display.
    void EndUpdate(TGtTreeModel& model, TGtRefreshFlags refresh) override;
    void RedrawItem(TGtTreeItem* item, bool checkVisible) override;
    void RedrawItemPart(TGtTreeItem* item, bool checkVisible, int left, int right) override;
    void PaintNow() override;
    void ItemDeleted(TGtTreeItem* item) override;
    void ClearDisplayedRows() override;
    int MeasureCellSize(TGtTreeItem* item, int column) override;
    void FocusArrived(TGtTreeItem* item) override;
    bool SetChangeTimer(bool running) override;

    // Setter effects: store, request, let the lock do the rest.
    template <class T>
    void Change(T& field, T value, TGtRefreshFlags flags) {
        if (field == value) return;
        SetUpdating(true);
        field = value;
        Request(flags);
        SetUpdating(false);
    }
    template <class T>
    void ChangeRows(T& field, T value) {
        Change(field, value, rfRepaintRows | RowsWidthFlag());
    }
    template <class T>
    void ChangeAll(T& field, T value) {
        Change(field, value, rfRepaintAll);
    }
    // Stores the value, and repaints only while the setting shows.
    template <class T>
    void ChangeWhen(bool shown, T& field, T value, TGtRefreshFlags flags) {
        if (shown)
            Change(field, value, flags);
        else
            field = value;
    }
    TGtRefreshFlags RowsWidthFlag() const { return ShowColumns() ? 0 : rfContentWidth; }
    // Recomputes LineHeight when automatic; rows stale when it changed.
    void Remeasure();
    bool Designing() const;
    void SetImageList(gui::TCustomImageList*& field, gui::TCustomImageList* value);
    void LayoutOnce();
    bool UpdateHorzBar();
    bool UpdateVertBar();
    void SectionResized(TGtHeaderSection* section);
    void HeaderResized();
    void SectionAutoSizeRequest(TGtHeaderSection* section);
    // What a click on a header section does to the order of the rows.
    void SortByHeaderClick(TGtHeaderSection* section);
    void HeaderSectionsDeleted(TGtHeaderSection* section);
    // One extra sort column, ascending unless the section sorts descending.
    int CompareBySection(TGtTreeItem* item1, TGtTreeItem* item2, const TGtHeaderSection& section);
    // Drops extra sort columns whose sections are gone: the header reports
    // deletions only at its outermost unlock, after they are freed.
    void PruneSortSections();
    void SortNowOrPending();
    void WireHeader();
    void WireViewInput();
    void WireBar(TGtScrollBar& bar, bool vertical);
    // Sets a bar's position without its scroll report acting.
    void SyncBarPosition(TGtScrollBar* bar, int position);

    TGtTreeView* view_ = nullptr;
    TCustomGtHeader* header_ = nullptr;
    TGtScrollBar* horzBar_ = nullptr;
    TGtScrollBar* vertBar_ = nullptr;
    std::unique_ptr<TGtScrollBarStyles> horzStyles_;
    std::unique_ptr<TGtScrollBarStyles> vertStyles_;
    std::unique_ptr<gui::TChangeLink> imageLink_;

    int selectColumn_ = -1;
    bool autoLineHeight_ = true;
    int itemIndent_ = 17;
    bool showLines_ = true;
    bool showRoot_ = false;
    bool showButtons_ = true;
    bool showRootButtons_ = true;
    bool showLeafButton_ = false;
    TGtColor linesColor_ = 0xFF00000F;
    bool horizontalLines_ = false;
    TGtColor horzDivLinesColor_ = 0xFF00000F;
    bool verticalLines_ = false;
    TGtColor vertDivLinesColor_ = 0xFF00000F;
    bool barStyle_ = false;
    bool stripedItems_ = false;
    TGtColor stripedOddColor_ = 0xFF000010;
    TGtColor stripedEvenColor_ = 0xFF000014;
    TGtColor bkColor_ = 0xFF000005;
    TGtColor textColor_ = 0xFF000008;
    TGtColor focusedSelectColor_ = 0xFF00000D;
    TGtColor focusedSelectTextColor_ = 0xFF00000E;
    TGtColor hideSelectColor_ = 0xFF00000F;
    TGtColor hideSelectTextColor_ = 0xFF000010;
    bool hideSelection_ = false;
    int highlightAlphaLevel_ = 255;
    bool rowSelect_ = true;
    bool drawFocusRect_ = true;
    bool hideFocusRect_ = false;
    TGtColor trackColor_ = 0xFF00000D;
    bool underlineTracked_ = true;
    bool rowHotTrack_ = false;
    gui::TBorderStyle borderStyle_ = gui::bsSingle;
    gui::TCustomImageList* images_ = nullptr;
    gui::TCustomImageList* images2_ = nullptr;
    bool showImages_ = true;
    int checkBoxSize_ = 15;
    TGtDblClickMode dblClickMode_ = dcmExpand;
    bool headerHotTrack_ = true;
    bool hideHorzBar_ = false;
    bool hideVertBar_ = false;
    bool scrollbarOpposite_ = false;

    bool horzBarVisible_ = false;
    bool vertBarVisible_ = false;
    int headerHeightAtLayout_ = 0;
    int loadedHeaderHeight_ = -1;
    bool inLayout_ = false;
    bool layoutAgain_ = false;
    // The bars are being set to the view's positions.
    bool barSync_ = false;
    bool inAutoSizeAll_ = false;
    bool autoSizePending_ = false;
    bool inSizeMove_ = false;
    bool useCustomScrollBars_ = true;
    gui::TScrollStyle forcedScrollBars_ = gui::ssNone;
    // The window's own bar shows what the tree's bar shows.
    void SetWindowBar(int bar, const gui::TPoint& range, int page, int position, bool forced);
    bool Forced(gui::TScrollStyle kind) const {
        return forcedScrollBars_ == kind || forcedScrollBars_ == gui::ssBoth;
    }
    bool headerUseTreeFont_ = true;
    bool doInplaceEdit_ = true;
    std::unique_ptr<gui::TFont> headerFont_;
    std::unique_ptr<TGtHook> formHook_;
    std::unique_ptr<TGtCellStyle> virtualStyle_;
    // The header's font: the tree's or HeaderFont.
    void ApplyHeaderFont();
    void AttachFormHook();
    void CreateFormParts();
    // Views of header sections, in the order they were added.
    std::vector<TGtHeaderSection*> sortSections_;

    // Line hints, editing, drag and drop.
    std::u16string hintW_;
    std::unique_ptr<TGtTreeInplaceManager> inplaceManager_ =
        std::make_unique<TGtTreeInplaceManager>();
    TDragTargetDraw dragTrgDrawMode_ = SelColorRect;
    TGtColor dragRectAcceptColor_ = 0x008000;
    TGtColor dragRectDenyColor_ = 0x0000FF;
    gui::TDragObject* currentDragObject_ = nullptr;
    bool DragTrgDrawModeUsesColors() const;
    // Painting.
    gui::TPenStyle linesStyle_ = gui::psDot;
    bool barStyleVerticalLines_ = false;
    bool customPlusMinus_ = false;
    bool plusMinusTransparent_ = false;
    bool customCheckboxes_ = false;
    bool showEmptyImages_ = false;
    bool showEmptyImages2_ = false;
    bool changeStateImage_ = false;
    bool rightAlignedText_ = false;
    bool rightAlignedTree_ = false;
    bool flat_ = false;
    TGtBorderSides borderSides_ = kAllBorderSides;
    TGtFlatBorderType activeBorderType_ = fbtSunken;
    TGtFlatBorderType inactiveBorderType_ = fbtSunkenOuter;
    TGtColor lineBorderActiveColor_ = 0;
    TGtColor lineBorderInactiveColor_ = 0;
    // Themed check and radio sizes, for the theme handle they were read from.
    HTHEME_ checkSizeTheme_ = nullptr;
    gui::TSize themedCheckSize_[2];
    std::unique_ptr<gui::TBitmap> plusPicture_;
    std::unique_ptr<gui::TBitmap> minusPicture_;
    std::unique_ptr<gui::TBitmap> leafPicture_;
    std::unique_ptr<gui::TBitmap> checkBoxGlyph_;
    std::unique_ptr<gui::TBitmap> radioButtonGlyph_;
    // Makes a picture on first read, wired to repaint when it changes.
    gui::TBitmap* Picture(std::unique_ptr<gui::TBitmap>& field, const bool& custom);
    void SetPicture(std::unique_ptr<gui::TBitmap>& field, const bool& custom,
                    const gui::TBitmap* value);
    void PictureChanged(const bool& custom);
};

// Holds a tree's update lock for a scope, released also when the scope is
// left by an exception (which then propagates).
class TGtTreeLock {
  public:
    explicit TGtTreeLock(TCustomGtTree& tree) : tree_(tree) { tree_.SetUpdating(true); }
    ~TGtTreeLock() noexcept(false) { tree_.SetUpdating(false); }
    TGtTreeLock(const TGtTreeLock&) = delete;
    TGtTreeLock& operator=(const TGtTreeLock&) = delete;

  private:
    TCustomGtTree& tree_;
};

class TGtTree : public TCustomGtTree {
    RUNTIME_CLASS(TGtTree)

  public:
    explicit TGtTree(runtime::TComponent* owner) : TCustomGtTree(owner) {}
    TGtTree(runtime::TComponent* owner, const TGtTreeParts& parts) : TCustomGtTree(owner, parts) {}
};

}  // namespace controls::tree
