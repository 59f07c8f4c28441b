// Variant scalars: the conversion, operator and comparison rows of the rule
// table in variant.h, under a "." and a "," decimal-separator locale.
#include "runtime/variant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/locale.h"
#include "runtime/variant_test_support.h"

namespace runtime {
namespace {

constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();
constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();
constexpr int64_t kMaxInt64 = std::numeric_limits<int64_t>::max();
constexpr int64_t kMinInt64 = std::numeric_limits<int64_t>::min();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// 1 Jan 2000.
constexpr double kY2K = 36526;

Variant I(int32_t v) {
    return Variant(v);
}
Variant I64(int64_t v) {
    return Variant(v);
}
Variant D(double v) {
    return Variant(v);
}
Variant S(const char* v) {
    return Variant(v);
}
Variant W(const char16_t* v) {
    return Variant(v);
}
Variant Curr(int64_t scaled) {
    return Variant::FromCurrency(scaled);
}
Variant Date(double v) {
    return Variant::FromDate(v);
}

TFormatSettings DotLocale() {
    return DefaultFormatSettings();
}

TFormatSettings CommaLocale() {
    TFormatSettings s = DefaultFormatSettings();
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    return s;
}

class FakeObject : public IVariantDispatch {
  public:
    Variant GetProperty(std::u16string_view) override { return Variant(); }
    void SetProperty(std::u16string_view, const Variant&) override {}
    Variant Invoke(std::u16string_view, std::span<Variant>) override { return Variant(); }
};

// ---- conversions ---------------------------------------------------------------

struct ConversionRow {
    std::string what;
    Variant in;
    TVarType to;
    Variant want;
    const char* raises = nullptr;
};

void RunConversions(const std::vector<ConversionRow>& rows) {
    for (const ConversionRow& row : rows)
        ExpectOutcome(
            row.what, [&] { return row.in.AsType(row.to); }, row.want, row.raises);
}

TEST(VariantConversion, RuleTableUnderDotLocale) {
    ScopedFormatSettings locale(DotLocale());
    const Variant nothing;
    RunConversions({
        // Empty -> number / string / Boolean.
        {"Empty to Integer", Variant(), varInteger, I(0)},
        {"Empty to String", Variant(), varString, S("")},
        {"Empty to Boolean", Variant(), varBoolean, Variant(false)},
        {"Empty to Double", Variant(), varDouble, D(0)},
        // Null converts only to Null, Empty and Variant.
        {"Null to Integer", Variant::Null(), varInteger, nothing, kCast},
        {"Null to String", Variant::Null(), varString, nothing, kCast},
        {"Null to Boolean", Variant::Null(), varBoolean, nothing, kCast},
        {"Null to Null", Variant::Null(), varNull, Variant::Null()},
        {"Null to Empty", Variant::Null(), varEmpty, Variant()},
        {"Null to Variant", Variant::Null(), varVariant, Variant::Null()},
        // Boolean -> number: True is -1.
        {"True to Integer", Variant(true), varInteger, I(-1)},
        {"False to Integer", Variant(false), varInteger, I(0)},
        {"True to Double", Variant(true), varDouble, D(-1)},
        {"True to Int64", Variant(true), varInt64, I64(-1)},
        {"True to Byte overflows", Variant(true), varByte, nothing, kOverflow},
        {"True to String", Variant(true), varString, S("True")},
        {"False to OleStr", Variant(false), varOleStr, W(u"False")},
        // number -> Boolean: non-zero is True.
        {"5 to Boolean", I(5), varBoolean, Variant(true)},
        {"0 to Boolean", I(0), varBoolean, Variant(false)},
        {"0.1 to Boolean", D(0.1), varBoolean, Variant(true)},
        {"Currency 0 to Boolean", Curr(0), varBoolean, Variant(false)},
        // string -> Boolean: True/False in any case, or a number.
        {"'True' to Boolean", S("True"), varBoolean, Variant(true)},
        {"'false' to Boolean", S("false"), varBoolean, Variant(false)},
        {"' TRUE ' to Boolean", S(" TRUE "), varBoolean, Variant(true)},
        {"'2' to Boolean", S("2"), varBoolean, Variant(true)},
        {"'0' to Boolean", S("0"), varBoolean, Variant(false)},
        {"'0.5' to Boolean", S("0.5"), varBoolean, Variant(true)},
        {"'yes' to Boolean", S("yes"), varBoolean, nothing, kCast},
        {"wide 'true' to Boolean", W(u"true"), varBoolean, Variant(true)},
        // string -> number through StrToInt64 / StrToFloat.
        {"'12' to Integer", S("12"), varInteger, I(12)},
        {"' 12 ' to Integer", S(" 12 "), varInteger, I(12)},
        {"'$FF' to Integer", S("$FF"), varInteger, I(255)},
        {"'0x10' to Integer", S("0x10"), varInteger, I(16)},
        {"'-7' to Int64", S("-7"), varInt64, I64(-7)},
        {"'1.5' to Integer", S("1.5"), varInteger, I(2)},
        {"'2.5' to Integer", S("2.5"), varInteger, I(2)},
        {"'1.5' to Double", S("1.5"), varDouble, D(1.5)},
        {"'1e3' to Double", S("1e3"), varDouble, D(1000)},
        {"'$FF' to Double", S("$FF"), varDouble, D(255)},
        {"'1,5' to Double", S("1,5"), varDouble, nothing, kCast},
        {"'abc' to Integer", S("abc"), varInteger, nothing, kCast},
        {"'' to Integer", S(""), varInteger, nothing, kCast},
        {"'' to Double", S(""), varDouble, nothing, kCast},
        {"'3000000000' to Integer", S("3000000000"), varInteger, nothing, kOverflow},
        {"'3000000000' to Int64", S("3000000000"), varInt64, I64(3000000000)},
        {"wide '42' to Integer", W(u"42"), varInteger, I(42)},
        {"wide full-width digits", W(u"\uFF14\uFF12"), varInteger, nothing, kCast},
        // float -> integer: banker's rounding, range checked.
        {"0.5 to Integer", D(0.5), varInteger, I(0)},
        {"1.5 to Integer", D(1.5), varInteger, I(2)},
        {"2.5 to Integer", D(2.5), varInteger, I(2)},
        {"3.5 to Integer", D(3.5), varInteger, I(4)},
        {"-2.5 to Integer", D(-2.5), varInteger, I(-2)},
        {"-3.5 to Integer", D(-3.5), varInteger, I(-4)},
        {"2.6 to Integer", D(2.6), varInteger, I(3)},
        {"2147483647.4 to Integer", D(2147483647.4), varInteger, I(kMaxInt)},
        {"2147483648 to Integer", D(2147483648.0), varInteger, nothing, kOverflow},
        {"NaN to Integer", D(kNaN), varInteger, nothing, kOverflow},
        {"1e300 to Int64", D(1e300), varInt64, nothing, kOverflow},
        {"32768 to Smallint", D(32768), varSmallint, nothing, kOverflow},
        {"-32768 to Smallint", D(-32768), varSmallint, Variant::FromSmallint(-32768)},
        {"Date to Integer", Date(kY2K + 0.5), varInteger, I(36526)},
        // integer -> narrower: range checked, never truncated.
        {"Int64 to Integer", I64(3000000000), varInteger, nothing, kOverflow},
        {"Int64 to LongWord", I64(3000000000), varLongWord, Variant(uint32_t{3000000000u})},
        {"-1 to LongWord", I(-1), varLongWord, nothing, kOverflow},
        {"256 to Byte", I(256), varByte, nothing, kOverflow},
        {"255 to Byte", I(255), varByte, Variant::FromByte(255)},
        {"-129 to ShortInt", I(-129), varShortInt, nothing, kOverflow},
        {"65535 to Word", I(65535), varWord, Variant::FromWord(65535)},
        {"LongWord to Int64", Variant(uint32_t{4000000000u}), varInt64, I64(4000000000)},
        // Currency.
        {"Currency 2.5 to Integer", Curr(25000), varInteger, I(2)},
        {"Currency 3.5 to Integer", Curr(35000), varInteger, I(4)},
        {"Currency -2.5 to Integer", Curr(-25000), varInteger, I(-2)},
        {"Currency to Double", Curr(25000), varDouble, D(2.5)},
        {"7 to Currency", I(7), varCurrency, Curr(70000)},
        {"1.23456 to Currency", D(1.23456), varCurrency, Curr(12346)},
        {"'2.5' to Currency", S("2.5"), varCurrency, Curr(25000)},
        {"Int64 max to Currency", I64(kMaxInt64), varCurrency, nothing, kOverflow},
        // number -> string.
        {"-42 to String", I(-42), varString, S("-42")},
        {"Int64 max to String", I64(kMaxInt64), varString, S("9223372036854775807")},
        {"1.5 to String", D(1.5), varString, S("1.5")},
        {"0.1 to String", D(0.1), varString, S("0.1")},
        {"1e20 to String", D(1e20), varString, S("1E20")},
        {"1/3 to String", D(1.0 / 3), varString, S("0.333333333333333")},
        {"Single 1.1 to String", Variant::FromSingle(1.1f), varString, S("1.1")},
        {"Currency to String", Curr(25000), varString, S("2.5")},
        {"Date to String", Date(kY2K), varString, S("1/1/2000")},
        {"Date and time to String", Date(kY2K + 0.5), varString, S("1/1/2000 12:00:00 PM")},
        {"1.5 to OleStr", D(1.5), varOleStr, W(u"1.5")},
        // Dates: OLE's range.
        {"45000 to Date", D(45000), varDate, Date(45000)},
        {"'45000' to Date", S("45000"), varDate, Date(45000)},
        {"'1/1/2000' to Date", S("1/1/2000"), varDate, Date(kY2K)},
        {"'abc' to Date", S("abc"), varDate, nothing, kCast},
        {"3e6 to Date", D(3e6), varDate, nothing, kOverflow},
        {"Date out of range to String", Date(3e6), varString, nothing, kOverflow},
        {"-657434 to Date", D(-657434), varDate, Date(-657434)},
        {"-657435 to Date", D(-657435), varDate, nothing, kOverflow},
        // Single.
        {"1e39 to Single", D(1e39), varSingle, nothing, kOverflow},
        {"1.5 to Single", D(1.5), varSingle, Variant::FromSingle(1.5f)},
        // 8-bit <-> wide through the system code page.
        {"e-acute to OleStr", S("\xE9"), varOleStr, W(u"\u00E9")},
        {"Euro to String", W(u"\u20AC"), varString, S("\x80")},
        // Error, Dispatch, Array convert only to themselves.
        {"Error to Integer", Variant::FromError(5), varInteger, nothing, kCast},
        {"Error to String", Variant::FromError(5), varString, nothing, kCast},
        {"Dispatch to Integer", Variant(std::make_shared<FakeObject>()), varInteger, nothing,
         kCast},
        {"Empty to Dispatch", Variant(), varDispatch, Variant(std::shared_ptr<IVariantDispatch>())},
        {"Array to Integer", Variant::ArrayOf({I(1)}), varInteger, nothing, kCast},
        {"Integer to Array", I(1), varArray | varInteger, nothing, kCast},
        {"unknown type code", I(1), 0x0E, nothing, kCast},
        {"Variant keeps the type", S("x"), varVariant, S("x")},
    });
}

TEST(VariantConversion, RuleTableUnderCommaLocale) {
    ScopedFormatSettings locale(CommaLocale());
    const Variant nothing;
    RunConversions({
        {"'1,5' to Double", S("1,5"), varDouble, D(1.5)},
        {"'1.5' to Double", S("1.5"), varDouble, nothing, kCast},
        {"'2,5' to Integer", S("2,5"), varInteger, I(2)},
        {"'3,5' to Integer", S("3,5"), varInteger, I(4)},
        {"wide '0,25' to Double", W(u"0,25"), varDouble, D(0.25)},
        {"'0,5' to Boolean", S("0,5"), varBoolean, Variant(true)},
        {"1.5 to String", D(1.5), varString, S("1,5")},
        {"1.5 to OleStr", D(1.5), varOleStr, W(u"1,5")},
        {"'12' to Integer", S("12"), varInteger, I(12)},
    });
}

TEST(VariantConversion, CastErrorNamesBothTypes) {
    const struct {
        Variant in;
        TVarType to;
        const char* message;
    } rows[] = {
        {Variant::Null(), varInteger,
         "Could not convert variant of type (Null) into type (Integer)"},
        {S("abc"), varDouble, "Could not convert variant of type (String) into type (Double)"},
        {W(u"abc"), varBoolean, "Could not convert variant of type (OleStr) into type (Boolean)"},
        {Variant::ArrayOf({}), varString,
         "Could not convert variant of type (Array Variant) into type (String)"},
    };
    for (const auto& row : rows) {
        try {
            (void)row.in.AsType(row.to);
            ADD_FAILURE() << row.message;
        } catch (const EVariantTypeCastError& e) {
            EXPECT_EQ(e.Message(), row.message);
        }
    }
}

TEST(VariantConversion, GettersMatchAsType) {
    // The typed getters apply the same rules and name their own type.
    EXPECT_EQ(S("2.5").AsInteger(), 2);
    EXPECT_EQ(S("  77 ").AsInt64(), 77);
    EXPECT_EQ(Variant(true).AsCurrency(), -10000);
    EXPECT_EQ(D(1.25).AsSingle(), 1.25f);
    EXPECT_EQ(I(200).AsByte(), 200);
    EXPECT_EQ(S("-5").AsShortInt(), -5);
    EXPECT_EQ(D(kY2K).AsDate(), kY2K);
    EXPECT_THROW((void)I(70000).AsWord(), EVariantOverflowError);
    EXPECT_THROW((void)S("x").AsSmallint(), EVariantTypeCastError);
    EXPECT_THROW((void)Variant::Null().AsBoolean(), EVariantTypeCastError);
    EXPECT_EQ(VarToStr(Variant::Null()), "");
    EXPECT_EQ(VarToWideStr(Variant::Null()), u"");
    EXPECT_EQ(VarToStr(I(3)), "3");
    EXPECT_THROW((void)VarToStr(Variant::FromError(1)), EVariantTypeCastError);
}

TEST(VariantConversion, TypeNames) {
    const struct {
        TVarType type;
        const char* text;
    } rows[] = {
        {varEmpty, "Empty"},
        {varSmallint, "Smallint"},
        {varOleStr, "OleStr"},
        {varLongWord, "LongWord"},
        {varString, "String"},
        {varArray | varVariant, "Array Variant"},
        {varByRef | varInteger, "ByRef Integer"},
        {0x0E, "$000E"},
    };
    for (const auto& row : rows) EXPECT_EQ(VarTypeAsText(row.type), row.text);
}

// ---- operators --------------------------------------------------------------------

enum class Op { Add, Sub, Mul, Div, IntDiv, Mod, And, Or, Xor, Shl, Shr };

Variant Apply(Op op, const Variant& a, const Variant& b) {
    switch (op) {
        case Op::Add:
            return a + b;
        case Op::Sub:
            return a - b;
        case Op::Mul:
            return a * b;
        case Op::Div:
            return a / b;
        case Op::IntDiv:
            return VarIntDiv(a, b);
        case Op::Mod:
            return VarMod(a, b);
        case Op::And:
            return VarAnd(a, b);
        case Op::Or:
            return VarOr(a, b);
        case Op::Xor:
            return VarXor(a, b);
        case Op::Shl:
            return VarShl(a, b);
        case Op::Shr:
            return VarShr(a, b);
    }
    return Variant();
}

struct OperatorRow {
    std::string what;
    Op op;
    Variant a, b;
    Variant want;
    const char* raises = nullptr;
};

void RunOperators(const std::vector<OperatorRow>& rows) {
    for (const OperatorRow& row : rows)
        ExpectOutcome(
            row.what, [&] { return Apply(row.op, row.a, row.b); }, row.want, row.raises);
}

TEST(VariantOperators, ArithmeticAndPromotion) {
    ScopedFormatSettings locale(DotLocale());
    const Variant nothing;
    const Variant object(std::make_shared<FakeObject>());
    RunOperators({
        // Integer results and overflow promotion (fast path and general path).
        {"2 + 3", Op::Add, I(2), I(3), I(5)},
        {"MaxInt + 1", Op::Add, I(kMaxInt), I(1), I64(2147483648)},
        {"MinInt - 1", Op::Sub, I(kMinInt), I(1), I64(-2147483649)},
        {"65536 * 65536", Op::Mul, I(65536), I(65536), I64(4294967296)},
        {"Int64 1 + 1 stays Int64", Op::Add, I64(1), I(1), I64(2)},
        {"Int64 max + 1", Op::Add, I64(kMaxInt64), I(1), D(9223372036854775808.0)},
        {"Int64 min - 1", Op::Sub, I64(kMinInt64), I(1), D(-9223372036854775808.0)},
        {"Int64 max * 2", Op::Mul, I64(kMaxInt64), I(2), D(18446744073709551614.0)},
        {"Byte + Byte", Op::Add, Variant::FromByte(200), Variant::FromByte(100), I(300)},
        {"Smallint * Word", Op::Mul, Variant::FromSmallint(-3), Variant::FromWord(7), I(-21)},
        {"LongWord + 1", Op::Add, Variant(uint32_t{4294967295u}), I(1), I64(4294967296)},
        {"True + 1", Op::Add, Variant(true), I(1), I(0)},
        {"True + True", Op::Add, Variant(true), Variant(true), I(-2)},
        // Empty.
        {"Empty + Empty", Op::Add, Variant(), Variant(), I(0)},
        {"Empty + 5", Op::Add, Variant(), I(5), I(5)},
        {"5 - Empty", Op::Sub, I(5), Variant(), I(5)},
        {"Empty + 'a'", Op::Add, Variant(), S("a"), S("a")},
        {"wide 'a' + Empty", Op::Add, W(u"a"), Variant(), W(u"a")},
        // Strings: concatenation, 8-bit with wide gives wide.
        {"'a' + 'b'", Op::Add, S("a"), S("b"), S("ab")},
        {"'a' + wide 'b'", Op::Add, S("a"), W(u"b"), W(u"ab")},
        {"wide 'a' + 'b'", Op::Add, W(u"a"), S("b"), W(u"ab")},
        {"e-acute + wide", Op::Add, S("\xE9"), W(u"!"), W(u"\u00E9!")},
        // string with number: numeric text, else a cast error.
        {"'5' + 1", Op::Add, S("5"), I(1), I(6)},
        {"1 + '5'", Op::Add, I(1), S("5"), I(6)},
        {"'1.5' + 1", Op::Add, S("1.5"), I(1), D(2.5)},
        {"wide '2' * 3", Op::Mul, W(u"2"), I(3), I(6)},
        {"'abc' + 1", Op::Add, S("abc"), I(1), nothing, kCast},
        {"'' + 1", Op::Add, S(""), I(1), nothing, kCast},
        {"'a' + True", Op::Add, S("a"), Variant(true), nothing, kCast},
        {"'3' - '1'", Op::Sub, S("3"), S("1"), I(2)},
        {"'3' * '2'", Op::Mul, S("3"), S("2"), I(6)},
        {"'7' / '2'", Op::Div, S("7"), S("2"), D(3.5)},
        {"'a' - 'b'", Op::Sub, S("a"), S("b"), nothing, kCast},
        // Null propagates.
        {"Null + 1", Op::Add, Variant::Null(), I(1), Variant::Null()},
        {"1 - Null", Op::Sub, I(1), Variant::Null(), Variant::Null()},
        {"Null + 'a'", Op::Add, Variant::Null(), S("a"), Variant::Null()},
        {"Null / 0", Op::Div, Variant::Null(), I(0), Variant::Null()},
        {"1 div Null", Op::IntDiv, I(1), Variant::Null(), Variant::Null()},
        {"Null and True", Op::And, Variant::Null(), Variant(true), Variant::Null()},
        {"Null shl 1", Op::Shl, Variant::Null(), I(1), Variant::Null()},
        // Floats give Double; an infinite result of finite operands raises.
        {"1.5 + 1", Op::Add, D(1.5), I(1), D(2.5)},
        {"Single + Single", Op::Add, Variant::FromSingle(1.5f), Variant::FromSingle(1.5f), D(3)},
        {"1e308 * 10", Op::Mul, D(1e308), I(10), nothing, "EOverflow"},
        {"1e308 + 1e308", Op::Add, D(1e308), D(1e308), nothing, "EOverflow"},
        {"'1e308' * 10", Op::Mul, S("1e308"), I(10), nothing, "EOverflow"},
        // Division.
        {"7 / 2", Op::Div, I(7), I(2), D(3.5)},
        {"6 / 3", Op::Div, I(6), I(3), D(2)},
        {"1 / 0", Op::Div, I(1), I(0), nothing, "EZeroDivide"},
        {"1.0 / 0.0", Op::Div, D(1), D(0), nothing, "EZeroDivide"},
        {"0 / 0", Op::Div, I(0), I(0), nothing, "EZeroDivide"},
        {"1e300 / 1e-300", Op::Div, D(1e300), D(1e-300), nothing, "EOverflow"},
        {"7 div 2", Op::IntDiv, I(7), I(2), I(3)},
        {"-7 div 2", Op::IntDiv, I(-7), I(2), I(-3)},
        {"7 mod 2", Op::Mod, I(7), I(2), I(1)},
        {"-7 mod 2", Op::Mod, I(-7), I(2), I(-1)},
        {"7 mod -2", Op::Mod, I(7), I(-2), I(1)},
        {"7.5 div 2", Op::IntDiv, D(7.5), I(2), I(4)},
        {"'7' div '2'", Op::IntDiv, S("7"), S("2"), I(3)},
        {"1 div 0", Op::IntDiv, I(1), I(0), nothing, "EDivByZero"},
        {"1 mod 0", Op::Mod, I(1), I(0), nothing, "EDivByZero"},
        {"1 div 0.4", Op::IntDiv, I(1), D(0.4), nothing, "EDivByZero"},
        {"MinInt div -1", Op::IntDiv, I(kMinInt), I(-1), I64(2147483648)},
        {"Int64 min div -1", Op::IntDiv, I64(kMinInt64), I(-1), D(9223372036854775808.0)},
        {"Int64 min mod -1", Op::Mod, I64(kMinInt64), I(-1), I64(0)},
        {"Int64 div", Op::IntDiv, I64(10), I(3), I64(3)},
        // Currency stays exact with integers and Currency.
        {"Currency + 1", Op::Add, Curr(15000), I(1), Curr(25000)},
        {"Currency - Currency", Op::Sub, Curr(15000), Curr(5000), Curr(10000)},
        {"Currency * 3", Op::Mul, Curr(15000), I(3), Curr(45000)},
        {"Currency * Currency", Op::Mul, Curr(15000), Curr(15000), Curr(22500)},
        {"Currency * Currency half to even (0)", Op::Mul, Curr(1), Curr(5000), Curr(0)},
        {"Currency * Currency half to even (2)", Op::Mul, Curr(3), Curr(5000), Curr(2)},
        {"Currency + 0.5", Op::Add, Curr(15000), D(0.5), D(2)},
        {"Currency / 2", Op::Div, Curr(15000), I(2), D(0.75)},
        {"Currency overflow", Op::Add, Curr(kMaxInt64), Curr(1), nothing, kOverflow},
        // Dates.
        {"Date + 1", Op::Add, Date(kY2K), I(1), Date(kY2K + 1)},
        {"1 + Date", Op::Add, I(1), Date(kY2K), Date(kY2K + 1)},
        {"Date - 0.5", Op::Sub, Date(kY2K), D(0.5), Date(kY2K - 0.5)},
        {"Date - Date", Op::Sub, Date(kY2K + 2), Date(kY2K), D(2)},
        {"Date * 2", Op::Mul, Date(2), I(2), D(4)},
        {"Date past 9999", Op::Add, Date(2958465), I(10), nothing, kOverflow},
        // Operands without arithmetic.
        {"Array + 1", Op::Add, Variant::ArrayOf({I(1)}), I(1), nothing, kInvalidOp},
        {"Dispatch + 1", Op::Add, object, I(1), nothing, kInvalidOp},
        {"Error * 1", Op::Mul, Variant::FromError(3), I(1), nothing, kInvalidOp},
        {"'a' + Array", Op::Add, S("a"), Variant::ArrayOf({}), nothing, kInvalidOp},
    });
}

TEST(VariantOperators, LogicAndShifts) {
    const Variant nothing;
    RunOperators({
        // Both Boolean: logical.
        {"True and False", Op::And, Variant(true), Variant(false), Variant(false)},
        {"True or False", Op::Or, Variant(true), Variant(false), Variant(true)},
        {"True xor True", Op::Xor, Variant(true), Variant(true), Variant(false)},
        {"False xor True", Op::Xor, Variant(false), Variant(true), Variant(true)},
        // A string or Empty beside a Boolean reads as a Boolean.
        {"True and 'False'", Op::And, Variant(true), S("False"), Variant(false)},
        {"'true' or False", Op::Or, S("true"), Variant(false), Variant(true)},
        {"True or Empty", Op::Or, Variant(true), Variant(), Variant(true)},
        {"Empty and True", Op::And, Variant(), Variant(true), Variant(false)},
        {"'abc' and True", Op::And, S("abc"), Variant(true), nothing, kCast},
        // Otherwise bitwise on integers.
        {"12 and 10", Op::And, I(12), I(10), I(8)},
        {"12 or 10", Op::Or, I(12), I(10), I(14)},
        {"12 xor 10", Op::Xor, I(12), I(10), I(6)},
        {"1 or 2", Op::Or, I(1), I(2), I(3)},
        {"True and 5", Op::And, Variant(true), I(5), I(5)},
        {"Int64 and Integer", Op::And, I64(0x1FFFFFFFF), I(0xFF), I64(0xFF)},
        {"'6' and 3", Op::And, S("6"), I(3), I(2)},
        {"2.6 or 0", Op::Or, D(2.6), I(0), I(3)},
        {"Array and 1", Op::And, Variant::ArrayOf({}), I(1), nothing, kInvalidOp},
        // Shifts: 32 bits for 32-bit operands, 64 for Int64; no promotion.
        {"1 shl 4", Op::Shl, I(1), I(4), I(16)},
        {"1 shl 31", Op::Shl, I(1), I(31), I(kMinInt)},
        {"1 shl 32", Op::Shl, I(1), I(32), I(1)},
        {"1 shl 40", Op::Shl, I(1), I(40), I(256)},
        {"-1 shr 28", Op::Shr, I(-1), I(28), I(15)},
        {"Int64 1 shl 40", Op::Shl, I64(1), I(40), I64(int64_t{1} << 40)},
        {"Int64 -1 shr 60", Op::Shr, I64(-1), I(60), I64(15)},
        {"'2' shl '3'", Op::Shl, S("2"), S("3"), I(16)},
    });
}

TEST(VariantOperators, NotAndNegation) {
    const Variant nothing;
    const struct {
        std::string what;
        Variant (*fn)(const Variant&);
        Variant in;
        Variant want;
        const char* raises = nullptr;
    } rows[] = {
        {"not True", VarNot, Variant(true), Variant(false)},
        {"not 0", VarNot, I(0), I(-1)},
        {"not Int64 0", VarNot, I64(0), I64(-1)},
        {"not Empty", VarNot, Variant(), I(-1)},
        {"not '5'", VarNot, S("5"), I(-6)},
        {"not Null", VarNot, Variant::Null(), Variant::Null()},
        {"not Array", VarNot, Variant::ArrayOf({}), nothing, kInvalidOp},
        {"-5", VarNeg, I(5), I(-5)},
        {"-MinInt", VarNeg, I(kMinInt), I64(2147483648)},
        {"-Int64 min", VarNeg, I64(kMinInt64), D(9223372036854775808.0)},
        {"-True", VarNeg, Variant(true), I(1)},
        {"-Byte", VarNeg, Variant::FromByte(5), I(-5)},
        {"-1.5", VarNeg, D(1.5), D(-1.5)},
        {"-Currency", VarNeg, Curr(15000), Curr(-15000)},
        {"-Date", VarNeg, Date(2), Date(-2)},
        {"-'5'", VarNeg, S("5"), I(-5)},
        {"-Empty", VarNeg, Variant(), I(0)},
        {"-Null", VarNeg, Variant::Null(), Variant::Null()},
        {"-'x'", VarNeg, S("x"), nothing, kCast},
    };
    for (const auto& row : rows)
        ExpectOutcome(
            row.what, [&] { return row.fn(row.in); }, row.want, row.raises);
}

TEST(VariantOperators, CommaLocaleReadsAndWritesComma) {
    ScopedFormatSettings locale(CommaLocale());
    const Variant nothing;
    RunOperators({
        {"'1,5' + 1", Op::Add, S("1,5"), I(1), D(2.5)},
        {"'1.5' + 1", Op::Add, S("1.5"), I(1), nothing, kCast},
        {"'2,5' div 1", Op::IntDiv, S("2,5"), I(1), I(2)},
        {"'a' + 1,5 stays text", Op::Add, S("a"), S("1,5"), S("a1,5")},
    });
    EXPECT_EQ((D(1.25) + I(1)).AsString(), "2,25");
    EXPECT_TRUE(S("1,5") == D(1.5));
}

// ---- comparisons ------------------------------------------------------------------

using Rel = TVariantRelationship;

TEST(VariantCompare, RuleTable) {
    ScopedFormatSettings locale(DotLocale());
    const auto object = std::make_shared<FakeObject>();
    const Variant one(object), same(object), other(std::make_shared<FakeObject>());
    const struct {
        std::string what;
        Variant a, b;
        Rel want;
    } rows[] = {
        {"1 < 2", I(1), I(2), Rel::vrLessThan},
        {"2 = 2", I(2), I(2), Rel::vrEqual},
        {"Int64 2^53+1 > Double 2^53", I64((int64_t{1} << 53) + 1), D(9007199254740992.0),
         Rel::vrGreaterThan},
        {"Double 2^53 < Int64 2^53+1", D(9007199254740992.0), I64((int64_t{1} << 53) + 1),
         Rel::vrLessThan},
        {"1 < 1.5", I(1), D(1.5), Rel::vrLessThan},
        {"-2 > -2.5", I(-2), D(-2.5), Rel::vrGreaterThan},
        {"1.0 = 1", D(1), I(1), Rel::vrEqual},
        {"Int64 max < 2^63", I64(kMaxInt64), D(9223372036854775808.0), Rel::vrLessThan},
        {"NaN vs 1", D(kNaN), I(1), Rel::vrNotEqual},
        {"NaN vs NaN", D(kNaN), D(kNaN), Rel::vrNotEqual},
        {"Byte = Int64", Variant::FromByte(7), I64(7), Rel::vrEqual},
        {"Int64 3e9 > 5", I64(3000000000), I(5), Rel::vrGreaterThan},
        {"-1 < Int64 0", I(-1), I64(0), Rel::vrLessThan},
        {"1.5 < 2.5", D(1.5), D(2.5), Rel::vrLessThan},
        {"-0.0 = 0.0", D(-0.0), D(0.0), Rel::vrEqual},
        // Null equals only Null.
        {"Null = Null", Variant::Null(), Variant::Null(), Rel::vrEqual},
        {"Null vs 1", Variant::Null(), I(1), Rel::vrNotEqual},
        {"'' vs Null", S(""), Variant::Null(), Rel::vrNotEqual},
        {"Null vs Empty", Variant::Null(), Variant(), Rel::vrNotEqual},
        // Empty as 0, "" or False.
        {"Empty = 0", Variant(), I(0), Rel::vrEqual},
        {"Empty = ''", Variant(), S(""), Rel::vrEqual},
        {"wide '' = Empty", W(u""), Variant(), Rel::vrEqual},
        {"Empty = False", Variant(), Variant(false), Rel::vrEqual},
        {"True > Empty", Variant(true), Variant(), Rel::vrGreaterThan},
        {"Empty = Empty", Variant(), Variant(), Rel::vrEqual},
        {"Empty < 1", Variant(), I(1), Rel::vrLessThan},
        {"Empty < 'a'", Variant(), S("a"), Rel::vrLessThan},
        // Strings by code unit; 8-bit against wide as wide.
        {"'a' < 'b'", S("a"), S("b"), Rel::vrLessThan},
        {"'B' < 'a'", S("B"), S("a"), Rel::vrLessThan},
        {"'ab' > 'a'", S("ab"), S("a"), Rel::vrGreaterThan},
        {"'a' = wide 'a'", S("a"), W(u"a"), Rel::vrEqual},
        {"8-bit e-acute = wide", S("\xE9"), W(u"\u00E9"), Rel::vrEqual},
        {"8-bit Euro > wide z", S("\x80"), W(u"z"), Rel::vrGreaterThan},
        {"0x80 > 'z' as bytes", S("\x80"), S("z"), Rel::vrGreaterThan},
        // string against number.
        {"'10' > 9", S("10"), I(9), Rel::vrGreaterThan},
        {"9 < '10'", I(9), S("10"), Rel::vrLessThan},
        {"'10' < '9'", S("10"), S("9"), Rel::vrLessThan},
        {"' 1.5' = 1.5", S(" 1.5"), D(1.5), Rel::vrEqual},
        {"'abc' vs 1 as text", S("abc"), I(1), Rel::vrGreaterThan},
        {"1 vs 'abc' as text", I(1), S("abc"), Rel::vrLessThan},
        {"'1,5' vs 1.5 as text", S("1,5"), D(1.5), Rel::vrLessThan},
        // string against Boolean.
        {"True = 'true'", Variant(true), S("true"), Rel::vrEqual},
        {"'0' < True", S("0"), Variant(true), Rel::vrLessThan},
        {"True vs 'x' as text", Variant(true), S("x"), Rel::vrLessThan},
        // Booleans: False < True; -1 / 0 against numbers.
        {"True > False", Variant(true), Variant(false), Rel::vrGreaterThan},
        {"True = -1", Variant(true), I(-1), Rel::vrEqual},
        {"True < 0", Variant(true), I(0), Rel::vrLessThan},
        // Currency and dates as numbers.
        {"Currency 1.5 = 1.5", Curr(15000), D(1.5), Rel::vrEqual},
        {"Currency 1.5 > 1", Curr(15000), I(1), Rel::vrGreaterThan},
        {"1 < Currency 1.0001", I(1), Curr(10001), Rel::vrLessThan},
        {"Date = its day number", Date(kY2K), I(36526), Rel::vrEqual},
        // Dispatch and Error within their kind.
        {"same object", one, same, Rel::vrEqual},
        {"other object", one, other, Rel::vrNotEqual},
        {"Error 5 = Error 5", Variant::FromError(5), Variant::FromError(5), Rel::vrEqual},
        {"Error 5 vs Error 6", Variant::FromError(5), Variant::FromError(6), Rel::vrNotEqual},
        {"Null vs object", Variant::Null(), one, Rel::vrNotEqual},
    };
    for (const auto& row : rows) EXPECT_EQ(VarCompareValue(row.a, row.b), row.want) << row.what;

    EXPECT_THROW((void)VarCompareValue(one, I(1)), EVariantInvalidOpError);
    EXPECT_THROW((void)VarCompareValue(Variant(), one), EVariantInvalidOpError);
    EXPECT_THROW((void)(Variant::ArrayOf({}) == Variant::ArrayOf({})), EVariantInvalidOpError);
    EXPECT_THROW((void)(Variant::FromError(1) < I(1)), EVariantInvalidOpError);
}

TEST(VariantCompare, OperatorsFollowTheRelationship) {
    const struct {
        Variant a, b;
        bool eq, lt, le, gt, ge;
    } rows[] = {
        {I(1), I(2), false, true, true, false, false},    // fast path
        {I(2), I(2), true, false, true, false, true},     // fast path
        {I(3), D(2.5), false, false, false, true, true},  // general path
        {S("a"), S("a"), true, false, true, false, true},
        {Variant::Null(), Variant::Null(), true, false, true, false, true},
        {Variant::Null(), I(1), false, false, false, false, false},  // not ordered
        {D(kNaN), D(kNaN), false, false, false, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(DescribeVariant(row.a) + " vs " + DescribeVariant(row.b));
        EXPECT_EQ(row.a == row.b, row.eq);
        EXPECT_EQ(row.a != row.b, !row.eq);
        EXPECT_EQ(row.a < row.b, row.lt);
        EXPECT_EQ(row.a <= row.b, row.le);
        EXPECT_EQ(row.a > row.b, row.gt);
        EXPECT_EQ(row.a >= row.b, row.ge);
    }
}

// ---- values and ownership ------------------------------------------------------

TEST(VariantValue, TypesAndPredicates) {
    const struct {
        Variant v;
        TVarType type;
        bool ordinal, floating, string;
    } rows[] = {
        {Variant(), varEmpty, false, false, false},
        {Variant(true), varBoolean, false, false, false},
        {I(1), varInteger, true, false, false},
        {I64(1), varInt64, true, false, false},
        {Variant(uint32_t{1}), varLongWord, true, false, false},
        {Variant::FromShortInt(1), varShortInt, true, false, false},
        {D(1), varDouble, false, true, false},
        {Variant::FromSingle(1), varSingle, false, true, false},
        {Curr(1), varCurrency, false, true, false},
        {Date(1), varDate, false, false, false},
        {S("x"), varString, false, false, true},
        {Variant(std::string("x")), varString, false, false, true},
        {W(u"x"), varOleStr, false, false, true},
        {Variant::ArrayOf({}), varArray | varVariant, false, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(VarTypeAsText(row.type));
        EXPECT_EQ(row.v.Type(), row.type);
        EXPECT_EQ(row.v.IsOrdinal(), row.ordinal);
        EXPECT_EQ(row.v.IsFloat(), row.floating);
        EXPECT_EQ(row.v.IsNumeric(), row.ordinal || row.floating);
        EXPECT_EQ(row.v.IsString(), row.string);
    }
    EXPECT_TRUE(VarIsType(S("x"), {varOleStr, varString}));
    EXPECT_FALSE(VarIsType(I(1), {varOleStr, varString}));
}

TEST(VariantValue, CopiesAndMovesAreIndependent) {
    Variant a("shared text");
    Variant b = a;
    a = I(5);  // the shared buffer stays with b
    EXPECT_EQ(b.AsString(), "shared text");
    Variant c = std::move(b);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(c.AsString(), "shared text");
    Variant& alias = c;
    c = alias;  // self-assignment keeps the value
    EXPECT_EQ(c.AsString(), "shared text");
    c = std::move(alias);
    EXPECT_EQ(c.AsString(), "shared text");
    c.Clear();
    EXPECT_TRUE(c.IsEmpty());
}

// The text views read a string value in place: every copy of the value
// shows the same characters, and other types show none.
TEST(VariantValue, TextViewsShareTheValue) {
    const Variant ansi(std::string(1000, 'a'));
    const Variant copy = ansi;
    ASSERT_TRUE(ansi.AnsiTextView().has_value());
    EXPECT_EQ(ansi.AnsiTextView()->data(), copy.AnsiTextView()->data());
    EXPECT_EQ(*ansi.AnsiTextView(), std::string(1000, 'a'));
    EXPECT_FALSE(ansi.WideTextView().has_value());
    const Variant wide(u"\u0436");
    ASSERT_TRUE(wide.WideTextView().has_value());
    EXPECT_EQ(*wide.WideTextView(), u"\u0436");
    EXPECT_FALSE(wide.AnsiTextView().has_value());
    for (const Variant& other : {I(5), Variant(), Variant::Null(), Variant(true)}) {
        EXPECT_FALSE(other.AnsiTextView().has_value());
        EXPECT_FALSE(other.WideTextView().has_value());
    }
}

// Parts of a string: the text is right whatever the storage; a long part
// that keeps at least half of the text shares it, anything else is a copy
// of its own (so a short part never keeps a long page alive).
TEST(VariantValue, SubStringTextAndStorage) {
    std::string page;
    for (int i = 0; i < 1000; ++i) page += static_cast<char>('a' + i % 26);
    const Variant whole(page);
    const char* base = whole.AnsiTextView()->data();
    const auto shares = [&](const Variant& part) {
        const char* p = part.AnsiTextView()->data();
        return p >= base && p < base + page.size();
    };
    struct Row {
        size_t offset, count;
        bool shared;
    } rows[] = {
        {0, 1000, true},   {1, 999, true},   {500, 500, true},  {100, 600, true},
        {501, 499, false}, {10, 255, false}, {0, 0, false},     {990, 100, false},
        {2000, 5, false},  {999, 1, false},  {300, 5000, true},
    };
    for (const Row& row : rows) {
        const Variant part = Variant::SubString(whole, row.offset, row.count);
        const size_t offset = std::min(row.offset, page.size());
        EXPECT_EQ(part.Type(), varString);
        EXPECT_EQ(part.AsString(), page.substr(offset, row.count))
            << row.offset << "," << row.count;
        EXPECT_EQ(shares(part), row.shared) << row.offset << "," << row.count;
    }
    // A part of a part measures against the whole text and outlives it.
    Variant outer = Variant::SubString(whole, 100, 800);
    const Variant inner = Variant::SubString(outer, 50, 600);
    EXPECT_TRUE(shares(inner));
    EXPECT_FALSE(shares(Variant::SubString(outer, 0, 400)));
    outer.Clear();
    EXPECT_EQ(inner.AsString(), page.substr(150, 600));
    // Other types are parts of their text.
    EXPECT_EQ(Variant::SubString(I(123456), 2, 3).AsString(), "345");
    EXPECT_EQ(Variant::SubString(Variant(u"wide text"), 5, 10).AsString(), "text");
}

TEST(VariantValue, JoinedStringAndTextOperators) {
    EXPECT_EQ(Variant::JoinedString({"ab", "", "cde"}).AsString(), "abcde");
    EXPECT_EQ(Variant::JoinedString({}).Type(), varString);
    // Concatenation and comparison read parts and long texts in place.
    const Variant whole(std::string(600, 'x') + std::string(600, 'y'));
    const Variant tail = Variant::SubString(whole, 600, 600);
    EXPECT_EQ((tail + Variant("!")).AsString(), std::string(600, 'y') + "!");
    EXPECT_EQ((Variant() + tail).AsString(), std::string(600, 'y'));
    EXPECT_TRUE(tail == Variant(std::string(600, 'y')));
    EXPECT_TRUE(Variant::SubString(whole, 0, 600) < tail);
    EXPECT_TRUE(Variant("\xE9") > Variant("z"));  // by unsigned code unit
    EXPECT_TRUE(Variant(u"abc") == Variant("abc"));
    EXPECT_TRUE(Variant(u"abd") > Variant(u"abc"));
}

TEST(VariantValue, SharedStringsSurviveConcurrentCopies) {
    // Reference counts are atomic: copies made and dropped on several
    // threads leave the original intact (ASan catches a double free).
    const Variant original(std::string(100, 'x'));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&original] {
            for (int i = 0; i < 20000; ++i) {
                Variant copy = original;
                Variant moved = std::move(copy);
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(original.AsString(), std::string(100, 'x'));
}

TEST(VariantValue, DispatchHolderSharesOwnership) {
    auto object = std::make_shared<FakeObject>();
    std::weak_ptr<FakeObject> watch = object;
    {
        Variant v(std::shared_ptr<IVariantDispatch>(std::move(object)));
        EXPECT_EQ(v.Type(), varDispatch);
        Variant copy = v;
        v.Clear();
        EXPECT_FALSE(watch.expired());  // the copy still holds it
        EXPECT_EQ(copy.AsDispatch().get(), watch.lock().get());
        const Variant unknown = copy.AsType(varUnknown);
        EXPECT_EQ(unknown.Type(), varUnknown);
        EXPECT_EQ(unknown.AsDispatch(), copy.AsDispatch());
    }
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(Variant().AsDispatch(), nullptr);
    EXPECT_THROW((void)I(1).AsDispatch(), EVariantTypeCastError);
}

}  // namespace
}  // namespace runtime
