#include "core/engines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/core_test_support.h"
#include "core/options.h"
#include "core/state.h"
#include "runtime/container_test_support.h"
#include "runtime/inifile.h"
#include "runtime/os/folders.h"
#include "runtime/os/paths.h"
#include "runtime/streams.h"

namespace core {
namespace {

using runtime::testing::ReadBytes;
using runtime::testing::TempFolder;
using runtime::testing::WriteBytes;

TEST(ReadScriptConstantTest, FindsTheDelimitedKey) {
    struct Row {
        const char* key;
        const char* text;
        const char* expected;
    };
    const Row rows[] = {
        {"Country", "\tCountry = 'USA';", "USA"},
        {"Country", "const\r\n  Country = 'USA';\r\n", "USA"},
        {"Name", "  Name='Google';", "Google"},
        {"Name", "\tName\t= 'Google' ;", "Google"},
        // The key must stand alone: "FileName" does not end the search.
        {"Name", " FileName = 'x.se';\r\n Name = 'Bing';", "Bing"},
        // Nothing before it, or a letter after it.
        {"Name", "Name = 'first';", ""},
        {"Name", " Names = 'a'; Name = 'b';", "b"},
        // Another line before the key only: a line break is no blank.
        {"Name", "x\r\nName = 'a';", ""},
        // Case-sensitive.
        {"Name", " name = 'low';", ""},
        // Every quote goes, controls and blanks are trimmed.
        {"Url", " Url = 'http://x/?q=''a''' ;", "http://x/?q=a"},
        {"FreeListing", " FreeListing = True;", "True"},
        // The value runs to the next ";" wherever it is.
        {"Lang", " Lang = 'English'\r\n;", "English"},
        // No ";" after the "=", or no "=" at all.
        {"Lang", " Lang = 'English'", ""},
        {"Lang", " Lang ", ""},
        // The "=" searched for is the next one after the key.
        {"Url", " Url : string = 'a';", "a"},
        {"Name", "", ""},
        {"", " = 'x';", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ReadScriptConstant(row.key, row.text), row.expected)
            << row.key << " in [" << row.text << "]";
    }
}

std::string container(uint32_t length, const std::string& compressed) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>(length >> (8 * i));
    return bytes + compressed;
}

std::string readText(const std::string& bytes) {
    runtime::TStringStream stream(bytes);
    return ReadEngineText(stream);
}

TEST(EngineFileTest, ReadsWhatPackWrites) {
    for (const std::string& text :
         {std::string(), std::string("const Name = 'x';\r\n"), std::string(200000, 'a')}) {
        const std::string packed = PackEngineText(text);
        EXPECT_EQ(readText(packed), text);
    }
    // The stated length cuts a longer text; a shorter one comes whole.
    const std::string packed = PackEngineText("abcdef");
    EXPECT_EQ(readText(container(3, packed.substr(4))), "abc");
    EXPECT_EQ(readText(container(100, packed.substr(4))), "abcdef");
}

TEST(EngineFileTest, RefusesBrokenContainers) {
    const std::string packed = PackEngineText(std::string(5000, 'x') + "end");
    const std::string stream = packed.substr(4);
    struct Row {
        const char* what;
        std::string bytes;
    };
    const Row rows[] = {
        {"empty", ""},
        {"short length", std::string("\x01\x02", 2)},
        // Beyond what a stream of this size can inflate to, so nothing is
        // allocated for it.
        {"length beyond the data", container(0x00FFFFFF, stream.substr(0, 20))},
        {"length beyond the cap", container(0xFFFFFFFF, stream)},
        {"corrupt data", container(5003, std::string(stream.size(), '\x55'))},
        {"cut short", container(5003, stream.substr(0, stream.size() / 2))},
    };
    for (const Row& row : rows) {
        EXPECT_THROW(readText(row.bytes), EEngineFileError) << row.what;
    }
    EXPECT_THROW((void)ReadEngineFile(u"/no/such/folder/engine.se"), EEngineFileError);
}

// A program folder with its SearchEngines folder, as ExeDir for the test;
// `programFolder` names it inside the scratch folder.
class EngineFolder {
  public:
    explicit EngineFolder(std::u16string_view programFolder = u"program") : savedExeDir_(ExeDir) {
        ExeDir = testing::MakeWideFolder(folder_, programFolder);
        EXPECT_TRUE(runtime::os::ForceDirectories(Dir()));
    }
    ~EngineFolder() { ExeDir = savedExeDir_; }

