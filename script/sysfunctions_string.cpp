// The string category of the standard functions (ctString). Positions are
// 1-based. These run in the inner loops of page parsers, so arguments that
// hold 8-bit strings are read in place (ArgText) and results are built once.
// Every result stays within kMaxStringLength, and long texts are worked on
// in pieces whose work is charged to the run (Stop ends them promptly).
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/strings.h"
#include "runtime/variant.h"
#include "script/sysfunctions_handlers.h"

namespace script::sysfn {

using runtime::Variant;

namespace {

// The value as an 8-bit string: itself when it is one (shared, not copied).
Variant TextValue(const Variant& value) {
    return value.Type() == runtime::varString ? value : Variant(value.AsString());
}

// A result that is a part of `source`: the characters it copied (none when
// it shares the source's storage) are charged as work.
Variant ChargedPart(Variant part, std::string_view source) {
    const std::string_view text = *part.AnsiTextView();
    const bool shared = text.data() >= source.data() && text.data() < source.data() + source.size();
    if (!shared) ChargeWork(text.size());
    return part;
}

// s without `count` characters at 1-based `index`; nothing is removed when
// the index lies outside the text or the count is not positive (the class
// library's Delete rules). The argument's storage is shared with the
// script's variable and is never written: a cut at either end is a part of
// it (Variant::SubString), a cut in the middle is built in one pass.
Variant WithoutRange(const Variant& s, int64_t index, int64_t count) {
    const Variant text = TextValue(s);
    const std::string_view view = *text.AnsiTextView();
    const auto length = static_cast<int64_t>(view.size());
    if (index < 1 || index > length || count <= 0) return text;
    const int64_t removed = std::min(count, length - index + 1);
    const auto start = static_cast<size_t>(index - 1);
    const auto end = static_cast<size_t>(index - 1 + removed);
    if (start == 0) return ChargedPart(Variant::SubString(text, end, view.size() - end), view);
    if (end == view.size()) return ChargedPart(Variant::SubString(text, 0, start), view);
    ChargeWork(view.size() - (end - start));
    return Variant::JoinedString({view.substr(0, start), view.substr(end)});
}

// The 1-based place of `sub` in `s`, 0 when absent. The text is searched
// in pieces of starting places whose worst case (every place compared
// almost whole) is a few million character comparisons, so that a search
// for a long, nearly matching text cannot run away from Stop; what is
// scanned is charged as work.
int32_t PiecewisePos(std::string_view sub, std::string_view s) {
    const size_t m = sub.size();
    if (m == 0 || m > s.size()) return 0;
    const size_t lastStart = s.size() - m;
    const size_t places = std::max<size_t>(1, 4 * kWorkChunkBytes / m);
    for (size_t start = 0; start <= lastStart; start += places) {
        const size_t count = std::min(places, lastStart - start + 1);
        const std::string_view window = s.substr(start, count + m - 1);
        const size_t found = window.find(sub);
        ChargeWork(found == std::string_view::npos ? window.size() : found + m);
        if (found != std::string_view::npos) return static_cast<int32_t>(start + found + 1);
    }
    return 0;
}

}  // namespace

Variant Length(const SysCall& call) {
    const Variant value = call.Arg(0);
    if (value.IsArray())
        return Variant(
            static_cast<int32_t>(int64_t{value.ArrayHighBound(1)} - value.ArrayLowBound(1) + 1));
    if (const auto text = value.AnsiTextView()) return Variant(static_cast<int32_t>(text->size()));
    return Variant(static_cast<int32_t>(value.AsString().size()));
}

// The class library's Copy rules; a long part shares the text's storage.
Variant Copy(const SysCall& call) {
    const Variant text = TextValue(call.Arg(0));
    int64_t index = call.Arg(1).AsInteger();
    const int64_t count = call.Arg(2).AsInteger();
    const std::string_view view = *text.AnsiTextView();
    const auto length = static_cast<int64_t>(view.size());
    if (index < 1) index = 1;
    if (index > length || count <= 0) return Variant(std::string());
    const int64_t start = index - 1;
    return ChargedPart(Variant::SubString(text, static_cast<size_t>(start),
                                          static_cast<size_t>(std::min(count, length - start))),
                       view);
}

Variant Pos(const SysCall& call) {
    const ArgText sub(call.Arg(0));
    const ArgText text(call.Arg(1));
    return Variant(PiecewisePos(sub.View(), text.View()));
}

Variant Delete(const SysCall& call) {
    const int32_t index = call.Arg(1).AsInteger();
    const int32_t count = call.Arg(2).AsInteger();
    call.SetArg(0, WithoutRange(call.Arg(0), index, count));
    return Variant();
}

// The class library's Insert rules (a position below 1 inserts in front,
// one beyond the end appends), built in one pass.
Variant Insert(const SysCall& call) {
    const ArgText sub(call.Arg(0));
    const Variant target = TextValue(call.Arg(1));
    const std::string_view text = *target.AnsiTextView();
    const int64_t index = call.Arg(2).AsInteger();
    const size_t at = index < 1 ? 0 : std::min(static_cast<size_t>(index - 1), text.size());
    CheckTextLength(uint64_t{text.size()} + sub.View().size());
    call.SetArg(1, Variant::JoinedString({text.substr(0, at), sub.View(), text.substr(at)}));
    return Variant();
}

Variant Uppercase(const SysCall& call) {
    const ArgText text(call.Arg(0));
    return MapPieces(text.View(), [](std::string_view s) { return runtime::AnsiUpperCase(s); });
}

Variant Lowercase(const SysCall& call) {
    const ArgText text(call.Arg(0));
    return MapPieces(text.View(), [](std::string_view s) { return runtime::AnsiLowerCase(s); });
}

// Blanks and control characters cut at both ends; the rest shares the
// text's storage when it is long.
Variant Trim(const SysCall& call) {
    const Variant text = TextValue(call.Arg(0));
    const std::string_view view = *text.AnsiTextView();
    size_t first = 0, end = view.size();
    while (first < end && static_cast<unsigned char>(view[first]) <= ' ') ++first;
    while (end > first && static_cast<unsigned char>(view[end - 1]) <= ' ') --end;
    if (first == 0 && end == view.size()) return text;
    return ChargedPart(Variant::SubString(text, first, end - first), view);
}

// Lower case, then the first character and every character after a space
// upper-cased, by the locale's letters.
Variant NameCase(const SysCall& call) {
    const ArgText source(call.Arg(0));
    bool afterSpace = true;
    return MapPieces(source.View(), [&afterSpace](std::string_view piece) {
        std::string text = runtime::AnsiLowerCase(piece);
        for (char& c : text) {
            if (afterSpace) c = runtime::AnsiUpperCase(std::string_view(&c, 1))[0];
            afterSpace = c == ' ';
        }
        return text;
    });
}

Variant CompareText(const SysCall& call) {
    const ArgText a(call.Arg(0));
    const ArgText b(call.Arg(1));
    // The locale's comparison goes in one piece: its work is charged first.
    ChargeWork(uint64_t{a.View().size()} + b.View().size());
    return Variant(int32_t{runtime::AnsiCompareText(a.View(), b.View())});
}

Variant Chr(const SysCall& call) {
    return Variant(std::string(1, static_cast<char>(call.Arg(0).AsInt64() & 0xFF)));
}

Variant Ord(const SysCall& call) {
    const ArgText text(call.Arg(0));
    return Variant(int32_t{text.View().empty() ? 0 : static_cast<unsigned char>(text.View()[0])});
}

// A string is cut or extended to L characters (new characters are #0, never
// uninitialised memory; a negative L empties it) and keeps its 8-bit or
// wide type; anything else is taken as a Variant array whose last high
// bound becomes L - 1. A string beyond kMaxStringLength is refused before
// anything is allocated; an array is held to the program's memory.
Variant SetLength(const SysCall& call) {
    Variant value = call.Arg(0);
    const int32_t requested = call.Arg(1).AsInteger();
    const auto length = static_cast<size_t>(std::max(requested, int32_t{0}));
    if (value.Type() == runtime::varOleStr) {
        CheckTextLength(length);
        std::u16string text(value.WideTextView()->substr(0, length));
        text.resize(length, u'\0');
        value = Variant(std::move(text));
    } else if (value.Type() == runtime::varString) {
        const std::string_view text = *value.AnsiTextView();
        if (length <= text.size()) {
            value = ChargedPart(Variant::SubString(value, 0, length), text);
        } else {
            CheckTextLength(length);
            const std::string zeros(length - text.size(), '\0');
            value = Variant::JoinedString({text, zeros});
        }
    } else {
        const int64_t high = int64_t{requested} - 1;
        if (value.IsArray() && high >= value.ArrayLowBound(value.ArrayDimCount()))
            ChargeWork(
                sizeof(Variant) *
                static_cast<uint64_t>(high - value.ArrayLowBound(value.ArrayDimCount()) + 1));
        value.ArrayRedim(static_cast<int32_t>(std::max<int64_t>(high, INT32_MIN)));
    }
    call.SetArg(0, value);
    return Variant();
}

}  // namespace script::sysfn
