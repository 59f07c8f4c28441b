// The SOAP search road against tests/servers/soap_server.py, a local
// stand-in for the search interface: the binding's operations, a check of
// a site end to end, paging, country restrictions, failures, the daily
// limit, stops and aborts, and the news fetched before a check.
#include "core/soap_road.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/core_test_support.h"
#include "core/engines.h"
#include "core/google_search.h"
#include "core/keyword.h"
#include "core/news.h"
#include "core/options.h"
#include "core/search.h"
#include "core/site.h"
#include "core/soap_client.h"
#include "core/soap_test_support.h"
#include "core/state.h"
#include "net/testing/peers.h"
#include "runtime/datetime.h"
#include "runtime/strings.h"

namespace core {
namespace {

using testing::ScopedCallbacks;
using testing::ScopedMakerProgram;
using testing::SoapCall;
using testing::SoapCalls;

constexpr const char* kSite = "www.example-site.test";
constexpr const char* kKey = "test-key";

std::string Utf8(const std::u16string& text) {
    return runtime::WideToUtf8(text);
}

class SoapRoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        bool absent = false;
        soapPort_ = net::testing::PeerPort("SERPLOW_TEST_SOAP_PORT", "soap_server.py", why, absent);
        ASSERT_FALSE(soapPort_.empty()) << why;
        makerPort_ =
            net::testing::PeerPort("SERPLOW_TEST_MAKER_PORT", "maker_server.py", why, absent);
        ASSERT_FALSE(makerPort_.empty()) << why;
        program_ = std::make_unique<ScopedMakerProgram>(makerPort_);
        testing::ResetSoapCalls(soapPort_);
        Options->GoogleKeyActive = true;
        Options->GoogleKey = kKey;
        Options->SearchResults = 30;
        engine_.Country = "Germany";
        engine_.Lang = "German";
        savedEngine_ = CurrentEngine;
        CurrentEngine = &engine_;
        limits_.SoapAddress = Endpoint();
        limits_.FetchTimeout = 10000;
    }
    void TearDown() override {
        CurrentEngine = savedEngine_;
        SetSoapClient(nullptr);
    }

    std::string Endpoint() const { return "http://127.0.0.1:" + soapPort_ + "/search/beta2"; }

    // Checks the site, collecting the log lines and the messages;
    // `onPending` runs at every ProcessPending.
    bool Check(TSite& site, std::function<void()> onPending = {}) {
        CoreCallbacks callbacks;
        callbacks.KeywordDone = [this](const std::u16string& line) {
            lines_.push_back(Utf8(line));
        };
        callbacks.ShowMessage = [this](const std::string& text, const std::string& caption,
                                       MessageKind kind, MessageOwner owner) {
            messages_.push_back(caption + "|" + text + "|" +
                                (kind == MessageKind::Information ? "information" : "error") + "|" +
                                (owner == MessageOwner::CheckProgress ? "progress" : "main"));
        };
        callbacks.ProcessPending = std::move(onPending);
        ScopedCallbacks scoped(std::move(callbacks));
        return CheckSite(site, limits_);
    }

    // A keyword with a history: position 5 before, best 2, checked on day
    // 100, one old result.
    static TKeyword& AddWithHistory(TSite& site, const std::u16string& name) {
        TKeyword& keyword = site.AddKeyword(name);
        keyword.Position = 5;
        keyword.LastPosition = 7;
        keyword.Best = 2;
        keyword.Date = 100;
        keyword.Links.Add(std::make_unique<TLink>(u"http://old.test/", u"old", u"", 1, 1, 0.0));
        return keyword;
    }

    static void ExpectUnchanged(const TKeyword& keyword) {
        SCOPED_TRACE(Utf8(keyword.Name) + " unchanged");
        EXPECT_EQ(keyword.Position, 5);
        EXPECT_EQ(keyword.LastPosition, 7);
        EXPECT_EQ(keyword.Best, 2);
        EXPECT_EQ(keyword.Date, 100);
        ASSERT_EQ(keyword.Links.Count(), 1);
        EXPECT_EQ(keyword.Links.Links(0)->Name(), "http://old.test/");
    }

