#include "net/blocksocket.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "net/limits.h"
#include "net/socket_error.h"
#include "net/tick.h"

namespace net {

namespace {

// The largest single receive into the read-ahead buffer or a packet.
constexpr int kPacketSize = 65536;

}  // namespace

TBlockSocket::TBlockSocket(TSocketLibrary& library) : library_(library) {}

TBlockSocket::~TBlockSocket() {
    // No events and no exceptions out of a dying object.
    OnStatus = nullptr;
    OnMonitor = nullptr;
    OnReadFilter = nullptr;
    RaiseExcept = false;
    if (handle_ != kInvalidSocket) library_.Api().closesocket(handle_);
}

void TBlockSocket::SetFamily(TSocketFamily family) {
    family_ = family;
    familySave_ = family;
}

std::string_view TBlockSocket::ReadAheadBuffer() const {
    return std::string_view(buffer_.data() + bufferStart_, bufferEnd_ - bufferStart_);
}

// ---- errors and events ------------------------------------------------------

void TBlockSocket::DoStatus(THookSocketReason reason, const std::string& value) {
    if (OnStatus) OnStatus(this, reason, value);
}

int TBlockSocket::CheckResult(int result) {
    lastErrorDesc_.clear();
    if (result == kSocketError) {
        lastError_ = library_.Api().WSAGetLastError();
        lastErrorDesc_ = GetErrorDesc(lastError_);
    } else {
        lastError_ = 0;
    }
    return lastError_;
}

void TBlockSocket::ReportError() {
    lastErrorDesc_ = GetErrorDesc(lastError_);
    if (lastError_ == 0 || lastError_ == kWsaEWouldBlock || lastError_ == kWsaEInProgress) return;
    DoStatus(THookSocketReason::HR_Error, std::to_string(lastError_) + "," + lastErrorDesc_);
    if (RaiseExcept)
        throw ESocketError(
            "TCP/IP Socket error " + std::to_string(lastError_) + ": " + lastErrorDesc_, lastError_,
            lastErrorDesc_);
}

std::string TBlockSocket::GetErrorDesc(int code) {
    return net::GetErrorDesc(code);
}

bool TBlockSocket::CheckStopFlag() {
    if (!StopFlag.exchange(false)) return false;
    lastError_ = kWsaEConnAborted;
    ReportError();
    return true;
}

void TBlockSocket::ThrottleBandwidth(int length, int limit, uint32_t& nextTick) {
    if (limit <= 0) return;
    uint32_t now = CurrentTick();
    auto wait = static_cast<int32_t>(nextTick - now);
    if (wait > 0) {
        DoStatus(THookSocketReason::HR_Wait, std::to_string(wait));
        // In slices, so that a stop request is not held up by the limit.
        uint32_t start = now;
        while (!StopFlag && static_cast<int32_t>(TickDifference(start, CurrentTick())) < wait) {
            int left = wait - static_cast<int32_t>(TickDifference(start, CurrentTick()));
            std::this_thread::sleep_for(
                std::chrono::milliseconds(std::min(left, kStopCheckInterval)));
        }
    }
    nextTick = CurrentTick() + static_cast<uint32_t>(int64_t{length} * 1000 / limit);
}

// ---- handle and options -----------------------------------------------------

void TBlockSocket::CreateSocketHandle(const TSockAddr& address) {
    // A stop asked for while the socket had no handle is of no request.
    StopFlag = false;
    lastError_ = 0;
    if (handle_ != kInvalidSocket) return;
    if (LibraryMissing()) {
        ReportError();
        return;
    }
    const TSocketApi& api = library_.Api();
    ClearReadAhead();
    bound_ = false;
    ip6Used_ = net::Family(address) == kAfInet6;
    handle_ = api.socket(net::Family(address), SocketType(), SocketProtocol());
    if (handle_ == kInvalidSocket) {
        lastError_ = api.WSAGetLastError();
    } else {
        // Non-blocking underneath: every blocking call is a bounded wait.
        uint32_t on = 1;
        api.ioctlsocket(handle_, kFionBio, &on);
    }
    ReportError();
    DoStatus(THookSocketReason::HR_SocketCreate, ip6Used_ ? "IPv6" : "IPv4");
    if (handle_ != kInvalidSocket) {
        std::vector<TSynaOption> pending;
        pending.swap(pending_);
        for (const TSynaOption& option : pending) ApplyOption(option);
    }
    if (OnCreateSocket) OnCreateSocket(this);
}

void TBlockSocket::ApplyOption(const TSynaOption& option) {
    const TSocketApi& api = library_.Api();
    auto setInt = [&](int level, int name, int value) {
        CheckResult(api.setsockopt(handle_, level, name, reinterpret_cast<const char*>(&value),
                                   sizeof value));
    };
    int ipLevel = ip6Used_ ? kIpProtoIpv6 : kIpProtoIp;
    switch (option.Option) {
        case TSynaOptionType::SOT_Linger: {
            TLinger linger{static_cast<uint16_t>(option.Enabled),
                           static_cast<uint16_t>(option.Value / 1000)};
            CheckResult(api.setsockopt(handle_, kSolSocket, kSoLinger,
                                       reinterpret_cast<const char*>(&linger), sizeof linger));
            break;
        }
        case TSynaOptionType::SOT_RecvBuff:
            setInt(kSolSocket, kSoRcvBuf, option.Value);
            break;
        case TSynaOptionType::SOT_SendBuff:
            setInt(kSolSocket, kSoSndBuf, option.Value);
            break;
        case TSynaOptionType::SOT_NonBlock:
            // The handle stays non-blocking underneath; the flag decides
            // whether calls wait.
            nonBlock_ = option.Enabled;
            break;
        case TSynaOptionType::SOT_RecvTimeout:
            setInt(kSolSocket, kSoRcvTimeo, option.Value);
            // The handle never blocks, so the socket keeps the value for
            // the waits it makes itself (a TLS plug's, ReadWait).
            recvTimeout_ = option.Value > 0 ? option.Value : -1;
            break;
        case TSynaOptionType::SOT_SendTimeout:
            setInt(kSolSocket, kSoSndTimeo, option.Value);
            break;
        case TSynaOptionType::SOT_Reuse:
            setInt(kSolSocket, kSoReuseAddr, option.Enabled);
            break;
        case TSynaOptionType::SOT_TTL:
            setInt(ipLevel, ip6Used_ ? kIpv6UnicastHops : kIpTtl, option.Value);
            break;
        case TSynaOptionType::SOT_Broadcast:
            setInt(kSolSocket, kSoBroadcast, option.Enabled);
            break;
        case TSynaOptionType::SOT_MulticastTTL:
            setInt(ipLevel, ip6Used_ ? kIpv6MulticastHops : kIpMulticastTtl, option.Value);
            break;
        case TSynaOptionType::SOT_MulticastLoop:
            setInt(ipLevel, ip6Used_ ? kIpv6MulticastLoop : kIpMulticastLoop, option.Enabled);
            break;
    }
}

void TBlockSocket::QueueOption(const TSynaOption& option) {
    if (handle_ == kInvalidSocket) {
        pending_.push_back(option);
    } else {
        ApplyOption(option);
        ReportError();
    }
}

void TBlockSocket::SetRecvBufferSize(int bytes) {
    QueueOption(TSynaOption{TSynaOptionType::SOT_RecvBuff, true, bytes});
}

void TBlockSocket::SetSendBufferSize(int bytes) {
    QueueOption(TSynaOption{TSynaOptionType::SOT_SendBuff, true, bytes});
}

void TBlockSocket::ReadLocalAddress() {
    library_.GetSockName(handle_, localSin_);
}

void TBlockSocket::ReadRemoteAddress() {
    library_.GetPeerName(handle_, remoteSin_);
}

void TBlockSocket::ClearReadAhead() {
    bufferStart_ = 0;
    bufferEnd_ = 0;
    // A buffer that a long line made large is not kept.
    if (buffer_.size() > 4 * kPacketSize) std::string().swap(buffer_);
}

// ---- connection -------------------------------------------------------------

void TBlockSocket::AttachHandle(TSocket handle) {
    handle_ = handle;
    ReadLocalAddress();
    ReadRemoteAddress();
    ip6Used_ = net::Family(remoteSin_) == kAfInet6;
    uint32_t on = 1;
    if (library_.Loaded()) library_.Api().ioctlsocket(handle_, kFionBio, &on);
}

void TBlockSocket::CloseSocket() {
    AbortSocket();
}

void TBlockSocket::AbortSocket() {
    // A handle that outlived the socket layer's end is gone with it.
    if (handle_ != kInvalidSocket && library_.Loaded()) library_.Api().closesocket(handle_);
    handle_ = kInvalidSocket;
    pending_.clear();
    family_ = familySave_;
    lastError_ = 0;
    lastErrorDesc_.clear();
    DoStatus(THookSocketReason::HR_SocketClose, "");
}

void TBlockSocket::Bind(const std::string& host, const std::string& port) {
    lastError_ = 0;
    if (handle_ == kInvalidSocket && family_ == TSocketFamily::SF_Any && host == "0.0.0.0" &&
        port == "0")
        return;
    TSockAddr address = ResolveAddress(host, port);
    if (lastError_ == 0) {
        CreateSocketHandle(address);
        if (lastError_ == 0) {
            CheckResult(library_.Bind(handle_, address));
            ReadLocalAddress();
            ClearReadAhead();
            bound_ = lastError_ == 0;
        }
    }
    ReportError();
    DoStatus(THookSocketReason::HR_Bind, host + ":" + port);
}

void TBlockSocket::Connect(const std::string& host, const std::string& port) {
    TSockAddr address = ResolveAddress(host, port);
    if (lastError_ == 0) {
        CreateSocketHandle(address);
        if (lastError_ == 0) {
            CheckResult(library_.Connect(handle_, address));
            bool underway = lastError_ == kWsaEWouldBlock || lastError_ == kWsaEInProgress;
            if (underway && !nonBlock_) {
                if (WaitFor(true, ConnectTimeout, true)) {
                    int error = 0;
                    int size = sizeof error;
                    if (library_.Api().getsockopt(handle_, kSolSocket, kSoError,
                                                  reinterpret_cast<char*>(&error), &size) != 0)
                        error = library_.Api().WSAGetLastError();
                    lastError_ = error;
                } else if (StopFlag.exchange(false)) {
                    lastError_ = kWsaEConnAborted;
                } else if (lastError_ == 0 || lastError_ == kWsaEWouldBlock ||
                           lastError_ == kWsaEInProgress) {
                    lastError_ = kWsaETimedOut;
                }
            }
            if (lastError_ == 0) {
                ReadLocalAddress();
                ReadRemoteAddress();
            }
        }
    }
    ClearReadAhead();
    lastWasCR_ = false;
    lastWasLF_ = false;
    ReportError();
    DoStatus(THookSocketReason::HR_Connect, host + ":" + port);
}

void TBlockSocket::SetRemoteSin(const std::string& host, const std::string& port) {
    TSockAddr address = ResolveAddress(host, port);
    if (lastError_ == 0) {
        CreateSocketHandle(address);
        if (lastError_ == 0) remoteSin_ = address;
    }
    ReportError();
}

// ---- sending ----------------------------------------------------------------

int TBlockSocket::SendPiece(const char* data, int length) {
    const TSocketApi& api = library_.Api();
    int done = 0;
    uint32_t start = CurrentTick();
    while (done < length) {
        int result = api.send(handle_, data + done, length - done, 0);
        if (result > 0) {
            done += result;
            // The time-out bounds each wait for room, not the whole piece.
            start = CurrentTick();
            continue;
        }
        if (result == 0)
            lastError_ = kWsaEConnReset;
        else
            CheckResult(result);
        if (lastError_ != kWsaEWouldBlock || nonBlock_) return done;
        if (!WaitFor(true, TimeLeft(SendTimeout, start))) {
            if (StopFlag.exchange(false))
                lastError_ = kWsaEConnAborted;
            else if (lastError_ == 0 || lastError_ == kWsaEWouldBlock)
                lastError_ = kWsaETimedOut;
            return done;
        }
    }
    lastError_ = 0;
    return done;
}

int TBlockSocket::SendBuffer(const void* buffer, int length) {
    if (CheckStopFlag()) return 0;
    if (LibraryMissing()) {
        ReportError();
        return 0;
    }
    if (OnMonitor) OnMonitor(this, true, buffer, length);
    lastError_ = 0;
    const char* data = static_cast<const char*>(buffer);
    int sent = 0;
    while (sent < length) {
        int piece = std::min(SendMaxChunk, length - sent);
        if (piece <= 0) break;
        ThrottleBandwidth(piece, MaxSendBandwidth, nextSendTick_);
        int count = SendPiece(data + sent, piece);
        sent += count;
        if (lastError_ != 0) break;
        DoStatus(THookSocketReason::HR_WriteCount, std::to_string(count));
    }
    ReportError();
    return sent;
}

void TBlockSocket::SendByte(uint8_t value) {
    SendBuffer(&value, 1);
}

void TBlockSocket::SendString(std::string_view bytes) {
    SendBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

void TBlockSocket::SendInteger(int32_t value) {
    auto v = static_cast<uint32_t>(value);
    char bytes[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
    SendBuffer(bytes, 4);
}

void TBlockSocket::SendBlock(std::string_view bytes) {
    SendInteger(static_cast<int32_t>(bytes.size()));
    SendString(bytes);
}

// ---- receiving --------------------------------------------------------------

int TBlockSocket::AfterRead(void* buffer, int count) {
    DoStatus(THookSocketReason::HR_ReadCount, std::to_string(count));
    if (OnMonitor) OnMonitor(this, false, buffer, count);
    if (OnReadFilter) {
        std::string block(static_cast<const char*>(buffer), static_cast<size_t>(count));
        OnReadFilter(this, block);
        if (block.size() > static_cast<size_t>(count)) block.resize(static_cast<size_t>(count));
        std::memcpy(buffer, block.data(), block.size());
        count = static_cast<int>(block.size());
    }
    return count;
}

int TBlockSocket::RecvBuffer(void* buffer, int length) {
    if (CheckStopFlag()) return 0;
    if (LibraryMissing()) {
        ReportError();
        return 0;
    }
    if (length <= 0) {
        lastError_ = 0;
        return 0;
    }
    ThrottleBandwidth(length, MaxRecvBandwidth, nextRecvTick_);
    int result = library_.Api().recv(handle_, static_cast<char*>(buffer), length, 0);
    if (result == 0)
        lastError_ = kWsaEConnReset;
    else
        CheckResult(result);
    ReportError();
    if (result > 0) result = AfterRead(buffer, result);
    return result;
}

bool TBlockSocket::WaitFor(bool write, int timeout, bool alsoExcept) {
    const TSocketApi& api = library_.Api();
    if (LibraryMissing()) return false;
    if (handle_ == kInvalidSocket) {
        lastError_ = kWsaENotSock;
        return false;
    }
    uint32_t start = CurrentTick();
    timeout = deadline_.Bound(timeout);
    while (true) {
        if (StopFlag) return false;
        int left = TimeLeft(timeout, start);
        int slice = left < 0 ? kStopCheckInterval : std::min(left, kStopCheckInterval);
        TFDSet set{};
        FDSetAdd(set, handle_);
        TFDSet except{};
        FDSetAdd(except, handle_);
        TTimeVal time{slice / 1000, slice % 1000 * 1000};
        int nfds = static_cast<int>(handle_ + 1);
        int result = api.select(nfds, write ? nullptr : &set, write ? &set : nullptr,
                                alsoExcept ? &except : nullptr, &time);
        if (result == kSocketError) {
            CheckResult(result);
            return false;
        }
        if (result > 0) return true;
        if (left >= 0 && TimeLeft(timeout, start) == 0) return false;
    }
}

void TBlockSocket::WaitFailed() {
    if (CheckStopFlag()) return;
    if (lastError_ == 0 || lastError_ == kWsaEWouldBlock) lastError_ = kWsaETimedOut;
    ReportError();
}

int TBlockSocket::ReceiveSome(char* buffer, int length, int timeout) {
    uint32_t start = CurrentTick();
    bool waited = false;
    while (true) {
        // Wait first unless bytes are known to be there, so that a read
        // (a TLS plug's included) never blocks past the time-out.
        if (!nonBlock_ && WaitingData() <= 0) {
            if (waited && timeout >= 0 && TimeLeft(timeout, start) == 0) {
                WaitFailed();
                return 0;
            }
            if (!WaitFor(false, TimeLeft(timeout, start))) {
                WaitFailed();
                return 0;
            }
            waited = true;
        }
        readWait_ = nonBlock_ ? 0 : TimeLeft(timeout, start);
        int count = 0;
        try {
            count = RecvBuffer(buffer, length);
        } catch (...) {
            readWait_.reset();
            throw;
        }
        readWait_.reset();
        if (count > 0) return count;
        if (lastError_ == 0) {
            // Nothing although the socket was readable: the peer has closed.
            lastError_ = kWsaEConnReset;
            ReportError();
            return 0;
        }
        if (lastError_ != kWsaEWouldBlock || nonBlock_) return 0;
        // Readable, yet nothing to read: wait again within the time-out.
        waited = true;
    }
}

bool TBlockSocket::FillReadAhead(int timeout) {
    if (bufferStart_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + bufferStart_, bufferEnd_ - bufferStart_);
        bufferEnd_ -= bufferStart_;
        bufferStart_ = 0;
    }
    if (buffer_.size() < bufferEnd_ + kPacketSize) buffer_.resize(bufferEnd_ + kPacketSize);
    int count = ReceiveSome(buffer_.data() + bufferEnd_, kPacketSize, timeout);
    bufferEnd_ += static_cast<size_t>(count);
    return count > 0;
}

int TBlockSocket::WaitingData() {
    uint32_t count = 0;
    if (LibraryMissing()) return 0;
    if (library_.Api().ioctlsocket(handle_, kFionRead, &count) != 0) return 0;
    return static_cast<int>(std::min<uint32_t>(count, 65536));
}

std::string TBlockSocket::RecvPacket(int timeout) {
    lastError_ = 0;
    while (true) {
        if (!HasReadAhead() && !FillReadAhead(timeout)) return {};
        std::string packet(ReadAheadBuffer());
        ClearReadAhead();
        if (lastWasCR_ && packet.front() == '\n') {
            // The LF completing a line's CR LF that arrived after the line.
            lastWasCR_ = false;
            packet.erase(0, 1);
            if (packet.empty()) continue;
        }
        lastWasCR_ = false;
        lastWasLF_ = false;
        return packet;
    }
}

int TBlockSocket::RecvBufferEx(void* buffer, int length, int timeout) {
    lastError_ = 0;
    if (length <= 0) return 0;
    char* out = static_cast<char*>(buffer);
    int copied = 0;
    int left = timeout;
    while (copied < length) {
        uint32_t tick = CurrentTick();
        int want = length - copied;
        int count;
        if (HasReadAhead()) {
            count = static_cast<int>(std::min<size_t>(want, bufferEnd_ - bufferStart_));
            std::memcpy(out + copied, buffer_.data() + bufferStart_, static_cast<size_t>(count));
            bufferStart_ += static_cast<size_t>(count);
            if (bufferStart_ == bufferEnd_) ClearReadAhead();
        } else {
            count = ReceiveSome(out + copied, want, left);
            if (count == 0) break;
        }
        if (lastWasCR_ && out[copied] == '\n') {
            // The LF completing a line's CR LF that arrived after the line.
            std::memmove(out + copied, out + copied + 1, static_cast<size_t>(count - 1));
            --count;
        }
        lastWasCR_ = false;
        lastWasLF_ = false;
        copied += count;
        if (copied < length && !InterPacketTimeout && timeout >= 0) {
            left -= static_cast<int>(TickDifference(tick, CurrentTick()));
            if (left <= 0) {
                lastError_ = kWsaETimedOut;
                ReportError();
                break;
            }
        }
    }
    return copied;
}

std::string TBlockSocket::RecvBufferStr(int length, int timeout) {
    if (length < 1) return {};
    // Grows with what arrives, so that a length a peer announced is not
    // allocated before the bytes are there.
    std::string result;
    uint32_t start = CurrentTick();
    while (static_cast<int>(result.size()) < length) {
        int piece = std::min(length - static_cast<int>(result.size()), kPacketSize * 16);
        size_t old = result.size();
        result.resize(old + static_cast<size_t>(piece));
        int wait = InterPacketTimeout ? timeout : TimeLeft(timeout, start);
        int count = RecvBufferEx(result.data() + old, piece, wait);
        result.resize(old + static_cast<size_t>(count));
        if (lastError_ != 0) return {};
    }
    return result;
}

uint8_t TBlockSocket::RecvByte(int timeout) {
    uint8_t value = 0;
    if (RecvBufferEx(&value, 1, timeout) != 1) return 0;
    return value;
}

int32_t TBlockSocket::RecvInteger(int timeout) {
    std::string bytes = RecvBufferStr(4, timeout);
    if (lastError_ != 0 || bytes.size() != 4) return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(bytes[static_cast<size_t>(i)]);
    return static_cast<int32_t>(v);
}

std::string TBlockSocket::RecvBlock(int timeout) {
    int32_t length = RecvInteger(timeout);
    if (lastError_ != 0) return {};
    return RecvBufferStr(length, timeout);
}

std::string TBlockSocket::RecvString(int timeout) {
    std::string line = RecvTerminated(timeout, "\r\n");
    if (lastError_ != 0) line.clear();
    return line;
}

std::string TBlockSocket::RecvTerminated(int timeout, std::string_view terminator) {
    lastError_ = 0;
    if (terminator.empty()) return {};
    const bool lineEndMode = ConvertLineEnd && terminator == "\r\n";
    // Bytes of the read-ahead buffer already searched in vain: each pass
    // searches only what is new, so a long line costs linear time.
    size_t searched = 0;
    size_t found = std::string_view::npos;
    size_t terminatorLength = 0;
    int left = timeout;
    bool useBuffered = HasReadAhead();
    while (true) {
        uint32_t tick = CurrentTick();
        if (!useBuffered && !FillReadAhead(left)) return {};
        useBuffered = false;

        if (lineEndMode && (lastWasCR_ || lastWasLF_)) {
            char first = buffer_[bufferStart_];
            if ((lastWasCR_ && first == '\n') || (lastWasLF_ && first == '\r')) ++bufferStart_;
            lastWasCR_ = false;
            lastWasLF_ = false;
        }
        // Positions below are within the read-ahead buffer.
        std::string_view pending = ReadAheadBuffer();
        if (lineEndMode) {
            found = pending.find_first_of("\r\n", searched);
            if (found != std::string_view::npos) {
                char c = pending[found];
                char next = found + 1 < pending.size() ? pending[found + 1] : '\0';
                if ((c == '\r' && next == '\n') || (c == '\n' && next == '\r')) {
                    terminatorLength = 2;
                } else {
                    terminatorLength = 1;
                    (c == '\r' ? lastWasCR_ : lastWasLF_) = true;
                }
            }
        } else {
            size_t back = std::min(searched, terminator.size() - 1);
            found = pending.find(terminator, searched - back);
            terminatorLength = terminator.size();
        }
        if (found == std::string_view::npos) searched = pending.size();

        size_t lineLength = found != std::string_view::npos ? found : pending.size();
        if (MaxLineLength > 0 && lineLength > static_cast<size_t>(MaxLineLength)) {
            lastError_ = kWsaENoBufs;
            break;
        }
        if (found != std::string_view::npos) break;
        if (!InterPacketTimeout && timeout >= 0) {
            left -= static_cast<int>(TickDifference(tick, CurrentTick()));
            if (left <= 0) {
                lastError_ = kWsaETimedOut;
                break;
            }
        }
    }
    std::string line;
    if (found != std::string_view::npos) {
        line.assign(buffer_.data() + bufferStart_, found);
        bufferStart_ += found + terminatorLength;
        if (bufferStart_ >= bufferEnd_) ClearReadAhead();
    }
    ReportError();
    return line;
}

int TBlockSocket::PeekBuffer(void* buffer, int length) {
    if (LibraryMissing()) {
        ReportError();
        return 0;
    }
    int result = library_.Api().recv(handle_, static_cast<char*>(buffer), length, kMsgPeek);
    CheckResult(result);
    ReportError();
    return result;
}

uint8_t TBlockSocket::PeekByte(int timeout) {
    lastError_ = 0;
    if (HasReadAhead()) return static_cast<uint8_t>(buffer_[bufferStart_]);
    if (!CanRead(timeout)) {
        if (lastError_ == 0) {
            lastError_ = kWsaETimedOut;
            ReportError();
        }
        return 0;
    }
    uint8_t value = 0;
    if (PeekBuffer(&value, 1) != 1) return 0;
    return value;
}

void TBlockSocket::DrainInput() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    int64_t drained = 0;
    try {
        while ((HasReadAhead() || WaitingData() >= 1) && drained < kMaxDrainBytes) {
            std::string packet = RecvPacket(0);
            if (lastError_ != 0) break;
            drained += static_cast<int64_t>(packet.size());
        }
    } catch (...) {
        // Draining is best effort on the way to closing.
    }
    lastError_ = 0;
}

// ---- readiness --------------------------------------------------------------

bool TBlockSocket::CanRead(int timeout) {
    lastError_ = 0;
    bool ready = WaitFor(false, timeout);
    ReportError();
    if (ready) DoStatus(THookSocketReason::HR_CanRead, "");
    return ready;
}

bool TBlockSocket::CanReadBuffered(int timeout) {
    return HasReadAhead() || CanRead(timeout);
}

bool TBlockSocket::CanWrite(int timeout) {
    lastError_ = 0;
    bool ready = WaitFor(true, timeout);
    ReportError();
    if (ready) DoStatus(THookSocketReason::HR_CanWrite, "");
    return ready;
}

// ---- addresses --------------------------------------------------------------

std::string TBlockSocket::LocalAddress() {
    return AddressText(localSin_);
}

std::string TBlockSocket::RemoteAddress() {
    return AddressText(remoteSin_);
}

int TBlockSocket::LocalPort() {
    return AddressPort(localSin_);
}

int TBlockSocket::RemotePort() {
    return AddressPort(remoteSin_);
}

// ---- datagrams --------------------------------------------------------------

int TBlockSocket::SendBufferTo(const void* buffer, int length) {
    if (CheckStopFlag()) return 0;
    if (LibraryMissing()) {
        ReportError();
        return 0;
    }
    ThrottleBandwidth(length, MaxSendBandwidth, nextSendTick_);
    int result = library_.SendTo(handle_, buffer, length, 0, remoteSin_);
    CheckResult(result);
    ReportError();
    return result;
}

int TBlockSocket::RecvBufferFrom(void* buffer, int length) {
    if (CheckStopFlag()) return 0;
    if (LibraryMissing()) {
        ReportError();
        return 0;
    }
    ThrottleBandwidth(length, MaxRecvBandwidth, nextRecvTick_);
    int result = library_.RecvFrom(handle_, buffer, length, 0, remoteSin_);
    CheckResult(result);
    ReportError();
    return result;
}

}  // namespace net
