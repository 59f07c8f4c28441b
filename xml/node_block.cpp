#include "xml/node_block.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace xml {

namespace {

static_assert(std::endian::native == std::endian::little,
              "packed numbers are their values' low bytes");

using runtime::TVarType;

// How a kind's payload is stored.
enum class Form : uint8_t { None, Signed, Unsigned, Boolean, Float, Wide, Narrow, Bytes };

enum Kind : uint8_t {
    kEmpty,
    kNull,
    kSmallint,
    kInteger,
    kShortInt,
    kInt64,
    kCurrency,
    kByte,
    kWord,
    kLongWord,
    kBoolean,
    kSingle,
    kDouble,
    kDate,
    kWide,
    kNarrow,
    kAnsi,
    kByteArray,
    kKindCount
};

struct KindInfo {
    Kind kind;
    TVarType type;
    Form form;
    uint8_t size;  // of a number's payload
};

constexpr std::array<KindInfo, kKindCount> kKinds = {{
    {kEmpty, runtime::varEmpty, Form::None, 0},
    {kNull, runtime::varNull, Form::None, 0},
    {kSmallint, runtime::varSmallint, Form::Signed, 2},
    {kInteger, runtime::varInteger, Form::Signed, 4},
    {kShortInt, runtime::varShortInt, Form::Signed, 1},
    {kInt64, runtime::varInt64, Form::Signed, 8},
    {kCurrency, runtime::varCurrency, Form::Signed, 8},
    {kByte, runtime::varByte, Form::Unsigned, 1},
    {kWord, runtime::varWord, Form::Unsigned, 2},
    {kLongWord, runtime::varLongWord, Form::Unsigned, 4},
    {kBoolean, runtime::varBoolean, Form::Boolean, 1},
    {kSingle, runtime::varSingle, Form::Float, 4},
    {kDouble, runtime::varDouble, Form::Float, 8},
    {kDate, runtime::varDate, Form::Float, 8},
    {kWide, runtime::varOleStr, Form::Wide, 0},
    {kNarrow, runtime::varOleStr, Form::Narrow, 0},
    {kAnsi, runtime::varString, Form::Bytes, 0},
    {kByteArray, kXmlByteArrayType, Form::Bytes, 0},
}};

constexpr bool KindsMatchTheirIndexes() {
    for (size_t i = 0; i < kKinds.size(); ++i)
        if (kKinds[i].kind != i) return false;
    return true;
}
static_assert(KindsMatchTheirIndexes());

bool FitsNarrow(std::u16string_view text) {
    char16_t all = 0;
    for (char16_t unit : text) all |= unit;
    return all < 0x100;
}

Kind KindOf(const TXmlValue& value) {
    switch (value.Type()) {
        case runtime::varEmpty:
            return kEmpty;
        case runtime::varNull:
            return kNull;
        case runtime::varSmallint:
            return kSmallint;
        case runtime::varInteger:
            return kInteger;
        case runtime::varShortInt:
            return kShortInt;
        case runtime::varInt64:
            return kInt64;
        case runtime::varCurrency:
            return kCurrency;
        case runtime::varByte:
            return kByte;
        case runtime::varWord:
            return kWord;
        case runtime::varLongWord:
            return kLongWord;
        case runtime::varBoolean:
            return kBoolean;
        case runtime::varSingle:
            return kSingle;
        case runtime::varDouble:
            return kDouble;
        case runtime::varDate:
            return kDate;
        case runtime::varOleStr:
            return value.HoldsNarrowText() || FitsNarrow(value.WideText()) ? kNarrow : kWide;
        case runtime::varString:
            return kAnsi;
        default:
            return kByteArray;
    }
}

size_t TextLength(const TXmlValue& value) {
    return value.HoldsNarrowText() ? value.NarrowText().size()
           : value.HoldsWideText() ? value.WideText().size()
                                   : value.BytesText().size();
}

char* AlignForWide(char* out) {
    return out + (reinterpret_cast<uintptr_t>(out) & 1);
}

const char* AlignForWide(const char* in) {
    return in + (reinterpret_cast<uintptr_t>(in) & 1);
}

// The characters of a text value at `out` (wide ones aligned), as `kind`
// says; returns their end and sets `view` to them.
char* CopyChars(char* out, Kind kind, const TXmlValue& value, TXmlValue& view) {
    if (kind == kWide) {
        std::u16string_view text = value.WideText();
        out = AlignForWide(out);
        if (!text.empty()) std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
        view = TXmlValue::WideView({reinterpret_cast<const char16_t*>(out), text.size()});
        return out + text.size() * sizeof(char16_t);
    }
    if (kind == kNarrow) {
        char* start = out;
        if (value.HoldsNarrowText()) {
            std::string_view units = value.NarrowText();
            if (!units.empty()) std::memcpy(out, units.data(), units.size());
            out += units.size();
        } else {
            for (char16_t unit : value.WideText()) *out++ = static_cast<char>(unit);
        }
        view = TXmlValue::NarrowView({start, static_cast<size_t>(out - start)});
        return out;
    }
    std::string_view bytes = value.BytesText();
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    view = TXmlValue::BytesView(value.Type(), {out, bytes.size()});
    return out + bytes.size();
}

size_t CharBytes(Kind kind, size_t length) {
    return kind == kWide ? 1 + length * sizeof(char16_t) : length;
}

bool IsText(const KindInfo& info) {
    return info.form == Form::Wide || info.form == Form::Narrow || info.form == Form::Bytes;
}

// The kind byte's flag for a short record: a 2-byte name id and, for a
// text, a 2-byte length.
constexpr uint8_t kShort = 0x80;
static_assert(kKindCount <= kShort);

bool FitsShort(int32_t nameId, const KindInfo& info, size_t length) {
    return nameId >= INT16_MIN && nameId <= INT16_MAX && (!IsText(info) || length <= UINT16_MAX);
}

// Copies the low `size` bytes of `value` to `out` and returns their end.
template <class T>
char* Store(char* out, T value, size_t size) {
    std::memcpy(out, &value, size);
    return out + size;
}

// Reads `size` bytes into the low bytes of an integer, with the sign of
// the top one when `sign` is set.
const char* Load(const char* in, size_t size, bool sign, int64_t& value) {
    uint64_t bits = 0;
    std::memcpy(&bits, in, size);
    value = static_cast<int64_t>(bits);
    if (sign && size < 8) {
        const unsigned shift = 64 - 8 * static_cast<unsigned>(size);
        value = static_cast<int64_t>(bits << shift) >> shift;
    }
    return in + size;
}

}  // namespace

