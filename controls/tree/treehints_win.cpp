// The view's hints: line hints (the tree's own pop-up that shows a row's
// text in full when its cell cuts it off, or the item's hint) and item
// hints (the item's hint published through the application's hint
// system). Also the view's window procedure, where hints are hidden and
// the mouse steps of editing and dragging are taken before the normal
// handling of a message.
#include <algorithm>

#include "controls/tree/cellstyle.h"
#include "controls/tree/colormath.h"
#include "controls/tree/headersections.h"
#include "controls/tree/timers.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "controls/tree/widestrings.h"
#include "gui/application.h"
#include "gui/geometry_win.h"
#include "gui/messages.h"
#include "runtime/strings.h"

namespace controls::tree {

namespace {

std::u16string UpToBar(const std::u16string& text) {
    return text.substr(0, text.find(u'|'));
}

bool IsMouseMessage(UINT m) {
    return (m >= WM_MOUSEMOVE && m <= WM_MOUSEWHEEL) || m == WM_NCMOUSEMOVE;
}

bool IsKeyMessage(UINT m) {
    return m >= WM_KEYDOWN && m <= WM_KEYLAST;
}

}  // namespace

// ---- the tree's part --------------------------------------------------------------------

void TCustomGtTree::DoShowLineHint(TGtTreeItem* item, TGtHeaderSection* section,
                                   std::u16string& text, TGtHintWindow* hintWindow,
                                   gui::TPoint mousePos, bool& doShowHint) {
    if (OnShowLineHint) OnShowLineHint(this, item, section, text, hintWindow, mousePos, doShowHint);
}

// ---- line hints -------------------------------------------------------------------------

void TGtTreeView::HintMouseMove(int x, int y) {
    TCustomGtTree& t = *tree_;
    if (frameSelecting_) return;
    if (t.LineHintMode != shmNone && (x != lastHintPoint_.X || y != lastHintPoint_.Y)) {
        TGtTreeItem* item = GetItemAtY(y);
        if ((t.HideHintOnMove || item != nullptr) && item != hintedItem_) {
            HideLineHint();
            lastHintPoint_ = {x, y};
            int pause = gui::Application != nullptr ? gui::Application->HintShortPause : 0;
            if (pause <= 0) pause = 1000;
            GtTimers().Start(&lineHintTimer_, pause, [this] { LineHintTick(); });
        }
    }
    ItemHintMove(x, y);
}

void TGtTreeView::LineHintTick() {
    TCustomGtTree& t = *tree_;
    if (hintedItem_ != nullptr) {
        HideLineHint();
        return;
    }
    // An editor at work keeps the hint waiting.
    if (t.IsEditing()) return;
    GtTimers().Stop(&lineHintTimer_);
    if (!t.HandleAllocated() || t.Designing()) return;
    ShowLineHintAt(lastHintPoint_.X, lastHintPoint_.Y);
    if (t.HideHintOnTimer && hintedItem_ != nullptr) {
        int timeout = t.LineHintTimeout;
        if (timeout <= 0)
            timeout = gui::Application != nullptr ? gui::Application->HintHidePause : 0;
        if (timeout <= 0) timeout = 1000;
        GtTimers().Start(&lineHintTimer_, timeout, [this] { LineHintTick(); });
    }
}

void TGtTreeView::ShowLineHintAt(int x, int y) {
    TCustomGtTree& t = *tree_;
    int column = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, column, part);
    if (item == nullptr || part == hpNothing) return;
    TGtHeaderSection* section = column >= 0 ? t.SectionByIndex(column) : nullptr;
    bool show = t.HintType == shtHintOnly || t.LineHintMode == shmAll;
    if (t.LineHintMode == shmLong && !show) {
        TGtHeaderSection* shown = section;
        const std::u16string text = LineHintText(item, shown);
        if (!item->Hint().empty()) {
            show = true;
        } else if (!text.empty()) {
            // Whether the text shows whole where it is drawn, with the view
            // scrolled as it is.
            const TGtMainCellLayout cell = t.MainCellLayout(item);
            const int tl = cell.Text.Left;
            const int tr = cell.Text.Right;
            const int cw = ClientWidth();
            const int v = cw + leftPosition_;
            gui::TPoint size;
            if (t.ShowColumns() && section != nullptr) {
                t.MeasureCellText(item, column, size);
                const int w = size.X;
                const int right = section->Left() + section->Width();
                const int pad = 3 * t.ItemIndent() / 5;
                // A right-aligned text grows leftwards from its right end.
                const bool cut = t.RightAlignedTree() ? tr - w < section->Left() : right < tl + w;
                if (column == t.MainTreeColumn())
                    show = cut || tr > v || tl < leftPosition_;
                else
                    show = section->Width() < w - pad || right - pad > v ||
                           section->Left() + pad < leftPosition_;
            } else {
                t.MeasureCellSize(item, -1, size);
                show = size.X > cw || tr > v || tl < leftPosition_;
            }
        }
    }
    if (show && hintedItem_ == nullptr) ShowLineHint(item, section);
}

