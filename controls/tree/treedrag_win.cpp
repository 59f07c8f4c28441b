// Dragging rows and dropping on them: when a drag starts, the image of the
// dragged rows, the drop target that follows the pointer over the view
// (accept colours, OnDragTargetChange, expanding a collapsed row, scrolling
// at the top and bottom edges), the relays of the drag events to the tree
// and the drag cursors.
#include <algorithm>
#include <memory>

#include "controls/tree/drawing.h"
#include "controls/tree/headersections.h"
#include "controls/tree/timers.h"
#include "controls/tree/tree.h"
#include "controls/tree/treedrag.h"
#include "controls/tree/treeview.h"
#include "gui/graphic.h"
#include "gui/imagelist.h"
#include "gui/screen.h"
#include "runtime/properties.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TGtTreeDragObject, gui::TDragControlObject)
RUNTIME_END_CLASS

namespace {

// Hides the drag image for a scope (painting under it), shown again also
// when the scope is left by an exception.
class THiddenDragImage {
  public:
    explicit THiddenDragImage(gui::TDragObject* object) : object_(object) {
        if (object_ != nullptr) object_->HideDragImage();
    }
    ~THiddenDragImage() {
        if (object_ != nullptr) object_->ShowDragImage();
    }
    THiddenDragImage(const THiddenDragImage&) = delete;
    THiddenDragImage& operator=(const THiddenDragImage&) = delete;

  private:
    gui::TDragObject* object_;
};

}  // namespace

void RegisterDragCursors() {
    if (gui::Screen == nullptr) return;
    HMODULE ole = LoadLibraryW(L"ole32.dll");
    if (ole == nullptr) return;
    const int ids[] = {crGtDragNoDrop, crGtDragMove, crGtDragCopy};
    for (int i = 0; i < 3; ++i)
        if (HCURSOR cursor = LoadCursorW(ole, MAKEINTRESOURCEW(i + 1)))
            gui::Screen->SetCursorHandle(static_cast<gui::TCursor>(ids[i]), cursor);
}

// ---- the drag object --------------------------------------------------------------------

TGtTreeDragObject::TGtTreeDragObject(gui::TControl* control) : gui::TDragControlObject(control) {
    SetAutoFree(true);
}

gui::TCursor TGtTreeDragObject::GetDragCursor(bool accepted, int x, int y) {
    if (dynamic_cast<TCustomGtTree*>(Control()) == nullptr)
        return gui::TDragControlObject::GetDragCursor(accepted, x, y);
    if (!accepted) return static_cast<gui::TCursor>(crGtDragNoDrop);
    return static_cast<gui::TCursor>(GetKeyState(VK_CONTROL) < 0 ? crGtDragCopy : crGtDragMove);
}

gui::TCustomImageList* TGtTreeDragObject::GetDragImages() {
    if (auto* tree = dynamic_cast<TCustomGtTree*>(Control()); tree != nullptr && tree->View())
        return tree->View()->GetDragImages();
    return gui::TDragControlObject::GetDragImages();
}

void TGtTreeDragObject::Finished(runtime::TObject* target, int x, int y, bool accepted) {
    // A drop on a tree's rows lands on its view; the application sees the tree.
    if (auto* view = dynamic_cast<TGtTreeView*>(target)) {
        target = &view->Tree();
        x += view->Left();
        y += view->Top();
    }
    gui::TDragControlObject::Finished(target, x, y, accepted);
    if (auto* tree = dynamic_cast<TCustomGtTree*>(Control()); tree != nullptr && tree->View())
        tree->View()->FinishDrag();
}

// ---- the tree's part --------------------------------------------------------------------

void TCustomGtTree::SetDragTrgDrawMode(TDragTargetDraw value) {
    if (value == dragTrgDrawMode_) return;
    dragTrgDrawMode_ = value;
    if (view_ != nullptr) view_->RepaintDropTarget();
}

void TCustomGtTree::SetDragRectAcceptColor(TGtColor value) {
    if (value == dragRectAcceptColor_) return;
    dragRectAcceptColor_ = value;
    if (view_ != nullptr && DragTrgDrawModeUsesColors()) view_->RepaintDropTarget();
}

