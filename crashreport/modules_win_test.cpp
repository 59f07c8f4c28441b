#include "crashreport/modules_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "crashreport/memory_win.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/os/paths.h"
#include "runtime/streams.h"

namespace crashreport {
namespace {

namespace fs = std::filesystem;

std::string programFolder() {
    char name[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, name, MAX_PATH);
    return runtime::os::ExtractFilePath(std::string(name, length));
}

// The test DLL, copied to a folder of its own so its file can be changed.
class LoadedTestDll {
  public:
    LoadedTestDll() {
        folder_ = fs::temp_directory_path() / "crashreport_modules_test";
        fs::create_directories(folder_);
        path_ = (folder_ / "crashreport_testdll.dll").string();
        fs::copy_file(programFolder() + "crashreport_testdll.dll", path_,
                      fs::copy_options::overwrite_existing);
        module_.Reset(::LoadLibraryA(path_.c_str()));
    }
    ~LoadedTestDll() {
        Unload();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    void Unload() { module_.Reset(); }
    HMODULE Module() const { return module_.Get(); }
    uintptr_t Handle() const { return reinterpret_cast<uintptr_t>(module_.Get()); }
    const std::string& Path() const { return path_; }
    uintptr_t Export(const char* name) const {
        return reinterpret_cast<uintptr_t>(::GetProcAddress(module_.Get(), name));
    }

  private:
    fs::path folder_;
    std::string path_;
    runtime::os::TModuleHandle module_;
};

TEST(ModuleList, RecordsTheProgramAndALibraryWithItsExports) {
    TVvModulesList list(::GetModuleHandleW(nullptr));
    const auto self = reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr));
    TVvModuleInfo* program = list.FindModuleInfo(self);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(program->Kind, mkProgram);
    EXPECT_TRUE(program->Functions.empty());
    EXPECT_NE(program->FileName.find("crashreport_win_test"), std::string::npos);
    EXPECT_GT(program->Size, 0);
    EXPECT_GT(program->FileDate, 0);
    ASSERT_TRUE(program->Options);
    EXPECT_EQ(program->Options->ModuleName(), program->FileName);
    EXPECT_EQ(list.FindModuleInfo(self), program);

    LoadedTestDll dll;
    ASSERT_NE(dll.Module(), nullptr);
    TVvModuleInfo* library = list.FindModuleInfoByAddress(dll.Export("TestExportTwo") + 3);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->Handle, dll.Handle());
    EXPECT_EQ(library->Kind, mkLibrary);
    EXPECT_EQ(library->DataVersion, LibraryDataVersion);
    EXPECT_FALSE(library->DebugData);
    ASSERT_EQ(library->Functions.size(), 2u);
    for (const TVvFunctionInfo& f : library->Functions) {
        EXPECT_EQ(f.Address, dll.Export(f.Name.c_str())) << f.Name;
        EXPECT_GT(f.Size, 8u) << f.Name;
    }
    EXPECT_LT(library->Functions[0].Address, library->Functions[1].Address);
    EXPECT_EQ(ModuleKind(dll.Handle()), mkLibrary);
    EXPECT_TRUE(IsLibraryModule(dll.Handle()));
    EXPECT_FALSE(IsLibraryModule(self));
    EXPECT_EQ(list.FindModuleInfo(0), nullptr);
    EXPECT_EQ(list.FindModuleInfoByAddress(0x10), nullptr);
}

