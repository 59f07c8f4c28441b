#include <sys/mman.h>
#include <unistd.h>

#include "runtime/os/address_space.h"

namespace runtime::os {

namespace {

size_t RoundToPages(size_t size) {
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return (size + page - 1) / page * page;
}

}  // namespace

TAddressSpace::TAddressSpace(size_t size) {
    size = RoundToPages(size);
    if (size == 0) return;
    // Inaccessible and not counted against the system's commit limit until
    // committed.
    void* block =
        ::mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED) return;
    data_ = static_cast<char*>(block);
    reserved_ = size;
}

TAddressSpace::~TAddressSpace() {
    if (data_) ::munmap(data_, reserved_);
}

bool TAddressSpace::Commit(size_t size) {
    if (size <= committed_) return true;
    if (size > reserved_) return false;
    size = RoundToPages(size);
    if (::mprotect(data_ + committed_, size - committed_, PROT_READ | PROT_WRITE) != 0)
        return false;
    committed_ = size;
    return true;
}

}  // namespace runtime::os
