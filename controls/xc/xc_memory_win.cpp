#include <windows.h>

#include "controls/xc/xc_memory.h"
#include "runtime/exceptions.h"

namespace xc {

void* GlobalAllocZeroed(int64_t size) {
    if (size <= 0) return nullptr;
    void* block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
    if (block == nullptr) throw runtime::EOutOfMemory("Out of memory");
    return block;
}

void GlobalFreeAndNil(void*& block) {
    if (block != nullptr) GlobalFree(block);
    block = nullptr;
}

void NotImplementedAbort() {
    MessageBoxW(nullptr, L"Function not yet implemented", L"Information",
                MB_OK | MB_ICONINFORMATION);
    throw runtime::EAbort(SNotImplemented);
}

}  // namespace xc
