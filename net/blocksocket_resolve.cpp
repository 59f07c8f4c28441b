// Address and name resolution of the blocking socket: the getaddrinfo road
// (IPv4 and IPv6) and the IPv4-only road over the older functions, whose
// answers live in storage shared by the process and so run under the
// socket library's lock.

#include <algorithm>
#include <cstring>

#include "net/blocksocket.h"
#include "net/textutil.h"
#include "runtime/strings.h"

namespace net {

namespace {

// The first answer's address; the answer list is freed.
TSockAddr FirstAddress(const TSocketApi& api, TAddrInfo* answers) {
    TSockAddr address{};
    if (answers && answers->ai_addr)
        std::memcpy(&address, answers->ai_addr, std::min(answers->ai_addrlen, sizeof address));
    if (answers) api.freeaddrinfo(answers);
    return address;
}

}  // namespace

bool TBlockSocket::UseLookupRoad() const {
    return library_.UsesLookupRoad(family_);
}

TSockAddr TBlockSocket::ResolveWithLookupRoad(const std::string& host, const std::string& port,
                                              int family) {
    const TSocketApi& api = library_.Api();
    TAddrInfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SocketType();
    hints.ai_protocol = SocketProtocol();
    const char* node = host.c_str();
    if (host == "0.0.0.0" || host == "::0" || host == "::") {
        node = nullptr;
        hints.ai_flags = kAiPassive;
    } else if (host == "127.0.0.1" || host == "::1") {
        node = nullptr;
    }
    TAddrInfo* answers = nullptr;
    lastError_ = api.getaddrinfo(node, port.c_str(), &hints, &answers);
    return FirstAddress(api, lastError_ == 0 ? answers : nullptr);
}

TSockAddr TBlockSocket::ResolveIPv4Only(const std::string& host, const std::string& port) {
    const TSocketApi& api = library_.Api();
    std::lock_guard guard(library_.Lock());
    TSockAddr address{};
    address.in4.sin_family = kAfInet;
    TProtoEnt* protocol = api.getprotobynumber(SocketProtocol());
    TServEnt* service = protocol ? api.getservbyname(port.c_str(), protocol->p_name) : nullptr;
    if (service) {
        address.in4.sin_port = static_cast<uint16_t>(service->s_port);
    } else {
        address.in4.sin_port = api.htons(static_cast<uint16_t>(runtime::StrToIntDef(port, 0)));
    }
    if (host == "255.255.255.255") {
        address.in4.sin_addr.value = kInAddrBroadcast;
        return address;
    }
    uint32_t numeric = api.inet_addr(host.c_str());
    if (numeric != kInAddrNone) {
        address.in4.sin_addr.value = numeric;
        return address;
    }
    THostEnt* answer = api.gethostbyname(host.c_str());
    if (!answer || !answer->h_addr_list || !answer->h_addr_list[0]) {
        lastError_ = api.WSAGetLastError();
        if (lastError_ == 0) lastError_ = kWsaHostNotFound;
        return address;
    }
    std::memcpy(&address.in4.sin_addr, answer->h_addr_list[0], 4);
    return address;
}

TSockAddr TBlockSocket::ResolveAddress(const std::string& host, const std::string& port) {
    DoStatus(THookSocketReason::HR_ResolvingBegin, host + ":" + port);
    lastError_ = 0;
    TSockAddr address{};
    if (UseLookupRoad()) {
        int first = kAfInet;
        int second = 0;  // none
        if (handle_ != kInvalidSocket) {
            first = ip6Used_ ? kAfInet6 : kAfInet;
        } else if (family_ == TSocketFamily::SF_IP4) {
            first = kAfInet;
        } else if (family_ == TSocketFamily::SF_IP6) {
            first = kAfInet6;
        } else if (IsIPv4Address(host)) {
            first = kAfInet;
        } else if (IsIPv6Address(host)) {
            first = kAfInet6;
        } else {
            first = PreferIP4 ? kAfInet : kAfInet6;
            second = PreferIP4 ? kAfInet6 : kAfInet;
        }
        address = ResolveWithLookupRoad(host, port, first);
        if (lastError_ != 0 && second != 0) address = ResolveWithLookupRoad(host, port, second);
    } else {
        address = ResolveIPv4Only(host, port);
    }
    DoStatus(THookSocketReason::HR_ResolvingEnd, host + ":" + port);
    return address;
}

std::string TBlockSocket::AddressText(const TSockAddr& address) {
    const TSocketApi& api = library_.Api();
    if (UseLookupRoad()) {
        char host[kNiMaxHost] = {};
        if (api.getnameinfo(&address, SockAddrSize(address), host, sizeof host, nullptr, 0,
                            kNiNumericHost | kNiNumericServ) != 0)
            return {};
        return host;
    }
    const char* text = api.inet_ntoa(address.in4.sin_addr);
    return text ? text : "";
}

int TBlockSocket::AddressPort(const TSockAddr& address) {
    return library_.Api().ntohs(address.in4.sin_port);
}

void TBlockSocket::ResolveNameToList(const std::string& name, std::vector<std::string>& list) {
    const TSocketApi& api = library_.Api();
    list.clear();
    if (UseLookupRoad()) {
        TAddrInfo hints{};
        hints.ai_family = kAfUnspecified;
        hints.ai_socktype = SocketType();
        hints.ai_protocol = SocketProtocol();
        TAddrInfo* answers = nullptr;
        if (api.getaddrinfo(name.c_str(), nullptr, &hints, &answers) == 0) {
            for (TAddrInfo* a = answers; a; a = a->ai_next) {
                if ((a->ai_family == kAfInet && family_ == TSocketFamily::SF_IP6) ||
                    (a->ai_family == kAfInet6 && family_ == TSocketFamily::SF_IP4) || !a->ai_addr)
                    continue;
                TSockAddr address{};
                std::memcpy(&address, a->ai_addr, std::min(a->ai_addrlen, sizeof address));
                std::string text = AddressText(address);
                // Without a socket type each address comes once per type.
                if (!text.empty() && std::find(list.begin(), list.end(), text) == list.end())
                    list.push_back(text);
            }
        }
        if (answers) api.freeaddrinfo(answers);
    } else if (api.inet_addr(name.c_str()) != kInAddrNone) {
        list.push_back(name);
    } else {
        std::lock_guard guard(library_.Lock());
        THostEnt* answer = api.gethostbyname(name.c_str());
        for (char** a = answer ? answer->h_addr_list : nullptr; a && *a; ++a) {
            auto* b = reinterpret_cast<const unsigned char*>(*a);
            list.push_back(std::to_string(b[0]) + "." + std::to_string(b[1]) + "." +
                           std::to_string(b[2]) + "." + std::to_string(b[3]));
        }
    }
    if (list.empty()) list.push_back("0.0.0.0");
}

std::string TBlockSocket::ResolveName(const std::string& name) {
    std::vector<std::string> list;
    ResolveNameToList(name, list);
    return list.front();
}

int TBlockSocket::ResolvePort(const std::string& port) {
    const TSocketApi& api = library_.Api();
    if (UseLookupRoad()) {
        TAddrInfo hints{};
        hints.ai_family = family_ == TSocketFamily::SF_IP6 ? kAfInet6 : kAfInet;
        hints.ai_socktype = SocketType();
        hints.ai_protocol = SocketProtocol();
        hints.ai_flags = kAiPassive;
        TAddrInfo* answers = nullptr;
        if (api.getaddrinfo(nullptr, port.c_str(), &hints, &answers) != 0) return 0;
        return AddressPort(FirstAddress(api, answers));
    }
    std::lock_guard guard(library_.Lock());
    TProtoEnt* protocol = api.getprotobynumber(SocketProtocol());
    TServEnt* service = protocol ? api.getservbyname(port.c_str(), protocol->p_name) : nullptr;
    if (service) return api.ntohs(static_cast<uint16_t>(service->s_port));
    return runtime::StrToIntDef(port, 0);
}

std::string TBlockSocket::ResolveAddressToName(const std::string& address) {
    const TSocketApi& api = library_.Api();
    std::string result = address;
    if (UseLookupRoad()) {
        TAddrInfo hints{};
        hints.ai_family = kAfUnspecified;
        hints.ai_flags = kAiNumericHost;
        TAddrInfo* answers = nullptr;
        if (api.getaddrinfo(address.c_str(), nullptr, &hints, &answers) != 0) return result;
        TSockAddr sin = FirstAddress(api, answers);
        char host[kNiMaxHost] = {};
        if (api.getnameinfo(&sin, SockAddrSize(sin), host, sizeof host, nullptr, 0, kNiNameReqd) ==
            0)
            result = host;
        return result;
    }
    std::string ip = IsIPv4Address(address) ? address : ResolveName(address);
    uint32_t numeric = api.inet_addr(ip.c_str());
    std::lock_guard guard(library_.Lock());
    THostEnt* answer = api.gethostbyaddr(reinterpret_cast<const char*>(&numeric), 4, kAfInet);
    if (answer && answer->h_name) result = answer->h_name;
    return result;
}

std::string TBlockSocket::LocalHostName() {
    std::string name = library_.GetHostName();
    return name.empty() ? "127.0.0.1" : name;
}

}  // namespace net
