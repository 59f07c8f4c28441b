#include "script/sysfunctions.h"

#include <array>
#include <memory>
#include <string_view>

#include "runtime/variant.h"
#include "script/sysfunctions_handlers.h"

namespace script {

namespace {

using runtime::Variant;
using sysfn::SysHandler;

struct TypeRow {
    std::string_view name;
    TscTypeKind kind;
};

constexpr TypeRow kTypes[] = {
    {"Byte", fskInt},        {"Word", fskInt},       {"Integer", fskInt},
    {"Longint", fskInt},     {"Cardinal", fskInt},   {"TColor", fskInt},
    {"Boolean", fskBool},    {"Real", fskFloat},     {"Single", fskFloat},
    {"Double", fskFloat},    {"Extended", fskFloat}, {"Currency", fskFloat},
    {"TDate", fskFloat},     {"TTime", fskFloat},    {"TDateTime", fskFloat},
    {"Char", fskChar},       {"String", fskString},  {"Variant", fskVariant},
    {"Pointer", fskVariant}, {"Array", fskArray},    {"Constructor", fskConstructor},
};
static_assert(std::size(kTypes) == 21);

// Category texts, stored with each function.
constexpr std::string_view ctConv = "ctConv";
constexpr std::string_view ctFormat = "ctFormat";
constexpr std::string_view ctDate = "ctDate";
constexpr std::string_view ctString = "ctString";
constexpr std::string_view ctMath = "ctMath";
constexpr std::string_view ctOther = "ctOther";

struct FunctionRow {
    std::string_view category;
    std::string_view declaration;
    SysHandler handler;
};

// clang-format off
constexpr FunctionRow kFunctions[] = {
    {ctConv, "function IntToStr(i: Integer): String", sysfn::IntToStr},
    {ctConv, "function FloatToStr(e: Extended): String", sysfn::FloatToStr},
    {ctConv, "function DateToStr(e: Extended): String", sysfn::DateToStr},
    {ctConv, "function TimeToStr(e: Extended): String", sysfn::TimeToStr},
    {ctConv, "function DateTimeToStr(e: Extended): String", sysfn::DateTimeToStr},
    {ctConv, "function VarToStr(v: Variant): String", sysfn::VarToStr},
    {ctConv, "function StrToInt(s: String): Integer", sysfn::StrToInt},
    {ctConv, "function StrToInt64(s: String): Integer", sysfn::StrToInt64},
    {ctConv, "function StrToFloat(s: String): Extended", sysfn::StrToFloat},
    {ctConv, "function StrToDate(s: String): Extended", sysfn::StrToDate},
    {ctConv, "function StrToTime(s: String): Extended", sysfn::StrToTime},
    {ctConv, "function StrToDateTime(s: String): Extended", sysfn::StrToDateTime},
    {ctFormat, "function Format(Fmt: String; Args: array): String", sysfn::Format},
    {ctFormat, "function FormatFloat(Fmt: String; Value: Extended): String", sysfn::FormatFloat},
    {ctFormat, "function FormatDateTime(Fmt: String; DateTime: TDateTime): String",
     sysfn::FormatDateTime},
    {ctFormat, "function FormatMaskText(EditMask: string; Value: string): string",
     sysfn::FormatMaskText},
    {ctDate, "function EncodeDate(Year, Month, Day: Word): TDateTime", sysfn::EncodeDate},
    {ctDate, "procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)",
     sysfn::DecodeDate},
    {ctDate, "function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", sysfn::EncodeTime},
    {ctDate, "procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)",
     sysfn::DecodeTime},
    {ctDate, "function Date: TDateTime", sysfn::Date},
    {ctDate, "function Time: TDateTime", sysfn::Time},
    {ctDate, "function Now: TDateTime", sysfn::Now},
    {ctDate, "function DayOfWeek(aDate: TDateTime): Integer", sysfn::DayOfWeek},
    {ctDate, "function IsLeapYear(Year: Word): Boolean", sysfn::IsLeapYear},
    {ctDate, "function DaysInMonth(nYear, nMonth: Integer): Integer", sysfn::DaysInMonth},
    {ctString, "function Length(s: Variant): Integer", sysfn::Length},
    {ctString, "function Copy(s: String; from, count: Integer): String", sysfn::Copy},
    {ctString, "function Pos(substr, s: String): Integer", sysfn::Pos},
    {ctString, "procedure Delete(var s: String; from, count: Integer)", sysfn::Delete},
    {ctString, "procedure DeleteStr(var s: String; from, count: Integer)", sysfn::Delete},
    {ctString, "procedure Insert(s: String; var s2: String; pos: Integer)", sysfn::Insert},
    {ctString, "function Uppercase(s: String): String", sysfn::Uppercase},
    {ctString, "function Lowercase(s: String): String", sysfn::Lowercase},
    {ctString, "function Trim(s: String): String", sysfn::Trim},
    {ctString, "function NameCase(s: String): String", sysfn::NameCase},
    {ctString, "function CompareText(s, s1: String): Integer", sysfn::CompareText},
    {ctString, "function Chr(i: Integer): Char", sysfn::Chr},
    {ctString, "function Ord(ch: Char): Integer", sysfn::Ord},
    {ctString, "procedure SetLength(var S: Variant; L: Integer)", sysfn::SetLength},
    {ctMath, "function Round(e: Extended): Integer", sysfn::Round},
    {ctMath, "function Trunc(e: Extended): Integer", sysfn::Trunc},
    {ctMath, "function Int(e: Extended): Integer", sysfn::Int},
    {ctMath, "function Frac(X: Extended): Extended", sysfn::Frac},
    {ctMath, "function Sqrt(e: Extended): Extended", sysfn::Sqrt},
    {ctMath, "function Abs(e: Extended): Extended", sysfn::Abs},
    {ctMath, "function Sin(e: Extended): Extended", sysfn::Sin},
    {ctMath, "function Cos(e: Extended): Extended", sysfn::Cos},
    {ctMath, "function ArcTan(X: Extended): Extended", sysfn::ArcTan},
    {ctMath, "function Tan(X: Extended): Extended", sysfn::Tan},
    {ctMath, "function Exp(X: Extended): Extended", sysfn::Exp},
    {ctMath, "function Ln(X: Extended): Extended", sysfn::Ln},
    {ctMath, "function Pi: Extended", sysfn::Pi},
    {ctOther, "procedure Inc(var i: Integer; incr: Integer = 1)", sysfn::Inc},
    {ctOther, "procedure Dec(var i: Integer; decr: Integer = 1)", sysfn::Dec},
    {ctOther, "procedure RaiseException(Param: String)", sysfn::RaiseException},
    {ctOther, "procedure ShowMessage(Msg: Variant)", sysfn::ShowMessage},
    {ctOther, "procedure Randomize", sysfn::Randomize},
    {ctOther, "function Random: Extended", sysfn::Random},
    {ctOther, "function ValidInt(cInt: String): Boolean", sysfn::ValidInt},
    {ctOther, "function ValidFloat(cFlt: String): Boolean", sysfn::ValidFloat},
    {ctOther, "function ValidDate(cDate: String): Boolean", sysfn::ValidDate},
    {ctOther, "function CreateOleObject(ClassName: String): Variant", sysfn::CreateOleObject},
    {ctOther, "function VarArrayCreate(Bounds: Array; Typ: Integer): Variant",
     sysfn::VarArrayCreate},
    {ctOther, "function VarType(V: Variant): Integer", sysfn::VarType},
};
static_assert(std::size(kFunctions) == 65);
// clang-format on

struct TypeCodeRow {
    std::string_view name;
    runtime::TVarType code;
};

constexpr TypeCodeRow kTypeCodes[] = {
    {"varEmpty", runtime::varEmpty},       {"varNull", runtime::varNull},
    {"varSmallint", runtime::varSmallint}, {"varInteger", runtime::varInteger},
    {"varSingle", runtime::varSingle},     {"varDouble", runtime::varDouble},
    {"varCurrency", runtime::varCurrency}, {"varDate", runtime::varDate},
    {"varOleStr", runtime::varOleStr},     {"varDispatch", runtime::varDispatch},
    {"varError", runtime::varError},       {"varBoolean", runtime::varBoolean},
    {"varVariant", runtime::varVariant},   {"varUnknown", runtime::varUnknown},
    {"varShortInt", runtime::varShortInt}, {"varByte", runtime::varByte},
    {"varWord", runtime::varWord},         {"varLongWord", runtime::varLongWord},
    {"varInt64", runtime::varInt64},       {"varStrArg", runtime::varStrArg},
    {"varString", runtime::varString},     {"varAny", runtime::varAny},
    {"varTypeMask", runtime::varTypeMask}, {"varArray", runtime::varArray},
    {"varByRef", runtime::varByRef},
};
static_assert(std::size(kTypeCodes) == 25);

}  // namespace

void DeclareLanguageBasics(TscScript& script) {
    for (const TypeRow& type : kTypes) script.DeclareType(type.name, type.kind);

    script.DeclareConst("True", "Boolean", Variant(true));
    script.DeclareConst("False", "Boolean", Variant(false));
    script.DeclareConst("nil", "Variant", Variant(int32_t{0}));
    script.DeclareConst("Null", "Variant", Variant::Null());

    script.Add("__StringHelper", std::make_unique<TscStringHelper>());
    // One required index and two optional ones: it serves arrays of one to
    // three dimensions.
    script.Add("__ArrayHelper",
               std::make_unique<TscArrayHelper>("__ArrayHelper", "", fskVariant, -1));

    script.DeclareVariable("ExceptionClassName", "String", Variant(std::string()));
    script.DeclareVariable("ExceptionMessage", "String", Variant(std::string()));
}

TscSysFunctions::TscSysFunctions(TscScript& script) : TscRTTIModule(script) {
    DeclareLanguageBasics(script);

    for (const FunctionRow& row : kFunctions) {
        const SysHandler handler = row.handler;
        script.DeclareMethodEx(
            row.declaration,
            [this, handler](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
                            TscMethodHelper& caller) {
                return handler(sysfn::SysCall{caller, *this});
            },
            row.category);
    }

    for (const TypeCodeRow& code : kTypeCodes)
        script.DeclareConst(code.name, "Integer", Variant(int32_t{code.code}));
}

void RegisterSysFunctions() {
    RegisterModuleClass(&NewModule<TscSysFunctions>);
}

}  // namespace script
