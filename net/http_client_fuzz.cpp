// Feeds arbitrary bytes to the HTTP client as its servers' answers over the
// roads the response target does not take: a 100-continue upload, plain
// HTTP through a proxy, HTTPS through a proxy's tunnel, and kept
// connections over several requests, which may find the server closed the
// connection meanwhile. Each connection the client makes takes the next
// piece of the input (see TInputSocket).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "net/httpsend.h"
#include "net/testing/input_socket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    net::testing::TFuzzInput input;
    if (!net::testing::TInputSocket::ReadFuzzInput(data, size, input)) return 0;
    const uint8_t mode = input.mode;
    auto socket = std::make_unique<net::testing::TInputSocket>(input.connections, input.packet);
    socket->ConvertLineEnd = mode & 0x10;
    net::THTTPSend http(std::move(socket));
    http.Timeout = 1000;
    http.Protocol = (mode & 4) ? "1.1" : "1.0";
    std::string url = "http://fuzz.test/path";
    switch (mode & 3) {
        case 1:
            http.ProxyHost = "127.0.0.1";
            http.ProxyUser = "user";
            http.ProxyPass = "secret";
            break;
        case 2:
            http.ProxyHost = "127.0.0.1";
            url = "https://fuzz.test/path";
            break;
        case 3:
            http.Status100 = true;
            break;
        default:
            break;
    }
    for (int request = 0; request < 3; ++request) {
        http.Clear();
        const bool upload = (mode & 3) == 3 || ((mode & 8) && request == 1);
        if (upload) http.Document().WriteBuffer("form=data", 9);
        (void)http.ExecuteRequest(upload ? "POST" : (request == 2 ? "HEAD" : "GET"), url);
    }
    return 0;
}
