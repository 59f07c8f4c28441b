#include "crashreport/debugformat.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "crashreport/options_stream.h"

namespace crashreport {

namespace {

// ---- little-endian fields ---------------------------------------------------

void putU16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void putU32(std::string& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(v >> shift & 0xFF));
}

// Reads fields from a byte range; running past its end throws.
class Fields {
  public:
    explicit Fields(std::string_view data, size_t pos = 0) : data_(data), pos_(pos) {}

    std::string_view Take(size_t count) {
        if (count > data_.size() - pos_) throw EDebugDataError("library data ends early");
        const std::string_view piece = data_.substr(pos_, count);
        pos_ += count;
        return piece;
    }
    uint32_t U32() {
        const std::string_view b = Take(4);
        return static_cast<uint32_t>(static_cast<uint8_t>(b[0])) |
               static_cast<uint32_t>(static_cast<uint8_t>(b[1])) << 8 |
               static_cast<uint32_t>(static_cast<uint8_t>(b[2])) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(b[3])) << 24;
    }
    uint16_t U16() {
        const std::string_view b = Take(2);
        return static_cast<uint16_t>(static_cast<uint8_t>(b[0]) | static_cast<uint8_t>(b[1]) << 8);
    }
    std::string_view Rest() { return Take(data_.size() - pos_); }
    [[nodiscard]] size_t Position() const { return pos_; }

  private:
    std::string_view data_;
    size_t pos_;
};

// ---- MD5 (RFC 1321) ---------------------------------------------------------

constexpr uint32_t md5Shifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t md5Sines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

