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

namespace core {
namespace {

using runtime::os::IncludeTrailingPathDelimiter;
using runtime::os::PathDelim;
using runtime::testing::TempFolder;

bool isEmptyFolder(const std::string& folder) {
    return std::filesystem::is_empty(folder);
}

// Folders for the probe: two writable ones, a file, and names of nothing.
struct Places {
    TempFolder root;
    std::string tmp = makeFolder("tmp");
    std::string temp = makeFolder("temp");
    std::string windows = makeFolder("windows");
    std::string windowsWithTemp = makeFolder("windows2");
    std::string current = makeFolder("current");
    std::string file = root.File("plain-file");
    std::string missing = root.File("missing");

    Places() {
        runtime::testing::WriteBytes(file, "x");
        std::filesystem::create_directory(windowsWithTemp + PathDelim + "TEMP");
    }
    std::string makeFolder(const char* name) {
        std::filesystem::create_directory(root.File(name));
        return root.File(name);
    }
};

TEST(TempDirTest, ProbesInOrder) {
    Places p;
    const std::optional<std::string> unset;
    struct Row {
        const char* what;
        TempDirSources sources;
        std::string expected;
    };
    const Row rows[] = {
        {"TMP first", {p.tmp, p.temp, p.windows, p.current}, p.tmp + PathDelim},
        {"TMP with its delimiter", {p.tmp + PathDelim, unset, "", ""}, p.tmp + PathDelim},
        {"TMP missing", {p.missing, p.temp, p.windows, p.current}, p.temp + PathDelim},
        {"TMP a file", {p.file, p.temp, p.windows, p.current}, p.temp + PathDelim},
        {"TMP empty", {std::string(), p.temp, p.windows, p.current}, p.temp + PathDelim},
        {"unexpanded",
         {"%TMP%", "%TEMP%", p.windowsWithTemp, p.current},
         p.windowsWithTemp + PathDelim + "TEMP" + PathDelim},
        {"Windows TEMP",
         {unset, unset, p.windowsWithTemp, p.current},
         p.windowsWithTemp + PathDelim + "TEMP" + PathDelim},
        {"Windows TEMP cannot be made",
         {unset, p.missing, p.file, p.current},
         p.current + PathDelim},
        {"no Windows folder", {unset, unset, "", p.current}, ""},
        {"no current folder", {unset, unset, p.file, ""}, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ProbeTempDir(row.sources), row.expected) << row.what;
    }
    // The probe leaves nothing behind.
    for (const std::string& folder : {p.tmp, p.temp, p.current}) {
        EXPECT_TRUE(isEmptyFolder(folder)) << folder;
    }
}

TEST(TempDirTest, MakesTheMissingWindowsTemp) {
    Places p;
    const std::string expected = p.windows + PathDelim + "TEMP" + PathDelim;
    EXPECT_EQ(ProbeTempDir({std::nullopt, std::nullopt, p.windows, p.current}), expected);
    EXPECT_TRUE(runtime::os::DirectoryExists(expected));
    EXPECT_TRUE(isEmptyFolder(expected));
}

TEST(TempDirTest, LeavesSomeoneElsesFileAlone) {
    TempFolder folder;
    const std::string theirs = folder.File("$$$tmp__.tmp");
    runtime::testing::WriteBytes(theirs, "not ours");
    EXPECT_TRUE(CanCreateTempFile(folder.Path().string()));
    EXPECT_EQ(runtime::testing::ReadBytes(theirs), "not ours");
    // Nothing else was left there.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
    EXPECT_FALSE(CanCreateTempFile(folder.File("missing")));
}

// The process's own environment and folders.
TEST(TempDirTest, FollowsTheEnvironment) {
    Places p;
    testing::ScopedEnvironment environment;
    environment.Set("TMP", p.tmp);
    environment.Set("TEMP", p.temp);
    EXPECT_EQ(ProbeTempDir(), p.tmp + PathDelim);

    environment.Set("TMP", p.missing);
    EXPECT_EQ(ProbeTempDir(), p.temp + PathDelim);

    environment.Set("TMP", std::nullopt);
    environment.Set("TEMP", p.temp);
    InitTempDir();
    EXPECT_EQ(TempDir, p.temp + PathDelim);

    environment.Set("TEMP", std::nullopt);
#ifdef _WIN32
    // The Windows folder's TEMP, which Wine's prefix has.
    EXPECT_EQ(ProbeTempDir(),
              IncludeTrailingPathDelimiter(runtime::os::WindowsFolder()) + "TEMP" + PathDelim);
#else
    EXPECT_EQ(ProbeTempDir(), "");  // there is no Windows folder
#endif
    TempDir.clear();
}

}  // namespace
}  // namespace core
