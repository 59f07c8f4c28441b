#pragma once

// Caps and buffer sizes of the XML library, in one place.

#include <cstddef>
#include <cstdint>

namespace xml {

// Element nesting accepted by the readers and walked by the writers and the
// text getter; deeper trees raise an error instead of exhausting the stack.
inline constexpr int kMaxNestingDepth = 1000;

// Longest element, attribute, target or entity name the text reader takes,
// in UTF-16 code units.
inline constexpr size_t kMaxNameLength = 4096;

// Bucket counts a name table accepts (a table always has at least one).
inline constexpr int kMaxNameTableBuckets = 1 << 20;
inline constexpr int kDefaultNameTableBuckets = 4096;

// The text reader pulls streams in pieces of this many UTF-16 code units.
inline constexpr size_t kTextReadBufferUnits = 0x100000;

// The first piece in which the text reader pulls a stream, in bytes; later
// pieces double up to kTextReadBufferUnits * 2.
inline constexpr size_t kTextReadFirstPiece = 64 * 1024;

// Binary form: writer buffer, in bytes.
inline constexpr size_t kBinaryWriteBufferSize = 64 * 1024;

}  // namespace xml
