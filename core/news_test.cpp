// The news and version checks against tests/servers/maker_server.py, which
// answers what each test sets, with the "Last-Modified:" and "Date:" lines
// it asks for.
#include "core/news.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core_test_support.h"
#include "core/maker.h"
#include "core/options.h"
#include "core/soap_test_support.h"
#include "core/state.h"
#include "net/testing/peers.h"
#include "runtime/container_test_support.h"
#include "runtime/os/files.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace core {
namespace {

using testing::ScopedCallbacks;
using testing::ScopedMakerProgram;

TEST(VersionTest, NewerByNumericComponentsInOrder) {
    struct Row {
        std::string remote;
        bool newer;
    };
    const Row rows[] = {
        {"2.5.32.94", true},
        {"2.5.33.0", true},
        {"2.6.0.0", true},
        {"3.0.0.0", true},
        {"10.0.0.0", true},
        {"2.5.32.93", false},
        {"2.5.32.92", false},
        {"2.5.31.99", false},
        {"1.99.99.99", false},
        // Space around it and a UTF-8 byte-order mark do not matter.
        {" 2.6.0.0 ", true},
        {"\xEF\xBB\xBF"
         "2.6.0.0",
         true},
        // No version: never newer.
        {"", false},
        {"2.6.0", false},
        {"2.6.0.0.1", false},
        {"2.6.x.0", false},
        {"2.6..0", false},
        {"2.6.0.-1", false},
        {"+3.0.0.0", false},
        {"3.0.0.0 beta", false},
        {"9999999999.0.0.0", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("\"" + row.remote + "\"");
        EXPECT_EQ(IsNewerVersion(row.remote, kProgramVersion), row.newer);
    }
    // Nothing is newer than a version that cannot be read.
    EXPECT_FALSE(IsNewerVersion("3.0.0.0", "3.0"));
}

TEST(NewsLinkTest, OnlyWebAndMailAddressesOpen) {
    struct Row {
        std::string url;
        bool allowed;
    };
    const Row rows[] = {
        {"http://www.serplow.com/", true},
        {"HTTPS://example.test/a?b", true},
        {"mailto:support@example.test", true},
        {"file:///C:/Windows/notepad.exe", false},
        {"javascript:alert(1)", false},
        {"C:\\Windows\\notepad.exe", false},
        {"\\\\server\\share\\x.exe", false},
        {"ftp://example.test/", false},
        {" http://example.test/", false},
        {"http:", false},
        {"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        EXPECT_EQ(IsNewsLinkAllowed(row.url), row.allowed);
    }
}

TEST(MakerTest, HostComesFromTheEnvironmentWhenSet) {
    testing::ScopedEnvironment environment;
    environment.Set(kMakerHostVariable, std::nullopt);
    EXPECT_EQ(MakerHost(), kMakerHost);
    EXPECT_EQ(MakerURL(kNewsPath), std::string("http://") + kMakerHost + "/serplow_news.txt");
    environment.Set(kMakerHostVariable, "");
    EXPECT_EQ(MakerHost(), kMakerHost);
    environment.Set(kMakerHostVariable, "127.0.0.1:8080");
    EXPECT_EQ(MakerURL(kVersionPath), "http://127.0.0.1:8080/serplow-ver.txt");
    EXPECT_EQ(MakerWebAddress(), "http://127.0.0.1:8080");
}

class NewsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        bool absent = false;
        port_ = net::testing::PeerPort("SERPLOW_TEST_MAKER_PORT", "maker_server.py", why, absent);
        ASSERT_FALSE(port_.empty()) << why;
        program_ = std::make_unique<ScopedMakerProgram>(port_);
        CoreCallbacks callbacks;
        callbacks.LogLine = [this](const std::u16string& line) {
            log_.push_back(runtime::WideToUtf8(line));
        };
        callbacks_ = std::make_unique<ScopedCallbacks>(std::move(callbacks));
    }

    // The kept copy's content; "<none>" without one.
    std::string Kept() const {
        return runtime::os::FileExists(NewsFileName()) ? testing::ReadWideFile(NewsFileName())
                                                       : std::string("<none>");
    }

    std::string port_;
    std::unique_ptr<ScopedMakerProgram> program_;
    std::unique_ptr<ScopedCallbacks> callbacks_;
    std::vector<std::string> log_;
};

// One news page after another, as checks would fetch them: kept, unchanged,
// changed with the same date line, changed with a new one, and dated by its
// "Date:" line when it has no "Last-Modified:".
TEST_F(NewsTest, KeepsAPageWhoseTextAndDateAreNew) {
    struct Step {
        const char* what;
        std::string body, query;
        std::string kept;  // the kept copy afterwards
        bool pending;      // NeedToShowNews afterwards
        std::string lastNewsDate;
    };
    const std::string monday = "Last-Modified: Mon, 01 Jan 2024 10:00:00 GMT";
    const std::string tuesday = "Last-Modified: Tue, 02 Jan 2024 10:00:00 GMT";
    const std::string wednesday = "Date: Wed, 03 Jan 2024 10:00:00 GMT";
    const std::string mondayQuery =
        "last-modified=Mon, 01 Jan 2024 10:00:00 GMT&date=Fri, 05 Jan 2024 08:00:00 GMT";
    const Step steps[] = {
        {"first news", "<p>One</p>", mondayQuery, "<p>One</p>", true, monday},
        {"the same page", "<p>One</p>", mondayQuery, "<p>One</p>", false, monday},
        {"new text, same date", "<p>Two</p>", mondayQuery, "<p>One</p>", false, monday},
        {"new text, new date", "<p>Three</p>",
         "last-modified=Tue, 02 Jan 2024 10:00:00 GMT&date=Fri, 05 Jan 2024 09:00:00 GMT",
         "<p>Three</p>", true, tuesday},
        {"no Last-Modified", "<p>Four</p>", "date=Wed, 03 Jan 2024 10:00:00 GMT", "<p>Four</p>",
         true, wednesday},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        program_->SetPage("news", step.body, step.query);
        // The window has shown what was pending.
        Options->NeedToShowNews = false;
        Options->Save();
        FetchNews();
        EXPECT_EQ(Kept(), step.kept);
        EXPECT_EQ(Options->NeedToShowNews, step.pending);
        EXPECT_EQ(Options->NewsText, step.body);
        EXPECT_EQ(Options->LastNewsDate, step.lastNewsDate);
        // Saved at once.
        const TOptions stored(Options->DataDir);
        EXPECT_EQ(stored.LastNewsDate, step.lastNewsDate);
        EXPECT_EQ(stored.NeedToShowNews, step.pending);
    }
    EXPECT_EQ(program_->Requests(), "/serplow_news.txt 5 0\n");
    EXPECT_TRUE(log_.empty());
}

TEST_F(NewsTest, ErrorPagesAreNeverNews) {
    struct Row {
        const char* what;
        std::string body, query;
    };
    const Row rows[] = {
        {"not found", "<html>Not found</html>", "status=404&last-modified=Mon, 01 Jan 2024"},
        {"server error", "<html>Oops</html>", "status=500"},
        {"moved", "<html>Moved</html>", "status=301"},
        {"empty page", "", "last-modified=Tue, 02 Jan 2024"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        program_->SetPage("news", row.body, row.query);
        FetchNews();
        EXPECT_EQ(Kept(), "<none>");
        EXPECT_FALSE(Options->NeedToShowNews);
        EXPECT_EQ(Options->NewsText, "");
        EXPECT_EQ(Options->LastNewsDate, "");
    }
    // No page at all on the server.
    (void)testing::Fetch("GET", MakerURL("/reset"));
    FetchNews();
    EXPECT_EQ(Kept(), "<none>");
    EXPECT_FALSE(Options->NeedToShowNews);
}

TEST_F(NewsTest, NoServerChangesNothingSilently) {
    testing::ScopedEnvironment environment;
    // Nothing listens on port 1.
    environment.Set(kMakerHostVariable, "127.0.0.1:1");
    FetchNews();
    EXPECT_EQ(Kept(), "<none>");
    EXPECT_FALSE(Options->NeedToShowNews);
    EXPECT_FALSE(CheckNewVersion());
    EXPECT_TRUE(log_.empty());
}

TEST_F(NewsTest, ACopyThatCannotBeWrittenStillShowsTheNews) {
    TempDir = program_->TempFile("missing") + char16_t(runtime::os::PathDelim);
    program_->SetPage("news", "<p>News</p>", "last-modified=Mon, 01 Jan 2024");
    FetchNews();
    EXPECT_TRUE(Options->NeedToShowNews);
    EXPECT_EQ(Options->NewsText, "<p>News</p>");
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_TRUE(log_[0].starts_with("The news could not be kept: ")) << log_[0];
}

TEST_F(NewsTest, DateLineIsTheWholeLastModifiedOrDateLine) {
    struct Row {
        std::string headers;
        bool changed;
        std::string lastNewsDate;
    };
    const Row rows[] = {
        {"HTTP/1.1 200 OK\r\nDate: D1\r\nLast-Modified: L1\r\nServer: x", true,
         "Last-Modified: L1"},
        {"HTTP/1.1 200 OK\r\nLast-Modified: L1", false, "Last-Modified: L1"},
        {"HTTP/1.1 200 OK\r\nlast-modified: L2", true, "last-modified: L2"},
        {"HTTP/1.1 200 OK\r\nX-Update-Date: no\r\nDate: D2", true, "Date: D2"},
        {"HTTP/1.1 200 OK\r\nServer: x", false, "Date: D2"},
        {"", false, "Date: D2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.headers);
        EXPECT_EQ(UpdateNewsDate(row.headers), row.changed);
        EXPECT_EQ(Options->LastNewsDate, row.lastNewsDate);
    }
}

TEST_F(NewsTest, VersionFileOffersANewerVersion) {
    const std::string address = "http://127.0.0.1:" + port_;
    struct Row {
        const char* what;
        std::string body, query;
        bool newer;
        std::string text;  // NewVersionText when newer
        bool logged;
    };
    const Row rows[] = {
        {"newer", "2.6.0.0\r\nFaster checks.\r\nNew engines.\r\n", "", true,
         "There is a newer version of Serplow available at " + address +
             ".\r\nFaster checks.\r\nNew engines.\r\n\r\nDo you want to download the latest "
             "version right now?",
         false},
        {"newer, lines ended by LF", "3.0.0.0\nOne line", "", true,
         "There is a newer version of Serplow available at " + address +
             ".\r\nOne line\r\n\r\nDo you want to download the latest version right now?",
         false},
        {"equal", "2.5.32.93\r\nNothing new.\r\n", "", false, "", false},
        {"older", "2.5.32.9\r\n", "", false, "", false},
        {"no version", "<html>Welcome</html>\r\n", "", false, "", true},
        {"empty file", "", "", false, "", true},
        {"error page", "2.6.0.0\r\n", "status=404", false, "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        NewVersionText = "unchanged";
        log_.clear();
        program_->SetPage("version", row.body, row.query);
        EXPECT_EQ(CheckNewVersion(), row.newer);
        EXPECT_EQ(NewVersionText, row.newer ? row.text : "unchanged");
        EXPECT_EQ(log_.size(), row.logged ? 1u : 0u);
        if (row.logged && !log_.empty()) {
            EXPECT_TRUE(log_[0].starts_with("The version file " + address + "/serplow-ver.txt"))
                << log_[0];
        }
    }
}

TEST_F(NewsTest, BothChecksGoThroughTheProxy) {
    NET_REQUIRE_PEER(proxyPort, "SERPLOW_TEST_PROXY_PORT", "tinyproxy");
    Options->ProxyHost = "127.0.0.1";
    Options->ProxyPort = proxyPort;
    Options->ProxyUser = net::testing::kProxyUser;
    Options->ProxyPass = net::testing::kProxyPassword;
    program_->SetPage("news", "<p>Proxied</p>", "last-modified=Mon, 01 Jan 2024");
    program_->SetPage("version", "9.0.0.0\r\n", "");
    FetchNews();
    EXPECT_TRUE(Options->NeedToShowNews);
    EXPECT_TRUE(CheckNewVersion());
    EXPECT_EQ(program_->Requests(), "/serplow-ver.txt 1 1\n/serplow_news.txt 1 1\n");
}

}  // namespace
}  // namespace core
