#pragma once

// Variant: the class library's tagged value, with OLE's type codes.
//
// Numbers, Booleans and dates are stored inline (no allocation); 8-bit and
// wide strings are shared immutable buffers (copy on write); arrays are
// copied on assignment, as the class library's variant arrays are.
//
// Rules where the class library leaves room (each row is tested):
//
// Conversions
//   string -> number      through the locale: integer text (StrToInt64:
//                         decimal, "$FF", "0xFF") or float text (StrToFloat,
//                         the locale's decimal separator), blanks around
//                         allowed; EVariantTypeCastError when the text is no
//                         number ("" included)
//   string -> Date        numeric text is a day number, other text a date
//                         and time in the locale's format (StrToDateTime)
//   Boolean -> number     True = -1, False = 0
//   number -> Boolean     non-zero is True
//   string -> Boolean     "True"/"False" (any case) or a number
//   float -> integer      banker's rounding (2.5 -> 2, 3.5 -> 4); out of
//                         range (NaN included) raises EVariantOverflowError
//   integer -> narrower   out of range raises EVariantOverflowError (Int64
//                         to Integer, Integer to Byte, ...), never truncates
//   Empty -> number/str   0 / "" (Boolean False, Date 0)
//   Null -> anything      EVariantTypeCastError ("Could not convert variant
//                         of type (Null) into type (...)"); AsType(varNull),
//                         AsType(varEmpty) and AsType(varVariant) never fail
//   number -> string      IntToStr; Double FloatToStr (15 digits, locale
//                         separator); Single 7 significant digits; Currency
//                         CurrToStr; Date DateTimeToStr; "True"/"False"
//   Date range            1 Jan 100 .. 31 Dec 9999 (OLE's); a Date outside
//                         it converted to a Date or a string, or made by
//                         date arithmetic, raises EVariantOverflowError
//   8-bit <-> wide        through the system code page (AnsiToWide)
//   Array, Dispatch,      convert only to their own type (Dispatch also to
//   Error                 Unknown; Empty gives an empty Dispatch); anything
//                         else EVariantTypeCastError
//
// Operators
//   a op b, Null operand  Null (comparisons: Null equals only Null)
//   Empty operand         0 beside numbers, "" beside a string, False beside
//                         a Boolean in and/or/xor; Empty + Empty = Integer 0
//   8-bit + 8-bit         8-bit; 8-bit + wide = wide (Empty counts as "")
//   string + number       number when the string is numeric text, otherwise
//                         EVariantTypeCastError (as the class library does);
//                         the same for - * / div mod and both-string - * /
//   integer results       Integer when the result fits 32 bits and no
//                         operand is Int64; else Int64 (overflow promotes to
//                         Int64, then to Double); Smallint, Byte, Word,
//                         LongWord and Boolean operands compute as integers
//   floats                Single or Double operand: Double result; an
//                         infinite or NaN result of finite operands raises
//                         EOverflow / EInvalidOp
//   Currency              with integers or Currency: + - * give Currency
//                         (overflow: EVariantOverflowError); with floats
//                         Double
//   Date                  Date + - number gives Date; Date - Date gives
//                         Double; * / with a Date give Double
//   x / y                 always Double; integer division by zero raises
//                         EDivByZero (div, mod); float division by zero
//                         raises EZeroDivide
//   div, mod              on integers (floats rounded as above); mod takes
//                         the sign of the dividend
//   and or xor not        logical when both operands are Boolean (a string
//                         or Empty beside a Boolean is read as a Boolean);
//                         otherwise bitwise on integers (True = -1)
//   shl shr               a 32-bit left operand shifts as 32 bits (count mod
//                         32, Integer result), an Int64 one as 64 bits; shr
//                         fills with zeros; no promotion
//   negation              Integer -2147483648 gives Int64, Int64's minimum
//                         Double; Boolean and small integers give Integer
//   Array, Dispatch,      in arithmetic or logic: EVariantInvalidOpError
//   Error operand
//
// Comparisons (VarCompareValue)
//   numbers               by value, exact between Int64 and Double; Dates
//                         and Currency as numbers; NaN is not ordered
//   Boolean               False < True against a Boolean; -1 / 0 against a
//                         number
//   strings               by code unit; 8-bit against wide compares as wide
//   string vs number      numerically when the string is numeric text,
//                         otherwise the string against the number's text
//   string vs Boolean     as Booleans when the string reads as one,
//                         otherwise against "True"/"False"
//   Empty                 as 0, "" or False beside those; equals Empty
//   Dispatch, Error       a Dispatch equals only the same object, an Error
//                         the same code; otherwise vrNotEqual
//   other mixes           an array, or a Dispatch or Error against another
//                         type (but Null): EVariantInvalidOpError
//
// Arrays
//   dimensions            1 to 64, any bounds (negative too); a dimension
//                         may be empty (high = low - 1); more than
//                         kVariantArrayMaxElements elements, a bad bound or
//                         an element type that is not a scalar type (or
//                         varVariant) raise EVariantArrayCreateError
//   new elements          Empty for varVariant, else the type's zero ("" for
//                         strings, False, 0)
//   element writes        converted to the element type (AsType); a failed
//                         conversion leaves the element unchanged
//   indexes               a wrong count or an index out of bounds raises
//                         EVariantBadIndexError; a non-array raises
//                         EVariantNotAnArrayError
//   ArrayRedim            the last dimension's high bound; below low - 1
//                         raises EVariantInvalidArgError, a last dimension
//                         of more than 2^31 - 1 elements ERangeError

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/datetime.h"

