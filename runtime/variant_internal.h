#pragma once

// Internals shared by variant.cpp, variant_ops.cpp and variant_array.cpp:
// the heap payloads, raw access to a Variant's fields and the conversion
// primitives the operators reuse. Not part of the runtime's interface.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/variant.h"

namespace runtime {

struct VariantHeap {
    // Arrays are copied on assignment and keep this at 1; strings and
    // dispatch holders are shared between copies.
    std::atomic<int32_t> refs{1};
    virtual ~VariantHeap() = default;
};

namespace variant_internal {

struct AnsiHeap final : VariantHeap {
    explicit AnsiHeap(std::string s) : text(std::move(s)) {}
    const std::string text;
};

struct WideHeap final : VariantHeap {
    explicit WideHeap(std::u16string s) : text(std::move(s)) {}
    const std::u16string text;
};

struct DispatchHeap final : VariantHeap {
    explicit DispatchHeap(std::shared_ptr<IVariantDispatch> p) : object(std::move(p)) {}
    const std::shared_ptr<IVariantDispatch> object;
};

struct ArrayHeap final : VariantHeap {
    TVarType elementType = varVariant;
    std::vector<TVarArrayBound> bounds;  // dimension 1 first
    std::vector<Variant> elements;       // dimension 1 varies fastest
};

// A number read from a Variant or from text, for the operators.
struct Number {
    enum class Kind { Int, Float, Currency, Date };
    Kind kind = Kind::Int;
    bool int64 = false;  // came from an Int64: integer results stay Int64
    int64_t i = 0;       // Int, Currency (scaled by 10000)
    double d = 0;        // Float, Date
    double AsDouble() const;
};

// Reads numeric text by the rule table (integer text, else float text in
// the locale); false when it is no number.
[[nodiscard]] bool ParseNumber(std::string_view text, Number& n);
// "True"/"False" in any case, or a number (non-zero is True).
[[nodiscard]] bool ParseBoolean(std::string_view text, bool& value);
// The same for a varString or varOleStr Variant.
[[nodiscard]] bool TextToNumber(const Variant& text, Number& n);
[[nodiscard]] bool TextToBoolean(const Variant& text, bool& value);

// Round half to even; the result is still a double.
double RoundBankers(double x);
// A rounded double as an Int64; EVariantOverflowError outside the range.
int64_t DoubleToInt64(double x);
// Currency (scaled by 10000) to the nearest integer, halves to even.
int64_t CurrencyToInt64(int64_t scaled);
// Checks that a Date value lies in OLE's date range.
double CheckedDate(double days);
// Text of a Double by the rule table (FloatToStr).
std::string DoubleText(double value);

[[noreturn]] void ThrowTypeCast(TVarType from, TVarType to);
[[noreturn]] void ThrowOverflow();
[[noreturn]] void ThrowInvalidOp();

}  // namespace variant_internal

// Raw access to a Variant's fields for the files above.
struct VariantInternals {
    static TVarType Type(const Variant& v) { return v.type_; }
    static int64_t Int(const Variant& v) { return v.v_.i64; }
    static double Dbl(const Variant& v) { return v.v_.dbl; }
    static VariantHeap* Heap(const Variant& v) { return v.v_.heap; }

    static Variant MakeInt(TVarType type, int64_t i) { return Variant::RawInt(type, i); }
    static Variant MakeDouble(TVarType type, double d) { return Variant::RawDouble(type, d); }
    // Takes over a fresh heap (refs 1).
    static Variant MakeHeap(TVarType type, VariantHeap* heap) {
        Variant r;
        r.type_ = type;
        r.v_.heap = heap;
        return r;
    }

    static const std::string& Ansi(const Variant& v) {
        return static_cast<const variant_internal::AnsiHeap*>(v.v_.heap)->text;
    }
    static const std::u16string& Wide(const Variant& v) {
        return static_cast<const variant_internal::WideHeap*>(v.v_.heap)->text;
    }
    static variant_internal::ArrayHeap& Array(const Variant& v) {
        return *static_cast<variant_internal::ArrayHeap*>(v.v_.heap);
    }
};

}  // namespace runtime
