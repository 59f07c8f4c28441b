#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

#include "runtime/os/address_space.h"
#include "runtime/os/clock.h"
#include "runtime/os/dynlib.h"
#include "runtime/os/environment.h"
#include "runtime/os/errors.h"
#include "runtime/os/files.h"
#include "runtime/os/folders.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"
#include "runtime/threads.h"

namespace runtime::os {
namespace {

namespace fs = std::filesystem;

const std::string D(1, PathDelim);
const std::u16string WD(1, PathDelim);

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// Sets (or with nullopt unsets) a variable for the scope, then puts back
// what was there.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, std::optional<std::string> value)
        : ScopedEnv(AnsiToWide(name),
                    value ? std::optional<std::u16string>(AnsiToWide(*value)) : std::nullopt) {}
    ScopedEnv(std::u16string name, std::optional<std::u16string> value)
        : name_(std::move(name)), saved_(WideGetEnv(name_)) {
        Set(value);
    }
    ~ScopedEnv() { Set(saved_); }

  private:
    void Set(const std::optional<std::u16string>& value) {
        const bool ok = value ? SetEnv(name_, *value) : UnsetEnv(name_);
        EXPECT_TRUE(ok) << WideToUtf8(name_);
    }
    std::u16string name_;
    std::optional<std::u16string> saved_;
};

// ---- file-name pieces -------------------------------------------------------

TEST(OsPaths, FileNamePieces) {
    struct Case {
        std::string name, path, file, ext;
    };
    std::vector<Case> cases = {
        {"a" + D + "b" + D + "c.txt", "a" + D + "b" + D, "c.txt", ".txt"},
        {"c.tar.gz", "", "c.tar.gz", ".gz"},
        {"dir.d" + D + "file", "dir.d" + D, "file", ""},  // a dot in a folder is no extension
        {"file.", "", "file.", "."},
        {".profile", "", ".profile", ".profile"},
        {D + "x", D, "x", ""},
        {"folder" + D, "folder" + D, "", ""},
        {"", "", "", ""},
    };
    if (kWindows) cases.push_back({"C:file.txt", "C:", "file.txt", ".txt"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExtractFilePath(c.name), c.path);
        EXPECT_EQ(ExtractFileName(c.name), c.file);
        EXPECT_EQ(ExtractFileExt(c.name), c.ext);
        // The wide forms cut at the same places.
        EXPECT_EQ(ExtractFilePath(AnsiToWide(c.name)), AnsiToWide(c.path));
        EXPECT_EQ(ExtractFileName(AnsiToWide(c.name)), AnsiToWide(c.file));
        EXPECT_EQ(ExtractFileExt(AnsiToWide(c.name)), AnsiToWide(c.ext));
    }
    const std::u16string wide = u"\u0416" + WD + u"\u65E5.\u017E";
    EXPECT_EQ(ExtractFilePath(wide), u"\u0416" + WD);
    EXPECT_EQ(ExtractFileName(wide), u"\u65E5.\u017E");
    EXPECT_EQ(ChangeFileExt(wide, u".bak"), u"\u0416" + WD + u"\u65E5.bak");
}

TEST(OsPaths, ChangeFileExt) {
    struct Case {
        std::string name, ext, expected;
    };
    const Case cases[] = {
        {"a.txt", ".ini", "a.ini"},
        {"a", ".ini", "a.ini"},
        {"a.b.c", "", "a.b"},
        {"dir.d" + D + "f", ".x", "dir.d" + D + "f.x"},
        {"project.spj", ".spj.backup", "project.spj.backup"},
    };
    for (const Case& c : cases) EXPECT_EQ(ChangeFileExt(c.name, c.ext), c.expected) << c.name;
}

TEST(OsPaths, TrailingDelimiter) {
    struct Case {
        std::string path, included, excluded;
    };
    const Case cases[] = {
        {"a", "a" + D, "a"},
        {"a" + D, "a" + D, "a"},
        {"a" + D + D, "a" + D + D, "a" + D},  // one at a time
        {"", D, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IncludeTrailingPathDelimiter(c.path), c.included) << c.path;
        EXPECT_EQ(ExcludeTrailingPathDelimiter(c.path), c.excluded) << c.path;
        EXPECT_EQ(IncludeTrailingPathDelimiter(AnsiToWide(c.path)), AnsiToWide(c.included));
        EXPECT_EQ(ExcludeTrailingPathDelimiter(AnsiToWide(c.path)), AnsiToWide(c.excluded));
    }
}

// ---- files and folders in a folder of the test's own ---------------------

class OsFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        dir_ = TempFolder() + "serplow-os-test-" + std::to_string(random()) + "-" +
               std::to_string(TickCount64());
        ASSERT_TRUE(CreateDir(dir_)) << dir_;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(fs::path(AnsiToWide(dir_)), ignored);
    }

    std::string Path(std::string_view name) const { return dir_ + D + std::string(name); }
    std::u16string WidePath(std::u16string_view name) const {
        return AnsiToWide(dir_ + D) + std::u16string(name);
    }
    static void Write(const std::string& name, const std::string& content) {
        Write(AnsiToWide(name), content);
    }
    static void Write(const std::u16string& name, const std::string& content) {
        std::ofstream out(fs::path(name), std::ios::binary);
        out << content;
    }
    static std::string Read(const std::string& name) { return Read(AnsiToWide(name)); }
    static std::string Read(const std::u16string& name) {
        std::ifstream in(fs::path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string dir_;
};

TEST_F(OsFilesTest, FilesAndFoldersAreToldApart) {
    Write(Path("file.txt"), "12345");
    ASSERT_TRUE(CreateDir(Path("sub")));
    struct Case {
        std::string name;
        bool file, folder;
        std::int64_t size;
    };
    const Case cases[] = {
        {Path("file.txt"), true, false, 5},
        {Path("sub"), false, true, -1},
        {Path("missing"), false, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FileExists(c.name), c.file);
        EXPECT_EQ(FileExists(AnsiToWide(c.name)), c.file);
        EXPECT_EQ(DirectoryExists(c.name), c.folder);
        EXPECT_EQ(FileSize(c.name), c.size);
    }
}

TEST_F(OsFilesTest, CopyFileHonoursFailIfExists) {
    const std::string source = Path("source.txt"), target = Path("target.txt");
    Write(source, "new contents");
    Write(target, "old");
    EXPECT_FALSE(CopyFile(source, target, true));
    EXPECT_NE(LastOSError(), 0);
    EXPECT_EQ(Read(target), "old");
    EXPECT_TRUE(CopyFile(source, target, false));
    EXPECT_EQ(Read(target), "new contents");
    EXPECT_TRUE(CopyFile(source, Path("fresh.txt"), true));
    EXPECT_EQ(Read(Path("fresh.txt")), "new contents");
}

TEST_F(OsFilesTest, CopyFileKeepsTheModificationTime) {
    const std::string source = Path("old.txt");
    Write(source, "x");
    const fs::path sourcePath(AnsiToWide(source));
    fs::last_write_time(sourcePath, fs::last_write_time(sourcePath) - std::chrono::hours(48));
    ASSERT_TRUE(CopyFile(source, Path("copy.txt"), false));
    TDateTime sourceAge = 0, copyAge = 0;
    ASSERT_TRUE(FileAge(source, sourceAge));
    ASSERT_TRUE(FileAge(Path("copy.txt"), copyAge));
    EXPECT_NEAR(copyAge, sourceAge, 2.0 / SecsPerDay);
}

TEST_F(OsFilesTest, CopyFileNeverCopiesAFileOntoItself) {
    const std::string source = Path("self.txt");
    Write(source, "precious");
    const std::string sameFile = dir_ + D + "." + D + "self.txt";
    for (const std::string& target : {source, sameFile}) {
        EXPECT_FALSE(CopyFile(source, target, false)) << target;
        EXPECT_EQ(Read(source), "precious") << target;
    }
}

TEST_F(OsFilesTest, FailuresLeaveTheReasonBehind) {
    // ERROR_FILE_NOT_FOUND and ENOENT are both 2.
    EXPECT_FALSE(CopyFile(Path("missing"), Path("target"), false));
    EXPECT_EQ(LastOSError(), 2);
    EXPECT_FALSE(FileExists(Path("target")));
    const std::string text = SysErrorMessage(2);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_GT(static_cast<unsigned char>(text.back()), ' ');
}

TEST_F(OsFilesTest, RenameAndDelete) {
    Write(Path("a"), "A");
    Write(Path("c"), "C");
    EXPECT_TRUE(RenameFile(Path("a"), Path("b")));
    EXPECT_FALSE(FileExists(Path("a")));
    EXPECT_EQ(Read(Path("b")), "A");
    EXPECT_FALSE(RenameFile(Path("c"), Path("b")));  // never replaces
    EXPECT_EQ(Read(Path("b")), "A");
    EXPECT_EQ(Read(Path("c")), "C");

    ASSERT_TRUE(CreateDir(Path("folder")));
    EXPECT_FALSE(DeleteFile(Path("folder")));
    EXPECT_TRUE(DeleteFile(Path("b")));
    EXPECT_FALSE(DeleteFile(Path("b")));
    EXPECT_FALSE(FileExists(Path("b")));
}

TEST_F(OsFilesTest, CreateForceAndRemoveFolders) {
    EXPECT_TRUE(CreateDir(Path("one")));
    EXPECT_FALSE(CreateDir(Path("one")));

    const std::string deep = Path("x" + D + "y" + D + "z" + D);
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep));  // already there
    EXPECT_FALSE(ForceDirectories(""));

    Write(Path("plain"), "");
    EXPECT_FALSE(ForceDirectories(Path("plain" + D + "below")));

    EXPECT_FALSE(RemoveDir(Path("x" + D + "y")));  // not empty
    EXPECT_TRUE(RemoveDir(Path("x" + D + "y" + D + "z")));
    EXPECT_TRUE(RemoveDir(Path("x" + D + "y")));
    EXPECT_FALSE(DirectoryExists(Path("x" + D + "y")));
}

