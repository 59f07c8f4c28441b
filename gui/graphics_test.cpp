// Bitmaps, icons, pictures, image lists, the canvas and the theme binding.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/graphic.h"
#include "gui/imagelist.h"
#include "gui/stdctrls.h"
#include "gui/testing.h"
#include "gui/themes.h"
#include "runtime/classinfo.h"
#include "runtime/objecttext.h"
#include "runtime/properties.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace gui {
namespace {

using testing::PixelAt;

class GuiGraphics : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testing::EnsureGui(); }
};

void Fill(TBitmap& b, TColor colour, TRect r) {
    b.Canvas().Brush().SetColor(colour);
    b.Canvas().Brush().SetStyle(bsSolid);
    b.Canvas().FillRect(r);
}

std::string Bytes(TGraphic& g) {
    runtime::TMemoryStream stream;
    g.SaveToStream(stream);
    return std::string(static_cast<const char*>(stream.Memory()),
                       static_cast<size_t>(stream.Size()));
}

void LoadBytes(TGraphic& g, const std::string& bytes) {
    runtime::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    g.LoadFromStream(stream);
}

// ---- bitmaps -------------------------------------------------------------------------------

TEST_F(GuiGraphics, BitmapsRoundTripTheirFileFormatAndReadOthers) {
    TBitmap original(5, 3);
    Fill(original, clWhite, {0, 0, 5, 3});
    original.ScanLine(0)[0] = 0x00112233;
    original.ScanLine(2)[4] = 0x00ABCDEF;
    TBitmap copy;
    LoadBytes(copy, Bytes(original));
    ASSERT_EQ(copy.Width(), 5);
    ASSERT_EQ(copy.Height(), 3);
    EXPECT_EQ(PixelAt(copy, 0, 0), 0x112233u);
    EXPECT_EQ(PixelAt(copy, 4, 2), 0xABCDEFu);
    EXPECT_EQ(PixelAt(copy, 2, 1), 0xFFFFFFu);

    // An 8-bit bottom-up file with a palette of two colours.
    std::string file(14 + 40 + 8 + 4 * 2, '\0');
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&file[at], &v, 2); };
    put16(0, 0x4D42);
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 14 + 40 + 8);
    put32(14, 40);
    put32(18, 2);  // width
    put32(22, 2);  // height, bottom-up
    put16(26, 1);
    put16(28, 8);
    put32(46, 2);           // colours used
    put32(54, 0x000000FF);  // blue
    put32(58, 0x00FF0000);  // red
    file[62] = 1;           // bottom row: red, blue
    file[66] = 0;           // top row: blue, red
    file[67] = 1;
    TBitmap paletted;
    LoadBytes(paletted, file);
    EXPECT_EQ(PixelAt(paletted, 0, 0), 0x0000FFu);
    EXPECT_EQ(PixelAt(paletted, 1, 0), 0xFF0000u);
    EXPECT_EQ(PixelAt(paletted, 0, 1), 0xFF0000u);
}

TEST_F(GuiGraphics, DamagedBitmapFilesAreRefused) {
    TBitmap good(2, 2);
    const std::string bytes = Bytes(good);
    auto damaged = [&](size_t at, uint32_t value) {
        std::string b = bytes;
        std::memcpy(&b[at], &value, 4);
        return b;
    };
    struct Row {
        const char* what;
        std::string data;
    };
    const Row rows[] = {
        {"not a bitmap", "GIF89a"},
        {"cut short", bytes.substr(0, bytes.size() - 3)},
        {"size beyond the data", damaged(2, 1u << 30)},
        {"pixels past the end", damaged(22, 5000)},
        {"height of -2^31", damaged(22, 0x80000000u)},
        {"huge width", damaged(18, 1u << 30)},
        {"header larger than the file", damaged(14, 1u << 20)},
    };
    for (const Row& row : rows) {
        TBitmap b(3, 3);
        EXPECT_ANY_THROW(LoadBytes(b, row.data)) << row.what;
    }
}

TEST_F(GuiGraphics, TransparentBitmapsLeaveTheirKeyColourOut) {
    TBitmap image(4, 4);
    Fill(image, clFuchsia, {0, 0, 4, 4});
    Fill(image, clBlue, {1, 1, 3, 3});
    EXPECT_EQ(image.TransparentColor(), clFuchsia) << "the bottom-left pixel";
    TBitmapHandle mask = image.CreateMask(clFuchsia);
    ASSERT_TRUE(mask);

    image.SetTransparent(true);
    TBitmap target(8, 8);
    Fill(target, clLime, {0, 0, 8, 8});
    target.Canvas().Draw(2, 2, image);
    GdiFlush();
    EXPECT_EQ(PixelAt(target, 2, 2), 0x00FF00u);
    EXPECT_EQ(PixelAt(target, 3, 3), 0x0000FFu);
    target.Canvas().StretchDraw({0, 0, 8, 8}, image);
    GdiFlush();
    EXPECT_EQ(PixelAt(target, 0, 0), 0x00FF00u);
    EXPECT_EQ(PixelAt(target, 4, 4), 0x0000FFu);
}

