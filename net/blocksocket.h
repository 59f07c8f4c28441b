#pragma once

// A socket object with blocking calls and time-outs in milliseconds (-1
// waits without limit, 0 polls). It creates its handle on the first bind or
// connect, resolves host and service names, sends in bounded pieces with an
// optional bandwidth limit, and receives through a read-ahead buffer so that
// line and length reads can stop inside a received packet and keep the rest.
//
// Every operation leaves a last error in the socket interface's numbering
// with its English text, and raises ESocketError instead when RaiseExcept
// is set. All socket functions are reached through a TSocketLibrary.
//
// The handle is non-blocking underneath: blocking calls are waits in short
// slices, so a StopFlag set from another thread ends any wait within
// kStopCheckInterval, and connects, name lookups and sends are bounded by
// ConnectTimeout and SendTimeout. A deadline (SetDeadline) bounds every
// wait of a series as a whole.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/socket_api.h"
#include "net/tick.h"
#include "runtime/object.h"

namespace runtime {
class TStream;
}

namespace net {

class TBlockSocket;

enum class THookSocketReason {
    HR_ResolvingBegin,
    HR_ResolvingEnd,
    HR_SocketCreate,
    HR_SocketClose,
    HR_Bind,
    HR_Connect,
    HR_CanRead,
    HR_CanWrite,
    HR_Listen,
    HR_Accept,
    HR_ReadCount,
    HR_WriteCount,
    HR_Wait,
    HR_Error,
};

using THookSocketStatus =
    std::function<void(TBlockSocket* sender, THookSocketReason reason, const std::string& value)>;
using THookDataFilter = std::function<void(TBlockSocket* sender, std::string& value)>;
using THookCreateSocket = std::function<void(TBlockSocket* sender)>;
using THookMonitor =
    std::function<void(TBlockSocket* sender, bool writing, const void* buffer, int length)>;

enum class TSynaOptionType {
    SOT_Linger,
    SOT_RecvBuff,
    SOT_SendBuff,
    SOT_NonBlock,
    SOT_RecvTimeout,
    SOT_SendTimeout,
    SOT_Reuse,
    SOT_TTL,
    SOT_Broadcast,
    SOT_MulticastTTL,
    SOT_MulticastLoop,
};

// A socket option waiting for the handle, or applied at once.
struct TSynaOption {
    TSynaOptionType Option = TSynaOptionType::SOT_Linger;
    bool Enabled = false;
    int Value = 0;
};

class TBlockSocket : public runtime::TObject {
  public:
    explicit TBlockSocket(TSocketLibrary& library = SocketLibrary());
    ~TBlockSocket() override;

    // ---- settings and events (plain fields: setting one only stores it) ----
    THookSocketStatus OnStatus;
    THookDataFilter OnReadFilter;
    THookCreateSocket OnCreateSocket;
    THookMonitor OnMonitor;
    int Tag = 0;
    bool RaiseExcept = false;
    // Longest line that line reads accept; 0 means no limit.
    int MaxLineLength = 0;
    // Bytes per second; 0 means no limit.
    int MaxSendBandwidth = 0;
    int MaxRecvBandwidth = 0;
    // Line reads with the CR LF terminator accept CR, LF, CR LF and LF CR.
    bool ConvertLineEnd = false;
    // With SF_Any and a host name, try IPv4 before IPv6.
    bool PreferIP4 = true;
    // True: a read's time-out applies to each wait for a packet; false: to
    // the whole read.
    bool InterPacketTimeout = true;
    // Largest piece handed to one send call.
    int SendMaxChunk = 65536;
    // Bounds on a connect (its name lookup included) and on each wait of a
    // send for room; -1: none of our own (the system's connect time-out
    // still applies).
    int ConnectTimeout = -1;
    int SendTimeout = -1;
    // Set from any thread to abort the current or next send, receive or
    // wait with error 10053; cleared when seen and when a handle is made.
    std::atomic<bool> StopFlag{false};

    void SetMaxBandwidth(int bytesPerSecond) {
        MaxSendBandwidth = bytesPerSecond;
        MaxRecvBandwidth = bytesPerSecond;
    }