namespace runtime {

using TVarType = uint16_t;

inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;
inline constexpr TVarType varDispatch = 0x0009;
inline constexpr TVarType varError = 0x000A;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varUnknown = 0x000D;
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varStrArg = 0x0048;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varAny = 0x0101;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;
inline constexpr TVarType varByRef = 0x4000;

// Limits of variant arrays (see the rule table).
inline constexpr int kVariantArrayMaxDims = 64;
inline constexpr int64_t kVariantArrayMaxElements = int64_t{1} << 26;

// An object reachable through late binding (OLE Automation on Windows).
// Variants of type varDispatch/varUnknown share ownership of one.
class IVariantDispatch {
  public:
    virtual ~IVariantDispatch() = default;
    // Reads a property or calls a method without arguments.
    virtual class Variant GetProperty(std::u16string_view name) = 0;
    virtual void SetProperty(std::u16string_view name, const class Variant& value) = 0;
    virtual class Variant Invoke(std::u16string_view name, std::span<class Variant> args) = 0;
    // A method called for its effect, without asking for a value (the base
    // asks and drops it).
    virtual void CallMethod(std::u16string_view name, std::span<class Variant> args);
    // Writes a property that takes arguments (Cells[1, 2] := v); without
    // arguments it is SetProperty. The base serves only that case and raises
    // EVariantDispatchError for arguments.
    virtual void SetIndexedProperty(std::u16string_view name, std::span<class Variant> args,
                                    const class Variant& value);
};

struct TVarArrayBound {
    int32_t LowBound;
    int32_t ElementCount;
};

// The shared, reference-counted payload of strings, arrays and dispatch
// holders (defined in variant_internal.h).
struct VariantHeap;

// Counts the memory that the texts of strings and the elements of arrays
// take, header included, from their allocation until they are freed,
// wherever that happens. While an account is current on a thread, every
// such allocation made there is charged to it; one that would take it
// beyond its limit raises EOutOfMemory ("Out of memory") instead, before
// anything is allocated. A script engine gives each program one, as Lua
// gives each state its allocator, so that a script cannot take the host's
// memory.
class VariantMemoryAccount {
  public:
    // A new account, with one reference for the caller.
    static VariantMemoryAccount* Create(size_t limit);
    VariantMemoryAccount(const VariantMemoryAccount&) = delete;
    VariantMemoryAccount& operator=(const VariantMemoryAccount&) = delete;
    void AddRef() noexcept;
    // Every value charged holds a reference too: the account lives until
    // the last of them is freed.
    void Release() noexcept;

