// The standard functions as scripts see them: each case compiles a small
// script against GlobalScript and calls it, under a "." and a ","
// decimal-separator locale.
#include "script/sysfunctions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "runtime/exceptions.h"
#include "runtime/locale.h"
#include "runtime/variant.h"
#include "script/conversions.h"
#include "script/init.h"
#include "script/items.h"
#include "script/script.h"

namespace script {
namespace {

using runtime::Variant;

// German conventions: "," for decimals, "." between thousands and in dates,
// a 24-hour clock.
runtime::TFormatSettings CommaLocale() {
    runtime::TFormatSettings s = runtime::DefaultFormatSettings();
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    s.DateSeparator = '.';
    s.ShortDateFormat = "dd.mm.yyyy";
    s.LongDateFormat = "dddd, d. mmmm yyyy";
    s.ShortTimeFormat = "hh:nn";
    s.LongTimeFormat = "hh:nn:ss";
    s.TimeAMString = "";
    s.TimePMString = "";
    return s;
}

class SysFunctionsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { script::init(); }

    // Compiles a function T with a few locals around `body` and calls it.
    Variant Run(std::string_view body) {
        script_ = std::make_unique<TscScript>();
        script_->ParentScript = GlobalScript();
        std::string text =
            "function T: Variant;\r\n"
            "var s, t: String; i, y, m, d, h, n, sec, ms: Integer; v: Variant;\r\n"
            "  a: array[1..3] of Integer;\r\n"
            "begin\r\n";
        text += body;
        text += "\r\nend;\r\nbegin\r\nend.\r\n";
        script_->SetText(text);
        const bool compiled = script_->Compile();
        EXPECT_TRUE(compiled) << body << "\n"
                              << script_->ErrorPosition << ": " << script_->ErrorMessage;
        if (!compiled) return Variant::Null();
        return script_->CallScriptFunction("T", Variant());
    }

    Variant Eval(std::string_view expression) {
        return Run("Result := " + std::string(expression) + ";");
    }