// ---- icons and pictures ------------------------------------------------------------------

HICON MakeIcon(COLORREF colour) {
    TBitmap colourBits(32, 32);
    Fill(colourBits, MakeColor(colour), {0, 0, 32, 32});
    TBitmapHandle mask(CreateBitmap(32, 32, 1, 1, nullptr));
    ICONINFO info{TRUE, 0, 0, mask.Get(), colourBits.Handle()};
    return CreateIconIndirect(&info);
}

TEST_F(GuiGraphics, IconsSaveLoadAndDraw) {
    TIcon icon;
    icon.SetHandle(MakeIcon(RGB(255, 0, 0)));
    EXPECT_EQ(icon.Width(), 32);
    TIcon copy;
    LoadBytes(copy, Bytes(icon));
    EXPECT_EQ(copy.Width(), 32);
    EXPECT_EQ(copy.Height(), 32);
    TBitmap target(32, 32);
    Fill(target, clWhite, {0, 0, 32, 32});
    target.Canvas().Draw(0, 0, copy);
    GdiFlush();
    EXPECT_EQ(PixelAt(target, 16, 16), 0xFF0000u);
    TIcon broken;
    EXPECT_THROW(LoadBytes(broken, std::string("\0\0\1\0\5\0", 6)), EInvalidGraphic);
}

// A graphic format a library would register (as PNG and GIF do).
class TTinyGraphic : public TGraphic {
    RUNTIME_CLASS(TTinyGraphic)

  public:
    bool Empty() const override { return colour_ == clNone; }
    int Width() const override { return 2; }
    int Height() const override { return 2; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    void Draw(TCanvas& canvas, const TRect& r) override {
        canvas.Brush().SetColor(colour_);
        canvas.FillRect(r);
    }
    void LoadFromStream(runtime::TStream& stream) override {
        char tag[4];
        stream.ReadBuffer(tag, 4);
        if (std::memcmp(tag, "TINY", 4) != 0) throw EInvalidGraphic("not tiny");
        int32_t c = 0;
        stream.ReadBuffer(&c, 4);
        colour_ = static_cast<TColor>(c);
        Changed();
    }
    void SaveToStream(runtime::TStream& stream) override {
        stream.WriteBuffer("TINY", 4);
        const int32_t c = colour_;
        stream.WriteBuffer(&c, 4);
    }
    void Assign(const runtime::TPersistent* source) override {
        if (const auto* other = dynamic_cast<const TTinyGraphic*>(source)) {
            colour_ = other->colour_;
            Changed();
            return;
        }
        TGraphic::Assign(source);
    }
    TColor colour_ = clNone;
};
RUNTIME_BEGIN_CLASS(TTinyGraphic, TGraphic)
RUNTIME_END_CLASS

class TPictureHolder : public TForm {
    RUNTIME_CLASS(TPictureHolder)

