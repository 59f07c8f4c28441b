// The socket interface over the C library: adapters that take and give the
// Windows records, constants and error numbers, so the socket layer runs
// unchanged on both platforms.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "net/socket_api.h"

namespace net {

namespace {

thread_local int tLastError = 0;

struct TErrnoCode {
    int errnoValue;
    int wsaCode;
};

constexpr TErrnoCode kErrnoCodes[] = {
    {EINTR, kWsaEIntr},
    {EBADF, kWsaEBadF},
    {EACCES, kWsaEAcces},
    {EPERM, kWsaEAcces},
    {EFAULT, kWsaEFault},
    {EINVAL, kWsaEInval},
    {EMFILE, kWsaEMFile},
    {ENFILE, kWsaEMFile},
    {EWOULDBLOCK, kWsaEWouldBlock},
    {EINPROGRESS, kWsaEInProgress},
    {EALREADY, kWsaEAlready},
    {ENOTSOCK, kWsaENotSock},
    {EDESTADDRREQ, kWsaEDestAddrReq},
    {EMSGSIZE, kWsaEMsgSize},
    {EPROTOTYPE, kWsaEProtoType},
    {ENOPROTOOPT, kWsaENoProtoOpt},
    {EPROTONOSUPPORT, kWsaEProtoNoSupport},
    {ESOCKTNOSUPPORT, kWsaESocktNoSupport},
    {EOPNOTSUPP, kWsaEOpNotSupp},
    {EPFNOSUPPORT, kWsaEPfNoSupport},
    {EAFNOSUPPORT, kWsaEAfNoSupport},
    {EADDRINUSE, kWsaEAddrInUse},
    {EADDRNOTAVAIL, kWsaEAddrNotAvail},
    {ENETDOWN, kWsaENetDown},
    {ENETUNREACH, kWsaENetUnreach},
    {ENETRESET, kWsaENetReset},
    {ECONNABORTED, kWsaEConnAborted},
    {ECONNRESET, kWsaEConnReset},
    {EPIPE, kWsaEConnReset},
    {ENOBUFS, kWsaENoBufs},
    {ENOMEM, kWsaENoBufs},
    {EISCONN, kWsaEIsConn},
    {ENOTCONN, kWsaENotConn},
    {ESHUTDOWN, kWsaEShutdown},
    {ETOOMANYREFS, kWsaETooManyRefs},
    {ETIMEDOUT, kWsaETimedOut},
    {ECONNREFUSED, kWsaEConnRefused},
    {ELOOP, kWsaELoop},
    {ENAMETOOLONG, kWsaENameTooLong},
    {EHOSTDOWN, kWsaEHostDown},
    {EHOSTUNREACH, kWsaEHostUnreach},
    {ENOTEMPTY, kWsaENotEmpty},
    {EUSERS, kWsaEUsers},
    {EDQUOT, kWsaEDQuot},
    {ESTALE, kWsaEStale},
    {EREMOTE, kWsaERemote},
};

int WsaFromErrno(int e) {
    for (const TErrnoCode& entry : kErrnoCodes)
        if (entry.errnoValue == e) return entry.wsaCode;
    return kWsaEInval;
}

int Fail(int wsaCode) {
    tLastError = wsaCode;
    return kSocketError;
}

int FailErrno() {
    return Fail(WsaFromErrno(errno));
}

int WsaFromResolver(int code) {
    switch (code) {
        case 0:
            return 0;
        case EAI_NONAME:
            return kWsaHostNotFound;
        case EAI_AGAIN:
            return kWsaTryAgain;
        case EAI_FAIL:
            return kWsaNoRecovery;
#ifdef EAI_NODATA
        case EAI_NODATA:
            return kWsaNoData;
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
            return kWsaNoData;
#endif
        case EAI_FAMILY:
            return kWsaEAfNoSupport;
        case EAI_SOCKTYPE:
            return kWsaESocktNoSupport;
        case EAI_SERVICE:
            return kWsaTypeNotFound;
        case EAI_MEMORY:
            return kWsaNotEnoughMemory;
        case EAI_BADFLAGS:
            return kWsaEInval;
        case EAI_OVERFLOW:
            return kWsaEFault;
        case EAI_SYSTEM:
            return WsaFromErrno(errno);
        default:
            return kWsaNoRecovery;
    }
}

int WsaFromHErrno(int code) {
    switch (code) {
        case HOST_NOT_FOUND:
            return kWsaHostNotFound;
        case TRY_AGAIN:
            return kWsaTryAgain;
        case NO_RECOVERY:
            return kWsaNoRecovery;
        case NO_DATA:
            return kWsaNoData;
        default:
            return kWsaNoRecovery;
    }
}

int NativeFamily(int family) {
    switch (family) {
        case kAfInet:
            return AF_INET;
        case kAfInet6:
            return AF_INET6;
        case kAfUnspecified:
            return AF_UNSPEC;
        default:
            return -1;
    }
}

int WindowsFamily(int family) {
    switch (family) {
        case AF_INET:
            return kAfInet;
        case AF_INET6:
            return kAfInet6;
        default:
            return family;
    }
}

int Fd(TSocket s) {
    return s > 0x7FFFFFFF ? -1 : static_cast<int>(s);
}

// Socket address, Windows form <-> native form. Both have the same layout
// but for the IPv6 family number.
bool ToNative(const TSockAddr* from, int length, sockaddr_storage& to, socklen_t& toLength) {
    std::memset(&to, 0, sizeof to);
    if (!from || length < static_cast<int>(sizeof(uint16_t))) return false;
    int family = NativeFamily(Family(*from));
    if (family == AF_INET && length >= static_cast<int>(sizeof(sockaddr_in))) {
        std::memcpy(&to, from, sizeof(sockaddr_in));
        toLength = sizeof(sockaddr_in);
    } else if (family == AF_INET6 && length >= static_cast<int>(sizeof(sockaddr_in6))) {
        std::memcpy(&to, from, sizeof(sockaddr_in6));
        toLength = sizeof(sockaddr_in6);
    } else {
        return false;
    }
    to.ss_family = static_cast<sa_family_t>(family);
    return true;
}

void FromNative(const sockaddr* from, socklen_t fromLength, TSockAddr* to, int* toLength) {
    if (!to || !toLength) return;
    TSockAddr address{};
    size_t size = std::min<size_t>(fromLength, sizeof address);
    std::memcpy(&address, from, size);
    address.in4.sin_family = static_cast<uint16_t>(WindowsFamily(from->sa_family));
    size_t room = *toLength > 0 ? static_cast<size_t>(*toLength) : 0;
    std::memcpy(to, &address, std::min(room, size));
    *toLength = static_cast<int>(size);
}

// ---- the adapters ------------------------------------------------------------

int WSAIoctlAdapter(TSocket, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*, void*, void*) {
    return Fail(kWsaEOpNotSupp);
}

int WSAFDIsSetAdapter(TSocket s, TFDSet* set) {
    for (uint32_t i = 0; set && i < set->fd_count; ++i)
        if (set->fd_array[i] == s) return 1;
    return 0;
}

int closesocketAdapter(TSocket s) {
    return ::close(Fd(s)) == 0 ? 0 : FailErrno();
}

int ioctlsocketAdapter(TSocket s, int32_t command, uint32_t* argument) {
    if (!argument) return Fail(kWsaEFault);
    int fd = Fd(s);
    if (command == kFionBio) {
        int flags = ::fcntl(fd, F_GETFL, 0);
        if (flags < 0) return FailErrno();
        flags = *argument ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
        return ::fcntl(fd, F_SETFL, flags) == 0 ? 0 : FailErrno();
    }
    if (command == kFionRead) {
        int count = 0;
        if (::ioctl(fd, FIONREAD, &count) != 0) return FailErrno();
        *argument = static_cast<uint32_t>(count);
        return 0;
    }
    return Fail(kWsaEInval);
}

int WSAGetLastErrorAdapter() {
    return tLastError;
}

int WSAStartupAdapter(uint16_t, TWSAData* data) {
    if (data) std::memset(data, 0, sizeof *data);
    return 0;
}

int WSACleanupAdapter() {
    return 0;
}

TSocket acceptAdapter(TSocket s, TSockAddr* address, int* length) {
    sockaddr_storage native{};
    socklen_t nativeLength = sizeof native;
    int fd = ::accept4(Fd(s), reinterpret_cast<sockaddr*>(&native), &nativeLength, SOCK_CLOEXEC);
    if (fd < 0) {
        FailErrno();
        return kInvalidSocket;
    }
    FromNative(reinterpret_cast<sockaddr*>(&native), nativeLength, address, length);
    return static_cast<TSocket>(fd);
}

int bindAdapter(TSocket s, const TSockAddr* address, int length) {
    sockaddr_storage native;
    socklen_t nativeLength = 0;
    if (!ToNative(address, length, native, nativeLength)) return Fail(kWsaEAfNoSupport);
    return ::bind(Fd(s), reinterpret_cast<sockaddr*>(&native), nativeLength) == 0 ? 0 : FailErrno();
}

int connectAdapter(TSocket s, const TSockAddr* address, int length) {
    sockaddr_storage native;
    socklen_t nativeLength = 0;
    if (!ToNative(address, length, native, nativeLength)) return Fail(kWsaEAfNoSupport);
    if (::connect(Fd(s), reinterpret_cast<sockaddr*>(&native), nativeLength) == 0) return 0;
    // A non-blocking connect under way reads as Windows reports it.
    return errno == EINPROGRESS ? Fail(kWsaEWouldBlock) : FailErrno();
}

int getpeernameAdapter(TSocket s, TSockAddr* address, int* length) {
    sockaddr_storage native{};
    socklen_t nativeLength = sizeof native;
    if (::getpeername(Fd(s), reinterpret_cast<sockaddr*>(&native), &nativeLength) != 0)
        return FailErrno();
    FromNative(reinterpret_cast<sockaddr*>(&native), nativeLength, address, length);
    return 0;
}

int getsocknameAdapter(TSocket s, TSockAddr* address, int* length) {
    sockaddr_storage native{};
    socklen_t nativeLength = sizeof native;
    if (::getsockname(Fd(s), reinterpret_cast<sockaddr*>(&native), &nativeLength) != 0)
        return FailErrno();
    FromNative(reinterpret_cast<sockaddr*>(&native), nativeLength, address, length);
    return 0;
}

// Windows option (level, name) -> native; false when there is none.
bool NativeOption(int level, int name, int& nativeLevel, int& nativeName) {
    struct TOption {
        int level, name, nativeLevel, nativeName;
    };
    static constexpr TOption kOptions[] = {
        {kSolSocket, kSoReuseAddr, SOL_SOCKET, SO_REUSEADDR},
        {kSolSocket, kSoKeepAlive, SOL_SOCKET, SO_KEEPALIVE},
        {kSolSocket, kSoBroadcast, SOL_SOCKET, SO_BROADCAST},
        {kSolSocket, kSoLinger, SOL_SOCKET, SO_LINGER},
        {kSolSocket, kSoSndBuf, SOL_SOCKET, SO_SNDBUF},
        {kSolSocket, kSoRcvBuf, SOL_SOCKET, SO_RCVBUF},
        {kSolSocket, kSoSndTimeo, SOL_SOCKET, SO_SNDTIMEO},
        {kSolSocket, kSoRcvTimeo, SOL_SOCKET, SO_RCVTIMEO},
        {kSolSocket, kSoError, SOL_SOCKET, SO_ERROR},
        {kSolSocket, kSoType, SOL_SOCKET, SO_TYPE},
        {kIpProtoIp, kIpTtl, IPPROTO_IP, IP_TTL},
        {kIpProtoIp, kIpMulticastTtl, IPPROTO_IP, IP_MULTICAST_TTL},
        {kIpProtoIp, kIpMulticastLoop, IPPROTO_IP, IP_MULTICAST_LOOP},
        {kIpProtoIpv6, kIpv6UnicastHops, IPPROTO_IPV6, IPV6_UNICAST_HOPS},
        {kIpProtoIpv6, kIpv6MulticastHops, IPPROTO_IPV6, IPV6_MULTICAST_HOPS},
        {kIpProtoIpv6, kIpv6MulticastLoop, IPPROTO_IPV6, IPV6_MULTICAST_LOOP},
        {kIpProtoTcp, kTcpNoDelay, IPPROTO_TCP, TCP_NODELAY},
    };
    for (const TOption& option : kOptions) {
        if (option.level == level && option.name == name) {
            nativeLevel = option.nativeLevel;
            nativeName = option.nativeName;
            return true;
        }
    }
    return false;
}

int setsockoptAdapter(TSocket s, int level, int name, const char* value, int length) {
    int nativeLevel = 0;
    int nativeName = 0;
    if (!NativeOption(level, name, nativeLevel, nativeName)) return Fail(kWsaENoProtoOpt);
    if (!value) return Fail(kWsaEFault);
    int result = 0;
    if (nativeName == SO_LINGER && nativeLevel == SOL_SOCKET) {
        if (length < static_cast<int>(sizeof(TLinger))) return Fail(kWsaEFault);
        TLinger windows;
        std::memcpy(&windows, value, sizeof windows);
        linger native{windows.l_onoff, windows.l_linger};
        result = ::setsockopt(Fd(s), nativeLevel, nativeName, &native, sizeof native);
    } else if ((nativeName == SO_SNDTIMEO || nativeName == SO_RCVTIMEO) &&
               nativeLevel == SOL_SOCKET) {
        if (length < 4) return Fail(kWsaEFault);
        uint32_t milliseconds;
        std::memcpy(&milliseconds, value, 4);
        timeval native{static_cast<time_t>(milliseconds / 1000),
                       static_cast<suseconds_t>(milliseconds % 1000 * 1000)};
        result = ::setsockopt(Fd(s), nativeLevel, nativeName, &native, sizeof native);
    } else {
        if (length < 4) return Fail(kWsaEFault);
        int native;
        std::memcpy(&native, value, 4);
        result = ::setsockopt(Fd(s), nativeLevel, nativeName, &native, sizeof native);
    }
    return result == 0 ? 0 : FailErrno();
}

int getsockoptAdapter(TSocket s, int level, int name, char* value, int* length) {
    int nativeLevel = 0;
    int nativeName = 0;
    if (!NativeOption(level, name, nativeLevel, nativeName)) return Fail(kWsaENoProtoOpt);
    if (!value || !length || *length < 4) return Fail(kWsaEFault);
    int result = 0;
    if (nativeName == SO_LINGER && nativeLevel == SOL_SOCKET) {
        linger native{};
        socklen_t size = sizeof native;
        result = ::getsockopt(Fd(s), nativeLevel, nativeName, &native, &size);
        TLinger windows{static_cast<uint16_t>(native.l_onoff),
                        static_cast<uint16_t>(native.l_linger)};
        std::memcpy(value, &windows, sizeof windows);
    } else if ((nativeName == SO_SNDTIMEO || nativeName == SO_RCVTIMEO) &&
               nativeLevel == SOL_SOCKET) {
        timeval native{};
        socklen_t size = sizeof native;
        result = ::getsockopt(Fd(s), nativeLevel, nativeName, &native, &size);
        auto milliseconds = static_cast<uint32_t>(native.tv_sec * 1000 + native.tv_usec / 1000);
        std::memcpy(value, &milliseconds, 4);
    } else {
        int native = 0;
        socklen_t size = sizeof native;
        result = ::getsockopt(Fd(s), nativeLevel, nativeName, &native, &size);
        if (nativeName == SO_ERROR && nativeLevel == SOL_SOCKET && native != 0)
            native = WsaFromErrno(native);
        std::memcpy(value, &native, 4);
    }
    *length = 4;
    return result == 0 ? 0 : FailErrno();
}

uint32_t htonlAdapter(uint32_t v) {
    return htonl(v);
}
uint16_t htonsAdapter(uint16_t v) {
    return htons(v);
}
uint32_t ntohlAdapter(uint32_t v) {
    return ntohl(v);
}
uint16_t ntohsAdapter(uint16_t v) {
    return ntohs(v);
}

uint32_t inet_addrAdapter(const char* text) {
    return text ? ::inet_addr(text) : kInAddrNone;
}

char* inet_ntoaAdapter(TInAddr address) {
    thread_local char text[INET_ADDRSTRLEN];
    in_addr native;
    native.s_addr = address.value;
    ::inet_ntop(AF_INET, &native, text, sizeof text);
    return text;
}

int listenAdapter(TSocket s, int backlog) {
    return ::listen(Fd(s), backlog > SOMAXCONN ? SOMAXCONN : backlog) == 0 ? 0 : FailErrno();
}

int recvAdapter(TSocket s, char* buffer, int length, int flags) {
    ssize_t n;
    do n = ::recv(Fd(s), buffer, static_cast<size_t>(length), flags);
    while (n < 0 && errno == EINTR);
    return n >= 0 ? static_cast<int>(n) : FailErrno();
}

int recvfromAdapter(TSocket s, char* buffer, int length, int flags, TSockAddr* from,
                    int* fromLength) {
    sockaddr_storage native{};
    socklen_t nativeLength = sizeof native;
    ssize_t n;
    do
        n = ::recvfrom(Fd(s), buffer, static_cast<size_t>(length), flags,
                       reinterpret_cast<sockaddr*>(&native), &nativeLength);
    while (n < 0 && errno == EINTR);
    if (n < 0) return FailErrno();
    if (nativeLength > 0)
        FromNative(reinterpret_cast<sockaddr*>(&native), nativeLength, from, fromLength);
    return static_cast<int>(n);
}

// select over the Windows descriptor sets, carried out with poll: no limit
// on descriptor numbers. Readable includes a closed or failed connection,
// as on Windows; a failed connect shows in the exception set.
int selectAdapter(int, TFDSet* readSet, TFDSet* writeSet, TFDSet* exceptSet,
                  const TTimeVal* timeout) {
    std::vector<pollfd> polls;
    auto add = [&](TFDSet* set, short events) {
        for (uint32_t i = 0; set && i < set->fd_count; ++i) {
            int fd = Fd(set->fd_array[i]);
            auto it = std::find_if(polls.begin(), polls.end(),
                                   [fd](const pollfd& p) { return p.fd == fd; });
            if (it == polls.end())
                polls.push_back(pollfd{fd, events, 0});
            else
                it->events = static_cast<short>(it->events | events);
        }
    };
    add(readSet, POLLIN);
    add(writeSet, POLLOUT);
    add(exceptSet, POLLPRI);

    using Clock = std::chrono::steady_clock;
    bool forever = timeout == nullptr;
    auto deadline = Clock::now();
    if (!forever)
        deadline +=
            std::chrono::seconds(timeout->tv_sec) + std::chrono::microseconds(timeout->tv_usec);
    int ready;
    while (true) {
        int waitMs = -1;
        if (!forever) {
            auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
            waitMs = left.count() <= 0 ? 0 : static_cast<int>((left.count() + 999) / 1000);
        }
        ready = ::poll(polls.data(), polls.size(), waitMs);
        if (ready >= 0 || errno != EINTR) break;
    }
    if (ready < 0) return FailErrno();

    int count = 0;
    auto collect = [&](TFDSet* set, int mask) {
        if (!set) return;
        uint32_t kept = 0;
        for (uint32_t i = 0; i < set->fd_count; ++i) {
            int fd = Fd(set->fd_array[i]);
            auto it = std::find_if(polls.begin(), polls.end(),
                                   [fd](const pollfd& p) { return p.fd == fd; });
            if (it != polls.end() && (it->revents & mask)) set->fd_array[kept++] = set->fd_array[i];
        }
        set->fd_count = kept;
        count += static_cast<int>(kept);
    };
    collect(readSet, POLLIN | POLLHUP | POLLERR);
    collect(writeSet, POLLOUT);
    collect(exceptSet, POLLPRI | POLLERR);
    return count;
}

int sendAdapter(TSocket s, const char* buffer, int length, int flags) {
    ssize_t n;
    do n = ::send(Fd(s), buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n >= 0 ? static_cast<int>(n) : FailErrno();
}

int sendtoAdapter(TSocket s, const char* buffer, int length, int flags, const TSockAddr* to,
                  int toLength) {
    sockaddr_storage native;
    socklen_t nativeLength = 0;
    if (!ToNative(to, toLength, native, nativeLength)) return Fail(kWsaEAfNoSupport);
    ssize_t n;
    do
        n = ::sendto(Fd(s), buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL,
                     reinterpret_cast<sockaddr*>(&native), nativeLength);
    while (n < 0 && errno == EINTR);
    return n >= 0 ? static_cast<int>(n) : FailErrno();
}

int shutdownAdapter(TSocket s, int how) {
    int native = how == kSdReceive ? SHUT_RD : how == kSdSend ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(Fd(s), native) == 0 ? 0 : FailErrno();
}

TSocket socketAdapter(int family, int type, int protocol) {
    int native = NativeFamily(family);
    if (native < 0) {
        Fail(kWsaEAfNoSupport);
        return kInvalidSocket;
    }
    int fd = ::socket(native, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        FailErrno();
        return kInvalidSocket;
    }
    return static_cast<TSocket>(fd);
}

// The IPv4-only lookups answer in per-thread storage of the Windows form.
char* KeepString(std::deque<std::string>& store, const char* text) {
    store.emplace_back(text ? text : "");
    return store.back().data();
}

struct THostStorage {
    THostEnt entry{};
    std::string name;
    std::vector<std::string> aliases;
    std::vector<char*> aliasPointers;
    std::vector<std::string> addresses;
    std::vector<char*> addressPointers;
};

THostEnt* KeepHost(const hostent* native) {
    thread_local THostStorage storage;
    storage = THostStorage{};
    storage.name = native->h_name ? native->h_name : "";
    for (char** a = native->h_aliases; a && *a; ++a) storage.aliases.emplace_back(*a);
    for (char** a = native->h_addr_list; a && *a; ++a)
        storage.addresses.emplace_back(*a, static_cast<size_t>(native->h_length));
    for (auto& a : storage.aliases) storage.aliasPointers.push_back(a.data());
    storage.aliasPointers.push_back(nullptr);
    for (auto& a : storage.addresses) storage.addressPointers.push_back(a.data());
    storage.addressPointers.push_back(nullptr);
    storage.entry.h_name = storage.name.data();
    storage.entry.h_aliases = storage.aliasPointers.data();
    storage.entry.h_addrtype = static_cast<int16_t>(WindowsFamily(native->h_addrtype));
    storage.entry.h_length = static_cast<int16_t>(native->h_length);
    storage.entry.h_addr_list = storage.addressPointers.data();
    return &storage.entry;
}

THostEnt* gethostbyaddrAdapter(const char* address, int length, int family) {
    int native = NativeFamily(family);
    hostent* answer =
        native < 0 ? nullptr : ::gethostbyaddr(address, static_cast<socklen_t>(length), native);
    if (!answer) {
        tLastError = native < 0 ? kWsaEAfNoSupport : WsaFromHErrno(h_errno);
        return nullptr;
    }
    return KeepHost(answer);
}

THostEnt* gethostbynameAdapter(const char* name) {
    hostent* answer = name ? ::gethostbyname(name) : nullptr;
    if (!answer) {
        tLastError = WsaFromHErrno(h_errno);
        return nullptr;
    }
    return KeepHost(answer);
}

struct TEntStorage {
    std::deque<std::string> strings;
    std::vector<char*> aliasPointers;
};

char** KeepAliases(TEntStorage& storage, char** aliases) {
    size_t first = storage.strings.size();
    for (char** a = aliases; a && *a; ++a) storage.strings.emplace_back(*a);
    for (size_t i = first; i < storage.strings.size(); ++i)
        storage.aliasPointers.push_back(storage.strings[i].data());
    storage.aliasPointers.push_back(nullptr);
    return storage.aliasPointers.data();
}

TProtoEnt* KeepProto(const protoent* native) {
    thread_local TEntStorage storage;
    thread_local TProtoEnt entry;
    storage = TEntStorage{};
    entry.p_name = KeepString(storage.strings, native->p_name);
    entry.p_aliases = KeepAliases(storage, native->p_aliases);
    entry.p_proto = static_cast<int16_t>(native->p_proto);
    return &entry;
}

TServEnt* KeepServ(const servent* native) {
    thread_local TEntStorage storage;
    thread_local TServEnt entry;
    storage = TEntStorage{};
    entry.s_name = KeepString(storage.strings, native->s_name);
    entry.s_proto = KeepString(storage.strings, native->s_proto);
    entry.s_aliases = KeepAliases(storage, native->s_aliases);
    entry.s_port = static_cast<int16_t>(native->s_port);
    return &entry;
}

TProtoEnt* getprotobynameAdapter(const char* name) {
    protoent* answer = name ? ::getprotobyname(name) : nullptr;
    if (!answer) {
        tLastError = kWsaNoData;
        return nullptr;
    }
    return KeepProto(answer);
}

TProtoEnt* getprotobynumberAdapter(int number) {
    protoent* answer = ::getprotobynumber(number);
    if (!answer) {
        tLastError = kWsaNoData;
        return nullptr;
    }
    return KeepProto(answer);
}

TServEnt* getservbynameAdapter(const char* name, const char* protocol) {
    servent* answer = name ? ::getservbyname(name, protocol) : nullptr;
    if (!answer) {
        tLastError = kWsaNoData;
        return nullptr;
    }
    return KeepServ(answer);
}

TServEnt* getservbyportAdapter(int port, const char* protocol) {
    servent* answer = ::getservbyport(port, protocol);
    if (!answer) {
        tLastError = kWsaNoData;
        return nullptr;
    }
    return KeepServ(answer);
}

int gethostnameAdapter(char* name, int length) {
    if (!name || length <= 0) return Fail(kWsaEFault);
    return ::gethostname(name, static_cast<size_t>(length)) == 0 ? 0 : FailErrno();
}

// The answers of getaddrinfo in the Windows form: one block per answer
// holding the record and its address.
struct TAnswer {
    TAddrInfo info;
    TSockAddr address;
};

int getaddrinfoAdapter(const char* node, const char* service, const TAddrInfo* hints,
                       TAddrInfo** result) {
    if (!result) return tLastError = kWsaEFault;
    *result = nullptr;
    addrinfo nativeHints{};
    if (hints) {
        int family = NativeFamily(hints->ai_family);
        if (family < 0) return tLastError = kWsaEAfNoSupport;
        nativeHints.ai_family = family;
        nativeHints.ai_socktype = hints->ai_socktype;
        nativeHints.ai_protocol = hints->ai_protocol;
        int flags = hints->ai_flags;
        nativeHints.ai_flags = (flags & kAiPassive ? AI_PASSIVE : 0) |
                               (flags & kAiCanonName ? AI_CANONNAME : 0) |
                               (flags & kAiNumericHost ? AI_NUMERICHOST : 0) |
                               (flags & kAiNumericServ ? AI_NUMERICSERV : 0);
    }
    addrinfo* answers = nullptr;
    int code = ::getaddrinfo(node, service, hints ? &nativeHints : nullptr, &answers);
    if (code != 0) {
        // As on Windows, the error number is the result.
        tLastError = WsaFromResolver(code);
        return tLastError;
    }

    TAddrInfo* first = nullptr;
    TAddrInfo** link = &first;
    for (addrinfo* a = answers; a; a = a->ai_next) {
        if (a->ai_family != AF_INET && a->ai_family != AF_INET6) continue;
        auto* answer = new TAnswer{};
        int size = sizeof answer->address;
        FromNative(a->ai_addr, a->ai_addrlen, &answer->address, &size);
        answer->info.ai_flags = a->ai_flags;
        answer->info.ai_family = WindowsFamily(a->ai_family);
        answer->info.ai_socktype = a->ai_socktype;
        answer->info.ai_protocol = a->ai_protocol;
        answer->info.ai_addrlen = static_cast<size_t>(size);
        answer->info.ai_addr = &answer->address;
        if (a->ai_canonname) {
            size_t length = std::strlen(a->ai_canonname);
            answer->info.ai_canonname = new char[length + 1];
            std::memcpy(answer->info.ai_canonname, a->ai_canonname, length + 1);
        }
        *link = &answer->info;
        link = &answer->info.ai_next;
    }
    ::freeaddrinfo(answers);
    *result = first;
    tLastError = first ? 0 : kWsaNoData;
    return tLastError;
}

void freeaddrinfoAdapter(TAddrInfo* info) {
    while (info) {
        TAddrInfo* next = info->ai_next;
        delete[] info->ai_canonname;
        // The record is the first member of its block.
        delete reinterpret_cast<TAnswer*>(info);
        info = next;
    }
}

int getnameinfoAdapter(const TSockAddr* address, int length, char* host, uint32_t hostLength,
                       char* service, uint32_t serviceLength, int flags) {
    sockaddr_storage native;
    socklen_t nativeLength = 0;
    if (!ToNative(address, length, native, nativeLength)) return tLastError = kWsaEAfNoSupport;
    int nativeFlags =
        (flags & kNiNoFqdn ? NI_NOFQDN : 0) | (flags & kNiNumericHost ? NI_NUMERICHOST : 0) |
        (flags & kNiNameReqd ? NI_NAMEREQD : 0) | (flags & kNiNumericServ ? NI_NUMERICSERV : 0) |
        (flags & kNiDgram ? NI_DGRAM : 0);
    int code = ::getnameinfo(reinterpret_cast<sockaddr*>(&native), nativeLength, host, hostLength,
                             service, serviceLength, nativeFlags);
    tLastError = WsaFromResolver(code);
    return tLastError;
}

struct TSymbol {
    const char* name;
    void* address;
};

template <typename F>
void* Address(F* function) {
    return reinterpret_cast<void*>(function);
}

const TSymbol kSymbols[] = {
    {"WSAIoctl", Address(WSAIoctlAdapter)},
    {"__WSAFDIsSet", Address(WSAFDIsSetAdapter)},
    {"closesocket", Address(closesocketAdapter)},
    {"ioctlsocket", Address(ioctlsocketAdapter)},
    {"WSAGetLastError", Address(WSAGetLastErrorAdapter)},
    {"WSAStartup", Address(WSAStartupAdapter)},
    {"WSACleanup", Address(WSACleanupAdapter)},
    {"accept", Address(acceptAdapter)},
    {"bind", Address(bindAdapter)},
    {"connect", Address(connectAdapter)},
    {"getpeername", Address(getpeernameAdapter)},
    {"getsockname", Address(getsocknameAdapter)},
    {"getsockopt", Address(getsockoptAdapter)},
    {"htonl", Address(htonlAdapter)},
    {"htons", Address(htonsAdapter)},
    {"inet_addr", Address(inet_addrAdapter)},
    {"inet_ntoa", Address(inet_ntoaAdapter)},
    {"listen", Address(listenAdapter)},
    {"ntohl", Address(ntohlAdapter)},
    {"ntohs", Address(ntohsAdapter)},
    {"recv", Address(recvAdapter)},
    {"recvfrom", Address(recvfromAdapter)},
    {"select", Address(selectAdapter)},
    {"send", Address(sendAdapter)},
    {"sendto", Address(sendtoAdapter)},
    {"setsockopt", Address(setsockoptAdapter)},
    {"shutdown", Address(shutdownAdapter)},
    {"socket", Address(socketAdapter)},
    {"gethostbyaddr", Address(gethostbyaddrAdapter)},
    {"gethostbyname", Address(gethostbynameAdapter)},
    {"getprotobyname", Address(getprotobynameAdapter)},
    {"getprotobynumber", Address(getprotobynumberAdapter)},
    {"getservbyname", Address(getservbynameAdapter)},
    {"getservbyport", Address(getservbyportAdapter)},
    {"gethostname", Address(gethostnameAdapter)},
    {"getaddrinfo", Address(getaddrinfoAdapter)},
    {"freeaddrinfo", Address(freeaddrinfoAdapter)},
    {"getnameinfo", Address(getnameinfoAdapter)},
};
static_assert(std::size(kSymbols) == 38);

// The C library stands in for "ws2_32.dll"; there is no add-on library.
class TCLibraryProvider : public TLibraryProvider {
  public:
    void* Open(const std::string& name) override {
        std::string lower;
        for (char c : name) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
        return lower == "ws2_32.dll" ? this : nullptr;
    }
    void* Symbol(void* library, const char* name) override {
        if (library != this || !name) return nullptr;
        for (const TSymbol& symbol : kSymbols)
            if (std::strcmp(symbol.name, name) == 0) return symbol.address;
        return nullptr;
    }
    void Close(void*) override {}
};

}  // namespace

std::unique_ptr<TLibraryProvider> SystemLibraryProvider() {
    return std::make_unique<TCLibraryProvider>();
}

}  // namespace net