    size_t Limit() const noexcept { return limit_.load(std::memory_order_relaxed); }
    void SetLimit(size_t limit) noexcept { limit_.store(limit, std::memory_order_relaxed); }
    // Bytes of the values alive.
    size_t Used() const noexcept { return used_.load(std::memory_order_relaxed); }
    // Bytes charged since the account was made (frees do not lower it).
    uint64_t TotalCharged() const noexcept { return total_.load(std::memory_order_relaxed); }

    // Called between the pieces of long operations (copying or filling
    // megabytes) on the threads where the account is current; it may raise
    // to end such an operation, which frees what it made first. A script
    // engine ends a stopped run there.
    using ProgressCheck = void (*)(void* context);
    void SetProgressCheck(ProgressCheck check, void* context) noexcept {
        check_ = check;
        checkContext_ = context;
    }
    // The check of the account current on the calling thread, if any.
    static void CheckProgress() {
        if (VariantMemoryAccount* account = Current(); account != nullptr && account->check_)
            account->check_(account->checkContext_);
    }

    // The account charged on the calling thread; nullptr for none.
    static VariantMemoryAccount* Current() noexcept;
    // Makes an account (nullptr: none) current on the calling thread for
    // the life of the scope.
    class Scope {
      public:
        explicit Scope(VariantMemoryAccount* account) noexcept;
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        VariantMemoryAccount* previous_;
    };

  private:
    explicit VariantMemoryAccount(size_t limit) : limit_(limit) {}
    friend struct VariantMemoryCharge;

    std::atomic<size_t> limit_;
    std::atomic<size_t> used_{0};
    std::atomic<uint64_t> total_{0};
    std::atomic<int32_t> refs_{1};
    ProgressCheck check_ = nullptr;
    void* checkContext_ = nullptr;
};

class Variant {
  public:
    Variant() noexcept : type_(varEmpty) { v_.i64 = 0; }
    Variant(const Variant& other) : type_(other.type_), v_(other.v_) {
        if (HoldsHeap(type_)) ShareOrCopyHeap();
    }
    Variant(Variant&& other) noexcept : type_(other.type_), v_(other.v_) { other.type_ = varEmpty; }
    Variant& operator=(const Variant& other) {
        if (!HoldsHeap(type_) && !HoldsHeap(other.type_)) {
            type_ = other.type_;
            v_ = other.v_;
        } else if (this != &other) {
            Variant copy(other);
            Swap(copy);
        }
        return *this;
    }
    // `other` may live inside this Variant's array: it is taken before the
    // old value is released. Taking `other` first also makes a move into
    // itself keep the value, without a test.
    [[gnu::always_inline]] Variant& operator=(Variant&& other) noexcept {
        const uint64_t newType = other.type_;
        const Payload newValue = other.v_;
        other.type_ = varEmpty;
        const uint64_t oldType = type_;
        const Payload oldValue = v_;
        type_ = newType;
        v_ = newValue;
        if (HoldsHeap(oldType)) [[unlikely]]
            ReleaseHeap(static_cast<TVarType>(oldType), oldValue);
        return *this;
    }
    [[gnu::always_inline]] ~Variant() {
        if (HoldsHeap(type_)) [[unlikely]]
            ReleaseHeap(Type(), v_);
    }
    void Swap(Variant& other) noexcept {
        std::swap(type_, other.type_);
        std::swap(v_, other.v_);
    }
    // Makes the value Empty.
    void Clear() noexcept { *this = Variant(); }

