#include "net/socksblocksocket.h"

#include <algorithm>
#include <cstring>

#include "net/textutil.h"

namespace net {

namespace {

constexpr char kSocks4 = 0x04;
constexpr char kSocks5 = 0x05;
constexpr size_t kMaxSocksField = 255;

std::string Dotted(const std::string& bytes, size_t at) {
    auto b = [&](size_t i) { return std::to_string(static_cast<unsigned char>(bytes[at + i])); };
    return b(0) + "." + b(1) + "." + b(2) + "." + b(3);
}

std::string PortAt(const std::string& bytes, size_t at) {
    return std::to_string(BytesToInt16(bytes, static_cast<int64_t>(at) + 1));
}

}  // namespace

bool TSocksBlockSocket::SocksGreeting() {
    usingSocks_ = false;
    if (SocksType == TSocksType::ST_Socks4) {
        usingSocks_ = true;
        return true;
    }
    if (SocksUsername.empty())
        SendString(std::string{kSocks5, 0x01, 0x00});
    else
        SendString(std::string{kSocks5, 0x02, 0x02, 0x00});
    if (LastError() != 0) return false;
    std::string reply = RecvBufferStr(2, SocksTimeout);
    if (reply.size() < 2 || reply[0] != kSocks5) return false;
    if (reply[1] == 0x02) {
        if (SocksUsername.size() > kMaxSocksField || SocksPassword.size() > kMaxSocksField)
            return false;
        std::string request{0x01};
        request.push_back(static_cast<char>(SocksUsername.size()));
        request += SocksUsername;
        request.push_back(static_cast<char>(SocksPassword.size()));
        request += SocksPassword;
        SendString(request);
        if (LastError() != 0) return false;
        reply = RecvBufferStr(2, SocksTimeout);
        if (reply.size() < 2 || reply[1] != 0x00) return false;
    } else if (reply[1] != 0x00) {
        return false;
    }
    usingSocks_ = true;
    return true;
}

bool TSocksBlockSocket::IPv6ToBytes(const std::string& text, std::string& bytes) {
    const TSocketApi& api = Library().Api();
    if (!Library().FullLookup() && !Library().AddOnLookup()) return false;
    TAddrInfo hints{};
    hints.ai_family = kAfInet6;
    hints.ai_flags = kAiNumericHost;
    TAddrInfo* answers = nullptr;
    if (api.getaddrinfo(text.c_str(), nullptr, &hints, &answers) != 0 || !answers) return false;
    TSockAddr address{};
    std::memcpy(&address, answers->ai_addr, std::min(answers->ai_addrlen, sizeof address));
    api.freeaddrinfo(answers);
    bytes.assign(reinterpret_cast<const char*>(address.in6.sin6_addr), 16);
    return true;
}

std::string TSocksBlockSocket::IPv6FromBytes(const std::string& bytes) {
    const TSocketApi& api = Library().Api();
    if (!Library().FullLookup() && !Library().AddOnLookup()) return {};
    TSockAddr address{};
    address.in6.sin6_family = kAfInet6;
    std::memcpy(address.in6.sin6_addr, bytes.data(), 16);
    char host[kNiMaxHost] = {};
    if (api.getnameinfo(&address, SockAddrSize(address), host, sizeof host, nullptr, 0,
                        kNiNumericHost) != 0)
        return {};
    return host;
}

bool TSocksBlockSocket::SocksAddress(const std::string& hostIn, const std::string& port,
                                     std::string& bytes) {
    std::string host = SocksResolver ? hostIn : ResolveName(hostIn);
    std::string portBytes = Int16ToBytes(static_cast<uint16_t>(ResolvePort(port)));
    bytes.clear();
    if (SocksType == TSocksType::ST_Socks4) {
        if (SocksUsername.find('\0') != std::string::npos || host.find('\0') != std::string::npos)
            return false;
        bytes = portBytes;
        if (IsIPv4Address(host)) {
            bytes += IPv4ToBytes(host) + SocksUsername + '\0';
        } else {
            bytes += std::string{0, 0, 0, 1} + SocksUsername + '\0' + host + '\0';
        }
        return true;
    }
    if (IsIPv4Address(host)) {
        bytes = "\x01" + IPv4ToBytes(host);
    } else if (IsIPv6Address(host)) {
        std::string address;
        if (!IPv6ToBytes(host, address)) return false;
        bytes = "\x04" + address;
    } else {
        if (host.size() > kMaxSocksField) return false;
        bytes = "\x03";
        bytes.push_back(static_cast<char>(host.size()));
        bytes += host;
    }
    bytes += portBytes;
    return true;
}

bool TSocksBlockSocket::SocksRequest(uint8_t command, const std::string& host,
                                     const std::string& port) {
    std::string address;
    if (!SocksAddress(host, port, address)) return false;
    std::string request;
    if (SocksType == TSocksType::ST_Socks4) {
        request = std::string{kSocks4, static_cast<char>(command)} + address;
    } else {
        request = std::string{kSocks5, static_cast<char>(command), 0x00} + address;
    }
    SendString(request);
    return LastError() == 0;
}

bool TSocksBlockSocket::SocksReply() {
    socksReplyIP_.clear();
    socksReplyPort_.clear();
    socksReplyCode_ = -1;
    std::string reply;
    if (SocksType == TSocksType::ST_Socks4) {
        reply = RecvBufferStr(8, SocksTimeout);
        if (LastError() != 0 || reply.size() < 8 || reply[0] != 0) return false;
    } else {
        reply = RecvBufferStr(4, SocksTimeout);
        if (LastError() != 0 || reply.size() < 4 || reply[0] != kSocks5) return false;
        switch (reply[3]) {
            case 0x01:
                reply += RecvBufferStr(4, SocksTimeout);
                break;
            case 0x03: {
                uint8_t length = RecvByte(SocksTimeout);
                if (LastError() != 0) return false;
                reply.push_back(static_cast<char>(length));
                reply += RecvBufferStr(length, SocksTimeout);
                break;
            }
            case 0x04:
                reply += RecvBufferStr(16, SocksTimeout);
                break;
            default:
                return false;
        }
        reply += RecvBufferStr(2, SocksTimeout);
        if (LastError() != 0) return false;
    }
    socksReplyCode_ = static_cast<unsigned char>(reply[1]);
    if (socksReplyCode_ != 0 && socksReplyCode_ != 90) return false;
    SocksDecode(reply);
    return true;
}

void TSocksBlockSocket::SocksDecode(const std::string& reply) {
    socksReplyIP_.clear();
    socksReplyPort_ = "0";
    if (SocksType == TSocksType::ST_Socks4) {
        if (reply.size() < 8) return;
        socksReplyPort_ = PortAt(reply, 2);
        socksReplyIP_ = Dotted(reply, 4);
        return;
    }
    if (reply.size() < 4) return;
    switch (reply[3]) {
        case 0x01:
            if (reply.size() < 10) return;
            socksReplyIP_ = Dotted(reply, 4);
            socksReplyPort_ = PortAt(reply, 8);
            break;
        case 0x03: {
            if (reply.size() < 5) return;
            size_t length = static_cast<unsigned char>(reply[4]);
            if (reply.size() < length + 7) return;
            socksReplyIP_ = reply.substr(5, length);
            socksReplyPort_ = PortAt(reply, 5 + length);
            break;
        }
        case 0x04:
            if (reply.size() < 22) return;
            socksReplyIP_ = IPv6FromBytes(reply.substr(4, 16));
            socksReplyPort_ = PortAt(reply, 20);
            break;
        default:
            break;
    }
}

}  // namespace net
