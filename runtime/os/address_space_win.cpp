#include <windows.h>

#include "runtime/os/address_space.h"

namespace runtime::os {

namespace {

size_t RoundToPages(size_t size) {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    return (size + page - 1) / page * page;
}

}  // namespace

TAddressSpace::TAddressSpace(size_t size) {
    size = RoundToPages(size);
    if (size == 0) return;
    void* block = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
    if (!block) return;
    data_ = static_cast<char*>(block);
    reserved_ = size;
}

TAddressSpace::~TAddressSpace() {
    if (data_) ::VirtualFree(data_, 0, MEM_RELEASE);
}

bool TAddressSpace::Commit(size_t size) {
    if (size <= committed_) return true;
    if (size > reserved_) return false;
    size = RoundToPages(size);
    if (!::VirtualAlloc(data_ + committed_, size - committed_, MEM_COMMIT, PAGE_READWRITE))
        return false;
    committed_ = size;
    return true;
}

}  // namespace runtime::os