    Variant(bool v) noexcept : type_(varBoolean) { v_.i64 = v ? 1 : 0; }
    Variant(int32_t v) noexcept : type_(varInteger) { v_.i64 = v; }    // varInteger
    Variant(int64_t v) noexcept : type_(varInt64) { v_.i64 = v; }      // varInt64
    Variant(uint32_t v) noexcept : type_(varLongWord) { v_.i64 = v; }  // varLongWord
    Variant(double v) noexcept : type_(varDouble) { v_.dbl = v; }      // varDouble
    Variant(const char* v);                                            // varString
    Variant(std::string_view v);                                       // varString
    Variant(const std::string& v);                                     // varString
    Variant(std::string&& v);                                          // varString
    Variant(const char16_t* v);                                        // varOleStr
    Variant(std::u16string_view v);                                    // varOleStr
    Variant(const std::u16string& v);                                  // varOleStr
    Variant(std::u16string&& v);                                       // varOleStr
    explicit Variant(std::shared_ptr<IVariantDispatch> v);             // varDispatch

    static Variant Null() noexcept { return RawInt(varNull, 0); }
    static Variant FromDate(TDateTime v) noexcept { return RawDouble(varDate, v); }  // varDate
    static Variant FromCurrency(int64_t scaledBy10000) noexcept {                    // varCurrency
        return RawInt(varCurrency, scaledBy10000);
    }
    static Variant FromSingle(float v) noexcept { return RawDouble(varSingle, double{v}); }
    static Variant FromSmallint(int16_t v) noexcept { return RawInt(varSmallint, v); }
    static Variant FromShortInt(int8_t v) noexcept { return RawInt(varShortInt, v); }
    static Variant FromByte(uint8_t v) noexcept { return RawInt(varByte, v); }
    static Variant FromWord(uint16_t v) noexcept { return RawInt(varWord, v); }
    static Variant FromError(int32_t scode) noexcept { return RawInt(varError, scode); }
    // A varString of the parts one after the other, built in one piece.
    static Variant JoinedString(std::initializer_list<std::string_view> parts);
    // A varString of `count` characters of the text of `source` from the
    // 0-based `offset` (both clamped to the text). A long part of a
    // varString shares its storage (never more than twice the part's size
    // stays allocated for it); a short one is copied.
    static Variant SubString(const Variant& source, size_t offset, size_t count);

    TVarType Type() const noexcept {
        return static_cast<TVarType>(type_);
    }  // with varArray when an array
    bool IsEmpty() const noexcept { return type_ == varEmpty; }
    bool IsNull() const noexcept { return type_ == varNull; }
    bool IsArray() const noexcept { return (type_ & varArray) != 0; }
    bool IsNumeric() const noexcept { return IsOrdinal() || IsFloat(); }  // ordinal or float
    bool IsOrdinal() const noexcept {  // integer types (not Boolean)
        return type_ < 64 && ((kOrdinalTypeBits >> type_) & 1) != 0;
    }
    bool IsFloat() const noexcept {  // Single, Double, Currency
        return type_ == varSingle || type_ == varDouble || type_ == varCurrency;
    }
    bool IsString() const noexcept {  // varString or varOleStr
        return type_ == varString || type_ == varOleStr;
    }

    // Conversions by the rules above; failures raise EVariantTypeCastError
    // or EVariantOverflowError.
    int32_t AsInteger() const {
        return type_ == varInteger ? static_cast<int32_t>(v_.i64) : ToInteger();
    }
    int64_t AsInt64() const {
        return type_ == varInteger || type_ == varInt64 ? v_.i64 : ToInt64();
    }
    double AsDouble() const { return type_ == varDouble ? v_.dbl : ToDouble(); }
    bool AsBoolean() const { return type_ == varBoolean ? v_.i64 != 0 : ToBoolean(); }
    TDateTime AsDate() const;
    int64_t AsCurrency() const;  // scaled by 10000
    std::string AsString() const;
    std::u16string AsWideString() const;
    std::shared_ptr<IVariantDispatch> AsDispatch() const;
    // The text of a varString / varOleStr value itself, shared with every
    // copy of the value: no conversion, no copy (and no terminating zero to
    // rely on). Empty for other types. Valid while the Variant (or a copy
    // of it) holds the value.
    std::optional<std::string_view> AnsiTextView() const noexcept;
    std::optional<std::u16string_view> WideTextView() const noexcept;
    // The narrower types, range-checked like AsInteger.
    int16_t AsSmallint() const;
    int8_t AsShortInt() const;
    uint8_t AsByte() const;
    uint16_t AsWord() const;
    uint32_t AsLongWord() const;
    float AsSingle() const;

