#pragma once

// Taking a URL apart, and %-escape decoding and encoding.

#include <bitset>
#include <string>
#include <string_view>

namespace net {

// The parts of a URL as ParseURL finds them; nothing is decoded.
struct TURLParts {
    std::string Protocol;  // "http" when the URL names none
    std::string User;
    std::string Password;
    std::string Host;        // without the brackets of an IPv6 address; "localhost" when empty
    std::string Port;        // the protocol's default ("80", "443", "21") when the URL names none
    std::string Path;        // "/" + the path, without the query
    std::string Parameters;  // the query after "?"
};

// Splits `url` into `parts` and returns the request URI ("/" + path and
// query). The host ends at the first "/", "?" or "#"; a fragment ("#" and
// what follows) is not part of the request.
std::string ParseURL(std::string_view url, TURLParts& parts);

// Decodes `delimiter` + two hexadecimal digits into the byte they give;
// `delimiter` + CR, LF, CR LF or LF CR is a soft line break and disappears.
// A delimiter followed by anything else, or standing at the end, is kept
// as it is, with the rest of the text.
std::string DecodeEscapes(std::string_view s, char delimiter);
std::string DecodeURL(std::string_view s);

using TCharSet = std::bitset<256>;

// Every byte of `escaped` becomes `delimiter` + two upper-case hex digits.
std::string EncodeEscapes(std::string_view s, char delimiter, const TCharSet& escaped);

// The URL special set: bytes 0x00-0x20, the double quote, % < > [ \ ] ^ _ `
// { | } ~ and bytes 0x7F-0xFF (not # & / : = ? @).
const TCharSet& URLSpecialChars();
std::string EncodeURLSpecialChars(std::string_view s);

}  // namespace net