void md5Block(std::array<uint32_t, 4>& state, const uint8_t* block) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i) {
        m[i] = static_cast<uint32_t>(block[4 * i]) | static_cast<uint32_t>(block[4 * i + 1]) << 8 |
               static_cast<uint32_t>(block[4 * i + 2]) << 16 |
               static_cast<uint32_t>(block[4 * i + 3]) << 24;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t rotated = a + f + md5Sines[i] + m[g];
        a = d;
        d = c;
        c = b;
        b += rotated << md5Shifts[i] | rotated >> (32 - md5Shifts[i]);
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

// ---- the block cipher ---------------------------------------------------------

constexpr uint32_t cipherDelta = 0x9E3779B9;
constexpr uint32_t cipherRounds = 32;

uint32_t loadBigEndian(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void storeBigEndian(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

void encipherBlock(const TCipherKey& key, uint8_t* block) {
    const auto& k = key.Words;
    uint32_t l = loadBigEndian(block), r = loadBigEndian(block + 4), sum = 0;
    for (uint32_t i = 0; i < cipherRounds; ++i) {
        sum += cipherDelta;
        l += (r << 4) + (r ^ k[0]) + ((r >> 5) ^ sum) + k[1];
        r += (l << 4) + (l ^ k[2]) + ((l >> 5) ^ sum) + k[3];
    }
    storeBigEndian(block, l);
    storeBigEndian(block + 4, r);
}

void decipherBlock(const TCipherKey& key, uint8_t* block) {
    const auto& k = key.Words;
    uint32_t l = loadBigEndian(block), r = loadBigEndian(block + 4);
    uint32_t sum = cipherDelta * cipherRounds;
    for (uint32_t i = 0; i < cipherRounds; ++i) {
        r -= (l << 4) + (l ^ k[2]) + ((l >> 5) ^ sum) + k[3];
        l -= (r << 4) + (r ^ k[0]) + ((r >> 5) ^ sum) + k[1];
        sum -= cipherDelta;
    }
    storeBigEndian(block, l);
    storeBigEndian(block + 4, r);
}

// ---- names --------------------------------------------------------------------

constexpr uint8_t namePartFollows = 0x80;

// Splits a long name at its points so every part fits a length byte; a
// stretch between points that is still too long is cut and marked "~".
std::vector<std::string> nameParts(std::string_view name) {
    std::vector<std::string> parts;
    std::string current;
    size_t start = 0;
    while (start <= name.size()) {
        size_t dot = name.find('.', start);
        if (dot == std::string_view::npos) dot = name.size();
        std::string piece(name.substr(start, dot - start));
        if (piece.size() > MaxNamePart) piece = piece.substr(0, MaxNamePart - 1) + "~";
        if (current.empty() && start == 0) {
            current = piece;
        } else if (current.size() + 1 + piece.size() <= MaxNamePart) {
            current += "." + piece;
        } else {
            parts.push_back(current);
            current = piece;
        }
        start = dot + 1;
    }
    parts.push_back(current);
    return parts;
}

void writeNamePart(std::string& out, std::string_view part, bool more, const TCipherKey& key) {
    out.push_back(static_cast<char>(part.size() | (more ? namePartFollows : 0)));
    std::string bytes(part);
    EncryptBlocks(key, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
    out += bytes;
}

// The code step a unit's last record takes: the tail of the unit's code
// belongs to the last record anyway.
uint32_t lastCodeStep(uint32_t remaining) {
    return remaining == 0 ? 0 : 1;
}

struct UnitWriter {
    const TCipherKey& key;
    std::string& out;
    uint32_t units = 0;

    // Writes rows [first, end) of u as one unit; `announce` is the procedure
    // the first row continues when it starts none itself.
    void Write(const TUnitRows& u, size_t first, size_t end, uint32_t codeEnd,
               const std::string& announce) {
        std::string table;
        std::string previousClass;
        for (size_t k = first; k < end; ++k) {
            const TLineRow& row = u.Rows[k];
            const bool last = k + 1 == end;
            TLineRecord record;
            record.CodeStep =
                last ? lastCodeStep(codeEnd - row.Offset) : u.Rows[k + 1].Offset - row.Offset;
            record.LineStep = last ? 1 : static_cast<uint32_t>(u.Rows[k + 1].Line - row.Line);
            const std::string& procedure =
                !row.Procedure.empty() ? row.Procedure : (k == first ? announce : row.Procedure);
            record.HasName = !procedure.empty();
            WriteLineRecord(table, record);
            if (!record.HasName) continue;
            const size_t dot = procedure.find('.');
            const std::string cls = dot == std::string::npos ? "" : procedure.substr(0, dot);
            if (!cls.empty() && cls == previousClass) {
                WriteName(table, procedure.substr(dot), key);
            } else {
                WriteName(table, procedure, key);
            }
            previousClass = cls;
        }
        WriteName(out, u.Name, key);
        putU32(out, static_cast<uint32_t>(u.Rows[first].Line));
        putU32(out, u.Rows[first].Offset);
        putU32(out, codeEnd - u.Rows[first].Offset);
        putU32(out, static_cast<uint32_t>(table.size()));
        out += table;
        ++units;
    }
};

// Largest steps a single record can hold.
constexpr uint32_t maxStep = 65536;

}  // namespace

TMD5Digest MD5Digest(const void* data, size_t length) {
    std::array<uint32_t, 4> state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    for (; length - done >= 64; done += 64) md5Block(state, bytes + done);
    uint8_t tail[128] = {};
    const size_t rest = length - done;
    if (rest > 0) std::memcpy(tail, bytes + done, rest);
    tail[rest] = 0x80;
    const size_t tailLength = rest < 56 ? 64 : 128;
    const uint64_t bits = static_cast<uint64_t>(length) * 8;
    for (int i = 0; i < 8; ++i) tail[tailLength - 8 + i] = static_cast<uint8_t>(bits >> (8 * i));
    md5Block(state, tail);
    if (tailLength == 128) md5Block(state, tail + 64);
    TMD5Digest digest;
    for (int i = 0; i < 16; ++i) digest[i] = static_cast<uint8_t>(state[i / 4] >> (8 * (i % 4)));
    return digest;
}

TCipherKey CipherKeyOf(std::string_view password) {
    const TMD5Digest digest = MD5Digest(password.data(), password.size());
    TCipherKey key;
    for (int i = 0; i < 4; ++i) key.Words[i] = loadBigEndian(digest.data() + 4 * i);
    return key;
}

void EncryptBlocks(const TCipherKey& key, uint8_t* data, size_t count) {
    uint8_t previous[8];
    std::memset(previous, 0xFF, sizeof previous);
    size_t at = 0;
    for (; count - at >= 8; at += 8) {
        for (int i = 0; i < 8; ++i) data[at + i] ^= previous[i];
        encipherBlock(key, data + at);
        std::memcpy(previous, data + at, 8);
    }
    if (at < count) {
        encipherBlock(key, previous);
        for (size_t i = 0; at + i < count; ++i) data[at + i] ^= previous[i];
    }
}

void DecryptBlocks(const TCipherKey& key, uint8_t* data, size_t count) {
    uint8_t previous[8];
    std::memset(previous, 0xFF, sizeof previous);
    size_t at = 0;
    for (; count - at >= 8; at += 8) {
        uint8_t cipher[8];
        std::memcpy(cipher, data + at, 8);
        decipherBlock(key, data + at);
        for (int i = 0; i < 8; ++i) data[at + i] ^= previous[i];
        std::memcpy(previous, cipher, 8);
    }
    if (at < count) {
        encipherBlock(key, previous);
        for (size_t i = 0; at + i < count; ++i) data[at + i] ^= previous[i];
    }
}

void WriteLineRecord(std::string& out, const TLineRecord& r) {
    if (r.LineStep < 1 || r.LineStep > maxStep || r.CodeStep > maxStep) {
        throw EDebugDataError("line record step out of range");
    }
    const uint32_t dL = r.LineStep - 1;
    if (r.CodeStep >= 1) {
        const uint32_t dA = r.CodeStep - 1;
        if (!r.HasName && dL < 4 && dA < 32) {
            out.push_back(static_cast<char>(dL << 6 | dA << 1));
            return;
        }
        if (r.HasName && dL < 8 && dA < 8) {
            out.push_back(static_cast<char>(dL << 5 | dA << 2 | 1));
            return;
        }
        if (dL < 32 && dA < 128) {
            const uint32_t w = dL << 11 | dA << 4 | (r.HasName ? 4u : 0u) | 3;
            putU16(out, static_cast<uint16_t>(w));
            return;
        }
    }
    // The four-byte form: a 12-bit code step (4095 standing for 0) and a
    // 16-bit line step; the pair 4094/0xFFFE announces two 16-bit steps.
    const uint32_t codeField = r.CodeStep == 0 ? 4095 : r.CodeStep - 1;
    const uint32_t flags = (r.HasName ? 4u : 0u) | 8 | 3;
    if (codeField <= 4095 && !(codeField == 4094 && dL == 0xFFFE)) {
        putU32(out, (codeField << 16 | dL) << 4 | flags);
        return;
    }
    putU32(out, (0x0FFEu << 16 | 0xFFFEu) << 4 | flags);
    putU16(out, static_cast<uint16_t>(dL));
    putU16(out, static_cast<uint16_t>(r.CodeStep - 1));
}

std::optional<TLineRecord> ReadLineRecord(std::string_view table, size_t& pos, uint16_t version) {
    if (pos >= table.size()) return std::nullopt;
    const auto byte = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<uint8_t>(table[i]));
    };
    const uint32_t f = byte(pos);
    TLineRecord r;
    if ((f & 1) == 0) {
        r.LineStep = (f >> 6) + 1;
        r.CodeStep = ((f >> 1) & 31) + 1;
        pos += 1;
        return r;
    }
    if ((f & 3) == 1) {
        r.LineStep = (f >> 5) + 1;
        r.CodeStep = ((f >> 2) & 7) + 1;
        r.HasName = true;
        pos += 1;
        return r;
    }
    r.HasName = (f & 4) != 0;
    if ((f & 8) == 0) {
        if (table.size() - pos < 2) return std::nullopt;
        const uint32_t w = f | byte(pos + 1) << 8;
        r.LineStep = (w >> 11) + 1;
        r.CodeStep = ((w >> 4) & 127) + 1;
        pos += 2;
        return r;
    }
    if (table.size() - pos < 4) return std::nullopt;
    const uint32_t d = f | byte(pos + 1) << 8 | byte(pos + 2) << 16 | byte(pos + 3) << 24;
    const uint32_t x = d >> 4;
    pos += 4;
    if (x == 0x0FFEFFFE && version > 422) {
        if (table.size() - pos < 4) return std::nullopt;
        r.LineStep = (byte(pos) | byte(pos + 1) << 8) + 1;
        r.CodeStep = (byte(pos + 2) | byte(pos + 3) << 8) + 1;
        pos += 4;
        return r;
    }
    r.LineStep = (x & 0xFFFF) + 1;
    r.CodeStep = (x >> 16) == 4095 ? 0 : (x >> 16) + 1;
    return r;
}

void WriteName(std::string& out, std::string_view name, const TCipherKey& key) {
    const std::vector<std::string> parts = nameParts(name);
    for (size_t i = 0; i < parts.size(); ++i)
        writeNamePart(out, parts[i], i + 1 < parts.size(), key);
}

std::optional<TRawName> ReadName(std::string_view data, size_t& pos, uint16_t version,
                                 const TCipherKey* key) {
    TRawName name;
    std::vector<std::string> parts;
    for (bool more = true; more;) {
        if (pos >= data.size()) return std::nullopt;
        size_t length = static_cast<uint8_t>(data[pos++]);
        more = version > 501 && (length & namePartFollows) != 0;
        if (more) length &= ~static_cast<size_t>(namePartFollows);
        if (length > data.size() - pos) return std::nullopt;
        std::string part(data.substr(pos, length));
        pos += length;
        if (version < 500) {
            for (char& c : part) c = static_cast<char>(static_cast<uint8_t>(c) ^ ScrambleByte);
        } else if (key != nullptr) {
            DecryptBlocks(*key, reinterpret_cast<uint8_t*>(part.data()), part.size());
        }
        parts.push_back(std::move(part));
    }
    if (version >= 500 && key == nullptr) {
        name.RawParts = std::move(parts);
        return name;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) name.Text += '.';
        name.Text += parts[i];
    }
    return name;
}

