// Variant operators and comparison: the general cases behind the inline
// fast paths of variant.h, by the rule table there.
#include <cmath>
#include <cstdint>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "runtime/variant.h"
#include "runtime/variant_internal.h"

namespace runtime {

using namespace variant_internal;

namespace {

using Op = VariantAccess::Op;
using Kind = Number::Kind;
using Rel = TVariantRelationship;
using V = VariantInternals;

bool IsText(TVarType t) {
    return t == varString || t == varOleStr;
}

// An operand of arithmetic or logic as a number; Null is handled before.
Number NumberOf(const Variant& v) {
    const TVarType type = V::Type(v);
    Number n;
    switch (type) {
        case varEmpty:
            return n;
        case varSmallint:
        case varInteger:
        case varShortInt:
        case varByte:
        case varWord:
        case varLongWord:
            n.i = V::Int(v);
            return n;
        case varInt64:
            n.i = V::Int(v);
            n.int64 = true;
            return n;
        case varBoolean:
            n.i = V::Int(v) != 0 ? -1 : 0;
            return n;
        case varSingle:
        case varDouble:
            n.kind = Kind::Float;
            n.d = V::Dbl(v);
            return n;
        case varDate:
            n.kind = Kind::Date;
            n.d = V::Dbl(v);
            return n;
        case varCurrency:
            n.kind = Kind::Currency;
            n.i = V::Int(v);
            return n;
        case varString:
        case varOleStr:
            if (!TextToNumber(v, n)) ThrowTypeCast(type, varDouble);
            return n;
        default:
            ThrowInvalidOp();
    }
}

// A number as an integer for div, mod, shifts and bitwise operators.
int64_t IntegerOf(const Number& n) {
    switch (n.kind) {
        case Kind::Int:
            return n.i;
        case Kind::Currency:
            return CurrencyToInt64(n.i);
        case Kind::Float:
        case Kind::Date:
            break;
    }
    return DoubleToInt64(n.d);
}

Variant IntegerOrInt64(int64_t r, bool int64) {
    if (!int64 && r == static_cast<int32_t>(r)) return Variant(static_cast<int32_t>(r));
    return Variant(r);
}

// The hardware would trap here with the class library's floating-point
// exceptions unmasked; infinities and NaN that come in pass through.
double CheckedFloat(double r, double a, double b) {
    if (!std::isfinite(r) && std::isfinite(a) && std::isfinite(b)) {
        if (std::isnan(r)) throw EInvalidOp("Invalid floating point operation");
        throw EOverflow("Floating point overflow");
    }
    return r;
}

double FloatOp(Op op, double a, double b) {
    switch (op) {
        case Op::Add:
            return CheckedFloat(a + b, a, b);
        case Op::Subtract:
            return CheckedFloat(a - b, a, b);
        default:
            return CheckedFloat(a * b, a, b);
    }
}

// Currency arithmetic is exact on the scaled integers.
Variant CurrencyOp(Op op, const Number& a, const Number& b) {
    const bool aCurr = a.kind == Kind::Currency, bCurr = b.kind == Kind::Currency;
    __int128 r = 0;
    if (op == Op::Multiply) {
        r = static_cast<__int128>(a.i) * b.i;
        if (aCurr && bCurr) {
            // Both scaled: divide one scale out, halves to even.
            __int128 q = r / 10000, rest = r % 10000;
            const bool odd = (q & 1) != 0;
            if (rest > 5000 || (rest == 5000 && odd)) ++q;
            if (rest < -5000 || (rest == -5000 && odd)) --q;
            r = q;
        }
    } else {
        const __int128 x = aCurr ? a.i : static_cast<__int128>(a.i) * 10000;
        const __int128 y = bCurr ? b.i : static_cast<__int128>(b.i) * 10000;
        r = op == Op::Add ? x + y : x - y;
    }
    if (r < INT64_MIN || r > INT64_MAX) ThrowOverflow();
    return Variant::FromCurrency(static_cast<int64_t>(r));
}

Variant AddSubtractMultiply(Op op, const Number& a, const Number& b) {
    const bool anyDate = a.kind == Kind::Date || b.kind == Kind::Date;
    if (anyDate && op != Op::Multiply) {
        const double r = FloatOp(op, a.AsDouble(), b.AsDouble());
        if (op == Op::Subtract && a.kind == Kind::Date && b.kind == Kind::Date) return Variant(r);
        return Variant::FromDate(CheckedDate(r));
    }
    if (anyDate || a.kind == Kind::Float || b.kind == Kind::Float)
        return Variant(FloatOp(op, a.AsDouble(), b.AsDouble()));
    if (a.kind == Kind::Currency || b.kind == Kind::Currency) return CurrencyOp(op, a, b);

    int64_t r = 0;
    bool overflow = false;
    switch (op) {
        case Op::Add:
            overflow = __builtin_add_overflow(a.i, b.i, &r);
            break;
        case Op::Subtract:
            overflow = __builtin_sub_overflow(a.i, b.i, &r);
            break;
        default:
            overflow = __builtin_mul_overflow(a.i, b.i, &r);
            break;
    }
    if (overflow) return Variant(FloatOp(op, a.AsDouble(), b.AsDouble()));
    return IntegerOrInt64(r, a.int64 || b.int64);
}

Variant Divide(const Number& a, const Number& b) {
    const double x = a.AsDouble(), y = b.AsDouble();
    if (y == 0) throw EZeroDivide("Floating point division by zero");
    return Variant(CheckedFloat(x / y, x, y));
}

Variant IntDivideModulus(Op op, const Number& a, const Number& b) {
    const int64_t x = IntegerOf(a), y = IntegerOf(b);
    if (y == 0) throw EDivByZero("Division by zero");
    const bool int64 = a.int64 || b.int64;
    if (y == -1) {
        // The one quotient that does not fit: -(-2^63).
        if (op == Op::Modulus) return IntegerOrInt64(0, int64);
        if (x == INT64_MIN) return Variant(-static_cast<double>(x));
        return IntegerOrInt64(-x, int64);
    }
    return IntegerOrInt64(op == Op::IntDivide ? x / y : x % y, int64);
}

Variant Shift(Op op, const Number& a, const Number& b) {
    const int64_t x = IntegerOf(a), count = IntegerOf(b);
    if (!a.int64 && x == static_cast<int32_t>(x)) {
        const uint32_t bits = static_cast<uint32_t>(x);
        const unsigned n = static_cast<unsigned>(count & 31);
        return Variant(static_cast<int32_t>(op == Op::Shl ? bits << n : bits >> n));
    }
    const uint64_t bits = static_cast<uint64_t>(x);
    const unsigned n = static_cast<unsigned>(count & 63);
    return Variant(static_cast<int64_t>(op == Op::Shl ? bits << n : bits >> n));
}

// and/or/xor are logical when both operands are Booleans, or one is and the
// other is Empty or text (read as a Boolean).
bool LogicalOperands(const Variant& a, const Variant& b, bool& x, bool& y) {
    const TVarType ta = V::Type(a), tb = V::Type(b);
    const auto partner = [](TVarType t) { return t == varBoolean || t == varEmpty || IsText(t); };
    if (!((ta == varBoolean && partner(tb)) || (tb == varBoolean && partner(ta)))) return false;
    x = a.AsBoolean();
    y = b.AsBoolean();
    return true;
}

Variant Logic(Op op, const Variant& a, const Variant& b) {
    bool x = false, y = false;
    if (LogicalOperands(a, b, x, y)) {
        switch (op) {
            case Op::And:
                return Variant(x && y);
            case Op::Or:
                return Variant(x || y);
            default:
                return Variant(x != y);
        }
    }
    const Number na = NumberOf(a), nb = NumberOf(b);
    const int64_t i = IntegerOf(na), j = IntegerOf(nb);
    const int64_t r = op == Op::And ? (i & j) : op == Op::Or ? (i | j) : (i ^ j);
    return IntegerOrInt64(r, na.int64 || nb.int64);
}

// Both are text or Empty (as "").
Variant Concatenate(const Variant& a, const Variant& b) {
    if (V::Type(a) != varOleStr && V::Type(b) != varOleStr) {
        const auto text = [](const Variant& v) {
            return V::Type(v) == varString ? V::Ansi(v) : std::string_view();
        };
        return Variant::JoinedString({text(a), text(b)});
    }
    return Variant(a.AsWideString() + b.AsWideString());
}

// ---- comparison -------------------------------------------------------------------

template <typename T>
Rel Order(const T& x, const T& y) {
    return x == y ? Rel::vrEqual : x < y ? Rel::vrLessThan : Rel::vrGreaterThan;
}

Rel CompareIntDouble(int64_t i, double d) {
    if (std::isnan(d)) return Rel::vrNotEqual;
    if (d >= 9223372036854775808.0) return Rel::vrLessThan;
    if (d < -9223372036854775808.0) return Rel::vrGreaterThan;
    const double whole = std::trunc(d);
    const Rel r = Order(i, static_cast<int64_t>(whole));
    if (r != Rel::vrEqual) return r;
    return Order(0.0, d - whole);
}

Rel Reverse(Rel r) {
    switch (r) {
        case Rel::vrLessThan:
            return Rel::vrGreaterThan;
        case Rel::vrGreaterThan:
            return Rel::vrLessThan;
        default:
            return r;
    }
}

Rel CompareNumbers(const Number& a, const Number& b) {
    const bool aFloat = a.kind == Kind::Float || a.kind == Kind::Date;
    const bool bFloat = b.kind == Kind::Float || b.kind == Kind::Date;
    if (aFloat && bFloat) {
        if (std::isnan(a.d) || std::isnan(b.d)) return Rel::vrNotEqual;
        return Order(a.d, b.d);
    }
    if (aFloat || bFloat) {
        const Number& whole = aFloat ? b : a;
        const double d = aFloat ? a.d : b.d;
        // Currency against a float: scale the float, not the currency.
        const double scaled = whole.kind == Kind::Currency ? d * 10000.0 : d;
        const Rel r = CompareIntDouble(whole.i, scaled);
        return aFloat ? Reverse(r) : r;
    }
    if (a.kind == b.kind) return Order(a.i, b.i);
    const __int128 x = a.kind == Kind::Currency ? a.i : static_cast<__int128>(a.i) * 10000;
    const __int128 y = b.kind == Kind::Currency ? b.i : static_cast<__int128>(b.i) * 10000;
    return Order(x, y);
}

// Both are text (or Empty as "").
Rel CompareTexts(const Variant& a, const Variant& b) {
    const TVarType ta = V::Type(a), tb = V::Type(b);
    // Read in place: comparing long page texts copies nothing.
    if (ta != varOleStr && tb != varOleStr) {
        const std::string_view x = ta == varString ? V::Ansi(a) : std::string_view();
        const std::string_view y = tb == varString ? V::Ansi(b) : std::string_view();
        return Order(x, y);
    }
    if (ta == varOleStr && tb == varOleStr) return Order(V::Wide(a), V::Wide(b));
    return Order(a.AsWideString(), b.AsWideString());
}

// `text` is a string, `other` a number or Boolean.
Rel CompareTextWith(const Variant& text, const Variant& other) {
    if (V::Type(other) == varBoolean) {
        bool b = false;
        if (TextToBoolean(text, b)) return Order(b, other.AsBoolean());
    } else {
        Number n;
        if (TextToNumber(text, n)) return CompareNumbers(n, NumberOf(other));
    }
    return CompareTexts(text, Variant(other.AsString()));
}

// Dispatch holders, Unknowns and Errors compare only within their kind.
Rel CompareOpaque(const Variant& a, const Variant& b) {
    const TVarType ta = V::Type(a), tb = V::Type(b);
    const auto isObject = [](TVarType t) { return t == varDispatch || t == varUnknown; };
    if (isObject(ta) && isObject(tb))
        return a.AsDispatch() == b.AsDispatch() ? Rel::vrEqual : Rel::vrNotEqual;
    if (ta == varError && tb == varError)
        return V::Int(a) == V::Int(b) ? Rel::vrEqual : Rel::vrNotEqual;
    ThrowInvalidOp();
}

// Types that take part in arithmetic, logic and ordering: numbers, dates,
// Booleans, strings and Empty (Null is handled before).
constexpr uint64_t kPlainScalarBits =
    (uint64_t{1} << varEmpty) | (uint64_t{1} << varSmallint) | (uint64_t{1} << varInteger) |
    (uint64_t{1} << varSingle) | (uint64_t{1} << varDouble) | (uint64_t{1} << varCurrency) |
    (uint64_t{1} << varDate) | (uint64_t{1} << varOleStr) | (uint64_t{1} << varBoolean) |
    (uint64_t{1} << varShortInt) | (uint64_t{1} << varByte) | (uint64_t{1} << varWord) |
    (uint64_t{1} << varLongWord) | (uint64_t{1} << varInt64);

bool IsPlainScalar(TVarType t) {
    return t < 64 ? ((kPlainScalarBits >> t) & 1) != 0 : t == varString;
}

bool IsWholeNumber(TVarType t) {
    return t == varInteger || t == varInt64;
}

}  // namespace

Variant VariantAccess::Binary(Op op, const Variant& a, const Variant& b) {
    const TVarType ta = V::Type(a), tb = V::Type(b);
    // Script loops mostly meet Int64 and Double next to Integer: take those
    // pairs before the general rules.
    if (op == Op::Add || op == Op::Subtract || op == Op::Multiply) {
        if (IsWholeNumber(ta) && IsWholeNumber(tb)) {
            int64_t r = 0;
            const int64_t x = V::Int(a), y = V::Int(b);
            const bool overflow = op == Op::Add        ? __builtin_add_overflow(x, y, &r)
                                  : op == Op::Subtract ? __builtin_sub_overflow(x, y, &r)
                                                       : __builtin_mul_overflow(x, y, &r);
            if (!overflow) return IntegerOrInt64(r, ta == varInt64 || tb == varInt64);
        } else if ((ta == varDouble || tb == varDouble) && (ta == varDouble || IsWholeNumber(ta)) &&
                   (tb == varDouble || IsWholeNumber(tb))) {
            const double x = ta == varDouble ? V::Dbl(a) : static_cast<double>(V::Int(a));
            const double y = tb == varDouble ? V::Dbl(b) : static_cast<double>(V::Int(b));
            return Variant(FloatOp(op, x, y));
        }
    } else if ((op == Op::And || op == Op::Or || op == Op::Xor) && IsWholeNumber(ta) &&
               IsWholeNumber(tb)) {
        const int64_t x = V::Int(a), y = V::Int(b);
        const int64_t r = op == Op::And ? (x & y) : op == Op::Or ? (x | y) : (x ^ y);
        return IntegerOrInt64(r, ta == varInt64 || tb == varInt64);
    }
    if (ta == varNull || tb == varNull) return Variant::Null();
    if (!IsPlainScalar(ta) || !IsPlainScalar(tb)) ThrowInvalidOp();
    if (op == Op::Add && (IsText(ta) || IsText(tb)) && (IsText(ta) || ta == varEmpty) &&
        (IsText(tb) || tb == varEmpty))
        return Concatenate(a, b);
    if (op == Op::And || op == Op::Or || op == Op::Xor) return Logic(op, a, b);

    const Number x = NumberOf(a), y = NumberOf(b);
    switch (op) {
        case Op::Add:
        case Op::Subtract:
        case Op::Multiply:
            return AddSubtractMultiply(op, x, y);
        case Op::Divide:
            return Divide(x, y);
        case Op::IntDivide:
        case Op::Modulus:
            return IntDivideModulus(op, x, y);
        default:
            return Shift(op, x, y);
    }
}

TVariantRelationship VariantAccess::Compare(const Variant& a, const Variant& b) {
    const TVarType ta = V::Type(a), tb = V::Type(b);
    if (IsWholeNumber(ta) && IsWholeNumber(tb)) return Order(V::Int(a), V::Int(b));
    if (ta == varDouble && tb == varDouble) {
        if (std::isnan(V::Dbl(a)) || std::isnan(V::Dbl(b))) return Rel::vrNotEqual;
        return Order(V::Dbl(a), V::Dbl(b));
    }
    if (ta == varNull || tb == varNull) return ta == tb ? Rel::vrEqual : Rel::vrNotEqual;
    if (!IsPlainScalar(ta) || !IsPlainScalar(tb)) return CompareOpaque(a, b);

    const bool textA = IsText(ta) || ta == varEmpty, textB = IsText(tb) || tb == varEmpty;
    if (textA && textB) {
        if (ta == varEmpty && tb == varEmpty) return Rel::vrEqual;
        return CompareTexts(a, b);
    }
    if (IsText(ta)) return CompareTextWith(a, b);
    if (IsText(tb)) return Reverse(CompareTextWith(b, a));
    if (ta == varBoolean && (tb == varBoolean || tb == varEmpty))
        return Order(a.AsBoolean(), b.AsBoolean());
    if (tb == varBoolean && ta == varEmpty) return Order(false, b.AsBoolean());
    return CompareNumbers(NumberOf(a), NumberOf(b));
}

Variant VarNot(const Variant& a) {
    const TVarType type = V::Type(a);
    if (type == varNull) return Variant::Null();
    if (!IsPlainScalar(type)) ThrowInvalidOp();
    if (type == varBoolean) return Variant(!a.AsBoolean());
    const Number n = NumberOf(a);
    return IntegerOrInt64(~IntegerOf(n), n.int64);
}

Variant VarNeg(const Variant& a) {
    const TVarType type = V::Type(a);
    if (type == varNull) return Variant::Null();
    if (!IsPlainScalar(type)) ThrowInvalidOp();
    const Number n = NumberOf(a);
    switch (n.kind) {
        case Kind::Int:
            if (n.i == INT64_MIN) return Variant(-static_cast<double>(n.i));
            return IntegerOrInt64(-n.i, n.int64);
        case Kind::Currency:
            if (n.i == INT64_MIN) ThrowOverflow();
            return Variant::FromCurrency(-n.i);
        case Kind::Date:
            return Variant::FromDate(CheckedDate(-n.d));
        case Kind::Float:
            break;
    }
    return Variant(-n.d);
}

}  // namespace runtime
