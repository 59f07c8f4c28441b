#include "ui/html_standin.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "core/host_text.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace ui {

namespace {

// Elements that start a line of their own.
constexpr std::array<std::string_view, 16> kBlockElements = {
    "br", "p",  "div", "li",    "tr", "h1", "h2", "h3",
    "h4", "h5", "h6",  "table", "ul", "ol", "hr", "blockquote"};
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
        if (hidden.empty())
            paragraph.append(
                html.substr(i, open == std::string_view::npos ? html.size() - i : open - i));
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

namespace {

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The value of the attribute `name` in the tag text between "<" and ">";
// none when the tag has no such attribute.
std::optional<std::string> AttributeValue(std::string_view tag, std::string_view name) {
    size_t i = 0;
    // Past the element name.
    while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])) == 0) ++i;
    while (i < tag.size()) {
        while (i < tag.size() &&
               (std::isspace(static_cast<unsigned char>(tag[i])) != 0 || tag[i] == '/'))
            ++i;
        const size_t nameStart = i;
        while (i < tag.size() && tag[i] != '=' &&
               std::isspace(static_cast<unsigned char>(tag[i])) == 0)
            ++i;
        const std::string attribute = LowerCase(tag.substr(nameStart, i - nameStart));
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])) != 0) ++i;
        std::string value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])) != 0) ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char quote = tag[i++];
                const size_t end = std::min(tag.find(quote, i), tag.size());
                value = tag.substr(i, end - i);
                i = end + 1;
            } else {
                const size_t valueStart = i;
                while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])) == 0) ++i;
                value = tag.substr(valueStart, i - valueStart);
            }
        }
        if (attribute == name) return value;
        if (attribute.empty()) ++i;
    }
    return std::nullopt;
}

// An address as written, its character references decoded ("&amp;").
std::string DecodeAddress(const std::string& address) {
    std::u16string wide = runtime::AnsiToWide(address);
    core::ClearText(wide);
    return runtime::WideToAnsi(wide);
}

}  // namespace

std::vector<THtmlLink> HtmlLinks(std::string_view html) {
    std::vector<THtmlLink> links;
    size_t i = 0;
    while (i < html.size()) {
        const size_t open = html.find('<', i);
        if (open == std::string_view::npos) break;
        const size_t close = html.find('>', open);
        if (close == std::string_view::npos) break;
        const std::string_view tag = html.substr(open + 1, close - open - 1);
        i = close + 1;
        const std::string name = TagName(tag);
        if (!tag.starts_with('/') && OneOf(name, kHiddenElements)) {
            // A script's or style sheet's text holds no links of the page.
            const size_t end = LowerCase(html.substr(i)).find("</" + name);
            i = end == std::string::npos ? html.size() : i + end;
            continue;
        }
        if (name != "a" || tag.starts_with('/')) continue;
        const std::optional<std::string> href = AttributeValue(tag, "href");
        if (!href || href->empty()) continue;
        // The link's text runs to its end tag (or the next link, or the page's end).
        size_t end = i;
        for (;;) {
            end = html.find('<', end);
            if (end == std::string_view::npos) {
                end = html.size();
                break;
            }
            const size_t tagEnd = html.find('>', end);
            if (tagEnd == std::string_view::npos) {
                end = html.size();
                break;
            }
            if (TagName(html.substr(end + 1, tagEnd - end - 1)) == "a") break;
            end = tagEnd + 1;
        }
        THtmlLink link{HtmlToText(html.substr(i, end - i)), DecodeAddress(*href)};
        // Line breaks inside a link show as blanks on its one line.
        for (char16_t& c : link.Text)
            if (c == u'\r' || c == u'\n') c = u' ';
        if (link.Text.empty()) link.Text = runtime::AnsiToWide(link.Address);
        links.push_back(std::move(link));
        i = end;
    }
    return links;
}

RUNTIME_BEGIN_CLASS(THtmlTextView, gui::TWinControl)
RUNTIME_PROPERTY(DefBackground, DefBackground, SetDefBackground);
RUNTIME_PROPERTY(DefFontName, DefFontName, SetDefFontName);
RUNTIME_FIELD(DefPreFontName);
RUNTIME_FIELD(HistoryMaxCount);
RUNTIME_FIELD(NoSelect);
RUNTIME_FIELD(OnHotSpotClick);
RUNTIME_END_CLASS

