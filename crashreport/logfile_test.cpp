#include "crashreport/logfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "crashreport/logitem.h"
#include "runtime/os/files.h"
#include "runtime/os/folders.h"
#include "runtime/os/paths.h"

namespace crashreport {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class LogFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() / ("crashreport_" + std::string(info->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    static std::string readFile(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void writeFile(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }

    fs::path folder_;
};

std::string report(const std::string& address, const std::string& message) {
    TLogItem item;
    item.AddHeader("Exception");
    item.AddItem("Date", "Mon, 1 Jan 2024 10:00:00 +0000");
    item.AddItem("Address", address);
    item.AddItem("Module", "prog.exe");
    item.AddItem("Type", "EAccessViolation");
    item.AddItem("Message", message);
    return "VuvuvuVoz 5.0.2\r\n\r\n" + item.GetText() + "\r\nCall Stack Information:\r\n-\r\n";
}

TEST(LogItem, AlignsEachSectionAndNumbersHiddenItems) {
    TLogItem item;
    item.AddHeader("Application");
    item.AddItem("Start Date", "Mon, 1 Jan 2024");
    item.AddItem("Name/Description", "prog.exe");
    item.AddItem("Hidden", "x", false);
    item.AddItem("Parameters", "\"a\" \"b\"");
    item.AddHeader("Network");
    item.AddItem("IP Address", "10.0.0.1", false);
    item.AddHeader("Other");
    item.AddItem("Notes", "first: one\r\n\r\nc");
    EXPECT_EQ(item.GetText(),
              "Application:\r\n"
              "---------------------------------------\r\n"
              "  1.1 Start Date      : Mon, 1 Jan 2024\r\n"
              "  1.2 Name/Description: prog.exe\r\n"
              "  1.4 Parameters      : \"a\" \"b\"\r\n"
              "\r\n"
              "Other:\r\n"
              "-----------------------\r\n"
              "  3.1 Notes: first:_one\r\n"
              "             .\r\n"
              "             c\r\n");
    EXPECT_EQ(item.HeaderNo(), 3);
    item.Clear();
    EXPECT_EQ(item.GetText(), "");
    item.AddHeader("Only hidden");
    item.AddItem("A", "1", false);
    EXPECT_EQ(item.GetText(), "");
}

TEST(LogItem, NumbersSectionsFromTheFirstHeaderGiven) {
    TLogItem item(6);
    item.AddHeader("Other Information");
    item.AddItem("", "custom text");
    EXPECT_EQ(item.GetText(),
              "Other Information:\r\n-------------------\r\n  7.1 : custom text\r\n");
}

TEST_F(LogFileTest, KeepsTheNewestEntriesInOrder) {
    const std::string name = path("prog.elf");
    {
        TLogFile log(name);
        EXPECT_EQ(log.Count(), 0);
        for (int i = 1; i <= 3; ++i) log.AddEntry(report("0000000" + std::to_string(i), "m"), 3);
        log.Save();
    }
    TLogFile reloaded(name);
    ASSERT_EQ(reloaded.Count(), 3);
    reloaded.AddEntry(report("00000004", "m"), 3);
    reloaded.Save();

    TLogFile last(name);
    ASSERT_EQ(last.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(last.ItemValue("1.2", i), "0000000" + std::to_string(i + 2));
    }
    const std::string file = readFile(name);
    EXPECT_TRUE(file.ends_with("\r\n\r\n\r\n"));
    EXPECT_FALSE(file.ends_with("\r\n\r\n\r\n\r\n\r\n\r\n\r\n"));
    EXPECT_EQ(last.Text(), file + "\r\n");
    EXPECT_FALSE(fs::exists(name + ".new"));
}

TEST_F(LogFileTest, EntriesComeBackExactlyWhateverLineEndsTheyEndWith) {
    const std::string name = path("prog.elf");
    const std::vector<std::string> texts = {"VuvuvuVoz 5.0.2\r\nA\r\n", "VuvuvuVoz 5.0.2\r\nB",
                                            "VuvuvuVoz 5.0.2\r\nC\r\n\r\n",
                                            "VuvuvuVoz 5.0.2\r\nD\r\n"};
    {
        TLogFile log(name);
        for (const std::string& text : texts) log.AddEntry(text, 10);
        log.Save();
    }
    TLogFile reloaded(name);
    ASSERT_EQ(reloaded.Count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(reloaded.Entry(i), texts[i] + "\r\n\r\n\r\n");
        EXPECT_EQ(reloaded.EntryVersion(i), "5.0.2");
    }
}

TEST_F(LogFileTest, ReadsDamagedAndShortFiles) {
    const std::string name = path("prog.elf");
    struct Case {
        std::string file;
        std::vector<std::string> entries;
    } cases[] = {
        {"", {}},
        {"\r\n\r\n", {}},
        // The last entry lost its terminator: it is still found.
        {"VuvuvuVoz 1\r\nA\r\n\r\n\r\n\r\nVuvuvuVoz 2\r\nB\r\n",
         {"VuvuvuVoz 1\r\nA\r\n\r\n\r\n", "VuvuvuVoz 2\r\nB\r\n\r\n\r\n\r\n"}},
        // Text after the last complete entry is dropped.
        {"VuvuvuVoz 1\r\nA\r\n\r\n\r\n\r\ntrailing", {"VuvuvuVoz 1\r\nA\r\n\r\n\r\n"}},
    };
    for (const Case& c : cases) {
        writeFile(name, c.file);
        TLogFile log(name);
        ASSERT_EQ(log.Count(), static_cast<int>(c.entries.size())) << c.file;
        for (size_t i = 0; i < c.entries.size(); ++i) EXPECT_EQ(log.Entry(i), c.entries[i]);
    }
}

// A user's data folder whose name the code page cannot spell, made by the
// first save.
TEST_F(LogFileTest, LivesInAFolderOutsideTheCodePage) {
    const std::u16string name =
        (folder_ / u"\u041f\u0451\u0442\u0440 \u6771\u4eac" / "prog.elf").u16string();
    {
        TLogFile log(name);
        log.AddEntry(report("00000001", "m"), 5);
        log.Save();
    }
    EXPECT_TRUE(runtime::os::FileExists(name));
    const TLogFile reloaded(name);
    ASSERT_EQ(reloaded.Count(), 1);
    EXPECT_EQ(reloaded.ItemValue("1.2", 0), "00000001");
}

TEST_F(LogFileTest, AKeepCountBelowOneKeepsTheNewEntry) {
    TLogFile log(path("prog.elf"));
    log.AddEntry("VuvuvuVoz 5.0.2\r\nA", 5);
    log.AddEntry("VuvuvuVoz 5.0.2\r\nB", 0);
    ASSERT_EQ(log.Count(), 1);
    EXPECT_EQ(log.Entry(0), "VuvuvuVoz 5.0.2\r\nB\r\n\r\n\r\n");
    log.AddEntry("VuvuvuVoz 5.0.2\r\nC", -4);
    EXPECT_EQ(log.Count(), 1);
}

TEST_F(LogFileTest, SavingWritesANewFileInsteadOfRewritingTheOldOne) {
    const std::string name = path("prog.elf");
    const std::string link = path("reader.elf");
    {
        TLogFile log(name);
        log.AddEntry(report("00000001", "first"), 5);
        log.Save();
    }
    const std::string before = readFile(name);
    // A second name for the old file stands for a reader that has it open.
    fs::create_hard_link(name, link);
    TLogFile log(name);
    log.AddEntry(report("00000002", "second"), 1);
    log.Save();
    EXPECT_EQ(readFile(link), before);
    EXPECT_NE(readFile(name), before);
    EXPECT_EQ(TLogFile(name).Count(), 1);
}

TEST_F(LogFileTest, SavingCreatesAMissingFolder) {
    const std::string name = (folder_ / "sub" / "deeper" / "prog.elf").string();
    TLogFile log(name);
    log.AddEntry(report("00000001", "m"), 2);
    log.Save();
    EXPECT_EQ(TLogFile(name).Count(), 1);
}

TEST_F(LogFileTest, ItemValuesAndDuplicates) {
    const std::string name = path("prog.elf");
    TLogFile log(name);
    log.AddEntry(report("00401000", "Access violation.\r\n\r\nRead of address: 0"), 5);
    log.AddEntry(report("00402000", "Other."), 5);

    EXPECT_EQ(log.ItemValue("1.2", 0), "00401000");
    EXPECT_EQ(log.ItemValue("1.5", 0), "Access violation.\r\n.\r\nRead of address:_0");
    EXPECT_EQ(log.ItemValue("1.9", 0), "");
    EXPECT_EQ(log.ItemValue("1.2", 2), "");
    EXPECT_EQ(log.ItemValue("1.2", -1), "");

    const std::vector<std::string> ids = {"1.2", "1.3", "1.4", "1.5"};
    struct Case {
        std::vector<std::string> values;
        bool duplicate;
    } cases[] = {
        {{"00401000", "prog.exe", "EAccessViolation",
          "Access violation.\r\n\r\nRead of address: 0"},
         true},
        {{"00402000", "prog.exe", "EAccessViolation", "Other."}, true},
        {{"00402000", "prog.exe", "EAccessViolation", "Other"}, false},
        {{"00401000", "prog.exe", "EAccessViolation", "Other."}, false},
        {{"00401000", "other.dll", "EAccessViolation", "Access violation."}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(log.FindDuplicate(ids, c.values), c.duplicate);
    // An entry missing one of the items never matches.
    EXPECT_FALSE(log.FindDuplicate({"1.2", "1.6"}, {"00401000", ""}));
}

}  // namespace
}  // namespace crashreport