    std::u16string Dir() const { return EnginesDir(); }
    void Write(const std::string& name, const std::string& bytes) const {
        testing::WriteWideFile(Dir() + runtime::AnsiToWide(name), bytes);
    }
    void WriteEngine(const std::string& name, const std::string& country,
                     const std::string& engineName = "Engine") const {
        Write(name, PackEngineText(EngineText(engineName, country)));
    }
    static std::string EngineText(const std::string& name, const std::string& country) {
        return "const\r\n  Name = '" + name + "';\r\n  Country = '" + country +
               "';\r\n  Url = 'http://engine/';\r\n  Lang = 'English';\r\n"
               "  FreeListing = True;\r\n  PaidListing = False;\r\n";
    }

  private:
    TempFolder folder_;
    std::u16string savedExeDir_;
};

TEST(LoadSearchEnginesTest, LoadsListedEnginesAndLeavesTheListAlone) {
    EngineFolder folder;
    folder.WriteEngine("one.se", "USA", "One");
    folder.WriteEngine("two.se", "Germany", "Two");
    folder.WriteEngine("main.se", "France");
    folder.Write("corrupt.se", container(100, std::string(50, '\x33')));
    const std::string list =
        "[One]\r\nName=one.se\r\n[Main]\r\nName=main.se\r\nMain=1\r\n"
        "[Missing]\r\nName=missing.se\r\n[Corrupt]\r\nName=corrupt.se\r\n"
        "[NoName]\r\nMain=0\r\n[Two]\r\nName=two.se\r\nMain=0\r\n";
    folder.Write("selist.ini", list);

    int pending = 0;
    CoreCallbacks callbacks;
    callbacks.ProcessPending = [&pending] { ++pending; };
    testing::ScopedCallbacks scoped(std::move(callbacks));
    const std::unique_ptr<TSEList> engines = LoadSearchEngines();

    ASSERT_EQ(engines->Count(), 2);
    EXPECT_EQ(engines->Items(0)->Name, "One");
    EXPECT_EQ(engines->Items(0)->FileName, folder.Dir() + u"one.se");
    EXPECT_EQ(engines->Items(0)->Country, "USA");
    EXPECT_EQ(engines->Items(0)->Url, "http://engine/");
    EXPECT_EQ(engines->Items(0)->Lang, "English");
    EXPECT_TRUE(engines->Items(0)->FreeListing);
    EXPECT_FALSE(engines->Items(0)->PaidListing);
    EXPECT_EQ(engines->Items(1)->Name, "Two");
    EXPECT_GE(pending, 2);
    // The missing and the corrupt engine are named, the list kept as it was.
    ASSERT_EQ(engines->Problems.size(), 2u);
    EXPECT_NE(engines->Problems[0].find("missing.se"), std::string::npos);
    EXPECT_NE(engines->Problems[1].find("corrupt.se"), std::string::npos);
    EXPECT_EQ(testing::ReadWideFile(folder.Dir() + u"selist.ini"), list);
}

// A program folder whose name the code page cannot spell: the engines, the
// units beside them and the engine the settings keep are all found.
TEST(LoadSearchEnginesTest, LoadsFromAFolderOutsideTheCodePage) {
    EngineFolder folder(testing::kUnicodeFolderName);
    folder.WriteEngine("de.se", "Germany");
    folder.WriteEngine("us.se", "USA");
    folder.Write("common.se", PackEngineText("function Two: Integer; begin Result := 2; end;"));
    folder.Write("selist.ini", "[DE]\r\nName=de.se\r\n[US]\r\nName=us.se\r\n");

    TempFolder data;
    auto savedOptions = std::move(Options);
    auto savedEngines = std::move(EngineList);
    Options = std::make_unique<TOptions>(runtime::AnsiToWide(data.File("")));
    Options->SEFileName = "gone.se";
    EngineList = LoadSearchEngines();
    ASSERT_EQ(EngineList->Count(), 2) << EngineList->Problems.front();
    EXPECT_EQ(EngineList->Items(1)->FileName, folder.Dir() + u"us.se");
    EXPECT_EQ(
        LoadScriptUnit(runtime::os::ExtractFilePath(EngineList->Items(1)->FileName), "common.pas"),
        "function Two: Integer; begin Result := 2; end;");
    // The setting is 8-bit text; the engine is known by its file's own name.
    ChooseEngine();
    EXPECT_EQ(CurrentEngine, EngineList->Items(1));
    EXPECT_EQ(EngineList->FindEngineByFile(Options->SEFileName), 1);

    CurrentEngine = nullptr;
    Options = std::move(savedOptions);
    EngineList = std::move(savedEngines);
}

TEST(LoadSearchEnginesTest, NoListGivesNoEngines) {
    EngineFolder folder;
    EXPECT_EQ(LoadSearchEngines()->Count(), 0);
}

// The engines the build puts beside this program, as the program ships them.
TEST(LoadSearchEnginesTest, LoadsTheShippedEngines) {
    const std::u16string savedExeDir = ExeDir;
    ExeDir = runtime::os::WideProgramFolder();
    const std::unique_ptr<TSEList> engines = LoadSearchEngines();
    const std::string unit = LoadScriptUnit(EnginesDir(), "local_server.pas");
    ExeDir = savedExeDir;

    EXPECT_TRUE(engines->Problems.empty()) << engines->Problems.front();
    struct Row {
        const char* name;
        const char* country;
    };
    const Row rows[] = {{"Google", "USA"},
                        {"Bing", "USA (Bing)"},
                        {"DuckDuckGo", "International (DuckDuckGo)"},
                        {"Local", "Local"}};
    ASSERT_EQ(engines->Count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(engines->Items(i)->Name, rows[i].name);
        EXPECT_EQ(engines->Items(i)->Country, rows[i].country);
        EXPECT_EQ(engines->Items(i)->Lang, "English");
        EXPECT_TRUE(engines->Items(i)->FreeListing);
        EXPECT_FALSE(engines->Items(i)->PaidListing);
    }
    EXPECT_NE(unit.find("LocalServer"), std::string::npos);
}

TEST(TSETest, CutsLongHeaderValues) {
    const TSE engine(u"x.se", " Name = '" + std::string(300, 'n') + "';");
    EXPECT_EQ(engine.Name, std::string(255, 'n'));
    EXPECT_EQ(engine.Country, "");
}

TEST(TSEListTest, FindsEnginesByCountryAndFileName) {
    TSEList list;
    list.Add(std::make_unique<TSE>(u"/a/google_usa.se", EngineFolder::EngineText("G", "USA")));
    list.Add(std::make_unique<TSE>(u"C:\\p\\SearchEngines\\bing.se",
                                   EngineFolder::EngineText("B", "USA")));
    EXPECT_EQ(list.FindEngineByCountry("USA"), 0);
    EXPECT_EQ(list.FindEngineByCountry("usa"), -1);
    EXPECT_EQ(list.FindEngineByFile("/other/folder/bing.se"), 1);
    EXPECT_EQ(list.FindEngineByFile("D:\\x\\google_usa.se"), 0);
    EXPECT_EQ(list.FindEngineByFile("Bing.se"), -1);
    EXPECT_EQ(list.FindEngineByFile("x.se"), -1);
}

// The engines and settings of one ChooseEngine case.
class ChooseEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedOptions_ = std::move(Options);
        savedEngines_ = std::move(EngineList);
        Options = std::make_unique<TOptions>(runtime::AnsiToWide(data_.File("")));
        EngineList = std::make_unique<TSEList>();
        EngineList->Add(
            std::make_unique<TSE>(u"/e/germany.se", EngineFolder::EngineText("D", "Germany")));
        EngineList->Add(std::make_unique<TSE>(u"/e/usa.se", EngineFolder::EngineText("U", "USA")));
    }
    void TearDown() override {
        CurrentEngine = nullptr;
        Options = std::move(savedOptions_);
        EngineList = std::move(savedEngines_);
    }
    std::string Stored(const char* key) const {
        return runtime::TIniFile(Options->IniFileName()).ReadString("General", key, "<none>");
    }

    TempFolder data_;
    std::unique_ptr<TOptions> savedOptions_;
    std::unique_ptr<TSEList> savedEngines_;
};

