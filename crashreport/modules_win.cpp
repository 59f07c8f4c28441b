#include "crashreport/modules_win.h"

#include <psapi.h>

#include <algorithm>

#include "crashreport/libdata_win.h"
#include "crashreport/memory_win.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace crashreport {

namespace {

// The PE headers of a loaded image, read through the safe stream.
struct ImageHeaders {
    IMAGE_FILE_HEADER File{};
    IMAGE_OPTIONAL_HEADER64 Optional{};
};

bool readHeaders(uintptr_t base, ImageHeaders& headers) {
    uint16_t mz = 0;
    int32_t peOffset = 0;
    uint32_t signature = 0;
    if (!SafeReadValue(base, mz) || mz != IMAGE_DOS_SIGNATURE) return false;
    if (!SafeReadValue(base + 60, peOffset) || peOffset <= 0) return false;
    const uintptr_t nt = base + static_cast<uint32_t>(peOffset);
    if (!SafeReadValue(nt, signature) || signature != IMAGE_NT_SIGNATURE) return false;
    if (!SafeReadValue(nt + 4, headers.File)) return false;
    // A 32-bit image has a shorter optional header; only 64-bit ones are read.
    if (headers.File.SizeOfOptionalHeader < sizeof headers.Optional) return true;
    return SafeReadValue(nt + 4 + sizeof headers.File, headers.Optional) &&
           headers.Optional.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
}

// A string at address, up to `limit` bytes, read in pieces so its end may
// lie anywhere before unreadable memory.
std::string readCString(uintptr_t address, size_t limit) {
    std::string text;
    char piece[64];
    while (text.size() < limit) {
        // Pieces end at 64-byte boundaries, so no read crosses into a page
        // that the string does not reach.
        const size_t count = 64 - (address + text.size()) % 64;
        if (!SafeRead(address + text.size(), piece, count)) {
            // The last piece before unreadable memory, byte by byte.
            char c;
            while (text.size() < limit && SafeReadValue(address + text.size(), c) && c != '\0') {
                text += c;
            }
            return text;
        }
        for (size_t i = 0; i < count; ++i) {
            if (piece[i] == '\0' || text.size() == limit) return text;
            text += piece[i];
        }
    }
    return text;
}

// The image's function table: begin and end offsets of every function.
std::vector<RUNTIME_FUNCTION> functionTable(uintptr_t base, const ImageHeaders& h) {
    std::vector<RUNTIME_FUNCTION> table;
    if (h.Optional.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_EXCEPTION) return table;
    const IMAGE_DATA_DIRECTORY dir = h.Optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXCEPTION];
    table.resize(dir.Size / sizeof(RUNTIME_FUNCTION));
    if (!SafeRead(base + dir.VirtualAddress, table.data(), table.size() * sizeof table[0])) {
        table.clear();
    }
    return table;
}

// The length of the function at rva: from its function-table entry, else up
// to its first return instruction in `code` (the code section, which starts
// at codeStart); 1 when neither tells.
uint32_t functionSize(uint32_t rva, const std::vector<RUNTIME_FUNCTION>& table,
                      std::string_view code, uint32_t codeStart) {
    auto it =
        std::upper_bound(table.begin(), table.end(), rva,
                         [](uint32_t v, const RUNTIME_FUNCTION& f) { return v < f.BeginAddress; });
    if (it != table.begin() && rva < std::prev(it)->EndAddress)
        return std::prev(it)->EndAddress - rva;
    const size_t ret = code.find_first_of("\xC2\xC3\xCA\xCB", rva - codeStart);
    return ret == std::string_view::npos ? 1 : static_cast<uint32_t>(ret - (rva - codeStart) + 1);
}

runtime::TDateTime fileTimeToDateTime(const FILETIME& utc) {
    FILETIME local;
    WORD dosDate = 0, dosTime = 0;
    if (!::FileTimeToLocalFileTime(&utc, &local) ||
        !::FileTimeToDosDateTime(&local, &dosDate, &dosTime)) {
        return 0;
    }
    try {
        return runtime::EncodeDate((dosDate >> 9) + 1980, (dosDate >> 5) & 15, dosDate & 31) +
               runtime::EncodeTime(dosTime >> 11, (dosTime >> 5) & 63, (dosTime & 31) * 2, 0);
    } catch (...) {
        return 0;
    }
}

}  // namespace

// ---- module facts ---------------------------------------------------------------

uintptr_t ModuleOfAddress(uintptr_t address) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(address), &module)) {
        return 0;
    }
    return reinterpret_cast<uintptr_t>(module);
}