    std::vector<std::string> Starts() const {
        std::vector<std::string> starts;
        for (const SoapCall& call : SoapCalls(soapPort_)) starts.push_back(call.Arg("start"));
        return starts;
    }

    std::string soapPort_, makerPort_;
    std::unique_ptr<ScopedMakerProgram> program_;
    TSE engine_{u"google_de.se", ""};
    TSE* savedEngine_ = nullptr;
    TCheckLimits limits_;
    std::vector<std::string> lines_;
    std::vector<std::string> messages_;
};

TEST_F(SoapRoadTest, PortBindsAndCallsTheThreeOperations) {
    // The service's own endpoint, through a client of the port's own.
    const auto own = GetGoogleSearchPort(false, "", nullptr);
    EXPECT_EQ(own->Client().URL, kGoogleSearchEndpoint);
    EXPECT_EQ(own->Client().SOAPAction, "urn:GoogleSearchAction");

    TSoapClient client;
    const auto wsdl =
        GetGoogleSearchPort(true, "http://127.0.0.1:" + soapPort_ + "/GoogleSearch.wsdl", &client);
    EXPECT_EQ(&wsdl->Client(), &client);
    EXPECT_EQ(client.URL, Endpoint());
    try {
        (void)GetGoogleSearchPort(true, "http://127.0.0.1:" + soapPort_ + "/none.wsdl", nullptr);
        ADD_FAILURE() << "bound without a description";
    } catch (const ESoapError& e) {
        EXPECT_EQ(e.Message(), "Unable to read http://127.0.0.1:" + soapPort_ +
                                   "/none.wsdl: HTTP 404 Not Found");
    }

    const auto port = GetGoogleSearchPort(false, Endpoint(), &client);
    EXPECT_EQ(port->doSpellingSuggestion(u"k", u"britny sp\u00E9rs"),
              u"suggested britny sp\u00E9rs");
    EXPECT_EQ(port->doGetCachedPage(u"k", u"http://x.test/"), "<html>cached http://x.test/</html>");
    try {
        (void)port->doSpellingSuggestion(u"", u"x");
        ADD_FAILURE() << "no fault without a key";
    } catch (const ESoapFault& e) {
        EXPECT_EQ(e.Message(), "Exception from service object: Invalid authorization key");
        EXPECT_EQ(e.FaultCode, "SOAP-ENV:Server");
    }

    // Every field of a page, written inline and with references.
    for (const std::u16string q :
         {u"caf\u00E9 at:12 total:15", u"caf\u00E9 at:12 total:15 multiref"}) {
        SCOPED_TRACE(Utf8(q));
        const GoogleSearchResult result = port->doGoogleSearch(u"k", q, 10, 10, true, u"countryDE",
                                                               true, u"", u"UTF-8", u"UTF-8");
        EXPECT_FALSE(result.documentFiltering);
        EXPECT_EQ(result.estimatedTotalResultsCount, 100);
        EXPECT_FALSE(result.estimateIsExact);
        EXPECT_EQ(result.searchQuery, q);
        EXPECT_EQ(result.startIndex, 11);
        EXPECT_EQ(result.endIndex, 15);
        EXPECT_DOUBLE_EQ(result.searchTime, 0.125);
        EXPECT_TRUE(result.directoryCategories.empty());
        ASSERT_EQ(result.resultElements.size(), 5u);
        const ResultElement& site = result.resultElements[1];
        EXPECT_EQ(site.URL, u"http://www.example-site.test/home.html");
        EXPECT_EQ(site.title, u"Example site: caf\u00E9");
        EXPECT_EQ(site.snippet, u"The <b>caf\u00E9</b> site");
        EXPECT_EQ(site.cachedSize, u"12k");
        EXPECT_TRUE(site.relatedInformationPresent);
        EXPECT_EQ(site.directoryCategory.fullViewableName, u"");
        EXPECT_EQ(result.resultElements[4].URL, u"http://www.result-15.test/page-15.html");
    }

    const std::vector<SoapCall> calls = SoapCalls(soapPort_);
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].operation, "doSpellingSuggestion");
    EXPECT_EQ(calls[0].Arg("phrase"), "britny sp\xC3\xA9rs");
    EXPECT_EQ(calls[1].operation, "doGetCachedPage");
    EXPECT_EQ(calls[1].Arg("url"), "http://x.test/");
    EXPECT_EQ(calls[3].operation, "doGoogleSearch");
    EXPECT_EQ(calls[3].action, "\"urn:GoogleSearchAction\"");
    EXPECT_TRUE(calls[3].contentType.starts_with("text/xml")) << calls[3].contentType;
    const std::vector<std::array<std::string, 3>> expected = {
        {"key", "xsd:string", "k"},
        {"q", "xsd:string", "caf\xC3\xA9 at:12 total:15"},
        {"start", "xsd:int", "10"},
        {"maxResults", "xsd:int", "10"},
        {"filter", "xsd:boolean", "true"},
        {"restrict", "xsd:string", "countryDE"},
        {"safeSearch", "xsd:boolean", "true"},
        {"lr", "xsd:string", ""},
        {"ie", "xsd:string", "UTF-8"},
        {"oe", "xsd:string", "UTF-8"},
    };
    EXPECT_EQ(calls[3].args, expected);
}

