#include "crashreport/options_ex_win.h"

#include <cstring>
#include <mutex>

#include "runtime/streams.h"
#include "runtime/strings.h"

namespace crashreport {

namespace {

std::mutex watchSwitchLock;
std::function<void(bool)>& watchSwitch() {
    static std::function<void(bool)> value;
    return value;
}

// Maps a block and calls use(view, size) with the mapping's first bytes.
template <class Use>
bool withMappedView(HANDLE mapping, DWORD access, size_t size, Use use) {
    const runtime::os::TMappedView view(::MapViewOfFile(mapping, access, 0, 0, size));
    if (!view) return false;
    use(static_cast<uint8_t*>(view.Get()));
    return true;
}

}  // namespace

std::string SharedBlockName(HMODULE module) {
    return runtime::IntToHex(::GetCurrentProcessId(), 8) +
           runtime::IntToHex(static_cast<int64_t>(reinterpret_cast<uintptr_t>(module)), 16) +
           "MODULE";
}

runtime::os::TMappingHandle CreateSharedBlock(HMODULE module, const std::string& data) {
    const uint32_t total = static_cast<uint32_t>(data.size() + 4);
    runtime::os::TMappingHandle mapping(::CreateFileMappingA(
        INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, total, SharedBlockName(module).c_str()));
    if (!mapping) return mapping;
    // A reader may hold an earlier block open at this moment, so the name
    // still stands for it: it is written in place when the data fits, else
    // emptied (nothing published) rather than left stale.
    const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    const bool written =
        withMappedView(mapping.Get(), FILE_MAP_WRITE, existed ? 0 : total, [&](uint8_t* view) {
            MEMORY_BASIC_INFORMATION m;
            const size_t room = !existed                                         ? total
                                : ::VirtualQuery(view, &m, sizeof m) == sizeof m ? m.RegionSize
                                                                                 : 0;
            if (total <= room) {
                std::memcpy(view, &total, 4);
                std::memcpy(view + 4, data.data(), data.size());
            } else if (room > 4) {
                const uint32_t empty = 5;
                std::memcpy(view, &empty, 4);
                view[4] = 0;
            }
        });
    if (!written) mapping.Reset();
    return mapping;
}

std::optional<std::string> ReadSharedBlock(HMODULE module) {
    const runtime::os::TMappingHandle mapping(
        ::OpenFileMappingA(FILE_MAP_READ, FALSE, SharedBlockName(module).c_str()));
    if (!mapping) return std::nullopt;
    uint32_t total = 0;
    std::optional<std::string> data;
    withMappedView(mapping.Get(), FILE_MAP_READ, 4,
                   [&](uint8_t* view) { std::memcpy(&total, view, 4); });
    if (total >= 4) {
        withMappedView(mapping.Get(), FILE_MAP_READ, total, [&](uint8_t* view) {
            data = std::string(reinterpret_cast<const char*>(view) + 4, total - 4);
        });
    }
    return data;
}

TVvModuleOptionsEx::TVvModuleOptionsEx(std::string moduleName, bool saveSharedData, HMODULE module)
    : TVvModuleOptions(std::move(moduleName), saveSharedData), module_(module) {}

HMODULE RunningModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&RunningModule)), &module);
    return module;
}

void TVvModuleOptionsEx::Publish() {
    // Other modules' options are read from their blocks, never written.
    if (module_ == nullptr || module_ != RunningModule()) return;
    runtime::TMemoryStream stream;
    const uint8_t published = 1;
    stream.WriteBuffer(&published, 1);
    SaveToStream(stream);
    // The block held goes first: with no reader holding it, the name goes
    // with it and the new block is made whole rather than written in place.
    block_.Reset();
    block_ = CreateSharedBlock(
        module_, std::string(static_cast<const char*>(stream.Memory()), stream.Size()));
}

void TVvModuleOptionsEx::ResetSharedBlock() {
    if (module_ == nullptr || module_ != RunningModule()) return;
    block_.Reset();
    block_ = CreateSharedBlock(module_, std::string(1, '\0'));
}

void TVvModuleOptionsEx::SwitchWatch(bool wasOn) {
    if (module_ == nullptr || module_ != RunningModule()) return;
    const bool on = Active() != 0 && FreezeCheckActive() != 0;
    if (on == wasOn) return;
    std::function<void(bool)> change;
    {
        std::lock_guard lock(watchSwitchLock);
        change = watchSwitch();
    }
    if (change) change(on);
}

void TVvModuleOptionsEx::SetActive(uint8_t value) {
    const bool wasOn = Active() != 0 && FreezeCheckActive() != 0;
    TVvModuleOptions::SetActive(value);
    SwitchWatch(wasOn);
}

void TVvModuleOptionsEx::SetFreezeCheckActive(uint8_t value) {
    const bool wasOn = Active() != 0 && FreezeCheckActive() != 0;
    TVvModuleOptions::SetFreezeCheckActive(value);
    SwitchWatch(wasOn);
}

void TVvModuleOptionsEx::SetFreezeWatchSwitch(std::function<void(bool run)> change) {
    std::lock_guard lock(watchSwitchLock);
    watchSwitch() = std::move(change);
}

}  // namespace crashreport
