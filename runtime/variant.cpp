// Variant: lifetime, construction and the conversions of the rule table in
// variant.h. Operators are in variant_ops.cpp, arrays in variant_array.cpp.
#include "runtime/variant.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/strings.h"
#include "runtime/variant_internal.h"

namespace runtime {

namespace variant_internal {

namespace {

// OLE's date range: 1 Jan 100 up to the end of 31 Dec 9999 (negative dates
// carry their time of day as a fraction below the day, hence the open bound).
constexpr double kMinDateExclusive = -657435.0;
constexpr double kMaxDateExclusive = 2958466.0;

// Numeric and Boolean text is ASCII; a wide string with anything else in it
// is no number (and must not become one through a best-fit code page).
bool NarrowAscii(std::u16string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c >= 0x80) return false;
        out.push_back(static_cast<char>(c));
    }
    return true;
}

}  // namespace

double Number::AsDouble() const {
    switch (kind) {
        case Kind::Int:
            return static_cast<double>(i);
        case Kind::Currency:
            return static_cast<double>(i) / 10000.0;
        case Kind::Float:
        case Kind::Date:
            break;
    }
    return d;
}

bool ParseNumber(std::string_view text, Number& n) {
    int64_t i = 0;
    // A string Variant's number may have blanks on both sides ("7 " is 7).
    if (TryStrToInt64(TrimRight(text), i)) {
        n = Number{};
        n.i = i;
        return true;
    }
    double d = 0;
    if (TryStrToFloat(text, d)) {
        n = Number{};
        n.kind = Number::Kind::Float;
        n.d = d;
        return true;
    }
    return false;
}

bool ParseBoolean(std::string_view text, bool& value) {
    const std::string trimmed = Trim(text);
    if (SameText(trimmed, "True")) {
        value = true;
        return true;
    }
    if (SameText(trimmed, "False")) {
        value = false;
        return true;
    }
    Number n;
    if (!ParseNumber(text, n)) return false;
    value = n.kind == Number::Kind::Int ? n.i != 0 : n.d != 0;
    return true;
}

bool TextToNumber(const Variant& text, Number& n) {
    if (VariantInternals::Type(text) == varString)
        return ParseNumber(VariantInternals::Ansi(text), n);
    std::string narrow;
    return NarrowAscii(VariantInternals::Wide(text), narrow) && ParseNumber(narrow, n);
}

bool TextToBoolean(const Variant& text, bool& value) {
    if (VariantInternals::Type(text) == varString)
        return ParseBoolean(VariantInternals::Ansi(text), value);
    std::string narrow;
    return NarrowAscii(VariantInternals::Wide(text), narrow) && ParseBoolean(narrow, value);
}

double RoundBankers(double x) {
    double f = std::floor(x);
    const double rest = x - f;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(f, 2.0) != 0)) f += 1;
    return f;
}

int64_t DoubleToInt64(double x) {
    const double r = RoundBankers(x);
    // The upper bound 2^63 is exact as a double; NaN fails both tests.
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) ThrowOverflow();
    return static_cast<int64_t>(r);
}

int64_t CurrencyToInt64(int64_t scaled) {
    int64_t q = scaled / 10000;
    const int64_t r = scaled % 10000;
    const bool odd = (q & 1) != 0;
    if (r > 5000 || (r == 5000 && odd)) ++q;
    if (r < -5000 || (r == -5000 && odd)) --q;
    return q;
}

double CheckedDate(double days) {
    if (!(days > kMinDateExclusive && days < kMaxDateExclusive)) ThrowOverflow();
    return days;
}

std::string DoubleText(double value) {
    return FloatToStr(value);
}

void ThrowTypeCast(TVarType from, TVarType to) {
    throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(from) +
                                ") into type (" + VarTypeAsText(to) + ")");
}

void ThrowOverflow() {
    throw EVariantOverflowError("Variant overflow");
}

void ThrowInvalidOp() {
    throw EVariantInvalidOpError("Invalid variant operation");
}

}  // namespace variant_internal

using namespace variant_internal;
using V = VariantInternals;

namespace {

template <typename T>
T NarrowInteger(int64_t v) {
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) ThrowOverflow();
    return static_cast<T>(v);
}

