#include "xml/encoding.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "xml/errors.h"

namespace xml {

namespace {

struct TEncodingName {
    std::string_view name;  // lower case
    unsigned codePage;      // 0: UTF-16 (either order), 1200/1201: LE/BE, 65001: UTF-8
};

// The names declarations use for the encodings read and written here; the
// single-byte code pages work where the platform knows them (on Windows all
// of them, natively those of runtime::CodePageToWide).
constexpr TEncodingName kEncodingNames[] = {
    {"utf-8", 65001},       {"utf8", 65001},        {"utf-16", 0},          {"utf16", 0},
    {"ucs-2", 0},           {"iso-10646-ucs-2", 0}, {"utf-16le", 1200},     {"utf-16be", 1201},
    {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252}, {"windows-1253", 1253},
    {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256}, {"windows-1257", 1257},
    {"windows-1258", 1258}, {"cp1250", 1250},       {"cp1251", 1251},       {"cp1252", 1252},
    {"iso-8859-1", 28591},  {"iso_8859-1", 28591},  {"latin1", 28591},      {"iso-8859-2", 28592},
    {"iso-8859-3", 28593},  {"iso-8859-4", 28594},  {"iso-8859-5", 28595},  {"iso-8859-6", 28596},
    {"iso-8859-7", 28597},  {"iso-8859-8", 28598},  {"iso-8859-9", 28599},  {"iso-8859-13", 28603},
    {"iso-8859-15", 28605}, {"koi8-r", 20866},      {"koi8-u", 21866},      {"ibm866", 866},
    {"cp866", 866},         {"us-ascii", 20127},    {"ascii", 20127},
};

}  // namespace

struct TXmlCharset::TTable {
    std::array<char16_t, 256> decode{};
    std::unordered_map<char16_t, uint8_t> encode;
};

namespace {

// Decodes one UTF-8 character at `p` (`available` bytes there): the bytes
// it takes, or 0 when it is cut off. Raises for a malformed one.
size_t DecodeUtf8(const unsigned char* p, size_t available, char32_t& codePoint) {
    unsigned char lead = p[0];
    size_t length;
    char32_t value;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        RaiseXmlError(XmlError::InvalidEncodedData, {u"UTF-8"});
    }
    for (size_t i = 1; i < length; ++i) {
        if (i >= available) return 0;
        if ((p[i] & 0xC0) != 0x80) RaiseXmlError(XmlError::InvalidEncodedData, {u"UTF-8"});
        value = value << 6 | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        RaiseXmlError(XmlError::InvalidEncodedData, {u"UTF-8"});
    codePoint = value;
    return length;
}

size_t PutCodePoint(char32_t codePoint, char16_t* out) {
    if (codePoint < 0x10000) {
        out[0] = static_cast<char16_t>(codePoint);
        return 1;
    }
    codePoint -= 0x10000;
    out[0] = static_cast<char16_t>(0xD800 + (codePoint >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    return 2;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::shared_ptr<const TXmlCharset::TTable> TXmlCharset::MakeTable(unsigned codePage) {
    std::string bytes(256, '\0');
    for (int b = 0; b < 256; ++b) bytes[static_cast<size_t>(b)] = static_cast<char>(b);
    std::u16string units;
    try {
        units = runtime::CodePageToWide(bytes, codePage);
    } catch (const runtime::Exception&) {
        return nullptr;
    }
    if (units.size() != 256) return nullptr;
    auto table = std::make_shared<TTable>();
    for (int b = 255; b >= 0; --b) {
        char16_t unit = units[static_cast<size_t>(b)];
        table->decode[static_cast<size_t>(b)] = unit;
        // A byte the page leaves undefined comes back as a replacement.
        bool undefined = unit == u'\uFFFD' || (unit == u'?' && b != '?');
        if (!undefined) table->encode[unit] = static_cast<uint8_t>(b);
    }
    return table;
}

std::optional<TXmlCharset> TXmlCharset::ByName(std::string_view name) {
    std::string lower = runtime::LowerCase(name);
    auto it = std::find_if(std::begin(kEncodingNames), std::end(kEncodingNames),
                           [&](const TEncodingName& e) { return e.name == lower; });
    if (it == std::end(kEncodingNames)) return std::nullopt;
    switch (it->codePage) {
        case 0:
        case 1200:
            return Utf16LE();
        case 1201:
            return Utf16BE();
        case 65001:
            return Utf8();
        default:
            break;
    }
    static_assert(std::size(kEncodingNames) > 0);
    auto table = MakeTable(it->codePage);
    if (!table) return std::nullopt;
    TXmlCharset charset(TXmlCharsetKind::SingleByte);
    charset.table_ = std::move(table);
    return charset;
}

char16_t TXmlCharset::DecodeByte(uint8_t byte) const {
    return table_->decode[byte];
}

bool TXmlCharset::CanEncode(char32_t codePoint) const {
    if (kind_ != TXmlCharsetKind::SingleByte) return true;
    return codePoint < 0x10000 && table_->encode.count(static_cast<char16_t>(codePoint)) > 0;
}

void TXmlCharset::Encode(std::u16string_view text, std::string& out) const {
    switch (kind_) {
        case TXmlCharsetKind::Utf16LE:
        case TXmlCharsetKind::Utf16BE: {
            const bool big = kind_ == TXmlCharsetKind::Utf16BE;
            size_t at = out.size();
            out.resize(at + text.size() * 2);
            for (char16_t unit : text) {
                out[at + (big ? 1 : 0)] = static_cast<char>(unit & 0xFF);
                out[at + (big ? 0 : 1)] = static_cast<char>(unit >> 8);
                at += 2;
            }
            return;
        }
        case TXmlCharsetKind::Utf8:
            out += runtime::WideToUtf8(text);
            return;
        case TXmlCharsetKind::SingleByte:
            out.reserve(out.size() + text.size());
            for (char16_t unit : text) {
                auto it = table_->encode.find(unit);
                out += static_cast<char>(it != table_->encode.end() ? it->second : '?');
            }
            return;
    }
}

TXmlCharset DetectCharset(std::string_view head, size_t& markLength) {
    markLength = 0;
    using namespace std::string_view_literals;
    if (StartsWith(head, "\xEF\xBB\xBF"sv)) {
        markLength = 3;
        return TXmlCharset::Utf8();
    }
    if (StartsWith(head, "\x00\x00\xFE\xFF"sv) || StartsWith(head, "\xFF\xFE\x00\x00"sv) ||
        StartsWith(head, "\x00\x00\x00\x3C"sv) || StartsWith(head, "\x3C\x00\x00\x00"sv))
        RaiseXmlError(XmlError::UnsupportedEncoding, {u"UTF-32"});
    if (StartsWith(head, "\xFE\xFF"sv)) {
        markLength = 2;
        return TXmlCharset::Utf16BE();
    }
    if (StartsWith(head, "\xFF\xFE"sv)) {
        markLength = 2;
        return TXmlCharset::Utf16LE();
    }
    if (head.size() >= 2 && (head[0] == 0) != (head[1] == 0))
        return head[0] == 0 ? TXmlCharset::Utf16BE() : TXmlCharset::Utf16LE();
    if (head.empty()) return TXmlCharset::Utf16LE();
    if (StartsWith(head, "\x4C\x6F\xA7\x94"sv))
        RaiseXmlError(XmlError::UnsupportedEncoding, {u"EBCDIC"});
    // 8-bit text: the declaration names the encoding, UTF-8 without one.
    std::string_view declaration;
    if (StartsWith(head, "<?xml") && head.size() > 5 && static_cast<unsigned char>(head[5]) <= ' ')
        declaration = head.substr(0, head.find("?>"));
    std::string_view name = DeclaredEncoding(declaration);
    if (name.empty()) return TXmlCharset::Utf8();
    std::optional<TXmlCharset> charset = TXmlCharset::ByName(name);
    std::u16string wide = runtime::AnsiToWide(name);
    if (!charset) RaiseXmlError(XmlError::UnsupportedEncoding, {wide});
    // A declaration of UTF-16 over bytes that are not.
    if (charset->IsUtf16()) RaiseXmlError(XmlError::EncodingMismatch, {wide});
    return *charset;
}

size_t TXmlDecoder::Decode(const char* bytes, size_t length, char16_t* out, bool last) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    size_t written = 0;
    switch (charset_.Kind()) {
        case TXmlCharsetKind::Utf16LE:
        case TXmlCharsetKind::Utf16BE: {
            const bool big = charset_.Kind() == TXmlCharsetKind::Utf16BE;
            auto unit = [big](unsigned char first, unsigned char second) {
                return static_cast<char16_t>(big ? first << 8 | second : second << 8 | first);
            };
            size_t at = 0;
            if (pendingCount_ == 1 && length > 0) {
                out[written++] = unit(static_cast<unsigned char>(pending_[0]), in[0]);
                pendingCount_ = 0;
                at = 1;
            }
            for (; at + 1 < length; at += 2) out[written++] = unit(in[at], in[at + 1]);
            if (at < length) {
                pending_[0] = static_cast<char>(in[at]);
                pendingCount_ = 1;
            }
            // A trailing odd byte is no character.
            if (last) pendingCount_ = 0;
            return written;
        }
        case TXmlCharsetKind::SingleByte:
            for (size_t i = 0; i < length; ++i) out[written++] = charset_.DecodeByte(in[i]);
            return written;
        case TXmlCharsetKind::Utf8:
            break;
    }
    size_t at = 0;
    char32_t codePoint = 0;
    if (pendingCount_ > 0) {
        // Completes the character the previous piece ended inside.
        unsigned char joined[4];
        std::copy(pending_, pending_ + pendingCount_, joined);
        size_t more = std::min<size_t>(4 - pendingCount_, length);
        std::copy(in, in + more, joined + pendingCount_);
        size_t used = DecodeUtf8(joined, pendingCount_ + more, codePoint);
        if (used == 0) {
            if (last) RaiseXmlError(XmlError::InvalidEncodedData, {u"UTF-8"});
            std::copy(in, in + more, pending_ + pendingCount_);
            pendingCount_ += more;
            return 0;
        }
        written += PutCodePoint(codePoint, out);
        at = used - pendingCount_;
        pendingCount_ = 0;
    }
    while (at < length) {
        if (in[at] < 0x80) {
            out[written++] = in[at++];
            continue;
        }
        size_t used = DecodeUtf8(in + at, length - at, codePoint);
        if (used == 0) {
            if (last) RaiseXmlError(XmlError::InvalidEncodedData, {u"UTF-8"});
            pendingCount_ = length - at;
            std::copy(in + at, in + length, pending_);
            break;
        }
        written += PutCodePoint(codePoint, out + written);
        at += used;
    }
    return written;
}

}  // namespace xml