TEST_F(OsFilesTest, FileAgeIsTheLocalModificationTime) {
    using namespace std::chrono;
    Write(Path("now.txt"), "x");
    TDateTime age = 0;
    ASSERT_TRUE(FileAge(Path("now.txt"), age));

    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    const sys_days today{year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday};
    const double expected = (today - sys_days{year{1899} / 12 / 30}).count() +
                            (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / SecsPerDay;
    EXPECT_NEAR(age, expected, 120 / SecsPerDay);
    EXPECT_FALSE(FileAge(Path("missing"), age));
}

TEST_F(OsFilesTest, WideNamesReachTheFileSystemWhole) {
    Write(Path("source.txt"), "data");
    const std::u16string source = AnsiToWide(Path("source.txt"));
    const std::u16string name = WidePath(u"\u65E5\u672C-\u017E.txt");  // not in code page 1252
    ASSERT_TRUE(CopyFile(source, name, true));
    EXPECT_TRUE(fs::exists(fs::path(name)));
    EXPECT_TRUE(FileExists(name));
    EXPECT_FALSE(CopyFile(source, name, true));
    EXPECT_TRUE(DeleteFile(name));
    EXPECT_FALSE(FileExists(name));
}

// A user profile outside the code page: every file and folder function
// works on the wide name, where the 8-bit one would name other files.
TEST_F(OsFilesTest, EveryFunctionTakesAFolderOutsideTheCodePage) {
    const std::u16string folder = WidePath(u"\u0416\u0443\u043A");
    ASSERT_TRUE(CreateDir(folder));
    EXPECT_TRUE(fs::is_directory(fs::path(folder)));
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_FALSE(DirectoryExists(WideToAnsi(folder)));

    const std::u16string deep = folder + WD + u"\u65E5" + WD + u"\u672C" + WD;
    ASSERT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(fs::is_directory(fs::path(deep)));

    const std::u16string file = folder + WD + u"\u017E.spj";
    Write(file, "12345");
    EXPECT_EQ(FileSize(file), 5);
    TDateTime age = 0;
    EXPECT_TRUE(FileAge(file, age));
    EXPECT_GT(age, 0);

    const std::u16string moved = folder + WD + u"\u017E2.spj";
    ASSERT_TRUE(RenameFile(file, moved));
    EXPECT_EQ(Read(moved), "12345");
    EXPECT_FALSE(FileExists(file));

    EXPECT_EQ(CreateNewFile(file), TCreateNewResult::Created);
    EXPECT_EQ(CreateNewFile(file), TCreateNewResult::Exists);
    ASSERT_TRUE(RenameFileReplacing(moved, file));
    EXPECT_EQ(Read(file), "12345");

    const std::string saved = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(folder));
    const std::u16string now = WideGetCurrentDir();
    EXPECT_TRUE(SetCurrentDir(saved));
    EXPECT_TRUE(fs::equivalent(fs::path(now), fs::path(folder)));

    EXPECT_TRUE(DeleteFile(file));
    EXPECT_TRUE(RemoveDir(ExcludeTrailingPathDelimiter(deep)));
    EXPECT_FALSE(DirectoryExists(deep));
}