std::u16string TGtTreeView::LineHintText(TGtTreeItem* item, TGtHeaderSection*& section) {
    TCustomGtTree& t = *tree_;
    if (t.HintType != shtMainText) {
        const std::u16string hint = item->Hint();
        if (t.HintType == shtHintOnly || !hint.empty()) return UpToBar(hint);
    }
    const std::u16string mainText = item->Text();
    if (t.LineHintType == lhtMainTextOnly || !t.ShowColumns() || section == nullptr)
        return mainText;
    const bool cellOnly = t.LineHintType == lhtCellTextOnly;
    const int index = section->Index();
    const int k = !t.IsVirtual() && index > t.MainTreeColumn() ? index - 1 : index;

    TGtCellStyle scratch;
    const TGtCellStyle* style = nullptr;
    if (item->UseStyles()) {
        if (t.IsVirtual()) {
            t.DoVirtualStyleNeeded(item, k, &scratch);
            style = &scratch;
        } else {
            style = item->MainStyle();
            if (index != t.MainTreeColumn() && style != nullptr && !style->OwnerProps() &&
                k < item->StylesCount())
                style = item->Styles(k);
        }
    }
    if (style != nullptr && style->Style() != ElhsText) return cellOnly ? u"" : mainText;
    if (index == t.MainTreeColumn()) return mainText;

    // An empty cell shows the main text at the main column, or nothing.
    const auto emptyCell = [&]() -> std::u16string {
        if (cellOnly) return u"";
        section = t.SectionByIndex(t.MainTreeColumn());
        return mainText;
    };
    if (t.IsVirtual()) {
        std::u16string text = t.DoVirtualTextNeeded(item, index);
        return !text.empty() ? text : emptyCell();
    }
    const TGtWideStringList* texts = item->ColumnText();
    if (texts == nullptr || k >= texts->Count()) return cellOnly ? u"" : mainText;
    std::u16string text = texts->Strings(k);
    return !text.empty() ? text : emptyCell();
}

void TGtTreeView::ShowLineHint(TGtTreeItem* item, TGtHeaderSection* section) {
    TCustomGtTree& t = *tree_;
    if (t.IsEditing() || frameSelecting_) return;
    const int row = RowIndexOf(item);
    if (row < 0) return;
    const gui::TRect rowRect = GetRowRect(row);
    if (rowRect.Bottom <= rowRect.Top) return;
    if (hintWindow_ == nullptr) hintWindow_ = std::make_unique<TGtHintWindow>(nullptr);
    std::u16string text = LineHintText(item, section);
    if (text.empty()) return;

    TGtHintWindow& window = *hintWindow_;
    window.Font()->Assign(Font());
    if (t.UseSystemHintColors) {
        window.SetColor(gui::clInfoBk);
        window.Font()->SetColor(gui::clInfoText);
    } else {
        window.SetColor(static_cast<gui::TColor>(t.LineHintColor));
        window.Font()->SetColor(static_cast<gui::TColor>(t.TextColor()));
    }

    // The hint lies over the text where it shows, at its visible left edge
    // while the view is scrolled horizontally.
    int left;
    if (section != nullptr && t.ShowColumns() && section->Index() != t.MainTreeColumn())
        left = section->Left() + t.ItemIndent() / 5 - leftPosition_;
    else
        left = t.MainCellLayout(item).Text.Left - leftPosition_;
    left = std::max(left, 0);
    const auto place = [&](const std::u16string& s) {
        const gui::TRect size = window.CalcHintRectWide(10000, s);
        const gui::TPoint topLeft = ClientToScreen({left, rowRect.Top});
        return gui::TRect{topLeft.X, topLeft.Y, topLeft.X + size.Width() + 1,
                          topLeft.Y + size.Height() - 1};
    };
    gui::TRect bounds = place(text);

    bool doShow = true;
    gui::TPoint mousePos = lastHintPoint_;
    if (t.ShowColumns()) mousePos.Y += t.HeaderHeight();
    const std::u16string before = text;
    t.DoShowLineHint(item, section, text, &window, mousePos, doShow);
    if (!doShow) return;
    if (text != before) bounds = place(text);
    hintedItem_ = item;
    window.ActivateHintWide(bounds, text);
}

void TGtTreeView::HideLineHint() {
    hintedItem_ = nullptr;
    GtTimers().Stop(&lineHintTimer_);
    if (hintWindow_ != nullptr && hintWindow_->HandleAllocated()) {
        hintWindow_->HideHint();
    }
}

// ---- item hints -------------------------------------------------------------------------

