#include "controls/tree/headersections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace controls::tree {
namespace {

struct RecordingHost : TGtHeaderHost {
    std::vector<std::string> events;
    bool loading = false;
    void SectionResize(TGtHeaderSection* s) override {
        events.push_back("resize" + std::to_string(s->Index()));
    }
    void SectionMove(TGtHeaderSection* s, int from, int to) override {
        events.push_back("move" + std::to_string(s->Index()) + ":" + std::to_string(from) + ">" +
                         std::to_string(to));
    }
    bool IsLoading() const override { return loading; }
};

std::string Describe(const TGtHeaderSections& sections) {
    std::string out;
    for (int i = 0; i < sections.Count(); ++i) {
        const TGtHeaderSection* s = sections.ItemByPosition(i);
        out += std::to_string(s->Index()) + "/" + std::to_string(s->Width()) +
               (s->OwnVisible() ? "" : "h") + " ";
    }
    return out;
}

TEST(GtHeaderSections, SettersFollowTheirRules) {
    RecordingHost host;
    TGtHeaderSections sections(&host);
    TGtHeaderSection* a = sections.AddSection();
    TGtHeaderSection* b = sections.AddSection();
    TGtHeaderSection* c = sections.AddSection();
    EXPECT_EQ(a->Width(), 120);
    a->SetWidth(20000);  // beyond MaxWidth: ignored, still reported
    EXPECT_EQ(a->Width(), 120);
    EXPECT_EQ(host.events, std::vector<std::string>{"resize0"});
    b->SetMinWidth(150);
    EXPECT_EQ(b->Width(), 150);

    a->SetSortMode(hsmAscend);
    b->SetSortMode(hsmDescend);
    EXPECT_EQ(a->SortMode(), hsmNone);
    EXPECT_EQ(b->SortMode(), hsmDescend);

    c->SetParentSection(b);
    EXPECT_FALSE(c->Visible());  // b is not expanded
    b->SetExpandable(true);
    b->SetExpanded(true);
    EXPECT_TRUE(c->Visible());
    b->SetParentSection(c);  // a cycle: refused
    EXPECT_EQ(b->ParentSection(), nullptr);
    EXPECT_EQ(c->Left(), 270);

    sections.DeleteSection(a);
    EXPECT_EQ(b->Index(), 0);
    EXPECT_EQ(c->Index(), 1);
    try {
        sections.DeleteSection(nullptr);
        ADD_FAILURE();
    } catch (const EGtHeaderError& e) {
        EXPECT_EQ(e.Message(), "Invalid section");
    }
    TGtHeaderSection* d = sections.AddSection();
    EXPECT_EQ(d->Index(), 2);  // the smallest free Index
    EXPECT_NE(d->Key(), b->Key());
}

TEST(GtHeaderSections, SectionsOrderReadsAndRestores) {
    RecordingHost host;
    TGtHeaderSections sections(&host);
    sections.AddSection()->SetVisible(false);
    sections.AddSection()->SetWidth(70);
    EXPECT_EQ(sections.SectionsOrder(), "i0:w120:vf,i1:w70:vt,");

    sections.SetSectionsOrder("i1:w50:vt,i7:w9:vt,i0:w80:vt;");
    EXPECT_EQ(Describe(sections), "1/50 0/80 ");
    sections.SetSectionsOrder("i0:w120:vf,i1:w70:vt,");
    EXPECT_EQ(Describe(sections), "0/120h 1/70 ");
    const std::string damaged[] = {"", "garbage", "i:w:v", "ix:w5:vt,", "i0:wbad:vt,", "i0"};
    for (const std::string& text : damaged) {
        sections.SetSectionsOrder(text);
        EXPECT_EQ(Describe(sections), "0/120h 1/70 ") << text;
    }
    host.loading = true;
    sections.SetSectionsOrder("i1:w5:vt,");
    EXPECT_EQ(Describe(sections), "0/120h 1/70 ");
}

std::string Save(const TGtHeaderSections& sections) {
    runtime::TMemoryStream s;
    sections.SaveToStream(s);
    return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

void Load(TGtHeaderSections& sections, const std::string& bytes) {
    runtime::TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
    sections.LoadFromStream(s);
}

std::string I32(int32_t v) {
    std::string b;
    for (int i = 0; i < 4; ++i) b += static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
    return b;
}

std::string Record(int size, std::initializer_list<std::pair<int, int32_t>> ints,
                   std::initializer_list<std::pair<int, uint8_t>> bytes) {
    std::string r(static_cast<size_t>(size), '\0');
    for (auto [offset, v] : ints) r.replace(static_cast<size_t>(offset), 4, I32(v));
    for (auto [offset, v] : bytes) r[static_cast<size_t>(offset)] = static_cast<char>(v);
    return r;
}

TEST(GtHeaderSections, StreamRoundTripAndGolden) {
    TGtHeaderSections sections;
    TGtHeaderSection* k = sections.AddSection();
    k->SetText(u"Keyword");
    k->Hint = u"h\u0410";
    TGtHeaderSection* p = sections.AddSection();
    p->SetText(u"Position");
    p->SetWidth(70);
    p->SetResizable(false);
    p->SetFieldType(sftCustom);
    p->SetShowSortMark(false);
    const std::string expected =
        I32(-12) + I32(2) +
        Record(140, {{8, -1}, {20, 120}, {28, 10000}, {36, k->Key()}, {40, 0}, {48, -1}},
               {{14, 1}, {15, 1}, {16, 1}, {33, 1}, {54, 1}, {65, 1}}) +
        I32(8) + std::string("Keyword\0", 8) + I32(1) + std::string(1, '\0') + I32(0) + I32(2) +
        std::string("h\0\x10\x04", 4) +
        Record(140, {{8, -1}, {20, 70}, {28, 10000}, {36, p->Key()}, {40, 1}, {48, -1}},
               {{14, 1}, {15, 1}, {33, 1}, {44, sftCustom}, {54, 1}, {65, 1}}) +
        I32(9) + std::string("Position\0", 9) + I32(1) + std::string(1, '\0') + I32(0) + I32(0);
    EXPECT_EQ(Save(sections), expected);

    TGtHeaderSections back;
    Load(back, expected);
    EXPECT_EQ(Save(back), expected);
    EXPECT_EQ(back.GetSection(1)->Text(), u"Position");
    EXPECT_EQ(back.GetSection(1)->Key(), p->Key());
    EXPECT_TRUE(back.GetSection(1)->ShowSortMark());
    EXPECT_EQ(back.GetSection(0)->Hint, u"h\u0410");
}

TEST(GtHeaderSections, OlderVersionsAndDamage) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string described;
        bool autoSize = false;
        std::u16string hint;
    };
    const std::string names = I32(2) + std::string("A\0", 2) + I32(1) + std::string(1, '\0');
    const Case cases[] = {
        {"-11 with 8-bit hint",
         I32(-11) + I32(1) + Record(140, {{20, 50}, {40, 0}}, {{14, 1}}) + names + I32(0) + I32(1) +
             "x",
         "0/50 ", false, u"x"},
        {"-10",
         I32(-10) + I32(1) + Record(68, {{20, 60}, {40, 3}}, {{14, 1}}) + names + I32(0) + I32(0),
         "3/60 ", false, u""},
        {"-9",
         I32(-9) + I32(1) + Record(64, {{20, 61}, {36, 2}}, {{63, 1}}) + names + I32(0) + I32(1) +
             "y",
         "2/61h ", true, u"y"},
        {"-8 without AutoSize",
         I32(-8) + I32(1) + Record(64, {{20, 65}, {36, 1}}, {{14, 1}, {63, 1}}) + names + I32(0) +
             I32(1) + "z",
         "1/65 ", false, u"z"},
        {"-6", I32(-6) + I32(1) + Record(52, {{20, 62}, {36, 0}}, {{14, 1}}) + names + I32(0),
         "0/62 ", false, u""},
        {"-5", I32(-5) + I32(1) + Record(52, {{20, 63}, {36, 0}}, {{14, 1}}) + names, "0/63 ",
         false, u""},
        {"-4", I32(-4) + I32(1) + Record(36, {{4, 64}, {20, 5}}, {{0, 1}}) + names, "5/64 ", false,
         u""},
        {"unknown version", I32(-7) + I32(1), "", false, u""},
    };
    for (const Case& c : cases) {
        TGtHeaderSections sections;
        sections.AddSection();
        Load(sections, c.bytes);
        EXPECT_EQ(Describe(sections), c.described) << c.name;
        if (sections.Count() == 0) continue;
        EXPECT_EQ(sections.ItemByPosition(0)->AutoSize(), c.autoSize) << c.name;
        EXPECT_EQ(sections.ItemByPosition(0)->Hint, c.hint) << c.name;
    }
    const std::string damaged[] = {
        I32(-12) + I32(0x7FFFFFFF),
        I32(-12) + I32(-1),
        I32(-12) + I32(1) + Record(140, {}, {}) + I32(-1),
        I32(-12) + I32(1) + Record(140, {}, {}) + I32(0x7FFFFFF0),
        I32(-12) + I32(1) + Record(100, {}, {}),
    };
    for (const std::string& bytes : damaged) {
        TGtHeaderSections sections;
        EXPECT_THROW(Load(sections, bytes), runtime::EReadError);
    }
    // Parents restored by Index; a stored cycle is refused.
    const std::string parents =
        I32(-12) + I32(2) + Record(140, {{8, 1}, {40, 0}}, {{14, 1}, {12, 1}}) + names + I32(0) +
        I32(0) + Record(140, {{8, 0}, {40, 1}}, {{14, 1}, {12, 1}}) + names + I32(0) + I32(0);
    TGtHeaderSections sections;
    Load(sections, parents);
    EXPECT_EQ(sections.GetSection(0)->ParentSection(), sections.GetSection(1));
    EXPECT_EQ(sections.GetSection(1)->ParentSection(), nullptr);
}

}  // namespace
}  // namespace controls::tree
