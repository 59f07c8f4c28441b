#pragma once

// A ceiling on single allocations for the codecs' tests: while a
// TAllocationCap lives, operator new refuses (std::bad_alloc) any block
// larger than its cap. A test shows with it that a small damaged file
// cannot make a decoder ask for a huge block, without the test itself
// touching that much memory when the decoder is wrong.
//
// Linking this library replaces the program's operator new and delete
// (plain and array forms) with ones over malloc and free.

#include <cstddef>

namespace codecs::testing {

class TAllocationCap {
  public:
    explicit TAllocationCap(size_t bytes);
    ~TAllocationCap();
    TAllocationCap(const TAllocationCap&) = delete;
    TAllocationCap& operator=(const TAllocationCap&) = delete;

  private:
    size_t previous_;
};

}  // namespace codecs::testing
