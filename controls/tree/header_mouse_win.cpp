// The header's pointer: pressing and clicking sections, their glyphs,
// resizing, dragging to another place, hot tracking, the cursor, the right
// button and hints.
#include <algorithm>
#include <cmath>

#include "controls/tree/header.h"
#include "gui/application.h"
#include "gui/geometry_win.h"
#include "gui/menus.h"
#include "gui/screen.h"

namespace controls::tree {

gui::TPoint TCustomGtHeader::Cursor() const {
    POINT p{};
    GetCursorPos(&p);
    return ScreenToClient(gui::ToTPoint(p));
}

void TCustomGtHeader::SetHot(TGtHeaderSection* section) {
    if (section == hot_) return;
    TGtHeaderSection* old = hot_;
    hot_ = section;
    RepaintSection(old);
    RepaintSection(section);
}

void TCustomGtHeader::MouseDown(runtime::TMouseButton button, runtime::TShiftState shift, int x,
                                int y) {
    TGtXPThemedControl::MouseDown(button, shift, x, y);
    if (button != runtime::mbLeft) return;
    if (lookupOpen_) {
        CloseLookup(false);
        return;
    }
    TGtHeaderSection* zone = nullptr;
    if (InResizeArea(x, zone) && zone->Resizable() && !Designing()) {
        StartResize(zone);
        resizeOffset_ = x - resizeX_;
        lastMoveX_ = x;
        return;
    }
    downPoint_ = {x, y};
    pressedFlag_ = true;
    if (pressed_ != nullptr) RepaintSection(pressed_);
    TGtHeaderSection* s = SectionAt(x, y);
    pressed_ = s;
    if (s == nullptr) return;
    switch (PressZoneAt(*s, x, y, leftPos_)) {
        case hpzExpand:
            pressed_ = nullptr;
            s->SetExpanded(!s->Expanded());
            if (s->Expanded())
                DoSectionExpand(s);
            else
                DoSectionCollapse(s);
            return;
        case hpzLookup:
            pressed_ = nullptr;
            OpenLookup(s);
            return;
        case hpzFilter:
            pressed_ = nullptr;
            DoFilterCall(s);
            return;
        case hpzNone:
            break;
    }
    if (s->AllowClick)
        RepaintSection(s);
    else
        pressed_ = nullptr;
}

void TCustomGtHeader::MouseMove(runtime::TShiftState shift, int x, int y) {
    TGtXPThemedControl::MouseMove(shift, x, y);
    if (resizing_ || dragged_ != nullptr) {
        if (x == lastMoveX_) return;
        lastMoveX_ = x;
        if (resizing_)
            ResizeTo(x);
        else
            DragTo(x);
        return;
    }
    if (pressedFlag_ && pressed_ != nullptr && AllowDrag && !Designing() &&
        std::hypot(x - downPoint_.X, y - downPoint_.Y) >= kDragThreshold) {
        StartDrag();
        lastMoveX_ = x;
        DragTo(x);
        return;
    }
    TGtHeaderSection* under = SectionAt(x, y);
    if ((tracking_ || ThemeInUse()) && !Designing() && mouseInside_) SetHot(under);
    // Moving onto another section with a hint of its own shows that hint.
    if (under != hintSection_) {
        hintSection_ = under;
        if (under != nullptr && !under->Hint.empty() && ShowHint() && gui::Application != nullptr) {
            gui::Application->CancelHint();
            gui::Application->ActivateHint(ClientToScreen({x, y}));
        }
    }
}

void TCustomGtHeader::MouseUp(runtime::TMouseButton button, runtime::TShiftState shift, int x,
                              int y) {
    TGtXPThemedControl::MouseUp(button, shift, x, y);
    if (button == runtime::mbLeft) FinishPointer(x, y);
}

void TCustomGtHeader::FinishPointer(int x, int y) {
    if (resizing_) {
        EndResize();
        return;
    }
    if (dragged_ != nullptr) {
        EndDrag(x, y);
        return;
    }
    pressedFlag_ = false;
    if (TGtHeaderSection* s = pressed_) {
        pressed_ = nullptr;
        RepaintSection(s);
        if (SectionAt(downPoint_.X, downPoint_.Y) == s && SectionAt(x, y) == s) DoSectionClick(s);
    }
    if (hot_ != nullptr && SectionAt(x, y) != hot_) SetHot(nullptr);
}

void TCustomGtHeader::WMLButtonDblClk(gui::TMessage& msg) {
    doubleClickPoint_ = gui::PointFromLParam(msg.LParam);
    GUI_INHERITED(msg);
}

void TCustomGtHeader::DblClick() {
    TGtXPThemedControl::DblClick();
    TGtHeaderSection* zone = nullptr;
    if (InResizeArea(doubleClickPoint_.X, zone) && zone->Resizable()) DoSectionAutoSize(zone);
}

void TCustomGtHeader::WMCancelMode(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    FinishPointer(-1, -1);
    if (HandleAllocated() && GetCapture() == WindowHandle()) ReleaseCapture();
}

void TCustomGtHeader::CMExit(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    const gui::TPoint p = Cursor();
    FinishPointer(p.X, p.Y);
}

void TCustomGtHeader::WMGetDlgCode(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    // Escape ends a drag rather than reaching the form.
    if (dragged_ != nullptr) msg.Result |= DLGC_WANTALLKEYS;
}

void TCustomGtHeader::KeyDown(uint16_t& key, runtime::TShiftState shift) {
    if (key == VK_ESCAPE && shift.Empty() && dragged_ != nullptr) {
        // The section stays where it is.
        TGtHeaderSection* s = dragged_;
        EndDrag(s->Left() - leftPos_ + 1, 1);
        key = 0;
        return;
    }
    TGtXPThemedControl::KeyDown(key, shift);
}

// ---- resizing ----------------------------------------------------------------------------------

void TCustomGtHeader::StartResize(TGtHeaderSection* section) {
    resizing_ = true;
    SetHot(nullptr);
    if (gui::Screen != nullptr) gui::Screen->SetCursor(gui::crHSplit);
    if (HandleAllocated()) SetCapture(WindowHandle());
    resized_ = section;
    resizeX_ = section->Right() - leftPos_;
    if (!ResizeOnDrag) Invalidate();
    DoSectionResizing(section, trsBegin, section->Width());
}

void TCustomGtHeader::ResizeTo(int x) {
    int width;
    if (!ResizeWidthAt(*sections_, *resized_, x, leftPos_, resizeOffset_, stickySections_,
                       ClientWidth(), width))
        return;
    if (ResizeOnDrag) {
        resized_->SetWidth(width);
        InvalidateRange(resized_->Left() - leftPos_, ClientWidth());
        Update();
    } else {
        const int old = resizeX_;
        resizeX_ = resized_->Left() - leftPos_ + width;
        InvalidateRange(std::min(old, resizeX_), std::max(old, resizeX_) + 1);
    }
    DoSectionResizing(resized_, trsMove, width);
}

void TCustomGtHeader::EndResize() {
    if (gui::Screen != nullptr) gui::Screen->SetCursor(gui::crDefault);
    if (HandleAllocated() && GetCapture() == WindowHandle()) ReleaseCapture();
    TGtHeaderSection* s = resized_;
    resizing_ = false;
    if (!ResizeOnDrag) {
        // Reported once below, after the end of the resize.
        quietResize_ = true;
        s->SetWidth(resizeX_ + leftPos_ - s->Left());
        quietResize_ = false;
    }
    DoSectionResizing(s, trsEnd, s->Width());
    DoSectionResize(s);
    resized_ = nullptr;
    Invalidate();
    Update();
}

// ---- dragging ----------------------------------------------------------------------------------

void TCustomGtHeader::StartDrag() {
    dragged_ = pressed_;
    pressed_ = nullptr;
    pressedFlag_ = false;
    SetHot(nullptr);
    if (HandleAllocated()) SetCapture(WindowHandle());
    dragImageStart_ = dragged_->Left() - leftPos_;
    dragX_ = downPoint_.X;
}

void TCustomGtHeader::DragTo(int x) {
    const bool movingRight = x > dragX_;
    const int left = dragImageStart_ + x - downPoint_.X;
    const gui::TRect old = dragImageRect_;
    dragImageRect_ = {left, 0, left + dragged_->Width(), ClientHeight()};
    dropTarget_ = SectionAt(x, 1);
    if (MoveOnDrag) {
        const int to =
            LiveDragPosition(*sections_, *dragged_, dropTarget_, x, leftPos_, movingRight);
        if (to >= 0) sections_->MoveSection(dragged_, to);
    }
    dragX_ = x;
    if (old.IsEmpty())
        Invalidate();
    else
        InvalidateRange(std::min(old.Left, dragImageRect_.Left),
                        std::max(old.Right, dragImageRect_.Right));
    Update();
}

void TCustomGtHeader::EndDrag(int x, int y) {
    TGtHeaderSection* s = dragged_;
    TGtHeaderSection* target = SectionAt(x, y);
    if (target == nullptr) target = SectionAt(x, 1);
    const int to = target != nullptr ? target->Position() : sections_->Count() - 1;
    dragged_ = nullptr;
    dropTarget_ = nullptr;
    pressed_ = nullptr;
    pressedFlag_ = false;
    hot_ = nullptr;
    dragImageRect_ = {};
    if (HandleAllocated() && GetCapture() == WindowHandle()) ReleaseCapture();
    if (to != s->Position()) sections_->MoveSection(s, to);
    Invalidate();
    Update();
}

// ---- entering and leaving, the cursor
// ------------------------------------------------------------

void TCustomGtHeader::CMMouseEnter(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    mouseInside_ = true;
    if (pressed_ != nullptr && !resizing_ && dragged_ == nullptr) {
        pressedFlag_ = true;
        RepaintSection(pressed_);
    }
}

void TCustomGtHeader::CMMouseLeave(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    mouseInside_ = false;
    dropTarget_ = nullptr;
    if (pressedFlag_ && !resizing_ && dragged_ == nullptr) {
        pressedFlag_ = false;
        RepaintSection(pressed_);
    }
    SetHot(nullptr);
    hintSection_ = nullptr;
}

void TCustomGtHeader::WMSetCursor(gui::TMessage& msg) {
    if (LOWORD(msg.LParam) == HTCLIENT && !pressedFlag_ && !resizing_ && dragged_ == nullptr &&
        !Designing()) {
        const gui::TPoint p = Cursor();
        TGtHeaderSection* zone = nullptr;
        if (InResizeArea(p.X, zone) && zone->Resizable()) {
            ::SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
            msg.Result = 1;
            return;
        }
    }
    GUI_INHERITED(msg);
}

// ---- the right button --------------------------------------------------------------------------

void TCustomGtHeader::WMRButtonDown(gui::TMessage& msg) {
    if (resizing_) return;  // swallowed
    GUI_INHERITED(msg);
}

void TCustomGtHeader::WMRButtonUp(gui::TMessage& msg) {
    if (resizing_) return;
    GUI_INHERITED(msg);
}

void TCustomGtHeader::WMContextMenu(gui::TMessage& msg) {
    if (resizing_) {
        msg.Result = 1;
        return;
    }
    GUI_INHERITED(msg);
}

void TCustomGtHeader::DoContextPopup(gui::TPoint screenPos, bool& handled) {
    // One menu per right click: the section's own, else the header's.
    const gui::TPoint p = ScreenToClient(screenPos);
    TGtHeaderSection* s = SectionAt(p.X, p.Y);
    auto* menu = s != nullptr ? dynamic_cast<gui::TPopupMenu*>(s->PopupMenu()) : nullptr;
    if (menu == nullptr) {
        TGtXPThemedControl::DoContextPopup(screenPos, handled);
        return;
    }
    OnContextPopup(this, p.X, p.Y, handled);
    if (handled) return;
    handled = true;
    if (!menu->AutoPopup()) return;
    menu->SetPopupComponent(this);
    menu->Popup(screenPos.X, screenPos.Y);
}

}  // namespace controls::tree
