#pragma once

// The engine selector of the options and first-run dialogs: a sorted
// drop-down list with one entry per loaded engine, reading its Country +
// " (" + Lang + ")", each carrying the engine's file path.

#include <memory>
#include <string>
#include <vector>

#include "gui/stdctrls.h"
#include "runtime/object.h"

namespace ui {

// One 8-bit string attached to an entry of a list (the engine's file path).
class TString : public runtime::TObject {
  public:
    explicit TString(std::string value) : Str(std::move(value)) {}
    std::string Str;
};

// The text of an engine's entry.
std::string EngineEntryText(const std::string& country, const std::string& lang);
// The settings an entry's text stands for: Country is the text before its
// last " (", Lang the text after that "(" without the last character.
std::string CountryOfEntry(const std::string& text);
std::string LangOfEntry(const std::string& text);

class TEngineSelector : public gui::TComboBox {
    RUNTIME_CLASS(TEngineSelector)

  public:
    explicit TEngineSelector(runtime::TComponent* owner);
    ~TEngineSelector() override;

    // One entry per engine of EngineList (none without one).
    void FillEngines();
    // Selects the entry of that text; none when there is none.
    void SelectEntry(const std::string& text);
    // The chosen entry's engine file; empty when none is chosen.
    std::string EngineFile() const;

  private:
    std::vector<std::unique_ptr<TString>> files_;
};

}  // namespace ui
