#pragma once

// A block of address space reserved whole and made usable (committed) from
// its start as it is needed: what grows in it never moves, and the system
// charges memory only for what is committed (pages only once written).

#include <cstddef>

namespace runtime::os {

class TAddressSpace {
  public:
    // Reserves `size` bytes (rounded up to whole pages); nothing is reserved
    // when the system refuses.
    explicit TAddressSpace(size_t size);
    ~TAddressSpace();
    TAddressSpace(const TAddressSpace&) = delete;
    TAddressSpace& operator=(const TAddressSpace&) = delete;

    // The block's start; null when nothing is reserved.
    char* Data() const { return data_; }
    size_t Reserved() const { return reserved_; }
    size_t Committed() const { return committed_; }
    // Makes at least the first `size` bytes usable (rounded up to whole
    // pages, never beyond the reservation); false when `size` exceeds the
    // reservation or the system refuses.
    [[nodiscard]] bool Commit(size_t size);

  private:
    char* data_ = nullptr;
    size_t reserved_ = 0;
    size_t committed_ = 0;
};

}  // namespace runtime::os
