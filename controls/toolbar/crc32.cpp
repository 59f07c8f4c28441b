#include "controls/toolbar/crc32.h"

namespace toolbar {

namespace {

using Table = std::array<uint32_t, 256>;

constexpr Table MakeByteTable() {
    Table t{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}

// Slicing by four: table k gives the CRC of a byte followed by k zero bytes,
// so four bytes fold in with four lookups and no dependency between them.
// Image data runs to tens of megabytes; a byte at a time would cost more
// than inflating it.
constexpr std::array<Table, 4> MakeSliceTables() {
    std::array<Table, 4> t{};
    t[0] = MakeByteTable();
    for (int k = 1; k < 4; ++k)
        for (uint32_t n = 0; n < 256; ++n) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    return t;
}

constexpr std::array<Table, 4> kSlices = MakeSliceTables();

}  // namespace

const Table BarXCrc32Table = kSlices[0];

uint32_t BarXCrc32Update(uint32_t crc, const void* buffer, size_t length) {
    if (buffer == nullptr) return 0;
    if (length == 0) return crc;
    const auto* p = static_cast<const uint8_t*>(buffer);
    uint32_t c = ~crc;
    for (; length >= 4; length -= 4, p += 4) {
        c ^= uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
        c = kSlices[3][c & 0xFF] ^ kSlices[2][(c >> 8) & 0xFF] ^ kSlices[1][(c >> 16) & 0xFF] ^
            kSlices[0][c >> 24];
    }
    for (; length > 0; --length, ++p) c = kSlices[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    return ~c;
}

}  // namespace toolbar