// Three keywords, one beyond the code page, one with XML's special
// characters, and an inactive one; checked once through a client of the
// road's own and once through the window's.
TEST_F(SoapRoadTest, ChecksThreeKeywordsEndToEnd) {
    struct Row {
        std::u16string keyword;
        int position;
        std::string sentQ;  // q as it went over the wire
    };
    const Row rows[] = {
        {u"alpha at:3", 3, "alpha at:3"},
        {u"\u041F\u0440\u0438\u0432\u0435\u0442 caf\u00E9 at:12", 12,
         "&#1055;&#1088;&#1080;&#1074;&#1077;&#1090; caf&#233; at:12"},
        {u"fish & chips <b> at:25", 25, "fish &amp; chips &lt;b&gt; at:25"},
    };
    TSite site(kSite);
    for (const Row& row : rows) AddWithHistory(site, row.keyword);
    AddWithHistory(site, u"inactive at:1").Active = false;
    const runtime::TDateTime today = runtime::Date();

    TSoapClient windowClient;
    for (const bool window : {false, true}) {
        SCOPED_TRACE(window ? "the window's client" : "a client of the road's own");
        if (window) SetSoapClient(&windowClient);
        lines_.clear();
        testing::ResetSoapCalls(soapPort_);
        ASSERT_TRUE(Check(site));

        std::vector<std::string> wanted;
        for (const Row& row : rows) wanted.push_back(Utf8(row.keyword) + " - OK");
        EXPECT_EQ(lines_, wanted);
        EXPECT_TRUE(messages_.empty());
        for (size_t k = 0; k < std::size(rows); ++k) {
            const TKeyword& keyword = *site.Keywords.Items(static_cast<int>(k));
            SCOPED_TRACE(Utf8(keyword.Name));
            EXPECT_EQ(keyword.Position, rows[k].position);
            EXPECT_EQ(keyword.Date, today);
            ASSERT_EQ(keyword.Links.Count(), 30);
            const TLink& found = *keyword.Links.Links(rows[k].position - 1);
            EXPECT_EQ(found.Name(), std::string("http://") + kSite + "/home.html");
            const std::u16string words = keyword.Name.substr(0, keyword.Name.rfind(u' '));
            EXPECT_EQ(found.Title(), u"Example site: " + words);
            EXPECT_EQ(found.Description(), u"The <b>" + words + u"</b> site");
            for (int i = 0; i < 30; ++i) {
                const TLink& link = *keyword.Links.Links(i);
                EXPECT_EQ(link.Position, i + 1);
                EXPECT_EQ(link.Page, i / 10 + 1);
                EXPECT_EQ(link.Cost, -1.0);
            }
            if (!window) {
                EXPECT_EQ(keyword.LastPosition, 5);
                EXPECT_EQ(keyword.Best, 2);
            }
        }
        ExpectUnchanged(*site.Keywords.Items(3));

        const std::vector<SoapCall> calls = SoapCalls(soapPort_);
        ASSERT_EQ(calls.size(), 9u);
        for (size_t i = 0; i < calls.size(); ++i) {
            const Row& row = rows[i / 3];
            SCOPED_TRACE("call " + std::to_string(i));
            EXPECT_EQ(calls[i].Arg("q"), Utf8(row.keyword));
            EXPECT_EQ(calls[i].rawQ, row.sentQ);
            EXPECT_EQ(calls[i].Arg("start"), std::to_string(i % 3 * 10));
            EXPECT_EQ(calls[i].Arg("key"), kKey);
            EXPECT_EQ(calls[i].Arg("restrict"), "countryDE");
            EXPECT_EQ(calls[i].Arg("lr"), "");
        }
    }
    EXPECT_EQ(windowClient.URL, Endpoint());
}

