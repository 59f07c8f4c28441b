#pragma once

// Shared by the core's tests: the program-wide callbacks replaced for a
// scope, the process environment changed for a scope, and a folder whose
// name no single-byte code page spells.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/state.h"
#include "runtime/container_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/os/environment.h"
#include "runtime/os/files.h"
#include "runtime/os/paths.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace core::testing {

class ScopedCallbacks {
  public:
    explicit ScopedCallbacks(CoreCallbacks callbacks) : saved_(std::move(Callbacks)) {
        Callbacks = std::move(callbacks);
    }
    ~ScopedCallbacks() { Callbacks = std::move(saved_); }
    ScopedCallbacks(const ScopedCallbacks&) = delete;
    ScopedCallbacks& operator=(const ScopedCallbacks&) = delete;

  private:
    CoreCallbacks saved_;
};

class ScopedEnvironment {
  public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Apply(it->first, it->second);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    // Sets the variable, or unsets it for nothing.
    void Set(const std::string& name, const std::optional<std::string>& value) {
        Set(runtime::AnsiToWide(name),
            value ? std::optional(runtime::AnsiToWide(*value)) : std::nullopt);
    }
    void Set(const std::u16string& name, const std::optional<std::u16string>& value) {
        saved_.emplace_back(name, runtime::os::WideGetEnv(name));
        Apply(name, value);
    }

  private:
    static void Apply(const std::u16string& name, const std::optional<std::u16string>& value) {
        if (value) {
            (void)runtime::os::SetEnv(name, *value);
        } else {
            (void)runtime::os::UnsetEnv(name);
        }
    }

    // Kept wide: a value outside the code page comes back whole.
    std::vector<std::pair<std::u16string, std::optional<std::u16string>>> saved_;
};

// Cyrillic and CJK: a user profile outside the ANSI code page.
inline constexpr const char16_t* kUnicodeFolderName = u"\u041f\u0451\u0442\u0440 \u6771\u4eac";

// `name` made in the scratch folder, with a trailing delimiter.
inline std::u16string MakeWideFolder(const runtime::testing::TempFolder& folder,
                                     std::u16string_view name = kUnicodeFolderName) {
    const std::u16string path = runtime::os::IncludeTrailingPathDelimiter(
        runtime::AnsiToWide(folder.File("")) + std::u16string(name));
    (void)runtime::os::ForceDirectories(path);
    return path;
}

// Whole-file bytes by wide name ("" for a file that cannot be read).
inline std::string ReadWideFile(const std::u16string& fileName) {
    try {
        runtime::TFileStream file(fileName, runtime::fmOpenRead | runtime::fmShareDenyNone);
        std::string bytes(static_cast<size_t>(file.Size()), '\0');
        if (!bytes.empty()) file.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        return bytes;
    } catch (const runtime::Exception&) {
        return {};
    }
}

inline void WriteWideFile(const std::u16string& fileName, std::string_view bytes) {
    runtime::TFileStream file(fileName, runtime::fmCreate);
    if (!bytes.empty()) file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace core::testing
