// Sorting from the header. A click on a column sorts the rows by it, the
// first time in the direction the tree last used and reversed by every
// further click; Ctrl+click keeps the sort column and steps the clicked one
// through ascending, descending and off as an extra sort column, which
// orders the rows the sort column leaves tied.
#include <algorithm>

#include "controls/tree/helpers.h"
#include "controls/tree/tree.h"

namespace controls::tree {

namespace {

template <class T>
int Sign(T a, T b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

// The kind a value column's key has when its text does not parse: the
// extra sort columns read such a cell as 0.
TGtSortKey::Kind ZeroKind(TSortTypes type) {
    switch (type) {
        case stNumber:
            return TGtSortKey::Integer;
        case stCurrency:
            return TGtSortKey::Currency;
        default:
            return TGtSortKey::Double;
    }
}

}  // namespace

void TCustomGtTree::SetSortSection(int value) {
    if (value != SortSection()) sortSections_.clear();
    TGtTreeModel::SetSortSection(value);
}

void TCustomGtTree::Sort(bool recursive) {
    PruneSortSections();
    TGtTreeModel::Sort(recursive);
}

void TCustomGtTree::SortNowOrPending() {
    if (IsUpdating())
        SetSortPending();
    else
        Sort(true);
}

void TCustomGtTree::AddSortSection(int index, bool resort) {
    if (index < 0 || index >= SectionCount()) return;
    TGtHeaderSection* section = SectionByIndex(index);
    std::erase(sortSections_, section);
    sortSections_.push_back(section);
    if (resort) SortNowOrPending();
}

void TCustomGtTree::RemoveSortSection(int index, bool resort) {
    if (index < 0 || index >= SectionCount()) return;
    if (std::erase(sortSections_, SectionByIndex(index)) == 0) return;
    if (resort) SortNowOrPending();
}

void TCustomGtTree::PruneSortSections() {
    if (sortSections_.empty()) return;
    TGtHeaderSections* sections = HeaderSections();
    std::erase_if(sortSections_, [&](TGtHeaderSection* s) {
        for (int i = 0; i < sections->Count(); ++i)
            if (sections->GetSection(i) == s) return false;
        return true;
    });
}

void TCustomGtTree::SortByHeaderClick(TGtHeaderSection* section) {
    if (SortMode() != smClick && SortMode() != smAddClick) return;
    const bool ctrl = GetShiftState().Contains(runtime::ssCtrl);
    TGtTreeLock lock(*this);
    if (ctrl) {
        // Setting one section's mode clears every other section's, so the
        // extra columns added before this one compare ascending from now on.
        switch (section->SortMode()) {
            case hsmNone:
                section->SetSortMode(hsmAscend);
                AddSortSection(section->Index(), false);
                break;
            case hsmAscend:
                section->SetSortMode(hsmDescend);
                if (std::ranges::find(sortSections_, section) == sortSections_.end())
                    sortSections_.push_back(section);
                break;
            default:
                section->SetSortMode(hsmNone);
                RemoveSortSection(section->Index(), false);
                break;
        }
    } else {
        sortSections_.clear();
        SetSortSection(section->Index());
        // A column not sorted yet first takes the opposite of the tree's
        // direction, so that the toggle below lands on the tree's direction.
        if (section->SortMode() == hsmNone) {
            const bool ascending = SortDir() == sdAscend;
            section->SetSortMode(ascending ? hsmDescend : hsmAscend);
            SetSortDir(ascending ? sdDescend : sdAscend);
        }
        const bool descending = section->SortMode() == hsmAscend;
        section->SetSortMode(descending ? hsmDescend : hsmAscend);
        SetSortDir(descending ? sdDescend : sdAscend);
        SetSortType(SectionTypeToSortType(section->FieldType()));
    }
    Sort(true);
    Request(rfCountStale | rfRepaintRows);
}

void TCustomGtTree::HeaderSectionsDeleted(TGtHeaderSection* section) {
    if (SectionCount() == 0) SetShowColumns(false);
    if (SortSection() >= SectionCount()) SetSortSection(-1);
    const size_t before = sortSections_.size();
    if (section != nullptr)
        std::erase(sortSections_, section);
    else
        PruneSortSections();
    if (sortSections_.size() != before && (SortMode() == smClick || SortMode() == smAddClick))
        SetSortPending();
}

int TCustomGtTree::CompareTiedItems(TGtTreeItem* item1, TGtTreeItem* item2) {
    for (const TGtHeaderSection* section : sortSections_)
        if (const int result = CompareBySection(item1, item2, *section); result != 0) return result;
    return 0;
}

int TCustomGtTree::CompareBySection(TGtTreeItem* item1, TGtTreeItem* item2,
                                    const TGtHeaderSection& section) {
    const TSortTypes type = SectionTypeToSortType(section.FieldType());
    const int column = section.Index();
    int result = 0;
    if (type == stCustom) {
        result = DoCompareItems(item1, item2);
    } else if (type == stBoolean) {
        result = Sign(!item1->CellText(column).empty(), !item2->CellText(column).empty());
    } else {
        TGtSortKey key1 = item1->SortKey(type, column);
        TGtSortKey key2 = item2->SortKey(type, column);
        if (type != stText) {
            for (TGtSortKey* key : {&key1, &key2})
                if (key->kind == TGtSortKey::None) key->kind = ZeroKind(type);
        }
        // Dates and times compare whole here: a date column's cells of one
        // day at different hours are not equal.
        const bool whole = type == stDate || type == stTime;
        result = CompareSortKeys(key1, key2, whole ? stDateTime : type);
    }
    result = Sign(result, 0);
    return section.SortMode() == hsmDescend ? -result : result;
}

}  // namespace controls::tree
