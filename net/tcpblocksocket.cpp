#include "net/tcpblocksocket.h"

#include <algorithm>

#include "net/base64.h"
#include "net/limits.h"
#include "net/textutil.h"
#include "net/tick.h"
#include "runtime/strings.h"

namespace net {

TTCPBlockSocket::TTCPBlockSocket(TSocketLibrary& library)
    : TTCPBlockSocket(DefaultSSLClass(), library) {}

TTCPBlockSocket::TTCPBlockSocket(TSSLClass plugClass, TSocketLibrary& library)
    : TSocksBlockSocket(library) {
    ssl_ = (plugClass ? plugClass : &CreateSSLNone)(this);
}

TTCPBlockSocket::~TTCPBlockSocket() {
    OnStatus = nullptr;
    OnMonitor = nullptr;
    OnReadFilter = nullptr;
    RaiseExcept = false;
    if (Socket() != kInvalidSocket) {
        try {
            CloseSocket();
        } catch (...) {
            // A plug failing on the way out must not escape a destructor.
        }
    }
    ssl_.reset();
}

void TTCPBlockSocket::CloseSocket() {
    if (ssl_->SSLEnabled()) ssl_->Shutdown();
    if (Socket() != kInvalidSocket) {
        Library().Api().shutdown(Socket(), kSdSend);
        DrainInput();
    }
    TSocksBlockSocket::CloseSocket();
    tunnelOpen_ = false;
    usingSocks_ = false;
}

void TTCPBlockSocket::Connect(const std::string& host, const std::string& port) {
    if (!SocksIP.empty())
        ConnectThroughSocks(host, port);
    else if (!HTTPTunnelIP.empty())
        ConnectThroughHTTPTunnel(host, port);
    else
        ConnectDirect(host, port);
}

void TTCPBlockSocket::ConnectThroughSocks(const std::string& host, const std::string& port) {
    ConnectDirect(SocksIP, SocksPort);
    if (LastError() == 0) {
        bool ok = SocksGreeting() && SocksRequest(1, host, port) && SocksReply();
        if (!ok && LastError() == 0) SetLastError(kWsaSysNotReady);
        socksLocalIP_ = socksReplyIP_;
        socksLocalPort_ = socksReplyPort_;
        socksRemoteIP_ = host;
        socksRemotePort_ = port;
    }
    ReportError();
    DoStatus(THookSocketReason::HR_Connect, host + ":" + port);
}

void TTCPBlockSocket::ConnectThroughHTTPTunnel(const std::string& host, const std::string& port) {
    std::string portText = std::to_string(ResolvePort(port));
    ConnectDirect(HTTPTunnelIP, HTTPTunnelPort);
    if (LastError() != 0) return;
    tunnelOpen_ = false;
    std::string target = IsIPv6Address(host) ? "[" + host + "]" : host;
    std::string request = "CONNECT " + target + ":" + portText + " HTTP/1.0\r\n";
    if (!HTTPTunnelUser.empty())
        request += "Proxy-Authorization: Basic " +
                   EncodeToBase64(HTTPTunnelUser + ":" + HTTPTunnelPass) + "\r\n";
    request += "\r\n";
    SendString(request);

    if (LastError() == 0) {
        // The answer is read up to its empty line and no further: what
        // follows belongs to the TLS handshake. Its lines and its whole
        // time are bounded.
        int savedMaxLine = MaxLineLength;
        bool savedInterPacket = InterPacketTimeout;
        MaxLineLength = kMaxHeaderLineLength;
        InterPacketTimeout = false;
        uint32_t start = CurrentTick();
        int64_t total = 0;
        bool first = true;
        while (true) {
            int64_t left = HTTPTunnelTimeout < 0
                               ? -1
                               : std::max<int64_t>(0, int64_t{HTTPTunnelTimeout} -
                                                          TickDifference(start, CurrentTick()));
            std::string line = RecvTerminated(static_cast<int>(left), "\n");
            if (LastError() != 0) break;
            if (line.empty() || line == "\r") break;
            total += static_cast<int64_t>(line.size());
            if (total > kMaxHeaderBlockSize) {
                SetLastError(kWsaENoBufs);
                break;
            }
            if (first && line.starts_with("HTTP/") && line.size() > 11)
                tunnelOpen_ = line[9] == '2';
            first = false;
        }
        MaxLineLength = savedMaxLine;
        InterPacketTimeout = savedInterPacket;
    }
    if (LastError() == 0 && !tunnelOpen_) SetLastError(kWsaSysNotReady);
    if (LastError() != 0) tunnelOpen_ = false;
    tunnelTargetHost_ = target;
    tunnelTargetPort_ = portText;
    ReportError();
}

void TTCPBlockSocket::SSLConnect() {
    SetLastError(0);
    if (!ssl_->Connect()) SetLastError(kWsaSysNotReady);
    ReportError();
}

void TTCPBlockSocket::Listen() {
    if (SocksIP.empty()) {
        CheckResult(Library().Api().listen(Socket(), kSoMaxConn));
        ReadLocalAddress();
        ReadRemoteAddress();
        ReportError();
        DoStatus(THookSocketReason::HR_Listen, "");
        return;
    }
    std::string address = TBlockSocket::LocalAddress();
    if (address == "0.0.0.0") address = LocalHostName();
    std::string port = std::to_string(TBlockSocket::LocalPort());
    ConnectDirect(SocksIP, SocksPort);
    bool ok = SocksGreeting() && SocksRequest(2, address, port) && SocksReply();
    if (!ok && LastError() == 0) SetLastError(kWsaNoRecovery);
    socksLocalIP_ = socksReplyIP_ == "0.0.0.0" ? SocksIP : socksReplyIP_;
    socksLocalPort_ = socksReplyPort_;
    socksRemoteIP_.clear();
    socksRemotePort_.clear();
    ReportError();
    DoStatus(THookSocketReason::HR_Listen, "");
}

TSocket TTCPBlockSocket::Accept() {
    const TSocketApi& api = Library().Api();
    while (true) {
        TSockAddr address{};
        int size = sizeof address;
        TSocket s = api.accept(Socket(), &address, &size);
        if (s != kInvalidSocket) {
            SetLastError(0);
            return s;
        }
        CheckResult(kSocketError);
        if (LastError() != kWsaEWouldBlock || NonBlockMode()) break;
        if (!WaitFor(false, -1)) {
            WaitFailed();
            return kInvalidSocket;
        }
    }
    ReportError();
    return kInvalidSocket;
}

int TTCPBlockSocket::PlugError() const {
    // A wait of the plug that ended says so as a wait of the socket would.
    switch (ssl_->LastError()) {
        case kWsaETimedOut:
        case kWsaEConnAborted:
        case kWsaEConnReset:
            return ssl_->LastError();
        default:
            return kWsaSysNotReady;
    }
}

int TTCPBlockSocket::SendPiece(const char* data, int length) {
    if (!ssl_->SSLEnabled()) return TSocksBlockSocket::SendPiece(data, length);
    const int count = ssl_->SendBuffer(data, length);
    if (ssl_->LastError() != 0) {
        SetLastError(PlugError());
        return 0;
    }
    if (count <= 0) {
        // The peer closed its side of the TLS connection.
        SetLastError(kWsaEConnReset);
        return 0;
    }
    return count;
}

int TTCPBlockSocket::RecvBuffer(void* buffer, int length) {
    if (!ssl_->SSLEnabled()) return TSocksBlockSocket::RecvBuffer(buffer, length);
    if (CheckStopFlag()) return 0;
    SetLastError(0);
    int count = ssl_->RecvBuffer(buffer, length);
    if (ssl_->LastError() != 0) SetLastError(PlugError());
    ReportError();
    if (count > 0) count = AfterRead(buffer, count);
    return count;
}

int TTCPBlockSocket::WaitingData() {
    if (ssl_->SSLEnabled() && Socket() != kInvalidSocket) {
        int count = ssl_->WaitingData();
        if (count > 0) return count;
    }
    return TSocksBlockSocket::WaitingData();
}

std::string TTCPBlockSocket::LocalAddress() {
    return usingSocks_ ? socksLocalIP_ : TSocksBlockSocket::LocalAddress();
}

std::string TTCPBlockSocket::RemoteAddress() {
    if (usingSocks_) return socksRemoteIP_;
    if (tunnelOpen_) return tunnelTargetHost_;
    return TSocksBlockSocket::RemoteAddress();
}

int TTCPBlockSocket::LocalPort() {
    return usingSocks_ ? runtime::StrToIntDef(socksLocalPort_, 0) : TSocksBlockSocket::LocalPort();
}

int TTCPBlockSocket::RemotePort() {
    if (usingSocks_) return runtime::StrToIntDef(socksRemotePort_, 0);
    if (tunnelOpen_) return runtime::StrToIntDef(tunnelTargetPort_, 0);
    return TSocksBlockSocket::RemotePort();
}

}  // namespace net