TEST_F(ChooseEngineTest, TakesTheEngineOfTheFileName) {
    Options->SEFileName = "/old/place/germany.se";
    ChooseEngine();
    EXPECT_EQ(CurrentEngine, EngineList->Items(0));
    EXPECT_EQ(Stored("SEFileName"), "<none>");
}

TEST_F(ChooseEngineTest, CorrectsAnOldFileName) {
    Options->SEFileName = "/e/germanyDuZeVeDi.se";
    ChooseEngine();
    EXPECT_EQ(Options->SEFileName, "/e/germany.se");
    EXPECT_EQ(Stored("SEFileName"), "/e/germany.se");
    EXPECT_EQ(CurrentEngine, EngineList->Items(0));
}

TEST_F(ChooseEngineTest, FallsBackToTheUSAEngine) {
    Options->SEFileName = "/e/gone.se";
    Options->Country = "Germany";
    ChooseEngine();
    EXPECT_EQ(CurrentEngine, EngineList->Items(1));
    EXPECT_EQ(Options->SEFileName, "/e/usa.se");
    EXPECT_EQ(Options->Country, "USA");
    EXPECT_EQ(Stored("SEFileName"), "/e/usa.se");
    EXPECT_EQ(Stored("Country"), "USA");
}

TEST_F(ChooseEngineTest, WithoutFileNameTakesTheCountry) {
    Options->SEFileName = "";
    Options->Country = "Germany";
    ChooseEngine();
    EXPECT_EQ(CurrentEngine, EngineList->Items(0));
    Options->Country = "Atlantis";
    ChooseEngine();
    EXPECT_EQ(CurrentEngine, nullptr);
}

