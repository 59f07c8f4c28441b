// Memory accounts of Variant values: what the strings and arrays allocated
// while an account is current take, until they are freed.
#include <new>

#include "runtime/exceptions.h"
#include "runtime/variant.h"
#include "runtime/variant_internal.h"

namespace runtime {

namespace {

thread_local VariantMemoryAccount* tCurrentAccount = nullptr;

}  // namespace

VariantMemoryAccount* VariantMemoryAccount::Create(size_t limit) {
    return new VariantMemoryAccount(limit);
}

void VariantMemoryAccount::AddRef() noexcept {
    refs_.fetch_add(1, std::memory_order_relaxed);
}

void VariantMemoryAccount::Release() noexcept {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

VariantMemoryAccount* VariantMemoryAccount::Current() noexcept {
    return tCurrentAccount;
}

VariantMemoryAccount::Scope::Scope(VariantMemoryAccount* account) noexcept
    : previous_(tCurrentAccount) {
    tCurrentAccount = account;
}

VariantMemoryAccount::Scope::~Scope() {
    tCurrentAccount = previous_;
}

VariantMemoryCharge::VariantMemoryCharge(size_t size) {
    VariantMemoryAccount* current = tCurrentAccount;
    if (current == nullptr) return;
    const size_t limit = current->limit_.load(std::memory_order_relaxed);
    const size_t before = current->used_.fetch_add(size, std::memory_order_relaxed);
    if (size > limit || before > limit - size) {
        current->used_.fetch_sub(size, std::memory_order_relaxed);
        throw EOutOfMemory("Out of memory");
    }
    current->total_.fetch_add(size, std::memory_order_relaxed);
    current->AddRef();
    account = current;
    bytes = size;
}

void VariantMemoryCharge::Recharge(VariantHeap& heap, size_t size) {
    VariantMemoryAccount* owner = heap.account;
    if (owner == nullptr || size == heap.charged) return;
    if (size < heap.charged) {
        owner->used_.fetch_sub(heap.charged - size, std::memory_order_relaxed);
    } else {
        const size_t more = size - heap.charged;
        const size_t limit = owner->limit_.load(std::memory_order_relaxed);
        const size_t before = owner->used_.fetch_add(more, std::memory_order_relaxed);
        if (more > limit || before > limit - more) {
            owner->used_.fetch_sub(more, std::memory_order_relaxed);
            throw EOutOfMemory("Out of memory");
        }
        owner->total_.fetch_add(more, std::memory_order_relaxed);
    }
    heap.charged = size;
}

void VariantMemoryCharge::Refund(VariantMemoryAccount* owner, size_t size) noexcept {
    owner->used_.fetch_sub(size, std::memory_order_relaxed);
    owner->Release();
}

}  // namespace runtime