std::string BuildDebugInformation(const std::vector<TUnitRows>& units, const TCipherKey& key) {
    std::string body;
    UnitWriter writer{key, body};
    for (const TUnitRows& u : units) {
        if (u.Rows.empty()) continue;
        std::string current;  // the procedure the rows are in
        size_t first = 0;
        for (size_t k = 0; k < u.Rows.size(); ++k) {
            const bool lastRow = k + 1 == u.Rows.size();
            const bool split =
                !lastRow && (u.Rows[k + 1].Line <= u.Rows[k].Line ||
                             static_cast<uint32_t>(u.Rows[k + 1].Line - u.Rows[k].Line) > maxStep ||
                             u.Rows[k + 1].Offset - u.Rows[k].Offset > maxStep);
            if (!split && !lastRow) continue;
            const uint32_t end = lastRow ? u.CodeEnd : u.Rows[k + 1].Offset;
            writer.Write(u, first, k + 1, end, current);
            for (size_t i = first; i <= k; ++i) {
                if (!u.Rows[i].Procedure.empty()) current = u.Rows[i].Procedure;
            }
            first = k + 1;
        }
    }
    std::string out;
    putU32(out, writer.units);
    return out + body;
}

std::string Compress(std::string_view data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        throw EDebugDataError("cannot compress");
    }
    out.resize(size);
    return out;
}