TEST_F(SoapRoadTest, PagesEndAtTheDepthOrAtAShortPage) {
    struct Row {
        int depth;
        std::u16string keyword;
        std::vector<std::string> starts;
        int links;
    };
    const Row rows[] = {
        {30, u"full total:100", {"0", "10", "20"}, 30},
        {30, u"seventeen total:17", {"0", "10"}, 17},
        {30, u"twenty total:20", {"0", "10", "20"}, 20},
        {25, u"rounded down", {"0", "10"}, 20},
        {10, u"one page", {"0"}, 10},
        // A page of more than ten counts as ten.
        {20, u"wide extra", {"0", "10"}, 20},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8(row.keyword));
        Options->SearchResults = row.depth;
        testing::ResetSoapCalls(soapPort_);
        lines_.clear();
        TSite site(kSite);
        TKeyword& keyword = site.AddKeyword(row.keyword);
        ASSERT_TRUE(Check(site));
        EXPECT_EQ(Starts(), row.starts);
        ASSERT_EQ(keyword.Links.Count(), row.links);
        EXPECT_EQ(keyword.Links.Links(row.links - 1)->Position, row.links);
        EXPECT_EQ(lines_, std::vector<std::string>{Utf8(row.keyword) + " - OK"});
    }
}

TEST_F(SoapRoadTest, RestrictFollowsTheEnginesCountry) {
    struct Row {
        std::string country, lang, restrict;
        bool engine = true;
    };
    const Row rows[] = {
        {"USA", "English", ""},         {"Germany", "German", "countryDE"},
        {"Japan", "Thai", "countryJP"}, {"Atlantis", "English", ""},
        {"Germany", "Klingon", ""},     {"", "", "", false},
    };
    Options->SearchResults = 10;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.country + "/" + row.lang);
        engine_.Country = row.country;
        engine_.Lang = row.lang;
        CurrentEngine = row.engine ? &engine_ : nullptr;
        testing::ResetSoapCalls(soapPort_);
        TSite site(kSite);
        site.AddKeyword(u"restricted at:2");
        ASSERT_TRUE(Check(site));
        const std::vector<SoapCall> calls = SoapCalls(soapPort_);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].Arg("restrict"), row.restrict);
        EXPECT_EQ(site.Keywords.Items(0)->Position, 2);
    }
}

TEST_F(SoapRoadTest, AFailedCallFailsItsKeywordOnly) {
    const std::string status = "The service at " + Endpoint() + " answered HTTP 503 ";
    struct Row {
        std::u16string keyword;
        std::string line;  // the start of the log line
        int position;      // -1: unchanged
    };
    const Row rows[] = {
        {u"busy failpage:2 at:3",
         "busy failpage:2 at:3 - Failed: Exception from service object: The service is busy", -1},
        {u"down status:503", "down status:503 - Failed: " + status, -1},
        {u"junk garbage", "junk garbage - Failed: The answer is no", -1},
        {u"references multiref at:14", "references multiref at:14 - OK", 14},
        {u"after at:4", "after at:4 - OK", 4},
    };
    TSite site(kSite);
    for (const Row& row : rows) AddWithHistory(site, row.keyword);
    ASSERT_TRUE(Check(site));
    ASSERT_EQ(lines_.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(Utf8(row.keyword));
        EXPECT_TRUE(lines_[i].starts_with(row.line)) << lines_[i];
        const TKeyword& keyword = *site.Keywords.Items(static_cast<int>(i));
        if (row.position < 0) {
            ExpectUnchanged(keyword);
        } else {
            EXPECT_EQ(keyword.Position, row.position);
            EXPECT_EQ(keyword.Links.Count(), 30);
        }
    }
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(site.Stop);
}

