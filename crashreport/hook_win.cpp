#include "crashreport/hook_win.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>

#include "crashreport/memory_win.h"
#include "crashreport/modules_win.h"

namespace crashreport {

namespace {

// ---- code hooks ---------------------------------------------------------------
//
// One executable block per hook, within reach of a 32-bit jump from the
// target where possible:
//   0   target address          8   hook address
//   16  the target's first 16 bytes as they were
//   32  the same 16 bytes with the jump written over their start
//   48  relay: jmp [rip+0] and the hook address (the near jump lands here)
//   64  the stub's function-table entry, 80 its unwind information
//   96  the stub
// The stub has unwind information, so an exception that leaves the target
// unwinds through it to the caller.

constexpr size_t blockSize = 4096;
constexpr size_t offTarget = 0, offHook = 8, offSaved = 16, offPatched = 32, offRelay = 48;
constexpr size_t offFunction = 64, offUnwind = 80, offStub = 96;
constexpr size_t patchedBytes = 16;
// The stub's frame: home space and 16 stack arguments copied for the call,
// plus 8 bytes so the call stays 16-byte aligned.
constexpr uint32_t stubFrame = 0xA8;
constexpr uint8_t copiedSlots = 20;

struct CodeHook {
    uint8_t* block = nullptr;
    uintptr_t target = 0;
    DWORD oldProtect = 0;
};

std::mutex hooksLock;
std::vector<std::unique_ptr<CodeHook>>& codeHooks() {
    static auto* hooks = new std::vector<std::unique_ptr<CodeHook>>;
    return *hooks;
}

void put32(uint8_t* at, uint32_t v) {
    std::memcpy(at, &v, 4);
}

// A 32-bit displacement from `from` to `to`, when it fits.
bool displacement(uintptr_t from, uintptr_t to, int32_t& result) {
    const auto d = static_cast<int64_t>(to) - static_cast<int64_t>(from);
    if (d < INT32_MIN || d > INT32_MAX) return false;
    result = static_cast<int32_t>(d);
    return true;
}

// Reserves an executable block within 2 GB of `around` when one is free there,
// else anywhere.
uint8_t* allocateNear(uintptr_t around) {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    const uintptr_t granularity = info.dwAllocationGranularity;
    const uintptr_t start = around & ~(granularity - 1);
    constexpr uintptr_t reach = 0x70000000;
    for (uintptr_t step = granularity; step < reach; step += granularity) {
        for (const uintptr_t candidate : {start - step, start + step}) {
            if (candidate < 0x10000) continue;
            MEMORY_BASIC_INFORMATION m;
            if (::VirtualQuery(reinterpret_cast<void*>(candidate), &m, sizeof m) != sizeof m ||
                m.State != MEM_FREE) {
                continue;
            }
            if (void* block = ::VirtualAlloc(reinterpret_cast<void*>(candidate), blockSize,
                                             MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE)) {
                return static_cast<uint8_t*>(block);
            }
        }
    }
    return static_cast<uint8_t*>(
        ::VirtualAlloc(nullptr, blockSize, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
}

// The stub: copy the caller's home space and stack arguments into a new
// frame, write the saved bytes back, call the target, write the jump again,
// return. Uses only rax, r10 and r11 besides the frame.
size_t writeStub(uint8_t* block) {
    uint8_t* const code = block + offStub;
    size_t n = 0;
    const auto emit = [&](std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) code[n++] = b;
    };
    // rip-relative load of one of the block's fields into a register.
    const auto load = [&](std::initializer_list<uint8_t> opcode, size_t field) {
        emit(opcode);
        const auto end = reinterpret_cast<uintptr_t>(code + n + 4);
        put32(code + n, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block + field) - end));
        n += 4;
    };
    emit({0x48, 0x81, 0xEC});  // sub rsp, stubFrame
    put32(code + n, stubFrame);
    n += 4;
    const size_t prolog = n;
    emit({0x4C, 0x8D, 0x94, 0x24});  // lea r10, [rsp + stubFrame + 8]
    put32(code + n, stubFrame + 8);
    n += 4;
    emit({0x45, 0x31, 0xDB});  // xor r11d, r11d
    const size_t loop = n;
    emit({0x4B, 0x8B, 0x04, 0xDA});                      // mov rax, [r10 + r11*8]
    emit({0x4A, 0x89, 0x04, 0xDC});                      // mov [rsp + r11*8], rax
    emit({0x49, 0xFF, 0xC3});                            // inc r11
    emit({0x49, 0x83, 0xFB, copiedSlots});               // cmp r11, copiedSlots
    emit({0x72, static_cast<uint8_t>(loop - (n + 2))});  // jb loop
    load({0x4C, 0x8B, 0x15}, offTarget);                 // mov r10, [target]
    load({0x48, 0x8B, 0x05}, offSaved);                  // mov rax, [saved]
    emit({0x49, 0x89, 0x02});                            // mov [r10], rax
    load({0x48, 0x8B, 0x05}, offSaved + 8);              // mov rax, [saved + 8]
    emit({0x49, 0x89, 0x42, 0x08});                      // mov [r10 + 8], rax
    emit({0x41, 0xFF, 0xD2});                            // call r10
    load({0x4C, 0x8B, 0x15}, offTarget);                 // mov r10, [target]
    load({0x4C, 0x8B, 0x1D}, offPatched);                // mov r11, [patched]
    emit({0x4D, 0x89, 0x1A});                            // mov [r10], r11
    load({0x4C, 0x8B, 0x1D}, offPatched + 8);            // mov r11, [patched + 8]
    emit({0x4D, 0x89, 0x5A, 0x08});                      // mov [r10 + 8], r11
    emit({0x48, 0x81, 0xC4});                            // add rsp, stubFrame
    put32(code + n, stubFrame);
    n += 4;
    emit({0xC3});  // ret

