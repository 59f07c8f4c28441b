#pragma once

// The system's trusted root certificates for a TLS context that verifies
// its peer without a CA file of its own: on Windows the certificates of the
// system store "ROOT" (the machine's and the user's), natively OpenSSL's
// default locations (which SSL_CERT_FILE and SSL_CERT_DIR override).

#include "net/ssl_openssl_lib.h"

namespace net {

// Adds them to the context's verification store; false when none could be
// added. Leaves OpenSSL's error queue empty.
bool AddSystemRoots(TOpenSSLLibrary& library, ossl::SSL_CTX* ctx);

}  // namespace net
