#include <cstdlib>

#include "controls/xc/xc_memory.h"
#include "runtime/exceptions.h"

namespace xc {

void* GlobalAllocZeroed(int64_t size) {
    if (size <= 0) return nullptr;
    void* block = std::calloc(1, static_cast<size_t>(size));
    if (block == nullptr) throw runtime::EOutOfMemory("Out of memory");
    return block;
}

void GlobalFreeAndNil(void*& block) {
    std::free(block);
    block = nullptr;
}

void NotImplementedAbort() {
    throw runtime::EAbort(SNotImplemented);
}

}  // namespace xc
