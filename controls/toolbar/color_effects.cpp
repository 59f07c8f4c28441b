#include "controls/toolbar/color_effects.h"

#include <algorithm>
#include <map>

#include "controls/toolbar/dib32.h"
#include "runtime/format.h"

namespace toolbar {

namespace {

uint32_t Ch(uint32_t p, int shift) {
    return (p >> shift) & 0xFF;
}

// a weighted w of 256 against b.
uint32_t MixChannel(uint32_t a, uint32_t b, uint32_t w) {
    return (w * a + (256 - w) * b + 127) >> 8;
}

uint32_t MixRgb(uint32_t a, uint32_t b, uint32_t w) {
    return MixChannel(Ch(a, 16), Ch(b, 16), w) << 16 | MixChannel(Ch(a, 8), Ch(b, 8), w) << 8 |
           MixChannel(Ch(a, 0), Ch(b, 0), w);
}

uint32_t Weight(uint32_t v) {
    return v + (v >> 7);
}

uint32_t Lightness(uint32_t p) {
    return (Ch(p, 16) + ((p >> 7) & 0x1FF) + Ch(p, 0)) >> 2;
}

uint32_t Invert(uint32_t p, uint32_t, uint32_t) {
    return p ^ 0xFFFFFF;
}

uint32_t Gray(uint32_t p, uint32_t, uint32_t c) {
    uint32_t l = Lightness(p);
    uint32_t gray = l * 0x010101u;
    if (c < 255) return (p & 0xFF000000) | MixRgb(gray, p, Weight(c));
    return (p & 0xFF000000) | gray;
}

uint32_t Tint(uint32_t p, uint32_t, uint32_t c) {
    uint32_t tinted = 0;
    for (int shift : {16, 8, 0}) tinted |= ((Ch(p, shift) * Weight(Ch(c, shift))) >> 8) << shift;
    uint32_t ca = c >> 24;
    if (ca < 0xFF) tinted = MixRgb(tinted, p, Weight(ca));
    return (p & 0xFF000000) | tinted;
}

uint32_t Add(uint32_t p, uint32_t, uint32_t c) {
    uint32_t ca = c >> 24;
    if (ca == 0) return p;
    uint32_t out = p & 0xFF000000;
    for (int shift : {16, 8, 0}) {
        uint32_t add = Ch(c, shift);
        if (ca < 0xFF) add = (add * Weight(ca)) >> 8;
        out |= std::min<uint32_t>(255, Ch(p, shift) + add) << shift;
    }
    return out;
}

uint32_t Fade(uint32_t p, uint32_t, uint32_t c) {
    c = std::min<uint32_t>(c, 255);
    uint32_t alpha = ((p >> 24) * Weight(c) + 127) >> 8;
    return alpha << 24 | (p & 0xFFFFFF);
}

uint32_t Mix(uint32_t p, uint32_t, uint32_t c) {
    return (p & 0xFF000000) | MixRgb(c, p, Weight(c >> 24));
}

uint32_t Silhouette(uint32_t p, uint32_t, uint32_t c) {
    uint32_t alpha = p >> 24;
    if (alpha == 0) return p;
    uint32_t l = Lightness(p);
    if (l == 255)
        alpha = 0;
    else if (l > 192)
        alpha = alpha * (256 - l) / 64;
    return alpha << 24 | (c & 0xFFFFFF);
}

std::map<int32_t, TColorEffectProc>& Registry() {
    // Made with the seven effects on first use; lives for the process.
    static std::map<int32_t, TColorEffectProc> registry = {
        {1, Invert}, {2, Gray}, {3, Tint}, {4, Add}, {5, Fade}, {6, Mix}, {7, Silhouette}};
    return registry;
}

}  // namespace

void RegisterColorEffect(int32_t number, TColorEffectProc callback) {
    if (!Registry().emplace(number, callback).second)
        throw runtime::Exception(runtime::Format(SColorEffectRegistered, {number}));
}

bool TColorEffects::Add(int32_t number, uint32_t parameter) {
    auto it = Registry().find(number);
    if (it == Registry().end()) return false;
    entries_.push_back({number, parameter, it->second});
    return true;
}

void TColorEffects::Apply(const uint32_t* source, uint32_t* dest, int32_t count) const {
    bool cached = false;
    uint32_t lastSource = 0, lastDest = 0, lastResult = 0;
    for (int32_t i = 0; i < count; ++i) {
        uint32_t s = source[i], d = dest[i];
        if (cached && s == lastSource && d == lastDest) {
            dest[i] = lastResult;
            continue;
        }
        uint32_t r = s;
        for (const Entry& e : entries_) r = e.callback(r, d, e.parameter);
        uint32_t result = (r >> 24) == 0 ? d : (r >> 24) == 0xFF ? r : BlendPixel(d, r);
        dest[i] = result;
        cached = true;
        lastSource = s;
        lastDest = d;
        lastResult = result;
    }
}

}  // namespace toolbar