void TGtTreeView::ItemHintMove(int x, int y) {
    TCustomGtTree& t = *tree_;
    if (t.Refs().HintItem == nullptr && ShowHint()) return;
    const std::string treeHint = runtime::WideToAnsi(t.HintW());
    if (gui::Application != nullptr) gui::Application->SetHint(treeHint);
    SetHint(treeHint);
    int column = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, column, part);
    if (item == nullptr || item == t.Refs().HintItem) return;
    const std::u16string hint = item->Hint();
    if (!hint.empty()) {
        const std::string narrow = runtime::WideToAnsi(hint);
        if (gui::Application != nullptr) gui::Application->SetHint(narrow);
        SetHint(narrow);
    }
    if (ShowHint() && !dragOverActive_ && gui::Application != nullptr)
        gui::Application->ActivateHint(ClientToScreen({x, y}));
}

void TGtTreeView::HintShowRequest(gui::THintInfo& info) {
    TCustomGtTree& t = *tree_;
    int column = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(info.CursorPos.X, info.CursorPos.Y, column, part);
    const std::u16string itemHint = item != nullptr ? item->Hint() : std::u16string();
    if (!itemHint.empty()) info.HintStr = runtime::WideToAnsi(itemHint);
    t.Refs().HintItem = item;
    std::u16string text = !itemHint.empty() ? itemHint : t.HintW();
    if (text.empty()) {
        info.HintStr.clear();
        return;
    }
    if (info.HintStr == gui::GetShortHint(runtime::WideToAnsi(t.HintW()))) text = UpToBar(text);
    info.HintStr = EncodeWideHint(text);
    info.HintWindowClass = [](runtime::TComponent* owner) -> std::unique_ptr<gui::THintWindow> {
        return std::make_unique<TGtHintWindow>(owner);
    };
}

// ---- the window procedure ---------------------------------------------------------------

void TGtTreeView::WndProc(gui::TMessage& msg) {
    TCustomGtTree& t = *tree_;
    const UINT m = msg.Msg;
    if (hintedItem_ != nullptr) {
        if (t.HideHintOnMove && IsMouseMessage(m)) {
            gui::TPoint p;
            if (m >= WM_MOUSEMOVE && m < WM_MOUSEWHEEL) {
                p = gui::PointFromLParam(msg.LParam);
            } else {
                POINT screen;
                GetCursorPos(&screen);
                p = ScreenToClient({screen.x, screen.y});
            }
            int column = -1;
            THitPart part = hpNothing;
            if (GetItemAt(p.X, p.Y, column, part) != hintedItem_) HideLineHint();
        } else if (t.HideHintOnMove && (IsKeyMessage(m) || m == gui::CM_APPKEYDOWN ||
                                        m == gui::CM_APPSYSCOMMAND || m == WM_COMMAND)) {
            HideLineHint();
        }
        if (m == gui::CM_ACTIVATE || m == gui::CM_DEACTIVATE || m == WM_NCMOUSEMOVE) HideLineHint();
    }

    switch (m) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            StopPendingEdit();
            HideLineHint();
            if (m == WM_LBUTTONDOWN) dragStarted_ = false;
            break;
        case WM_LBUTTONUP: {
            StopPendingEdit();
            HideLineHint();
            const gui::TPoint p = gui::PointFromLParam(msg.LParam);
            ClickReleased(p.X, p.Y);
            break;
        }
        case WM_RBUTTONUP:
            StopPendingEdit();
            HideLineHint();
            break;
        case WM_LBUTTONDBLCLK: {
            const gui::TPoint p = gui::PointFromLParam(msg.LParam);
            DoubleClicked(p.X, p.Y);
            break;
        }
        case WM_RBUTTONDBLCLK:
            StopPendingEdit();
            break;
        case WM_MOUSEMOVE: {
            if (gui::CurrentDragObject() != nullptr) break;
            const gui::TPoint p = gui::PointFromLParam(msg.LParam);
            if (buttonPressed_ && TryStartDrag(p.X, p.Y)) return;
            gui::TCustomControl::WndProc(msg);
            HintMouseMove(p.X, p.Y);
            return;
        }
        case WM_KILLFOCUS:
            t.Refs().HintItem = nullptr;
            HideLineHint();
            break;
        case gui::CM_MOUSELEAVE:
            if (t.IsEditing()) return;
            t.Refs().HintItem = nullptr;
            HideLineHint();
            break;
        case gui::CM_HINTSHOW:
            HintShowRequest(*reinterpret_cast<gui::THintInfo*>(msg.LParam));
            return;
        case gui::CM_DRAG:
            DragNotice(msg);
            return;
        case WM_DESTROY:
            EndInteraction();
            break;
        default:
            break;
    }
    gui::TCustomControl::WndProc(msg);
}

}  // namespace controls::tree
