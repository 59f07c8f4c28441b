#include "crashreport/libdata_win.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>

#include "crashreport/debugformat.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/streams.h"

namespace crashreport {

namespace {

std::mutex passwordLock;
TPasswordRequest& passwordRequest() {
    static TPasswordRequest request;
    return request;
}

// The module's library data: its "VVDATA" resource, else the block
// appended to its file.
std::optional<std::string> libraryDataOf(HMODULE module, const std::string& fileName) {
    if (HRSRC resource = ::FindResourceA(module, "VVDATA", MAKEINTRESOURCEA(10))) {
        HGLOBAL loaded = ::LoadResource(module, resource);
        const DWORD size = ::SizeofResource(module, resource);
        const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
        if (bytes != nullptr && size >= 4) {
            std::string data(static_cast<const char*>(bytes), size);
            uint32_t magic;
            std::memcpy(&magic, data.data(), 4);
            if (magic == LibraryDataMagic) return data;
        }
    }
    const runtime::os::TFileHandle file(::CreateFileA(
        fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::optional<std::string> data;
    const auto readAt = [&](int64_t offset, std::string& into) {
        LARGE_INTEGER at;
        at.QuadPart = offset;
        DWORD read = 0;
        return ::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) &&
               ::ReadFile(file.Get(), into.data(), static_cast<DWORD>(into.size()), &read,
                          nullptr) &&
               read == into.size();
    };
    LARGE_INTEGER size;
    std::string trailer(8, '\0');
    if (::GetFileSizeEx(file.Get(), &size) && size.QuadPart >= 8 &&
        readAt(size.QuadPart - 8, trailer)) {
        uint32_t blockSize, magic;
        std::memcpy(&blockSize, trailer.data(), 4);
        std::memcpy(&magic, trailer.data() + 4, 4);
        if (magic == LibraryDataMagic && blockSize <= size.QuadPart - 8) {
            std::string block(blockSize, '\0');
            if (readAt(size.QuadPart - 8 - blockSize, block)) data = std::move(block);
        }
    }
    return data;
}

TPasswordRequest currentRequest() {
    std::lock_guard lock(passwordLock);
    return passwordRequest();
}

// The password of a module's protected data: its own answer, then the
// reporter's event. The running module's own answer is that event.
std::string passwordOf(const TVvModuleInfo& info) {
    std::string password;
    using Export = void(char* destination, int maxLength);
    const auto module = reinterpret_cast<HMODULE>(info.Handle);
    if (auto* ask = module == RunningModule()
                        ? nullptr
                        : reinterpret_cast<Export*>(reinterpret_cast<void*>(
                              ::GetProcAddress(module, "VuvuvuVoz_PasswordRequestEvent")))) {
        char buffer[256] = {};
        ask(buffer, 255);
        password.assign(buffer + 1, static_cast<uint8_t>(buffer[0]));
    }
    if (const TPasswordRequest request = currentRequest()) request(info, password);
    return password;
}

// Data older than version 500: the options stream, then uint32 N and N bytes
// of debug information; `data` is what follows the version and the date.
bool loadOldData(TVvModuleInfo& info, uint16_t version, std::string_view data, bool namesOnly) {
    TMemoryByteSource source(data);
    TVvOptionsValues values = info.Options->Values();
    LoadOptions(source, version, values);
    runtime::TStringStream options(std::string(data.substr(0, source.Position())));
    info.Options->LoadFromStream(options, version);
    if (namesOnly) return true;
    uint32_t length = 0;
    source.Read(&length, 4);
    if (length > data.size() - source.Position()) return false;
    info.DebugData = std::make_unique<TDebugInformation>(
        std::string(data.substr(source.Position(), length)), version, std::nullopt);
    return true;
}

}  // namespace

void SetPasswordRequest(TPasswordRequest request) {
    std::lock_guard lock(passwordLock);
    passwordRequest() = std::move(request);
}

// The running module's answer, asked for by name: the text given (a
// length byte, then the characters) is the password so far, the request
// event may change it, and the result is cut to maxLength (at most 255).
extern "C" __declspec(dllexport) void VuvuvuVoz_PasswordRequestEvent(char* destination,
                                                                     int maxLength) {
    if (destination == nullptr || maxLength < 0) return;
    TVvModuleInfo info;
    info.Handle = reinterpret_cast<uintptr_t>(RunningModule());
    info.FileName = ModuleFileName(info.Handle);
    std::string password(destination + 1, static_cast<uint8_t>(destination[0]));
    try {
        if (const TPasswordRequest request = currentRequest()) request(info, password);
    } catch (...) {
        // A failing event leaves the password as it came.
    }
    const size_t length = std::min<size_t>(password.size(), std::min(maxLength, 255));
    destination[0] = static_cast<char>(length);
    std::memcpy(destination + 1, password.data(), length);
}

bool LoadModuleDebugData(TVvModuleInfo& info, bool namesOnly) {
    const std::optional<std::string> data =
        libraryDataOf(reinterpret_cast<HMODULE>(info.Handle), info.FileName);
    if (!data || data->size() < 6) return false;
    try {
        uint32_t magic;
        std::memcpy(&magic, data->data(), 4);
        if (magic != LibraryDataMagic) {
            // The older appended block: version, date, options, debug data.
            if (data->size() < 10) return false;
            uint16_t version;
            std::memcpy(&version, data->data(), 2);
            std::memcpy(&info.CompileDate, data->data() + 2, 8);
            info.DataVersion = version;
            return loadOldData(info, version, std::string_view(*data).substr(10), namesOnly);
        }
        const uint16_t version = *LibraryDataVersionOf(*data);
        if (version < 500) {
            if (data->size() < 14) return false;
            std::memcpy(&info.CompileDate, data->data() + 6, 8);
            info.DataVersion = version;
            const std::string_view rest = std::string_view(*data).substr(14);
            if (version < 450) return loadOldData(info, version, rest, namesOnly);
            return loadOldData(info, version, Decompress(rest, size_t{512} << 20), namesOnly);
        }
        const std::string password = namesOnly ? std::string() : passwordOf(info);
        const TCipherKey key = CipherKeyOf(password);
        const TLibraryDataParts parts = ParseLibraryData(*data, key, !namesOnly);
        info.DataVersion = parts.Version;
        info.CompileDate = parts.CompileDate;
        runtime::TStringStream options(parts.Options);
        info.Options->LoadFromStream(options, parts.Version);
        if (namesOnly) return true;
        info.Password = password;
        info.NamesReadable = parts.NamesReadable;
        info.DebugData = std::make_unique<TDebugInformation>(
            parts.DebugInformation, parts.Version,
            parts.NamesReadable ? std::optional<TCipherKey>(key) : std::nullopt);
        return true;
    } catch (...) {
        // Damaged data: the module is used as one without library data.
        info.Options->SetDefaults();
        info.DebugData.reset();
        return false;
    }
}

uintptr_t FindDebugSymbol(uint8_t id) {
    HMODULE program = ::GetModuleHandleW(nullptr);
    char name[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(program, name, MAX_PATH);
    const std::optional<std::string> data = libraryDataOf(program, std::string(name, length));
    if (!data) return 0;
    try {
        for (const TDebugSymbol& s : ParseLibraryData(*data, CipherKeyOf(""), false).Symbols) {
            if (s.Id == id) return reinterpret_cast<uintptr_t>(program) + CodeBaseOffset + s.Offset;
        }
    } catch (...) {
    }
    return 0;
}

}  // namespace crashreport
