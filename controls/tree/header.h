#pragma once

// TCustomGtHeader: the column header of the tree and grid control. It shows
// a row of TGtHeaderSection objects (headersections.h), drawn themed or
// classically with sort arrows, expand arrows, lookup and filter glyphs and
// images, and lets the user press and click a section, drag its right edge
// to resize it, drag it to another place, expand it, open a lookup
// drop-down or call a filter. With StickySections the sections always fill
// the header's width; the header keeps its height fitted to its font and
// images unless LockHeight. TGtHeader publishes it.
//
// The tree creates one above its rows, scrolls it with SetLeftPos and
// listens to its events. Geometry is headerlayout.h; painting is
// header_paint_win.cpp, the mouse header_mouse_win.cpp, the lookup edit
// header_lookup_win.cpp. Windows only.

#include <functional>
#include <memory>
#include <string>

#include "controls/tree/eventtypes.h"
#include "controls/tree/headerlayout.h"
#include "controls/tree/headersections.h"
#include "controls/tree/xpthemed.h"
#include "gui/imagelist.h"

namespace gui {
class TComboBox;
class TPopupMenu;
struct THintInfo;
}  // namespace gui

namespace controls::tree {

RUNTIME_ENUM(TGtResizeState, trsBegin, trsMove, trsEnd)

RUNTIME_EVENT_TYPE(TGtSectionEvent, "Sender, Section", runtime::TObject*, TGtHeaderSection*);
RUNTIME_EVENT_TYPE(TGtSectionResizingEvent, "Sender, Section, State, Width", runtime::TObject*,
                   TGtHeaderSection*, TGtResizeState, int);
RUNTIME_EVENT_TYPE(TGtSectionMoveEvent, "Sender, Section, OldPos, NewPos", runtime::TObject*,
                   TGtHeaderSection*, int, int);
GT_EVENT_TYPE(TGtSectionDrawEvent, "Sender, Canvas, Section, R, Pressed", runtime::TObject*,
              gui::TCanvas*, TGtHeaderSection*, gui::TRect, bool);
RUNTIME_EVENT_TYPE(TGtSectionChangeEvent, "Sender, Section, Change", runtime::TObject*,
                   TGtHeaderSection*, TSectionChangeMode);
RUNTIME_EVENT_TYPE(TGtPictureNeededEvent, "Sender, Section, ImageIndex", runtime::TObject*,
                   TGtHeaderSection*, int&);
RUNTIME_EVENT_TYPE(TGtHeaderLookupEvent, "Sender, Section, Text", runtime::TObject*,
                   TGtHeaderSection*, std::u16string&);
RUNTIME_EVENT_TYPE(TGtHeaderLookupDoneEvent, "Sender, Section, Text, Accepted", runtime::TObject*,
                   TGtHeaderSection*, std::u16string, bool);
// The content size of an owner-drawn section (not published: the tree's).
using TGtSectionMeasureEvent =
    std::function<void(runtime::TObject* sender, TGtHeaderSection* section, gui::TPoint& size)>;

class TCustomGtHeader : public TGtXPThemedControl {
    RUNTIME_CLASS(TCustomGtHeader)

  public:
    explicit TCustomGtHeader(runtime::TComponent* owner);
    ~TCustomGtHeader() override;

    // ---- sections and settings --------------------------------------------------------------
    TGtHeaderSections* Sections() const { return sections_.get(); }
    // Takes a copy of the given sections.
    void SetSections(TGtHeaderSections* value);
    int DefaultWidth() const { return defaultWidth_; }
    void SetDefaultWidth(int value) { defaultWidth_ = value; }
    bool AllowDrag = true;
    bool MoveOnDrag = false;
    bool ResizeOnDrag = false;
    bool Tracking() const { return tracking_; }
    void SetTracking(bool value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool InvertSortArrows() const { return invertSortArrows_; }
    void SetInvertSortArrows(bool value);
    bool StickySections() const { return stickySections_; }
    void SetStickySections(bool value);
    bool LockHeight() const { return lockHeight_; }
    void SetLockHeight(bool value);
    bool RightAlignedText() const { return rightAlignedText_; }
    void SetRightAlignedText(bool value);
    bool RightAlignedOrder() const { return rightAlignedOrder_; }
    void SetRightAlignedOrder(bool value);
    gui::TCustomImageList* Images() const { return images_; }
    void SetImages(gui::TCustomImageList* value);
    gui::TColor FilterColor() const { return filterColor_; }
    void SetFilterColor(gui::TColor value);
    gui::TColor ActiveFilterColor() const { return activeFilterColor_; }
    void SetActiveFilterColor(gui::TColor value);
    const std::u16string& HintW() const { return hint_; }
    void SetHintW(std::u16string_view value);
    // The Right of the last visible section, 0 when none is visible.
    int SectionsWidth() const;

    // ---- updates, geometry ------------------------------------------------------------------
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }
    void Update() override;
    int IdealHeight();
    void AdjustHeight();
    TGtHeaderSection* SectionAt(int x, int y) const;
    virtual bool InResizeArea(int x, TGtHeaderSection*& section);
    // EGtHeaderError "Index out of bounds" outside 0..count-1.
    void InvalidateFrom(int index);
    // The width the section needs; textWidth/textHeight: its caption's.
    int MeasureSection(TGtHeaderSection* section, int& textWidth, int& textHeight);
    // The tree's horizontal scrolling.
    int LeftPos() const { return leftPos_; }
    void SetLeftPos(int offset);
    void SetDesigning(bool value);

