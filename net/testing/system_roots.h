#pragma once

// Makes a test CA a root that the system trusts, for the life of the
// object: natively through SSL_CERT_FILE (which OpenSSL's default locations
// honour), on Windows by adding it to the user's root store in the registry
// (which the system store "ROOT" shows).

#include <string>

namespace net::testing {

class TSystemTrustedRoot {
  public:
    // `pemFile`: the CA certificate, PEM, as this program names files.
    explicit TSystemTrustedRoot(const std::string& pemFile);
    ~TSystemTrustedRoot();
    TSystemTrustedRoot(const TSystemTrustedRoot&) = delete;
    TSystemTrustedRoot& operator=(const TSystemTrustedRoot&) = delete;

    // Empty when the root is trusted, else why not.
    const std::string& Error() const { return error_; }

  private:
    std::string error_;
    std::string der_;       // Windows: the certificate added
    std::string previous_;  // natively: SSL_CERT_FILE before
    bool hadPrevious_ = false;
};

}  // namespace net::testing
