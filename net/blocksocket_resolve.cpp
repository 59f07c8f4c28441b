// Address and name resolution of the blocking socket: the getaddrinfo road
// (IPv4 and IPv6) and the IPv4-only road over the older functions, whose
// answers live in storage shared by the process and so run under the
// socket library's lock.
//
// A host name is looked up on a thread of its own, so that a resolver that
// does not answer holds the socket no longer than its connect time-out, its
// deadline or a stop request; the thread finishes on its own and its answer
// is dropped. Such threads are few (kMaxLookupThreads) and keep the socket
// library loaded until they end. Address texts are looked up in place: they
// never wait.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "net/blocksocket.h"
#include "net/limits.h"
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

// One address lookup, by value: the thread that runs it may outlive the
// socket that asked (not the socket library, which waits for it).
struct TLookup {
    TSocketApi api;
    std::mutex* lock = nullptr;  // the library's, for the IPv4-only road
    bool lookupRoad = true;
    int first = kAfInet;  // families to try on the lookup road; 0: none
    int second = 0;
    int socketType = 0;
    int protocol = 0;
    std::string host;
    std::string port;
};

struct TLookupResult {
    TSockAddr address{};
    int error = 0;
};

TLookupResult LookupOnce(const TLookup& lookup, int family) {
    const TSocketApi& api = lookup.api;
    TAddrInfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = lookup.socketType;
    hints.ai_protocol = lookup.protocol;
    const std::string& host = lookup.host;
    const char* node = host.c_str();
    if (host == "0.0.0.0" || host == "::0" || host == "::") {
        node = nullptr;
        hints.ai_flags = kAiPassive;
    } else if (host == "127.0.0.1" || host == "::1") {
        node = nullptr;
    }
    TAddrInfo* answers = nullptr;
    TLookupResult result;
    result.error = api.getaddrinfo(node, lookup.port.c_str(), &hints, &answers);
    result.address = FirstAddress(api, result.error == 0 ? answers : nullptr);
    return result;
}

TLookupResult LookupIPv4Only(const TLookup& lookup) {
    const TSocketApi& api = lookup.api;
    std::lock_guard guard(*lookup.lock);
    TLookupResult result;
    TSockAddr& address = result.address;
    address.in4.sin_family = kAfInet;
    TProtoEnt* protocol = api.getprotobynumber(lookup.protocol);
    TServEnt* service =
        protocol ? api.getservbyname(lookup.port.c_str(), protocol->p_name) : nullptr;
    if (service) {
        address.in4.sin_port = static_cast<uint16_t>(service->s_port);
    } else {
        address.in4.sin_port =
            api.htons(static_cast<uint16_t>(runtime::StrToIntDef(lookup.port, 0)));
    }
    if (lookup.host == "255.255.255.255") {
        address.in4.sin_addr.value = kInAddrBroadcast;
        return result;
    }
    uint32_t numeric = api.inet_addr(lookup.host.c_str());
    if (numeric != kInAddrNone) {
        address.in4.sin_addr.value = numeric;
        return result;
    }
    THostEnt* answer = api.gethostbyname(lookup.host.c_str());
    if (!answer || !answer->h_addr_list || !answer->h_addr_list[0]) {
        result.error = api.WSAGetLastError();
        if (result.error == 0) result.error = kWsaHostNotFound;
        return result;
    }
    std::memcpy(&address.in4.sin_addr, answer->h_addr_list[0], 4);
    return result;
}

TLookupResult RunLookup(const TLookup& lookup) {
    if (!lookup.lookupRoad) return LookupIPv4Only(lookup);
    TLookupResult result = LookupOnce(lookup, lookup.first);
    if (result.error != 0 && lookup.second != 0) result = LookupOnce(lookup, lookup.second);
    return result;
}

// A numeric port beyond 16 bits would wrap into another port.
bool PortOutOfRange(const std::string& port) {
    if (port.empty() ||
        !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    return port.size() > 5 || std::stoi(port) > 65535;
}

// What the lookup thread and the waiting socket share.
struct TLookupState {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    TLookupResult result;
};

}  // namespace

bool TBlockSocket::LibraryMissing() {
    if (library_.Loaded()) return false;
    lastError_ = kWsaNotInitialised;
    return true;
}

