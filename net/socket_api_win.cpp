// The socket interface from "ws2_32.dll" (and "wship6.dll"), loaded by name
// through the class library's dynamic libraries.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstddef>
#include <list>

#include "net/socket_api.h"
#include "runtime/os/dynlib.h"

namespace net {

// The records of socket_api.h are the Windows records.
static_assert(sizeof(TFDSet) == sizeof(fd_set));
static_assert(offsetof(TFDSet, fd_array) == offsetof(fd_set, fd_array));
static_assert(sizeof(TTimeVal) == sizeof(timeval));
static_assert(sizeof(TSockAddrIn) == sizeof(sockaddr_in));
static_assert(sizeof(TSockAddrIn6) == sizeof(sockaddr_in6));
static_assert(offsetof(TSockAddrIn6, sin6_addr) == offsetof(sockaddr_in6, sin6_addr));
static_assert(offsetof(TSockAddrIn6, sin6_scope_id) == offsetof(sockaddr_in6, sin6_scope_id));
static_assert(sizeof(THostEnt) == sizeof(hostent));
static_assert(offsetof(THostEnt, h_addr_list) == offsetof(hostent, h_addr_list));
static_assert(offsetof(THostEnt, h_length) == offsetof(hostent, h_length));
static_assert(sizeof(TServEnt) == sizeof(servent));
static_assert(offsetof(TServEnt, s_port) == offsetof(servent, s_port));
static_assert(offsetof(TServEnt, s_proto) == offsetof(servent, s_proto));
static_assert(sizeof(TProtoEnt) == sizeof(protoent));
static_assert(sizeof(TAddrInfo) == sizeof(addrinfo));
static_assert(offsetof(TAddrInfo, ai_addr) == offsetof(addrinfo, ai_addr));
static_assert(offsetof(TAddrInfo, ai_next) == offsetof(addrinfo, ai_next));
static_assert(sizeof(TLinger) == sizeof(linger));
static_assert(sizeof(TWSAData) >= sizeof(WSADATA));
static_assert(kAfInet6 == AF_INET6 && kSolSocket == SOL_SOCKET && kSoRcvBuf == SO_RCVBUF &&
              kSoSndBuf == SO_SNDBUF && kSoLinger == SO_LINGER && kSoError == SO_ERROR);
static_assert(kFionRead == static_cast<int32_t>(FIONREAD) &&
              kFionBio == static_cast<int32_t>(FIONBIO));
static_assert(kNiNameReqd == NI_NAMEREQD && kNiNumericHost == NI_NUMERICHOST &&
              kNiNumericServ == NI_NUMERICSERV && kAiPassive == AI_PASSIVE);
static_assert(kWsaETimedOut == WSAETIMEDOUT && kWsaEConnReset == WSAECONNRESET &&
              kWsaEWouldBlock == WSAEWOULDBLOCK && kWsaHostNotFound == WSAHOST_NOT_FOUND);

namespace {

class TDllProvider : public TLibraryProvider {
  public:
    void* Open(const std::string& name) override {
        runtime::os::DynamicLibrary library;
        if (!library.Load(name)) return nullptr;
        libraries_.push_back(std::move(library));
        return &libraries_.back();
    }
    void* Symbol(void* library, const char* name) override {
        return static_cast<runtime::os::DynamicLibrary*>(library)->Symbol(name);
    }
    void Close(void* library) override {
        libraries_.remove_if(
            [library](const runtime::os::DynamicLibrary& l) { return &l == library; });
    }

  private:
    std::list<runtime::os::DynamicLibrary> libraries_;
};

}  // namespace

std::unique_ptr<TLibraryProvider> SystemLibraryProvider() {
    return std::make_unique<TDllProvider>();
}

}  // namespace net
