#pragma once

// Test helpers of the XML library: a canonical dump of a tree, and the
// sample documents the round-trip and peer tests share.

#include <functional>
#include <string>

#include "xml/document.h"

namespace xml::testing {

enum class DumpMode {
    // Values with their type codes, element values as they are stored.
    Typed,
    // Values as their text, an element's own value shown as the text child
    // it becomes when the document is written and read back.
    Text,
};

// One line per node, indented by depth: "E name {attr=value ...}",
// "T text", "D cdata", "C comment", "P target data {attrs}" (as text:
// "P <?target ...?>"). Characters outside printable ASCII appear as \uXXXX.
std::string DumpTree(IXmlNode& node, DumpMode mode);

// Printable form of a wide string (ASCII as is, the rest as \uXXXX).
std::string Printable(std::u16string_view text);

// The message of the runtime::Exception that `fn` raises, or "".
std::string ErrorOf(const std::function<void()>& fn);

// A document with every node kind, escapes, characters beyond the basic
// plane and typed values of every kind the binary form keeps; everything
// in it is well-formed XML 1.0.
Ref<IXmlDocument> BuildPortableDocument();

// The portable document plus what only the binary form keeps (control
// characters, "--" in a comment: the text writer refuses them) and a
// processing instruction whose data starts with blanks.
Ref<IXmlDocument> BuildRichDocument();

// A project as the oldest project-file format holds it: Sites, Site0..,
// Keywords, Keyword0.., Links, Link0.. with their attributes.
Ref<IXmlDocument> BuildProjectDocument(int sites, int keywords, int links);

}  // namespace xml::testing
