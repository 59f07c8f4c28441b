#pragma once

// The project-properties dialog: the current site's keywords and notes on
// two pages. The main window fills it, shows it and takes its result.
//
// The keyword list is the program's tree control without header columns,
// sorted as rows are added, without regard to case. No two rows differ only
// in letter case, and no row is empty: typed and imported keywords alike.

#include <string>
#include <string_view>
#include <vector>

#include "controls/tree/tree.h"
#include "gui/comctrls.h"
#include "gui/dialogs.h"
#include "gui/forms.h"
#include "gui/menus.h"
#include "gui/stdctrls.h"

namespace ui {

inline constexpr const char* SDeleteKeywordsQuestion =
    "Are you sure you want to delete the selected keywords?\r\n(All associated search results "
    "will be deleted too)";
inline constexpr const char* SClearBeforeImportQuestion =
    "Do you want to clear the current keyword list before importing the new one?";

class TForm2 : public gui::TForm {
    RUNTIME_CLASS(TForm2)

  public:
    explicit TForm2(runtime::TComponent* owner);

    // Focuses the keyword edit on the "Keywords" page, else the notes.
    void FormShow(runtime::TObject* sender);
    // Add: the edit's keyword joins the list unless a row has it already.
    void Button3Click(runtime::TObject* sender);
    // Delete: the selected rows, after the user's yes.
    void Button5Click(runtime::TObject* sender);
    // Import...: a keyword file's keywords join the list (or replace it).
    // A file that cannot be read leaves the list as it was and passes its
    // error on.
    void Button6Click(runtime::TObject* sender);
    // Export...: the list as a keyword file.
    void Button4Click(runtime::TObject* sender);
    void Copytoclipboard1Click(runtime::TObject* sender);
    // The list's menu opens only over a selection (runtime::EAbort else).
    void PopupMenu1Popup(runtime::TObject* sender);

    // ---- the list, for the main window -----------------------------------------------------
    // The rows' texts, in list order.
    std::vector<std::u16string> Keywords() const;
    // The list holds exactly these keywords (duplicates in letter case and
    // empty ones left out).
    void SetKeywords(const std::vector<std::u16string>& keywords);
    // A row has this text, ignoring letter case.
    bool HasKeyword(std::u16string_view keyword) const;
    // Adds a row unless the keyword is empty or a row has it; true when
    // added.
    bool AddKeyword(std::u16string_view keyword);

    gui::TPageControl* PageControl1 = nullptr;
    gui::TTabSheet* TabSheet1 = nullptr;
    gui::TTabSheet* TabSheet2 = nullptr;
    gui::TEdit* Edit1 = nullptr;
    controls::tree::TGtTree* GtTree1 = nullptr;
    gui::TMemo* Memo1 = nullptr;
    gui::TButton* Button3 = nullptr;
    gui::TButton* Button4 = nullptr;
    gui::TButton* Button5 = nullptr;
    gui::TButton* Button6 = nullptr;
    gui::TPopupMenu* PopupMenu1 = nullptr;
    gui::TOpenDialog* OpenDialog1 = nullptr;
    gui::TSaveDialog* SaveDialog1 = nullptr;

  protected:
    void Loaded() override;

  private:
    // Adds each keyword that is not empty and that no row has yet.
    void AddNewKeywords(const std::vector<std::u16string>& keywords);
    // The selected rows, in the order they were selected.
    std::vector<controls::tree::TGtTreeItem*> SelectedRows() const;
};

}  // namespace ui
