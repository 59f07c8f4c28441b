#include "controls/tree/headerlayout.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace controls::tree {
namespace {

// A header of the given client width.
struct Host : TGtHeaderHost {
    int width = 400;
    bool resizing = false;
    int Width() const override { return width; }
    bool StickySections() const override { return false; }
};

void AddSections(TGtHeaderSections& sections, std::initializer_list<int> widths) {
    for (int w : widths) sections.AddSection()->SetWidth(w);
}

std::string Widths(const TGtHeaderSections& sections) {
    std::string out;
    for (int i = 0; i < sections.Count(); ++i)
        out += std::to_string(sections.ItemByPosition(i)->Width()) + " ";
    return out;
}

TEST(GtHeaderLayout, SectionUnderAPointAndResizeZones) {
    TGtHeaderSections sections;
    AddSections(sections, {50, 14, 60});
    TGtHeaderSection* s0 = sections.ItemByPosition(0);
    TGtHeaderSection* s1 = sections.ItemByPosition(1);
    TGtHeaderSection* s2 = sections.ItemByPosition(2);
    EXPECT_EQ(SectionsWidth(sections), 124);

    struct At {
        int x, y, scroll;
        TGtHeaderSection* section;
    };
    const At at[] = {
        {0, 0, 0, s0},        {49, 5, 0, s0},  {50, 5, 0, s1},       {63, 5, 0, s1},
        {64, 5, 0, s2},       {123, 5, 0, s2}, {124, 5, 0, nullptr}, {10, -1, 0, nullptr},
        {10, 21, 0, nullptr}, {40, 5, 10, s1},
    };
    for (const At& a : at)
        EXPECT_EQ(SectionAt(sections, a.x, a.y, 20, a.scroll), a.section) << a.x << "," << a.y;

    // Zones: 5 pixels either side of a right edge; the narrow section has
    // none of its own, but its start belongs to the zone before it.
    struct Zone {
        int x;
        bool in;
        TGtHeaderSection* section;
    };
    const Zone zones[] = {
        {44, false, nullptr},  {45, true, s0},       {49, true, s0},       {50, true, s0},
        {54, true, s0},        {55, false, nullptr}, {63, false, nullptr}, {64, true, s1},
        {68, true, s1},        {69, false, nullptr}, {119, true, s2},      {128, true, s2},
        {129, false, nullptr}, {2, false, nullptr},
    };
    for (const Zone& z : zones) {
        TGtHeaderSection* found = nullptr;
        EXPECT_EQ(InResizeArea(sections, z.x, 0, found), z.in) << z.x;
        if (z.in) {
            EXPECT_EQ(found, z.section) << z.x;
        }
    }

    // Hidden sections take no room.
    s1->SetVisible(false);
    EXPECT_EQ(SectionAt(sections, 55, 5, 20, 0), s2);
    EXPECT_EQ(s2->Left(), 50);
}

TEST(GtHeaderLayout, HeightAndMeasuredWidth) {
    EXPECT_EQ(IdealHeaderHeight(11, 0, false), 21);
    EXPECT_EQ(IdealHeaderHeight(11, 0, true), 19);
    EXPECT_EQ(IdealHeaderHeight(5, 0, false), 19);
    EXPECT_EQ(IdealHeaderHeight(11, 20, false), 26);

    TGtHeaderSections sections;
    TGtHeaderSection* s = sections.AddSection();
    EXPECT_EQ(MeasuredSectionWidth(*s, 40), 62);
    s->SetExpandable(true);
    EXPECT_EQ(MeasuredSectionWidth(*s, 40), 70);
    s->SetMinWidth(100);
    EXPECT_EQ(MeasuredSectionWidth(*s, 40), 100);
}

TEST(GtHeaderLayout, GlyphsAndTheirPressZones) {
    TGtHeaderSections sections;
    TGtHeaderSection* s = sections.AddSection();
    s->SetWidth(100);
    const gui::TRect frame{0, 0, 100, 20};

    TGtSectionGlyphs g = LayoutSectionGlyphs(*s, frame, false);
    EXPECT_FALSE(g.SortArrow || g.Filter || g.ExpandArrow || g.LookupGlyph);
    EXPECT_EQ(g.Content, (gui::TRect{5, 0, 96, 20}));

    s->SetSortMode(hsmAscend);
    g = LayoutSectionGlyphs(*s, frame, false);
    ASSERT_TRUE(g.SortArrow);
    EXPECT_EQ(g.SortArrowRect, (gui::TRect{87, 7, 96, 13}));
    EXPECT_FALSE(g.SortArrowDescending);
    EXPECT_EQ(g.Content, (gui::TRect{5, 0, 84, 20}));
    EXPECT_TRUE(LayoutSectionGlyphs(*s, frame, true).SortArrowDescending);

    s->SetFilterEnabled(true);
    s->SetExpandable(true);
    s->SetLookupEnabled(true);
    g = LayoutSectionGlyphs(*s, frame, false);
    EXPECT_EQ(g.ExpandArrowRect, (gui::TRect{91, 0, 96, 7}));
    EXPECT_EQ(g.ArrowDirection, 2);
    EXPECT_EQ(g.LookupGlyphRect, (gui::TRect{91, 10, 96, 14}));
    EXPECT_EQ(g.FilterTriangle[0], (gui::TPoint{84, 10}));
    EXPECT_EQ(g.FilterTriangle[2], (gui::TPoint{86, 14}));
    EXPECT_EQ(g.SortArrowRect, (gui::TRect{79, 7, 88, 13}));  // the filter keeps its room
    EXPECT_EQ(g.Content, (gui::TRect{5, 0, 76, 20}));

    // A press on the glyphs: r = Right - 4 = 96.
    struct Row {
        int x, y;
        TGtHeaderPressZone zone;
    };
    const Row rows[] = {
        {89, 2, hpzExpand},  {96, 9, hpzExpand},  {88, 5, hpzNone},
        {90, 12, hpzLookup}, {96, 16, hpzLookup}, {82, 12, hpzFilter},
        {88, 16, hpzFilter}, {81, 14, hpzNone},   {50, 5, hpzNone},
    };
    for (const Row& r : rows) EXPECT_EQ(PressZoneAt(*s, r.x, r.y, 0), r.zone) << r.x << "," << r.y;

    // Too narrow for glyphs and their zones; then for the content too.
    s->SetWidth(14);
    EXPECT_EQ(PressZoneAt(*s, 6, 5, 0), hpzNone);
    g = LayoutSectionGlyphs(*s, {0, 0, 10, 20}, false);
    EXPECT_FALSE(g.ExpandArrow || g.Filter || g.SortArrow);
    EXPECT_TRUE(g.HasContent);
    s->SetSortMode(hsmNone);
    EXPECT_FALSE(LayoutSectionGlyphs(*s, {0, 0, 8, 20}, false).HasContent);
}

TEST(GtHeaderLayout, ResizingAndLiveDragging) {
    TGtHeaderSections sections;
    AddSections(sections, {50, 60, 70});
    TGtHeaderSection* s1 = sections.ItemByPosition(1);
    s1->SetMinWidth(20);
    s1->SetMaxWidth(100);
    int w = 0;
    EXPECT_TRUE(ResizeWidthAt(sections, *s1, 130, 0, 2, false, 400, w));
    EXPECT_EQ(w, 78);
    EXPECT_FALSE(ResizeWidthAt(sections, *s1, 45, 0, 0, false, 400, w));   // before its left
    EXPECT_FALSE(ResizeWidthAt(sections, *s1, 60, 0, 0, false, 400, w));   // below MinWidth
    EXPECT_FALSE(ResizeWidthAt(sections, *s1, 160, 0, 0, false, 400, w));  // above MaxWidth
    EXPECT_TRUE(ResizeWidthAt(sections, *s1, 100, 20, 0, false, 400, w));  // scrolled
    EXPECT_EQ(w, 70);
    // Sticky: the fixed section after it keeps its room.
    sections.ItemByPosition(2)->SetResizable(false);
    EXPECT_FALSE(ResizeWidthAt(sections, *s1, 135, 0, 0, true, 200, w));
    EXPECT_TRUE(ResizeWidthAt(sections, *s1, 129, 0, 0, true, 200, w));

    TGtHeaderSection* s0 = sections.ItemByPosition(0);
    TGtHeaderSection* s2 = sections.ItemByPosition(2);
    EXPECT_EQ(LiveDragPosition(sections, *s0, s1, 60, 0, true), -1);  // not far enough
    EXPECT_EQ(LiveDragPosition(sections, *s0, s1, 61, 0, true), 1);
    EXPECT_EQ(LiveDragPosition(sections, *s2, s1, 99, 0, false), 1);
    EXPECT_EQ(LiveDragPosition(sections, *s2, s1, 120, 0, false), -1);
    EXPECT_EQ(LiveDragPosition(sections, *s0, nullptr, 300, 0, true), 2);
    EXPECT_EQ(LiveDragPosition(sections, *s2, nullptr, 300, 0, true), -1);
    EXPECT_EQ(LiveDragPosition(sections, *s0, s0, 10, 0, true), -1);
}

TEST(GtHeaderLayout, StickySectionsFillTheWidth) {
    Host host;
    TGtHeaderSections sections(&host);
    AddSections(sections, {100, 300});
    sections.ComputeProportions(400);
    sections.StickyResize(400, 800);
    EXPECT_EQ(Widths(sections), "200 599 ");

    // A fixed section gives room up when the header shrinks and takes it
    // back when it grows again.
    TGtHeaderSections fixed(&host);
    AddSections(fixed, {100, 100, 80});
    fixed.ItemByPosition(2)->SetResizable(false);
    fixed.ComputeProportions(280);
    fixed.ItemByPosition(0)->SetMinWidth(0);
    fixed.StickyResize(280, 60);
    EXPECT_EQ(Widths(fixed), "0 0 59 ");
    EXPECT_EQ(fixed.ItemByPosition(2)->SavedWidth, 80);
    fixed.StickyResize(60, 280);
    EXPECT_EQ(fixed.ItemByPosition(2)->Width(), 80);
    EXPECT_EQ(fixed.ItemByPosition(2)->SavedWidth, -1);
    EXPECT_EQ(Widths(fixed), "100 99 80 ");

    // Fitting keeps the section being resized and takes room from others.
    TGtHeaderSections three(&host);
    AddSections(three, {100, 100, 100});
    TGtHeaderSection* middle = three.ItemByPosition(1);
    three.FitSections(middle, 250);
    EXPECT_EQ(Widths(three), "100 100 49 ");
}

}  // namespace
}  // namespace controls::tree