    // ---- pointer state (for the tree and for tests) -----------------------------------------
    TGtHeaderSection* PressedSection() const { return pressed_; }
    TGtHeaderSection* HotSection() const { return hot_; }
    TGtHeaderSection* DraggedSection() const { return dragged_; }
    TGtHeaderSection* DropTarget() const { return dropTarget_; }
    TGtHeaderSection* ResizedSection() const { return resizing_ ? resized_ : nullptr; }
    bool LookupOpen() const { return lookupOpen_; }
    gui::TComboBox* LookupEdit() const { return lookup_; }
    TGtHeaderSection* LookupSection() const { return lookupSection_; }
    // Ends an open lookup edit: accepted (Enter) or not (Escape, leaving).
    void CloseLookup(bool accepted);

    // ---- events -----------------------------------------------------------------------------
    TGtSectionEvent OnSectionClick;
    TGtSectionEvent OnSectionResize;
    TGtSectionResizingEvent OnSectionResizing;
    TGtSectionMoveEvent OnSectionMove;
    TGtSectionDrawEvent OnSectionDraw;
    TGtSectionEvent OnSectionShowHide;
    TGtSectionChangeEvent OnSectionChange;
    TGtSectionEvent OnSectionCreate;
    TGtSectionEvent OnSectionDelete;
    TGtSectionEvent OnSectionExpand;
    TGtSectionEvent OnSectionCollapse;
    TGtPictureNeededEvent OnPictureNeeded;
    TGtHeaderLookupEvent OnHeaderLookup;
    TGtHeaderLookupDoneEvent OnHeaderLookupDone;
    TGtSectionEvent OnSectionAutoSize;
    TGtSectionEvent OnFilterCall;
    TGtSectionMeasureEvent OnSectionMeasure;

    void Loaded() override;

  protected:
    GUI_MESSAGE_MAP(TCustomGtHeader, TGtXPThemedControl)
    void WMSetCursor(gui::TMessage& msg);
    void WMLButtonDblClk(gui::TMessage& msg);
    void WMCancelMode(gui::TMessage& msg);
    void WMGetDlgCode(gui::TMessage& msg);
    void WMSysColorChange(gui::TMessage& msg);
    void WMRButtonDown(gui::TMessage& msg);
    void WMRButtonUp(gui::TMessage& msg);
    void WMContextMenu(gui::TMessage& msg);
    void CMMouseEnter(gui::TMessage& msg);
    void CMMouseLeave(gui::TMessage& msg);
    void CMFontChanged(gui::TMessage& msg);
    void CMHintShow(gui::TMessage& msg);
    void CMExit(gui::TMessage& msg);

  protected:
    virtual std::unique_ptr<TGtHeaderSections> CreateSections();
    // The image index of a section: its ImageIndex, or OnPictureNeeded's.
    virtual int DoGetPicture(TGtHeaderSection* section);
    virtual void DoSectionShowHide(TGtHeaderSection* section);
    virtual void DoSectionDelete(TGtHeaderSection* section);
    virtual void DoSectionMove(TGtHeaderSection* section, int oldPos, int newPos);
    virtual void DoSectionResizing(TGtHeaderSection* section, TGtResizeState state, int width);
    virtual void DoSectionResize(TGtHeaderSection* section);
    virtual void DoSectionClick(TGtHeaderSection* section);
    virtual void DoSectionDraw(gui::TCanvas& canvas, TGtHeaderSection* section, const gui::TRect& r,
                               bool pressed);
    virtual void DoSectionChange(TGtHeaderSection* section, TSectionChangeMode change);
    virtual void DoSectionExpand(TGtHeaderSection* section);
    virtual void DoSectionCollapse(TGtHeaderSection* section);
    virtual void DoSectionCreate(TGtHeaderSection* section);
    virtual void DoHeaderLookup(TGtHeaderSection* section, std::u16string& text);
    virtual void DoHeaderLookupDone(TGtHeaderSection* section, const std::u16string& text,
                                    bool accepted);
    virtual void DoSectionAutoSize(TGtHeaderSection* section);
    virtual void DoFilterCall(TGtHeaderSection* section);
    virtual void DoSectionMeasure(TGtHeaderSection* section, gui::TPoint& size);

