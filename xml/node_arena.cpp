#include "xml/node_arena.h"

#include <new>

#include "xml/node_classes.h"

namespace xml {

namespace {

constexpr size_t kLargestChunkBytes = 256 * 1024;
// Where the blocks of a chunk start.
constexpr size_t kChunkHeadBytes =
    (sizeof(TXmlNodeChunk) + TXmlNodeArena::kAlign - 1) & ~(TXmlNodeArena::kAlign - 1);
static_assert(TXmlNodeArena::kMaxBlock <= kLargestChunkBytes / 4);
static_assert(alignof(TXmlNodeChunk) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

}  // namespace

TXmlNodeChunk::TXmlNodeChunk(TXmlNameTable& names) : names_(&names) {}

void TXmlNodeChunk::ReleaseBlock() noexcept {
    if (blocks_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    this->~TXmlNodeChunk();
    ::operator delete(static_cast<void*>(this));
}

TXmlNodeArena::~TXmlNodeArena() {
    if (chunk_) chunk_->ReleaseBlock();
}

void TXmlNodeArena::NewChunk() {
    const size_t bytes = nextChunkBytes_;
    void* memory = ::operator new(bytes);
    auto* chunk = new (memory) TXmlNodeChunk(names_);
    if (chunk_) chunk_->ReleaseBlock();
    chunk_ = chunk;
    next_ = static_cast<char*>(memory) + kChunkHeadBytes;
    end_ = static_cast<char*>(memory) + bytes;
    if (nextChunkBytes_ < kLargestChunkBytes) nextChunkBytes_ *= 2;
}

void* TXmlNodeArena::Allocate(size_t bytes, TXmlNodeChunk*& chunk) {
    bytes = (bytes + kAlign - 1) & ~(kAlign - 1);
    if (bytes > kMaxBlock) return nullptr;
    while (bytes > static_cast<size_t>(end_ - next_)) NewChunk();
    void* block = next_;
    next_ += bytes;
    chunk_->blocks_.fetch_add(1, std::memory_order_relaxed);
    chunk = chunk_;
    return block;
}

}  // namespace xml
