#pragma once

// The column header's geometry, as plain data over its sections: the
// section under a point, the resize zones, the glyph zones a press acts
// on, where a section's glyphs and content go, the height the header
// fits to, and where a dragged section moves. The header control (Windows)
// draws and reacts from these; tests compare them natively.

#include "controls/tree/headersections.h"
#include "gui/geometry.h"

namespace controls::tree {

// The width sections narrower than this have no resize zone and no glyph
// zones of their own.
inline constexpr int kMinZonedSectionWidth = 15;
// How far either side of a section's right edge its resize zone reaches.
inline constexpr int kResizeZone = 5;
// How far the pointer moves (Euclidean) before a press becomes a drag.
inline constexpr int kDragThreshold = 5;

// The Right of the last visible section, 0 when none is visible.
int SectionsWidth(const TGtHeaderSections& sections);

// The section at client x (scrolled by `scroll`); none when y lies outside
// 0..height or x lies past the last section.
TGtHeaderSection* SectionAt(const TGtHeaderSections& sections, int x, int y, int height,
                            int scroll);

// The resize zone at client x: true with `section` the section whose right
// edge the zone belongs to.
bool InResizeArea(const TGtHeaderSections& sections, int x, int scroll, TGtHeaderSection*& section);

// The client height that fits the font (its height in pixels, absolute),
// the images (0: none) and the edges.
int IdealHeaderHeight(int fontHeight, int imageHeight, bool flat);

// What a left press at client (x, y) on `section` does before it becomes
// a plain press.
enum TGtHeaderPressZone { hpzNone, hpzExpand, hpzLookup, hpzFilter };
TGtHeaderPressZone PressZoneAt(const TGtHeaderSection& section, int x, int y, int scroll);

// Where a section's glyphs go, from the rectangle inside its frame.
struct TGtSectionGlyphs {
    bool ExpandArrow = false;
    gui::TRect ExpandArrowRect;
    int ArrowDirection = 2;  // 0 left (expanded), 2 right (collapsed)
    bool LookupGlyph = false;
    gui::TRect LookupGlyphRect;
    bool Filter = false;
    gui::TPoint FilterTriangle[3];
    bool SortArrow = false;
    gui::TRect SortArrowRect;  // 9 x 6
    bool SortArrowDescending = false;
    // The caption's, image's or owner drawing's rectangle.
    gui::TRect Content;
    // False when no room is left for the content.
    bool HasContent = true;
};
TGtSectionGlyphs LayoutSectionGlyphs(const TGtHeaderSection& section, gui::TRect content,
                                     bool invertSortArrows);

// The width a section needs: glyph room plus the measured content (image
// width, caption width or the owner's measure), at least MinWidth.
int MeasuredSectionWidth(const TGtHeaderSection& section, int contentWidth);

// A user resize: the width for a pointer at client x, or false when the
// move is refused (before the section's left, beyond the room a sticky
// header leaves, outside MinWidth..MaxWidth).
bool ResizeWidthAt(const TGtHeaderSections& sections, const TGtHeaderSection& section, int x,
                   int scroll, int pointerOffset, bool sticky, int headerWidth, int& width);

// A drag with MoveOnDrag: the position the dragged section moves to for a
// pointer at client x over `target` (none: past the sections), or -1 when
// it stays.
int LiveDragPosition(const TGtHeaderSections& sections, const TGtHeaderSection& dragged,
                     const TGtHeaderSection* target, int x, int scroll, bool movingRight);

}  // namespace controls::tree