std::string ModuleFileName(uintptr_t handle) {
    if (handle == 0) return {};
    char name[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(reinterpret_cast<HMODULE>(handle), name, MAX_PATH);
    if (length == 0) return {};
    std::string result(name, length);
    // "\??\C:\path" names: keep the path from its drive letter on.
    const size_t question = result.find('?');
    if (question != std::string::npos) {
        const size_t colon = result.find(':', question);
        if (colon != std::string::npos && colon > 0) result = result.substr(colon - 1);
    }
    return result;
}

std::string ModuleFolder(const TVvModuleInfo& info) {
    std::string folder = runtime::os::ExtractFilePath(info.FileName);
    if (folder.size() > 1 && folder.back() == '\\' && folder[folder.size() - 2] != ':') {
        folder.pop_back();
    }
    return folder;
}

bool IsLibraryModule(uintptr_t handle) {
    ImageHeaders h;
    if (!readHeaders(handle, h)) return false;
    return (h.File.Characteristics & IMAGE_FILE_DLL) != 0;
}

uint8_t ModuleKind(uintptr_t handle) {
    ImageHeaders h;
    if (!readHeaders(handle, h)) return mkUnknown;
    if ((h.File.Characteristics & IMAGE_FILE_DLL) == 0) return mkProgram;
    const std::string fileName = ModuleFileName(handle);
    const runtime::os::TModuleHandle data(
        ::LoadLibraryExA(fileName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!data) return mkLibrary;
    if (::FindResourceA(data.Get(), "PACKAGEINFO", MAKEINTRESOURCEA(10)) != nullptr &&
        ::FindResourceA(data.Get(), "PACKAGEOPTIONS", MAKEINTRESOURCEA(10)) != nullptr) {
        return mkPackage;
    }
    return mkLibrary;
}

bool ReadExportFunctions(uintptr_t handle, std::vector<TVvFunctionInfo>& functions) {
    ImageHeaders h;
    if (!readHeaders(handle, h) || h.Optional.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return false;
    const uint32_t codeStart = h.Optional.BaseOfCode;
    const uint32_t codeEnd = codeStart + h.Optional.SizeOfCode;
    // The code is read once: every read of module memory is a system call.
    std::string code(h.Optional.SizeOfCode, '\0');
    if (!SafeRead(handle + codeStart, code.data(), code.size())) return false;
    if (h.Optional.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_EXPORT) return false;
    const IMAGE_DATA_DIRECTORY dir = h.Optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    IMAGE_EXPORT_DIRECTORY exports;
    if (dir.VirtualAddress == 0 || !SafeReadValue(handle + dir.VirtualAddress, exports))
        return false;
    if (exports.Characteristics != 0) return false;
    const std::vector<RUNTIME_FUNCTION> table = functionTable(handle, h);
    // The tables are read whole; entries are addresses found in the export
    // address table, not through GetProcAddress, which would follow every
    // forwarded export into its module.
    const DWORD count = std::min(exports.NumberOfFunctions, exports.NumberOfNames);
    std::vector<uint32_t> nameRvas(count);
    std::vector<uint16_t> ordinals(count);
    std::vector<uint32_t> entries(exports.NumberOfFunctions);
    if (!SafeRead(handle + exports.AddressOfNames, nameRvas.data(), count * sizeof(uint32_t)) ||
        !SafeRead(handle + exports.AddressOfNameOrdinals, ordinals.data(),
                  count * sizeof(uint16_t)) ||
        !SafeRead(handle + exports.AddressOfFunctions, entries.data(),
                  entries.size() * sizeof(uint32_t))) {
        return false;
    }
    // The names normally lie inside the export directory: read it once.
    std::string directory(dir.Size, '\0');
    if (!SafeRead(handle + dir.VirtualAddress, directory.data(), directory.size())) {
        directory.clear();
    }
    const auto inDirectory = [&](uint32_t rva) {
        return rva >= dir.VirtualAddress && rva - dir.VirtualAddress < dir.Size;
    };
    for (DWORD i = 0; i < count; ++i) {
        if (ordinals[i] >= entries.size()) continue;
        const uint32_t rva = entries[ordinals[i]];
        // An entry inside the directory names a function of another module.
        if (rva == 0 || inDirectory(rva)) continue;
        TVvFunctionInfo f;
        const uint32_t nameRva = nameRvas[i];
        if (inDirectory(nameRva) && nameRva - dir.VirtualAddress < directory.size()) {
            const std::string_view rest =
                std::string_view(directory).substr(nameRva - dir.VirtualAddress, 256);
            f.Name = std::string(rest.substr(0, rest.find('\0')));
        } else {
            f.Name = readCString(handle + nameRva, 256);
        }
        f.Address = handle + rva;
        f.Size = rva < codeStart || rva >= codeEnd ? 1 : functionSize(rva, table, code, codeStart);
        functions.push_back(std::move(f));
    }
    std::sort(
        functions.begin(), functions.end(),
        [](const TVvFunctionInfo& a, const TVvFunctionInfo& b) { return a.Address < b.Address; });
    return true;
}

runtime::TDateTime FileDate(const std::string& fileName) {
    WIN32_FIND_DATAA found;
    const runtime::os::TFindHandle search(::FindFirstFileA(fileName.c_str(), &found));
    if (!search) return 0;
    return fileTimeToDateTime(found.ftLastWriteTime);
}

int32_t FileSize(const std::string& fileName) {
    WIN32_FIND_DATAA found;
    const runtime::os::TFindHandle search(::FindFirstFileA(fileName.c_str(), &found));
    if (!search) return 0;
    return static_cast<int32_t>(found.nFileSizeLow);
}

TVersionInfo ModuleVersionInfo(const std::string& fileName) {
    TVersionInfo info;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
    if (size == 0) return info;
    std::vector<char> data(size);
    if (!::GetFileVersionInfoA(fileName.c_str(), 0, size, data.data())) return info;
    void* value = nullptr;
    UINT length = 0;
    if (::VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length) &&
        length >= 4) {
        const auto* translation = static_cast<const WORD*>(value);
        const std::string query = "\\StringFileInfo\\" + runtime::IntToHex(translation[0], 4) +
                                  runtime::IntToHex(translation[1], 4) + "\\FileDescription";
        if (::VerQueryValueA(data.data(), query.c_str(), &value, &length) && length > 1) {
            info.Description = static_cast<const char*>(value);
        }
    }
    if (::VerQueryValueA(data.data(), "\\", &value, &length) &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        const DWORD parts[4] = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
        if (parts[0] | parts[1] | parts[2] | parts[3]) {
            info.Version = std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
                           std::to_string(parts[2]) + "." + std::to_string(parts[3]);
        }
    }
    return info;
}

HWND FindMainWindow(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found = nullptr;
    } search{processId};
    ::EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner != s.processId || !::IsWindowVisible(window)) return TRUE;
            const HWND parent = ::GetWindow(window, GW_OWNER);
            if (parent != nullptr && parent != ::GetDesktopWindow()) return TRUE;
            const LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
            if ((exStyle & WS_EX_TOOLWINDOW) != 0 && (exStyle & WS_EX_APPWINDOW) == 0) return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void TProcessWindows::Collect() {
    windows_.clear();
    ::EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == ::GetCurrentProcessId()) {
                reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows_));
}

