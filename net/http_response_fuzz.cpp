// Feeds arbitrary bytes to the HTTP client as the server's answer: status
// line, header lines, chunked and sized bodies, split into packets of a
// size the input chooses, over two requests on one client.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "net/httpsend.h"

namespace {

// A socket whose peer is the fuzz input; what the client sends is dropped.
class TInputSocket : public net::TTCPBlockSocket {
  public:
    TInputSocket(std::string input, size_t packet) : input_(std::move(input)), packet_(packet) {}

    void Connect(const std::string&, const std::string&) override { SetLastError(0); }
    void CloseSocket() override {}
    int SendBuffer(const void*, int length) override {
        SetLastError(0);
        return length;
    }
    int RecvBuffer(void* buffer, int length) override {
        SetLastError(0);
        size_t count = std::min({static_cast<size_t>(length), packet_, input_.size() - at_});
        input_.copy(static_cast<char*>(buffer), count, at_);
        at_ += count;
        return static_cast<int>(count);  // 0 at the end: the peer closed
    }
    // Never 0, so that reads never wait on the (absent) handle: at the end a
    // read comes back empty, which is the peer closing.
    int WaitingData() override { return 1; }
    bool CanRead(int) override { return at_ < input_.size(); }

  private:
    std::string input_;
    size_t packet_;
    size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t packet = data[0] % 64 + 1;
    bool convertLineEnd = data[0] & 0x40;
    std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
    auto socket = std::make_unique<TInputSocket>(input, packet);
    socket->ConvertLineEnd = convertLineEnd;
    net::THTTPSend http(std::move(socket));
    http.Protocol = "1.1";
    http.Timeout = 1000;
    for (const char* method : {"GET", "HEAD"}) {
        http.Clear();
        (void)http.ExecuteRequest(method, "http://fuzz.test/path");
    }
    return 0;
}
