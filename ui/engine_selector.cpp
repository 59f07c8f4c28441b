#include "ui/engine_selector.h"

#include "core/engines.h"
#include "core/state.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace ui {

std::string EngineEntryText(const std::string& country, const std::string& lang) {
    return country + " (" + lang + ")";
}

// The entry's parts split at its last " (": a country may hold brackets of
// its own ("USA (Bing) (English)"), a language does not.
std::string CountryOfEntry(const std::string& text) {
    const size_t end = text.rfind(" (");
    return end == std::string::npos ? text : text.substr(0, end);
}

std::string LangOfEntry(const std::string& text) {
    const size_t open = text.rfind(" (");
    if (open == std::string::npos || text.size() < open + 3) return {};
    return text.substr(open + 2, text.size() - open - 3);
}

RUNTIME_BEGIN_CLASS(TEngineSelector, gui::TComboBox)
RUNTIME_END_CLASS

TEngineSelector::TEngineSelector(runtime::TComponent* owner) : TComboBox(owner) {
    SetStyle(gui::csDropDownList);
    SetSorted(true);
}

TEngineSelector::~TEngineSelector() {
    // The entries point at the strings: they go first.
    Items()->Clear();
}

void TEngineSelector::FillEngines() {
    Items()->BeginUpdate();
    Items()->Clear();
    files_.clear();
    if (core::EngineList != nullptr) {
        for (int i = 0; i < core::EngineList->Count(); ++i) {
            const core::TSE& engine = *core::EngineList->Items(i);
            files_.push_back(std::make_unique<TString>(runtime::WideToAnsi(engine.FileName)));
            Items()->AddObject(EngineEntryText(engine.Country, engine.Lang), files_.back().get());
        }
    }
    Items()->EndUpdate();
}

void TEngineSelector::SelectEntry(const std::string& text) {
    SetItemIndex(Items()->IndexOf(text));
}

std::string TEngineSelector::EngineFile() const {
    const int index = ItemIndex();
    if (index < 0) return {};
    const auto* file = dynamic_cast<const TString*>(Items()->Objects(index));
    return file != nullptr ? file->Str : std::string();
}

}  // namespace ui
