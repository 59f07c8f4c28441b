#include "net/testing/peers.h"

#include "runtime/os/environment.h"

namespace net::testing {

std::string PeerPort(const char* variable, const char* program, std::string& why, bool& absent) {
    absent = false;
    if (auto port = runtime::os::GetEnv(variable)) return *port;
    auto missing = runtime::os::GetEnv("SERPLOW_TEST_MISSING");
    absent = missing &&
             ("," + *missing + ",").find("," + std::string(program) + ",") != std::string::npos;
    if (absent)
        why = std::string(program) + " is not installed (tools/install-deps.sh installs it)";
    else
        why = std::string(variable) +
              " is not set: run this test through ctest, whose command "
              "starts the peers with tests/servers/peers.py";
    return {};
}

std::string PatternBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

}  // namespace net::testing
