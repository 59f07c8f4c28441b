#pragma once

// A scratch folder for the container tests' files, removed with its
// contents when the object goes; and whole-file byte access that does not go
// through the classes under test.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace runtime::testing {

class TempFolder {
  public:
    TempFolder() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("serplow-containers-" + std::to_string(counter++) + "-" +
                 std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The 8-bit name of a file in the folder. The folder's name is ASCII;
    // `name` is joined as bytes, so it may hold any system code page text.
    [[nodiscard]] std::string File(std::string_view name) const {
        return path_.string() + static_cast<char>(std::filesystem::path::preferred_separator) +
               std::string(name);
    }
    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& fileName, std::string_view bytes) {
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline bool Exists(const std::string& fileName) {
    std::error_code ignored;
    return std::filesystem::exists(fileName, ignored);
}

}  // namespace runtime::testing