TEST_F(SoapRoadTest, DailyLimitStopsTheCheckWithANotice) {
    TSite site(kSite);
    AddWithHistory(site, u"first at:1");
    AddWithHistory(site, u"second fault:daily");
    AddWithHistory(site, u"third at:2");
    ASSERT_TRUE(Check(site));
    EXPECT_EQ(lines_, (std::vector<std::string>{
                          "first at:1 - OK",
                          "second fault:daily - Failed: Exception from service object: Daily "
                          "limit of 1000 queries exceeded for key test-key"}));
    EXPECT_EQ(messages_, std::vector<std::string>{std::string(kDailyLimitCaption) + "|" +
                                                  kDailyLimitMessage + "|information|progress"});
    EXPECT_TRUE(site.Stop);
    EXPECT_EQ(site.Keywords.Items(0)->Position, 1);
    ExpectUnchanged(*site.Keywords.Items(1));
    ExpectUnchanged(*site.Keywords.Items(2));
    EXPECT_EQ(Starts(), (std::vector<std::string>{"0", "10", "20", "0"}));
}

TEST_F(SoapRoadTest, DepthUnderTenMakesNoCall) {
    Options->SearchResults = 9;
    TSite site(kSite);
    AddWithHistory(site, u"shallow at:1");
    AddWithHistory(site, u"shallower at:2");
    ASSERT_TRUE(Check(site));
    ASSERT_EQ(lines_.size(), 2u);
    EXPECT_EQ(lines_[0],
              "shallow at:1 - Failed: The search depth 9 is under 10, the results of "
              "one page of the search interface");
    ExpectUnchanged(*site.Keywords.Items(0));
    ExpectUnchanged(*site.Keywords.Items(1));
    EXPECT_TRUE(SoapCalls(soapPort_).empty());
}

TEST_F(SoapRoadTest, StopAndAbortBetweenPages) {
    // ProcessPending runs before each keyword and after each page; the
    // second time is after the first keyword's first page.
    for (const bool abort : {false, true}) {
        SCOPED_TRACE(abort ? "abort" : "stop");
        testing::ResetSoapCalls(soapPort_);
        lines_.clear();
        TSite site(kSite);
        AddWithHistory(site, u"first at:1");
        AddWithHistory(site, u"second at:2");
        int pending = 0;
        const bool checked = Check(site, [&] {
            if (++pending != 2) return;
            if (abort) {
                AbortCheck();
            } else {
                site.Stop = true;
            }
        });
        EXPECT_EQ(checked, !abort);
        EXPECT_FALSE(CheckRunning());
        EXPECT_EQ(lines_, abort ? std::vector<std::string>{}
                                : std::vector<std::string>{"first at:1 - Failed: Stopped"});
        ExpectUnchanged(*site.Keywords.Items(0));
        ExpectUnchanged(*site.Keywords.Items(1));
        EXPECT_EQ(Starts(), std::vector<std::string>{"0"});
    }
}

TEST_F(SoapRoadTest, CheckFetchesTheNewsFirstUnlessNewsWaits) {
    program_->SetPage("news", "<p>News</p>", "last-modified=Mon, 01 Jan 2024");
    Options->SearchResults = 10;
    TSite site(kSite);
    site.AddKeyword(u"newsy at:1");
    ASSERT_TRUE(Check(site));
    EXPECT_TRUE(Options->NeedToShowNews);
    EXPECT_EQ(Options->NewsText, "<p>News</p>");
    // News waits to be shown: no request.
    ASSERT_TRUE(Check(site));
    EXPECT_EQ(program_->Requests(), "/serplow_news.txt 1 0\n");
    EXPECT_EQ(SoapCalls(soapPort_).size(), 2u);
}

}  // namespace
}  // namespace core
