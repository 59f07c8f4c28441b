#pragma once

// What the TLS tests share: the files of the TLS peers that
// tests/servers/peers.py --tls makes, and a library provider that plays
// OpenSSL's files being there or not.

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "net/socket_api.h"
#include "runtime/os/environment.h"

namespace net::testing {

// The pass phrases, body sizes and names of tests/servers/peers.py.
inline constexpr const char* kP12Password = "p12pass";
inline constexpr const char* kKeyPassword = "keypass";
inline constexpr size_t kTlsSized = 100000;
inline constexpr size_t kTlsChunked = 30000;
inline constexpr size_t kTlsToClose = 50000;
inline constexpr const char* kLocalhostSubject = "/C=CZ/O=Serplow Tests/CN=localhost";
inline constexpr const char* kOtherSubject = "/O=Serplow Tests/OU=Other";
inline constexpr const char* kCASubject = "/CN=Serplow Test CA";

// The path of a file of the TLS peers, as this program names it (under
// Wine the Unix root is drive Z:).
inline std::string TlsFile(const std::string& name) {
    auto folder = runtime::os::GetEnv("SERPLOW_TEST_TLS_DIR");
    std::string path = (folder ? *folder : std::string(".")) + "/" + name;
#ifdef _WIN32
    if (path.starts_with("/")) {
        path = "Z:" + path;
        std::replace(path.begin(), path.end(), '/', '\\');
    }
#endif
    return path;
}

inline std::string ReadTlsFile(const std::string& name) {
    std::ifstream in(TlsFile(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Libraries that "load" when their file name is listed, with the symbols
// given for them. Counts the libraries it holds open.
class TFakeLibraryProvider : public TLibraryProvider {
  public:
    using TSymbols = std::map<std::string, void*>;

    void Add(const std::string& file, TSymbols symbols = {}) { files_[file] = std::move(symbols); }
    int OpenCount() const { return open_; }

    void* Open(const std::string& name) override {
        auto it = files_.find(name);
        if (it == files_.end()) return nullptr;
        ++open_;
        return &it->second;
    }
    void* Symbol(void* library, const char* name) override {
        auto& symbols = *static_cast<TSymbols*>(library);
        auto it = symbols.find(name);
        return it == symbols.end() ? nullptr : it->second;
    }
    void Close(void*) override { --open_; }

  private:
    std::map<std::string, TSymbols> files_;
    int open_ = 0;
};

}  // namespace net::testing
