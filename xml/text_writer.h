#pragma once

// The text form of nodes: compact XML without added white space. Internal
// to the XML library.

#include <string>
#include <string_view>
#include <vector>

namespace xml {

class TXmlNode;

// Appends the XML text of `node`; `depth` counts the elements above it and
// an element nested deeper than kMaxNestingDepth raises an error.
void WriteNodeXml(const TXmlNode& node, std::u16string& out, int depth);

// The pieces of `text` that CDATA sections can hold: "]]>" cannot sit inside
// one, so the first "]" of it ends a piece and the rest goes on in the next.
std::vector<std::u16string_view> SplitCDATA(std::u16string_view text);

}  // namespace xml
