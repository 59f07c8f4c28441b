#pragma once

// The text form of nodes: compact XML without added white space, which the
// text reader (and any XML 1.0 reader) reads back to the same tree. What
// XML cannot hold raises an error instead of being written: a name that is
// no XML name, "--" in a comment, "?>" in processing-instruction data, a
// character XML does not have. Internal to the XML library.

#include <string>
#include <string_view>
#include <vector>

namespace xml {

class TXmlNode;
class TXmlCharset;

// What the text is written for.
struct TXmlWriteTarget {
    // The encoding the text will be saved in: a character it cannot hold
    // goes as a character reference in text and attribute values and raises
    // an error elsewhere. Null: UTF-16, which holds every character.
    const TXmlCharset* charset = nullptr;
    // Written as the encoding the document's declaration names, instead of
    // what it names (empty: what it names).
    std::u16string declaredEncoding;
};

// Appends the XML text of `node`; `depth` counts the elements above it and
// an element nested deeper than kMaxNestingDepth raises an error.
void WriteNodeXml(const TXmlNode& node, std::u16string& out, int depth,
                  const TXmlWriteTarget& target = {});

// The pieces of `text` that CDATA sections can hold: "]]>" cannot sit inside
// one, so the first "]" of it ends a piece and the rest goes on in the next.
std::vector<std::u16string_view> SplitCDATA(std::u16string_view text);

}  // namespace xml