    const wchar_t* ThemeClassName() const override { return L"HEADER"; }
    void CreateParams(gui::TCreateParams& params) override;
    void CreateWnd() override;
    void Paint() override;
    void Resize() override;
    void MouseDown(runtime::TMouseButton button, runtime::TShiftState shift, int x, int y) override;
    void MouseMove(runtime::TShiftState shift, int x, int y) override;
    void MouseUp(runtime::TMouseButton button, runtime::TShiftState shift, int x, int y) override;
    void DblClick() override;
    void KeyDown(uint16_t& key, runtime::TShiftState shift) override;
    void DoContextPopup(gui::TPoint screenPos, bool& handled) override;
    void Notification(runtime::TComponent* component, runtime::TOperation operation) override;

  private:
    class Host;
    struct SectionPainter;
    friend class Host;
    friend struct SectionPainter;

    bool Loading() const;
    bool Designing() const;
    void DrawSection(gui::TCanvas& canvas, TGtHeaderSection* section, gui::TRect r, bool dragLook);
    void RepaintSection(TGtHeaderSection* section);
    void InvalidateRange(int left, int right);
    void SetHot(TGtHeaderSection* section);
    gui::TPoint Cursor() const;
    void StartResize(TGtHeaderSection* section);
    void ResizeTo(int x);
    void EndResize();
    void StartDrag();
    void DragTo(int x);
    void EndDrag(int x, int y);
    void FinishPointer(int x, int y);
    void OpenLookup(TGtHeaderSection* section);
    void LookupChanged();
    void FitSections(TGtHeaderSection* except);
    void ComputeProportions();
    void ReverseOrder();
    int ImageIndexOf(TGtHeaderSection* section);

    std::unique_ptr<Host> host_;
    std::unique_ptr<TGtHeaderSections> sections_;
    int defaultWidth_ = 120;
    bool tracking_ = true;
    bool flat_ = false;
    bool invertSortArrows_ = false;
    bool stickySections_ = false;
    bool lockHeight_ = false;
    bool rightAlignedText_ = false;
    bool rightAlignedOrder_ = false;
    gui::TCustomImageList* images_ = nullptr;
    std::unique_ptr<gui::TChangeLink> imageLink_;
    gui::TColor filterColor_ = gui::clBtnText;
    gui::TColor activeFilterColor_ = gui::clBlack;
    std::u16string hint_;
    bool designing_ = false;

    int leftPos_ = 0;
    int updateCount_ = 0;
    bool pendingDeleted_ = false;
    bool pendingCreated_ = false;

    TGtHeaderSection* pressed_ = nullptr;
    bool pressedFlag_ = false;
    gui::TPoint downPoint_;
    // The pointer's x at the last move of a resize or drag: a move to the
    // same place (the system's own, after windows change) is no move.
    int lastMoveX_ = 0;
    // Where the last double click happened.
    gui::TPoint doubleClickPoint_;
    TGtHeaderSection* hot_ = nullptr;
    bool resizing_ = false;
    TGtHeaderSection* resized_ = nullptr;
    int resizeX_ = 0;
    int resizeOffset_ = 0;
    bool resizeLineShown_ = false;
    TGtHeaderSection* dragged_ = nullptr;
    TGtHeaderSection* dropTarget_ = nullptr;
    int dragX_ = 0;
    // Where the drag image of the dragged section starts (client x).
    int dragImageStart_ = 0;
    gui::TRect dragImageRect_;
    // A resize sets the width itself and reports it once at its end.
    bool quietResize_ = false;
    bool stickyResizing_ = false;
    int lastClientWidth_ = 0;
    bool mouseInside_ = false;
    TGtHeaderSection* hintSection_ = nullptr;

    gui::TComboBox* lookup_ = nullptr;
    TGtHeaderSection* lookupSection_ = nullptr;
    bool lookupOpen_ = false;
    bool lookupChanging_ = false;
    HWND focusBeforeLookup_ = nullptr;
};

class TGtHeader : public TCustomGtHeader {
    RUNTIME_CLASS(TGtHeader)

  public:
    explicit TGtHeader(runtime::TComponent* owner) : TCustomGtHeader(owner) {}
};

// The most entries a section's lookup history keeps.
inline constexpr int kMaxLookupHistory = 64;

}  // namespace controls::tree
