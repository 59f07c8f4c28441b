#include "gui/shortcuts.h"

#include <array>

#include "runtime/strings.h"

namespace gui {

namespace {

struct KeyName {
    uint16_t key;
    const char* name;
};

// Keys whose names are not their own character (virtual-key codes).
constexpr std::array kKeyNames = {
    KeyName{0x08, "BkSp"},  KeyName{0x09, "Tab"},   KeyName{0x0D, "Enter"}, KeyName{0x1B, "Esc"},
    KeyName{0x20, "Space"}, KeyName{0x21, "PgUp"},  KeyName{0x22, "PgDn"},  KeyName{0x23, "End"},
    KeyName{0x24, "Home"},  KeyName{0x25, "Left"},  KeyName{0x26, "Up"},    KeyName{0x27, "Right"},
    KeyName{0x28, "Down"},  KeyName{0x2D, "Ins"},   KeyName{0x2E, "Del"},   KeyName{0x6A, "Num *"},
    KeyName{0x6B, "Num +"}, KeyName{0x6D, "Num -"}, KeyName{0x6E, "Num ."}, KeyName{0x6F, "Num /"},
    KeyName{0xBA, ";"},     KeyName{0xBB, "="},     KeyName{0xBC, ","},     KeyName{0xBD, "-"},
    KeyName{0xBE, "."},     KeyName{0xBF, "/"},     KeyName{0xC0, "`"},     KeyName{0xDB, "["},
    KeyName{0xDC, "\\"},    KeyName{0xDD, "]"},     KeyName{0xDE, "'"},
};
static_assert(kKeyNames.size() == 31, "named keys");

struct Modifier {
    TShortCut bit;
    const char* name;
};
constexpr std::array kModifiers = {Modifier{scShift, "Shift+"}, Modifier{scCtrl, "Ctrl+"},
                                   Modifier{scAlt, "Alt+"}};

std::string KeyText(uint16_t key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return std::string(1, static_cast<char>(key));
    if (key >= 0x70 && key <= 0x87) return "F" + std::to_string(key - 0x70 + 1);
    if (key >= 0x60 && key <= 0x69) return "Num " + std::to_string(key - 0x60);
    for (const KeyName& k : kKeyNames)
        if (k.key == key) return k.name;
    return {};
}

}  // namespace

TShortCut MakeShortCut(uint16_t key, runtime::TShiftState shift) {
    if ((key & 0xFF00) != 0) return 0;
    TShortCut s = key;
    if (shift.Contains(runtime::ssShift)) s |= scShift;
    if (shift.Contains(runtime::ssCtrl)) s |= scCtrl;
    if (shift.Contains(runtime::ssAlt)) s |= scAlt;
    return s;
}

void ShortCutToKey(TShortCut shortCut, uint16_t& key, runtime::TShiftState& shift) {
    key = shortCut & 0xFF;
    shift = {};
    if (shortCut & scShift) shift.Include(runtime::ssShift);
    if (shortCut & scCtrl) shift.Include(runtime::ssCtrl);
    if (shortCut & scAlt) shift.Include(runtime::ssAlt);
}

std::string ShortCutToText(TShortCut shortCut) {
    const std::string key = KeyText(shortCut & 0xFF);
    if (key.empty()) return {};
    std::string text;
    for (const Modifier& m : kModifiers)
        if (shortCut & m.bit) text += m.name;
    return text + key;
}

TShortCut TextToShortCut(std::string_view text) {
    TShortCut modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const Modifier& m : kModifiers) {
            const std::string_view name(m.name);
            if (text.size() > name.size() && runtime::SameText(text.substr(0, name.size()), name)) {
                modifiers |= m.bit;
                text.remove_prefix(name.size());
                found = true;
            }
        }
    }
    for (uint16_t key = 1; key < 0x100; ++key) {
        const std::string name = KeyText(key);
        if (!name.empty() && runtime::SameText(name, text)) return modifiers | key;
    }
    return 0;
}

}  // namespace gui