namespace {
// Rows of the link list shown at most; more scroll.
constexpr int kLinkRowsShown = 5;
}  // namespace

THtmlTextView::THtmlTextView(runtime::TComponent* owner)
    : TWinControl(owner), text_(new gui::TMemo(this)), list_(new gui::TListBox(this)) {
    // Its parts paint themselves: the view keeps off them.
    SetControlStyle(ControlStyle() + gui::TControlStyle{gui::csAcceptsControls});
    SetBounds(0, 0, 300, 200);
    text_->SetParent(this);
    text_->SetAlign(gui::alClient);
    text_->SetReadOnly(true);
    text_->SetScrollBars(gui::ssVertical);
    text_->SetColor(gui::clWhite);
    text_->Font()->SetName("Times New Roman");
    list_->SetParent(this);
    list_->SetAlign(gui::alBottom);
    list_->SetVisible(false);
    // The rows are links: they look like links.
    list_->Font()->SetColor(gui::clBlue);
    list_->SetCursor(gui::crHandPoint);
    list_->OnMouseUp = [this](runtime::TObject* sender, runtime::TMouseButton button,
                              runtime::TShiftState shift, int x,
                              int y) { LinkListMouseUp(sender, button, shift, x, y); };
    list_->OnKeyDown = [this](runtime::TObject* sender, uint16_t& key, runtime::TShiftState shift) {
        LinkListKeyDown(sender, key, shift);
    };
}

gui::TColor THtmlTextView::DefBackground() const {
    return text_->Color();
}

void THtmlTextView::SetDefBackground(gui::TColor value) {
    text_->SetColor(value);
}

const std::string& THtmlTextView::DefFontName() const {
    return text_->Font()->Name();
}

void THtmlTextView::SetDefFontName(const std::string& value) {
    text_->Font()->SetName(value);
}

std::u16string THtmlTextView::PageText() const {
    return text_->TextW();
}

void THtmlTextView::LoadFromString(std::string_view html, const std::string&) {
    text_->SetTextW(HtmlToText(html));
    if (text_->HandleAllocated()) SendMessageW(text_->WindowHandle(), EM_SETSEL, 0, 0);
    links_ = HtmlLinks(html);
    list_->Items()->BeginUpdate();
    list_->Items()->Clear();
    for (const THtmlLink& link : links_) {
        const std::u16string address = runtime::AnsiToWide(link.Address);
        list_->Items()->Add(runtime::WideToAnsi(
            link.Text == address ? address : link.Text + u" (" + address + u")"));
    }
    list_->Items()->EndUpdate();
    list_->SetHeight(
        list_->ItemHeight() * std::min<int>(static_cast<int>(links_.size()), kLinkRowsShown) + 4);
    list_->SetVisible(!links_.empty());
}

void THtmlTextView::LoadFromFile(const std::string& fileName) {
    LoadFromFile(runtime::AnsiToWide(fileName));
}

void THtmlTextView::LoadFromFile(const std::u16string& fileName) {
    std::string data;
    try {
        runtime::TFileStream file(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
        data.resize(static_cast<size_t>(file.Size()));
        if (!data.empty()) file.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
    } catch (const runtime::Exception&) {
        throw runtime::Exception("Can't locate file: " + runtime::WideToAnsi(fileName));
    }
    LoadFromString(data, runtime::WideToAnsi(fileName));
}

void THtmlTextView::ClickLink(int index) {
    if (index < 0 || index >= static_cast<int>(links_.size())) return;
    // A copy: the handler may load another page.
    const std::string address = links_[static_cast<size_t>(index)].Address;
    bool handled = false;
    OnHotSpotClick(this, address, handled);
}

void THtmlTextView::LinkListMouseUp(runtime::TObject*, runtime::TMouseButton button,
                                    runtime::TShiftState, int x, int y) {
    if (button != runtime::mbLeft || !list_->HandleAllocated()) return;
    const LRESULT hit = SendMessageW(list_->WindowHandle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(x, y));
    // The high word says the point lies past the last row.
    if (HIWORD(hit) != 0) return;
    ClickLink(LOWORD(hit));
}

void THtmlTextView::LinkListKeyDown(runtime::TObject*, uint16_t& key, runtime::TShiftState) {
    if (key != VK_RETURN) return;
    key = 0;
    ClickLink(list_->ItemIndex());
}

}  // namespace ui