bool TProcessWindows::IsNew(HWND window) const {
    return std::find(windows_.begin(), windows_.end(), window) == windows_.end();
}

std::string ReadRegistryString(HKEY root, std::string keyPath, const std::string& valueName) {
    if (!keyPath.empty() && keyPath[0] == '\\') keyPath.erase(0, 1);
    HKEY opened;
    if (::RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return {};
    const runtime::os::TRegistryKey key(opened);
    DWORD size = 0;
    std::string value;
    if (::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, nullptr, nullptr, &size) ==
            ERROR_SUCCESS &&
        size > 0) {
        value.resize(size);
        if (::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, nullptr,
                               reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS) {
            value.clear();
        }
        value.resize(std::min<size_t>(size, value.size()));
    }
    // Strings are stored with their terminating zero, but not always.
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return value;
}

int UtcOffsetMinutes() {
    SYSTEMTIME utc, local;
    ::GetSystemTime(&utc);
    ::GetLocalTime(&local);
    FILETIME u, l;
    if (!::SystemTimeToFileTime(&utc, &u) || !::SystemTimeToFileTime(&local, &l)) return 0;
    const auto ticks = [](const FILETIME& t) {
        return static_cast<int64_t>(static_cast<uint64_t>(t.dwHighDateTime) << 32 |
                                    t.dwLowDateTime);
    };
    // Both clocks were read a moment apart: round to whole minutes.
    const int64_t difference = ticks(l) - ticks(u);
    constexpr int64_t ticksPerMinute = 600000000;
    return static_cast<int>((difference + (difference >= 0 ? 1 : -1) * ticksPerMinute / 2) /
                            ticksPerMinute);
}

