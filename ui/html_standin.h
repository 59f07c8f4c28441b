#pragma once

// The HTML viewer as the news window uses it, standing in for the
// program's own viewer until that is built: a read-only text view that
// shows the page's text without its markup, a paragraph a line. It takes
// the viewer's properties, loads text and files the way the viewer does,
// and has its link event, which a plain text view never raises.

#include <string>

#include "gui/stdctrls.h"
#include "runtime/events.h"

namespace ui {

// A click on a link: its address as written in the page; Handled (false on
// entry) keeps the viewer from following it.
RUNTIME_EVENT_TYPE(THotSpotClickEvent, "Sender, SRC, Handled", runtime::TObject*,
                   const std::string&, bool&);

// The text a page shows: tags removed, block elements (paragraphs, line
// breaks, headings, list items, table rows) on lines of their own,
// character references decoded, the contents of scripts and style sheets
// left out, runs of white space as one space.
std::u16string HtmlToText(std::string_view html);

class THtmlTextView : public gui::TCustomMemo {
    RUNTIME_CLASS(THtmlTextView)

  public:
    explicit THtmlTextView(runtime::TComponent* owner);

    // Shows the page's text from the top (the reference's anchor is not
    // looked for: a text view has none).
    void LoadFromString(std::string_view html, const std::string& reference = {});
    // runtime::Exception "Can't locate file: " + the name for a file that
    // cannot be read.
    void LoadFromFile(const std::string& fileName);

    gui::TColor DefBackground() const { return Color(); }
    void SetDefBackground(gui::TColor value) { SetColor(value); }
    const std::string& DefFontName() const { return Font()->Name(); }
    void SetDefFontName(const std::string& value) { Font()->SetName(value); }
    // Kept for the real viewer: preformatted text's font, the number of
    // pages it remembers, whether text can be selected.
    std::string DefPreFontName = "Courier New";
    int32_t HistoryMaxCount = 0;
    bool NoSelect = false;

    THotSpotClickEvent OnHotSpotClick;
};

}  // namespace ui
