#include "controls/tree/helpers.h"

#include <cstdint>
#include <exception>

#include "runtime/streams.h"

namespace controls::tree {

namespace {

bool WriteLength(runtime::TStream& stream, int32_t length) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                              static_cast<uint8_t>(length >> 16),
                              static_cast<uint8_t>(length >> 24)};
    return stream.Write(bytes, 4) == 4;
}

// The length, checked against what the stream still holds (unitSize bytes
// per unit); false for a short stream, a negative or an unsatisfiable length.
bool ReadLength(runtime::TStream& stream, int64_t unitSize, int32_t& length) {
    uint8_t bytes[4];
    if (stream.Read(bytes, 4) != 4) return false;
    length = static_cast<int32_t>(
        static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
        static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
    if (length < 0) return false;
    const int64_t left = stream.Size() - stream.Position();
    return int64_t{length} * unitSize <= left;
}

}  // namespace

bool WriteStringToStream(runtime::TStream& stream, std::string_view s) {
    try {
        if (s.size() > INT32_MAX) return false;
        const auto n = static_cast<int32_t>(s.size());
        if (!WriteLength(stream, n)) return false;
        return n == 0 || stream.Write(s.data(), n) == n;
    } catch (const std::exception&) {
        return false;
    }
}

bool ReadStringFromStream(runtime::TStream& stream, std::string& s) {
    try {
        int32_t n;
        if (!ReadLength(stream, 1, n)) return false;
        std::string value(static_cast<size_t>(n), '\0');
        if (n > 0 && stream.Read(value.data(), n) != n) return false;
        s = std::move(value);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool WriteWideStringToStream(runtime::TStream& stream, std::u16string_view s) {
    try {
        if (s.size() > INT32_MAX / 2) return false;
        const auto n = static_cast<int32_t>(s.size());
        if (!WriteLength(stream, n)) return false;
        std::string bytes(2 * s.size(), '\0');
        for (size_t i = 0; i < s.size(); ++i) {
            bytes[2 * i] = static_cast<char>(s[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<char>(s[i] >> 8);
        }
        return n == 0 || stream.Write(bytes.data(), 2 * n) == 2 * n;
    } catch (const std::exception&) {
        return false;
    }
}

bool ReadWideStringFromStream(runtime::TStream& stream, std::u16string& s) {
    try {
        int32_t n;
        if (!ReadLength(stream, 2, n)) return false;
        std::string bytes(2 * static_cast<size_t>(n), '\0');
        if (n > 0 && stream.Read(bytes.data(), 2 * int64_t{n}) != 2 * int64_t{n}) return false;
        std::u16string value(static_cast<size_t>(n), u'\0');
        for (size_t i = 0; i < value.size(); ++i)
            value[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                             static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
        s = std::move(value);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void CenterRects(int w, int W, int h, int H, TGtRect& r) {
    r.Left = MaxOf(W / 2 - w / 2, 0);
    r.Right = MinOf(r.Left + w - 1, r.Left + W - 1);
    r.Top = MaxOf(H / 2 - h / 2, 0);
    r.Bottom = MinOf(r.Top + h - 1, r.Top + H - 1);
}

}  // namespace controls::tree