void TCustomGtTree::SetDragRectDenyColor(TGtColor value) {
    if (value == dragRectDenyColor_) return;
    dragRectDenyColor_ = value;
    if (view_ != nullptr && DragTrgDrawModeUsesColors()) view_->RepaintDropTarget();
}

bool TCustomGtTree::DragTrgDrawModeUsesColors() const {
    return dragTrgDrawMode_ == ColorFrame || dragTrgDrawMode_ == ColorRect ||
           dragTrgDrawMode_ == dtdUpColorLine || dragTrgDrawMode_ == dtdDownColorLine;
}

void TCustomGtTree::DoDragTargetChange(TGtTreeItem* item, const gui::TRect& itemRect, int x,
                                       int y) {
    if (OnDragTargetChange) OnDragTargetChange(this, item, itemRect, x, y);
}

// ---- starting a drag --------------------------------------------------------------------

bool TGtTreeView::TryStartDrag(int x, int y) {
    TCustomGtTree& t = *tree_;
    if (!t.DragAllowed || Dragging() || frameSelecting_) return false;
    int column = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, column, part);
    if (t.RowSelect() && item != nullptr && part == hpNothing) part = hpText;
    if (part == hpNothing) return false;
    const bool selection = t.MultiSelect()
                               ? t.SelectionList() != nullptr && t.SelectionList()->Count() > 0
                               : t.CurrentItem() != nullptr;
    if (!selection) return false;
    const int dx = x - pressPoint_.X;
    const int dy = y - pressPoint_.Y;
    if (dx * dx + dy * dy < 25) return false;
    StopPendingEdit();
    // The press keeps the selection as it was: a multi-selection is dragged whole.
    pendingSelect_ = false;
    t.Refs().PendingSelect = nullptr;
    dragStarted_ = true;
    if (t.DragType == dtOLE) return false;
    // The drag takes the pointer: the release goes to it, not to the view.
    buttonPressed_ = false;
    BeginDrag(true);
    return true;
}

void TGtTreeView::DoStartDrag(gui::TDragObject*& dragObject) {
    TCustomGtTree& t = *tree_;
    SetDragCursor(t.DragCursor());
    t.Refs().DropTarget = nullptr;
    dragImages_.reset();
    if (t.CurrentItem() != nullptr ||
        (t.SelectionList() != nullptr && t.SelectionList()->Count() > 0))
        BuildDragImages();
    if (dragImages_ != nullptr) {
        int x = pressPoint_.X + leftPosition_;
        if (t.ShowColumns())
            if (const TGtHeaderSection* main = t.SectionByIndex(t.MainTreeColumn()))
                x -= main->Left();
        dragImages_->SetDragImage(0, x, pressPoint_.Y - imageTop_);
    }
    t.DoStartDrag(dragObject);
    if (dragObject == nullptr) dragObject = new TGtTreeDragObject(&t);
}

gui::TCustomImageList* TGtTreeView::GetDragImages() {
    return dragImages_ != nullptr && dragImages_->Count() > 0 ? dragImages_.get() : nullptr;
}

void TGtTreeView::BuildDragImages() {
    TCustomGtTree& t = *tree_;
    dragImages_.reset();
    if (t.DragImageMode == dimNever) return;
    int top = -1;
    int bottom = -1;
    for (int i = 0; i < RowCount(); ++i) {
        if (!Row(i)->Selected()) continue;
        const gui::TRect r = GetRowRect(i);
        if (top >= 0 && t.DragImageMode == dimOne) return;  // more than one row
        if (top < 0) top = r.Top;
        bottom = r.Bottom;
    }
    if (top < 0) return;
    int width = std::max(contentWidth_, leftPosition_ + Width());
    if (t.ShowColumns())
        if (const TGtHeaderSection* main = t.SectionByIndex(t.MainTreeColumn()))
            width = main->Width();
    if (width <= 0) return;
    imageTop_ = top;
    auto list = std::make_unique<gui::TImageList>(nullptr);
    list->SetWidth(width);
    list->SetHeight(bottom - top);
    gui::TBitmap bitmap(width, bottom - top);
    const auto transparent = static_cast<gui::TColor>(t.BkColor());
    bitmap.SetTransparentColor(transparent);
    bitmap.Canvas().Brush().SetColor(transparent);
    bitmap.Canvas().FillRect({0, 0, width, bottom - top});
    DrawDragRows(bitmap.Canvas());
    list->AddMasked(bitmap, transparent);
    dragImages_ = std::move(list);
}

