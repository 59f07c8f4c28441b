// Sticky headers: the visible sections always fill the header's client
// width, ending one pixel short of it.
#include <algorithm>
#include <cmath>

#include "controls/tree/headersections.h"

namespace controls::tree {

namespace {

int VisibleWidth(const TGtHeaderSections& sections) {
    int total = 0;
    for (int i = 0; i < sections.Count(); ++i)
        if (const TGtHeaderSection* s = sections.ItemByPosition(i); s->Visible())
            total += s->Width();
    return total;
}

// The client width less the visible sections that cannot be resized (at
// least 1).
int ResizableWidth(const TGtHeaderSections& sections, int clientWidth) {
    int fixed = 0;
    for (int i = 0; i < sections.Count(); ++i) {
        const TGtHeaderSection* s = sections.ItemByPosition(i);
        if (s->Visible() && !s->Resizable()) fixed += s->Width();
    }
    return std::max(1, clientWidth - fixed);
}

// The last visible section of non-zero width that `pick` accepts.
template <class Pick>
TGtHeaderSection* LastWhere(const TGtHeaderSections& sections, Pick pick) {
    for (int i = sections.Count() - 1; i >= 0; --i) {
        TGtHeaderSection* s = sections.ItemByPosition(i);
        if (s->Visible() && pick(*s)) return s;
    }
    return nullptr;
}

}  // namespace

void TGtHeaderSections::ComputeProportions(int clientWidth) {
    const float resizable = static_cast<float>(ResizableWidth(*this, clientWidth));
    for (auto& s : sections_)
        s->Proportion =
            s->Visible() && s->resizable_ ? static_cast<float>(s->width_) / resizable : 0;
}

void TGtHeaderSections::FitSections(TGtHeaderSection* except, int clientWidth) {
    // Shrinks the chosen sections while the sections reach the edge.
    auto shrink = [&](auto pick, bool save) {
        while (VisibleWidth(*this) >= clientWidth) {
            TGtHeaderSection* s = LastWhere(
                *this, [&](const TGtHeaderSection& c) { return c.width_ > 0 && pick(c); });
            if (s == nullptr) return;
            if (save && s->SavedWidth < 0) s->SavedWidth = s->width_;
            const int overflow = VisibleWidth(*this) - clientWidth + 1;
            s->width_ = s->width_ < overflow ? 0 : s->width_ - overflow;
        }
    };
    shrink([&](const TGtHeaderSection& c) { return c.resizable_ && &c != except; }, false);
    shrink([&](const TGtHeaderSection& c) { return !c.resizable_ || &c == except; }, true);
    // Sections that gave room up take it back while there is room.
    while (VisibleWidth(*this) < clientWidth - 1) {
        TGtHeaderSection* s = LastWhere(*this, [](const TGtHeaderSection& c) {
            return !c.resizable_ && c.SavedWidth >= 0 && c.width_ < c.SavedWidth;
        });
        if (s == nullptr) break;
        const int shortfall = clientWidth - 1 - VisibleWidth(*this);
        s->width_ = std::min(s->SavedWidth, s->width_ + shortfall);
        if (s->width_ == s->SavedWidth) s->SavedWidth = -1;
    }
    if (TGtHeaderSection* last = LastWhere(
            *this, [&](const TGtHeaderSection& c) { return c.resizable_ && &c != except; }))
        last->width_ = std::max(0, last->width_ + clientWidth - 1 - VisibleWidth(*this));
}

void TGtHeaderSections::StickyResize(int oldWidth, int newWidth) {
    if (newWidth > oldWidth) {
        for (int i = Count() - 1; i >= 0; --i) {
            TGtHeaderSection* s = ItemByPosition(i);
            if (!s->Visible() || s->resizable_ || s->SavedWidth < 0) continue;
            const int room = newWidth - VisibleWidth(*this);
            if (room <= 0) break;
            s->width_ = std::min(s->SavedWidth, s->width_ + room);
            if (s->width_ == s->SavedWidth) s->SavedWidth = -1;
        }
    }
    const int resizable = ResizableWidth(*this, newWidth);
    for (auto& s : sections_)
        if (s->Visible() && s->resizable_)
            s->width_ =
                static_cast<int>(std::lround(s->Proportion * static_cast<float>(resizable)));
    FitSections(nullptr, newWidth);
}

}  // namespace controls::tree
