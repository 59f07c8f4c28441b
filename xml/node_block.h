#pragma once

// What the binary reader puts in the memory block of a node it makes: after
// the node object its attributes as packed records, then the characters of
// its own value. The block is one allocation, freed with the node, so a
// loaded document costs one allocation per element or text node and little
// more memory than the binary form itself. Internal to the XML library.
//
// A packed record is a kind byte, the name id and the payload: 1, 2, 4 or 8
// bytes for numbers and Booleans; for texts a length and the characters, a
// wide string whose code units are all below 256 one byte per unit
// (narrow). The id and the length take 2 bytes each when both fit, else 4
// (a flag of the kind byte says which). Numbers are copied in and out
// unaligned; wide characters start at an even address, so that values can
// be views of them.

#include <cstddef>
#include <cstdint>

#include "xml/node_value.h"

namespace xml {

// At most the bytes that PackAttr writes for the attribute (its value a
// number, a text or a view of one; not a value that keeps a Variant).
size_t PackedAttrBytes(int32_t nameId, const TXmlValue& value);
// Writes the record at `out` and returns its end.
char* PackAttr(char* out, int32_t nameId, const TXmlValue& value);
// Reads the record at `in`: its name id and a view of its value, valid
// while the block lives. Returns the record's end.
const char* UnpackAttr(const char* in, int32_t& nameId, TXmlValue& value);

// At most the bytes that PlaceText takes for the characters of `value`; 0
// for values without characters.
size_t PlacedTextBytes(const TXmlValue& value);
// Copies the characters of `value` to `out` (narrow where they allow) and
// returns a view of them, moving `out` past them; a value without
// characters is returned as it is.
TXmlValue PlaceText(TXmlValue&& value, char*& out);

}  // namespace xml