TEST_F(OsFilesTest, RenameFileReplacingSwapsInTheNewFile) {
    struct Case {
        const char* what;
        bool targetExists;
    };
    for (const Case c : {Case{"over an old file", true}, Case{"to a new name", false}}) {
        SCOPED_TRACE(c.what);
        Write(Path("project.tmp"), "new contents");
        if (c.targetExists) Write(Path("project.spj"), "old");
        ASSERT_TRUE(RenameFileReplacing(Path("project.tmp"), Path("project.spj")));
        EXPECT_EQ(Read(Path("project.spj")), "new contents");
        EXPECT_FALSE(FileExists(Path("project.tmp")));
        ASSERT_TRUE(DeleteFile(Path("project.spj")));
    }

    // Failures leave both names as they were.
    Write(Path("project.spj"), "old");
    EXPECT_FALSE(RenameFileReplacing(Path("missing.tmp"), Path("project.spj")));
    EXPECT_NE(LastOSError(), 0);
    EXPECT_EQ(Read(Path("project.spj")), "old");
    ASSERT_TRUE(CreateDir(Path("folder")));
    Write(Path("project.tmp"), "new");
    EXPECT_FALSE(RenameFileReplacing(Path("project.tmp"), Path("folder")));
    EXPECT_EQ(Read(Path("project.tmp")), "new");
    EXPECT_TRUE(DirectoryExists(Path("folder")));
}

