#pragma once

// Caps on what the item and header stream readers accept, each with its
// reason. Lengths and counts are also checked against the bytes that remain
// before anything is allocated.

namespace controls::tree {

// Item records nest one level per generation and are read recursively: a
// crafted stream must not run the reader off the stack.
inline constexpr int kMaxItemStreamDepth = 256;

// The smallest item record (an unversioned one: text length, column count
// and child count): bounds a child count by the bytes that remain.
inline constexpr int kMinItemRecordBytes = 12;

// Styles written by an OnCellStyleSave handler have no known size, so their
// count cannot be bounded by the bytes left; a row never has more columns.
inline constexpr int kMaxStylesPerItem = 65536;

}  // namespace controls::tree
