#pragma once

// CRC-32 of PNG chunks and zlib (reflected polynomial 0xEDB88320, register
// preset to all ones, result complemented), table-driven.

#include <array>
#include <cstddef>
#include <cstdint>

namespace toolbar {

// The 256-entry byte table, built at compile time.
extern const std::array<uint32_t, 256> BarXCrc32Table;

// Continues `crc` over `length` bytes. A null buffer returns 0, which is
// how a CRC is started; a length of 0 returns `crc` unchanged.
[[nodiscard]] uint32_t BarXCrc32Update(uint32_t crc, const void* buffer, size_t length);

}  // namespace toolbar
