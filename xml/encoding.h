#pragma once

// The character encodings of XML text on streams and files: which one a
// stream is in (its byte-order mark, the pattern of its first bytes, its
// declaration), bytes into UTF-16 code units and UTF-16 into bytes.
// Internal to the XML library.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace xml {

enum class TXmlCharsetKind { Utf16LE, Utf16BE, Utf8, SingleByte };

// An encoding this library reads and writes here: UTF-16 in either byte
// order, UTF-8, or a single-byte code page the platform knows.
class TXmlCharset {
  public:
    static TXmlCharset Utf16LE() { return TXmlCharset(TXmlCharsetKind::Utf16LE); }
    static TXmlCharset Utf16BE() { return TXmlCharset(TXmlCharsetKind::Utf16BE); }
    static TXmlCharset Utf8() { return TXmlCharset(TXmlCharsetKind::Utf8); }
    // The encoding a declaration names (any letter case); nothing when it is
    // not one of those above, or a code page the platform does not know.
    static std::optional<TXmlCharset> ByName(std::string_view name);

    TXmlCharsetKind Kind() const { return kind_; }
    bool IsUtf16() const {
        return kind_ == TXmlCharsetKind::Utf16LE || kind_ == TXmlCharsetKind::Utf16BE;
    }
    // Whether the character can be written as itself; the others go as
    // character references where XML allows them.
    bool CanEncode(char32_t codePoint) const;
    // Appends the bytes of `text`, every character of which CanEncode.
    void Encode(std::u16string_view text, std::string& out) const;
    // The code unit of a byte of a single-byte encoding.
    char16_t DecodeByte(uint8_t byte) const;

  private:
    // A single-byte encoding's code unit of each byte, and the way back.
    struct TTable;
    explicit TXmlCharset(TXmlCharsetKind kind) : kind_(kind) {}
    // The table of a code page, or null when the platform does not know the
    // page or it is not single-byte.
    static std::shared_ptr<const TTable> MakeTable(unsigned codePage);

    TXmlCharsetKind kind_;
    std::shared_ptr<const TTable> table_;
};

// The value of the encoding pseudo-attribute in the text of an XML
// declaration (what follows "<?xml" up to "?>", or a declaration node's
// data), and where it starts; empty when the declaration names none.
template <class Char>
std::basic_string_view<Char> DeclaredEncoding(std::basic_string_view<Char> declaration,
                                              size_t* start = nullptr) {
    auto blank = [](Char c) {
        return static_cast<uint32_t>(static_cast<std::make_unsigned_t<Char>>(c)) <= ' ';
    };
    static constexpr char kName[] = "encoding";
    const size_t size = declaration.size();
    for (size_t at = 0; at + 8 <= size; ++at) {
        if (!std::equal(kName, kName + 8, declaration.begin() + static_cast<ptrdiff_t>(at),
                        [](char a, Char b) { return static_cast<Char>(a) == b; }))
            continue;
        if (at > 0 && !blank(declaration[at - 1])) continue;
        size_t i = at + 8;
        while (i < size && blank(declaration[i])) ++i;
        if (i >= size || declaration[i] != static_cast<Char>('=')) continue;
        ++i;
        while (i < size && blank(declaration[i])) ++i;
        if (i >= size ||
            (declaration[i] != static_cast<Char>('"') && declaration[i] != static_cast<Char>('\'')))
            continue;
        const Char quote = declaration[i++];
        const size_t end = declaration.find(quote, i);
        if (end == std::basic_string_view<Char>::npos) return {};
        if (start) *start = i;
        return declaration.substr(i, end - i);
    }
    return {};
}

// Bytes of the start of a stream read to tell its encoding: enough for
// any sensible XML declaration.
inline constexpr size_t kEncodingSniffBytes = 1024;

// The encoding of a stream that starts with `head` (its first
// kEncodingSniffBytes bytes, or all of a shorter stream): a byte-order mark
// decides (its length goes to `markLength`); without one UTF-16 shows by
// its zero bytes; anything else is 8-bit, in the encoding its declaration
// names or UTF-8 without one. A declaration's encoding does not count for
// UTF-16 text. Raises UnsupportedEncoding for text in an encoding that
// cannot be read here.
TXmlCharset DetectCharset(std::string_view head, size_t& markLength);

// Turns bytes into UTF-16 code units piece by piece: a piece may end inside
// a character, whose bytes wait for the next piece.
class TXmlDecoder {
  public:
    explicit TXmlDecoder(TXmlCharset charset) : charset_(std::move(charset)) {}

    // Writes the units of the bytes at `out` (room for `length` units is
    // enough) and returns how many. Raises InvalidEncodedData for malformed
    // UTF-8. `last`: no bytes follow, so an unfinished UTF-8 character is an
    // error (a trailing odd byte of UTF-16 is dropped).
    size_t Decode(const char* bytes, size_t length, char16_t* out, bool last);

  private:
    TXmlCharset charset_;
    // Bytes of a character that the previous piece ended inside.
    char pending_[4] = {};
    size_t pendingCount_ = 0;
};

}  // namespace xml