TEST_F(OsFilesTest, CreateNewFileNeverOpensAnExistingFile) {
    Write(Path("taken"), "keep");
    EXPECT_EQ(CreateNewFile(Path("taken")), TCreateNewResult::Exists);
    EXPECT_EQ(Read(Path("taken")), "keep");
    EXPECT_EQ(CreateNewFile(Path("fresh")), TCreateNewResult::Created);
    EXPECT_EQ(FileSize(Path("fresh")), 0);
    EXPECT_EQ(CreateNewFile(Path("missing" + D + "x")), TCreateNewResult::Failed);
}

TEST_F(OsFilesTest, CodePageNamesMeanTheSameFileAsWideOnes) {
    Write(Path("source.txt"), "data");
    const std::string ansi = Path("caf\xE9.txt");  // e acute in code page 1252
    ASSERT_TRUE(CopyFile(Path("source.txt"), ansi, false));
    EXPECT_TRUE(FileExists(ansi));
    EXPECT_TRUE(FileExists(WidePath(u"caf\u00E9.txt")));
    EXPECT_TRUE(fs::exists(fs::path(WidePath(u"caf\u00E9.txt"))));
}

// ---- folders ------------------------------------------------------------------

TEST(OsFolders, ProgramFolderHoldsThisProgram) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), PathDelim);
    EXPECT_TRUE(
        FileExists(folder + (kWindows ? "runtime_system_test.exe" : "runtime_system_test")));
}

