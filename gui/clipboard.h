#pragma once

// The clipboard's text, through the desktop services: setting it puts the
// 8-bit text (CF_TEXT) and the UTF-16 text (CF_UNICODETEXT) on it together.

#include <string>

namespace gui {

class TClipboard {
  public:
    // 8-bit text in the system code page.
    std::string AsText() const;
    void SetAsText(const std::string& text);
    std::u16string AsWideText() const;
    void SetAsWideText(const std::u16string& text);
    bool HasText() const;
};

// The program's clipboard.
TClipboard& Clipboard();

}  // namespace gui
