#pragma once

// Numbered colour effects: a process-wide registry of pixel callbacks and
// TColorEffects, an ordered list of (effect, parameter) applied to a row of
// source pixels over a row of destination pixels.
//
// Effects registered from the start, on a pixel P with parameter C:
//   1 invert, 2 gray (C below 255 mixes by C), 3 tint by C's channels
//   (mixed by C's alpha), 4 add C's colour (scaled by its alpha), 5 fade
//   P's alpha by C, 6 mix towards C's colour by its alpha, 7 silhouette in
//   C's colour.

#include <cstdint>
#include <vector>

#include "runtime/object.h"

namespace toolbar {

// Returns the new value of `pixel`; `dest` is the destination pixel under it.
using TColorEffectProc = uint32_t (*)(uint32_t pixel, uint32_t dest, uint32_t parameter);

inline constexpr const char* SColorEffectRegistered = "color effect %d already registered";

// A number already used raises "color effect <n> already registered".
void RegisterColorEffect(int32_t number, TColorEffectProc callback);

class TColorEffects : public runtime::TObject {
  public:
    // Appends a registered effect; false (and nothing added) for an
    // unknown number.
    bool Add(int32_t number, uint32_t parameter);
    [[nodiscard]] size_t Count() const { return entries_.size(); }

    // Each source pixel goes through every effect in order; the result
    // replaces the destination when opaque, is blended over it when partly
    // transparent, and leaves it when fully transparent.
    void Apply(const uint32_t* source, uint32_t* dest, int32_t count) const;

  private:
    struct Entry {
        int32_t number;
        uint32_t parameter;
        TColorEffectProc callback;
    };
    std::vector<Entry> entries_;
};

}  // namespace toolbar
