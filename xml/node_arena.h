#pragma once

// Memory for the nodes that the binary reader makes. A loaded document has
// hundreds of thousands of nodes that are made together and mostly freed
// together, so their blocks are carved one after another from chunks
// instead of each being an allocation of its own: no per-block overhead,
// and a freed document gives back whole chunks. A chunk counts the blocks
// in it and is freed when the last of them goes, so a node kept after its
// document keeps only its own chunk. The chunk also holds the name table
// of its nodes, which therefore need no reference of their own. Internal
// to the XML library.

#include <atomic>
#include <cstddef>

#include "xml/document.h"

namespace xml {

class TXmlNameTable;

// The head of a chunk; the blocks follow it.
class TXmlNodeChunk {
  public:
    TXmlNameTable& Names() const { return *names_; }
    // Called by a node of the chunk when it is destroyed.
    void ReleaseBlock() noexcept;

  private:
    friend class TXmlNodeArena;
    explicit TXmlNodeChunk(TXmlNameTable& names);

    // Blocks alive, plus one while the arena fills the chunk.
    std::atomic<size_t> blocks_{1};
    Ref<TXmlNameTable> names_;
};

class TXmlNodeArena {
  public:
    // Largest block taken from a chunk; larger ones are allocated alone.
    static constexpr size_t kMaxBlock = 16 * 1024;
    // Blocks are aligned for every node class.
    static constexpr size_t kAlign = 8;

    explicit TXmlNodeArena(TXmlNameTable& names) : names_(names) {}
    TXmlNodeArena(const TXmlNodeArena&) = delete;
    TXmlNodeArena& operator=(const TXmlNodeArena&) = delete;
    // Lets go of the chunk being filled; its nodes keep it.
    ~TXmlNodeArena();

    // A block of `bytes` for one node of `chunk`, which the node keeps
    // (and releases with TXmlNodeChunk::ReleaseBlock); nullptr when the
    // block is larger than kMaxBlock.
    void* Allocate(size_t bytes, TXmlNodeChunk*& chunk);

  private:
    void NewChunk();

    TXmlNameTable& names_;
    TXmlNodeChunk* chunk_ = nullptr;
    char* next_ = nullptr;
    char* end_ = nullptr;
    // Chunks grow from small (a small document takes little) to the
    // largest size.
    size_t nextChunkBytes_ = 16 * 1024;
};

}  // namespace xml
