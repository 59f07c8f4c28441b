#include "script/formatmask.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace script {

namespace {

constexpr char kFieldSeparator = ';';
constexpr char kNoSave = '0';
constexpr char kShownBlank = ' ';

// One position of the formatted text: an input character or a literal.
struct Slot {
    bool input;
    char literal;
};

struct ParsedMask {
    std::vector<Slot> slots;
    bool reverse = false;      // "!": optional positions fill from the right
    bool saveLiterals = true;  // the value already holds the literals
};

bool IsInputChar(char c) {
    constexpr std::string_view kInput = "LlAaCc09#";
    return kInput.find(c) != std::string_view::npos;
}

ParsedMask Parse(std::string_view editMask, const runtime::TFormatSettings& settings) {
    ParsedMask mask;
    size_t i = 0;
    for (; i < editMask.size(); ++i) {
        const char c = editMask[i];
        if (c == kFieldSeparator) break;
        switch (c) {
            case '\\':
                if (i + 1 < editMask.size()) mask.slots.push_back({false, editMask[++i]});
                break;
            case '!':
                mask.reverse = true;
                break;
            case '>':
            case '<':
                break;
            case ':':
                mask.slots.push_back({false, settings.TimeSeparator});
                break;
            case '/':
                mask.slots.push_back({false, settings.DateSeparator});
                break;
            case '_':
                mask.slots.push_back({false, ' '});
                break;
            default:
                mask.slots.push_back({IsInputChar(c), c});
                break;
        }
    }
    // The save field: its first character, "0" for a value without literals.
    if (i + 1 < editMask.size() && editMask[i + 1] == kNoSave) mask.saveLiterals = false;
    return mask;
}

void AppendBlanks(std::string& out, size_t count) {
    out.append(count, kShownBlank);
}

// The value holds the input characters only: they fill the input positions
// in order (from the last one backwards with "!"), literals go between them.
std::string PlaceInput(const ParsedMask& mask, std::string_view value) {
    std::string out;
    if (!mask.reverse) {
        size_t next = 0;
        for (const Slot& slot : mask.slots) {
            if (!slot.input)
                out += slot.literal;
            else if (next < value.size())
                out += value[next++];
            else
                out += kShownBlank;
        }
        out.append(value.substr(std::min(next, value.size())));
        return out;
    }
    // Built backwards, then turned around.
    size_t left = value.size();
    for (auto slot = mask.slots.rbegin(); slot != mask.slots.rend(); ++slot) {
        if (!slot->input)
            out += slot->literal;
        else if (left > 0)
            out += value[--left];
        else
            out += kShownBlank;
    }
    std::reverse(out.begin(), out.end());
    return std::string(value.substr(0, left)) + out;
}

// The value holds the literals too: each run of input positions takes the
// value's text up to the literal that follows the run, padded to the run's
// width (on the left with "!"). A literal the value lacks is supplied, and
// the run then takes at most its width.
std::string PadRuns(const ParsedMask& mask, std::string_view value) {
    std::string out;
    std::string_view rest = value;
    const std::vector<Slot>& slots = mask.slots;
    size_t i = 0;
    while (i < slots.size()) {
        if (!slots[i].input) {
            out += slots[i].literal;
            if (!rest.empty() && rest.front() == slots[i].literal) rest.remove_prefix(1);
            ++i;
            continue;
        }
        size_t end = i;
        while (end < slots.size() && slots[end].input) ++end;
        const size_t width = end - i;
        size_t taken = std::min(width, rest.size());
        if (end < slots.size()) {
            const size_t found = rest.find(slots[end].literal);
            if (found != std::string_view::npos) taken = found;
        }
        const std::string_view piece = rest.substr(0, taken);
        rest.remove_prefix(taken);
        const size_t padding = width > piece.size() ? width - piece.size() : 0;
        if (mask.reverse) AppendBlanks(out, padding);
        out += piece;
        if (!mask.reverse) AppendBlanks(out, padding);
        i = end;
    }
    out += rest;
    return out;
}

}  // namespace

std::string FormatMaskText(std::string_view editMask, std::string_view value) {
    return FormatMaskText(editMask, value, runtime::FormatSettings());
}

std::string FormatMaskText(std::string_view editMask, std::string_view value,
                           const runtime::TFormatSettings& settings) {
    const ParsedMask mask = Parse(editMask, settings);
    return mask.saveLiterals ? PadRuns(mask, value) : PlaceInput(mask, value);
}

}  // namespace script
