#include "net/udpblocksocket.h"

#include "net/tick.h"

namespace net {

namespace {

// The largest datagram a receive takes.
constexpr int kMaxDatagram = 65536;

}  // namespace

int TUDPBlockSocket::SendBuffer(const void* buffer, int length) {
    if (CheckStopFlag()) return 0;
    if (OnMonitor) OnMonitor(this, true, buffer, length);
    ThrottleBandwidth(length, MaxSendBandwidth, nextSendTick_);
    const uint32_t start = CurrentTick();
    while (true) {
        int sent = Library().SendTo(Socket(), buffer, length, 0, RemoteSin());
        CheckResult(sent);
        if (LastError() != kWsaEWouldBlock || NonBlockMode()) break;
        // No room in the send buffer for the whole datagram yet.
        if (!WaitFor(true, TimeLeft(SendTimeout, start))) {
            WaitFailed();
            return 0;
        }
    }
    ReportError();
    if (LastError() != 0) return 0;
    // The system bound an unbound socket for the send.
    if (net::Family(LocalSin()) == 0) ReadLocalAddress();
    DoStatus(THookSocketReason::HR_WriteCount, std::to_string(length));
    return length;
}

int TUDPBlockSocket::RecvBuffer(void* buffer, int length) {
    if (CheckStopFlag()) return 0;
    ThrottleBandwidth(length, MaxRecvBandwidth, nextRecvTick_);
    TSockAddr from{};
    int result = Library().RecvFrom(Socket(), buffer, length, 0, from);
    CheckResult(result);
    ReportError();
    if (result < 0) return -1;
    SetRemoteSin(from);
    return result > 0 ? AfterRead(buffer, result) : 0;
}

std::string TUDPBlockSocket::RecvPacket(int timeout) {
    SetLastError(0);
    const uint32_t start = CurrentTick();
    std::string packet(kMaxDatagram, '\0');
    while (true) {
        if (!NonBlockMode() && !WaitFor(false, TimeLeft(timeout, start))) {
            WaitFailed();
            return {};
        }
        int count = RecvBuffer(packet.data(), kMaxDatagram);
        if (count >= 0 && LastError() == 0) {
            packet.resize(static_cast<size_t>(count));
            return packet;
        }
        // Readable, yet nothing to take: wait again within the time-out.
        if (LastError() != kWsaEWouldBlock || NonBlockMode()) return {};
    }
}

}  // namespace net
