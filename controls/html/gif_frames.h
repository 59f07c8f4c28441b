#pragma once

// The frames of a decoded GIF as an animation shows them: each image drawn
// over what the images before it left, as their disposal methods say, on a
// canvas the size of the logical screen, with a transparency mask when any
// image of the file is transparent.
//
// TGifComposer composes one frame at a time. It holds the canvas and, for
// an image with disposal method 3, the canvas as it was before that image:
// an animation of any length is shown whole in the memory of two frames.
// Asking for an earlier frame than the last composes again from the first.

#include <cstdint>

#include "controls/html/gif_decoder.h"
#include "runtime/object.h"

namespace html {

class TGifComposer : public runtime::TObject {
  public:
    // `gif` is read as frames are asked for and must outlive the composer.
    // A screen beyond the GIF's ScreenPixelLimit raises "Image too large".
    explicit TGifComposer(const TGif& gif);

    [[nodiscard]] int32_t Count() const { return gif_.ImageCount(); }
    // Frame `index` (from 0); "Value Out Of Range" outside the frames. The
    // cell holds the frame until the next call.
    const TGifCell& Frame(int32_t index);

  private:
    void Restart();
    // Undoes the shown image as its disposal method says.
    void Dispose(int32_t index);
    void Draw(int32_t index);

    const TGif& gif_;
    int32_t width_;
    int32_t height_;
    bool masked_;
    // Disposal method 2 on a screen without transparency: 0x00RRGGBB.
    uint32_t background_ = 0;
    TGifCell canvas_;
    TGifCell saved_;
    int32_t current_ = -1;
};

}  // namespace html