    // A copy converted to `type` (VarAsType), by the rules above.
    Variant AsType(TVarType type) const;

    // ---- strings built in place ---------------------------------------------
    // The value becomes itself followed by `tail`, as `*this + tail` would
    // make it, when both are text (a string, or Empty counting as ""; an
    // 8-bit string followed by a wide one becomes wide). A text this
    // Variant alone holds grows in place, with room kept for what may
    // follow (growing geometrically); a shared one is copied once. `tail`
    // may be this very value. False, and nothing changes, when either is
    // not text.
    bool AppendText(const Variant& tail);
    // The same for several tails at once, added in order, when this value is
    // a string (not Empty): all are appended, or none when one is not text.
    bool AppendText(std::span<const Variant> tails);
    // The characters of a varString (varOleStr) value for writing in place:
    // a text that another Variant shares is copied first. Empty for any
    // other type. Valid until the value changes.
    std::span<char> MutableAnsiText();
    std::span<char16_t> MutableWideText();
    // Whether both hold the same value object: the same type and payload,
    // for strings the very same shared text.
    bool Identical(const Variant& other) const noexcept {
        return type_ == other.type_ && v_.i64 == other.v_.i64;
    }

    // ---- arrays -------------------------------------------------------------
    // Element type varVariant holds any Variant per element; other element
    // types convert on write.
    static Variant CreateArray(std::span<const TVarArrayBound> bounds, TVarType elementType);
    static Variant CreateArray(std::initializer_list<int32_t> lowHighPairs, TVarType elementType);
    // A varVariant array with bounds 0..size-1 holding the values (VarArrayOf).
    static Variant ArrayOf(std::span<const Variant> values);
    static Variant ArrayOf(std::initializer_list<Variant> values);
    int ArrayDimCount() const;             // 0 when not an array
    int32_t ArrayLowBound(int dim) const;  // dim counts from 1
    int32_t ArrayHighBound(int dim) const;
    TVarType ArrayElementType() const;  // varEmpty when not an array
    // Element access; indices out of bounds raise EVariantBadIndexError.
    Variant GetElement(std::span<const int32_t> indices) const;
    void SetElement(std::span<const int32_t> indices, const Variant& value);
    Variant GetElement(std::initializer_list<int32_t> indices) const;
    void SetElement(std::initializer_list<int32_t> indices, const Variant& value);
    // In-place reference to an element of a varVariant array (for nested
    // writes such as a[1][2] := x); nullptr when the array holds another
    // element type. Valid until the array is resized, reassigned or freed.
    Variant* ElementRef(std::span<const int32_t> indices);
    // Changes the high bound of the last dimension, keeping the elements.
    void ArrayRedim(int32_t highBound);

  private:
    union Payload {
        int64_t i64;        // integers, Boolean (0/1), Error, Currency (scaled)
        double dbl;         // Single, Double, Date
        VariantHeap* heap;  // strings, arrays, dispatch
    };

    static Variant RawInt(TVarType type, int64_t v) noexcept {
        Variant r;
        r.type_ = type;
        r.v_.i64 = v;
        return r;
    }
    static Variant RawDouble(TVarType type, double v) noexcept {
        Variant r;
        r.type_ = type;
        r.v_.dbl = v;
        return r;
    }

