#pragma once

// Pictures: the TGraphic base, 32-bit bitmaps, icons, and TPicture, which
// holds any graphic and finds the graphic class for a file by its
// extension in a registry that other libraries add formats to.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "gui/colors.h"
#include "gui/errors.h"
#include "gui/geometry.h"
#include "gui/graphics.h"
#include "gui/handles.h"
#include "gui/win.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/persistent.h"

namespace runtime {
class TStream;
}

namespace gui {

class TCanvas;

class TGraphic : public runtime::TPersistent {
    RUNTIME_CLASS(TGraphic)

  public:
    ~TGraphic() override;

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool value);

    // Draws the graphic stretched into r.
    virtual void Draw(TCanvas& canvas, const TRect& r) = 0;

    // The graphic's file format, read from / written to the stream's position.
    virtual void LoadFromStream(runtime::TStream& stream) = 0;
    virtual void SaveToStream(runtime::TStream& stream) = 0;
    void LoadFromFile(const std::u16string& fileName);
    void SaveToFile(const std::u16string& fileName);

    // Layouts hold the file data under "Data".
    void DefineProperties(runtime::TFiler& filer) override;

    runtime::TNotifyEvent OnChange;

  protected:
    void Changed();

  private:
    bool transparent_ = false;
};

RUNTIME_ENUM(TTransparentMode, tmAuto, tmFixed)

// A 32-bit top-down DIB section: pixels are 0xAARRGGBB words, rows from the
// top. The canvas draws into it through a memory device context that lives
// as long as the bitmap.
class TBitmap : public TGraphic {
    RUNTIME_CLASS(TBitmap)

  public:
    TBitmap();
    TBitmap(int width, int height);
    ~TBitmap() override;

    bool Empty() const override { return width_ == 0 || height_ == 0; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int value) override { SetSize(value, height_); }
    void SetHeight(int value) override { SetSize(width_, value); }
    // Keeps the pixels of the part both sizes share; new pixels are 0.
    void SetSize(int width, int height);

    // Row `row` (0 is the top); EInvalidOperation out of range.
    uint32_t* ScanLine(int row);
    const uint32_t* ScanLine(int row) const;
    TColor PixelColor(int x, int y) const;

    TCanvas& Canvas();
    HBITMAP Handle() const { return bitmap_.Get(); }
    // Takes over a bitmap of any format, converted to 32 bits.
    void SetHandle(HBITMAP bitmap);
    // A bitmap resource of the module (nullptr: the program).
    void LoadFromResourceName(HINSTANCE module, std::u16string_view name);

    // Transparent drawing leaves out the pixels of TransparentColor: with
    // tmAuto the colour of the bottom-left pixel, with tmFixed the one set.
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode value);
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value);
    // A monochrome mask: white where the pixel is `transparent`, black elsewhere.
    TBitmapHandle CreateMask(TColor transparent) const;

    // The alpha bytes hold premultiplied coverage, drawn with alpha blending.
    bool AlphaChannel() const { return alphaChannel_; }
    void SetAlphaChannel(bool value);

    void Draw(TCanvas& canvas, const TRect& r) override;
    // BMP file format; reads every format Windows reads, writes 32 bits.
    void LoadFromStream(runtime::TStream& stream) override;
    void SaveToStream(runtime::TStream& stream) override;
    void Assign(const runtime::TPersistent* source) override;

  private:
    class TBitmapCanvas;
    void Allocate(int width, int height);

    int width_ = 0;
    int height_ = 0;
    TBitmapHandle bitmap_;
    uint32_t* bits_ = nullptr;
    TDCHandle dc_;
    HGDIOBJ oldBitmap_ = nullptr;
    std::unique_ptr<TCanvas> canvas_;
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clDefault;
    bool alphaChannel_ = false;
};

// An icon; the file data it was read from is kept for saving.
class TIcon : public TGraphic {
    RUNTIME_CLASS(TIcon)

  public:
    TIcon();
    ~TIcon() override;

    bool Empty() const override { return !icon_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Transparent() const override { return true; }

    HICON Handle() const { return icon_.Get(); }
    // Takes over the icon.
    void SetHandle(HICON icon);
    // An icon resource of the module (nullptr: the program), at its
    // nearest size to width x height (0: the system size).
    void LoadFromResourceName(HINSTANCE module, std::u16string_view name, int width = 0,
                              int height = 0);

    void Draw(TCanvas& canvas, const TRect& r) override;
    // ICO file format: the image nearest the requested size (32 x 32 when none set).
    void LoadFromStream(runtime::TStream& stream) override;
    void SaveToStream(runtime::TStream& stream) override;
    void Assign(const runtime::TPersistent* source) override;

  private:
    TIconHandle icon_;
    std::string data_;
    int width_ = 0;
    int height_ = 0;
    int wantedWidth_ = 0;
    int wantedHeight_ = 0;
};

// Makes a new, empty graphic of one class.
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// Holds one graphic of any registered class.
class TPicture : public runtime::TPersistent {
    RUNTIME_CLASS(TPicture)

  public:
    TPicture();
    ~TPicture() override;

    TGraphic* Graphic() const { return graphic_.get(); }
    // A copy of `graphic` (nullptr empties the picture).
    void SetGraphic(const TGraphic* graphic);
    // The graphic as a bitmap or an icon; a graphic of another class is
    // replaced by an empty one of that class.
    TBitmap& Bitmap();
    TIcon& Icon();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // By the file's extension; EInvalidGraphic "Unknown picture file
    // extension (.xyz)" for one no class is registered for.
    void LoadFromFile(const std::u16string& fileName);
    void SaveToFile(const std::u16string& fileName);

    void Assign(const runtime::TPersistent* source) override;
    // Layouts hold "Data": the graphic's class name, then its file data.
    void DefineProperties(runtime::TFiler& filer) override;

    runtime::TNotifyEvent OnChange;

    // The registry of graphic classes. `extension` without the dot
    // ("bmp"); a later registration of an extension replaces the earlier.
    static void RegisterFileFormat(std::string extension, std::string description,
                                   std::string className, TGraphicFactory factory);
    // The factory of a registered class name, nullptr when none.
    static const TGraphicFactory* FactoryForClass(std::string_view className);
    // "Bitmaps (*.bmp)|*.bmp|..." for the open and save dialogs.
    static std::string GraphicFilter();

  private:
    void Attach(std::unique_ptr<TGraphic> graphic);
    void GraphicChanged();

    std::unique_ptr<TGraphic> graphic_;
};

// Registers the bitmap and icon formats (part of the class library's start-up).
void RegisterStandardGraphics();

}  // namespace gui