    // Unwind information: version 1, the prolog's one allocation.
    uint8_t* unwind = block + offUnwind;
    const uint8_t info[] = {0x01,
                            static_cast<uint8_t>(prolog),
                            2,
                            0,
                            static_cast<uint8_t>(prolog),
                            0x01,  // UWOP_ALLOC_LARGE
                            static_cast<uint8_t>(stubFrame / 8),
                            0};
    std::memcpy(unwind, info, sizeof info);
    auto* function = reinterpret_cast<RUNTIME_FUNCTION*>(block + offFunction);
    function->BeginAddress = offStub;
    function->EndAddress = static_cast<DWORD>(offStub + n);
    function->UnwindData = offUnwind;
    return n;
}

CodeHook* findHook(uintptr_t stub) {
    for (auto& hook : codeHooks()) {
        if (reinterpret_cast<uintptr_t>(hook->block + offStub) == stub) return hook.get();
    }
    return nullptr;
}

void removeHook(CodeHook& hook) {
    std::memcpy(reinterpret_cast<void*>(hook.target), hook.block + offSaved, patchedBytes);
    ::FlushInstructionCache(::GetCurrentProcess(), reinterpret_cast<void*>(hook.target),
                            patchedBytes);
    // Another hook may need the same page writable.
    const auto page = [](uintptr_t a) { return a & ~uintptr_t{0xFFF}; };
    const bool shared = std::any_of(codeHooks().begin(), codeHooks().end(), [&](const auto& h) {
        return h.get() != &hook &&
               (page(h->target) == page(hook.target) ||
                page(h->target + patchedBytes - 1) == page(hook.target + patchedBytes - 1));
    });
    DWORD ignored;
    if (!shared) {
        ::VirtualProtect(reinterpret_cast<void*>(hook.target), patchedBytes, hook.oldProtect,
                         &ignored);
    }
    ::RtlDeleteFunctionTable(reinterpret_cast<RUNTIME_FUNCTION*>(hook.block + offFunction));
    ::VirtualFree(hook.block, 0, MEM_RELEASE);
}

// ---- import hooks ---------------------------------------------------------------

struct ImportHook {
    uintptr_t module;
    uintptr_t real;
    uintptr_t hook;
};

std::vector<ImportHook>& importHooks() {
    static auto* hooks = new std::vector<ImportHook>;
    return *hooks;
}

// Points every slot of the module's code that holds `from` and is reached
// by "jmp [rip+d]" or "call [rip+d]" at `to`; the number of slots changed.
int redirectSlots(uintptr_t module, uintptr_t from, uintptr_t to) {
    uint16_t mz = 0;
    int32_t peOffset = 0;
    if (!SafeReadValue(module, mz) || mz != IMAGE_DOS_SIGNATURE ||
        !SafeReadValue(module + 60, peOffset)) {
        return 0;
    }
    IMAGE_NT_HEADERS64 nt;
    if (!SafeReadValue(module + static_cast<uint32_t>(peOffset), nt) ||
        nt.Signature != IMAGE_NT_SIGNATURE) {
        return 0;
    }
    const uintptr_t codeStart = module + nt.OptionalHeader.BaseOfCode;
    std::vector<uint8_t> code(nt.OptionalHeader.SizeOfCode);
    if (code.size() < 6 || !SafeRead(codeStart, code.data(), code.size())) return 0;
    int changed = 0;
    for (size_t i = 0; i + 6 <= code.size(); ++i) {
        if (code[i] != 0xFF || (code[i + 1] != 0x25 && code[i + 1] != 0x15)) continue;
        int32_t d;
        std::memcpy(&d, &code[i + 2], 4);
        const uintptr_t slot = codeStart + i + 6 + d;
        uintptr_t value;
        if (!SafeReadValue(slot, value) || value != from) continue;
        DWORD old;
        if (!::VirtualProtect(reinterpret_cast<void*>(slot), 8, PAGE_READWRITE, &old)) continue;
        std::memcpy(reinterpret_cast<void*>(slot), &to, 8);
        ::VirtualProtect(reinterpret_cast<void*>(slot), 8, old, &old);
        ++changed;
    }
    return changed;
}

// ---- virtual slots --------------------------------------------------------------

struct VirtualHook {
    void** vtable;
    int slot;
    uintptr_t previous;
};

std::mutex virtualLock;
std::vector<VirtualHook>& virtualHooks() {
    static auto* hooks = new std::vector<VirtualHook>;
    return *hooks;
}

bool writeSlot(void** vtable, int slot, uintptr_t value) {
    void** address = vtable + slot;
    DWORD old;
    if (!::VirtualProtect(address, sizeof(void*), PAGE_READWRITE, &old)) return false;
    *address = reinterpret_cast<void*>(value);
    ::VirtualProtect(address, sizeof(void*), old, &old);
    ::FlushInstructionCache(::GetCurrentProcess(), address, sizeof(void*));
    return true;
}

}  // namespace