TEST_F(OsFilesTest, TempFolderFollowsTheEnvironment) {
    {
        ScopedEnv tmp(kWindows ? "TMP" : "TMPDIR", dir_);
        EXPECT_EQ(TempFolder(), dir_ + D);
    }
    const std::string folder = TempFolder();
    EXPECT_EQ(folder.back(), PathDelim);
    EXPECT_TRUE(DirectoryExists(folder));
    if (!kWindows) {
        ScopedEnv tmp("TMPDIR", std::nullopt);
        EXPECT_EQ(TempFolder(), "/tmp/");
    }
}

TEST_F(OsFilesTest, WideTempFolderKeepsAFolderOutsideTheCodePage) {
    const std::u16string folder = WidePath(u"\u0416\u0443\u043A");
    ASSERT_TRUE(CreateDir(folder));
    ScopedEnv tmp(kWindows ? u"TMP" : u"TMPDIR", folder);
    EXPECT_EQ(WideTempFolder(), folder + WD);
    EXPECT_TRUE(DirectoryExists(WideTempFolder()));
    EXPECT_EQ(WideGetEnv(kWindows ? u"TMP" : u"TMPDIR"), folder);
}

TEST(OsFolders, WideAndCodePageFormsAgree) {
    EXPECT_EQ(WideProgramFolder(), AnsiToWide(ProgramFolder()));
    EXPECT_EQ(WideAppDataFolder(), AnsiToWide(AppDataFolder()));
    EXPECT_EQ(WideWindowsFolder(), AnsiToWide(WindowsFolder()));
    EXPECT_EQ(WideGetCurrentDir(), AnsiToWide(GetCurrentDir()));
}

