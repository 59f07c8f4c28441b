// The main window's commands that open the dialogs made on demand: the
// options, the key sign-up and the news window.

#include <memory>

#include "core/engines.h"
#include "core/options.h"
#include "core/state.h"
#include "gui/forms.h"
#include "runtime/os/files.h"
#include "ui/main_form.h"
#include "ui/news_form.h"
#include "ui/options_form.h"
#include "ui/signup_form.h"

namespace ui {

namespace {

// The engine the settings name now: by its file when one is set, else by
// its country; none when no loaded engine matches.
core::TSE* EngineOfSettings(const core::TOptions& options) {
    if (core::EngineList == nullptr) return nullptr;
    const int index = options.SEFileName.empty()
                          ? core::EngineList->FindEngineByCountry(options.Country)
                          : core::EngineList->FindEngineByFile(options.SEFileName);
    return index >= 0 ? core::EngineList->Items(index) : nullptr;
}

}  // namespace

void TForm1::ActionOptionsExecute(runtime::TObject*) {
    std::unique_ptr<TForm5> dialog(&gui::NewForm<TForm5>(*this));
    FillOptionsDialog(*dialog, *core::Options);
    if (dialog->ShowModal() != gui::mrOk) return;
    StoreOptionsDialog(*dialog, *core::Options);
    core::Options->Save();
    // With no engine chosen the checks keep the one they had: a check needs
    // an engine.
    if (core::TSE* engine = EngineOfSettings(*core::Options)) core::CurrentEngine = engine;
    UpdateTopLabel();
    StatusBar1->Repaint();
}

void TForm1::ActionRegisterWithGoogleExecute(runtime::TObject*) {
    std::unique_ptr<TForm8> dialog(&gui::NewForm<TForm8>(*this));
    dialog->ShowModal();
}

void TForm1::NewsfromTarvenixco1Click(runtime::TObject*) {
    const std::u16string newsFile = core::TempDir + u"newsblock.txt";
    if (runtime::os::FileExists(newsFile)) {
        std::unique_ptr<TForm9> news(&gui::NewForm<TForm9>(*this));
        news->htmlView1->LoadFromFile(newsFile);
        news->ShowModal();
    } else if (core::Options != nullptr && !core::Options->NewsText.empty()) {
        ShowNews(core::Options->NewsText);
    }
}

void TForm1::ShowNews(const std::string& html) {
    std::unique_ptr<TForm9> news(&gui::NewForm<TForm9>(*this));
    news->htmlView1->LoadFromString(html);
    news->ShowModal();
}

}  // namespace ui