    std::unique_ptr<TscScript> script_;
};

constexpr int kAnyType = -1;

struct ValueCase {
    const char* expression;
    const char* text;  // VarToStr of the result
    int type;          // its VarType, or kAnyType
};

// Functions whose results do not depend on the locale.
constexpr ValueCase kValueCases[] = {
    // conversions
    {"IntToStr(42)", "42", runtime::varString},
    {"IntToStr(-7)", "-7", kAnyType},
    {"IntToStr(3000000000)", "3000000000", kAnyType},
    {"VarToStr(Null)", "", runtime::varString},
    {"VarToStr(12)", "12", runtime::varString},
    {"StrToInt(' 12')", "12", runtime::varInteger},
    {"StrToInt('$FF')", "255", runtime::varInteger},
    {"StrToInt64('9000000000')", "9000000000", runtime::varInt64},
    {"StrToInt64('5')", "5", runtime::varInt64},
    // formatting
    {"Format('%s-%d', ['a', 3])", "a-3", runtime::varString},
    {"Format('%d', [Null])", "0", kAnyType},
    {"Format('%5d|%-5s|', [42, 'ab'])", "   42|ab   |", kAnyType},
    {"Format('%x', [255])", "FF", kAnyType},
    {"Format('%d', [StrToInt64('9000000000')])", "9000000000", kAnyType},
    {"Format('%x|%x|%u', [-1, StrToInt64('-1'), StrToInt64('-1')])",
     "FFFFFFFF|FFFFFFFFFFFFFFFF|18446744073709551615", kAnyType},
    {"Format('%s', [Chr(65)])", "A", kAnyType},
    {"Format('no args', [1])", "no args", kAnyType},
    {"FormatDateTime('yyyy-mm-dd hh:nn:ss', EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 58, 0))",
     "2024-02-29 23:59:58", runtime::varString},
    {"FormatMaskText('(999) 000-0000;0;_', '5551234567')", "(555) 123-4567", runtime::varString},
    // dates
    {"VarType(EncodeDate(2024, 1, 1))", "7", kAnyType},
    {"FormatDateTime('yyyy-mm-dd', EncodeDate(2024, 1, 31) + 1)", "2024-02-01", kAnyType},
    {"DayOfWeek(EncodeDate(2024, 3, 3))", "1", runtime::varInteger},
    {"DayOfWeek(EncodeDate(2024, 3, 5))", "3", kAnyType},
    {"IsLeapYear(2000)", "True", runtime::varBoolean},
    {"IsLeapYear(1900)", "False", kAnyType},
    {"DaysInMonth(2000, 2)", "29", runtime::varInteger},
    {"DaysInMonth(1900, 2)", "28", kAnyType},
    {"DaysInMonth(2023, 4)", "30", kAnyType},
    {"DaysInMonth(2023, 13)", "0", kAnyType},
    {"Frac(Date) = 0", "True", kAnyType},
    {"(Time >= 0) and (Time < 1)", "True", kAnyType},
    {"Abs(Now - Date - Time) < 0.001", "True", kAnyType},
    {"VarType(Now)", "7", kAnyType},
    // strings
    {"Length('hello')", "5", runtime::varInteger},
    {"Length(12345)", "5", kAnyType},
    {"Length('')", "0", kAnyType},
    {"Length(VarArrayCreate([1, 3, 0, 1], varVariant))", "3", kAnyType},
    {"Copy('abcdef', 2, 3)", "bcd", runtime::varString},
    {"Copy('abc', 0, 2)", "ab", kAnyType},
    {"Copy('abc', 3, 10)", "c", kAnyType},
    {"Copy('abc', 5, 1)", "", kAnyType},
    {"Copy('abc', 2, -1)", "", kAnyType},
    {"Pos('cd', 'abcdef')", "3", runtime::varInteger},
    {"Pos('x', 'abc')", "0", kAnyType},
    {"Pos('', 'abc')", "0", kAnyType},
    {"Uppercase('abc1')", "ABC1", runtime::varString},
    {"Lowercase(Chr(192)) = Chr(224)", "True", kAnyType},
    {"Uppercase(Chr(233)) = Chr(201)", "True", kAnyType},
    {"Trim(Chr(9) + ' a b ' + Chr(0))", "a b", kAnyType},
    {"NameCase('hELLO wORLD')", "Hello World", kAnyType},
    {"NameCase('')", "", kAnyType},
    {"CompareText('abc', 'ABC')", "0", runtime::varInteger},
    {"CompareText('a', 'B') < 0", "True", kAnyType},
    {"CompareText('b', 'A') > 0", "True", kAnyType},
    {"Chr(65)", "A", runtime::varString},
    {"Chr(321)", "A", kAnyType},
    {"Ord('A')", "65", runtime::varInteger},
    {"Ord('')", "0", kAnyType},
    {"Ord(Chr(200))", "200", kAnyType},
    // math
    {"Round(2.5)", "2", runtime::varInteger},
    {"Round(-2.5)", "-2", kAnyType},
    {"Round(3.5)", "4", kAnyType},
    {"Round(2.4999)", "2", kAnyType},
    {"Trunc(-2.7)", "-2", runtime::varInteger},
    {"Trunc(2.7)", "2", kAnyType},
    {"Int(2.7)", "2", runtime::varDouble},
    {"Int(-2.7)", "-2", kAnyType},
    {"Sqrt(16)", "4", runtime::varDouble},
    {"Abs(-3)", "3", runtime::varDouble},
    {"Abs(3)", "3", runtime::varDouble},
    {"Sin(0)", "0", runtime::varDouble},
    {"Cos(0)", "1", kAnyType},
    {"Tan(0)", "0", kAnyType},
    {"Abs(ArcTan(1) * 4 - Pi) < 1E-15", "True", kAnyType},
    {"Exp(0)", "1", kAnyType},
    {"Ln(1)", "0", kAnyType},
    {"Round(Exp(Ln(10)))", "10", kAnyType},
    // others
    {"ValidInt('123')", "True", runtime::varBoolean},
    {"ValidInt('12a')", "False", kAnyType},
    {"ValidInt('3000000000')", "False", kAnyType},
    {"ValidInt(' 7')", "True", kAnyType},
    {"ValidInt('7 ')", "False", kAnyType},
    {"VarType(1)", "3", runtime::varInteger},
    {"VarType('a')", "256", kAnyType},
    {"VarType(1.5)", "5", kAnyType},
    {"VarType(Null)", "1", kAnyType},
    {"VarType(True)", "11", kAnyType},
    {"VarType(StrToInt64('1'))", "20", kAnyType},
    {"VarType(VarArrayCreate([0, 2], varInteger))", "8195", kAnyType},
    {"varEmpty", "0", runtime::varInteger},
    {"varOleStr", "8", kAnyType},
    {"varInt64", "20", kAnyType},
    {"varStrArg", "72", kAnyType},
    {"varString", "256", kAnyType},
    {"varAny", "257", kAnyType},
    {"varTypeMask", "4095", kAnyType},
    {"varArray", "8192", kAnyType},
    {"varByRef", "16384", kAnyType},
    {"nil", "0", runtime::varInteger},
    {"VarType(Null)", "1", kAnyType},
    {"True", "True", runtime::varBoolean},
};

TEST_F(SysFunctionsTest, ValuesUnderBothLocales) {
    for (const runtime::TFormatSettings& locale :
         {runtime::DefaultFormatSettings(), CommaLocale()}) {
        const runtime::ScopedFormatSettings scoped(locale);
        for (const ValueCase& c : kValueCases) {
            const Variant result = Eval(c.expression);
            EXPECT_EQ(runtime::VarToStr(result), c.text)
                << c.expression << " with '" << locale.DecimalSeparator << "'";
            if (c.type != kAnyType) {
                EXPECT_EQ(result.Type(), c.type) << c.expression;
            }
        }
    }
}

struct LocaleCase {
    const char* expression;
    const char* dot;    // under US English
    const char* comma;  // under CommaLocale
};

constexpr LocaleCase kLocaleCases[] = {
    {"FloatToStr(1.5)", "1.5", "1,5"},
    {"FloatToStr(1 / 3)", "0.333333333333333", "0,333333333333333"},
    {"Frac(2.5)", "0.5", "0,5"},
    {"Pi", "3.14159265358979", "3,14159265358979"},
    {"StrToFloat(FloatToStr(2.25)) * 2", "4.5", "4,5"},
    {"Format('%.2f', [1234.5])", "1234.50", "1234,50"},
    {"Format('%n', [1234.5])", "1,234.50", "1.234,50"},
    {"Format('%s|%g', [FloatToStr(0.25), 0.5])", "0.25|0.5", "0,25|0,5"},
    {"FormatFloat('#,##0.00', 1234.5)", "1,234.50", "1.234,50"},
    {"FormatFloat('000.0', 5)", "005.0", "005,0"},
    {"ValidFloat('1.5')", "True", "False"},
    {"ValidFloat('1,5')", "False", "True"},
    {"DateToStr(EncodeDate(2024, 3, 5))", "3/5/2024", "05.03.2024"},
    {"TimeToStr(EncodeTime(13, 5, 9, 0))", "1:05:09 PM", "13:05:09"},
    {"DateTimeToStr(EncodeDate(2024, 3, 5) + EncodeTime(13, 5, 9, 0))", "3/5/2024 1:05:09 PM",
     "05.03.2024 13:05:09"},
    {"DateToStr(StrToDate(DateToStr(EncodeDate(2024, 12, 31))))", "12/31/2024", "31.12.2024"},
    {"TimeToStr(StrToTime(TimeToStr(EncodeTime(8, 30, 0, 0))))", "8:30:00 AM", "08:30:00"},
    {"DateTimeToStr(StrToDateTime(DateTimeToStr(EncodeDate(2024, 1, 2) + 0.5)))",
     "1/2/2024 12:00:00 PM", "02.01.2024 12:00:00"},
    {"VarType(StrToDate(DateToStr(EncodeDate(2024, 12, 31))))", "7", "7"},
    {"FormatDateTime('dd/mm/yyyy', EncodeDate(2024, 3, 5))", "05/03/2024", "05.03.2024"},
    {"ValidDate('12/31/2024')", "True", "False"},
    {"ValidDate('31.12.2024')", "False", "True"},
    {"ValidDate('2/30/2024')", "False", "False"},
};

TEST_F(SysFunctionsTest, LocaleDependentValues) {
    for (const bool comma : {false, true}) {
        const runtime::ScopedFormatSettings scoped(comma ? CommaLocale()
                                                         : runtime::DefaultFormatSettings());
        for (const LocaleCase& c : kLocaleCases)
            EXPECT_EQ(runtime::VarToStr(Eval(c.expression)), comma ? c.comma : c.dot)
                << c.expression << (comma ? " under ','" : " under '.'");
    }
}

struct BodyCase {
    const char* body;
    const char* text;
};

// Procedures that write their var arguments back, and statements around
// the functions.
constexpr BodyCase kBodyCases[] = {
    {"s := 'abcdef'; Delete(s, 2, 3); Result := s;", "aef"},
    {"s := 'abc'; Delete(s, 0, 1); Result := s;", "abc"},
    {"s := 'abc'; Delete(s, 3, 5); Result := s;", "ab"},
    {"s := 'abc'; Delete(s, 4, 1); Result := s;", "abc"},
    {"s := 'abc'; t := s; Delete(s, 1, 1); Result := s + '/' + t;", "bc/abc"},
    {"s := 'abc'; DeleteStr(s, 1, 1); Result := s;", "bc"},
    // Long texts: cuts at either end share the text, a cut in the middle
    // does not; the other variable keeps the whole text either way.
    {"s := ''; for i := 1 to 600 do s := s + Chr(65 + i mod 26); t := s;"
     " Delete(s, 1, 100); Delete(s, 401, 100); v := s; Delete(v, 2, 398);"
     " Result := IntToStr(Length(s)) + Copy(s, 1, 3) + Copy(s, 398, 3) + v + IntToStr(Length(t));",
     "400XYZEFGXG600"},
    {"s := ''; for i := 1 to 600 do s := s + Chr(65 + i mod 26);"
     " s := Copy(s, 300, 1000); t := Copy(s, 2, 299); Result := IntToStr(Length(s)) + t[1] + "
     "t[299];",
     "301PB"},
    {"s := 'ad'; Insert('bc', s, 2); Result := s;", "abcd"},
    {"s := 'ab'; Insert('x', s, 10); Result := s;", "abx"},
    {"s := 'ab'; Insert('x', s, 0); Result := s;", "xab"},
    {"i := 5; Inc(i); Result := i;", "6"},
    {"i := 5; Inc(i, 5); Result := i;", "10"},
    {"i := 5; Dec(i); Result := i;", "4"},
    {"i := 5; Dec(i, 7); Result := i;", "-2"},
    {"DecodeDate(EncodeDate(2024, 3, 5), y, m, d); Result := Format('%d-%d-%d', [y, m, d]);",
     "2024-3-5"},
    {"DecodeTime(EncodeTime(13, 5, 9, 7), h, n, sec, ms);"
     " Result := Format('%d:%d:%d.%d', [h, n, sec, ms]);",
     "13:5:9.7"},
    {"DecodeTime(EncodeDate(2024, 3, 5) + 0.75, h, n, sec, ms); Result := h;", "18"},
    {"s := 'abcdef'; SetLength(s, 3); Result := s;", "abc"},
    {"s := 'ab'; SetLength(s, 4); Result := IntToStr(Length(s)) + '/' + IntToStr(Ord(s[4]));",
     "4/0"},
    {"s := 'ab'; SetLength(s, -1); Result := Length(s);", "0"},
    {"v := VarArrayCreate([0, 1], varVariant); v[1] := 'x'; SetLength(v, 5);"
     " Result := IntToStr(Length(v)) + v[1];",
     "5x"},
    // Too many elements from a negative low bound: an error the script catches.
    {"v := VarArrayCreate([-10, 0], varVariant);"
     " try SetLength(v, 2147483647); except Result := ExceptionClassName; end;",
     "ERangeError"},
    {"Result := Length(a);", "3"},
    {"try RaiseException('boom'); except Result := ExceptionClassName + ': ' + ExceptionMessage;"
     " end;",
     "Exception: boom"},
    {"try Result := StrToInt('x1'); except"
     " Result := ExceptionClassName + ': ' + ExceptionMessage; end;",
     "EConvertError: 'x1' is not a valid integer value"},
    // Format takes strings whole, beyond the class library's old 255 cut.
    {"s := ''; for i := 1 to 300 do s := s + Chr(48 + i mod 10);"
     " t := Format('[%s]', [s]); Result := IntToStr(Length(t)) + Copy(t, 298, 5);",
     "3027890]"},
    {"s := 'x'; for i := 1 to 20 do s := s + s; Result := Pos('y', s + 'y');", "1048577"},
};

TEST_F(SysFunctionsTest, ProceduresAndStatements) {
    for (const BodyCase& c : kBodyCases)
        EXPECT_EQ(runtime::VarToStr(Run(c.body)), c.text) << c.body;
}

struct ErrorCase {
    const char* body;
    const char* className;
    const char* message;  // nullptr: any
};

constexpr ErrorCase kErrorCases[] = {
    {"Result := StrToInt('abc');", "EConvertError", "'abc' is not a valid integer value"},
    {"Result := StrToInt('3000000000');", "EConvertError",
     "'3000000000' is not a valid integer value"},
    {"Result := StrToInt('7 ');", "EConvertError", "'7 ' is not a valid integer value"},
    {"Result := StrToFloat('x');", "EConvertError", "'x' is not a valid floating point value"},
    {"Result := StrToDate('31/31/2024');", "EConvertError", "'31/31/2024' is not a valid date"},
    {"Result := Format('%d', ['a']);", "EConvertError",
     "Format '%d' invalid or incompatible with argument"},
    {"Result := Format('%s', [True]);", "EConvertError",
     "Format '%s' invalid or incompatible with argument"},
    {"Result := EncodeDate(2023, 2, 29);", "EConvertError", "Invalid argument to date encode"},
    {"Result := EncodeTime(24, 0, 0, 0);", "EConvertError", "Invalid argument to time encode"},
    {"Result := Round(3000000000.0);", "EVariantOverflowError", nullptr},
    {"Result := Trunc(-1E10);", "EVariantOverflowError", nullptr},
    {"Result := Sqrt(-1);", "EInvalidOp", "Invalid floating point operation"},
    {"Result := Ln(-1);", "EInvalidOp", "Invalid floating point operation"},
    {"Result := Ln(0);", "EZeroDivide", "Floating point division by zero"},
    {"Result := Exp(1000);", "EOverflow", "Floating point overflow"},
    {"Result := VarArrayCreate([0], varInteger);", "EVariantArrayCreateError", nullptr},
    {"Result := VarArrayCreate([0, 1], 999);", "EVariantArrayCreateError", nullptr},
    {"v := 5; SetLength(v, 2);", "EVariantNotAnArrayError", nullptr},
    {"RaiseException('stop here');", "Exception", "stop here"},
};

TEST_F(SysFunctionsTest, FailuresRaiseIntoTheScript) {
    for (const ErrorCase& c : kErrorCases) {
        try {
            Run(c.body);
            ADD_FAILURE() << c.body << ": no exception";
        } catch (const runtime::Exception& e) {
            EXPECT_STREQ(e.ClassName(), c.className) << c.body << ": " << e.Message();
            if (c.message != nullptr) {
                EXPECT_EQ(e.Message(), c.message) << c.body;
            }
        }
    }
}

TEST_F(SysFunctionsTest, RandomStaysInUnitInterval) {
    const Variant result =
        Run("Randomize; d := 0; y := 0;"
            " for i := 1 to 2000 do begin"
            "   v := Random;"
            "   if (v < 0) or (v >= 1) then d := d + 1;"
            "   if v < 0.5 then y := y + 1;"
            " end;"
            " if (y > 800) and (y < 1200) then m := 1 else m := 0;"
            " Result := Format('%d %d', [d, m]);");
    EXPECT_EQ(runtime::VarToStr(result), "0 1");
}

#ifndef _WIN32
TEST_F(SysFunctionsTest, ShowMessageWritesToStandardError) {
    testing::internal::CaptureStderr();
    Run("ShowMessage(12); ShowMessage('two words');");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "12\ntwo words\n");
}

