#pragma once

// Keyboard shortcuts: a virtual-key code with Shift, Ctrl and Alt bits, and
// their texts as menus show them ("Ctrl+S", "F1", "Shift+Del").

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/events.h"

namespace gui {

using TShortCut = uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

TShortCut MakeShortCut(uint16_t key, runtime::TShiftState shift);
void ShortCutToKey(TShortCut shortCut, uint16_t& key, runtime::TShiftState& shift);
// "" for 0 and for keys without a name.
std::string ShortCutToText(TShortCut shortCut);
// 0 for a text that names no shortcut.
TShortCut TextToShortCut(std::string_view text);

}  // namespace gui