    // Types whose payload is a VariantHeap: OleStr, Dispatch, Unknown, and
    // every code from 64 up (varString, arrays; no other is ever stored).
    static constexpr uint64_t kHeapTypeBits =
        (uint64_t{1} << varOleStr) | (uint64_t{1} << varDispatch) | (uint64_t{1} << varUnknown);
    static constexpr bool HoldsHeap(uint64_t type) noexcept {
        // Numbers come first in the codes: one comparison settles them.
        return type >= varOleStr && (type >= 64 || ((kHeapTypeBits >> type) & 1) != 0);
    }
    static constexpr uint64_t kOrdinalTypeBits =
        (uint64_t{1} << varSmallint) | (uint64_t{1} << varInteger) | (uint64_t{1} << varShortInt) |
        (uint64_t{1} << varByte) | (uint64_t{1} << varWord) | (uint64_t{1} << varLongWord) |
        (uint64_t{1} << varInt64);
    void ShareOrCopyHeap();
    static void ReleaseHeap(TVarType type, Payload value) noexcept;
    int32_t ToInteger() const;
    int64_t ToInt64() const;
    double ToDouble() const;
    bool ToBoolean() const;

    // A whole word, so that copies read what was written in one piece (a
    // 2-byte store read back by an 8-byte load stalls the processor).
    uint64_t type_;
    Payload v_;

    friend struct VariantAccess;
    friend struct VariantInternals;
};

static_assert(sizeof(Variant) == 16);

enum class TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// The operators' inline fast paths (Integer with Integer); everything else
// goes to the general routines in variant_ops.cpp.
struct VariantAccess {
    enum class Op { Add, Subtract, Multiply, Divide, IntDivide, Modulus, And, Or, Xor, Shl, Shr };