uintptr_t ResolveThunk(uintptr_t address) {
    uint8_t code[6];
    if (!SafeRead(address, code, sizeof code) || code[0] != 0xFF || code[1] != 0x25) return address;
    int32_t d;
    std::memcpy(&d, code + 2, 4);
    uintptr_t target;
    if (!SafeReadValue(address + 6 + d, target)) return address;
    return target;
}

uintptr_t HookCode(uintptr_t target, uintptr_t hook, const std::string& name) {
    target = ResolveThunk(target);
    hook = ResolveThunk(hook);
    if (target == 0) throw EProcNull("Cannot hook a null procedure (\"" + name + "\").");
    const std::string cannot = "Cannot hook the procedure \"" + name + "\".";
    std::lock_guard lock(hooksLock);
    auto record = std::make_unique<CodeHook>();
    record->target = target;
    record->block = allocateNear(target);
    if (record->block == nullptr || !SafeRead(target, record->block + offSaved, patchedBytes)) {
        if (record->block) ::VirtualFree(record->block, 0, MEM_RELEASE);
        throw EHookingError(cannot);
    }
    uint8_t* block = record->block;
    std::memcpy(block + offTarget, &target, 8);
    std::memcpy(block + offHook, &hook, 8);
    // Relay: jmp [rip+0] followed by the hook's address.
    const uint8_t relay[] = {0xFF, 0x25, 0, 0, 0, 0};
    std::memcpy(block + offRelay, relay, sizeof relay);
    std::memcpy(block + offRelay + sizeof relay, &hook, 8);
    std::memcpy(block + offPatched, block + offSaved, patchedBytes);
    int32_t jump;
    if (displacement(target + 5, reinterpret_cast<uintptr_t>(block + offRelay), jump)) {
        block[offPatched] = 0xE9;
        put32(block + offPatched + 1, static_cast<uint32_t>(jump));
    } else {
        std::memcpy(block + offPatched, relay, sizeof relay);
        std::memcpy(block + offPatched + sizeof relay, &hook, 8);
    }
    writeStub(block);
    // The stub rewrites the target on every call, so it stays writable.
    if (!::RtlAddFunctionTable(reinterpret_cast<RUNTIME_FUNCTION*>(block + offFunction), 1,
                               reinterpret_cast<DWORD64>(block)) ||
        !::VirtualProtect(reinterpret_cast<void*>(target), patchedBytes, PAGE_EXECUTE_READWRITE,
                          &record->oldProtect)) {
        ::VirtualFree(block, 0, MEM_RELEASE);
        throw EHookingError(cannot);
    }
    std::memcpy(reinterpret_cast<void*>(target), block + offPatched, patchedBytes);
    ::FlushInstructionCache(::GetCurrentProcess(), reinterpret_cast<void*>(target), patchedBytes);
    const auto stub = reinterpret_cast<uintptr_t>(block + offStub);
    codeHooks().push_back(std::move(record));
    return stub;
}

