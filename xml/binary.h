#pragma once

// The binary form of documents: the signature, the options, the name table
// and the node tree with typed values as they are. Internal to the XML
// library.

#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {
class TStream;
}

namespace xml {

class TXmlDocument;

// Option bit 0: node strings (names, CDATA and comment texts, processing-
// instruction data) as UTF-16 instead of 8-bit text in the system code page.
inline constexpr uint32_t kBinaryWideStrings = 1;

// Write the whole form. Without kBinaryWideStrings, the bit is set all the
// same when some node string does not fit the system code page.
std::string WriteBinaryXml(const TXmlDocument& doc, uint32_t options);
void WriteBinaryXml(const TXmlDocument& doc, runtime::TStream& stream, uint32_t options);

// Read a document into `doc`, which gets the name table read, from a byte
// string that starts with the signature (not checked). Every count and
// length is checked against what is left of the input before anything is
// allocated or read.
void ReadBinaryXml(TXmlDocument& doc, std::string_view bytes);

}  // namespace xml