    static bool BothInteger(const Variant& a, const Variant& b) noexcept {
        return a.type_ == varInteger && b.type_ == varInteger;
    }
    static int64_t Int(const Variant& v) noexcept { return v.v_.i64; }
    // A sum, difference or product of two Integers fits 64 bits.
    static Variant IntegerResult(int64_t r) noexcept {
        return r == static_cast<int32_t>(r) ? Variant(static_cast<int32_t>(r)) : Variant(r);
    }
    static Variant Binary(Op op, const Variant& a, const Variant& b);
    static TVariantRelationship Compare(const Variant& a, const Variant& b);
};

// ---- operators --------------------------------------------------------------
inline Variant operator+(const Variant& a, const Variant& b) {
    if (VariantAccess::BothInteger(a, b))
        return VariantAccess::IntegerResult(VariantAccess::Int(a) + VariantAccess::Int(b));
    return VariantAccess::Binary(VariantAccess::Op::Add, a, b);
}
inline Variant operator-(const Variant& a, const Variant& b) {
    if (VariantAccess::BothInteger(a, b))
        return VariantAccess::IntegerResult(VariantAccess::Int(a) - VariantAccess::Int(b));
    return VariantAccess::Binary(VariantAccess::Op::Subtract, a, b);
}
inline Variant operator*(const Variant& a, const Variant& b) {
    if (VariantAccess::BothInteger(a, b))
        return VariantAccess::IntegerResult(VariantAccess::Int(a) * VariantAccess::Int(b));
    return VariantAccess::Binary(VariantAccess::Op::Multiply, a, b);
}
// Always a float.
inline Variant operator/(const Variant& a, const Variant& b) {
    return VariantAccess::Binary(VariantAccess::Op::Divide, a, b);
}
// Integer pairs inline; a divisor of 0 (EDivByZero) or -1 (the quotient
// that does not fit) takes the general path.
inline Variant VarIntDiv(const Variant& a, const Variant& b) {  // div
    if (VariantAccess::BothInteger(a, b) && VariantAccess::Int(b) != 0 &&
        VariantAccess::Int(b) != -1)
        return Variant(static_cast<int32_t>(VariantAccess::Int(a) / VariantAccess::Int(b)));
    return VariantAccess::Binary(VariantAccess::Op::IntDivide, a, b);
}
inline Variant VarMod(const Variant& a, const Variant& b) {  // mod
    if (VariantAccess::BothInteger(a, b) && VariantAccess::Int(b) != 0 &&
        VariantAccess::Int(b) != -1)
        return Variant(static_cast<int32_t>(VariantAccess::Int(a) % VariantAccess::Int(b)));
    return VariantAccess::Binary(VariantAccess::Op::Modulus, a, b);
}
// Logical on Booleans, bitwise on integers.
inline Variant VarAnd(const Variant& a, const Variant& b) {
    return VariantAccess::Binary(VariantAccess::Op::And, a, b);
}
inline Variant VarOr(const Variant& a, const Variant& b) {
    return VariantAccess::Binary(VariantAccess::Op::Or, a, b);
}
inline Variant VarXor(const Variant& a, const Variant& b) {
    return VariantAccess::Binary(VariantAccess::Op::Xor, a, b);
}
inline Variant VarShl(const Variant& a, const Variant& b) {
    return VariantAccess::Binary(VariantAccess::Op::Shl, a, b);
}
inline Variant VarShr(const Variant& a, const Variant& b) {
    return VariantAccess::Binary(VariantAccess::Op::Shr, a, b);
}
Variant VarNot(const Variant& a);
Variant VarNeg(const Variant& a);

// Null is equal only to Null and not ordered against anything else
// (vrNotEqual). Strings compare by code unit order; a string against a
// number compares numerically when the string is numeric text.
inline TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
    if (VariantAccess::BothInteger(a, b)) {
        const int64_t x = VariantAccess::Int(a), y = VariantAccess::Int(b);
        return x == y  ? TVariantRelationship::vrEqual
               : x < y ? TVariantRelationship::vrLessThan
                       : TVariantRelationship::vrGreaterThan;
    }
    return VariantAccess::Compare(a, b);
}
inline bool operator==(const Variant& a, const Variant& b) {
    if (VariantAccess::BothInteger(a, b)) return VariantAccess::Int(a) == VariantAccess::Int(b);
    return VariantAccess::Compare(a, b) == TVariantRelationship::vrEqual;
}
inline bool operator<(const Variant& a, const Variant& b) {
    if (VariantAccess::BothInteger(a, b)) return VariantAccess::Int(a) < VariantAccess::Int(b);
    return VariantAccess::Compare(a, b) == TVariantRelationship::vrLessThan;
}
inline bool operator<=(const Variant& a, const Variant& b) {
    if (VariantAccess::BothInteger(a, b)) return VariantAccess::Int(a) <= VariantAccess::Int(b);
    const TVariantRelationship r = VariantAccess::Compare(a, b);
    return r == TVariantRelationship::vrLessThan || r == TVariantRelationship::vrEqual;
}
inline bool operator>(const Variant& a, const Variant& b) {
    if (VariantAccess::BothInteger(a, b)) return VariantAccess::Int(a) > VariantAccess::Int(b);
    return VariantAccess::Compare(a, b) == TVariantRelationship::vrGreaterThan;
}
inline bool operator>=(const Variant& a, const Variant& b) {
    if (VariantAccess::BothInteger(a, b)) return VariantAccess::Int(a) >= VariantAccess::Int(b);
    const TVariantRelationship r = VariantAccess::Compare(a, b);
    return r == TVariantRelationship::vrGreaterThan || r == TVariantRelationship::vrEqual;
}

// ---- helpers ------------------------------------------------------------------
// VarToStr: Null gives "" (not an error).
std::string VarToStr(const Variant& v);
std::u16string VarToWideStr(const Variant& v);
// True when the value's type (with varArray for arrays) is one of `types`.
inline bool VarIsType(const Variant& v, std::initializer_list<TVarType> types) {
    for (TVarType t : types)
        if (v.Type() == t) return true;
    return false;
}
// "Empty", "Null", "Smallint", "Integer", "Single", "Double", "Currency",
// "Date", "OleStr", "Dispatch", "Error", "Boolean", "Variant", "Unknown",
// "ShortInt", "Byte", "Word", "LongWord", "Int64", "StrArg", "String", "Any",
// "Array ..." (before the element type), "ByRef ..."; other codes as "$hhhh".
std::string VarTypeAsText(TVarType type);

}  // namespace runtime
