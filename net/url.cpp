#include "net/url.h"

#include "runtime/strings.h"

namespace net {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

TCharSet MakeURLSpecialChars() {
    TCharSet set;
    for (unsigned c = 0x00; c <= 0x20; ++c) set.set(c);
    for (unsigned char c : std::string_view("\"%<>[\\]^_`{|}~")) set.set(c);
    for (unsigned c = 0x7F; c <= 0xFF; ++c) set.set(c);
    return set;
}

}  // namespace

std::string ParseURL(std::string_view url, TURLParts& parts) {
    parts = TURLParts{};
    parts.Protocol = "http";
    parts.Port = "80";

    std::string_view rest = url;
    if (size_t p = url.find("://"); p != std::string_view::npos) {
        parts.Protocol = std::string(url.substr(0, p));
        rest = url.substr(p + 3);
    }
    std::string protocol = runtime::UpperCase(parts.Protocol);
    if (protocol == "HTTPS") parts.Port = "443";
    if (protocol == "FTP") parts.Port = "21";

    rest = rest.substr(0, rest.find('#'));
    size_t authorityEnd = rest.find_first_of("/?");
    if (authorityEnd == std::string_view::npos) authorityEnd = rest.size();
    if (size_t at = rest.find('@'); at < authorityEnd) {
        std::string_view userPart = rest.substr(0, at);
        size_t colon = userPart.find(':');
        parts.User = std::string(userPart.substr(0, colon));
        if (colon != std::string_view::npos)
            parts.Password = std::string(userPart.substr(colon + 1));
        rest.remove_prefix(at + 1);
        authorityEnd -= at + 1;
    }

    std::string_view hostPart = rest.substr(0, authorityEnd);
    std::string_view pathPart = rest.substr(authorityEnd);
    if (!pathPart.empty() && pathPart.front() == '/') pathPart.remove_prefix(1);

    std::string_view portText;
    bool hasPort = false;
    if (!hostPart.empty() && hostPart.front() == '[') {
        size_t close = hostPart.find(']');
        parts.Host =
            std::string(hostPart.substr(1, close == std::string_view::npos ? close : close - 1));
        if (close != std::string_view::npos && hostPart.substr(close + 1).starts_with(':')) {
            portText = hostPart.substr(close + 2);
            hasPort = true;
        }
    } else {
        size_t colon = hostPart.find(':');
        parts.Host = std::string(hostPart.substr(0, colon));
        if (colon != std::string_view::npos) {
            portText = hostPart.substr(colon + 1);
            hasPort = true;
        }
    }
    if (hasPort && !portText.empty()) parts.Port = std::string(portText);
    if (parts.Host.empty()) parts.Host = "localhost";

    size_t query = pathPart.find('?');
    parts.Path = "/" + std::string(pathPart.substr(0, query));
    if (query != std::string_view::npos) parts.Parameters = std::string(pathPart.substr(query + 1));
    return "/" + std::string(pathPart);
}

std::string DecodeEscapes(std::string_view s, char delimiter) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c != delimiter) {
            out.push_back(c);
            ++i;
            continue;
        }
        char next = i + 1 < s.size() ? s[i + 1] : '\0';
        if (i + 1 < s.size() && (next == '\r' || next == '\n')) {
            // Soft line break: the delimiter and one line end vanish.
            i += 2;
            if (i < s.size() && (s[i] == '\r' || s[i] == '\n') && s[i] != next) ++i;
            continue;
        }
        if (i + 2 < s.size() && HexValue(next) >= 0 && HexValue(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(next) * 16 + HexValue(s[i + 2])));
            i += 3;
            continue;
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

std::string DecodeURL(std::string_view s) {
    return DecodeEscapes(s, '%');
}

std::string EncodeEscapes(std::string_view s, char delimiter, const TCharSet& escaped) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        auto byte = static_cast<unsigned char>(c);
        if (escaped.test(byte)) {
            out.push_back(delimiter);
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

const TCharSet& URLSpecialChars() {
    static const TCharSet set = MakeURLSpecialChars();
    return set;
}

std::string EncodeURLSpecialChars(std::string_view s) {
    return EncodeEscapes(s, '%', URLSpecialChars());
}

}  // namespace net