TEST(ModuleList, DropsChangedAndUnloadedModules) {
    TVvModulesList list(::GetModuleHandleW(nullptr));
    LoadedTestDll dll;
    ASSERT_NE(list.FindModuleInfo(dll.Handle()), nullptr);
    const int withDll = list.Count();

    // A rebuilt file: its date moves on.
    runtime::os::TFileHandle file(
        ::CreateFileA(dll.Path().c_str(), FILE_WRITE_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    FILETIME later;
    SYSTEMTIME when = {2031, 1, 0, 2, 3, 4, 5, 0};
    ::SystemTimeToFileTime(&when, &later);
    ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &later));
    file.Reset();
    list.DropChangedModules();
    EXPECT_EQ(list.Count(), withDll - 1);
    // Looked up again, it is read afresh.
    TVvModuleInfo* again = list.FindModuleInfo(dll.Handle());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->FileDate, FileDate(dll.Path()));

    // Every loaded module gets a quick record, sorted by handle.
    list.RefreshModules();
    EXPECT_GT(list.Count(), withDll);
    bool quickOnes = false;
    for (int i = 0; i < list.Count(); ++i) {
        if (i > 0) {
            EXPECT_LT(list.Item(i - 1).Handle, list.Item(i).Handle);
        }
        quickOnes = quickOnes || list.Item(i).Kind == mkUnknown;
    }
    EXPECT_TRUE(quickOnes);
    const auto kernel = reinterpret_cast<uintptr_t>(::GetModuleHandleA("kernel32.dll"));
    EXPECT_EQ(list.FindModuleInfo(kernel)->Kind, mkLibrary);

    dll.Unload();
    list.RefreshModules();
    for (int i = 0; i < list.Count(); ++i) EXPECT_NE(list.Item(i).FileName, dll.Path());
}

std::string publication(const TVvModuleOptions& options) {
    runtime::TMemoryStream stream;
    options.SaveToStream(stream);
    return std::string(1, '\1') + std::string(static_cast<const char*>(stream.Memory()),
                                              static_cast<size_t>(stream.Size()));
}

// The output path of the options a block publishes.
std::string publishedPath(const std::string& block) {
    runtime::TStringStream stream(block.substr(1));
    TVvModuleOptions back("copy", false);
    back.LoadFromStream(stream, LibraryDataVersion);
    return back.OutputPath();
}

TEST(ModuleList, OptionsPublishedByAModuleAreTheOnesItsRecordGets) {
    LoadedTestDll dll;
    const HMODULE module = dll.Module();
    EXPECT_FALSE(ReadSharedBlock(module));
    // What a module carrying the reporter publishes.
    TVvModuleOptions published(dll.Path(), false);
    published.SetMailMode(2);
    published.SetOutputPath("C:\\Shared");
    const runtime::os::TMappingHandle block = CreateSharedBlock(module, publication(published));
    ASSERT_TRUE(block);

    TVvModulesList list(::GetModuleHandleW(nullptr));
    TVvModuleInfo* info = list.FindModuleInfo(dll.Handle());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Options->MailMode(), 2);
    EXPECT_EQ(info->Options->OutputPath(), "C:\\Shared");
}

TEST(ModuleList, OnlyTheRunningModulesOptionsArePublished) {
    LoadedTestDll dll;
    const HMODULE module = dll.Module();
    // Another module's options, alone or in their record, never write its
    // block: that module may carry a reporter of its own.
    TVvModuleOptionsEx other(dll.Path(), true, module);
    other.SetMailMode(2);
    TVvModulesList list(::GetModuleHandleW(nullptr));
    list.FindModuleInfo(dll.Handle())->Options->SetMailMode(3);
    EXPECT_FALSE(ReadSharedBlock(module));

    // The program's changes are published; making its record is no change.
    const HMODULE self = ::GetModuleHandleW(nullptr);
    EXPECT_EQ(RunningModule(), self);
    TVvModuleInfo* program = list.FindModuleInfo(reinterpret_cast<uintptr_t>(self));
    ASSERT_NE(program, nullptr);
    program->Options->ResetSharedBlock();
    EXPECT_EQ(ReadSharedBlock(self), std::string(1, '\0'));
    program->Options->SetMailMode(2);
    program->Options->SetOutputPath("C:\\Published");
    auto block = ReadSharedBlock(self);
    ASSERT_TRUE(block && !block->empty());
    EXPECT_EQ((*block)[0], 1);
    EXPECT_EQ(publishedPath(*block), "C:\\Published");

    // A reader holding the block open while the program publishes again
    // gets the new options in the same block.
    runtime::os::TMappingHandle reader(
        ::OpenFileMappingA(FILE_MAP_READ, FALSE, SharedBlockName(self).c_str()));
    ASSERT_TRUE(reader);
    program->Options->SetOutputPath("C:\\Again");
    block = ReadSharedBlock(self);
    ASSERT_TRUE(block && !block->empty());
    EXPECT_EQ(publishedPath(*block), "C:\\Again");
    // Options that no longer fit leave nothing stale behind.
    program->Options->SetMailBody(std::string(20000, 'x'));
    EXPECT_EQ(ReadSharedBlock(self), std::string(1, '\0'));
    reader.Reset();
    program->Options->SetMailBody("");
    block = ReadSharedBlock(self);
    ASSERT_TRUE(block && !block->empty());
    EXPECT_EQ(publishedPath(*block), "C:\\Again");
}

