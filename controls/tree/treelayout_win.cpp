// The tree's layout: where the header, the view, the bars and the corner
// go, what the bars show, the default row height, measuring cells and
// sizing columns to their content, and the header's events.
#include <algorithm>

#include "controls/tree/drawing.h"
#include "controls/tree/headersections.h"
#include "controls/tree/tree.h"
#include "controls/tree/treegeometry.h"
#include "controls/tree/treeview.h"
#include "gui/handles.h"

namespace controls::tree {

namespace {

constexpr int kMaxBarRelayouts = 4;

// Marks the bars being set from the view's state: their own scroll
// reports then change nothing.
struct BarSync {
    explicit BarSync(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~BarSync() { flag_ = old_; }
    bool& flag_;
    bool old_;
};

void Place(gui::TControl& control, const gui::TRect& r, bool visible) {
    if (visible) control.SetBounds(r.Left, r.Top, r.Width(), r.Height());
    control.SetVisible(visible);
}

}  // namespace

// ---- layout -----------------------------------------------------------------------------

void TCustomGtTree::UpdateLayout() {
    if (!HandleAllocated() || view_ == nullptr) return;
    // Placing a part can report back (the header's resize updates the bars,
    // which can ask for a layout): the layout then runs once more.
    if (inLayout_) {
        layoutAgain_ = true;
        return;
    }
    inLayout_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{inLayout_};
    for (int pass = 0; pass <= kMaxBarRelayouts; ++pass) {
        layoutAgain_ = false;
        LayoutOnce();
        if (!layoutAgain_) break;
    }
}

void TCustomGtTree::LayoutOnce() {
    TGtLayoutInput in;
    in.Client = ClientRect();
    in.ShowColumns = ShowColumns();
    if (in.ShowColumns) {
        header_->AdjustHeight();
        in.HeaderHeight = header_->Height();
        headerHeightAtLayout_ = in.HeaderHeight;
        in.StickyHeader = header_->StickySections();
    }
    // The window's own bars take their room outside the client area.
    in.HorzBarVisible = horzBarVisible_ && useCustomScrollBars_;
    in.VertBarVisible = vertBarVisible_ && useCustomScrollBars_;
    in.HorzBarHeight = horzBar_->Height();
    in.VertBarWidth = vertBar_->Width();
    in.ScrollbarOpposite = scrollbarOpposite_;
    const TGtLayout l = ComputeLayout(in);

    Place(*header_, l.Header, in.ShowColumns);
    view_->SetBounds(l.View.Left, l.View.Top, l.View.Width(), l.View.Height());
    view_->SetVisible(true);
    Place(*horzBar_, l.HorzBar, in.HorzBarVisible);
    Place(*vertBar_, l.VertBar, in.VertBarVisible);
    if (!l.Corner.IsEmpty()) {
        const RECT r{l.Corner.Left, l.Corner.Top, l.Corner.Right, l.Corner.Bottom};
        InvalidateRect(WindowHandle(), &r, TRUE);
    }
}

// ---- scroll bars ------------------------------------------------------------------------

void TCustomGtTree::UpdateScrollBars() {
    if (view_ == nullptr) return;
    for (int relayouts = 0;;) {
        bool changed = UpdateHorzBar();
        if (!changed) changed = UpdateVertBar();
        if (!changed || ++relayouts > kMaxBarRelayouts) break;
        UpdateLayout();
    }
}

bool TCustomGtTree::UpdateHorzBar() {
    int content = view_->ContentWidth();
    if (ShowColumns()) {
        content = header_->SectionsWidth();
        view_->SetContentWidth(content);
    }
    const TGtBarState s =
        HorzBarState(content, view_->ClientWidth(), hideHorzBar_, view_->LeftPosition());
    const bool forced = Forced(gui::ssHorizontal);
    const bool changed = s.Visible != horzBarVisible_ && !forced;
    horzBarVisible_ = s.Visible || forced;
    horzBar_->SetMin(0);
    horzBar_->SetMax(s.Max);
    horzBar_->SetPage(s.Page);
    {
        BarSync sync(barSync_);
        horzBar_->SetPosition(s.Position);
    }
    SetWindowBar(SB_HORZ, {0, s.Max}, s.Page, s.Position, forced);
    // Clipping to the new range is no scroll of the user's.
    if (s.Position != view_->LeftPosition()) view_->SetLeftPosition(s.Position);
    return changed;
}

bool TCustomGtTree::UpdateVertBar() {
    int total = TotalVisible();
    int rowsShown = view_->RowCount();
    const TGtBarState s = VertBarState(total, view_->TopIndex(), view_->ClientHeight(),
                                       LineHeight(), view_->RowsHeight(), rowsShown, hideVertBar_);
    const bool forced = Forced(gui::ssVertical);
    const bool changed = s.Visible != vertBarVisible_ && !forced;
    vertBarVisible_ = s.Visible || forced;
    vertBar_->SetMin(0);
    vertBar_->SetMax(std::max(s.Max, 0));
    vertBar_->SetPage(std::max(s.Page, 1));
    BarSync sync(barSync_);
    vertBar_->SetPosition(s.Position);
    SetWindowBar(SB_VERT, {0, std::max(s.Max, 0)}, std::max(s.Page, 1), s.Position, forced);
    return changed;
}

void TCustomGtTree::SetWindowBar(int bar, const gui::TPoint& range, int page, int position,
                                 bool forced) {
    if (useCustomScrollBars_ || !HandleAllocated()) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS | (forced ? SIF_DISABLENOSCROLL : 0);
    // A page that covers the range hides the bar, unless it is forced.
    si.nMin = range.X;
    si.nMax = range.Y;
    si.nPage = static_cast<UINT>(page);
    si.nPos = si.nTrackPos = position;
    SetScrollInfo(WindowHandle(), bar, &si, TRUE);
}

// ---- measuring --------------------------------------------------------------------------

int TCustomGtTree::DefaultLineHeight() {
    TGtLineHeightInput in;
    in.FontHeight = Font()->Height();
    in.ItemIndent = itemIndent_;
    if (showImages_) {
        in.ImagesHeight = images_ != nullptr ? images_->Height() : 0;
        in.Images2Height = images2_ != nullptr ? images2_->Height() : 0;
    }
    in.ShowCheckboxes = ShowCheckboxes();
    in.CustomCheckboxes = customCheckboxes_;
    if (customCheckboxes_)
        in.CheckGlyphHeight = std::max(CheckBoxGlyph()->Height(), RadioButtonGlyph()->Height());
    in.BarStyle = barStyle_;
    in.HorizontalLines = horizontalLines_;
    return controls::tree::DefaultLineHeight(in);
}

bool TCustomGtTree::MeasureCellSize(TGtTreeItem* item, int column, gui::TPoint& size) {
    size = {0, LineHeight()};
    if (column == -1 || column == MainTreeColumn()) {
        size.X = (showRoot_ && showLines_) || (showButtons_ && showRootButtons_) ? itemIndent_
                                                                                 : itemIndent_ / 5;
        size.X += item->Level() * itemIndent_;
        const bool checkBox = ShowCheckboxes() && item->ShowCheckBox();
        if (checkBox) size.X += CheckBoxWidth(item);
        bool second = false;
        if (showImages_) {
            const bool stateLook = item->Focused() || item->Selected() ||
                                   (item->Expanded() && item->HasVisibleChildren());
            if (gui::TCustomImageList* list2 = images2_ != nullptr ? images2_ : images_) {
                int index = stateLook ? item->StateImageIndex2 : item->ImageIndex2;
                if (index == -1) index = DoItemPicDraw2(item);
                if ((index >= 0 && index < list2->Count())) {
                    size.X += list2->Width() + (checkBox ? itemIndent_ / 3 : 0);
                    second = true;
                }
            }
            if (images_ != nullptr) {
                int index = stateLook ? item->StateImageIndex : item->ImageIndex;
                if (index == -1) index = DoItemPicDraw(item);
                if (index >= 0 && index < images_->Count())
                    size.X += images_->Width() + (second || checkBox ? itemIndent_ / 3 : 0);
            }
        }
    }
    gui::TPoint text;
    if (MeasureCellText(item, column, text)) size.X += itemIndent_ * 3 / 5;
    size.X += text.X;
    size.Y = text.Y;
    return true;
}

bool TCustomGtTree::MeasureCellText(TGtTreeItem* item, int column, gui::TPoint& size) {
    const bool main = column == -1 || column == MainTreeColumn();
    TGtHeaderSection* section = main ? SectionByIndex(MainTreeColumn()) : SectionByIndex(column);
    const std::u16string text = item->CellText(main ? -1 : column);
    const bool ownerDraw =
        (OwnerDrawByColumn && section != nullptr && section->Style() == ElhsOwnerDraw) ||
        (!OwnerDrawByColumn && text == OwnerDrawMask);
    size = {0, LineHeight()};
    if (ownerDraw) {
        gui::TPoint part{0, 0};
        DoMeasureItemPart(item, main ? -1 : column, part);
        size.X = part.X;
        return main;
    }
    gui::TWindowDC screen(nullptr);
    gui::TSelectObject font(screen.Get(), Font()->Handle());
    gui::TRect r{0, 0, 0, 0};
    const std::u16string shown =
        !main && section != nullptr && section->Password() ? u"******" : text;
    DrawTextWideEx(screen.Get(), shown, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER, r,
                   nullptr);
    if (main) {
        size.X = r.Width();
        size.Y = std::max(LineHeight(), r.Height() + 1);
    } else {
        size.X = r.Width() + 2 + 2;
        size.Y = std::max(LineHeight(), r.Height() + 2 + 1);
    }
    return false;
}

// ---- columns ----------------------------------------------------------------------------

int TCustomGtTree::GetColumnWidth(int column, bool visibleOnly) {
    if (column >= SectionCount()) return 0;
    int widest = 0;
    const TGtList& all = AllItems();
    for (int i = 0; i < all.Count(); ++i) {
        auto* item = static_cast<TGtTreeItem*>(all.Get(i));
        if (visibleOnly && FilteredVisibility() && item->Hidden()) {
            i = item->LastDescendant()->AbsoluteIndex();
            continue;
        }
        gui::TPoint size;
        MeasureCellSize(item, column, size);
        widest = std::max(widest, size.X);
        if (visibleOnly && !item->Expanded() && item->ChildrenCount() > 0)
            i = item->LastDescendant()->AbsoluteIndex();
    }
    return widest;
}

void TCustomGtTree::AutoSizeColumn(int column) {
    if (IsUpdating()) {
        autoSizePending_ = true;
        Request(rfUpdatePending);
        return;
    }
    TGtHeaderSection* section = SectionByIndex(column);
    if (section == nullptr || !section->AutoSize()) return;
    int textWidth = 0, textHeight = 0;
    section->SetWidth(std::max(header_->MeasureSection(section, textWidth, textHeight),
                               GetColumnWidth(column, true)));
    SectionResized(section);
}

void TCustomGtTree::AutoSizeAllColumns() {
    if (inAutoSizeAll_) return;
    if (IsUpdating()) {
        autoSizePending_ = true;
        Request(rfUpdatePending);
        return;
    }
    inAutoSizeAll_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{inAutoSizeAll_};
    for (int i = 0; i < SectionCount(); ++i) AutoSizeColumn(i);
}

gui::TRect TCustomGtTree::GetItemRect(int index) const {
    gui::TRect r = view_->GetRowRect(index);
    r.Top += view_->Top();
    r.Bottom += view_->Top();
    return r;
}

TGtTreeItem* TCustomGtTree::GetItemAtY(int y) const {
    return view_->GetItemAtY(y - view_->Top());
}

// ---- header and bar wiring ----------------------------------------------------------------

void TCustomGtTree::SectionResized(TGtHeaderSection* section) {
    TGtTreeLock lock(*this);
    DoHeaderColumnResize(section->Index());
    Request(rfRepaintRows | rfRowsStale | (verticalLines_ ? rfRepaintAll : 0));
}

void TCustomGtTree::HeaderResized() {
    if (view_ == nullptr || view_->Painting()) return;
    {
        TGtTreeLock lock(*this);
        Request(rfRepaintRows | rfRowsStale);
        if (header_->Height() != headerHeightAtLayout_) {
            Request(rfRepaintAll | rfCountStale);
            UpdateLayout();
        }
        header_->SetLeftPos(view_->LeftPosition());
    }
    if (OnHeaderResize) OnHeaderResize(this);
}

void TCustomGtTree::SectionAutoSizeRequest(TGtHeaderSection* section) {
    if (section->AutoSize()) {
        AutoSizeColumn(section->Index());
    } else if (AutoResizeColumns) {
        int textWidth = 0, textHeight = 0;
        section->SetWidth(std::max(header_->MeasureSection(section, textWidth, textHeight),
                                   GetColumnWidth(section->Index(), true)));
        SectionResized(section);
    } else if (OnHeaderSectionAutoSize) {
        OnHeaderSectionAutoSize(this, section->Index());
    }
}

void TCustomGtTree::WireHeader() {
    TCustomGtHeader& h = *header_;
    h.OnSectionClick = [this](runtime::TObject*, TGtHeaderSection* s) {
        DoHeaderColumnClick(s->Index());
        SortByHeaderClick(s);
    };
    h.OnSectionDelete = [this](runtime::TObject*, TGtHeaderSection* s) {
        HeaderSectionsDeleted(s);
    };
    h.OnSectionResize = [this](runtime::TObject*, TGtHeaderSection* s) { SectionResized(s); };
    h.OnSectionDraw = [this](runtime::TObject*, gui::TCanvas* c, TGtHeaderSection* s, gui::TRect r,
                             bool pressed) { DoHeaderColumnDraw(c, s, r, pressed); };
    h.OnSectionMove = [this](runtime::TObject*, TGtHeaderSection* s, int oldPos, int newPos) {
        {
            SetUpdating(true);
            Request(rfRepaintAll);
            SetUpdating(false);
        }
        DoHeaderColumnMove(s, oldPos, newPos);
    };
    h.OnSectionShowHide = [this](runtime::TObject*, TGtHeaderSection*) {
        SetUpdating(true);
        view_->SetContentWidth(-1);
        if (header_->SectionsWidth() < view_->ClientWidth()) {
            header_->Invalidate();
            if (view_->LeftPosition() != 0) view_->SetLeftPosition(0);
        }
        Request(rfRepaintAll);
        SetUpdating(false);
    };
    h.OnSectionChange = [this](runtime::TObject*, TGtHeaderSection* s, TSectionChangeMode mode) {
        const bool repaint = (mode == scmAlign && s->Visible()) ||
                             (mode == scmStyle && s->Visible() && OwnerDrawByColumn);
        if (repaint) {
            SetUpdating(true);
            Request(rfRepaintAll);
            SetUpdating(false);
        } else if (mode == scmPassword && s->Visible()) {
            view_->Invalidate();
        }
    };
    h.OnSectionCreate = [this](runtime::TObject*, TGtHeaderSection*) {
        SetUpdating(true);
        Request(rfUpdatePending);
        UpdateLayout();
        SetUpdating(false);
    };
    h.OnHeaderLookup = [this](runtime::TObject*, TGtHeaderSection* s, std::u16string& text) {
        DoHeaderLookup(s, text);
        LookupText(s, text);
    };
    h.OnHeaderLookupDone = [this](runtime::TObject*, TGtHeaderSection* s, std::u16string text,
                                  bool accepted) { DoHeaderLookupDone(s, text, accepted); };
    auto expandCollapse = [this](TGtHeaderSection* s, bool expand) {
        if (expand)
            DoHeaderSectionExpand(s);
        else
            DoHeaderSectionCollapse(s);
        TGtTreeLock lock(*this);
        Request(rfRepaintAll);
    };
    h.OnSectionExpand = [expandCollapse](runtime::TObject*, TGtHeaderSection* s) {
        expandCollapse(s, true);
    };
    h.OnSectionCollapse = [expandCollapse](runtime::TObject*, TGtHeaderSection* s) {
        expandCollapse(s, false);
    };
    h.OnSectionAutoSize = [this](runtime::TObject*, TGtHeaderSection* s) {
        SectionAutoSizeRequest(s);
    };
    h.OnFilterCall = [this](runtime::TObject*, TGtHeaderSection* s) {
        if (OnHeaderSectionFilterCall) OnHeaderSectionFilterCall(this, s->Index());
    };
    h.OnMouseDown = [this](runtime::TObject*, runtime::TMouseButton button,
                           runtime::TShiftState shift, int x, int y) {
        view_->DoEndEdit(false);
        if (OnHeaderMouseDown) OnHeaderMouseDown(header_, button, shift, x, y);
    };
    h.OnResize = [this](runtime::TObject*) { HeaderResized(); };
}

void TCustomGtTree::SyncBarPosition(TGtScrollBar* bar, int position) {
    if (bar == nullptr) return;
    BarSync sync(barSync_);
    bar->SetPosition(position);
    if (!useCustomScrollBars_ && HandleAllocated())
        SetScrollPos(WindowHandle(), bar == vertBar_ ? SB_VERT : SB_HORZ, position, TRUE);
}

void TCustomGtTree::WireBar(TGtScrollBar& bar, bool vertical) {
    bar.SetOwnerDraw(true);
    bar.SetTabStop(false);
    bar.OnDrawPart = [this, vertical](runtime::TObject*, gui::TCanvas* c, gui::TRect r,
                                      TGtScrollBarPart part, bool enabled, bool focused,
                                      bool pressed, bool& defaultDraw) {
        const TGtScrollDrawPartEvent& e = vertical ? OnVertScrollDrawPart : OnHorzScrollDrawPart;
        if (e) e(this, c, r, part, enabled, focused, pressed, defaultDraw);
    };
    bar.OnScrollHintNeeded = [this, vertical](runtime::TObject*, int position,
                                              std::u16string& hint) {
        const TGtScrollHintNeededEvent& e =
            vertical ? OnVertScrollHintNeeded : OnHorzScrollHintNeeded;
        if (e) e(this, position, hint);
        if (!vertical || !hint.empty()) return;
        if (TGtTreeItem* item = Items().GetVisItem(position))
            hint = item->CellText(SortSection() < 0 ? -1 : SortSection());
    };
    bar.OnScroll = [this, vertical](runtime::TObject*, TGtScrollCode code, int& position,
                                    bool& doChange) {
        // The user scrolls: a running edit ends and keeps what was typed.
        if (!barSync_) view_->DoEndEdit(false);
        if (!doChange || barSync_) return;
        if (vertical)
            view_->VertScroll(code, position, doChange);
        else
            view_->HorzScroll(code, position, doChange);
    };
    bar.OnMouseDown = [this](runtime::TObject*, runtime::TMouseButton, runtime::TShiftState, int,
                             int) {
        if (!view_->HasFocus() && view_->CanFocus() && CanFocus()) view_->SetFocus();
    };
}

}  // namespace controls::tree
