// The URL and text utilities on arbitrary text, with the properties that
// must hold whatever the input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/base64.h"
#include "net/textutil.h"
#include "net/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);

    net::TURLParts parts;
    std::string uri = net::ParseURL(text, parts);
    if (uri.empty() || uri[0] != '/' || parts.Host.empty() || parts.Path.empty() ||
        parts.Path[0] != '/')
        std::abort();

    if (net::DecodeURL(net::EncodeURLSpecialChars(text)) != text) std::abort();
    (void)net::DecodeEscapes(text, '=');
    if (net::EncodeToBase64(text).size() != (size + 2) / 3 * 4) std::abort();

    (void)net::IsIPv4Address(text);
    (void)net::IsIPv6Address(text);
    (void)net::IPv4ToBytes(text);
    std::string terminator;
    int64_t at = net::FindLineEnd(text, terminator);
    if (at != -1 && (at < 1 || static_cast<size_t>(at) > size || terminator.empty())) std::abort();

    size_t half = size / 2;
    std::string open = text.substr(0, half % 4);
    std::string close = text.substr(half % 4, half % 3);
    std::string between = net::TextBetween(open, close, text.substr(half));
    if (between.size() > size) std::abort();

    std::string rest = text;
    for (int i = 0; i < 64 && !rest.empty(); ++i) (void)net::CutTrimmedField(rest, ":");
    (void)net::ReplaceAll(text, open, close);
    return 0;
}