// The value as an Int64 by the rule table; `target` names the requested
// type in the conversion error.
int64_t IntegerOf(const Variant& v, TVarType target) {
    const TVarType type = v.Type();
    switch (type) {
        case varEmpty:
            return 0;
        case varSmallint:
        case varInteger:
        case varShortInt:
        case varByte:
        case varWord:
        case varLongWord:
        case varInt64:
            return VariantInternals::Int(v);
        case varBoolean:
            return VariantInternals::Int(v) != 0 ? -1 : 0;
        case varSingle:
        case varDouble:
        case varDate:
            return DoubleToInt64(VariantInternals::Dbl(v));
        case varCurrency:
            return CurrencyToInt64(VariantInternals::Int(v));
        case varString:
        case varOleStr: {
            Number n;
            if (!TextToNumber(v, n)) ThrowTypeCast(type, target);
            return n.kind == Number::Kind::Int ? n.i : DoubleToInt64(n.d);
        }
        default:
            ThrowTypeCast(type, target);
    }
}

double DoubleOf(const Variant& v, TVarType target) {
    const TVarType type = v.Type();
    switch (type) {
        case varEmpty:
            return 0;
        case varSmallint:
        case varInteger:
        case varShortInt:
        case varByte:
        case varWord:
        case varLongWord:
        case varInt64:
            return static_cast<double>(VariantInternals::Int(v));
        case varBoolean:
            return VariantInternals::Int(v) != 0 ? -1 : 0;
        case varSingle:
        case varDouble:
        case varDate:
            return VariantInternals::Dbl(v);
        case varCurrency:
            return static_cast<double>(VariantInternals::Int(v)) / 10000.0;
        case varString:
        case varOleStr: {
            Number n;
            if (!TextToNumber(v, n)) ThrowTypeCast(type, target);
            return n.AsDouble();
        }
        default:
            ThrowTypeCast(type, target);
    }
}

// The text of a value that is not a string; `target` names the requested
// type (String or OleStr) in the conversion error.
std::string TextOf(const Variant& v, TVarType target) {
    const TVarType type = v.Type();
    switch (type) {
        case varEmpty:
            return {};
        case varSmallint:
        case varInteger:
        case varShortInt:
        case varByte:
        case varWord:
        case varLongWord:
        case varInt64:
            return IntToStr(VariantInternals::Int(v));
        case varBoolean:
            return VariantInternals::Int(v) != 0 ? "True" : "False";
        case varSingle:
            // A Single holds about 7 significant digits; 15 would show the
            // binary noise of its conversion to double (1.10000002384186).
            return FloatToStrF(VariantInternals::Dbl(v), TFloatFormat::ffGeneral, 7, 0);
        case varDouble:
            return DoubleText(VariantInternals::Dbl(v));
        case varCurrency:
            return CurrToStr(VariantInternals::Int(v));
        case varDate:
            return DateTimeToStr(CheckedDate(VariantInternals::Dbl(v)));
        case varString:
            return std::string(VariantInternals::Ansi(v));
        case varOleStr:
            return WideToAnsi(VariantInternals::Wide(v));
        default:
            ThrowTypeCast(type, target);
    }
}

}  // namespace

// ---- lifetime -----------------------------------------------------------------

Variant::Variant(const char* v) : Variant(std::string_view(v ? v : "")) {}
Variant::Variant(std::string_view v) : type_(varString) {
    v_.heap = AnsiHeap::Copy(v);
}
Variant::Variant(const std::string& v) : Variant(std::string_view(v)) {}
Variant::Variant(std::string&& v) : type_(varString) {
    v_.heap = AnsiHeap::Adopt(std::move(v));
}
Variant::Variant(const char16_t* v) : Variant(std::u16string_view(v ? v : u"")) {}
Variant::Variant(std::u16string_view v) : type_(varOleStr) {
    v_.heap = WideHeap::Copy(v);
}
Variant::Variant(const std::u16string& v) : Variant(std::u16string_view(v)) {}
Variant::Variant(std::u16string&& v) : type_(varOleStr) {
    v_.heap = WideHeap::Adopt(std::move(v));
}

Variant Variant::JoinedString(std::initializer_list<std::string_view> parts) {
    size_t size = 0;
    for (std::string_view part : parts) size += part.size();
    AnsiHeap* heap = AnsiHeap::Make(size);
    char* out = heap->MutableChars();
    try {
        for (std::string_view part : parts) {
            CopyInPieces(out, part.data(), part.size());
            out += part.size();
        }
    } catch (...) {
        AnsiHeap::Release(heap);
        throw;
    }
    return VariantInternals::MakeHeap(varString, heap);
}