    // Every wait from now on (connect, name lookup, send, receive, a TLS
    // plug's) ends `timeout` ms from now at the latest, as a time-out
    // (10060); -1 removes the deadline.
    void SetDeadline(int timeout) { deadline_.Reset(timeout); }
    void SetDeadline(const TDeadline& deadline) { deadline_ = deadline; }
    const TDeadline& Deadline() const { return deadline_; }
    // The time-out of the read in progress, for a TLS plug that must wait
    // for the rest of a record it began to receive (-1: no limit; 0 when
    // the socket does not wait). Outside the socket's reads (RecvBuffer
    // called directly) the socket's receive time-out, the value of its
    // SOT_RecvTimeout option (-1 while none is set).
    int ReadWait() const { return readWait_ ? *readWait_ : recvTimeout_; }

    TSocketFamily Family() const { return family_; }
    virtual void SetFamily(TSocketFamily family);

    // ---- state ----
    TSocket Socket() const { return handle_; }
    int LastError() const { return lastError_; }
    const std::string& LastErrorDesc() const { return lastErrorDesc_; }
    bool IP6Used() const { return ip6Used_; }
    bool NonBlockMode() const { return nonBlock_; }
    const TSockAddr& LocalSin() const { return localSin_; }
    const TSockAddr& RemoteSin() const { return remoteSin_; }
    // Bytes received but not yet handed out.
    std::string_view ReadAheadBuffer() const;
    TSocketLibrary& Library() const { return library_; }

    // ---- connection ----
    virtual void AttachHandle(TSocket handle);
    virtual void CloseSocket();
    virtual void AbortSocket();
    void Bind(const std::string& host, const std::string& port);
    virtual void Connect(const std::string& host, const std::string& port);
    // The remote address, target of datagram sends, resolved as Connect
    // resolves; makes the handle when there is none.
    void SetRemoteSin(const std::string& host, const std::string& port);

    // ---- sending ----
    virtual int SendBuffer(const void* buffer, int length);
    virtual void SendByte(uint8_t value);
    virtual void SendString(std::string_view bytes);
    virtual void SendInteger(int32_t value);
    virtual void SendBlock(std::string_view bytes);
    virtual void SendStreamRaw(runtime::TStream& stream);
    virtual void SendStream(runtime::TStream& stream);
    virtual void SendStreamNetOrder(runtime::TStream& stream);

    // ---- receiving ----
    // One receive call: bytes read, 0 (peer closed: 10054; stop: 10053) or
    // -1 on an error.
    virtual int RecvBuffer(void* buffer, int length);
    // Fills the buffer completely unless an error comes first; returns the
    // bytes copied.
    virtual int RecvBufferEx(void* buffer, int length, int timeout);
    virtual std::string RecvBufferStr(int length, int timeout);
    virtual uint8_t RecvByte(int timeout);
    virtual int32_t RecvInteger(int timeout);
    // A line ended by CR LF; empty when the last error is not 0.
    virtual std::string RecvString(int timeout);
    virtual std::string RecvTerminated(int timeout, std::string_view terminator);
    // Whatever is available: the read-ahead buffer, or one packet.
    virtual std::string RecvPacket(int timeout);
    virtual std::string RecvBlock(int timeout);
    virtual void RecvStreamRaw(runtime::TStream& stream, int timeout);
    virtual void RecvStream(runtime::TStream& stream, int timeout);
    virtual void RecvStreamNetOrder(runtime::TStream& stream, int timeout);
    void RecvStreamSize(runtime::TStream& stream, int timeout, int64_t size);
    virtual int PeekBuffer(void* buffer, int length);
    virtual uint8_t PeekByte(int timeout);
    // Bytes readable without waiting, at most 65536.
    virtual int WaitingData();
    // Reads what is waiting (bounded) so that closing does not reset the
    // connection; clears the last error.
    void DrainInput();

    // ---- addresses ----
    virtual std::string LocalAddress();
    virtual std::string RemoteAddress();
    virtual int LocalPort();
    virtual int RemotePort();

    // ---- readiness ----
    virtual bool CanRead(int timeout);
    virtual bool CanReadBuffered(int timeout);
    virtual bool CanWrite(int timeout);

