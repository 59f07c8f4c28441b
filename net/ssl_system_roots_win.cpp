#include "net/root_store_win.h"
#include "net/ssl_system_roots.h"

namespace net {

bool AddSystemRoots(TOpenSSLLibrary& library, ossl::SSL_CTX* ctx) {
    ossl::X509_STORE* store = library.SSL_CTX_get_cert_store(ctx);
    if (!store) return false;
    int added = 0;
    for (const std::string& der : RootStoreCertificates()) {
        ossl::X509* certificate = library.d2i_X509(der);
        if (!certificate) continue;
        if (library.X509_STORE_add_cert(store, certificate) == 1) ++added;
        library.X509_free(certificate);
    }
    // A certificate OpenSSL cannot read, or one it has already, queues an
    // error of no matter.
    library.ERR_clear_error();
    return added > 0;
}

}  // namespace net
