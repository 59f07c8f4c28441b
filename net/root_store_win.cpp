#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include "net/root_store_win.h"

namespace net {

std::vector<std::string> RootStoreCertificates() {
    std::vector<std::string> certificates;
    HCERTSTORE store = ::CertOpenSystemStoreW(0, L"ROOT");
    if (!store) return certificates;
    for (PCCERT_CONTEXT c = ::CertEnumCertificatesInStore(store, nullptr); c;
         c = ::CertEnumCertificatesInStore(store, c)) {
        if (c->dwCertEncodingType & X509_ASN_ENCODING)
            certificates.emplace_back(reinterpret_cast<const char*>(c->pbCertEncoded),
                                      c->cbCertEncoded);
    }
    ::CertCloseStore(store, 0);
    return certificates;
}

}  // namespace net