bool TBlockSocket::UseLookupRoad() const {
    return library_.UsesLookupRoad(family_);
}

TSockAddr TBlockSocket::ResolveBounded(const std::string& host, const std::string& port) {
    TLookup lookup;
    lookup.api = library_.Api();
    lookup.lock = &library_.Lock();
    lookup.lookupRoad = UseLookupRoad();
    lookup.socketType = SocketType();
    lookup.protocol = SocketProtocol();
    lookup.host = host;
    lookup.port = port;
    if (handle_ != kInvalidSocket) {
        lookup.first = ip6Used_ ? kAfInet6 : kAfInet;
    } else if (family_ == TSocketFamily::SF_IP4) {
        lookup.first = kAfInet;
    } else if (family_ == TSocketFamily::SF_IP6) {
        lookup.first = kAfInet6;
    } else if (IsIPv4Address(host)) {
        lookup.first = kAfInet;
    } else if (IsIPv6Address(host)) {
        lookup.first = kAfInet6;
    } else {
        lookup.first = PreferIP4 ? kAfInet : kAfInet6;
        lookup.second = PreferIP4 ? kAfInet6 : kAfInet;
    }

    if (IsIPv4Address(host) || IsIPv6Address(host)) {
        TLookupResult result = RunLookup(lookup);
        lastError_ = result.error;
        return result.address;
    }

    const int timeout = deadline_.Bound(ConnectTimeout);
    const uint32_t start = CurrentTick();
    // The time left for the next slice of a wait; 0 with the error set when
    // the wait must end.
    auto nextSlice = [&] {
        if (StopFlag.exchange(false)) {
            lastError_ = kWsaEConnAborted;
            return 0;
        }
        int left = TimeLeft(timeout, start);
        if (left == 0) {
            lastError_ = kWsaETimedOut;
            return 0;
        }
        return left < 0 ? kStopCheckInterval : std::min(left, kStopCheckInterval);
    };

    // Room among the lookup threads.
    for (bool room = false; !room;) {
        int slice = nextSlice();
        if (slice == 0) return {};
        room = library_.BeginLookup(slice);
    }
    auto state = std::make_shared<TLookupState>();
    TSocketLibrary* library = &library_;
    try {
        std::thread([state, lookup, library] {
            TLookupResult result = RunLookup(lookup);
            {
                std::lock_guard guard(state->mutex);
                state->result = result;
                state->finished = true;
                state->done.notify_all();
            }
            library->EndLookup();
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the lookup runs here, unbounded.
        library_.EndLookup();
        TLookupResult result = RunLookup(lookup);
        lastError_ = result.error;
        return result.address;
    }

    std::unique_lock guard(state->mutex);
    while (!state->finished) {
        int slice = nextSlice();
        if (slice == 0) return {};
        state->done.wait_for(guard, std::chrono::milliseconds(slice));
    }
    lastError_ = state->result.error;
    return state->result.address;
}

TSockAddr TBlockSocket::ResolveAddress(const std::string& host, const std::string& port) {
    DoStatus(THookSocketReason::HR_ResolvingBegin, host + ":" + port);
    lastError_ = 0;
    TSockAddr address{};
    if (PortOutOfRange(port))
        lastError_ = kWsaEInval;
    else if (!LibraryMissing())
        address = ResolveBounded(host, port);
    DoStatus(THookSocketReason::HR_ResolvingEnd, host + ":" + port);
    return address;
}

std::string TBlockSocket::AddressText(const TSockAddr& address) {
    const TSocketApi& api = library_.Api();
    if (LibraryMissing()) return {};
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
    if (LibraryMissing()) return 0;
    return library_.Api().ntohs(address.in4.sin_port);
}

void TBlockSocket::ResolveNameToList(const std::string& name, std::vector<std::string>& list) {
    const TSocketApi& api = library_.Api();
    list.clear();
    if (LibraryMissing()) {
        list.push_back("0.0.0.0");
        return;
    }
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
    if (LibraryMissing()) return 0;
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
    if (LibraryMissing()) return result;
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
    if (LibraryMissing()) return "127.0.0.1";
    std::string name = library_.GetHostName();
    return name.empty() ? "127.0.0.1" : name;
}

}  // namespace net