std::string Decompress(std::string_view data, size_t limit) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) throw EDebugDataError("cannot inflate");
    std::string out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    int result = Z_OK;
    while (result == Z_OK) {
        if (out.size() >= limit) break;
        const size_t chunk = std::min<size_t>(65536, limit - out.size());
        const size_t at = out.size();
        out.resize(at + chunk);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + at);
        z.avail_out = static_cast<uInt>(chunk);
        result = inflate(&z, Z_NO_FLUSH);
        out.resize(at + chunk - z.avail_out);
    }
    inflateEnd(&z);
    if (result != Z_STREAM_END) throw EDebugDataError("compressed library data is damaged");
    return out;
}

std::string BuildLibraryData(double compileDate, const std::vector<TDebugSymbol>& symbols,
                             std::string_view options, std::string_view debugInformation,
                             const TCipherKey& key) {
    std::string out;
    putU32(out, LibraryDataMagic);
    putU16(out, LibraryDataVersion);
    char date[8];
    std::memcpy(date, &compileDate, sizeof date);
    out.append(date, sizeof date);
    putU32(out, static_cast<uint32_t>(symbols.size() * 9));
    for (const TDebugSymbol& s : symbols) {
        out.push_back(static_cast<char>(s.Id));
        putU32(out, s.Offset);
        putU32(out, 0);
    }
    const std::string packedOptions = Compress(options);
    putU32(out, static_cast<uint32_t>(packedOptions.size()));
    out += packedOptions;
    std::string check;
    putU32(check, LibraryDataMagic);
    EncryptBlocks(key, reinterpret_cast<uint8_t*>(check.data()), check.size());
    out += check;
    std::string debug;
    putU32(debug, static_cast<uint32_t>(debugInformation.size()));
    debug += debugInformation;
    out += Compress(debug);
    return out;
}

