#pragma once

// Image lists: equal-sized images (16 x 16 by default, or 32 x 32) in one
// system image list with masks, drawn normally, blended or greyed, with
// overlay images. Layouts keep the images under "Bitmap" in the class
// library's own format (32-bit pixels with their alpha).

#include <cstdint>
#include <vector>

#include "gui/colors.h"
#include "gui/geometry.h"
#include "gui/handles.h"
#include "runtime/component.h"
#include "runtime/events.h"

namespace gui {

class TBitmap;
class TCanvas;
class TIcon;
class TCustomImageList;

RUNTIME_ENUM(TDrawingStyle, dsFocus, dsSelected, dsNormal, dsTransparent)

// Tells a client (a menu, a toolbar) that an image list changed.
class TChangeLink {
  public:
    TChangeLink() = default;
    virtual ~TChangeLink();
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    TCustomImageList* Sender() const { return sender_; }
    virtual void Change();
    runtime::TNotifyEvent OnChange;

  private:
    friend class TCustomImageList;
    TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public runtime::TComponent {
    RUNTIME_CLASS(TCustomImageList)

  public:
    explicit TCustomImageList(runtime::TComponent* owner);
    ~TCustomImageList() override;

    int Width() const { return width_; }
    void SetWidth(int value);
    int Height() const { return height_; }
    void SetHeight(int value);
    TColor BkColor() const { return bkColor_; }
    void SetBkColor(TColor value);
    TColor BlendColor() const { return blendColor_; }
    void SetBlendColor(TColor value) { blendColor_ = value; }
    TDrawingStyle DrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TDrawingStyle value) { drawingStyle_ = value; }

    int Count() const;
    HIMAGELIST Handle();

    // Adds an image (its width a multiple of Width: a strip adds several);
    // the mask, when given, is white where the image is transparent.
    // Returns the index of the first image added.
    int Add(const TBitmap& image, const TBitmap* mask = nullptr);
    // Adds an image whose pixels of `transparent` are transparent.
    int AddMasked(const TBitmap& image, TColor transparent);
    int AddIcon(const TIcon& icon);
    void Replace(int index, const TBitmap& image, const TBitmap* mask = nullptr);
    void Delete(int index);
    void Clear();
    // Copies image `index` into `image` (resized to Width x Height, 32 bits with alpha).
    void GetBitmap(int index, TBitmap& image) const;

    // The image a drag shows of this list (drag.h) and the point in it that
    // sits under the pointer.
    int DragIndex() const { return dragIndex_; }
    TPoint DragHotspot() const { return dragHotspot_; }
    void SetDragImage(int index, int hotSpotX, int hotSpotY) {
        dragIndex_ = index;
        dragHotspot_ = {hotSpotX, hotSpotY};
    }

    // Makes image `imageIndex` overlay number `overlay` (0..3).
    void Overlay(int imageIndex, int overlay);
    // Draws image `index`; disabled images are drawn blended; overlay -1: none.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true, int overlay = -1);
    void Draw(TCanvas& canvas, int x, int y, int index, TDrawingStyle style, bool enabled = true,
              int overlay = -1);

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    runtime::TNotifyEvent OnChange;

    void DefineProperties(runtime::TFiler& filer) override;

  protected:
    void Changed();

  private:
    void Recreate();
    void ReadImages(runtime::TStream& stream);
    void WriteImages(runtime::TStream& stream);

    int width_ = 16;
    int height_ = 16;
    TColor bkColor_ = clNone;
    TColor blendColor_ = clNone;
    TDrawingStyle drawingStyle_ = dsNormal;
    int dragIndex_ = 0;
    TPoint dragHotspot_;
    TImageListHandle handle_;
    std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
    RUNTIME_CLASS(TImageList)

  public:
    explicit TImageList(runtime::TComponent* owner) : TCustomImageList(owner) {}
};

}  // namespace gui