  public:
    explicit TPictureHolder(TComponent* owner) : TForm(owner) {}
};
RUNTIME_BEGIN_CLASS(TPictureHolder, TForm)
RUNTIME_END_CLASS

TEST_F(GuiGraphics, PicturesFindTheirClassByExtensionAndTravelInLayouts) {
    TPicture::RegisterFileFormat("tiny", "Tiny pictures", "TTinyGraphic",
                                 [] { return std::make_unique<TTinyGraphic>(); });
    EXPECT_NE(TPicture::GraphicFilter().find("Tiny pictures (*.tiny)|*.tiny"), std::string::npos);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "serplow-gui-pictures";
    std::filesystem::create_directories(folder);
    TTinyGraphic tiny;
    tiny.colour_ = clRed;
    const std::u16string tinyFile = runtime::AnsiToWide((folder / "a.TINY").string());
    tiny.SaveToFile(tinyFile);
    TPicture picture;
    picture.LoadFromFile(tinyFile);
    ASSERT_NE(dynamic_cast<TTinyGraphic*>(picture.Graphic()), nullptr)
        << "by extension, case ignored";
    EXPECT_EQ(static_cast<TTinyGraphic*>(picture.Graphic())->colour_, clRed);
    EXPECT_THROW(picture.LoadFromFile(runtime::AnsiToWide((folder / "a.xyz").string())),
                 EInvalidGraphic);

    // A picture in a layout keeps its class and data: an image written out
    // and read back into a new form.
    runtime::RegisterClassInfo<TPictureHolder>();
    TPictureHolder holder(nullptr);
    holder.SetName("Holder");
    auto* image = new TImage(&holder);
    image->SetName("Image1");
    image->SetParent(&holder);
    image->Picture()->SetGraphic(&tiny);
    TBitmap bitmap(3, 2);
    Fill(bitmap, clBlue, {0, 0, 3, 2});
    auto* image2 = new TImage(&holder);
    image2->SetName("Image2");
    image2->SetParent(&holder);
    image2->Picture()->SetGraphic(&bitmap);
    const std::string text = runtime::WriteComponentToText(holder);
    EXPECT_NE(text.find("Picture.Data"), std::string::npos);

    TPictureHolder back(nullptr);
    runtime::ReadComponentFromText(text, back);
    auto* read1 = dynamic_cast<TImage*>(back.FindComponent("Image1"));
    auto* read2 = dynamic_cast<TImage*>(back.FindComponent("Image2"));
    ASSERT_NE(read1, nullptr);
    ASSERT_NE(read2, nullptr);
    ASSERT_NE(dynamic_cast<TTinyGraphic*>(read1->Picture()->Graphic()), nullptr);
    EXPECT_EQ(static_cast<TTinyGraphic*>(read1->Picture()->Graphic())->colour_, clRed);
    EXPECT_EQ(read2->Picture()->Bitmap().Width(), 3);
    EXPECT_EQ(PixelAt(read2->Picture()->Bitmap(), 2, 1), 0x0000FFu);
    std::filesystem::remove_all(folder);
}

// ---- image lists ---------------------------------------------------------------------------

TEST_F(GuiGraphics, ImageListsDrawMasksOverlaysAndTravelInLayouts) {
    TForm holder(nullptr);
    auto* list = new TImageList(&holder);
    list->SetName("List");
    for (TColor c : {clRed, clBlue}) {
        TBitmap image(16, 16);
        Fill(image, c, {0, 0, 16, 16});
        list->Add(image);
    }
    // Magenta corners are transparent; the middle is green.
    TBitmap masked(16, 16);
    Fill(masked, clFuchsia, {0, 0, 16, 16});
    Fill(masked, clLime, {4, 4, 12, 12});
    EXPECT_EQ(list->AddMasked(masked, clFuchsia), 2);
    EXPECT_EQ(list->Count(), 3);

    TBitmap target(48, 16);
    Fill(target, clWhite, {0, 0, 48, 16});
    list->Draw(target.Canvas(), 0, 0, 1);
    list->Draw(target.Canvas(), 16, 0, 2);
    list->Overlay(2, 0);
    list->Draw(target.Canvas(), 32, 0, 0, true, 0);
    GdiFlush();
    EXPECT_EQ(PixelAt(target, 8, 8), 0x0000FFu);
    EXPECT_EQ(PixelAt(target, 17, 1), 0xFFFFFFu) << "transparent corner";
    EXPECT_EQ(PixelAt(target, 24, 8), 0x00FF00u);
    EXPECT_EQ(PixelAt(target, 33, 1), 0xFF0000u) << "the base image shows round the overlay";
    EXPECT_EQ(PixelAt(target, 40, 8), 0x00FF00u) << "the overlay on top";

    // Written into a layout and read back.
    int changes = 0;
    TChangeLink link;
    link.OnChange = [&](runtime::TObject*) { ++changes; };
    runtime::RegisterClassInfo<TPictureHolder>();
    TPictureHolder root(nullptr);
    root.SetName("Root");
    auto* stored = new TImageList(&root);
    stored->SetName("Stored");
    TBitmap image;
    for (int i = 0; i < 3; ++i) {
        list->GetBitmap(i, image);
        stored->Add(image);
    }
    const std::string text = runtime::WriteComponentToText(root);
    TPictureHolder back(nullptr);
    runtime::ReadComponentFromText(text, back);
    auto* read = dynamic_cast<TImageList*>(back.FindComponent("Stored"));
    ASSERT_NE(read, nullptr);
    read->RegisterChanges(&link);
    ASSERT_EQ(read->Count(), 3);
    TBitmap corner;
    read->GetBitmap(2, corner);
    EXPECT_EQ(corner.ScanLine(0)[0] >> 24, 0u) << "the mask survives";
    EXPECT_EQ(PixelAt(corner, 8, 8), 0x00FF00u);
    read->Delete(0);
    EXPECT_EQ(changes, 1);
    EXPECT_THROW(read->Delete(7), EInvalidGraphic);
}

TEST_F(GuiGraphics, ImageListsOf32PixelImages) {
    runtime::RegisterClassInfo<TPictureHolder>();
    TPictureHolder root(nullptr);
    root.SetName("Root");
    auto* list = new TImageList(&root);
    list->SetName("Large");
    list->SetWidth(32);
    list->SetHeight(32);
    // A strip of two: red, then blue.
    TBitmap strip(64, 32);
    Fill(strip, clRed, {0, 0, 32, 32});
    Fill(strip, clBlue, {32, 0, 64, 32});
    EXPECT_EQ(list->Add(strip), 0);
    TBitmap masked(32, 32);
    Fill(masked, clFuchsia, {0, 0, 32, 32});
    Fill(masked, clLime, {8, 8, 24, 24});
    EXPECT_EQ(list->AddMasked(masked, clFuchsia), 2);
    ASSERT_EQ(list->Count(), 3);
    int width = 0;
    int height = 0;
    ImageList_GetIconSize(list->Handle(), &width, &height);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);

