// sepack: packs a search-engine script into the program's engine-file form
// and back. An engine file (".se") is a 4-byte unsigned little-endian
// length n, then a zlib stream that inflates to the n bytes of the text.
//
//   sepack pack <text file> <engine file>
//   sepack unpack <engine file> <text file>
//
// Exit status: 0 done; 1 the input cannot be read or is no engine file,
// or the output cannot be written; 2 wrong arguments.
//
// Stands alone on zlib: the Windows build runs it on the build machine.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace {

// As the program's reader: texts longer than this are refused.
constexpr uint32_t kMaxTextSize = 16u << 20;

bool ReadFile(const char* name, std::string& data) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const char* name, std::string_view data) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out.flush());
}

bool Pack(const std::string& text, std::string& packed, std::string& why) {
    if (text.size() > kMaxTextSize) {
        why = "the text is longer than " + std::to_string(kMaxTextSize) + " bytes";
        return false;
    }
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    packed.assign(4 + size, '\0');
    const auto n = static_cast<uint32_t>(text.size());
    for (int i = 0; i < 4; ++i) packed[static_cast<size_t>(i)] = static_cast<char>(n >> (8 * i));
    const int code = compress2(reinterpret_cast<Bytef*>(packed.data() + 4), &size,
                               reinterpret_cast<const Bytef*>(text.data()),
                               static_cast<uLong>(text.size()), Z_BEST_COMPRESSION);
    if (code != Z_OK) {
        why = "zlib failed (" + std::to_string(code) + ")";
        return false;
    }
    packed.resize(4 + size);
    return true;
}

bool Unpack(const std::string& packed, std::string& text, std::string& why) {
    if (packed.size() < 4) {
        why = "the file is too short";
        return false;
    }
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i)
        n |= uint32_t{static_cast<unsigned char>(packed[static_cast<size_t>(i)])} << (8 * i);
    if (n > kMaxTextSize) {
        why = "the stated length " + std::to_string(n) + " is too large";
        return false;
    }
    text.assign(n, '\0');
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        why = "zlib cannot start";
        return false;
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + 4));
    z.avail_in = static_cast<uInt>(packed.size() - 4);
    z.next_out = reinterpret_cast<Bytef*>(text.data());
    z.avail_out = n;
    const int code = n == 0 ? Z_STREAM_END : inflate(&z, Z_FINISH);
    text.resize(n - z.avail_out);
    inflateEnd(&z);
    // A text longer than its stated length is cut there, as the program
    // reads it; a stream that ends short is corrupt.
    if (code != Z_STREAM_END && !(code == Z_BUF_ERROR && z.avail_out == 0)) {
        why = "the compressed data is corrupt";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc == 4 ? argv[1] : "";
    if (command != "pack" && command != "unpack") {
        std::fprintf(stderr,
                     "usage: sepack pack <text file> <engine file>\n"
                     "       sepack unpack <engine file> <text file>\n");
        return 2;
    }
    std::string input;
    if (!ReadFile(argv[2], input)) {
        std::fprintf(stderr, "sepack: cannot read %s\n", argv[2]);
        return 1;
    }
    std::string output;
    std::string why;
    if (!(command == "pack" ? Pack(input, output, why) : Unpack(input, output, why))) {
        std::fprintf(stderr, "sepack: %s: %s\n", argv[2], why.c_str());
        return 1;
    }
    if (!WriteFile(argv[3], output)) {
        std::fprintf(stderr, "sepack: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
