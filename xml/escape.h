#pragma once

// Escaping for the XML text form, shared by XmlEscapeText and the writer.
// Internal to the XML library.

#include <string>
#include <string_view>

namespace xml {

class TXmlCharset;

// Whether XML 1.0 has the character at all: tab, line feed, carriage
// return, U+0020..U+D7FF, U+E000..U+FFFD, U+10000..U+10FFFF.
constexpr bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// "U+0001", "U+1F600".
std::u16string XmlCodePointText(char32_t c);

// Raises CharNotAllowed for a character XML does not have.
void CheckXmlChar(char32_t c);

// Appends `text` with " & < > as entities and carriage return as a
// character reference (a reader takes a raw one for a line end); in an
// attribute value tab and line feed too (readers turn raw ones into
// spaces). A character the encoding `charset` cannot hold goes as a
// reference (null: UTF-16, which holds every one). A character XML does not
// have (a control character but tab, line feed and carriage return; U+FFFE;
// U+FFFF; an unpaired surrogate) raises CharNotAllowed.
void AppendXmlEscaped(std::u16string& out, std::u16string_view text, bool attribute,
                      const TXmlCharset* charset);

}  // namespace xml
