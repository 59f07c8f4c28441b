#include "gui/clipboard.h"

#include "gui/desktop.h"
#include "runtime/strings.h"

namespace gui {

std::string TClipboard::AsText() const {
    return runtime::WideToAnsi(AsWideText());
}

void TClipboard::SetAsText(const std::string& text) {
    Desktop().SetClipboardText(text, runtime::AnsiToWide(text));
}

std::u16string TClipboard::AsWideText() const {
    return Desktop().ClipboardText().value_or(std::u16string());
}

void TClipboard::SetAsWideText(const std::u16string& text) {
    Desktop().SetClipboardText(runtime::WideToAnsi(text), text);
}

bool TClipboard::HasText() const {
    return Desktop().ClipboardText().has_value();
}

TClipboard& Clipboard() {
    static TClipboard clipboard;
    return clipboard;
}

}  // namespace gui
