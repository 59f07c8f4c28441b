#pragma once

// The setter pattern of the class library's properties, written once.

#include <utility>

namespace gui {

// Stores `value` in `field` and runs `changed`; does nothing when the
// field holds the value already. True when it changed.
template <class T, class V, class Changed>
bool SetField(T& field, V&& value, Changed&& changed) {
    if (field == value) return false;
    field = std::forward<V>(value);
    changed();
    return true;
}

}  // namespace gui
