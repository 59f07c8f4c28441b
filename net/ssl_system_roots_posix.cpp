#include "net/ssl_system_roots.h"

namespace net {

bool AddSystemRoots(TOpenSSLLibrary& library, ossl::SSL_CTX* ctx) {
    bool ok = library.SSL_CTX_set_default_verify_paths(ctx) == 1;
    // A default location that does not exist queues an error of no matter.
    library.ERR_clear_error();
    return ok;
}

}  // namespace net