bool InsideDevelopmentEnvironment() {
    static const bool inside = [] {
        char name[MAX_PATH];
        const DWORD length = ::GetModuleFileNameA(nullptr, name, MAX_PATH);
        return runtime::UpperCase(runtime::os::ExtractFileName(std::string(name, length))) ==
               "GDB.EXE";
    }();
    return inside;
}

// ---- the list -------------------------------------------------------------------

TVvModulesList::TVvModulesList(HMODULE self) : self_(self) {}

void TVvModulesList::Delete(size_t index) {
    items_.erase(items_.begin() + static_cast<ptrdiff_t>(index));
}

TVvModuleInfo* TVvModulesList::FindModuleInfo(uintptr_t handle) {
    if (handle == 0) return nullptr;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i]->Handle != handle) continue;
        if (items_[i]->Kind != mkUnknown || refreshing_) return items_[i].get();
        // A quick record: make the full one in its place.
        Delete(i);
        break;
    }
    if (!AddModuleInfo(handle)) return nullptr;
    return items_.back().get();
}

TVvModuleInfo* TVvModulesList::FindModuleInfoByAddress(uintptr_t address) {
    return FindModuleInfo(ModuleOfAddress(address));
}

bool TVvModulesList::AddModuleInfo(uintptr_t handle) {
    const std::string fileName = ModuleFileName(handle);
    if (fileName.empty()) return false;
    auto info = std::make_unique<TVvModuleInfo>();
    info->Handle = handle;
    info->FileName = fileName;
    info->FileDate = FileDate(fileName);
    const TVersionInfo version = ModuleVersionInfo(fileName);
    info->Description = version.Description;
    info->Version = version.Version;
    info->Size = FileSize(fileName);
    const bool isSelf = handle == reinterpret_cast<uintptr_t>(self_);
    if (quick_) {
        info->Kind = mkUnknown;
    } else {
        if (!isSelf) ReadExportFunctions(handle, info->Functions);
        info->Kind = ModuleKind(handle);
    }
    info->Options =
        std::make_unique<TVvModuleOptionsEx>(fileName, true, reinterpret_cast<HMODULE>(handle));
    // What the module's data and block hold are its options as they are,
    // not changes to publish.
    info->Options->BeginUpdate();
    if (!LoadModuleDebugData(*info, quick_)) {
        info->DataVersion = LibraryDataVersion;
        info->CompileDate = 0;
        info->DebugData.reset();
    }
    if (!isSelf) {
        // A module that carries the library publishes its run-time changes.
        if (const auto block = ReadSharedBlock(reinterpret_cast<HMODULE>(handle));
            block && !block->empty() && (*block)[0] != 0) {
            runtime::TStringStream stream(block->substr(1));
            try {
                info->Options->LoadFromStream(stream, LibraryDataVersion);
            } catch (...) {
                info->Options->SetDefaults();
            }
        }
    }
    info->Options->EndUpdate();
    items_.push_back(std::move(info));
    return true;
}

void TVvModulesList::RefreshModules() {
    for (size_t i = items_.size(); i-- > 0;) {
        if (ModuleFileName(items_[i]->Handle) != items_[i]->FileName) Delete(i);
    }
    quick_ = true;
    refreshing_ = true;
    std::vector<HMODULE> modules(256);
    DWORD needed = 0;
    HANDLE process = ::GetCurrentProcess();
    if (::EnumProcessModules(process, modules.data(),
                             static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed)) {
        if (needed > modules.size() * sizeof(HMODULE)) {
            modules.resize(needed / sizeof(HMODULE));
            if (!::EnumProcessModules(process, modules.data(),
                                      static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                                      &needed)) {
                needed = 0;
            }
        }
        modules.resize(std::min<size_t>(modules.size(), needed / sizeof(HMODULE)));
        for (HMODULE m : modules) {
            const auto handle = reinterpret_cast<uintptr_t>(m);
            const bool known = std::any_of(items_.begin(), items_.end(), [&](const auto& item) {
                return item->Handle == handle;
            });
            if (!known) AddModuleInfo(handle);
        }
    }
    quick_ = false;
    refreshing_ = false;
    std::sort(items_.begin(), items_.end(),
              [](const auto& a, const auto& b) { return a->Handle < b->Handle; });
}

void TVvModulesList::DropChangedModules() {
    for (size_t i = items_.size(); i-- > 0;) {
        // The running module's record stays: its options are the ones the
        // program changes at run time.
        if (items_[i]->Handle == reinterpret_cast<uintptr_t>(self_)) continue;
        if (items_[i]->FileDate != FileDate(items_[i]->FileName)) Delete(i);
    }
}

}  // namespace crashreport
