#include "net/base64.h"

#include <cstdint>

namespace net {

namespace {

// Maps each 3-byte group to four 6-bit indices; a missing byte gives the
// index 64, written only when the alphabet has a 65th (padding) character.
std::string EncodeTriplets(std::string_view bytes, std::string_view alphabet) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        size_t have = bytes.size() - i < 3 ? bytes.size() - i : 3;
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < have ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        unsigned indices[4] = {group >> 18 & 63, group >> 12 & 63, group >> 6 & 63, group & 63};
        if (have < 3) indices[3] = 64;
        if (have < 2) indices[2] = 64;
        for (unsigned index : indices)
            if (index < alphabet.size()) out.push_back(alphabet[index]);
    }
    return out;
}

}  // namespace

std::string EncodeToBase64(std::string_view bytes) {
    return EncodeTriplets(bytes,
                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=");
}

}  // namespace net