    TBitmap target(96, 32);
    Fill(target, clWhite, {0, 0, 96, 32});
    for (int i = 0; i < 3; ++i) list->Draw(target.Canvas(), i * 32, 0, i);
    GdiFlush();
    EXPECT_EQ(PixelAt(target, 31, 31), 0xFF0000u);
    EXPECT_EQ(PixelAt(target, 40, 20), 0x0000FFu);
    EXPECT_EQ(PixelAt(target, 65, 1), 0xFFFFFFu) << "transparent corner";
    EXPECT_EQ(PixelAt(target, 80, 16), 0x00FF00u);

    // The size travels with the images in a layout.
    const std::string text = runtime::WriteComponentToText(root);
    TPictureHolder back(nullptr);
    runtime::ReadComponentFromText(text, back);
    auto* read = dynamic_cast<TImageList*>(back.FindComponent("Large"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Width(), 32);
    ASSERT_EQ(read->Count(), 3);
    TBitmap image;
    read->GetBitmap(1, image);
    EXPECT_EQ(image.Width(), 32);
    EXPECT_EQ(PixelAt(image, 31, 31), 0x0000FFu);
}

// ---- canvas --------------------------------------------------------------------------------

TEST_F(GuiGraphics, CanvasClipsPensAndMeasuresText) {
    TBitmap b(40, 40);
    TCanvas& c = b.Canvas();
    Fill(b, clWhite, {0, 0, 40, 40});
    c.IntersectClip({10, 10, 20, 20});
    Fill(b, clRed, {0, 0, 40, 40});
    c.RemoveClip();
    GdiFlush();
    EXPECT_EQ(PixelAt(b, 5, 5), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(b, 15, 15), 0xFF0000u);

    // An XOR pen twice over the same line leaves the picture as it was.
    c.Pen().SetColor(clBlue);
    c.Pen().SetMode(pmXor);
    for (int i = 0; i < 2; ++i) {
        c.MoveTo(0, 30);
        c.LineTo(40, 30);
    }
    c.Pen().SetMode(pmCopy);
    GdiFlush();
    EXPECT_EQ(PixelAt(b, 20, 30), 0xFFFFFFu);
    const TPoint triangle[] = {{0, 39}, {20, 21}, {39, 39}};
    c.Brush().SetColor(clLime);
    c.Polygon(triangle);
    GdiFlush();
    EXPECT_EQ(PixelAt(b, 20, 35), 0x00FF00u);

    c.Font().SetName("Tahoma");
    c.Font().SetSize(10);
    const TSize one = c.TextExtent("W");
    const TSize three = c.TextExtent("WWW");
    EXPECT_GT(one.Width, 0);
    EXPECT_EQ(three.Width, 3 * one.Width);
    EXPECT_EQ(c.TextExtent(u"\u00e9t\u00e9").Height, one.Height);
}

// ---- themes --------------------------------------------------------------------------------

TEST_F(GuiGraphics, ThemingCanBeSwitchedOffPerControl) {
    TThemeServices& themes = TThemeServices::Instance();
    ASSERT_TRUE(themes.Available()) << "Wine ships uxtheme";
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->HandleNeeded();
    TThemeHandle themed(button->Handle(), L"BUTTON");
    EXPECT_TRUE(themed);

    SetControlThemed(*button, false);
    TThemeHandle off(button->Handle(), L"BUTTON");
    EXPECT_FALSE(off) << "no theme data for the window any more";
    button->RecreateWnd();
    TThemeHandle stillOff(button->Handle(), L"BUTTON");
    EXPECT_FALSE(stillOff) << "and not after the window is made again";
    SetControlThemed(*button, true);
    TThemeHandle back(button->Handle(), L"BUTTON");
    EXPECT_TRUE(back);
}

}  // namespace
}  // namespace gui