TEST(OsFolders, AppDataFolder) {
    if (kWindows) {
        EXPECT_TRUE(DirectoryExists(AppDataFolder())) << AppDataFolder();
        return;
    }
    struct Case {
        std::optional<std::string> xdg, home;
        std::string expected;
    };
    const Case cases[] = {
        {"/x/config", "/home/u", "/x/config"},       {std::nullopt, "/home/u", "/home/u/.config"},
        {"relative", "/home/u/", "/home/u/.config"},  // only an absolute one counts
        {"", "/home/u", "/home/u/.config"},          {std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(AppDataFolder(), c.expected);
    }
}

TEST(OsFolders, WindowsFolder) {
    if (kWindows) {
        EXPECT_TRUE(DirectoryExists(WindowsFolder())) << WindowsFolder();
    } else {
        EXPECT_EQ(WindowsFolder(), "");
    }
}

TEST_F(OsFilesTest, CurrentFolder) {
    const std::string saved = GetCurrentDir();
    ASSERT_FALSE(saved.empty());
    ASSERT_TRUE(SetCurrentDir(dir_));
    const std::string now = GetCurrentDir();
    EXPECT_TRUE(SetCurrentDir(saved));
    EXPECT_TRUE(fs::equivalent(fs::path(AnsiToWide(now)), fs::path(AnsiToWide(dir_)))) << now;
    EXPECT_FALSE(SetCurrentDir(Path("missing")));
    EXPECT_EQ(GetCurrentDir(), saved);
}

// ---- environment ---------------------------------------------------------

TEST(OsEnvironment, SetGetUnset) {
    struct Case {
        std::string name, value;
    };
    const Case cases[] = {
        {"SERPLOW_TEST_PLAIN", "plain"},
        {"SERPLOW_TEST_SIGNS", "caf\xE9 = 1; x"},
        {"SERPLOW_TEST_EMPTY", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetEnv(c.name, c.value));
        EXPECT_EQ(GetEnv(c.name), std::optional<std::string>(c.value));
        ASSERT_TRUE(UnsetEnv(c.name));
        EXPECT_EQ(GetEnv(c.name), std::nullopt);
    }
    EXPECT_EQ(GetEnv("SERPLOW_TEST_NEVER_SET"), std::nullopt);
}

// ---- dynamic libraries ----------------------------------------------------

#ifdef _WIN32
constexpr const char* kSystemLibrary = "kernel32.dll";
constexpr const char* kSymbol = "lstrlenA";
using LengthFunction = int (*)(const char*);
constexpr const char* kMissingLibrary = "serplow-no-such-library.dll";
#else
constexpr const char* kSystemLibrary = "libc.so.6";
constexpr const char* kSymbol = "strlen";
using LengthFunction = std::size_t (*)(const char*);
constexpr const char* kMissingLibrary = "serplow-no-such-library.so";
#endif

TEST(OsDynamicLibrary, FindsAndCallsASymbolOfASystemLibrary) {
    DynamicLibrary library(kSystemLibrary);
    ASSERT_TRUE(library.Loaded()) << library.ErrorText();
    auto length = library.SymbolAs<LengthFunction>(kSymbol);
    ASSERT_NE(length, nullptr) << library.ErrorText();
    EXPECT_EQ(length("serplow"), 7u);
    EXPECT_EQ(library.ErrorText(), "");

    EXPECT_EQ(library.Symbol("SerplowNoSuchSymbol"), nullptr);
    EXPECT_FALSE(library.ErrorText().empty());

    DynamicLibrary moved(std::move(library));
    EXPECT_FALSE(library.Loaded());
    ASSERT_TRUE(moved.Loaded());
    EXPECT_NE(moved.Symbol(kSymbol), nullptr);
}

TEST(OsDynamicLibrary, LoadsByWideName) {
    DynamicLibrary library(AnsiToWide(kSystemLibrary));
    ASSERT_TRUE(library.Loaded()) << library.ErrorText();
    EXPECT_NE(library.Symbol(kSymbol), nullptr);
    EXPECT_FALSE(library.Load(u"\u0416-missing-library"));
}

TEST(OsDynamicLibrary, MissingLibraryTellsWhy) {
    DynamicLibrary library;
    EXPECT_FALSE(library.Load(kMissingLibrary));
    EXPECT_FALSE(library.Loaded());
    if (kWindows) {
        EXPECT_EQ(library.ErrorText(), SysErrorMessage(126));  // ERROR_MOD_NOT_FOUND
        EXPECT_EQ(LastOSError(), 126);
    } else {
        EXPECT_NE(library.ErrorText().find(kMissingLibrary), std::string::npos)
            << library.ErrorText();
    }
    EXPECT_EQ(library.Symbol(kSymbol), nullptr);
}

// ---- clock ------------------------------------------------------------------

TEST(OsClock, TickCountMovesForwardOnly) {
    std::uint64_t last = TickCount64();
    const std::uint64_t first = last;
    for (int i = 0; i < 100000; ++i) {
        const std::uint64_t now = TickCount64();
        ASSERT_GE(now, last);
        last = now;
    }
    Sleep(60);
    EXPECT_GE(TickCount64() - first, 40u);
}

}  // namespace
}  // namespace runtime::os

TEST(OsAddressSpace, GrowsInPlaceWithinItsReservation) {
    constexpr size_t kReserve = size_t{1} << 30;
    runtime::os::TAddressSpace space(kReserve);
    ASSERT_NE(space.Data(), nullptr);
    EXPECT_GE(space.Reserved(), kReserve);
    EXPECT_EQ(space.Committed(), 0u);
    char* start = space.Data();
    ASSERT_TRUE(space.Commit(1));
    start[0] = 'a';
    ASSERT_TRUE(space.Commit(size_t{3} << 20));
    start[(size_t{3} << 20) - 1] = 'z';
    EXPECT_EQ(space.Data(), start);
    EXPECT_EQ(start[0], 'a');
    EXPECT_GE(space.Committed(), size_t{3} << 20);
    // Less than what is committed changes nothing; beyond the reservation
    // is refused.
    EXPECT_TRUE(space.Commit(10));
    EXPECT_GE(space.Committed(), size_t{3} << 20);
    EXPECT_FALSE(space.Commit(space.Reserved() + 1));
}