Variant Variant::SubString(const Variant& source, size_t offset, size_t count) {
    if (source.type_ != varString) {
        const std::string text = source.AsString();
        offset = std::min(offset, text.size());
        return Variant(std::string_view(text).substr(offset, count));
    }
    auto& heap = *static_cast<AnsiHeap*>(source.v_.heap);
    offset = std::min(offset, heap.size);
    count = std::min(count, heap.size - offset);
    return VariantInternals::MakeHeap(varString, AnsiHeap::Part(heap, offset, count));
}
namespace {

bool IsTextType(uint64_t type) {
    return type == varString || type == varOleStr;
}

// The heap of `holder` followed by the tails (Heap::Append).
template <typename Heap>
void AppendTo(Variant& holder, std::span<const typename Heap::View> tails) {
    auto* heap = static_cast<Heap*>(V::Heap(holder));
    V::SetHeap(holder, Heap::Append(heap, tails));
}

// Tails whose views fit on the stack.
constexpr size_t kTailBatch = 16;

}  // namespace

bool Variant::AppendText(const Variant& tail) {
    if (type_ == varEmpty) {
        if (!IsTextType(tail.type_) && tail.type_ != varEmpty) return false;
        // "" + text is the text; "" + "" stays Empty's sum, the Integer 0.
        *this = IsTextType(tail.type_) ? tail : Variant(int32_t{0});
        return true;
    }
    return AppendText(std::span<const Variant>(&tail, 1));
}

bool Variant::AppendText(std::span<const Variant> tails) {
    if (!IsTextType(type_)) return false;
    bool anyWide = false;
    for (const Variant& tail : tails) {
        if (!IsTextType(tail.type_) && tail.type_ != varEmpty) return false;
        anyWide = anyWide || tail.type_ == varOleStr;
    }
    if (type_ == varString && anyWide) {
        // An 8-bit text followed by a wide one is wide.
        std::u16string wide = AnsiToWide(V::Ansi(*this));
        for (const Variant& tail : tails) {
            if (tail.type_ == varString) wide += AnsiToWide(V::Ansi(tail));
            if (tail.type_ == varOleStr) wide += V::Wide(tail);
        }
        *this = Variant(std::move(wide));
        return true;
    }
    // One growth for all the tails: the views of the pieces, and wide
    // copies of 8-bit ones joining a wide text.
    const size_t count = tails.size();
    if (type_ == varString) {
        std::string_view inlineViews[kTailBatch];
        std::vector<std::string_view> moreViews(count > kTailBatch ? count : 0);
        const std::span<std::string_view> views =
            count > kTailBatch ? std::span(moreViews) : std::span(inlineViews, count);
        for (size_t i = 0; i < count; ++i)
            if (tails[i].type_ == varString) views[i] = V::Ansi(tails[i]);
        AppendTo<AnsiHeap>(*this, std::span<const std::string_view>(views));
        return true;
    }
    std::vector<std::u16string> widened(count);
    std::vector<std::u16string_view> views(count);
    for (size_t i = 0; i < count; ++i) {
        if (tails[i].type_ == varOleStr) {
            views[i] = V::Wide(tails[i]);
        } else if (tails[i].type_ == varString) {
            widened[i] = AnsiToWide(V::Ansi(tails[i]));
            views[i] = widened[i];
        }
    }
    AppendTo<WideHeap>(*this, std::span<const std::u16string_view>(views));
    return true;
}

std::span<char> Variant::MutableAnsiText() {
    if (type_ != varString) return {};
    auto* heap = AnsiHeap::Unshared(static_cast<AnsiHeap*>(v_.heap));
    v_.heap = heap;
    return {heap->WritableChars(), heap->size};
}

std::span<char16_t> Variant::MutableWideText() {
    if (type_ != varOleStr) return {};
    auto* heap = WideHeap::Unshared(static_cast<WideHeap*>(v_.heap));
    v_.heap = heap;
    return {heap->WritableChars(), heap->size};
}

Variant::Variant(std::shared_ptr<IVariantDispatch> v) : type_(varDispatch) {
    v_.heap = new DispatchHeap(std::move(v));
}

