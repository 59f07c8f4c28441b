#include "crashreport/memory_win.h"

#include <windows.h>

namespace crashreport {

namespace {

bool readableProtection(DWORD protect) {
    switch (protect) {
        case PAGE_READONLY:
        case PAGE_READWRITE:
        case PAGE_WRITECOPY:
        case PAGE_EXECUTE:
        case PAGE_EXECUTE_READ:
        case PAGE_EXECUTE_READWRITE:
        case PAGE_EXECUTE_WRITECOPY:
            return true;
        default:
            return false;
    }
}

}  // namespace

size_t ReadableCount(uintptr_t address, size_t length) {
    size_t count = 0;
    uintptr_t at = address;
    while (count < length) {
        MEMORY_BASIC_INFORMATION info;
        if (::VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) != sizeof info ||
            info.State != MEM_COMMIT || !readableProtection(info.Protect)) {
            break;
        }
        const uintptr_t end = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
        count += end - at;
        at = end;
    }
    return count < length ? count : length;
}

bool IsReadable(uintptr_t address, size_t length) {
    return ReadableCount(address, length) >= length;
}

bool SafeRead(uintptr_t address, void* buffer, size_t count) {
    if (count == 0) return true;
    // The system copies, so memory that goes away meanwhile makes the read
    // fail instead of faulting; the query first keeps guard pages (and, under
    // Wine, inaccessible pages it would still copy) out.
    if (!IsReadable(address, count)) return false;
    SIZE_T read = 0;
    return ::ReadProcessMemory(::GetCurrentProcess(), reinterpret_cast<const void*>(address),
                               buffer, count, &read) &&
           read == count;
}

int64_t THModuleStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || !SafeRead(buffer, count)) return 0;
    return count;
}

int64_t THModuleStream::Write(const void*, int64_t) {
    return 0;
}

int64_t THModuleStream::Seek(int64_t offset, uint16_t origin) {
    int64_t base = 0;
    if (origin == runtime::soFromCurrent) base = position_;
    if (origin == runtime::soFromEnd) base = Size();
    if (base + offset < 0) return -1;
    position_ = base + offset;
    return position_;
}

bool THModuleStream::SafeRead(void* buffer, int64_t count) {
    if (count < 0 ||
        !crashreport::SafeRead(base_ + position_, buffer, static_cast<size_t>(count))) {
        return false;
    }
    position_ += count;
    return true;
}

}  // namespace crashreport
