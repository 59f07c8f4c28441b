// Fuzz target for ini files: the input is a file's bytes. The native
// private-profile parser reads it from a scratch file, lists its sections
// and keys and reads each, then writes, erases and deletes; TMemIniFile
// takes it as lines. A value written must read back, and the in-memory
// file's lines must read back as the same file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/inifile.h"
#include "runtime/stringlist.h"

namespace {

using runtime::TStringList;

// Names beyond these are not read one by one: a file of many short lines
// would make one run quadratic (the profile reads the file at every call).
constexpr int kMaxNames = 64;
constexpr int kMaxProfileNames = 8;

void check(bool condition) {
    if (!condition) std::abort();
}

std::vector<std::string> items(const TStringList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
    return out;
}

// A folder of this process's own, removed at its end.
class ScratchFolder {
  public:
    ScratchFolder()
        : folder_(std::filesystem::temp_directory_path() /
                  ("serplow-inifile-fuzz-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(folder_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string File() const { return (folder_ / "fuzz.ini").string(); }

  private:
    std::filesystem::path folder_;
};

// A file in the system code page whose first line, less its leading
// blanks, starts with the bytes of a byte-order mark: a write drops the
// blanks, and the file reads as UTF-8 or UTF-16 from then on. Wine's
// profile functions do the same; such files are left out of the checks.
bool becomesMarked(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size() &&
           ((bytes[i] >= 0x09 && bytes[i] <= 0x0D) || bytes[i] == 0x1A || bytes[i] == ' '))
        ++i;
    const std::string_view rest = bytes.substr(i);
    return i > 0 && (rest.starts_with("\xEF\xBB\xBF") || rest.starts_with("\xFF\xFE") ||
                     rest.starts_with("\xFE\xFF"));
}

const std::string& scratchFile() {
    static const ScratchFolder folder;
    static const std::string path = folder.File();
    return path;
}

void profile(std::string_view bytes) {
    const std::string& path = scratchFile();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    runtime::TIniFile ini(path);
    TStringList sections;
    ini.ReadSections(sections);
    sections.Add("");
    for (int i = 0; i < sections.Count() && i < kMaxProfileNames; ++i) {
        const std::string section = sections.Strings(i);
        TStringList keys;
        ini.ReadSection(section, keys);
        for (int k = 0; k < keys.Count() && k < kMaxProfileNames; ++k)
            static_cast<void>(ini.ReadString(section, keys.Strings(k), "default"));
        static_cast<void>(ini.ReadInteger(section, "count", 0));
    }
    const std::string section = sections.Count() > 1 ? sections.Strings(0) : "fuzz";
    const bool kept = !becomesMarked(bytes);
    ini.WriteString(section, "fuzzkey", "fuzz value");
    check(!kept || ini.ReadString(section, "fuzzkey", "") == "fuzz value");
    ini.WriteString("fuzz section", "key", "1");
    check(ini.ReadInteger("fuzz section", "key", 0) == 1);
    ini.DeleteKey(section, "fuzzkey");
    ini.EraseSection(section);
}

void memoryFile(std::string_view bytes) {
    TStringList lines;
    lines.SetText(bytes);
    runtime::TMemIniFile ini("");
    ini.SetStrings(lines);

    TStringList written;
    ini.GetStrings(written);
    runtime::TMemIniFile again("");
    again.SetStrings(written);
    TStringList rewritten;
    again.GetStrings(rewritten);
    check(items(rewritten) == items(written));

    TStringList sections;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count() && i < kMaxNames; ++i) {
        const std::string section = sections.Strings(i);
        TStringList keys;
        ini.ReadSection(section, keys);
        for (int k = 0; k < keys.Count() && k < kMaxNames; ++k)
            static_cast<void>(ini.ReadString(section, keys.Strings(k), ""));
        TStringList values;
        ini.ReadSectionValues(section, values);
        const std::string key = keys.Count() > 0 ? keys.Strings(0) : "fuzzkey";
        if (key.find('=') == std::string::npos) {
            ini.WriteString(section, key, "fuzz value");
            check(ini.ReadString(section, key, "") == "fuzz value");
        }
        ini.DeleteKey(section, key);
    }
    if (sections.Count() > 0) ini.EraseSection(sections.Strings(0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        profile(bytes);
    } catch (const runtime::EIniFileException&) {
        std::abort();  // the scratch file is always writable
    }
    memoryFile(bytes);
    return 0;
}
