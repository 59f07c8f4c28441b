#pragma once

// Helpers shared by the Variant test files: printing, "same type and value"
// and checking the outcome of an operation against a table row.

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "runtime/variant.h"

namespace runtime {

inline std::string DescribeVariant(const Variant& v) {
    std::string text = VarTypeAsText(v.Type());
    if (v.IsEmpty() || v.IsNull() || v.IsArray()) return text;
    try {
        text += " " + WideToUtf8(VarToWideStr(v));
    } catch (const Exception&) {
        text += " (no text)";
    }
    return text;
}

// gtest prints Variants through this.
inline void PrintTo(const Variant& v, std::ostream* os) {
    *os << DescribeVariant(v);
}

// Same type and value: strings by content, floats exactly (NaN equals NaN),
// Null and Empty by type.
inline ::testing::AssertionResult SameVariant(const Variant& actual, const Variant& expected) {
    const auto failure = [&] {
        return ::testing::AssertionFailure()
               << "got " << DescribeVariant(actual) << ", want " << DescribeVariant(expected);
    };
    if (actual.Type() != expected.Type()) return failure();
    switch (actual.Type()) {
        case varEmpty:
        case varNull:
            return ::testing::AssertionSuccess();
        case varString:
            return actual.AsString() == expected.AsString() ? ::testing::AssertionSuccess()
                                                            : failure();
        case varOleStr:
            return actual.AsWideString() == expected.AsWideString() ? ::testing::AssertionSuccess()
                                                                    : failure();
        case varSingle:
        case varDouble:
        case varDate: {
            const double a = actual.AsType(varDouble).AsDouble();
            const double b = expected.AsType(varDouble).AsDouble();
            return a == b || (std::isnan(a) && std::isnan(b)) ? ::testing::AssertionSuccess()
                                                              : failure();
        }
        default:
            return VarCompareValue(actual, expected) == TVariantRelationship::vrEqual
                       ? ::testing::AssertionSuccess()
                       : failure();
    }
}

// Runs `f` and checks that it returns `want`, or raises the exception class
// named `raises` when that is not null.
template <typename F>
void ExpectOutcome(const std::string& what, F&& f, const Variant& want, const char* raises) {
    SCOPED_TRACE(what);
    try {
        const Variant got = f();
        if (raises)
            ADD_FAILURE() << "expected " << raises << ", got " << DescribeVariant(got);
        else
            EXPECT_TRUE(SameVariant(got, want));
    } catch (const Exception& e) {
        if (!raises)
            ADD_FAILURE() << "raised " << e.ClassName() << ": " << e.Message();
        else
            EXPECT_STREQ(e.ClassName(), raises) << e.Message();
    }
}

inline constexpr const char* kCast = "EVariantTypeCastError";
inline constexpr const char* kOverflow = "EVariantOverflowError";
inline constexpr const char* kInvalidOp = "EVariantInvalidOpError";
inline constexpr const char* kBadIndex = "EVariantBadIndexError";

}  // namespace runtime
