// Literals, host declaration texts, type compatibility, position texts.
#include "script/conversions.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/classinfo.h"
#include "runtime/component.h"
#include "runtime/exceptions.h"
#include "runtime/locale.h"
#include "runtime/persistent.h"
#include "runtime/properties.h"
#include "script/engine_test_support.h"

namespace script {
namespace {

using runtime::Variant;

TEST(ConversionsTest, LiteralToVariant) {
    struct Row {
        std::string text;
        Variant value;
    };
    const Row rows[] = {
        {"", Variant::Null()},
        {"'abc'", Variant("abc")},
        {"'it's'", Variant("it's")},
        {"''", Variant("")},
        {"12", Variant(12)},
        {"-7", Variant(-7)},
        {"3000000000", Variant(int64_t{3000000000})},
        {"$FF", Variant(255)},
        {"1.5", Variant(1.5)},
        {"2.5e3", Variant(2500.0)},
    };
    // Literals read "." as the decimal separator under any locale.
    runtime::TFormatSettings comma = runtime::DefaultFormatSettings();
    comma.DecimalSeparator = ',';
    comma.ThousandSeparator = '.';
    for (const runtime::TFormatSettings& settings : {runtime::DefaultFormatSettings(), comma}) {
        runtime::ScopedFormatSettings scoped(settings);
        for (const Row& row : rows) {
            const Variant got = LiteralToVariant(row.text);
            EXPECT_EQ(got.Type(), row.value.Type()) << row.text;
            EXPECT_TRUE(got == row.value || (got.IsNull() && row.value.IsNull())) << row.text;
        }
    }
    EXPECT_THROW(LiteralToVariant("1.2.3"), runtime::EConvertError);
}

TEST(ConversionsTest, ParseDeclaration) {
    testing::TestHost host;
    struct Param {
        std::string name;
        bool byReference;
        bool optional;
        std::string typeName;
        Variant defaultValue;
    };
    struct Row {
        std::string text;
        std::string name;
        std::string resultType;
        TscTypeKind kind;
        bool macro;
        std::vector<Param> params;
    };
    const Row rows[] = {
        {"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)",
         "DecodeDate",
         "",
         fskVariant,
         false,
         {{"Date", false, false, "TDateTime", Variant::Null()},
          {"Year", true, false, "Word", Variant::Null()},
          {"Month", true, false, "Word", Variant::Null()},
          {"Day", true, false, "Word", Variant::Null()}}},
        {"procedure Dec(var i: Integer; decr: Integer = 1)",
         "Dec",
         "",
         fskVariant,
         false,
         {{"i", true, false, "Integer", Variant::Null()},
          {"decr", false, true, "Integer", Variant(1)}}},
        {"function Date: TDateTime", "Date", "TDateTime", fskFloat, false, {}},
        {"function PosEx(const SubStr, S: string; Offset: Cardinal = 1): Integer",
         "PosEx",
         "Integer",
         fskInt,
         false,
         {{"SubStr", false, false, "string", Variant::Null()},
          {"S", false, false, "string", Variant::Null()},
          {"Offset", false, true, "Cardinal", Variant(1)}}},
        {"function F(a: Integer = -3; b: String = 'x''y'; c: Boolean = True): Boolean",
         "F",
         "Boolean",
         fskBool,
         false,
         {{"a", false, true, "Integer", Variant(-3)},
          {"b", false, true, "String", Variant("x'y")},
          {"c", false, true, "Boolean", Variant(true)}}},
        {"macro procedure M(x: Variant)",
         "M",
         "",
         fskVariant,
         true,
         {{"x", false, false, "Variant", Variant::Null()}}},
        {"procedure Randomize", "Randomize", "", fskVariant, false, {}},
    };
    for (const Row& row : rows) {
        std::unique_ptr<TscCustomVariable> item = ParseDeclaration(row.text, host.global);
        EXPECT_EQ(item->Name, row.name) << row.text;
        EXPECT_EQ(item->DeclTypeName, row.resultType) << row.text;
        EXPECT_EQ(item->Kind, row.kind) << row.text;
        EXPECT_EQ(item->IsMacro, row.macro) << row.text;
        ASSERT_EQ(item->ParamCount(), static_cast<int>(row.params.size())) << row.text;
        for (int i = 0; i < item->ParamCount(); ++i) {
            const TscParamItem& got = *item->GetParam(i);
            const Param& want = row.params[static_cast<size_t>(i)];
            EXPECT_EQ(got.Name, want.name) << row.text;
            EXPECT_EQ(got.IsVarParam, want.byReference) << row.text << " " << want.name;
            EXPECT_EQ(got.IsOptional, want.optional) << row.text << " " << want.name;
            EXPECT_EQ(got.DeclTypeName, want.typeName) << row.text << " " << want.name;
            EXPECT_TRUE(got.DefValue == want.defaultValue ||
                        (got.DefValue.IsNull() && want.defaultValue.IsNull()))
                << row.text << " " << want.name;
        }
    }
}

class TBase : public runtime::TPersistent {
    RUNTIME_CLASS(TBase)
};
class TDerived : public TBase {
    RUNTIME_CLASS(TDerived)
};
RUNTIME_BEGIN_CLASS(TBase, runtime::TPersistent)
RUNTIME_END_CLASS
RUNTIME_BEGIN_CLASS(TDerived, TBase)
RUNTIME_END_CLASS

TEST(ConversionsTest, TypeCompatibility) {
    testing::TestHost host;
    ASSERT_NE(host.global.DeclareClass(runtime::ClassInfoOf<TBase>(), ""), nullptr);
    ASSERT_NE(host.global.DeclareClass(runtime::ClassInfoOf<TDerived>(), "TBase"), nullptr);
    struct Row {
        TscTypeKind left;
        const char* leftName;
        TscTypeKind right;
        const char* rightName;
        bool compatible;
    };
    const Row rows[] = {
        {fskInt, "", fskFloat, "", true},
        {fskInt, "", fskEnum, "TAlign", true},
        {fskInt, "", fskString, "", false},
        {fskBool, "", fskInt, "", false},
        {fskBool, "", fskVariant, "", true},
        {fskFloat, "", fskInt, "", true},
        {fskString, "", fskChar, "", true},
        {fskChar, "", fskInt, "", false},
        {fskClass, "TBase", fskClass, "TDerived", true},
        {fskClass, "TDerived", fskClass, "TBase", false},
        {fskClass, "TBase", fskInt, "", false},
        {fskArray, "", fskVariant, "", true},
        {fskArray, "", fskInt, "", false},
        {fskVariant, "", fskClass, "TBase", true},
        {fskEnum, "TAlign", fskEnum, "talign", true},
        {fskEnum, "TAlign", fskEnum, "TOther", false},
        {fskEnum, "TAlign", fskInt, "", true},
        {fskConstructor, "", fskVariant, "", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TypesCompatible(row.left, row.leftName, row.right, row.rightName, host.global),
                  row.compatible)
            << int(row.left) << row.leftName << " <- " << int(row.right) << row.rightName;

    // A float never goes into an Integer; an Integer into a float does.
    TscVariable integer("i", "", fskInt);
    TscVariable real("r", "", fskFloat);
    EXPECT_FALSE(AssignCompatible(integer, real, host.global));
    EXPECT_TRUE(AssignCompatible(real, integer, host.global));
}

TEST(ConversionsTest, SourcePosToPoint) {
    const SourcePoint point = SourcePosToPoint("12:34");
    EXPECT_EQ(point.line, 12);
    EXPECT_EQ(point.column, 34);
    const SourcePoint none = SourcePosToPoint("");
    EXPECT_EQ(none.line, 0);
    EXPECT_EQ(none.column, 0);
    EXPECT_THROW(SourcePosToPoint("x:1"), runtime::EConvertError);
    EXPECT_THROW(SourcePosToPoint("17"), runtime::EConvertError);
}

}  // namespace
}  // namespace script
