#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "runtime/os/kernel_handles.h"

namespace runtime::os {
namespace {

namespace fs = std::filesystem;

template <class Owner>
void* noneOf() {
    return reinterpret_cast<void*>(Owner::None());
}
template <class Owner>
bool defaultHolds() {
    return static_cast<bool>(Owner());
}
template <class Owner>
bool noneHolds() {
    return static_cast<bool>(Owner(Owner::None()));
}

// The calls that make files and searches answer INVALID_HANDLE_VALUE on
// failure; every other kind answers null. An owner given the failure value
// holds nothing and closes nothing.
TEST(OsKernelHandles, EachKindKnowsTheValueThatHoldsNothing) {
    struct Row {
        const char* kind;
        void* none;
        bool defaultHolds;
        bool noneHolds;
        void* expected;
    };
    const Row rows[] = {
        {"file", noneOf<TFileHandle>(), defaultHolds<TFileHandle>(), noneHolds<TFileHandle>(),
         INVALID_HANDLE_VALUE},
        {"search", noneOf<TFindHandle>(), defaultHolds<TFindHandle>(), noneHolds<TFindHandle>(),
         INVALID_HANDLE_VALUE},
        {"thread", noneOf<TThreadHandle>(), defaultHolds<TThreadHandle>(),
         noneHolds<TThreadHandle>(), nullptr},
        {"event", noneOf<TEventHandle>(), defaultHolds<TEventHandle>(), noneHolds<TEventHandle>(),
         nullptr},
        {"mutex", noneOf<TMutexHandle>(), defaultHolds<TMutexHandle>(), noneHolds<TMutexHandle>(),
         nullptr},
        {"process", noneOf<TProcessHandle>(), defaultHolds<TProcessHandle>(),
         noneHolds<TProcessHandle>(), nullptr},
        {"mapping", noneOf<TMappingHandle>(), defaultHolds<TMappingHandle>(),
         noneHolds<TMappingHandle>(), nullptr},
        {"view", noneOf<TMappedView>(), defaultHolds<TMappedView>(), noneHolds<TMappedView>(),
         nullptr},
        {"module", noneOf<TModuleHandle>(), defaultHolds<TModuleHandle>(),
         noneHolds<TModuleHandle>(), nullptr},
        {"registry key", noneOf<TRegistryKey>(), defaultHolds<TRegistryKey>(),
         noneHolds<TRegistryKey>(), nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        EXPECT_EQ(row.none, row.expected);
        EXPECT_FALSE(row.defaultHolds);
        EXPECT_FALSE(row.noneHolds);
    }
    // For a file, null is no failure value, and for the others
    // INVALID_HANDLE_VALUE is the current process: both are held.
    EXPECT_TRUE(TFileHandle(nullptr).Release() == nullptr);
    EXPECT_TRUE(TEventHandle(INVALID_HANDLE_VALUE).Release() == INVALID_HANDLE_VALUE);
}

bool kernelHandleOpen(HANDLE handle) {
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != 0;
}

HANDLE duplicate(HANDLE pseudo) {
    HANDLE real = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), pseudo, ::GetCurrentProcess(), &real, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    return real;
}

// Hands `raw` to an owner, moves it on, lets the moved-from owner reset,
// and checks that only the last owner's reset closes it, once.
template <class Owner>
void expectClosedOnce(typename Owner::Handle raw, const std::function<bool()>& open) {
    ASSERT_NE(raw, Owner::None());
    ASSERT_TRUE(open());
    Owner first(raw);
    Owner last(std::move(first));
    first.Reset();
    EXPECT_TRUE(open());
    // Closing keeps the caller's last error.
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    last.Reset();
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(open());
}

template <class Owner>
void expectKernelObjectClosedOnce(HANDLE raw) {
    expectClosedOnce<Owner>(raw, [raw] { return kernelHandleOpen(raw); });
}

class OsKernelHandlesClosing : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("serplow-handles-" + std::to_string(::GetCurrentProcessId()));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    fs::path folder_;
};

TEST_F(OsKernelHandlesClosing, KernelObjectsCloseOnce) {
    const std::wstring fileName = (folder_ / L"file.txt").wstring();
    struct Case {
        const char* kind;
        std::function<HANDLE()> make;
        void (*check)(HANDLE);
    };
    const Case cases[] = {
        {"file",
         [&] {
             return ::CreateFileW(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
         },
         expectKernelObjectClosedOnce<TFileHandle>},
        {"event", [] { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); },
         expectKernelObjectClosedOnce<TEventHandle>},
        {"mutex", [] { return ::CreateMutexW(nullptr, FALSE, nullptr); },
         expectKernelObjectClosedOnce<TMutexHandle>},
        {"mapping",
         [] {
             return ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                         nullptr);
         },
         expectKernelObjectClosedOnce<TMappingHandle>},
        {"thread", [] { return duplicate(::GetCurrentThread()); },
         expectKernelObjectClosedOnce<TThreadHandle>},
        {"process", [] { return duplicate(::GetCurrentProcess()); },
         expectKernelObjectClosedOnce<TProcessHandle>},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        c.check(c.make());
    }
}

TEST_F(OsKernelHandlesClosing, SearchesKeysViewsAndModulesCloseOnce) {
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((folder_ / L"*").wstring().c_str(), &found);
    expectClosedOnce<TFindHandle>(search, [&] {
        // A closed search answers ERROR_INVALID_HANDLE.
        ::SetLastError(ERROR_SUCCESS);
        ::FindNextFileW(search, &found);
        return ::GetLastError() != ERROR_INVALID_HANDLE;
    });

    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key), ERROR_SUCCESS);
    expectClosedOnce<TRegistryKey>(key, [key] {
        return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    });

    TMappingHandle mapping(
        ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, nullptr));
    ASSERT_TRUE(mapping);
    void* const view = ::MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 4096);
    expectClosedOnce<TMappedView>(view, [view] {
        MEMORY_BASIC_INFORMATION m{};
        return ::VirtualQuery(view, &m, sizeof m) == sizeof m && m.State != MEM_FREE;
    });

    const wchar_t* const library = L"msimg32.dll";
    ASSERT_EQ(::GetModuleHandleW(library), nullptr);
    expectClosedOnce<TModuleHandle>(::LoadLibraryW(library),
                                    [&] { return ::GetModuleHandleW(library) != nullptr; });
}

// A close that fails (here of a handle already closed) leaves the reason
// the caller's own failed call left.
TEST(OsKernelHandles, FailedCloseKeepsTheLastError) {
    TEventHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE raw = event.Get();
    event.Reset();
    TEventHandle stale(raw);
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    stale.Reset();
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(OsKernelHandlesClosing, CloseFileTellsWhetherTheCloseWorked) {
    TFileHandle file(::CreateFileW((folder_ / L"closed.txt").wstring().c_str(), GENERIC_WRITE, 0,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    const HANDLE raw = file.Get();
    EXPECT_TRUE(CloseFile(file));
    EXPECT_FALSE(file);
    EXPECT_FALSE(kernelHandleOpen(raw));
    // Nothing held: nothing to fail.
    EXPECT_TRUE(CloseFile(file));

    TFileHandle stale(raw);
    EXPECT_FALSE(CloseFile(stale));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(stale);
}

}  // namespace
}  // namespace runtime::os
