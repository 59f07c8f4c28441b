#include "gui/colors.h"

#include <gtest/gtest.h>

#include "runtime/component.h"
#include "runtime/exceptions.h"
#include "runtime/objecttext.h"
#include "runtime/properties.h"

namespace gui {
namespace {

TEST(Colors, Encoding) {
    EXPECT_EQ(ColorValue(RGBColor(0x12, 0x34, 0x56)), 0x563412u);
    EXPECT_EQ(ColorValue(clBtnFace), 0xFF00000Fu);
    EXPECT_LT(static_cast<int32_t>(clBtnFace), 0) << "system colours are negative";
    EXPECT_TRUE(IsSystemColor(clHighlight));
    EXPECT_EQ(SystemColorIndex(clHighlight), 13);
    EXPECT_FALSE(IsSystemColor(clWhite));
    EXPECT_FALSE(IsSystemColor(clNone));
    EXPECT_EQ(RedOf(clRed), 0xFF);
    EXPECT_EQ(BlueOf(clNavy), 0x80);
}

TEST(Colors, NamesAndNumbersBothWays) {
    struct Row {
        TColor color;
        const char* text;
    };
    const Row rows[] = {
        {clBtnFace, "clBtnFace"},
        {clSilver, "clSilver"},  // the first of its two names
        {clNone, "clNone"},
        {RGBColor(1, 2, 3), "$00030201"},
        {MakeColor(0xFF0000FFu), "$FF0000FF"},  // system colour 255 has no name
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ColorToString(row.color), row.text);
        EXPECT_EQ(StringToColor(row.text), row.color) << row.text;
    }
    EXPECT_EQ(StringToColor("CLLTGRAY"), clSilver);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_THROW(StringToColor("clNoSuchColour"), runtime::EConvertError);
    EXPECT_THROW(StringToColor("$1FFFFFFFF"), runtime::EConvertError);
}

class TColored : public runtime::TComponent {
    RUNTIME_CLASS(TColored)
  public:
    using TComponent::TComponent;
    TColor Color() const { return color_; }
    void SetColor(TColor c) { color_ = c; }

  private:
    TColor color_ = clWindow;
};

RUNTIME_BEGIN_CLASS(TColored, runtime::TComponent)
RUNTIME_PROPERTY(Color, Color, SetColor).Default(clWindow);
RUNTIME_END_CLASS

TEST(Colors, LayoutsReadAndWriteColoursByName) {
    RegisterColorIdents();
    struct Row {
        const char* value;
        TColor expected;
    };
    const Row rows[] = {{"clBtnFace", clBtnFace},
                        {"255", clRed},
                        {"-16777201", clBtnFace},
                        {"$00102030", RGBColor(0x30, 0x20, 0x10)}};
    for (const Row& row : rows) {
        TColored c(nullptr);
        runtime::ReadComponentFromText(
            std::string("object C: TColored\n  Color = ") + row.value + "\nend\n", c);
        EXPECT_EQ(c.Color(), row.expected) << row.value;
    }
    TColored c(nullptr);
    c.SetColor(clBtnFace);
    EXPECT_NE(runtime::WriteComponentToText(c).find("Color = clBtnFace"), std::string::npos);
    c.SetColor(RGBColor(1, 2, 3));
    EXPECT_NE(runtime::WriteComponentToText(c).find("Color = 197121"), std::string::npos);
    EXPECT_THROW(runtime::ReadComponentFromText("object C: TColored\n  Color = clNope\nend\n", c),
                 runtime::EReadError);
}

}  // namespace
}  // namespace gui
