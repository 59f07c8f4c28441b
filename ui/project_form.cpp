#include "ui/project_form.h"

#include <unordered_set>

#include "controls/tree/widestr.h"
#include "core/state.h"
#include "gui/clipboard.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "ui/keyword_file.h"

namespace ui {

namespace {

using controls::tree::TGtTreeItem;
using controls::tree::TGtTreeLock;

bool AskYesNo(const char* question) {
    return gui::MessageBox(question, "Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::string ReadWholeFile(const std::u16string& fileName) {
    runtime::TFileStream file(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    if (!bytes.empty()) file.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

}  // namespace

RUNTIME_BEGIN_CLASS(TForm2, gui::TForm)
RUNTIME_HANDLER(FormShow);
RUNTIME_HANDLER(Button3Click);
RUNTIME_HANDLER(Button5Click);
RUNTIME_HANDLER(Button6Click);
RUNTIME_HANDLER(Button4Click);
RUNTIME_HANDLER(Copytoclipboard1Click);
RUNTIME_HANDLER(PopupMenu1Popup);
RUNTIME_END_CLASS

TForm2::TForm2(runtime::TComponent* owner) : TForm(owner) {
    Bind(PageControl1, "PageControl1");
    Bind(TabSheet1, "TabSheet1");
    Bind(TabSheet2, "TabSheet2");
    Bind(Edit1, "Edit1");
    Bind(GtTree1, "GtTree1");
    Bind(Memo1, "Memo1");
    Bind(Button3, "Button3");
    Bind(Button4, "Button4");
    Bind(Button5, "Button5");
    Bind(Button6, "Button6");
    Bind(PopupMenu1, "PopupMenu1");
    Bind(OpenDialog1, "OpenDialog1");
    Bind(SaveDialog1, "SaveDialog1");
}

void TForm2::Loaded() {
    TForm::Loaded();
    // Layouts carry no setting for it: the list sorts without regard to case.
    if (GtTree1 != nullptr) GtTree1->SetSortUseCase(false);
}

void TForm2::FormShow(runtime::TObject*) {
    const gui::TTabSheet* page = PageControl1->ActivePage();
    if (page != nullptr && page->Text() == "Keywords")
        FocusControl(Edit1);
    else
        FocusControl(Memo1);
}

// ---- the list ------------------------------------------------------------------------------

std::vector<std::u16string> TForm2::Keywords() const {
    std::vector<std::u16string> keywords;
    const controls::tree::TGtTreeItems& items = GtTree1->Items();
    keywords.reserve(static_cast<size_t>(items.Count()));
    for (int i = 0; i < items.Count(); ++i) keywords.push_back(items.Item(i)->Text());
    return keywords;
}

void TForm2::SetKeywords(const std::vector<std::u16string>& keywords) {
    TGtTreeLock lock(*GtTree1);
    GtTree1->Items().Clear();
    AddNewKeywords(keywords);
}

void TForm2::AddNewKeywords(const std::vector<std::u16string>& keywords) {
    // One look-up per keyword: an import of thousands stays quick.
    TGtTreeLock lock(*GtTree1);
    std::unordered_set<std::u16string> seen;
    for (const std::u16string& row : Keywords()) seen.insert(controls::tree::UpperCaseWide(row));
    for (const std::u16string& keyword : keywords)
        if (!keyword.empty() && seen.insert(controls::tree::UpperCaseWide(keyword)).second)
            GtTree1->Items().Add(nullptr, keyword);
}

bool TForm2::HasKeyword(std::u16string_view keyword) const {
    return GtTree1->Items().LookForItem(nullptr, keyword, nullptr, -1, false, true, false, false,
                                        true) != nullptr;
}

bool TForm2::AddKeyword(std::u16string_view keyword) {
    if (keyword.empty() || HasKeyword(keyword)) return false;
    GtTree1->Items().Add(nullptr, keyword);
    return true;
}

std::vector<TGtTreeItem*> TForm2::SelectedRows() const {
    std::vector<TGtTreeItem*> rows;
    if (GtTree1->MultiSelect()) {
        controls::tree::TGtList* selection = GtTree1->SelectionList();
        for (int i = 0; selection != nullptr && i < selection->Count(); ++i)
            rows.push_back(static_cast<TGtTreeItem*>(selection->Get(i)));
    } else if (GtTree1->ItemFocused() != nullptr) {
        rows.push_back(GtTree1->ItemFocused());
    }
    return rows;
}

// ---- buttons -------------------------------------------------------------------------------

void TForm2::Button3Click(runtime::TObject*) {
    // Blanks around a typed keyword are no part of it; blanks alone are none.
    std::u16string text = Edit1->TextW();
    const size_t first = text.find_first_not_of(u" \t");
    text = first == std::u16string::npos
               ? std::u16string()
               : text.substr(first, text.find_last_not_of(u" \t") - first + 1);
    if (!AddKeyword(text)) return;
    Edit1->Clear();
    FocusControl(Edit1);
}

void TForm2::Button5Click(runtime::TObject*) {
    const std::vector<TGtTreeItem*> rows = SelectedRows();
    if (rows.empty() || !AskYesNo(SDeleteKeywordsQuestion)) return;
    TGtTreeLock lock(*GtTree1);
    for (TGtTreeItem* row : rows) GtTree1->Items().DeleteItem(row);
}

void TForm2::Button6Click(runtime::TObject*) {
    if (!OpenDialog1->Execute()) return;
    // Read first: a file that cannot be read changes nothing.
    const std::vector<std::u16string> keywords =
        ReadKeywordLines(ReadWholeFile(OpenDialog1->FileNameW()));
    const int answer =
        gui::MessageBox(SClearBeforeImportQuestion, "Confirm", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return;
    TGtTreeLock lock(*GtTree1);
    if (answer == IDYES) GtTree1->Items().Clear();
    AddNewKeywords(keywords);
}

void TForm2::Button4Click(runtime::TObject*) {
    if (!SaveDialog1->Execute()) return;
    const std::string bytes = KeywordFileBytes(Keywords());
    runtime::TFileStream file(ExportFileName(SaveDialog1->FileNameW()), runtime::fmCreate);
    if (!bytes.empty()) file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TForm2::Copytoclipboard1Click(runtime::TObject*) {
    const std::vector<TGtTreeItem*> rows = SelectedRows();
    if (rows.empty()) return;
    std::u16string text;
    for (const TGtTreeItem* row : rows) {
        if (!text.empty()) text += u"\r\n";
        text += row->Text();
    }
    if (core::OldWindows)
        gui::Clipboard().SetAsText(runtime::WideToUtf8(text));
    else
        gui::Clipboard().SetAsWideText(text);
}

void TForm2::PopupMenu1Popup(runtime::TObject*) {
    if (SelectedRows().empty()) throw runtime::EAbort("");
}

}  // namespace ui
