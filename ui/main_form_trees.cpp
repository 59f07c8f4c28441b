// The keyword and result trees of the main window: filling them from the
// project, drawing the keyword tree's position cells, check boxes, the
// selection and the trees' popup menus.

#include <cmath>
#include <cstdlib>

#include "core/keyword.h"
#include "core/link.h"
#include "core/options.h"
#include "core/site.h"
#include "core/state.h"
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

core::TKeyword* KeywordOf(const TTreeItem* item) {
    return item != nullptr ? static_cast<core::TKeyword*>(item->Data) : nullptr;
}

std::u16string Number(int64_t n) {
    return runtime::AnsiToWide(std::to_string(n));
}

}  // namespace

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
    GtTree1->BeginUpdate();
    GtTree1->Clear();
    checkedCount_ = 0;
    int keywords = 0;
    if (core::CurrentSite != nullptr) {
        core::TKeywordList& list = core::CurrentSite->Keywords;
        keywords = list.Count();
        for (int i = 0; i < keywords; ++i) {
            core::TKeyword* keyword = list.Items(i);
            core::CurrentKeyword = keyword;
            TTreeItem& item = GtTree1->AddItem(keyword->Name, keyword);
            GtTree1->SetChecked(item, keyword->Active);
            for (const int section : {kPositionSection, kBestSection, kDateSection}) {
                item.SetOwnerDraw(section, true);
                item.ColumnText.emplace_back();
            }
            if (keyword->Active) ++checkedCount_;
        }
    }
    options.TreeEventsEnabled = true;
    GtTree1->EndUpdate();
    ShowStatus(KeywordStatusText(keywords, checkedCount_));
    GtTree2->Clear();
    PageControl2->SetActivePage(TabSheet4);
}

void TForm1::FillResultTree(core::TKeyword& keyword) {
    GtTree2->BeginUpdate();
    GtTree2->Clear();
    const int count = keyword.Links.Count();
    for (int i = 0; i < count; ++i) {
        core::TLink* link = keyword.Links.Links(i);
        TTreeItem& item = GtTree2->AddItem(Number(i + 1), link);
        item.ColumnText.push_back(runtime::AnsiToWide(link->Name()));
        // The site's own result.
        item.Bold = i + 1 == keyword.Position;
    }
    GtTree2->EndUpdate();
    PageControl2->SetActivePage(count > 0 ? TabSheet3 : TabSheet4);
}

void TForm1::GtTree1ItemDraw(runtime::TObject*, TTreeItem* item, int section,
                             const gui::TRect& rect, gui::TCanvas& canvas) {
    if (core::Options == nullptr || core::Options->UINotReady || GtTree1->IsUpdating()) return;
    const core::TKeyword* keyword = KeywordOf(item);
    if (keyword == nullptr) return;
    const int x = rect.Left;
    const int y = rect.Top;
    canvas.Brush().SetStyle(gui::bsClear);
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

void TForm1::GtTree1ItemChecked(runtime::TObject*, TTreeItem* item) {
    if (core::TKeyword* keyword = KeywordOf(item)) keyword->Active = item->Checked();
    UpdateCheckedStatus();
}

void TForm1::GtTree1ItemSelectedChange(runtime::TObject*, TTreeItem* item) {
    if (item == nullptr || core::Options == nullptr || !core::Options->TreeEventsEnabled) return;
    core::CurrentKeyword = KeywordOf(item);
    if (core::CurrentKeyword != nullptr) FillResultTree(*core::CurrentKeyword);
}

void TForm1::GtTree1Resize(runtime::TObject*) {
    if (GtTree1->SectionCount() < 4) return;
    const int others =
        GtTree1->SectionWidth(1) + GtTree1->SectionWidth(2) + GtTree1->SectionWidth(3);
    GtTree1->SetSectionWidth(
        0, std::max(kMinFitWidth, GtTree1->Width() - GtTree1->VertScrollBarWidth() - others - 5));
}

void TForm1::GtTree2Resize(runtime::TObject*) {
    if (GtTree2->SectionCount() < 2) return;
    GtTree2->SetSectionWidth(1, std::max(kMinFitWidth, GtTree2->Width() -
                                                           GtTree2->VertScrollBarWidth() -
                                                           GtTree2->SectionWidth(0) - 5));
}

void TForm1::PopupMenu1Popup(runtime::TObject*) {
    if (core::CurrentSite == nullptr || core::CurrentSite->Keywords.Count() == 0)
        throw runtime::EAbort("");
    if (GtTree1->SelectedCount() == 0) {
        CheckItem->SetEnabled(false);
        return;
    }
    bool anyChecked = false;
    for (TTreeItem* row = GtTree1->GetNextSelected(nullptr); row != nullptr && !anyChecked;
         row = GtTree1->GetNextSelected(row))
        anyChecked = row->Checked();
    CheckItem->SetEnabled(true);
    CheckItem->SetCaption(anyChecked ? "Uncheck" : "Check");
    CheckItem->SetImageIndex(anyChecked ? 8 : 2);
}

void TForm1::PopupMenu2Popup(runtime::TObject*) {
    const bool results = core::CurrentSite != nullptr &&
                         core::CurrentSite->Keywords.Count() > 0 &&
                         core::CurrentKeyword != nullptr &&
                         core::CurrentKeyword->Links.Count() > 0 && GtTree2->Selected() != nullptr;
    if (!results) throw runtime::EAbort("");
}

void TForm1::ActionCheckExecute(runtime::TObject*) {
    if (GtTree1->SelectedCount() == 0) return;
    const bool check = CheckItem->Caption() == "Check";
    for (TTreeItem* row = GtTree1->GetNextSelected(nullptr); row != nullptr;
         row = GtTree1->GetNextSelected(row)) {
        GtTree1->SetChecked(*row, check);
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
    for (int i = 0; i < GtTree1->ItemCount(); ++i) {
        TTreeItem& row = *GtTree1->Items(i);
        GtTree1->SetChecked(row, checked);
        if (core::TKeyword* keyword = KeywordOf(&row)) keyword->Active = checked;
    }
    UpdateCheckedStatus();
}

void TForm1::UpdateCheckedStatus() {
    checkedCount_ = 0;
    for (int i = 0; i < GtTree1->ItemCount(); ++i)
        if (GtTree1->Items(i)->Checked()) ++checkedCount_;
    ShowStatus(KeywordStatusText(GtTree1->ItemCount(), checkedCount_));
}

}  // namespace ui
