// Variant arrays: bounds, up to three dimensions in use, element types with
// conversion on write, redim, copy on assignment and index errors.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/variant.h"
#include "runtime/variant_test_support.h"

namespace runtime {
namespace {

TEST(VariantArray, BoundsOfEachDimension) {
    const struct {
        std::vector<TVarArrayBound> bounds;
        std::vector<int32_t> highs;
    } rows[] = {
        {{{0, 5}}, {4}},
        {{{-3, 3}}, {-1}},
        {{{1, 0}}, {0}},  // empty: high = low - 1
        {{{1, 2}, {-1, 3}}, {2, 1}},
        {{{-2, 2}, {0, 3}, {5, 4}}, {-1, 2, 8}},
        {{{INT32_MAX, 1}}, {INT32_MAX}},
    };
    for (const auto& row : rows) {
        const Variant a = Variant::CreateArray(row.bounds, varVariant);
        ASSERT_EQ(a.ArrayDimCount(), static_cast<int>(row.bounds.size()));
        for (size_t d = 0; d < row.bounds.size(); ++d) {
            const int dim = static_cast<int>(d) + 1;
            EXPECT_EQ(a.ArrayLowBound(dim), row.bounds[d].LowBound);
            EXPECT_EQ(a.ArrayHighBound(dim), row.highs[d]);
        }
        EXPECT_THROW((void)a.ArrayLowBound(0), EVariantBadIndexError);
        EXPECT_THROW((void)a.ArrayHighBound(a.ArrayDimCount() + 1), EVariantBadIndexError);
    }
    const Variant pairs = Variant::CreateArray({-5, -4, 10, 12}, varInteger);
    EXPECT_EQ(pairs.Type(), varArray | varInteger);
    EXPECT_EQ(pairs.ArrayElementType(), varInteger);
    EXPECT_EQ(pairs.ArrayHighBound(1), -4);
    EXPECT_EQ(pairs.ArrayLowBound(2), 10);
    EXPECT_EQ(pairs.ArrayHighBound(2), 12);
}

TEST(VariantArray, CreationErrors) {
    const struct {
        const char* what;
        std::vector<TVarArrayBound> bounds;
        TVarType type;
    } rows[] = {
        {"no dimension", {}, varVariant},
        {"negative count", {{0, -1}}, varVariant},
        {"high bound past Integer", {{INT32_MAX, 2}}, varVariant},
        {"too many elements", {{0, 1 << 14}, {0, 1 << 14}}, varByte},
        {"Empty elements", {{0, 1}}, varEmpty},
        {"Null elements", {{0, 1}}, varNull},
        {"array elements", {{0, 1}}, varArray | varVariant},
        {"unknown element type", {{0, 1}}, 0x0E},
        {"65 dimensions", std::vector<TVarArrayBound>(65, TVarArrayBound{0, 1}), varVariant},
    };
    for (const auto& row : rows)
        EXPECT_THROW((void)Variant::CreateArray(row.bounds, row.type), EVariantArrayCreateError)
            << row.what;
    EXPECT_THROW((void)Variant::CreateArray({0}, varVariant), EVariantArrayCreateError);
    EXPECT_THROW((void)Variant::CreateArray({5, 3}, varVariant), EVariantArrayCreateError);
    EXPECT_THROW((void)Variant::CreateArray({INT32_MIN, INT32_MAX}, varVariant),
                 EVariantArrayCreateError);
    EXPECT_NO_THROW((void)Variant::CreateArray({5, 4}, varVariant));
    const std::vector<TVarArrayBound> deep(64, TVarArrayBound{0, 1});
    EXPECT_EQ(Variant::CreateArray(deep, varVariant).ArrayDimCount(), 64);
}

TEST(VariantArray, ThreeDimensionsReadAndWrittenInPlace) {
    Variant a = Variant::CreateArray({-1, 1, 0, 2, 3, 4}, varVariant);
    const auto code = [](int i, int j, int k) { return (i + 1) * 100 + j * 10 + (k - 3); };
    for (int i = -1; i <= 1; ++i)
        for (int j = 0; j <= 2; ++j)
            for (int k = 3; k <= 4; ++k) a.SetElement({i, j, k}, Variant(code(i, j, k)));
    for (int i = -1; i <= 1; ++i)
        for (int j = 0; j <= 2; ++j)
            for (int k = 3; k <= 4; ++k)
                EXPECT_TRUE(SameVariant(a.GetElement({i, j, k}), Variant(code(i, j, k))))
                    << i << "," << j << "," << k;

    const struct {
        const char* what;
        std::vector<int32_t> indices;
    } bad[] = {
        {"below dimension 1", {-2, 0, 3}},    {"above dimension 1", {2, 0, 3}},
        {"below dimension 2", {0, -1, 3}},    {"above dimension 2", {0, 3, 3}},
        {"below dimension 3", {0, 0, 2}},     {"above dimension 3", {0, 0, 5}},
        {"too few indexes", {0, 0}},          {"too many indexes", {0, 0, 3, 0}},
        {"extreme index", {INT32_MIN, 0, 3}},
    };
    for (const auto& row : bad) {
        EXPECT_THROW((void)a.GetElement(row.indices), EVariantBadIndexError) << row.what;
        EXPECT_THROW(a.SetElement(row.indices, Variant(1)), EVariantBadIndexError) << row.what;
        EXPECT_THROW((void)a.ElementRef(row.indices), EVariantBadIndexError) << row.what;
    }
}

TEST(VariantArray, ElementTypesConvertOnWrite) {
    const Variant nothing;
    const struct {
        const char* what;
        TVarType type;
        Variant fresh;  // a new element
        Variant write;
        Variant want;
        const char* raises = nullptr;
    } rows[] = {
        {"Integer from text", varInteger, Variant(0), Variant("12"), Variant(12)},
        {"Integer from 2.5", varInteger, Variant(0), Variant(2.5), Variant(2)},
        {"Integer from bad text", varInteger, Variant(0), Variant("abc"), Variant(0), kCast},
        {"Integer from Null", varInteger, Variant(0), Variant::Null(), Variant(0), kCast},
        {"Byte overflow", varByte, Variant::FromByte(0), Variant(300), Variant::FromByte(0),
         kOverflow},
        {"Double from Integer", varDouble, Variant(0.0), Variant(3), Variant(3.0)},
        {"String from number", varString, Variant(""), Variant(5), Variant("5")},
        {"OleStr from 8-bit", varOleStr, Variant(u""), Variant("a"), Variant(u"a")},
        {"Boolean from text", varBoolean, Variant(false), Variant("True"), Variant(true)},
        {"Variant keeps type", varVariant, Variant(), Variant(u"w"), Variant(u"w")},
        {"Variant holds Null", varVariant, Variant(), Variant::Null(), Variant::Null()},
        {"Date from number", varDate, Variant::FromDate(0), Variant(2), Variant::FromDate(2)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Variant a = Variant::CreateArray({1, 2}, row.type);
        EXPECT_TRUE(SameVariant(a.GetElement({1}), row.fresh));
        ExpectOutcome(
            row.what,
            [&] {
                a.SetElement({1}, row.write);
                return a.GetElement({1});
            },
            row.want, row.raises);
        // The failed write left the element as it was.
        EXPECT_TRUE(SameVariant(a.GetElement({1}), row.raises ? row.fresh : row.want));
    }
}

TEST(VariantArray, RedimKeepsElements) {
    Variant a = Variant::CreateArray({-1, 1}, varInteger);
    for (int i = -1; i <= 1; ++i) a.SetElement({i}, Variant(i * 10));
    a.ArrayRedim(3);
    EXPECT_EQ(a.ArrayLowBound(1), -1);
    EXPECT_EQ(a.ArrayHighBound(1), 3);
    const int32_t grown[] = {-10, 0, 10, 0, 0};
    for (int i = -1; i <= 3; ++i) EXPECT_EQ(a.GetElement({i}).AsInteger(), grown[i + 1]);
    a.ArrayRedim(0);
    EXPECT_EQ(a.ArrayHighBound(1), 0);
    EXPECT_EQ(a.GetElement({0}).AsInteger(), 0);
    EXPECT_THROW((void)a.GetElement({1}), EVariantBadIndexError);
    a.ArrayRedim(-2);  // empty
    EXPECT_EQ(a.ArrayHighBound(1), -2);
    EXPECT_THROW(a.ArrayRedim(-3), EVariantInvalidArgError);

    // Two dimensions: the last one grows, every [i, j] keeps its value.
    Variant b = Variant::CreateArray({0, 2, 5, 6}, varVariant);
    for (int i = 0; i <= 2; ++i)
        for (int j = 5; j <= 6; ++j) b.SetElement({i, j}, Variant(i * 10 + j));
    b.ArrayRedim(8);
    for (int i = 0; i <= 2; ++i) {
        for (int j = 5; j <= 6; ++j) EXPECT_EQ(b.GetElement({i, j}).AsInteger(), i * 10 + j);
        EXPECT_TRUE(b.GetElement({i, 8}).IsEmpty());
    }
    EXPECT_THROW(Variant(1).ArrayRedim(3), EVariantNotAnArrayError);
    Variant wide = Variant::CreateArray({0, (1 << 13) - 1, 0, 0}, varByte);
    EXPECT_THROW(wide.ArrayRedim(1 << 14), EVariantArrayCreateError);
    EXPECT_EQ(wide.ArrayHighBound(2), 0);

    // From a negative low bound the top high bound is more elements than a
    // bound counts: the library's range error, the array unchanged.
    Variant low = Variant::CreateArray({-10, 0}, varVariant);
    EXPECT_THROW(low.ArrayRedim(INT32_MAX), ERangeError);
    EXPECT_THROW(low.ArrayRedim(INT32_MAX - 10), ERangeError);
    EXPECT_EQ(low.ArrayHighBound(1), 0);
    EXPECT_THROW(low.ArrayRedim(INT32_MAX - 11), EVariantArrayCreateError);  // fits, too big
}

TEST(VariantArray, CopiedOnAssignment) {
    Variant inner = Variant::ArrayOf({Variant(1), Variant(2)});
    Variant a = Variant::ArrayOf({Variant("x"), inner});
    Variant b = a;
    b.SetElement({0}, Variant("changed"));
    b.ElementRef(std::vector<int32_t>{1})->SetElement({0}, Variant(99));
    EXPECT_EQ(a.GetElement({0}).AsString(), "x");
    EXPECT_EQ(a.GetElement({1}).GetElement({0}).AsInteger(), 1);
    EXPECT_EQ(b.GetElement({1}).GetElement({0}).AsInteger(), 99);
    EXPECT_EQ(inner.GetElement({0}).AsInteger(), 1);

    Variant c;
    c = a;  // assignment copies as well
    c.ArrayRedim(5);
    EXPECT_EQ(a.ArrayHighBound(1), 1);

    // An array stored into itself is a copy of its earlier state.
    a.SetElement({0}, a);
    const Variant nested = a.GetElement({0});
    EXPECT_EQ(nested.GetElement({0}).AsString(), "x");
    EXPECT_TRUE(nested.GetElement({1}).IsArray());

    // Moving an element out of its own array onto the array.
    Variant d = Variant::ArrayOf({Variant("kept")});
    d = std::move(*d.ElementRef(std::vector<int32_t>{0}));
    EXPECT_EQ(d.AsString(), "kept");
}

TEST(VariantArray, ElementRefWritesInPlace) {
    Variant a = Variant::CreateArray({0, 2}, varVariant);
    a.SetElement({1}, Variant::CreateArray({0, 3}, varInteger));
    Variant* slot = a.ElementRef(std::vector<int32_t>{1});
    ASSERT_NE(slot, nullptr);
    slot->SetElement({2}, Variant("7"));  // a[1][2] := '7'
    EXPECT_TRUE(SameVariant(a.GetElement({1}).GetElement({2}), Variant(7)));
    *a.ElementRef(std::vector<int32_t>{0}) = Variant(u"direct");
    EXPECT_TRUE(SameVariant(a.GetElement({0}), Variant(u"direct")));

    Variant ints = Variant::CreateArray({0, 1}, varInteger);
    EXPECT_EQ(ints.ElementRef(std::vector<int32_t>{0}), nullptr);
}

TEST(VariantArray, ArrayOfAndNonArrays) {
    const Variant a = Variant::ArrayOf({Variant(1), Variant("two"), Variant::Null()});
    EXPECT_EQ(a.Type(), varArray | varVariant);
    EXPECT_EQ(a.ArrayLowBound(1), 0);
    EXPECT_EQ(a.ArrayHighBound(1), 2);
    EXPECT_TRUE(SameVariant(a.GetElement({1}), Variant("two")));
    EXPECT_TRUE(a.GetElement({2}).IsNull());
    const Variant empty = Variant::ArrayOf({});
    EXPECT_EQ(empty.ArrayHighBound(1), -1);

    const Variant scalar(5);
    EXPECT_EQ(scalar.ArrayDimCount(), 0);
    EXPECT_EQ(scalar.ArrayElementType(), varEmpty);
    EXPECT_THROW((void)scalar.GetElement({0}), EVariantNotAnArrayError);
    EXPECT_THROW((void)scalar.ArrayLowBound(1), EVariantNotAnArrayError);
    EXPECT_TRUE(SameVariant(a.AsType(varArray | varVariant).GetElement({0}), Variant(1)));
    EXPECT_THROW((void)a.AsType(varArray | varInteger), EVariantTypeCastError);
}

TEST(VariantArray, FreshElementsOfEachType) {
    const struct {
        TVarType type;
        Variant fresh;
    } rows[] = {
        {varVariant, Variant()},
        {varString, Variant("")},
        {varOleStr, Variant(u"")},
        {varBoolean, Variant(false)},
        {varSmallint, Variant::FromSmallint(0)},
        {varSingle, Variant::FromSingle(0)},
        {varCurrency, Variant::FromCurrency(0)},
        {varInt64, Variant(int64_t{0})},
        {varError, Variant::FromError(0)},
    };
    for (const auto& row : rows) {
        const Variant a = Variant::CreateArray({0, 0}, row.type);
        EXPECT_TRUE(SameVariant(a.GetElement({0}), row.fresh)) << VarTypeAsText(row.type);
    }
    const Variant objects = Variant::CreateArray({0, 0}, varDispatch);
    EXPECT_EQ(objects.GetElement({0}).Type(), varDispatch);
    EXPECT_EQ(objects.GetElement({0}).AsDispatch(), nullptr);
}

}  // namespace
}  // namespace runtime