void UnhookCode(uintptr_t stub) {
    std::lock_guard lock(hooksLock);
    auto& hooks = codeHooks();
    for (size_t i = 0; i < hooks.size(); ++i) {
        if (reinterpret_cast<uintptr_t>(hooks[i]->block + offStub) != stub) continue;
        removeHook(*hooks[i]);
        hooks.erase(hooks.begin() + static_cast<ptrdiff_t>(i));
        return;
    }
}

void RearmCodeHook(uintptr_t stub) {
    std::lock_guard lock(hooksLock);
    if (CodeHook* hook = findHook(stub)) {
        std::memcpy(reinterpret_cast<void*>(hook->target), hook->block + offPatched, patchedBytes);
        ::FlushInstructionCache(::GetCurrentProcess(), reinterpret_cast<void*>(hook->target),
                                patchedBytes);
    }
}

bool HookImport(const std::vector<uintptr_t>& modules, const std::string& importedModule,
                bool tolerant, uintptr_t& realAddress, uintptr_t hook,
                const std::string& functionName) {
    HMODULE imported = ::GetModuleHandleA(importedModule.c_str());
    realAddress =
        imported == nullptr
            ? 0
            : reinterpret_cast<uintptr_t>(::GetProcAddress(imported, functionName.c_str()));
    const std::string fullName = importedModule + "." + functionName;
    bool any = false;
    std::lock_guard lock(hooksLock);
    for (uintptr_t module : modules) {
        if (module == 0) continue;
        if (realAddress == 0)
            throw EProcNull("Cannot hook a null procedure (\"" + fullName + "\").");
        if (redirectSlots(module, realAddress, hook) > 0) {
            importHooks().push_back({module, realAddress, hook});
            any = true;
        } else if (!tolerant) {
            throw EHookingError("Cannot hook the procedure \"" + fullName + "\".");
        }
    }
    return any;
}

uintptr_t HookVirtualMethod(void** vtable, int slot, uintptr_t newCode) {
    std::lock_guard lock(virtualLock);
    const auto current = reinterpret_cast<uintptr_t>(vtable[slot]);
    auto& hooks = virtualHooks();
    if (current == newCode) {
        for (const VirtualHook& h : hooks) {
            if (h.vtable == vtable && h.slot == slot) return h.previous;
        }
        return current;
    }
    if (ModuleOfAddress(reinterpret_cast<uintptr_t>(vtable + slot)) == 0) return current;
    if (writeSlot(vtable, slot, newCode)) hooks.push_back({vtable, slot, current});
    return current;
}

bool UnhookVirtualMethod(void** vtable, int slot) {
    std::lock_guard lock(virtualLock);
    auto& hooks = virtualHooks();
    for (size_t i = 0; i < hooks.size(); ++i) {
        if (hooks[i].vtable != vtable || hooks[i].slot != slot) continue;
        writeSlot(vtable, slot, hooks[i].previous);
        hooks.erase(hooks.begin() + static_cast<ptrdiff_t>(i));
        return true;
    }
    return false;
}

void UnhookAll() {
    {
        std::lock_guard lock(hooksLock);
        auto& hooks = codeHooks();
        while (!hooks.empty()) {
            removeHook(*hooks.back());
            hooks.pop_back();
        }
        for (const ImportHook& h : importHooks()) redirectSlots(h.module, h.hook, h.real);
        importHooks().clear();
    }
    std::lock_guard lock(virtualLock);
    auto& hooks = virtualHooks();
    while (!hooks.empty()) {
        writeSlot(hooks.back().vtable, hooks.back().slot, hooks.back().previous);
        hooks.pop_back();
    }
}

}  // namespace crashreport