    // ---- datagrams ----
    virtual int SendBufferTo(const void* buffer, int length);
    virtual int RecvBufferFrom(void* buffer, int length);

    virtual int SocketType() const { return 0; }
    virtual int SocketProtocol() const { return 0; }

    // ---- errors ----
    int CheckResult(int result);
    void ReportError();
    static std::string GetErrorDesc(int code);
    bool CheckStopFlag();
    void ThrottleBandwidth(int length, int limit, uint32_t& nextTick);

    // ---- options ----
    void SetRecvBufferSize(int bytes);
    void SetSendBufferSize(int bytes);
    void QueueOption(const TSynaOption& option);

    // ---- resolution ----
    TSockAddr ResolveAddress(const std::string& host, const std::string& port);
    std::string AddressText(const TSockAddr& address);
    int AddressPort(const TSockAddr& address);
    void ResolveNameToList(const std::string& name, std::vector<std::string>& list);
    std::string ResolveName(const std::string& name);
    int ResolvePort(const std::string& port);
    std::string ResolveAddressToName(const std::string& address);
    std::string LocalHostName();

  protected:
    void SetLastError(int code) { lastError_ = code; }
    void DoStatus(THookSocketReason reason, const std::string& value);
    // Creates the handle for the family of `address` unless one exists.
    void CreateSocketHandle(const TSockAddr& address);
    void ReadLocalAddress();
    void ReadRemoteAddress();
    void SetRemoteSin(const TSockAddr& address) { remoteSin_ = address; }
    void ClearReadAhead();
    // Waits until the handle is readable (or writable); false on a time-out,
    // an error or a stop request (StopFlag stays set).
    bool WaitFor(bool write, int timeout, bool alsoExcept = false);
    // Puts a read's bytes through the monitor and the read filter; returns
    // the count kept.
    int AfterRead(void* buffer, int count);
    // Ends a failed wait of a read: 10053 when a stop was asked, else 10060.
    void WaitFailed();
    // Sends what a blocking send would, waiting for room as needed; the
    // count sent, with LastError set on a failure. SendBuffer cuts its data
    // into such pieces (a TLS socket sends them through its session).
    virtual int SendPiece(const char* data, int length);

    uint32_t nextSendTick_ = 0;
    uint32_t nextRecvTick_ = 0;

  private:
    bool UseLookupRoad() const;
    // True, with the socket error of a call made before the socket layer's
    // start (or after its end), when the library's functions are not there.
    bool LibraryMissing();
    void ApplyOption(const TSynaOption& option);
    // Receives at most `length` bytes into `buffer`, waiting up to `timeout`
    // for the first; 0 with the last error set when none came.
    int ReceiveSome(char* buffer, int length, int timeout);
    // Appends one packet (up to the socket's packet size) to the read-ahead
    // buffer; false with the last error set when none came.
    bool FillReadAhead(int timeout);
    bool HasReadAhead() const { return bufferStart_ < bufferEnd_; }

    // Resolves on a thread of its own when the host is a name, waiting
    // within ConnectTimeout, the deadline and the stop flag.
    TSockAddr ResolveBounded(const std::string& host, const std::string& port);

    TSocketLibrary& library_;
    TSocket handle_ = kInvalidSocket;
    TDeadline deadline_;
    std::optional<int> readWait_;
    int recvTimeout_ = -1;
    TSockAddr localSin_{};
    TSockAddr remoteSin_{};
    int lastError_ = 0;
    std::string lastErrorDesc_;
    // The read-ahead buffer is buffer_[bufferStart_, bufferEnd_); the space
    // after it is kept for the next receive, so it is not cleared each time.
    std::string buffer_;
    size_t bufferStart_ = 0;
    size_t bufferEnd_ = 0;
    bool nonBlock_ = false;
    bool lastWasCR_ = false;
    bool lastWasLF_ = false;
    bool bound_ = false;
    TSocketFamily family_ = TSocketFamily::SF_Any;
    TSocketFamily familySave_ = TSocketFamily::SF_Any;
    bool ip6Used_ = false;
    std::vector<TSynaOption> pending_;
};

}  // namespace net
