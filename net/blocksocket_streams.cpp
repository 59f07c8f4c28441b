// Stream transfers of the blocking socket.

#include <string>

#include "net/blocksocket.h"
#include "runtime/streams.h"

namespace net {

namespace {

// Bytes still to come from the stream's position to its end.
int64_t Remainder(runtime::TStream& stream) {
    return stream.Size() - stream.Position();
}

int32_t NetOrder(int32_t value) {
    auto v = static_cast<uint32_t>(value);
    return static_cast<int32_t>((v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) |
                                (v << 24));
}

}  // namespace

void TBlockSocket::SendStreamRaw(runtime::TStream& stream) {
    std::string piece;
    while (true) {
        piece.resize(static_cast<size_t>(SendMaxChunk > 0 ? SendMaxChunk : 65536));
        int64_t count = stream.Read(piece.data(), static_cast<int64_t>(piece.size()));
        if (count <= 0) break;
        piece.resize(static_cast<size_t>(count));
        SendString(piece);
        if (LastError() != 0) break;
    }
}

void TBlockSocket::SendStream(runtime::TStream& stream) {
    SendInteger(static_cast<int32_t>(Remainder(stream)));
    if (LastError() == 0) SendStreamRaw(stream);
}

void TBlockSocket::SendStreamNetOrder(runtime::TStream& stream) {
    // SendInteger writes little-endian; swapping first puts the bytes in
    // network order.
    SendInteger(NetOrder(static_cast<int32_t>(Remainder(stream))));
    if (LastError() == 0) SendStreamRaw(stream);
}

void TBlockSocket::RecvStreamRaw(runtime::TStream& stream, int timeout) {
    while (true) {
        std::string packet = RecvPacket(timeout);
        if (LastError() != 0) break;
        stream.WriteBuffer(packet.data(), static_cast<int64_t>(packet.size()));
    }
}

void TBlockSocket::RecvStreamSize(runtime::TStream& stream, int timeout, int64_t size) {
    int chunk = SendMaxChunk > 0 ? SendMaxChunk : 65536;
    while (size > 0) {
        int piece = size > chunk ? chunk : static_cast<int>(size);
        std::string bytes = RecvBufferStr(piece, timeout);
        if (LastError() != 0) break;
        stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        size -= piece;
    }
}

void TBlockSocket::RecvStream(runtime::TStream& stream, int timeout) {
    int32_t size = RecvInteger(timeout);
    if (LastError() == 0) RecvStreamSize(stream, timeout, size);
}

void TBlockSocket::RecvStreamNetOrder(runtime::TStream& stream, int timeout) {
    int32_t size = NetOrder(RecvInteger(timeout));
    if (LastError() == 0) RecvStreamSize(stream, timeout, size);
}

}  // namespace net
