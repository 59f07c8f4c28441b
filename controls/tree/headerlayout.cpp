#include "controls/tree/headerlayout.h"

#include <algorithm>

namespace controls::tree {

int SectionsWidth(const TGtHeaderSections& sections) {
    const TGtHeaderSection* last = sections.LastVisibleSection();
    return last != nullptr ? last->Right() : 0;
}

TGtHeaderSection* SectionAt(const TGtHeaderSections& sections, int x, int y, int height,
                            int scroll) {
    if (y < 0 || y > height) return nullptr;
    int right = 0;
    for (int i = 0; i < sections.Count(); ++i) {
        TGtHeaderSection* s = sections.ItemByPosition(i);
        if (!s->Visible()) continue;
        right += s->Width();
        if (right > x + scroll) return s;
    }
    return nullptr;
}

bool InResizeArea(const TGtHeaderSections& sections, int x, int scroll,
                  TGtHeaderSection*& section) {
    TGtHeaderSection* at = SectionAt(sections, x, 0, 0, scroll);
    if (at == nullptr) {
        TGtHeaderSection* last = sections.LastVisibleSection();
        if (last == nullptr) return false;
        section = last;
        return x < last->Right() - scroll + kResizeZone;
    }
    const int left = at->Left() - scroll;
    if (x >= left + kResizeZone) {
        // A narrow section has no zone of its own.
        if (at->Width() < kMinZonedSectionWidth) return false;
        section = at;
        return x >= left + at->Width() - kResizeZone;
    }
    // The start of a section belongs to the zone of the one before it.
    TGtHeaderSection* before = sections.PrevVisibleSection(at);
    if (before == nullptr) return false;
    section = before;
    return true;
}

int IdealHeaderHeight(int fontHeight, int imageHeight, bool flat) {
    int h = std::max(fontHeight + 8, 17);
    if (imageHeight > 0) h = std::max(h, imageHeight + 4);
    return flat ? h : h + 2;
}

TGtHeaderPressZone PressZoneAt(const TGtHeaderSection& section, int x, int y, int scroll) {
    const int r = section.Right() - scroll - 4;
    const bool wide = section.Width() >= kMinZonedSectionWidth;
    const bool nearRight = x >= r - 7 && x <= r;
    const bool upper = y >= 2 && y <= 9;
    const bool lower = y >= 12 && y <= 16;
    if (section.Expandable() && wide && nearRight && upper) return hpzExpand;
    if (section.LookupEnabled() && wide && nearRight && lower) return hpzLookup;
    if (section.FilterEnabled() && section.Width() > 9) {
        const int rf = section.Expandable() || section.LookupEnabled() ? r - 8 : r;
        if (x >= rf - 6 && x <= rf && lower) return hpzFilter;
    }
    return hpzNone;
}

TGtSectionGlyphs LayoutSectionGlyphs(const TGtHeaderSection& section, gui::TRect r,
                                     bool invertSortArrows) {
    TGtSectionGlyphs g;
    const int left = r.Left;
    r.Right -= 4;
    if ((section.Expandable() || section.LookupEnabled()) && r.Left + 5 < r.Right - 2) {
        if (section.Expandable()) {
            g.ExpandArrow = true;
            g.ExpandArrowRect = {r.Right - 5, r.Top, r.Right, r.Top + 7};
            g.ArrowDirection = section.Expanded() ? 0 : 2;
        }
        if (section.LookupEnabled()) {
            g.LookupGlyph = true;
            g.LookupGlyphRect = {r.Right - 5, r.Top + 10, r.Right, std::min(r.Top + 14, r.Bottom)};
        }
        r.Right -= 8;
    }
    const bool sort = section.SortMode() != hsmNone && section.ShowSortMark();
    if (section.FilterEnabled() && r.Left + 5 < r.Right - 4) {
        g.Filter = true;
        g.FilterTriangle[0] = {r.Right - 4, r.Top + 10};
        g.FilterTriangle[1] = {r.Right, r.Top + 10};
        g.FilterTriangle[2] = {r.Right - 2, std::min(r.Top + 14, r.Bottom)};
        if (!sort) r.Right -= 6;
    }
    if (sort) {
        if (r.Right - 8 < r.Left + 5) {
            r.Right = r.Left + 5;
        } else {
            const int centre = (r.Top + r.Bottom) / 2;
            g.SortArrow = true;
            g.SortArrowRect = {r.Right - 9, centre - 3, r.Right, centre + 3};
            g.SortArrowDescending = (section.SortMode() == hsmAscend) == invertSortArrows;
            r.Right -= 9 + 3;
        }
    }
    r.Left += 5;
    g.HasContent = r.Right >= left + 5;
    g.Content = r;
    return g;
}

int MeasuredSectionWidth(const TGtHeaderSection& section, int contentWidth) {
    int width = 10 + 12 + contentWidth;
    if (section.Expandable() || section.LookupEnabled()) width += 8;
    return std::max(width, section.MinWidth());
}

bool ResizeWidthAt(const TGtHeaderSections& sections, const TGtHeaderSection& section, int x,
                   int scroll, int pointerOffset, bool sticky, int headerWidth, int& width) {
    const int edge = x + scroll - pointerOffset;
    if (edge < section.Left()) return false;
    if (sticky) {
        // The sections after it that cannot give way keep their room.
        int fixed = 0;
        for (int i = section.Position() + 1; i < sections.Count(); ++i) {
            const TGtHeaderSection* s = sections.ItemByPosition(i);
            if (s->Visible() && !s->Resizable()) fixed += s->Width();
        }
        if (edge >= headerWidth - fixed) return false;
    }
    const int w = edge - section.Left();
    if (w < section.MinWidth() || w > section.MaxWidth()) return false;
    width = w;
    return true;
}

int LiveDragPosition(const TGtHeaderSections& sections, const TGtHeaderSection& dragged,
                     const TGtHeaderSection* target, int x, int scroll, bool movingRight) {
    const int from = dragged.Position();
    if (target == nullptr) return from == sections.Count() - 1 ? -1 : sections.Count() - 1;
    const int to = target->Position();
    if (target == &dragged) return -1;
    const int px = x + scroll;
    if (movingRight && to > from && px > target->Right() - dragged.Width()) return to;
    if (!movingRight && to < from && px < target->Left() + dragged.Width()) return to;
    return -1;
}

}  // namespace controls::tree
