#include <array>
#include <cstdint>
#include <string>

#include "gui/testing.h"

namespace gui::testing {

namespace {

std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

uint32_t Crc32(const std::string& data) {
    static const std::array<uint32_t, 256> table = MakeCrcTable();
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char byte : data) c = table[(c ^ byte) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void PutBE32(std::string& out, uint32_t v) {
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    PutBE32(png, static_cast<uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    png += body;
    PutBE32(png, Crc32(body));
}

// A zlib stream of stored (uncompressed) deflate blocks: a snapshot needs
// no compression, and the file stays readable by every viewer.
std::string StoredZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(raw.size() - pos, 65535);
        const bool last = pos + n == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>(n >> 8);
        out += static_cast<char>(~n & 0xFF);
        out += static_cast<char>((~n >> 8) & 0xFF);
        out.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1;
    uint32_t b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBE32(out, (b << 16) | a);
    return out;
}

}  // namespace

std::string EncodePng(const TBitmap& bitmap) {
    std::string png = "\x89PNG\r\n\x1A\n";
    std::string header;
    PutBE32(header, static_cast<uint32_t>(bitmap.Width()));
    PutBE32(header, static_cast<uint32_t>(bitmap.Height()));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB
    Chunk(png, "IHDR", header);
    std::string raw;
    raw.reserve(static_cast<size_t>(bitmap.Height()) * (bitmap.Width() * 3 + 1));
    for (int y = 0; y < bitmap.Height(); ++y) {
        raw += '\0';  // no filter
        const uint32_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            raw += static_cast<char>(row[x] >> 16);
            raw += static_cast<char>(row[x] >> 8);
            raw += static_cast<char>(row[x]);
        }
    }
    Chunk(png, "IDAT", StoredZlib(raw));
    Chunk(png, "IEND", {});
    return png;
}

}  // namespace gui::testing
