#pragma once

// The text reader: UTF-16 XML text into the child list of a node. Internal
// to the XML library. Errors raise runtime::Exception with the messages of
// xml/errors.h; the nodes read before an error stay.

#include <cstddef>
#include <string>
#include <string_view>

#include "xml/limits.h"

namespace runtime {
class TStream;
}

namespace xml {

class TXmlNode;

void ParseXmlText(TXmlNode& parent, std::u16string_view text);

// Reads the stream from its position to its end (it need not seek nor
// know its size), `head` being bytes already taken from it, in pieces of up
// to `bufferBytes` (an odd size raises "Wrong buffer size."). The text is
// decoded from the encoding its start shows (see DetectCharset): UTF-16 in
// either byte order (a trailing odd byte is not used), UTF-8, or the 8-bit
// encoding its declaration names.
void ParseXmlStream(TXmlNode& parent, runtime::TStream& stream, std::string head = {},
                    size_t bufferBytes = kTextReadBufferUnits * 2);

}  // namespace xml