TEST(LoadScriptUnitTest, ReadsPlainNamesFromTheEnginesFolder) {
    EngineFolder folder;
    folder.Write("common.se", PackEngineText("function Two: Integer; begin Result := 2; end;"));
    folder.Write("bare.se", PackEngineText("x"));
    EXPECT_EQ(LoadScriptUnit(folder.Dir(), "common.pas"),
              "function Two: Integer; begin Result := 2; end;");
    EXPECT_EQ(LoadScriptUnit(folder.Dir(), "common.inc"),
              LoadScriptUnit(folder.Dir(), "common.pas"));
    EXPECT_EQ(LoadScriptUnit(folder.Dir(), "bare"), "x");
    for (const char* name : {"", "../common.pas", "..", "sub/common.pas", "sub\\common.pas",
                             "C:common.pas", "/etc/passwd"}) {
        EXPECT_THROW((void)LoadScriptUnit(folder.Dir(), name), EEngineFileError) << name;
    }
    EXPECT_THROW((void)LoadScriptUnit(folder.Dir(), "missing.pas"), EEngineFileError);
    folder.Write("broken.se", container(10, "not zlib"));
    EXPECT_THROW((void)LoadScriptUnit(folder.Dir(), "broken.pas"), EEngineFileError);
}

}  // namespace
}  // namespace core
