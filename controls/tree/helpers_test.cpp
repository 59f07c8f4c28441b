#include "controls/tree/helpers.h"

#include <gtest/gtest.h>

#include "runtime/streams.h"

namespace controls::tree {
namespace {

void Load(runtime::TMemoryStream& s, const std::string& bytes) {
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
}

TEST(StreamHelpers, LengthPrefixedStringsRoundTrip) {
    runtime::TMemoryStream s;
    ASSERT_TRUE(WriteStringToStream(s, ""));
    ASSERT_TRUE(WriteStringToStream(s, "ab"));
    ASSERT_TRUE(WriteWideStringToStream(s, u"\u0410z"));
    EXPECT_EQ(std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size())),
              std::string("\0\0\0\0\x02\0\0\0"
                          "ab\x02\0\0\0\x10\x04z\0",
                          18));
    s.SetPosition(0);
    std::string a = "x", b;
    std::u16string w;
    EXPECT_TRUE(ReadStringFromStream(s, a));
    EXPECT_TRUE(ReadStringFromStream(s, b));
    EXPECT_TRUE(ReadWideStringFromStream(s, w));
    EXPECT_EQ(a, "");
    EXPECT_EQ(b, "ab");
    EXPECT_EQ(w, u"\u0410z");
}

TEST(StreamHelpers, DamagedLengthsFailWithoutChangingTheOutput) {
    const std::string cases[] = {
        std::string("\xFF\xFF\xFF\xFF", 4),  // -1
        std::string("\x05\0\0\0"
                    "abc",
                    7),                      // beyond the stream
        std::string("\x01\0", 2),            // short length
        std::string("\xFF\xFF\xFF\x7F", 4),  // huge: nothing allocated
    };
    for (const std::string& bytes : cases) {
        runtime::TMemoryStream s;
        Load(s, bytes);
        std::string out = "kept";
        EXPECT_FALSE(ReadStringFromStream(s, out));
        EXPECT_EQ(out, "kept");
        runtime::TMemoryStream w;
        Load(w, bytes);
        std::u16string wide = u"kept";
        EXPECT_FALSE(ReadWideStringFromStream(w, wide));
        EXPECT_EQ(wide, u"kept");
    }
    // Three bytes hold only one and a half units.
    runtime::TMemoryStream odd;
    Load(odd, std::string("\x02\0\0\0"
                          "abc",
                          7));
    std::u16string wide = u"kept";
    EXPECT_FALSE(ReadWideStringFromStream(odd, wide));
}

TEST(StreamHelpers, CenterRectsAndIntegers) {
    TGtRect r;
    CenterRects(4, 10, 7, 20, r);
    EXPECT_EQ(r, (TGtRect{3, 7, 6, 13}));
    CenterRects(30, 10, 2, 2, r);  // wider than the area: clipped at its right
    EXPECT_EQ(r, (TGtRect{0, 0, 9, 1}));
    EXPECT_TRUE(InRange(1, 3, 3));
    EXPECT_FALSE(InRange(1, 3, 4));
    EXPECT_EQ(MaxOf(2, -1), 2);
    EXPECT_EQ(MinOf(2, -1), -1);
    EXPECT_EQ(SignOf(-7), -1);
    EXPECT_EQ(SignOf(0), 0);
}

}  // namespace
}  // namespace controls::tree
