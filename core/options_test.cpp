#include "core/options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/core_test_support.h"
#include "core/state.h"
#include "runtime/container_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/os/files.h"
#include "runtime/os/folders.h"
#include "runtime/os/paths.h"

namespace core {
namespace {

using runtime::testing::ReadBytes;
using runtime::testing::TempFolder;
using runtime::testing::WriteBytes;
using testing::ScopedCallbacks;

// The fixtures beside this file (under Wine the folder lies on drive Z:).
// Named by the build, not by __FILE__, which a compiler cache may make relative.
std::string testData(const char* name) {
    return (std::filesystem::path(CORE_TESTDATA_DIR) / name).string();
}

std::u16string dataDir(const TempFolder& folder) {
    return runtime::AnsiToWide(folder.File(""));
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A window as the settings see it: its geometry before and after it is
// restored from maximized, its trees' columns, and what was done to them.
struct FakeWindow {
    WindowGeometry geometry;
    WindowGeometry restored;
    std::vector<int> keywordColumns{150, 60, 60, 80};
    std::vector<int> resultColumns{300, 200};
    std::vector<std::tuple<int, int, int>> widthsSet;
    int restores = 0;

    std::vector<int>& columns(int tree) {
        return tree == KeywordTree ? keywordColumns : resultColumns;
    }

    CoreCallbacks Callbacks() {
        CoreCallbacks c;
        c.TreeColumnCount = [this](int tree) { return static_cast<int>(columns(tree).size()); };
        c.TreeColumnWidth = [this](int tree, int column) { return columns(tree).at(column); };
        c.SetTreeColumnWidth = [this](int tree, int column, int width) {
            widthsSet.emplace_back(tree, column, width);
        };
        c.GetGeometry = [this] { return geometry; };
        c.RestoreFromMaximized = [this] {
            ++restores;
            geometry = restored;
        };
        return c;
    }
};

TEST(OptionsTest, FirstStartGivesTheDefaults) {
    TempFolder folder;
    const TOptions options(dataDir(folder));
    EXPECT_EQ(options.DataDir, dataDir(folder));
    EXPECT_EQ(options.SearchResults, 10);
    EXPECT_EQ(options.Country, "USA");
    EXPECT_EQ(options.Lang, "English");
    EXPECT_EQ(options.SEFileName,
              folder.File("") + "SearchEngines" + runtime::os::PathDelim + "google_usa.se");
    EXPECT_TRUE(options.CheckForNewVersion);
    EXPECT_EQ(options.HumanActivitySimulation, 1);
    EXPECT_TRUE(options.FirstRun);
    EXPECT_TRUE(options.ShowNewsHint);
    EXPECT_FALSE(options.NeedToShowNews);
    EXPECT_FALSE(options.SkipNews);
    EXPECT_FALSE(options.GoogleKeyActive);
    EXPECT_EQ(options.SizeX, 661);
    EXPECT_EQ(options.SizeY, 315);
    EXPECT_EQ(options.PosX, 0);
    EXPECT_EQ(options.PosY, 0);
    EXPECT_EQ(options.Splitter, 329);
    EXPECT_FALSE(options.Maximized);
    EXPECT_EQ(options.ProxyHost, "");
    EXPECT_FALSE(options.Closing);
    EXPECT_FALSE(options.UINotReady);
    // Reading writes nothing.
    EXPECT_FALSE(runtime::os::FileExists(options.IniFileName()));
}

TEST(OptionsTest, ReadsTheValueForms) {
    using Field = std::function<int(const TOptions&)>;
    const Field searchResults = [](const TOptions& o) { return o.SearchResults; };
    const Field friendly = [](const TOptions& o) { return o.HumanActivitySimulation; };
    const Field firstRun = [](const TOptions& o) { return int{o.FirstRun}; };
    const Field maximized = [](const TOptions& o) { return int{o.Maximized}; };
    const Field posX = [](const TOptions& o) { return o.PosX; };
    const Field skipNews = [](const TOptions& o) { return int{o.SkipNews}; };
    struct Row {
        const char* section;
        const char* line;
        Field field;
        int expected;
    };
    const Row rows[] = {
        {"General", "SearchResults=250", searchResults, 250},
        {"General", "SearchResults=0x64", searchResults, 100},
        {"General", "SearchResults=$64", searchResults, 100},
        {"General", "SearchResults=abc", searchResults, 10},
        {"General", "SearchResults=", searchResults, 10},
        {"General", "SearchResults=5", searchResults, 10},         // clamped
        {"General", "SearchResults=20000", searchResults, 10000},  // clamped
        {"General", "SearchResults=-1", searchResults, 10},        // clamped
        {"General", "HumanActivitySimulation=0x2", friendly, 2},
        {"General", "HumanActivitySimulation=0", friendly, 0},
        {"General", "HumanActivitySimulation=7", friendly, 3},   // clamped
        {"General", "HumanActivitySimulation=-2", friendly, 0},  // clamped
        {"General", "HumanActivitySimulation=x", friendly, 1},
        {"General", "FirstRun=0", firstRun, 0},
        {"General", "FirstRun=2", firstRun, 1},
        {"General", "FirstRun=0x0", firstRun, 0},
        {"General", "FirstRun=yes", firstRun, 1},  // unreadable: the default
        {"General", "Maximized=1", maximized, 1},
        {"General", "Maximized=-1", maximized, 1},
        {"General", "PosX=-8", posX, -8},
        {"General", "PosX=0x10", posX, 16},
        {"News", "SkipNews=1", skipNews, 1},
        {"General", "SkipNews=1", skipNews, 0},  // wrong section
    };
    for (const Row& row : rows) {
        TempFolder folder;
        WriteBytes(folder.File("serplow.ini"),
                   std::string("[") + row.section + "]\r\n" + row.line + "\r\n");
        const TOptions options(dataDir(folder));
        EXPECT_EQ(row.field(options), row.expected) << row.section << " " << row.line;
    }
}

TEST(OptionsTest, SaveWritesAtOnceButNotTheGeometry) {
    TempFolder folder;
    FakeWindow window;
    const ScopedCallbacks callbacks(window.Callbacks());
    auto options = std::make_unique<TOptions>(dataDir(folder));
    options->SearchResults = 500;
    options->ProxyHost = "proxy.local";
    options->SkipNews = true;
    options->PosX = 77;
    options->Save();

    const std::string written = ReadBytes(folder.File("serplow.ini"));
    EXPECT_TRUE(contains(written, "SearchResults=500"));
    EXPECT_TRUE(contains(written, "ProxyHost=proxy.local"));
    for (const char* key : {"SkipNews", "PosX", "SizeX", "Maximized", "Splitter", "Column1"}) {
        EXPECT_FALSE(contains(written, key)) << key;
    }
    const TOptions reread(dataDir(folder));
    EXPECT_EQ(reread.SearchResults, 500);
    EXPECT_EQ(reread.ProxyHost, "proxy.local");
    EXPECT_FALSE(reread.SkipNews);

    window.geometry = {false, 10, 20, 700, 400, 333};
    options.reset();
    const TOptions atNextStart(dataDir(folder));
    EXPECT_EQ(atNextStart.PosX, 10);
    EXPECT_EQ(atNextStart.PosY, 20);
    EXPECT_EQ(atNextStart.SizeX, 700);
    EXPECT_EQ(atNextStart.SizeY, 400);
    EXPECT_EQ(atNextStart.Splitter, 333);
    EXPECT_FALSE(atNextStart.Maximized);
    EXPECT_EQ(window.restores, 0);
}

TEST(OptionsTest, ClosingMaximizedStoresTheNormalPlacement) {
    TempFolder folder;
    FakeWindow window;
    window.geometry = {true, -4, -4, 1928, 1048, 400};
    window.restored = {false, 120, 80, 800, 600, 350};
    {
        const ScopedCallbacks callbacks(window.Callbacks());
        const TOptions options(dataDir(folder));
    }
    EXPECT_EQ(window.restores, 1);
    const TOptions reread(dataDir(folder));
    EXPECT_TRUE(reread.Maximized);
    EXPECT_EQ(reread.PosX, 120);
    EXPECT_EQ(reread.PosY, 80);
    EXPECT_EQ(reread.SizeX, 800);
    EXPECT_EQ(reread.SizeY, 600);
    EXPECT_EQ(reread.Splitter, 350);
}

TEST(OptionsTest, ColumnWidthsGoBetweenTheFileAndTheTrees) {
    TempFolder folder;
    WriteBytes(folder.File("serplow.ini"),
               "[General]\r\nColumn10=0\r\nColumn11=150\r\nColumn12=abc\r\nColumn13=-5\r\n"
               "Column14=99\r\nColumn20=0x20\r\nColumn21=0\r\n");
    FakeWindow window;
    const ScopedCallbacks callbacks(window.Callbacks());
    {
        const TOptions options(dataDir(folder));
        // A width of 0 or less, or unreadable, leaves the column as designed;
        // there is no fifth keyword column.
        const std::vector<std::tuple<int, int, int>> expected = {{1, 1, 150}, {2, 0, 32}};
        EXPECT_EQ(window.widthsSet, expected);
        window.keywordColumns = {11, 12, 13, 14};
        window.resultColumns = {21, 22};
    }
    const std::string written = ReadBytes(folder.File("serplow.ini"));
    for (const char* line : {"Column10=11", "Column11=12", "Column12=13", "Column13=14",
                             "Column20=21", "Column21=22"}) {
        EXPECT_TRUE(contains(written, line)) << line;
    }
}

TEST(OptionsTest, WriteFailuresReachSaveButNotTheDestructor) {
    TempFolder folder;
    FakeWindow window;
    const ScopedCallbacks callbacks(window.Callbacks());
    const std::u16string missing = runtime::os::IncludeTrailingPathDelimiter(
        runtime::os::IncludeTrailingPathDelimiter(dataDir(folder) + u"missing") + u"deeper");
    auto options = std::make_unique<TOptions>(missing);
    EXPECT_EQ(options->SearchResults, 10);
    EXPECT_THROW(options->Save(), runtime::EIniFileException);
    EXPECT_THROW(options->WriteGeometry(), runtime::EIniFileException);
    options.reset();  // must not end the process
}

// ---- the same file from both builds ------------------------------------------
//
// testdata/options_written.ini was written by the Windows build under Wine 8
// (the platform's private-profile functions) through the steps below. Both
// builds must write the same bytes and read the same settings back.

void setFixtureValues(TOptions& options) {
    options.ProxyPort = "8080";
    options.ProxyHost = "proxy.example.com";
    options.ProxyUser = "J\xFCrgen";
    options.ProxyPass = "p=ss; word";
    options.SearchResults = 250;
    options.GoogleKey = "key123";
    options.GoogleKeyActive = true;
    options.FirstRun = false;
    options.Country = "Germany";
    options.Lang = "German";
    options.SEFileName = "C:\\Serplow\\SearchEngines\\google_de.se";
    options.LastNewsDate = "Tue, 01 Jan 2030 00:00:00 GMT";
    options.NewsURL = "http://news.example.com/";
    options.NeedToShowNews = true;
    options.ShowNewsHint = false;
    options.CheckForNewVersion = false;
    options.HumanActivitySimulation = 3;
}

FakeWindow fixtureWindow() {
    FakeWindow window;
    window.geometry = {true, -4, -4, 1928, 1048, 400};
    window.restored = {false, 120, 80, 800, 600, 350};
    return window;
}

TEST(OptionsTest, WritesTheBytesWineWrites) {
    TempFolder folder;
    FakeWindow window = fixtureWindow();
    {
        const ScopedCallbacks callbacks(window.Callbacks());
        TOptions options(dataDir(folder));
        setFixtureValues(options);
        options.Save();
    }
    EXPECT_EQ(ReadBytes(folder.File("serplow.ini")), ReadBytes(testData("options_written.ini")));
}

TEST(OptionsTest, ReadsTheFileWineWrote) {
    TempFolder folder;
    std::filesystem::copy_file(testData("options_written.ini"), folder.File("serplow.ini"));
    const TempFolder otherFolder;
    TOptions expected(dataDir(otherFolder));
    setFixtureValues(expected);

    FakeWindow window;
    const ScopedCallbacks callbacks(window.Callbacks());
    const TOptions options(dataDir(folder));
    EXPECT_EQ(options.ProxyPort, expected.ProxyPort);
    EXPECT_EQ(options.ProxyHost, expected.ProxyHost);
    EXPECT_EQ(options.ProxyUser, expected.ProxyUser);
    EXPECT_EQ(options.ProxyPass, expected.ProxyPass);
    EXPECT_EQ(options.SearchResults, expected.SearchResults);
    EXPECT_EQ(options.GoogleKey, expected.GoogleKey);
    EXPECT_EQ(options.GoogleKeyActive, expected.GoogleKeyActive);
    EXPECT_EQ(options.FirstRun, expected.FirstRun);
    EXPECT_EQ(options.Country, expected.Country);
    EXPECT_EQ(options.Lang, expected.Lang);
    EXPECT_EQ(options.SEFileName, expected.SEFileName);
    EXPECT_EQ(options.LastNewsDate, expected.LastNewsDate);
    EXPECT_EQ(options.NewsDate, expected.NewsDate);
    EXPECT_EQ(options.NewsURL, expected.NewsURL);
    EXPECT_EQ(options.NeedToShowNews, expected.NeedToShowNews);
    EXPECT_EQ(options.ShowNewsHint, expected.ShowNewsHint);
    EXPECT_EQ(options.CheckForNewVersion, expected.CheckForNewVersion);
    EXPECT_EQ(options.HumanActivitySimulation, expected.HumanActivitySimulation);
    EXPECT_TRUE(options.Maximized);
    EXPECT_EQ(options.PosX, 120);
    EXPECT_EQ(options.PosY, 80);
    EXPECT_EQ(options.SizeX, 800);
    EXPECT_EQ(options.SizeY, 600);
    EXPECT_EQ(options.Splitter, 350);
    const std::vector<std::tuple<int, int, int>> widths = {{1, 0, 150}, {1, 1, 60},  {1, 2, 60},
                                                           {1, 3, 80},  {2, 0, 300}, {2, 1, 200}};
    EXPECT_EQ(window.widthsSet, widths);
}

// ---- the data folder --------------------------------------------------------

TEST(DataDirTest, IsSerplowInTheApplicationDataFolder) {
    TempFolder folder;
#ifndef _WIN32
    // Natively the application-data folder comes from the environment, so
    // a profile whose name the code page cannot spell is tried too.
    for (const std::u16string& appData : {dataDir(folder), testing::MakeWideFolder(folder)}) {
        testing::ScopedEnvironment environment;
        environment.Set(u"XDG_CONFIG_HOME", appData);
        const std::u16string expected = appData + u"Serplow" + char16_t(runtime::os::PathDelim);
        EXPECT_EQ(DefaultDataDir(), expected);
        EXPECT_TRUE(runtime::os::DirectoryExists(expected));
    }
#else
    const std::u16string appData = runtime::os::WideAppDataFolder();
    ASSERT_FALSE(appData.empty());
    const std::u16string expected = runtime::os::IncludeTrailingPathDelimiter(appData) +
                                    u"Serplow" + char16_t(runtime::os::PathDelim);
    EXPECT_EQ(DefaultDataDir(), expected);
    EXPECT_TRUE(runtime::os::DirectoryExists(expected));
#endif
}

// The settings of a profile whose name the code page cannot spell: written
// there, and read back from there.
TEST(DataDirTest, SettingsLiveInAFolderOutsideTheCodePage) {
    TempFolder folder;
    const std::u16string wide = testing::MakeWideFolder(folder);
    ASSERT_TRUE(runtime::os::DirectoryExists(wide));
    {
        TOptions options(wide);
        EXPECT_EQ(options.IniFileName(), wide + u"serplow.ini");
        options.SearchResults = 700;
        options.ProxyHost = "proxy.local";
        options.Save();
    }
    EXPECT_TRUE(contains(testing::ReadWideFile(wide + u"serplow.ini"), "SearchResults=700"));
    const TOptions reread(wide);
    EXPECT_EQ(reread.SearchResults, 700);
    EXPECT_EQ(reread.ProxyHost, "proxy.local");
    // Nothing went elsewhere, such as to the name's lossy code-page spelling.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

#ifndef _WIN32
TEST(DataDirTest, FallsBackToTheProgramFolder) {
    testing::ScopedEnvironment environment;
    environment.Set("XDG_CONFIG_HOME", std::nullopt);
    environment.Set("HOME", std::nullopt);
    const std::u16string savedExeDir = ExeDir;
    ExeDir = u"/opt/serplow/";
    EXPECT_EQ(DefaultDataDir(), u"/opt/serplow/");
    ExeDir = savedExeDir;
}
#endif

}  // namespace
}  // namespace core