void TGtTreeView::DrawDragRows(gui::TCanvas& canvas) {
    TCustomGtTree& t = *tree_;
    int width = std::max(contentWidth_, ClientWidth() + leftPosition_);
    if (t.ShowColumns())
        if (const TGtHeaderSection* main = t.SectionByIndex(t.MainTreeColumn()))
            width = main->Width();
    canvas.Font().Assign(Font());
    canvas.Font().SetColor(static_cast<gui::TColor>(t.TextColor()));
    canvas.Pen().SetColor(static_cast<gui::TColor>(t.TextColor()));
    for (int i = 0; i < RowCount(); ++i) {
        TGtTreeItem* item = Row(i);
        if (!item->Selected()) continue;
        gui::TRect r = GetRowRect(i);
        r.Top -= imageTop_;
        r.Bottom -= imageTop_;
        if (t.HorizontalLines()) --r.Bottom;
        r.Left = 0;
        r.Right = width;
        DrawDragRow(canvas, item, r);
    }
}

void TGtTreeView::DrawDragRow(gui::TCanvas& canvas, TGtTreeItem* item, gui::TRect r) {
    TCustomGtTree& t = *tree_;
    const std::u16string text = item->Text();
    const int indent = t.ItemIndent();
    // How far in from the side the tree grows from: the left, or the right
    // in a right-aligned tree.
    const bool rtl = t.RightAlignedTree();
    int inset = 0;
    if ((t.ShowRoot() && t.ShowLines()) || (t.ShowButtons() && t.ShowRootButtons()))
        inset += indent;
    inset += item->Level() * indent;
    if (t.ShowImages() && t.Images() != nullptr) {
        gui::TCustomImageList& images = *t.Images();
        int index = item->StateImageIndex;
        if (index == -1) index = t.DoItemPicDraw(item);
        if (index >= 0 && index < images.Count()) {
            const int y = r.Top + (r.Height() + 1) / 2 - images.Height() / 2;
            const int x = rtl ? r.Right - inset - images.Width() : r.Left + inset;
            images.Draw(canvas, x, y, index, gui::dsFocus);
            inset += images.Width();
        }
    }
    inset += indent / 3;
    const int edge = rtl ? r.Right - inset : r.Left + inset;
    const TGtHeaderSection* main = t.SectionByIndex(t.MainTreeColumn());
    const bool ownerDraw = t.OwnerDrawByColumn ? t.SectionCount() > 0 && main != nullptr &&
                                                     main->Style() == ElhsOwnerDraw
                                               : text == t.OwnerDrawMask;
    const gui::TRect rest = rtl ? gui::TRect{r.Left, r.Top, edge, r.Bottom}
                                : gui::TRect{edge, r.Top, r.Right, r.Bottom};
    if (ownerDraw) {
        t.DoItemDraw(item, &canvas, rest, t.MainTreeColumn());
        return;
    }
    if (!item->ParentStyle()) {
        gui::TFontStyles styles;
        if (item->GetState(kStateBold)) styles.Include(gui::fsBold);
        if (item->GetState(kStateItalic)) styles.Include(gui::fsItalic);
        if (item->GetState(kStateUnderlined)) styles.Include(gui::fsUnderline);
        if (item->GetState(kStateStrikeOut)) styles.Include(gui::fsStrikeOut);
        canvas.Font().SetStyle(styles);
    }
    gui::TRect measure{0, 0, 0, 0};
    DrawTextWideEx(canvas.TextHandle(), text, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE, measure,
                   nullptr);
    gui::TRect at = rtl ? gui::TRect{edge - measure.Width(), r.Top, edge, r.Bottom}
                        : gui::TRect{edge, r.Top, edge + measure.Width(), r.Bottom};
    UINT format = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
    if (t.RightAlignedText()) format |= DT_RIGHT | DT_RTLREADING;
    canvas.Brush().SetStyle(gui::bsClear);
    DrawTextWideEx(canvas.TextHandle(), text, format, at, nullptr);
}

