#pragma once

// The HTML viewer as the news window uses it, standing in for the
// program's own viewer until that is built: the page's text without its
// markup, a paragraph a line, in a read-only text view, and below it the
// page's links, one a line. A click on a link (or Enter on the chosen one)
// raises the viewer's link event with the address as written in the page.
// It takes the viewer's properties and loads text and files the way the
// viewer does.

#include <string>
#include <string_view>
#include <vector>

#include "gui/cursors.h"
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

// One link of a page: what it shows and where it leads (the "href" as
// written, character references decoded).
struct THtmlLink {
    std::u16string Text;
    std::string Address;
    bool operator==(const THtmlLink&) const = default;
};

// The links of a page in page order: every "a" element with an address.
// A link that shows no text is named by its address.
std::vector<THtmlLink> HtmlLinks(std::string_view html);

class THtmlTextView : public gui::TWinControl {
    RUNTIME_CLASS(THtmlTextView)

  public:
    explicit THtmlTextView(runtime::TComponent* owner);

    // Shows the page's text from the top and lists its links (the
    // reference's anchor is not looked for: a text view has none).
    void LoadFromString(std::string_view html, const std::string& reference = {});
    // runtime::Exception "Can't locate file: " + the name for a file that
    // cannot be read.
    void LoadFromFile(const std::string& fileName);
    // The same for a name the system code page may not spell.
    void LoadFromFile(const std::u16string& fileName);

    // The text shown, and the links listed.
    std::u16string PageText() const;
    const std::vector<THtmlLink>& Links() const { return links_; }
    // Raises the link event for the listed link at `index`, as a click on
    // it does. The stand-in follows no link itself.
    void ClickLink(int index);

    gui::TColor DefBackground() const;
    void SetDefBackground(gui::TColor value);
    const std::string& DefFontName() const;
    void SetDefFontName(const std::string& value);
    // Kept for the real viewer: preformatted text's font, the number of
    // pages it remembers, whether text can be selected.
    std::string DefPreFontName = "Courier New";
    int32_t HistoryMaxCount = 0;
    bool NoSelect = false;

    THotSpotClickEvent OnHotSpotClick;

    // The parts: the text, and the list of links (hidden without links).
    gui::TMemo* TextView() const { return text_; }
    gui::TListBox* LinkList() const { return list_; }

  private:
    void LinkListMouseUp(runtime::TObject* sender, runtime::TMouseButton button,
                         runtime::TShiftState shift, int x, int y);
    void LinkListKeyDown(runtime::TObject* sender, uint16_t& key, runtime::TShiftState shift);

    gui::TMemo* text_;
    gui::TListBox* list_;
    std::vector<THtmlLink> links_;
};

}  // namespace ui
