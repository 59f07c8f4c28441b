// Incremental search: typed characters build a search text that focuses
// the first item whose main text starts with it, case ignored the user's
// locale's way; a window timer clears the text once the user stops typing
// for IncrementalSearchTimeout milliseconds. The header's lookup finds
// texts of a column the same way.
#include <algorithm>
#include <string_view>

#include "controls/tree/headersections.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"

namespace controls::tree {

namespace {

// The view's timer for the search's time-out.
constexpr UINT_PTR kSearchTimer = 0x5E4C;

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return CompareStringW(
               LOCALE_USER_DEFAULT, NORM_IGNORECASE, reinterpret_cast<const wchar_t*>(text.data()),
               static_cast<int>(prefix.size()), reinterpret_cast<const wchar_t*>(prefix.data()),
               static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

}  // namespace

bool TGtTreeView::DoKeyPress(gui::TMessage& msg) {
    if (tree_->IncrementalSearch) ProcessSearch(static_cast<char16_t>(msg.WParam));
    return gui::TCustomControl::DoKeyPress(msg);
}

void TGtTreeView::ShowFound(TGtTreeItem* item) {
    if (item->AllParentsExpanded() && RowIndexOf(item) >= 0) return;
    item->ExpandParents();
    tree_->SetTopIndex(item->VisIndex());
}

bool TGtTreeView::ProcessSearch(char16_t key) {
    TCustomGtTree& t = *tree_;
    if (key == 27) {
        searchText_.clear();
        t.DeselectAll();
        t.SetSelectionChanged(false);
        t.DoAfterSelectionChange();
        return false;
    }
    if (key == 8) {
        if (!searchText_.empty()) searchText_.pop_back();
    } else if (key <= 32) {
        return false;
    } else {
        searchText_ += key;
    }
    if (searchText_.empty()) return false;
    // Tree order from the top, collapsed branches included; rows the
    // filter hides cannot be shown and are passed over.
    const TGtList& all = t.AllItems();
    for (int i = 0; i < all.Count(); ++i) {
        auto* item = static_cast<TGtTreeItem*>(all.Get(i));
        if (t.FilteredVisibility() && item->Hidden()) {
            if (item->ChildrenCount() > 0) i = item->LastDescendant()->AbsoluteIndex();
            continue;
        }
        if (!StartsWith(item->Text(), searchText_)) continue;
        ShowFound(item);
        item->SetState(kStateFocused, true);
        item->SetSelected(false);
        t.SetSelectionChanged(false);
        t.DoAfterSelectionChange();
        break;
    }
    RestartSearchTimer();
    return false;
}

void TCustomGtTree::LookupText(TGtHeaderSection* section, const std::u16string& text) {
    if (!AutoLookup || section == nullptr || view_ == nullptr) return;
    const int column = section->Index() == MainTreeColumn() ? -1 : section->Index();
    const TGtList& all = AllItems();
    for (int i = 0; i < all.Count(); ++i) {
        auto* item = static_cast<TGtTreeItem*>(all.Get(i));
        if (FilteredVisibility() && item->Hidden()) {
            if (item->ChildrenCount() > 0) i = item->LastDescendant()->AbsoluteIndex();
            continue;
        }
        if (!StartsWith(item->CellText(column), text)) continue;
        view_->ShowFound(item);
        SetItemFocused(item);
        return;
    }
}

void TGtTreeView::RestartSearchTimer() {
    if (!HandleAllocated()) return;
    SetTimer(WindowHandle(), kSearchTimer,
             static_cast<UINT>(std::max(tree_->IncrementalSearchTimeout, 1)), nullptr);
    searchTimerRunning_ = true;
}

void TGtTreeView::EndSearch() {
    if (searchTimerRunning_ && HandleAllocated()) KillTimer(WindowHandle(), kSearchTimer);
    searchTimerRunning_ = false;
    searchText_.clear();
}

void TGtTreeView::WMTimer(gui::TMessage& msg) {
    if (msg.WParam == kSearchTimer) {
        EndSearch();
        return;
    }
    GUI_INHERITED(msg);
}

}  // namespace controls::tree