// ---- the drag over the view -------------------------------------------------------------

TGtTreeItem* TGtTreeView::DropTarget() const {
    return tree_->Refs().DropTarget;
}

void TGtTreeView::RepaintDropTarget() {
    TGtTreeItem* target = DropTarget();
    if (target == nullptr) return;
    THiddenDragImage hidden(tree_->CurrentDragObject());
    InvalidateRow(target, 0, -1);
    if (HandleAllocated()) Update();
}

void TGtTreeView::ClearDropTarget() {
    TGtTreeItem* old = DropTarget();
    tree_->Refs().DropTarget = nullptr;
    if (old != nullptr) InvalidateRow(old, 0, -1);
    if (HandleAllocated()) Update();
}

void TGtTreeView::DragNotice(gui::TMessage& msg) {
    TCustomGtTree& t = *tree_;
    const auto* rec = reinterpret_cast<const gui::TDragRec*>(msg.LParam);
    t.currentDragObject_ = rec->Source;
    gui::TCustomControl::WndProc(msg);
    switch (static_cast<gui::TDragMessage>(msg.WParam)) {
        case gui::dmDragEnter:
            dragOverActive_ = true;
            break;
        case gui::dmDragLeave: {
            dragOverActive_ = false;
            gui::TDragObject* object = t.currentDragObject_;
            t.currentDragObject_ = nullptr;
            GtTimers().Stop(&dragExpandTimer_);
            if (t.DragAllowed) {
                GtTimers().Stop(&dragScrollTimer_);
                dragScrollRunning_ = false;
                THiddenDragImage hidden(object);
                ClearDropTarget();
            }
            break;
        }
        case gui::dmDragMove:
            if (t.DragAllowed) {
                const gui::TPoint p = ScreenToClient(rec->Pos);
                DoDragOver(rec->Source, p.X, msg.Result != 0, p.Y);
            }
            break;
        case gui::dmDragDrop:
        case gui::dmDragCancel:
            dragOverActive_ = false;
            t.currentDragObject_ = nullptr;
            GtTimers().Stop(&dragExpandTimer_);
            if (t.DragAllowed) {
                GtTimers().Stop(&dragScrollTimer_);
                dragScrollRunning_ = false;
                ClearDropTarget();
            }
            break;
    }
}

void TGtTreeView::DoDragOver(gui::TDragObject* dragObject, int x, bool accepted, int y) {
    TCustomGtTree& t = *tree_;
    HideLineHint();
    if (RowCount() > 0) {
        const bool upZone = topIndex_ > 0 && y <= RowHeight(Row(0));
        const bool downZone =
            t.TotalVisible() >= bottomIndex_ && y >= Height() - RowHeight(Row(RowCount() - 1));
        if ((upZone || downZone) && !dragScrollRunning_) {
            dragScrollRunning_ = true;
            GtTimers().Start(&dragScrollTimer_, 1000, [this] { DragScrollTick(); });
        }
    }
    const bool wasAccepted = dropAccepted_;
    dropAccepted_ = accepted;
    TGtTreeItem* old = DropTarget();
    TGtTreeItem* target = GetItemAtY(y);
    if (target != nullptr && !target->Enabled() && !t.IgnoreEnabled) target = nullptr;
    t.Refs().DropTarget = target;
    if (target == old && !t.OnDragTargetChange) {
        // The same row, now accepting where it refused or the other way
        // round: it shows the other colour.
        if (target != nullptr && accepted != wasAccepted) {
            THiddenDragImage hidden(dragObject);
            InvalidateRow(target, 0, -1);
            if (HandleAllocated()) Update();
        }
        return;
    }

    THiddenDragImage hidden(dragObject);
    if (old != nullptr) InvalidateRow(old, 0, -1);
    if (t.OnDragTargetChange) {
        const int row = target != nullptr ? RowIndexOf(target) : -1;
        const gui::TRect rect = row >= 0 ? t.GetItemRect(row) : gui::TRect{};
        t.DoDragTargetChange(target, rect, x, y + Top());
    }
    // Only a new target starts the wait before it expands: moving over the
    // same row must not put its expansion off again and again.
    if (target != nullptr && target != old) {
        if (t.ExpandOnDragOver) {
            GtTimers().Stop(&dragExpandTimer_);
            if (t.DragExpandDelay > 0) {
                GtTimers().Start(&dragExpandTimer_, t.DragExpandDelay,
                                 [this] { DragExpandTick(); });
            } else if (!target->Expanded()) {
                target->Expand(false);
            }
        }
        InvalidateRow(target, 0, -1);
    }
    if (HandleAllocated()) Update();
}

