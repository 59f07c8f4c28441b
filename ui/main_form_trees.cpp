// The keyword and result trees of the main window: their columns, filling
// them from the project, drawing and sorting the keyword tree's position
// cells, check boxes, the selection and the trees' popup menus.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/keyword.h"
#include "core/link.h"
#include "core/options.h"
#include "core/site.h"
#include "core/state.h"
#include "gui/colors.h"
#include "gui/graphics.h"
#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "ui/main_form.h"

namespace ui {

namespace {

// The keyword tree's owner-drawn columns.
constexpr int kPositionSection = 1;
constexpr int kBestSection = 2;
constexpr int kDateSection = 3;
// Text for "never" in those columns, and its colour.
constexpr std::u16string_view kNone = u"--";
constexpr gui::TColor kNoneColor = gui::RGBColor(160, 160, 164);
// The change arrows of the arrow images.
constexpr int kArrowWorse = 0;
constexpr int kArrowBetter = 1;
constexpr int kArrowSame = 2;
// Columns keep at least this width when the trees fit their first column.
constexpr int kMinFitWidth = 20;

using controls::tree::TGtTree;
using controls::tree::TGtTreeItem;

struct TColumn {
    const char16_t* Caption;
    int Width;
    bool Resizable;
    // Columns the tree cannot order by their texts are ordered by
    // GtTree1CompareItems.
    controls::tree::TGtFieldType Type;
};

constexpr TColumn kKeywordColumns[] = {
    {u"Keyword", 120, true, controls::tree::sftText},
    {u"Position", 70, false, controls::tree::sftCustom},
    {u"Best", 40, true, controls::tree::sftCustom},
    {u"Date", 80, true, controls::tree::sftCustom},
};
constexpr TColumn kResultColumns[] = {
    {u"N", 20, true, controls::tree::sftText},
    {u"Link", 300, true, controls::tree::sftText},
};

void SetUpTree(TGtTree& tree, std::span<const TColumn> columns) {
    controls::tree::TGtTreeLock lock(tree);
    controls::tree::TGtHeaderSections& sections = *tree.HeaderSections();
    sections.Clear();
    for (const TColumn& column : columns) {
        controls::tree::TGtHeaderSection& section = *sections.AddSection();
        section.SetText(column.Caption);
        section.SetWidth(column.Width);
        section.SetResizable(column.Resizable);
        section.SetFieldType(column.Type);
    }
    // Emptying the header turned the columns off.
    tree.SetShowColumns(true);
    tree.Header()->SetFlat(true);
    tree.Header()->SetInvertSortArrows(true);
    tree.SetHeaderHeight(19);
    tree.SetAutoLineHeight(false);
    tree.SetLineHeight(17);
}

std::u16string Number(int64_t n) {
    return runtime::AnsiToWide(std::to_string(n));
}

}  // namespace

void TForm1::SetUpTrees() {
    SetUpTree(*GtTree1, kKeywordColumns);
    SetUpTree(*GtTree2, kResultColumns);
}

core::TKeyword* KeywordOf(const TGtTreeItem* row) {
    return row != nullptr ? static_cast<core::TKeyword*>(row->Data) : nullptr;
}

// A keyword found now that was not found before has improved, though there
// is no earlier position to subtract.
int ChangeArrow(const core::TKeyword& keyword) {
    if (keyword.Position == 0) return kArrowWorse;
    if (keyword.LastPosition == 0) return kArrowBetter;
    if (keyword.LastPosition > keyword.Position) return kArrowBetter;
    return keyword.LastPosition == keyword.Position ? kArrowSame : kArrowWorse;
}

void TForm1::FillKeywordTree() {
    core::TOptions& options = *core::Options;
    options.TreeEventsEnabled = false;
    controls::tree::TGtTreeItems& rows = GtTree1->Items();
    rows.BeginUpdate();
    rows.Clear();
    checkedCount_ = 0;
    int keywords = 0;
    if (core::CurrentSite != nullptr) {
        core::TKeywordList& list = core::CurrentSite->Keywords;
        keywords = list.Count();
        for (int i = 0; i < keywords; ++i) {
            core::TKeyword* keyword = list.Items(i);
            core::CurrentKeyword = keyword;
            TGtTreeItem& item = *rows.AddObject(nullptr, keyword->Name, keyword);
            item.SetCheckBoxType(0);
            item.SetShowCheckBox(true);
            item.SetCheckBoxEnabled(true);
            item.SetChecked(keyword->Active);
            item.SetUseStyles(true);
            // Position, Best and Date are drawn by GtTree1ItemDraw.
            for (int column = 1; column <= 3; ++column) {
                item.AddStyle()->SetStyle(controls::tree::ElhsOwnerDraw);
                item.ColumnText()->Add(u"");
            }
            if (keyword->Active) ++checkedCount_;
        }
    }
    options.TreeEventsEnabled = true;
    rows.EndUpdate();
    // The rows may have brought or taken away the scroll bar.
    GtTree1Resize(this);
    ShowStatus(KeywordStatusText(keywords, checkedCount_));
    GtTree2->Items().Clear();
    PageControl2->SetActivePage(TabSheet4);
}

void TForm1::FillResultTree(core::TKeyword& keyword) {
    controls::tree::TGtTreeItems& rows = GtTree2->Items();
    rows.BeginUpdate();
    rows.Clear();
    const int count = keyword.Links.Count();
    for (int i = 0; i < count; ++i) {
        core::TLink* link = keyword.Links.Links(i);
        TGtTreeItem& item = *rows.AddObject(nullptr, Number(i + 1), link);
        item.ColumnText()->Add(runtime::AnsiToWide(link->Name()));
        item.SetUseStyles(true);
        // The site's own result.
        if (i + 1 == keyword.Position) {
            controls::tree::TGtCellStyle& style = *item.AddStyle();
            style.SetFontStyles(controls::tree::kFontBold);
            style.SetOwnerProps(false);
            item.SetParentStyle(false);
            item.SetState(controls::tree::kStateBold, true);
        }
    }
    rows.EndUpdate();
    PageControl2->SetActivePage(count > 0 ? TabSheet3 : TabSheet4);
    GtTree2Resize(this);
}

void TForm1::GtTree1ItemDraw(runtime::TObject*, TGtTreeItem* item, gui::TCanvas* surface,
                             gui::TRect rect, int section) {
    if (core::Options == nullptr || core::Options->UINotReady || GtTree1->IsUpdating()) return;
    const core::TKeyword* keyword = KeywordOf(item);
    if (keyword == nullptr || surface == nullptr) return;
    gui::TCanvas& canvas = *surface;
    const int x = rect.Left;
    const int y = rect.Top;
    // The tree has filled the cell in the row's stripe; the texts lie on
    // the same colour, or on the highlight of a selected row.
    if (item->Selected()) canvas.Brush().SetColor(gui::clHighlight);
    canvas.Font().SetSize(8);
    const gui::TColor textColor = canvas.Font().Color();
    auto drawNumberOrNone = [&](int64_t value, bool none) {
        canvas.Font().SetColor(none ? kNoneColor : textColor);
        canvas.TextOut(x + 3, y + 2, none ? std::u16string(kNone) : Number(value));
        canvas.Font().SetColor(textColor);
    };
    switch (section) {
        case kPositionSection:
            drawNumberOrNone(keyword->Position, keyword->Position <= 0);
            if (keyword->Best > 0) {
                ImageList3->Draw(canvas, x + 33, y + 1, ChangeArrow(*keyword));
                canvas.Font().SetSize(7);
                if (keyword->Position > 0 && keyword->LastPosition > 0)
                    canvas.TextOut(x + 49, y + 2,
                                   Number(std::abs(keyword->Position - keyword->LastPosition)));
            }
            break;
        case kBestSection:
            drawNumberOrNone(keyword->Best, keyword->Best <= 0);
            break;
        case kDateSection:
            if (keyword->Date > 0)
                canvas.TextOut(x + 3, y + 2,
                               runtime::AnsiToWide(runtime::FormatDateTime("c", keyword->Date)));
            else
                drawNumberOrNone(0, true);
            break;
        default:
            break;
    }
}

namespace {

// A place as a sort key: not found (0) wraps to the largest key, after
// every place found.
int PlaceKey(int32_t place) {
    return static_cast<uint16_t>(place - 1);
}

}  // namespace

void TForm1::GtTree1CompareItems(runtime::TObject*, TGtTreeItem* item1, TGtTreeItem* item2,
                                 int& result) {
    const core::TKeyword* a = KeywordOf(item1);
    const core::TKeyword* b = KeywordOf(item2);
    if (a == nullptr || b == nullptr) return;
    switch (GtTree1->SortSection()) {
        case kPositionSection:
            result = PlaceKey(a->Position) - PlaceKey(b->Position);
            break;
        case kBestSection:
            result = PlaceKey(a->Best) - PlaceKey(b->Best);
            break;
        case kDateSection:
            // By the sign of the difference: rounded to whole days, two
            // checks of one day would tie and fall in any order.
            result = (a->Date > b->Date) - (a->Date < b->Date);
            break;
        default:
            break;
    }
}

void TForm1::GtTree1ItemChecked(runtime::TObject*, TGtTreeItem* item) {
    if (core::TKeyword* keyword = KeywordOf(item)) keyword->Active = item->Checked();
    UpdateCheckedStatus();
}

void TForm1::GtTree1ItemSelectedChange(runtime::TObject*, TGtTreeItem* item) {
    if (item == nullptr || core::Options == nullptr || !core::Options->TreeEventsEnabled) return;
    core::CurrentKeyword = KeywordOf(item);
    if (core::CurrentKeyword != nullptr) FillResultTree(*core::CurrentKeyword);
}

namespace {

int SectionWidth(const TGtTree& tree, int index) {
    const controls::tree::TGtHeaderSection* section = tree.HeaderSections()->GetSection(index);
    return section != nullptr ? section->Width() : 0;
}

// Gives column `fitted` the room the tree's other columns leave.
void FitColumn(TGtTree& tree, int fitted) {
    controls::tree::TGtHeaderSections& sections = *tree.HeaderSections();
    controls::tree::TGtHeaderSection* section = sections.GetSection(fitted);
    if (section == nullptr) return;
    int others = 0;
    for (int i = 0; i < sections.Count(); ++i)
        if (i != fitted) others += SectionWidth(tree, i);
    const int bar = tree.VertBarVisible() ? tree.VertScrollBar()->Width() : 0;
    section->SetWidth(std::max(kMinFitWidth, tree.Width() - bar - others - 5));
}

}  // namespace

void TForm1::GtTree1Resize(runtime::TObject*) {
    FitColumn(*GtTree1, 0);
}

void TForm1::GtTree2Resize(runtime::TObject*) {
    FitColumn(*GtTree2, 1);
}

void TForm1::PopupMenu1Popup(runtime::TObject*) {
    if (core::CurrentSite == nullptr || core::CurrentSite->Keywords.Count() == 0)
        throw runtime::EAbort("");
    if (GtTree1->SelectedCount() == 0) {
        CheckItem->SetEnabled(false);
        return;
    }
    bool anyChecked = false;
    for (TGtTreeItem* row = GtTree1->GetNextSelected(nullptr); row != nullptr && !anyChecked;
         row = GtTree1->GetNextSelected(row))
        anyChecked = row->Checked();
    CheckItem->SetEnabled(true);
    CheckItem->SetCaption(anyChecked ? "Uncheck" : "Check");
    CheckItem->SetImageIndex(anyChecked ? 8 : 2);
}

void TForm1::PopupMenu2Popup(runtime::TObject*) {
    const bool results = core::CurrentSite != nullptr && core::CurrentSite->Keywords.Count() > 0 &&
                         core::CurrentKeyword != nullptr &&
                         core::CurrentKeyword->Links.Count() > 0 && GtTree2->Selected() != nullptr;
    if (!results) throw runtime::EAbort("");
}

void TForm1::ActionCheckExecute(runtime::TObject*) {
    if (GtTree1->SelectedCount() == 0) return;
    const bool check = CheckItem->Caption() == "Check";
    for (TGtTreeItem* row = GtTree1->GetNextSelected(nullptr); row != nullptr;
         row = GtTree1->GetNextSelected(row)) {
        row->SetChecked(check);
        if (core::TKeyword* keyword = KeywordOf(row)) keyword->Active = check;
    }
    UpdateCheckedStatus();
}

void TForm1::ActionCheckAllExecute(runtime::TObject*) {
    SetAllChecked(true);
}

void TForm1::ActionUncheckAllExecute(runtime::TObject*) {
    SetAllChecked(false);
}

void TForm1::SetAllChecked(bool checked) {
    const controls::tree::TGtTreeItems& rows = GtTree1->Items();
    for (int i = 0; i < rows.Count(); ++i) {
        TGtTreeItem& row = *rows.Item(i);
        row.SetChecked(checked);
        if (core::TKeyword* keyword = KeywordOf(&row)) keyword->Active = checked;
    }
    UpdateCheckedStatus();
}

void TForm1::UpdateCheckedStatus() {
    const controls::tree::TGtTreeItems& rows = GtTree1->Items();
    checkedCount_ = 0;
    for (int i = 0; i < rows.Count(); ++i)
        if (rows.Item(i)->Checked()) ++checkedCount_;
    ShowStatus(KeywordStatusText(rows.Count(), checkedCount_));
}

}  // namespace ui
