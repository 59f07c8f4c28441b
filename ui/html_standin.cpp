#include "ui/html_standin.h"

#include <array>
#include <cctype>

#include "core/host_text.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace ui {

namespace {

// Elements that start a line of their own.
constexpr std::array<std::string_view, 16> kBlockElements = {
    "br", "p", "div", "li", "tr", "h1", "h2", "h3", "h4", "h5", "h6", "table", "ul", "ol", "hr",
    "blockquote"};
// Elements whose contents are not text.
constexpr std::array<std::string_view, 2> kHiddenElements = {"script", "style"};

// The element name of the tag text between "<" and ">", lower case,
// without a leading "/".
std::string TagName(std::string_view tag) {
    size_t i = tag.starts_with('/') ? 1 : 0;
    std::string name;
    for (; i < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[i])) != 0); ++i)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(tag[i])));
    return name;
}

template <size_t N>
bool OneOf(const std::string& name, const std::array<std::string_view, N>& names) {
    for (std::string_view n : names)
        if (name == n) return true;
    return false;
}

}  // namespace

std::u16string HtmlToText(std::string_view html) {
    // Each paragraph is cleaned on its own, so that cleaning (which folds
    // line breaks) keeps the paragraphs apart.
    std::u16string text;
    std::string paragraph;
    auto endParagraph = [&] {
        // White space in a page is a word break, however long.
        std::string collapsed;
        for (const char c : paragraph) {
            const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
            if (!blank)
                collapsed += c;
            else if (!collapsed.empty() && collapsed.back() != ' ')
                collapsed += ' ';
        }
        paragraph.clear();
        std::u16string line = runtime::AnsiToWide(collapsed);
        core::ClearText(line);
        if (line.empty()) return;
        if (!text.empty()) text += u"\r\n";
        text += line;
    };
    std::string hidden;
    size_t i = 0;
    while (i < html.size()) {
        const size_t open = html.find('<', i);
        if (hidden.empty()) paragraph.append(html.substr(i, open == std::string_view::npos ? html.size() - i : open - i));
        if (open == std::string_view::npos) break;
        const size_t close = html.find('>', open);
        if (close == std::string_view::npos) break;
        const std::string_view tag = html.substr(open + 1, close - open - 1);
        const std::string name = TagName(tag);
        const bool closing = tag.starts_with('/');
        if (!hidden.empty()) {
            if (closing && name == hidden) hidden.clear();
        } else if (!closing && OneOf(name, kHiddenElements)) {
            hidden = name;
        } else if (OneOf(name, kBlockElements)) {
            endParagraph();
        } else {
            // Inline elements separate words.
            paragraph += ' ';
        }
        i = close + 1;
    }
    endParagraph();
    return text;
}

RUNTIME_BEGIN_CLASS(THtmlTextView, gui::TCustomMemo)
RUNTIME_PROPERTY(DefBackground, DefBackground, SetDefBackground);
RUNTIME_PROPERTY(DefFontName, DefFontName, SetDefFontName);
RUNTIME_FIELD(DefPreFontName);
RUNTIME_FIELD(HistoryMaxCount);
RUNTIME_FIELD(NoSelect);
RUNTIME_FIELD(OnHotSpotClick);
RUNTIME_END_CLASS

THtmlTextView::THtmlTextView(runtime::TComponent* owner) : TCustomMemo(owner) {
    SetReadOnly(true);
    SetScrollBars(gui::ssVertical);
    SetColor(gui::clWhite);
    SetDefFontName("Times New Roman");
}

void THtmlTextView::LoadFromString(std::string_view html, const std::string&) {
    SetTextW(HtmlToText(html));
    if (HandleAllocated()) SendMessageW(WindowHandle(), EM_SETSEL, 0, 0);
}

void THtmlTextView::LoadFromFile(const std::string& fileName) {
    std::string data;
    try {
        runtime::TFileStream file(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
        data.resize(static_cast<size_t>(file.Size()));
        if (!data.empty()) file.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
    } catch (const runtime::Exception&) {
        throw runtime::Exception("Can't locate file: " + fileName);
    }
    LoadFromString(data, fileName);
}

}  // namespace ui