void TGtTreeView::DragScrollTick() {
    TCustomGtTree& t = *tree_;
    GtTimers().Stop(&dragScrollTimer_);
    dragScrollRunning_ = false;
    if (RowCount() == 0) return;
    POINT screen;
    GetCursorPos(&screen);
    const gui::TPoint p = ScreenToClient({screen.x, screen.y});
    int step = 0;
    if (topIndex_ > 0 && p.Y <= RowHeight(Row(0)))
        step = -1;
    else if (t.TotalVisible() >= bottomIndex_ && p.Y >= Height() - RowHeight(Row(RowCount() - 1)))
        step = 1;
    if (step == 0) return;
    {
        THiddenDragImage hidden(t.CurrentDragObject());
        SetTopIndex(topIndex_ + step);
        if (HandleAllocated()) Update();
    }
    dragScrollRunning_ = true;
    GtTimers().Start(&dragScrollTimer_, t.DragScrollInterval, [this] { DragScrollTick(); });
}

void TGtTreeView::DragExpandTick() {
    GtTimers().Stop(&dragExpandTimer_);
    TGtTreeItem* target = DropTarget();
    if (target == nullptr || target->Expanded()) return;
    THiddenDragImage hidden(tree_->CurrentDragObject());
    target->Expand(false);
    if (HandleAllocated()) Update();
}

bool TGtTreeView::DragScrollStep(gui::TDragObject* dragObject, int, int y) {
    TCustomGtTree& t = *tree_;
    const int half = t.LineHeight() / 2;
    int step = 0;
    if (y < half && topIndex_ > 0)
        step = -1;
    else if (y > Height() - half && t.TotalVisible() >= bottomIndex_)
        step = 1;
    if (step == 0) return false;
    if (dragObject != nullptr) dragObject->HideDragImage();
    SetTopIndex(topIndex_ + step);
    return true;
}

// ---- relays to the tree -----------------------------------------------------------------

void TGtTreeView::DragOver(runtime::TObject* source, int x, int y, gui::TDragState state,
                           bool& accept) {
    TCustomGtTree& t = *tree_;
    t.DragOver(source == this ? &t : source, x + Left(), y + Top(), state, accept);
}

void TGtTreeView::DragDrop(runtime::TObject* source, int x, int y) {
    TCustomGtTree& t = *tree_;
    t.DragDrop(source == this ? &t : source, x + Left(), y + Top());
}

void TGtTreeView::DoEndDrag(runtime::TObject* target, int x, int y) {
    if (auto* view = dynamic_cast<TGtTreeView*>(target)) {
        target = &view->Tree();
        x += view->Left();
        y += view->Top();
    }
    tree_->DoEndDrag(target, x, y);
    FinishDrag();
}

void TGtTreeView::FinishDrag() {
    dragImages_.reset();
    ClearDropTarget();
}

void TGtTreeView::EndInteraction() {
    try {
        DoEndEdit(true);
    } catch (...) {
    }
    ClearEditor();
    HideLineHint();
    for (const void* timer :
         {LineHintTimer(), PendingEditTimer(), DragScrollTimer(), DragExpandTimer()})
        GtTimers().Stop(timer);
    dragScrollRunning_ = false;
}

// ---- deleted items ----------------------------------------------------------------------

void TGtTreeView::ForgetInteraction(const TGtTreeItem* item) {
    if (item == hintedItem_) HideLineHint();
    if (item == lastClickedItem_) lastClickedItem_ = nullptr;
    if (item == editingItem_ && editor_ != nullptr) {
        // The edit cannot store into a row that is gone.
        try {
            DoEndEdit(true);
        } catch (...) {
        }
        ClearEditor();
    }
}

}  // namespace controls::tree