size_t PackedAttrBytes(int32_t nameId, const TXmlValue& value) {
    const Kind kind = KindOf(value);
    const KindInfo& info = kKinds[kind];
    const size_t length = IsText(info) ? TextLength(value) : 0;
    const size_t field = FitsShort(nameId, info, length) ? 2 : 4;
    size_t bytes = 1 + field + info.size;
    if (IsText(info)) bytes += field + CharBytes(kind, length);
    return bytes;
}

char* PackAttr(char* out, int32_t nameId, const TXmlValue& value) {
    const Kind kind = KindOf(value);
    const KindInfo& info = kKinds[kind];
    const size_t length = IsText(info) ? TextLength(value) : 0;
    const bool isShort = FitsShort(nameId, info, length);
    *out++ = static_cast<char>(kind | (isShort ? kShort : 0));
    out = Store(out, nameId, isShort ? 2 : 4);
    switch (info.form) {
        case Form::None:
            return out;
        case Form::Signed:
        case Form::Unsigned:
            return Store(out, value.IntegerPayload(), info.size);
        case Form::Boolean:
            return Store(out, value.IntegerPayload() != 0 ? 1 : 0, info.size);
        case Form::Float:
            if (info.size == sizeof(float))
                return Store(out, static_cast<float>(value.FloatPayload()), info.size);
            return Store(out, value.FloatPayload(), info.size);
        case Form::Wide:
        case Form::Narrow:
        case Form::Bytes: {
            out = Store(out, static_cast<uint32_t>(length), isShort ? 2 : 4);
            TXmlValue view;
            return CopyChars(out, kind, value, view);
        }
    }
    return out;
}

const char* UnpackAttr(const char* in, int32_t& nameId, TXmlValue& value) {
    const auto head = static_cast<uint8_t>(*in++);
    const bool isShort = (head & kShort) != 0;
    const KindInfo& info = kKinds[head & ~kShort];
    int64_t number;
    in = Load(in, isShort ? 2 : 4, true, number);
    nameId = static_cast<int32_t>(number);
    switch (info.form) {
        case Form::None:
            value = TXmlValue::Integer(info.type, 0);
            return in;
        case Form::Signed:
        case Form::Unsigned:
        case Form::Boolean:
            in = Load(in, info.size, info.form == Form::Signed, number);
            value = TXmlValue::Integer(info.type, number);
            return in;
        case Form::Float:
            if (info.size == sizeof(float)) {
                float payload;
                std::memcpy(&payload, in, sizeof payload);
                value = TXmlValue::Float(info.type, payload);
            } else {
                double payload;
                std::memcpy(&payload, in, sizeof payload);
                value = TXmlValue::Float(info.type, payload);
            }
            return in + info.size;
        case Form::Wide:
        case Form::Narrow:
        case Form::Bytes: {
            in = Load(in, isShort ? 2 : 4, false, number);
            const auto length = static_cast<size_t>(number);
            if (info.form == Form::Wide) {
                in = AlignForWide(in);
                value = TXmlValue::WideView({reinterpret_cast<const char16_t*>(in), length});
                return in + length * sizeof(char16_t);
            }
            value = info.form == Form::Narrow ? TXmlValue::NarrowView({in, length})
                                              : TXmlValue::BytesView(info.type, {in, length});
            return in + length;
        }
    }
    return in;
}

size_t PlacedTextBytes(const TXmlValue& value) {
    if (!value.HoldsWideText() && !value.HoldsNarrowText() && !value.HoldsBytes()) return 0;
    return CharBytes(KindOf(value), TextLength(value));
}

TXmlValue PlaceText(TXmlValue&& value, char*& out) {
    if (!value.HoldsWideText() && !value.HoldsNarrowText() && !value.HoldsBytes())
        return std::move(value);
    TXmlValue view;
    out = CopyChars(out, KindOf(value), value, view);
    return view;
}

}  // namespace xml