TEST(Memory, ReadsStopAtGuardPagesAndUnmappedMemory) {
    auto* pages = static_cast<uint8_t*>(
        ::VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old;
    ASSERT_TRUE(::VirtualProtect(pages + 4096, 4096, PAGE_READWRITE | PAGE_GUARD, &old));
    const auto base = reinterpret_cast<uintptr_t>(pages);
    EXPECT_EQ(ReadableCount(base, 8192), 4096u);
    EXPECT_EQ(ReadableCount(base + 100, 50), 50u);
    EXPECT_TRUE(IsReadable(base, 4096));
    EXPECT_FALSE(IsReadable(base, 4097));
    EXPECT_FALSE(IsReadable(base + 4096, 1));
    uint8_t buffer[16];
    EXPECT_TRUE(SafeRead(base + 4090, buffer, 6));
    EXPECT_FALSE(SafeRead(base + 4090, buffer, 7));
    ::VirtualFree(pages, 0, MEM_RELEASE);
    EXPECT_FALSE(SafeRead(base, buffer, 1));
    EXPECT_EQ(ReadableCount(base, 16), 0u);

    THModuleStream image(reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr)));
    uint16_t mz = 0;
    EXPECT_TRUE(image.SafeRead(&mz, 2));
    EXPECT_EQ(mz, IMAGE_DOS_SIGNATURE);
    EXPECT_EQ(image.Position(), 2);
    image.SetPosition(0x7FFFFFF0);
    EXPECT_FALSE(image.SafeRead(&mz, 2));
    EXPECT_EQ(image.Read(&mz, 2), 0);
}

TEST(Platform, MainWindowRegistryAndFolders) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CrashReportModulesTest";
    ::RegisterClassW(&wc);
    HWND tool =
        ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"tool", WS_POPUP | WS_VISIBLE, 0, 0,
                          50, 50, nullptr, nullptr, wc.hInstance, nullptr);
    HWND main = ::CreateWindowExW(0, wc.lpszClassName, L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                  0, 100, 100, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(main, nullptr) << "no display";
    EXPECT_EQ(FindMainWindow(::GetCurrentProcessId()), main);
    ::DestroyWindow(main);
    ::DestroyWindow(tool);
    EXPECT_EQ(FindMainWindow(::GetCurrentProcessId()), nullptr);

    HKEY created;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SerplowCrashReportTest", 0, nullptr,
                                0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    runtime::os::TRegistryKey key(created);
    ::RegSetValueExA(key.Get(), "Terminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("value"), 6);
    ::RegSetValueExA(key.Get(), "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("bare"), 4);
    key.Reset();
    EXPECT_EQ(
        ReadRegistryString(HKEY_CURRENT_USER, "\\Software\\SerplowCrashReportTest", "Terminated"),
        "value");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, "Software\\SerplowCrashReportTest", "Bare"),
              "bare");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, "Software\\SerplowCrashReportTest", "Missing"),
              "");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, "Software\\NoSuchKeyHere", "x"), "");
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SerplowCrashReportTest");

    TVvModuleInfo root;
    root.FileName = "C:\\prog.exe";
    EXPECT_EQ(ModuleFolder(root), "C:\\");
    root.FileName = "C:\\App\\prog.exe";
    EXPECT_EQ(ModuleFolder(root), "C:\\App");
    EXPECT_FALSE(InsideDevelopmentEnvironment());
}

}  // namespace
}  // namespace crashreport
