#include "controls/toolbar/allocation_cap_test_support.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> gCap{SIZE_MAX};

void* Allocate(size_t bytes) {
    if (bytes > gCap.load(std::memory_order_relaxed)) throw std::bad_alloc();
    if (void* block = std::malloc(bytes == 0 ? 1 : bytes)) return block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t bytes) {
    return Allocate(bytes);
}
void* operator new[](size_t bytes) {
    return Allocate(bytes);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
    std::free(block);
}

namespace codecs::testing {

TAllocationCap::TAllocationCap(size_t bytes) : previous_(gCap.exchange(bytes)) {}

TAllocationCap::~TAllocationCap() {
    gCap.store(previous_);
}

}  // namespace codecs::testing
