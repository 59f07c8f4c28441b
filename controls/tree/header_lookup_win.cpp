// The header's lookup edit: a combo box over a section, opened by its
// lookup glyph, reporting each change of its text and its end.
#include <algorithm>
#include <cstdlib>

#include "controls/tree/header.h"
#include "gui/stdctrls.h"
#include "runtime/properties.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace controls::tree {

namespace {

// Enter accepts and Escape cancels; neither reaches the combo box.
class TGtLookupCombo : public gui::TComboBox {
    RUNTIME_CLASS(TGtLookupCombo)

  public:
    TGtLookupCombo(runtime::TComponent* owner, TCustomGtHeader& header)
        : gui::TComboBox(owner), header_(header) {}

  protected:
    GUI_MESSAGE_MAP(TGtLookupCombo, gui::TComboBox)
    void CNKeyDown(gui::TMessage& msg) {
        if (msg.WParam == VK_RETURN || msg.WParam == VK_ESCAPE) {
            header_.CloseLookup(msg.WParam == VK_RETURN);
            msg.Result = 1;
            return;
        }
        GUI_INHERITED(msg);
    }
    void CNChar(gui::TMessage& msg) {
        if (msg.WParam == u'\r' || msg.WParam == 0x1B) {
            msg.Result = 1;
            return;
        }
        GUI_INHERITED(msg);
    }

  private:
    TCustomGtHeader& header_;
};

}  // namespace

RUNTIME_BEGIN_CLASS(TGtLookupCombo, gui::TComboBox)
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TGtLookupCombo)
GUI_MESSAGE(gui::CN_KEYDOWN, CNKeyDown)
GUI_MESSAGE(gui::CN_CHAR, CNChar)
GUI_END_MESSAGE_MAP

void TCustomGtHeader::OpenLookup(TGtHeaderSection* section) {
    if (Parent() == nullptr) return;
    if (lookup_ == nullptr) {
        auto* combo = new TGtLookupCombo(this, *this);
        lookup_ = combo;
        combo->SetVisible(false);
        combo->SetParent(Parent());
        combo->OnChange = [this](runtime::TObject*) { LookupChanged(); };
        combo->OnExit = [this](runtime::TObject*) { CloseLookup(false); };
    }
    lookupSection_ = section;
    lookupChanging_ = true;
    lookup_->Items()->Assign(&section->LookupHistory());
    lookup_->SetTextW(u"");
    lookupChanging_ = false;
    const gui::TRect r =
        gui::TRect{section->Left() - leftPos_, 0, section->Right() - leftPos_, ClientHeight()}
            .Offset(Left(), Top());
    lookup_->Font()->Assign(Font());
    const int height = lookup_->Font()->Height();
    lookup_->Font()->SetHeight(height < 0 ? height + 2 : height - 2);
    lookup_->SetBounds(r.Left, r.Top, r.Width(), std::max(lookup_->Height(), r.Height() - 2));
    lookup_->SetVisible(true);
    lookup_->BringToFront();
    focusBeforeLookup_ = GetFocus();
    lookupOpen_ = true;
    lookup_->SetFocus();
}

void TCustomGtHeader::LookupChanged() {
    if (lookupChanging_ || !lookupOpen_) return;
    std::u16string text = lookup_->TextW();
    const std::u16string before = text;
    DoHeaderLookup(lookupSection_, text);
    if (text == before) return;
    // Replaced without a second report; typing goes on at its end.
    lookupChanging_ = true;
    lookup_->SetTextW(text);
    const auto end = static_cast<WORD>(text.size());
    SendMessageW(lookup_->Handle(), CB_SETEDITSEL, 0, MAKELPARAM(end, end));
    lookupChanging_ = false;
}

void TCustomGtHeader::CloseLookup(bool accepted) {
    if (!lookupOpen_) return;
    lookupOpen_ = false;
    TGtHeaderSection* section = lookupSection_;
    const std::u16string text = lookup_->TextW();
    DoHeaderLookupDone(section, text, accepted);
    if (accepted) {
        // The text goes to the top of the history, which keeps a bounded
        // number of entries.
        runtime::TStringList& history = section->LookupHistory();
        const std::string entry = runtime::WideToAnsi(text);
        for (int i = history.Count() - 1; i >= 0; --i)
            if (history.Strings(i) == entry) history.Delete(i);
        history.Insert(0, entry);
        while (history.Count() > kMaxLookupHistory) history.Delete(history.Count() - 1);
    }
    lookup_->SetVisible(false);
    // A window that cannot take the focus back is left as it is.
    if (focusBeforeLookup_ != nullptr && IsWindow(focusBeforeLookup_))
        ::SetFocus(focusBeforeLookup_);
    focusBeforeLookup_ = nullptr;
}

}  // namespace controls::tree