std::optional<uint16_t> LibraryDataVersionOf(std::string_view data) {
    if (data.size() < 6) return std::nullopt;
    Fields f(data);
    if (f.U32() != LibraryDataMagic) return std::nullopt;
    return f.U16();
}

TLibraryDataParts ParseLibraryData(std::string_view data, const TCipherKey& key,
                                   bool withDebugInformation) {
    // Inflated parts are capped so damaged data cannot ask for all memory.
    constexpr size_t maxInflated = size_t{512} << 20;
    Fields f(data);
    if (f.U32() != LibraryDataMagic) throw EDebugDataError("no library data");
    TLibraryDataParts parts;
    parts.Version = f.U16();
    if (parts.Version < 500) throw EDebugDataError("library data of an unsupported version");
    std::memcpy(&parts.CompileDate, f.Take(8).data(), 8);
    const uint32_t symbolBytes = f.U32();
    Fields symbols(f.Take(symbolBytes));
    for (uint32_t i = 0; i + 9 <= symbolBytes; i += 9) {
        TDebugSymbol s;
        s.Id = static_cast<uint8_t>(symbols.Take(1)[0]);
        s.Offset = symbols.U32();
        symbols.Take(4);
        parts.Symbols.push_back(s);
    }
    parts.Options = Decompress(f.Take(f.U32()), maxInflated);
    std::string check(f.Take(4));
    DecryptBlocks(key, reinterpret_cast<uint8_t*>(check.data()), check.size());
    parts.NamesReadable = Fields(check).U32() == LibraryDataMagic;
    if (!withDebugInformation) return parts;
    const std::string debug = Decompress(f.Rest(), maxInflated);
    Fields d(debug);
    const uint32_t length = d.U32();
    parts.DebugInformation = std::string(d.Take(length));
    return parts;
}

std::string AppendedForm(std::string_view data) {
    std::string out(data);
    putU32(out, static_cast<uint32_t>(data.size()));
    putU32(out, LibraryDataMagic);
    return out;
}

std::optional<std::string_view> FindAppendedData(std::string_view file) {
    if (file.size() < 8) return std::nullopt;
    Fields trailer(file, file.size() - 8);
    const uint32_t size = trailer.U32();
    if (trailer.U32() != LibraryDataMagic || size > file.size() - 8) return std::nullopt;
    return file.substr(file.size() - 8 - size, size);
}

}  // namespace crashreport
