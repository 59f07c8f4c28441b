#pragma once

// The text reader: UTF-16 XML text into the child list of a node. Internal
// to the XML library. Errors raise runtime::Exception with the messages of
// xml/errors.h; the nodes read before an error stay.

#include <cstddef>
#include <string_view>

#include "xml/limits.h"

namespace runtime {
class TStream;
}

namespace xml {

class TXmlNode;

void ParseXmlText(TXmlNode& parent, std::u16string_view text);

// Reads the stream from its position as UTF-16 little-endian code units, in
// pieces of `bufferBytes` (an odd size raises "Wrong buffer size."); a
// trailing odd byte is not used.
void ParseXmlStream(TXmlNode& parent, runtime::TStream& stream,
                    size_t bufferBytes = kTextReadBufferUnits * 2);

}  // namespace xml
