#pragma once

// Small routines the XC picture code shares: integer bounds, zero-filled
// memory blocks, byte comparison and copying, the "not yet implemented"
// stop, resource texts.

#include <cstddef>
#include <cstdint>
#include <string>

namespace xc {

inline constexpr const char* SNotImplemented = "Function not yet implemented";

[[nodiscard]] constexpr int32_t MaxInteger(int32_t a, int32_t b) {
    return a > b ? a : b;
}
[[nodiscard]] constexpr int32_t MinInteger(int32_t a, int32_t b) {
    return a < b ? a : b;
}

// The colour (0x00BBGGRR) with the palette-relative flag 0x02000000.
[[nodiscard]] constexpr uint32_t PaletteRGBOf(uint32_t colour) {
    return (colour & 0xFFFFFF) | 0x02000000;
}

// A zero-filled block (global memory on Windows, so that it can go to the
// clipboard); null for a size of 0 or less.
[[nodiscard]] void* GlobalAllocZeroed(int64_t size);
// Frees a non-null block and sets the reference to null.
void GlobalFreeAndNil(void*& block);

[[nodiscard]] bool SameMemory(const void* p, const void* q, size_t length);
[[nodiscard]] inline void* OffsetPointer(void* p, ptrdiff_t n) {
    return static_cast<uint8_t*>(p) + n;
}
// Overlap allowed.
void CopyMemoryBlock(void* dest, const void* source, size_t n);

// Tells the user that the function is not implemented (on Windows) and
// leaves the operation with the silent abort (runtime::EAbort).
[[noreturn]] void NotImplementedAbort();

[[nodiscard]] inline std::string ResourceText(const std::string& text) {
    return text;
}

}  // namespace xc