void Variant::ShareOrCopyHeap() {
    if (IsArray()) {
        const ArrayHeap& source = *static_cast<const ArrayHeap*>(v_.heap);
        // Until the copy exists this Variant must not look like a holder of
        // the source's heap: its destructor would free it.
        type_ = varEmpty;
        VariantMemoryCharge charge(ArrayHeap::Bytes(source.bounds.size(), source.elements.size()));
        auto copy = std::make_unique<ArrayHeap>();
        copy->elementType = source.elementType;
        copy->bounds = source.bounds;
        copy->elements.reserve(source.elements.size());
        ArrayHeap::InPieces(source.elements.size(), [&](size_t from, size_t count) {
            copy->elements.insert(copy->elements.end(), source.elements.begin() + from,
                                  source.elements.begin() + from + count);
        });
        charge.HandTo(*copy);
        type_ = varArray | source.elementType;
        v_.heap = copy.release();
    } else {
        v_.heap->refs.fetch_add(1, std::memory_order_relaxed);
    }
}

void Variant::ReleaseHeap(TVarType type, Payload value) noexcept {
    switch (type) {
        case varString:
            AnsiHeap::Release(static_cast<AnsiHeap*>(value.heap));
            return;
        case varOleStr:
            WideHeap::Release(static_cast<WideHeap*>(value.heap));
            return;
        default:
            break;
    }
    if (value.heap->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    if ((type & varArray) != 0)
        delete static_cast<ArrayHeap*>(value.heap);
    else
        delete static_cast<DispatchHeap*>(value.heap);
}

// ---- conversions --------------------------------------------------------------

int32_t Variant::ToInteger() const {
    return NarrowInteger<int32_t>(IntegerOf(*this, varInteger));
}

int64_t Variant::ToInt64() const {
    return IntegerOf(*this, varInt64);
}

double Variant::ToDouble() const {
    return DoubleOf(*this, varDouble);
}

bool Variant::ToBoolean() const {
    switch (type_) {
        case varEmpty:
            return false;
        case varSmallint:
        case varInteger:
        case varShortInt:
        case varByte:
        case varWord:
        case varLongWord:
        case varInt64:
        case varBoolean:
        case varCurrency:
            return v_.i64 != 0;
        case varSingle:
        case varDouble:
        case varDate:
            return v_.dbl != 0;
        case varString:
        case varOleStr: {
            bool value = false;
            if (!TextToBoolean(*this, value)) ThrowTypeCast(type_, varBoolean);
            return value;
        }
        default:
            ThrowTypeCast(type_, varBoolean);
    }
}

int16_t Variant::AsSmallint() const {
    return NarrowInteger<int16_t>(IntegerOf(*this, varSmallint));
}
int8_t Variant::AsShortInt() const {
    return NarrowInteger<int8_t>(IntegerOf(*this, varShortInt));
}
uint8_t Variant::AsByte() const {
    return NarrowInteger<uint8_t>(IntegerOf(*this, varByte));
}
uint16_t Variant::AsWord() const {
    return NarrowInteger<uint16_t>(IntegerOf(*this, varWord));
}
uint32_t Variant::AsLongWord() const {
    return NarrowInteger<uint32_t>(IntegerOf(*this, varLongWord));
}

float Variant::AsSingle() const {
    const double d = DoubleOf(*this, varSingle);
    if (std::isfinite(d) && std::fabs(d) > FLT_MAX) ThrowOverflow();
    return static_cast<float>(d);
}

TDateTime Variant::AsDate() const {
    switch (type_) {
        case varDate:
            return v_.dbl;
        case varString:
        case varOleStr: {
            Number n;
            if (TextToNumber(*this, n)) return CheckedDate(n.AsDouble());
            TDateTime value = 0;
            if (!TryStrToDateTime(AsString(), value)) ThrowTypeCast(type_, varDate);
            return CheckedDate(value);
        }
        default:
            return CheckedDate(DoubleOf(*this, varDate));
    }
}

int64_t Variant::AsCurrency() const {
    int64_t scaled = 0;
    switch (type_) {
        case varCurrency:
            return v_.i64;
        case varSingle:
        case varDouble:
        case varDate:
            return DoubleToInt64(v_.dbl * 10000.0);
        case varString:
        case varOleStr: {
            Number n;
            if (!TextToNumber(*this, n)) ThrowTypeCast(type_, varCurrency);
            if (n.kind != Number::Kind::Int) return DoubleToInt64(n.d * 10000.0);
            if (__builtin_mul_overflow(n.i, int64_t{10000}, &scaled)) ThrowOverflow();
            return scaled;
        }
        default:
            if (__builtin_mul_overflow(IntegerOf(*this, varCurrency), int64_t{10000}, &scaled))
                ThrowOverflow();
            return scaled;
    }
}

std::string Variant::AsString() const {
    return TextOf(*this, varString);
}

std::u16string Variant::AsWideString() const {
    if (type_ == varOleStr) return std::u16string(VariantInternals::Wide(*this));
    return AnsiToWide(TextOf(*this, varOleStr));
}

std::optional<std::string_view> Variant::AnsiTextView() const noexcept {
    if (type_ != varString) return std::nullopt;
    return VariantInternals::Ansi(*this);
}

std::optional<std::u16string_view> Variant::WideTextView() const noexcept {
    if (type_ != varOleStr) return std::nullopt;
    return VariantInternals::Wide(*this);
}

void IVariantDispatch::CallMethod(std::u16string_view name, std::span<Variant> args) {
    (void)Invoke(name, args);
}

void IVariantDispatch::SetIndexedProperty(std::u16string_view name, std::span<Variant> args,
                                          const Variant& value) {
    if (!args.empty())
        throw EVariantDispatchError("The object has no property with arguments: " +
                                    WideToAnsi(name));
    SetProperty(name, value);
}

std::shared_ptr<IVariantDispatch> Variant::AsDispatch() const {
    if (type_ == varDispatch || type_ == varUnknown)
        return static_cast<const DispatchHeap*>(v_.heap)->object;
    if (type_ == varEmpty) return nullptr;
    ThrowTypeCast(type_, varDispatch);
}

Variant Variant::AsType(TVarType type) const {
    if (type == type_ || type == varVariant) return *this;
    switch (type) {
        case varEmpty:
            return Variant();
        case varNull:
            return Null();
        default:
            break;
    }
    if (IsArray()) ThrowTypeCast(type_, type);
    switch (type) {
        case varSmallint:
            return FromSmallint(AsSmallint());
        case varInteger:
            return Variant(AsInteger());
        case varSingle:
            return FromSingle(AsSingle());
        case varDouble:
            return Variant(AsDouble());
        case varCurrency:
            return FromCurrency(AsCurrency());
        case varDate:
            return FromDate(AsDate());
        case varOleStr:
            return Variant(AsWideString());
        case varString:
            return Variant(AsString());
        case varBoolean:
            return Variant(AsBoolean());
        case varShortInt:
            return FromShortInt(AsShortInt());
        case varByte:
            return FromByte(AsByte());
        case varWord:
            return FromWord(AsWord());
        case varLongWord:
            return Variant(AsLongWord());
        case varInt64:
            return Variant(AsInt64());
        case varDispatch:
            return Variant(AsDispatch());
        case varUnknown: {
            Variant result(AsDispatch());
            result.type_ = varUnknown;
            return result;
        }
        default:
            ThrowTypeCast(type_, type);
    }
}

// ---- helpers --------------------------------------------------------------------

std::string VarToStr(const Variant& v) {
    return v.IsNull() ? std::string() : v.AsString();
}

std::u16string VarToWideStr(const Variant& v) {
    return v.IsNull() ? std::u16string() : v.AsWideString();
}

std::string VarTypeAsText(TVarType type) {
    struct Name {
        TVarType type;
        const char* text;
    };
    static constexpr Name kNames[] = {
        {varEmpty, "Empty"},       {varNull, "Null"},       {varSmallint, "Smallint"},
        {varInteger, "Integer"},   {varSingle, "Single"},   {varDouble, "Double"},
        {varCurrency, "Currency"}, {varDate, "Date"},       {varOleStr, "OleStr"},
        {varDispatch, "Dispatch"}, {varError, "Error"},     {varBoolean, "Boolean"},
        {varVariant, "Variant"},   {varUnknown, "Unknown"}, {varShortInt, "ShortInt"},
        {varByte, "Byte"},         {varWord, "Word"},       {varLongWord, "LongWord"},
        {varInt64, "Int64"},       {varStrArg, "StrArg"},   {varString, "String"},
        {varAny, "Any"},
    };
    static_assert(std::size(kNames) == 22);

    const TVarType base = type & varTypeMask;
    std::string text = "$" + IntToHex(base, 4);
    for (const Name& name : kNames)
        if (name.type == base) text = name.text;
    if (type & varArray) text = "Array " + text;
    if (type & varByRef) text = "ByRef " + text;
    return text;
}

}  // namespace runtime
