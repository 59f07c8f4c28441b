#include "core/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/core_test_support.h"
#include "core/state.h"
#include "runtime/container_test_support.h"
#include "runtime/os/files.h"
#include "runtime/os/folders.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace core {
namespace {

using runtime::os::IncludeTrailingPathDelimiter;
using runtime::os::PathDelim;
using runtime::testing::TempFolder;

bool isEmptyFolder(const std::u16string& folder) {
    return std::filesystem::is_empty(std::filesystem::path(folder));
}

// The delimiter, to join with wide names.
constexpr char16_t D = PathDelim;

// Folders for the probe: two writable ones, a file, and names of nothing.
struct Places {
    TempFolder root;
    std::u16string tmp = makeFolder("tmp");
    std::u16string temp = makeFolder("temp");
    std::u16string windows = makeFolder("windows");
    std::u16string windowsWithTemp = makeFolder("windows2");
    std::u16string current = makeFolder("current");
    std::u16string file = runtime::AnsiToWide(root.File("plain-file"));
    std::u16string missing = runtime::AnsiToWide(root.File("missing"));

    Places() {
        runtime::testing::WriteBytes(root.File("plain-file"), "x");
        std::filesystem::create_directory(std::filesystem::path(windowsWithTemp + D + u"TEMP"));
    }
    std::u16string makeFolder(const char* name) {
        std::filesystem::create_directory(root.File(name));
        return runtime::AnsiToWide(root.File(name));
    }
};

TEST(TempDirTest, ProbesInOrder) {
    Places p;
    const std::optional<std::u16string> unset;
    struct Row {
        const char* what;
        TempDirSources sources;
        std::u16string expected;
    };
    const Row rows[] = {
        {"TMP first", {p.tmp, p.temp, p.windows, p.current}, p.tmp + D},
        {"TMP with its delimiter", {p.tmp + D, unset, u"", u""}, p.tmp + D},
        {"TMP missing", {p.missing, p.temp, p.windows, p.current}, p.temp + D},
        {"TMP a file", {p.file, p.temp, p.windows, p.current}, p.temp + D},
        {"TMP empty", {std::u16string(), p.temp, p.windows, p.current}, p.temp + D},
        {"unexpanded",
         {u"%TMP%", u"%TEMP%", p.windowsWithTemp, p.current},
         p.windowsWithTemp + D + u"TEMP" + D},
        {"Windows TEMP",
         {unset, unset, p.windowsWithTemp, p.current},
         p.windowsWithTemp + D + u"TEMP" + D},
        {"Windows TEMP cannot be made", {unset, p.missing, p.file, p.current}, p.current + D},
        {"no Windows folder", {unset, unset, u"", p.current}, u""},
        {"no current folder", {unset, unset, p.file, u""}, u""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ProbeTempDir(row.sources), row.expected) << row.what;
    }
    // The probe leaves nothing behind.
    for (const std::u16string& folder : {p.tmp, p.temp, p.current}) {
        EXPECT_TRUE(isEmptyFolder(folder)) << runtime::WideToUtf8(folder);
    }
}

TEST(TempDirTest, MakesTheMissingWindowsTemp) {
    Places p;
    const std::u16string expected = p.windows + D + u"TEMP" + D;
    EXPECT_EQ(ProbeTempDir({std::nullopt, std::nullopt, p.windows, p.current}), expected);
    EXPECT_TRUE(runtime::os::DirectoryExists(expected));
    EXPECT_TRUE(isEmptyFolder(expected));
}

TEST(TempDirTest, LeavesSomeoneElsesFileAlone) {
    TempFolder folder;
    const std::string theirs = folder.File("$$$tmp__.tmp");
    runtime::testing::WriteBytes(theirs, "not ours");
    EXPECT_TRUE(CanCreateTempFile(runtime::AnsiToWide(folder.File(""))));
    EXPECT_EQ(runtime::testing::ReadBytes(theirs), "not ours");
    // Nothing else was left there.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
    EXPECT_FALSE(CanCreateTempFile(runtime::AnsiToWide(folder.File("missing"))));
}

// The process's own environment and folders.
TEST(TempDirTest, FollowsTheEnvironment) {
    Places p;
    testing::ScopedEnvironment environment;
    environment.Set(u"TMP", p.tmp);
    environment.Set(u"TEMP", p.temp);
    EXPECT_EQ(ProbeTempDir(), p.tmp + D);

    environment.Set(u"TMP", p.missing);
    EXPECT_EQ(ProbeTempDir(), p.temp + D);

    environment.Set(u"TMP", std::nullopt);
    environment.Set(u"TEMP", p.temp);
    InitTempDir();
    EXPECT_EQ(TempDir, p.temp + D);

    environment.Set(u"TEMP", std::nullopt);
#ifdef _WIN32
    // The Windows folder's TEMP, which Wine's prefix has.
    EXPECT_EQ(ProbeTempDir(),
              IncludeTrailingPathDelimiter(runtime::os::WideWindowsFolder()) + u"TEMP" + D);
#else
    EXPECT_EQ(ProbeTempDir(), u"");  // there is no Windows folder
#endif
    TempDir.clear();
}

// TMP in a profile whose name the code page cannot spell: the probe tries
// that very folder and chooses it.
TEST(TempDirTest, FindsATempFolderOutsideTheCodePage) {
    TempFolder folder;
    const std::u16string wide = testing::MakeWideFolder(folder);
    const std::u16string other = runtime::AnsiToWide(folder.File(""));
    testing::ScopedEnvironment environment;
    environment.Set(u"TMP", runtime::os::ExcludeTrailingPathDelimiter(wide));
    environment.Set(u"TEMP", other);
    EXPECT_EQ(ProbeTempDir(), wide);
    EXPECT_TRUE(isEmptyFolder(wide));

    environment.Set(u"TMP", std::nullopt);
    environment.Set(u"TEMP", wide);
    EXPECT_EQ(ProbeTempDir(), wide);
}

}  // namespace
}  // namespace core