TEST_F(SysFunctionsTest, CreateOleObjectIsUnavailable) {
    try {
        Run("Result := CreateOleObject('Scripting.Dictionary');");
        ADD_FAILURE() << "no exception";
    } catch (const runtime::Exception& e) {
        EXPECT_EQ(e.Message(),
                  "Cannot create OLE object 'Scripting.Dictionary': OLE Automation is not "
                  "available on this platform");
    }
}
#else
TEST_F(SysFunctionsTest, CreateOleObjectBindsLate) {
    const Variant dictionary = Run("Result := CreateOleObject('Scripting.Dictionary');");
    ASSERT_EQ(dictionary.Type(), runtime::varDispatch);
    const auto object = dictionary.AsDispatch();
    object->SetProperty(u"CompareMode", Variant(int32_t{1}));
    Variant args[] = {Variant("key"), Variant(int32_t{42})};
    object->Invoke(u"Add", args);
    EXPECT_EQ(object->GetProperty(u"Count").AsInteger(), 1);
    Variant key[] = {Variant("key")};
    EXPECT_EQ(object->Invoke(u"Item", key).AsInteger(), 42);
    EXPECT_EQ(object->GetProperty(u"CompareMode").AsInteger(), 1);

    try {
        object->GetProperty(u"NoSuchMember");
        ADD_FAILURE() << "no exception";
    } catch (const runtime::Exception& e) {
        EXPECT_EQ(e.Message().rfind("OLE error 8002", 0), 0u) << e.Message();
        EXPECT_NE(e.Message().find(": NoSuchMember: "), std::string::npos) << e.Message();
    }
    try {
        Run("Result := CreateOleObject('No.Such.Server');");
        ADD_FAILURE() << "no exception";
    } catch (const runtime::Exception& e) {
        EXPECT_STREQ(e.ClassName(), "EOleSysError");
    }
}
#endif

