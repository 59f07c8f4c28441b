#include "controls/xc/xc_memory.h"

#include <cstring>

namespace xc {

bool SameMemory(const void* p, const void* q, size_t length) {
    return length == 0 || std::memcmp(p, q, length) == 0;
}

void CopyMemoryBlock(void* dest, const void* source, size_t n) {
    if (n > 0) std::memmove(dest, source, n);
}

}  // namespace xc
