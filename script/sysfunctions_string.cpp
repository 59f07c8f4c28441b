// The string category of the standard functions (ctString). Positions are
// 1-based. These run in the inner loops of page parsers, so arguments that
// hold 8-bit strings are read in place (ArgText) and results are built once.
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
    if (start == 0) return Variant::SubString(text, end, view.size() - end);
    if (end == view.size()) return Variant::SubString(text, 0, start);
    return Variant::JoinedString({view.substr(0, start), view.substr(end)});
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
    const auto length = static_cast<int64_t>(text.AnsiTextView()->size());
    if (index < 1) index = 1;
    if (index > length || count <= 0) return Variant(std::string());
    const int64_t start = index - 1;
    return Variant::SubString(text, static_cast<size_t>(start),
                              static_cast<size_t>(std::min(count, length - start)));
}

Variant Pos(const SysCall& call) {
    const ArgText sub(call.Arg(0));
    const ArgText text(call.Arg(1));
    return Variant(int32_t{runtime::Pos(sub.View(), text.View())});
}

Variant Delete(const SysCall& call) {
    const int32_t index = call.Arg(1).AsInteger();
    const int32_t count = call.Arg(2).AsInteger();
    call.SetArg(0, WithoutRange(call.Arg(0), index, count));
    return Variant();
}

Variant Insert(const SysCall& call) {
    const ArgText sub(call.Arg(0));
    std::string text = call.Arg(1).AsString();
    runtime::Insert(sub.View(), text, call.Arg(2).AsInteger());
    call.SetArg(1, Variant(std::move(text)));
    return Variant();
}

Variant Uppercase(const SysCall& call) {
    return Variant(runtime::AnsiUpperCase(ArgText(call.Arg(0)).View()));
}

Variant Lowercase(const SysCall& call) {
    return Variant(runtime::AnsiLowerCase(ArgText(call.Arg(0)).View()));
}

Variant Trim(const SysCall& call) {
    return Variant(runtime::Trim(ArgText(call.Arg(0)).View()));
}

// Lower case, then the first character and every character after a space
// upper-cased, by the locale's letters.
Variant NameCase(const SysCall& call) {
    std::string text = runtime::AnsiLowerCase(ArgText(call.Arg(0)).View());
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 0 || text[i - 1] == ' ')
            text[i] = runtime::AnsiUpperCase(std::string_view(&text[i], 1))[0];
    }
    return Variant(std::move(text));
}

Variant CompareText(const SysCall& call) {
    const ArgText a(call.Arg(0));
    const ArgText b(call.Arg(1));
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
// bound becomes L - 1.
Variant SetLength(const SysCall& call) {
    Variant value = call.Arg(0);
    const int32_t length = std::max(call.Arg(1).AsInteger(), int32_t{0});
    if (value.Type() == runtime::varOleStr) {
        std::u16string text = value.AsWideString();
        text.resize(static_cast<size_t>(length), u'\0');
        value = Variant(std::move(text));
    } else if (value.Type() == runtime::varString) {
        std::string text = value.AsString();
        text.resize(static_cast<size_t>(length), '\0');
        value = Variant(std::move(text));
    } else {
        const int64_t high = int64_t{call.Arg(1).AsInteger()} - 1;
        value.ArrayRedim(static_cast<int32_t>(std::max<int64_t>(high, INT32_MIN)));
    }
    call.SetArg(0, value);
    return Variant();
}

}  // namespace script::sysfn
