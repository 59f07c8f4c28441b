#include "net/testing/system_roots.h"
#include "runtime/os/environment.h"

namespace net::testing {

TSystemTrustedRoot::TSystemTrustedRoot(const std::string& pemFile) {
    if (auto previous = runtime::os::GetEnv("SSL_CERT_FILE")) {
        hadPrevious_ = true;
        previous_ = *previous;
    }
    if (!runtime::os::SetEnv("SSL_CERT_FILE", pemFile)) error_ = "SSL_CERT_FILE cannot be set";
}

TSystemTrustedRoot::~TSystemTrustedRoot() {
    bool restored = hadPrevious_ ? runtime::os::SetEnv("SSL_CERT_FILE", previous_)
                                 : runtime::os::UnsetEnv("SSL_CERT_FILE");
    (void)restored;
}

}  // namespace net::testing