// The declarations a script can rely on besides the functions.
TEST_F(SysFunctionsTest, DeclaresTypesConstantsAndHelpers) {
    const TscScript& global = *GlobalScript();
    const struct {
        const char* name;
        TscTypeKind kind;
    } types[] = {{"Byte", fskInt},        {"Cardinal", fskInt}, {"TColor", fskInt},
                 {"Boolean", fskBool},    {"Real", fskFloat},   {"Currency", fskFloat},
                 {"TDateTime", fskFloat}, {"Char", fskChar},    {"String", fskString},
                 {"Pointer", fskVariant}, {"Array", fskArray},  {"Constructor", fskConstructor}};
    for (const auto& type : types)
        EXPECT_EQ(TypeKindByName(type.name, global), type.kind) << type.name;

    ASSERT_NE(global.Find("__StringHelper"), nullptr);
    EXPECT_EQ(global.Find("__StringHelper")->ItemClass(), TscItemClass::StringHelper);
    ASSERT_NE(global.Find("__ArrayHelper"), nullptr);
    EXPECT_EQ(global.Find("__ArrayHelper")->ItemClass(), TscItemClass::ArrayHelper);
    EXPECT_EQ(global.Find("__ArrayHelper")->RequiredParamCount(), 1);
    EXPECT_EQ(global.Find("__ArrayHelper")->ParamCount(), 3);
    EXPECT_TRUE(global.Find("True")->ReadOnly);
    EXPECT_FALSE(global.Find("ExceptionMessage")->ReadOnly);

    // Every function is there, under its category.
    struct {
        const char* category;
        int count;
    } categories[] = {{"ctConv", 12},   {"ctFormat", 4}, {"ctDate", 10},
                      {"ctString", 14}, {"ctMath", 13},  {"ctOther", 12}};
    for (auto& category : categories) {
        int found = 0;
        for (int i = 0; i < global.ItemCount(); ++i) {
            const auto* method = dynamic_cast<const TscMethodHelper*>(global.GetItem(i));
            if (method != nullptr && method->Category == category.category) ++found;
        }
        EXPECT_EQ(found, category.count) << category.category;
    }
}

}  // namespace
}  // namespace script
