#pragma once

// The exception classes of the tree family and their messages. The
// containers, the items and the header sections report misuse with these;
// nothing in the family shows a message box.

#include "runtime/exceptions.h"

namespace controls::tree {

using runtime::Exception;

RUNTIME_DECLARE_EXCEPTION(EGtListError, Exception);
RUNTIME_DECLARE_EXCEPTION(EGtStackError, Exception);
RUNTIME_DECLARE_EXCEPTION(EGtTreeError, Exception);
RUNTIME_DECLARE_EXCEPTION(EGtHeaderError, Exception);

inline constexpr const char* SGtListIndexError = "List index [%d] out of bounds...";
inline constexpr const char* SGtStackEmpty = "GtStack is empty.";
inline constexpr const char* SGtStackCapacity = "Invalid GtStack capacity.";
inline constexpr const char* SGtItemIndexError = "GtTree item index out of bounds.";
inline constexpr const char* SGtMoveToSubItem = "Can't move Item to one of its subitems.";
inline constexpr const char* SGtItemNotSpecified = "GtTree item not specified";
inline constexpr const char* SGtAssignFromAncestor = "Can't assign Item from one of its parents.";
inline constexpr const char* SGtAssignFromDescendant =
    "Can't assign Item from one of its subitems.";
inline constexpr const char* SGtInvalidSection = "Invalid section";
inline constexpr const char* SGtIndexOutOfBounds = "Index out of bounds";
inline constexpr const char* SGtNoScrollBar =
    "No scrollbar specified when attempting to create TGtScrollBarStyles instance";

}  // namespace controls::tree
