#pragma once

// Image lists whose images come from a bitmap resource of the program: one
// strip of 32-bit images with alpha, side by side, each Width x Height
// (the program's strips are drawn by resources/images/draw_images.py). A
// layout names the resource; the images are loaded once the layout is read.

#include <string>

#include "gui/imagelist.h"

namespace ui {

class TResourceImageList : public gui::TCustomImageList {
    RUNTIME_CLASS(TResourceImageList)

  public:
    explicit TResourceImageList(runtime::TComponent* owner);

    const std::string& ResourceName() const { return resourceName_; }
    // Replaces the images with those of the resource (at once, or once the
    // layout is read). EInvalidGraphic when the program has no such
    // bitmap or its width is no multiple of Width.
    void SetResourceName(std::string value);

    void Loaded() override;

  private:
    void LoadImages();
    std::string resourceName_;
};

}  // namespace ui
