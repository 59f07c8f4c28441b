#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/keyword.h"
#include "core/link.h"
#include "core/site.h"
#include "core/state.h"
#include "runtime/classinfo.h"
#include "runtime/datetime.h"
#include "runtime/exceptions.h"

namespace core {
namespace {

// ---- positions --------------------------------------------------------------

TEST(KeywordTest, SetPositionKeepsHistory) {
    struct Row {
        int32_t position, expectedPosition, expectedLast, expectedBest;
    };
    // One keyword through a run of checks; 0 is "not found".
    const Row rows[] = {
        {5, 5, 5, 5}, {3, 3, 5, 3}, {0, 0, 3, 3}, {7, 7, 7, 3},
        {0, 0, 7, 3}, {0, 0, 0, 3}, {2, 2, 2, 2}, {9, 9, 2, 2},
    };
    TKeyword keyword(u"seo tools");
    for (const Row& row : rows) {
        const runtime::TDateTime before = runtime::Date();
        keyword.SetPosition(row.position);
        const runtime::TDateTime after = runtime::Date();
        SCOPED_TRACE(row.position);
        EXPECT_EQ(keyword.Position, row.expectedPosition);
        EXPECT_EQ(keyword.LastPosition, row.expectedLast);
        EXPECT_EQ(keyword.Best, row.expectedBest);
        // A whole day (the check may straddle midnight).
        EXPECT_TRUE(keyword.Date == before || keyword.Date == after);
        EXPECT_EQ(keyword.Date, static_cast<int64_t>(keyword.Date));
    }
}

TEST(KeywordTest, NewKeywordIsActiveAndUnchecked) {
    const TKeyword keyword(u"x");
    EXPECT_TRUE(keyword.Active);
    EXPECT_EQ(keyword.Position, 0);
    EXPECT_EQ(keyword.LastPosition, 0);
    EXPECT_EQ(keyword.Best, 0);
    EXPECT_EQ(keyword.Date, 0);
    EXPECT_EQ(keyword.Links.Count(), 0);
}

// ---- class information and owning lists -------------------------------------

TEST(ModelClassTest, ClassesAnswerTheirNames) {
    TLink link;
    TLinkList links;
    TKeyword keyword(u"k");
    TSite site("example.com");
    const std::pair<const runtime::TObject*, const char*> rows[] = {
        {&link, "TLink"}, {&links, "TLinkList"}, {&keyword, "TKeyword"}, {&site, "TSite"}};
    for (const auto& [object, name] : rows) EXPECT_EQ(object->ClassName(), name);
    EXPECT_TRUE(links.InheritsFrom(runtime::ClassInfoOf<runtime::TList>()));
}

// The script engine adds to a TLinkList through its TList face.
TEST(LinkListTest, RefusesAnItemThatIsNoLink) {
    TLinkList links;
    runtime::TList& list = links;
    links.Add(std::make_unique<TLink>(u"http://a/", u"", u"", 1, 1, 0.0));
    TKeyword stranger(u"not a link");  // would be freed as a TLink if stored
    void* item = static_cast<runtime::TObject*>(&stranger);
    EXPECT_THROW(list.Add(item), runtime::EInvalidCast);
    EXPECT_THROW(list.Insert(0, item), runtime::EInvalidCast);
    EXPECT_THROW(list.SetItems(0, item), runtime::EInvalidCast);
    ASSERT_EQ(links.Count(), 1);
    EXPECT_EQ(links.Links(0)->Name(), "http://a/");

    // A link and a null still go in.
    auto* link = new TLink(u"http://b/", u"", u"", 2, 1, 0.0);
    list.Add(static_cast<runtime::TObject*>(link));
    list.Add(nullptr);
    EXPECT_EQ(links.Count(), 3);
    EXPECT_EQ(links.Links(1), link);
}

// ---- lookups ----------------------------------------------------------------

TEST(LinkListTest, IndexOfFoldsAsciiOnly) {
    TLinkList links;
    // Names are in the system code page: "\xE9" is é, "\xC9" is É.
    for (const char16_t* name :
         {u"http://www.Example.com/a", u"http://caf\u00E9.fr/", u"https://example.com/b"}) {
        links.Add(std::make_unique<TLink>(name, u"", u"", 0, 1, 0.0));
    }
    struct Row {
        const char* text;
        int expected;
    };
    const Row rows[] = {
        {"example.com", 0},    // the first that contains it
        {"EXAMPLE.COM/B", 2},  // other case, ASCII letters
        {"CAF\xE9", 1},        // the ASCII part folds
        {"caf\xC9", -1},       // É is no ASCII letter
        {"", -1},              // an empty text matches nothing
        {"example.org", -1},
        {"http://www.example.com/a/", -1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(links.IndexOf(row.text), row.expected) << row.text;
    }
}

TEST(SiteListTest, FindURLIsExact) {
    TSiteList sites;
    sites.Add(std::make_unique<TSite>("www.example.com"));
    sites.Add(std::make_unique<TSite>("www.Example.com"));
    sites.Add(std::make_unique<TSite>("www.example.com"));
    EXPECT_EQ(sites.FindURL("www.example.com"), 0);
    EXPECT_EQ(sites.FindURL("www.Example.com"), 1);
    EXPECT_EQ(sites.FindURL("WWW.EXAMPLE.COM"), -1);
    EXPECT_EQ(sites.FindURL("example.com"), -1);
}

TEST(KeywordListTest, FindNameAndActiveCount) {
    TSite site("example.com");
    site.AddKeyword(u"Seo");
    site.AddKeyword(u"seo");
    site.AddKeyword(u"\u0441\u0435\u043E").Active = false;
    site.AddKeyword(u"rank");
    EXPECT_EQ(site.Keywords.FindName(u"seo"), 1);
    EXPECT_EQ(site.Keywords.FindName(u"SEO"), -1);
    EXPECT_EQ(site.Keywords.FindName(u"\u0441\u0435\u043E"), 2);
    EXPECT_EQ(site.Keywords.ActiveCount(), 3);
}

TEST(LinkTest, NameIsKeptInTheSystemCodePage) {
    const TLink link(u"http://caf\u00E9.fr/\u0436", u"Title \u0436", u"Desc", 3, 1, -1.0);
    EXPECT_EQ(link.Name(), "http://caf\xE9.fr/?");
    EXPECT_EQ(link.Title(), u"Title \u0436");
    EXPECT_EQ(link.Position, 3);
    EXPECT_EQ(link.Page, 1);
    EXPECT_EQ(link.Cost, -1.0);
}

// The three texts share one block: setting one keeps the others, whatever
// their lengths (odd name lengths end inside a unit), and a setter may be
// handed a view of the link's own text.
TEST(LinkTest, EachTextIsSetOnItsOwn) {
    struct Row {
        const char* what;
        void (*change)(TLink&);
        std::string_view name;
        std::u16string_view title, description;
    };
    const Row rows[] = {
        {"name", [](TLink& l) { l.SetName("http://b/c"); }, "http://b/c", u"T\u0436", u"De"},
        {"odd name", [](TLink& l) { l.SetName("abc"); }, "abc", u"T\u0436", u"De"},
        {"no name", [](TLink& l) { l.SetName(""); }, "", u"T\u0436", u"De"},
        {"title", [](TLink& l) { l.SetTitle(u"longer title"); }, "http://a/x", u"longer title",
         u"De"},
        {"no title", [](TLink& l) { l.SetTitle(u""); }, "http://a/x", u"", u"De"},
        {"description", [](TLink& l) { l.SetDescription(u"\u00E9t\u00E9"); }, "http://a/x",
         u"T\u0436", u"\u00E9t\u00E9"},
        {"own title as name's neighbour", [](TLink& l) { l.SetDescription(l.Title()); },
         "http://a/x", u"T\u0436", u"T\u0436"},
        {"own name, part of it", [](TLink& l) { l.SetName(l.Name().substr(7)); }, "a/x", u"T\u0436",
         u"De"},
        {"all empty", [](TLink& l) { l.SetTexts("", u"", u""); }, "", u"", u""},
    };
    for (const Row& row : rows) {
        TLink link(std::string_view("http://a/x"), u"T\u0436", u"De", 1, 2, 0.5);
        row.change(link);
        EXPECT_EQ(link.Name(), row.name) << row.what;
        EXPECT_EQ(link.Title(), row.title) << row.what;
        EXPECT_EQ(link.Description(), row.description) << row.what;
        EXPECT_EQ(link.Position, 1) << row.what;
    }
}

// ---- keywords of a site -----------------------------------------------------

class CurrentKeywordTest : public ::testing::Test {
  protected:
    void TearDown() override { CurrentKeyword = nullptr; }
};

TEST_F(CurrentKeywordTest, AddAndDeleteMoveTheSelection) {
    TSite site("example.com");
    TKeyword& first = site.AddKeyword(u"one");
    EXPECT_EQ(CurrentKeyword, &first);
    TKeyword& second = site.AddKeyword(u"two");
    EXPECT_EQ(CurrentKeyword, &second);

    site.DeleteKeyword(u"one");
    EXPECT_EQ(CurrentKeyword, nullptr);
    ASSERT_EQ(site.Keywords.Count(), 1);
    EXPECT_EQ(site.Keywords.Items(0), &second);
}

TEST_F(CurrentKeywordTest, DeletingAMissingNameChangesNothing) {
    TSite site("example.com");
    site.AddKeyword(u"one");
    TKeyword& two = site.AddKeyword(u"two");
    site.DeleteKeyword(u"three");
    site.DeleteKeyword(u"ONE");
    EXPECT_EQ(site.Keywords.Count(), 2);
    EXPECT_EQ(CurrentKeyword, &two);
}

// ---- ownership ----------------------------------------------------------------

// Objects that log their destruction.
std::vector<std::string> freed;

struct LoggedLink : TLink {
    explicit LoggedLink(std::string tag) : tag(std::move(tag)) {}
    ~LoggedLink() override { freed.push_back(tag); }
    std::string tag;
};
struct LoggedKeyword : TKeyword {
    explicit LoggedKeyword(std::string tag) : TKeyword(u""), tag(std::move(tag)) {}
    ~LoggedKeyword() override { freed.push_back(tag); }
    std::string tag;
};
struct LoggedSite : TSite {
    explicit LoggedSite(std::string tag) : TSite(""), tag(std::move(tag)) {}
    ~LoggedSite() override { freed.push_back(tag); }
    std::string tag;
};

TEST(OwnershipTest, ListsFreeLastToFirst) {
    freed.clear();
    {
        TSiteList sites;
        for (const std::string s : {"s0", "s1"}) {
            TSite& site = sites.Add(std::make_unique<LoggedSite>(s));
            for (const std::string k : {"k0", "k1"}) {
                TKeyword& keyword = site.Keywords.Add(std::make_unique<LoggedKeyword>(s + k));
                for (const std::string l : {"l0", "l1"}) {
                    keyword.Links.Add(std::make_unique<LoggedLink>(s + k + l));
                }
            }
        }
    }
    const std::vector<std::string> expected = {
        "s1", "s1k1", "s1k1l1", "s1k1l0", "s1k0", "s1k0l1", "s1k0l0",
        "s0", "s0k1", "s0k1l1", "s0k1l0", "s0k0", "s0k0l1", "s0k0l0",
    };
    EXPECT_EQ(freed, expected);
}

TEST(OwnershipTest, LinkListFreesWhatLeavesIt) {
    freed.clear();
    TKeyword keyword(u"k");
    for (const char* tag : {"a", "b", "c", "d"})
        keyword.Links.Add(std::make_unique<LoggedLink>(tag));
    // A script adds through the plain list interface; the list owns that too.
    keyword.Links.runtime::TList::Add(new LoggedLink("e"));

    keyword.Links.Delete(1);
    EXPECT_EQ(freed, std::vector<std::string>{"b"});
    auto* c = static_cast<TLink*>(keyword.Links.Extract(keyword.Links.Items(1)));
    EXPECT_EQ(freed.size(), 1u);  // taken back, not freed
    delete c;
    freed.clear();
    keyword.ClearLinks();
    EXPECT_EQ(freed, (std::vector<std::string>{"e", "d", "a"}));
    EXPECT_EQ(keyword.Links.Count(), 0);
}

TEST(OwnershipTest, IndexOutOfRangeIsAListError) {
    TSiteList sites;
    sites.Add(std::make_unique<TSite>("a"));
    EXPECT_THROW((void)sites.Items(1), runtime::EListError);
    EXPECT_THROW(sites.Delete(-1), runtime::EListError);
    EXPECT_THROW((void)TLinkList().Links(0), runtime::EListError);
    EXPECT_EQ(sites.Count(), 1);
}

}  // namespace
}  // namespace core
