#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <fstream>
#include <iterator>

#include "net/testing/system_roots.h"

namespace net::testing {

namespace {

// The user's root store in the registry, behind the system store "ROOT";
// what is added to it is kept when the store is closed.
HCERTSTORE OpenUserRoots() {
    return ::CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER,
                           L"Root");
}

}  // namespace

TSystemTrustedRoot::TSystemTrustedRoot(const std::string& pemFile) {
    std::ifstream in(pemFile, std::ios::binary);
    std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DWORD size = 0;
    if (pem.empty() ||
        !::CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                                CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
        error_ = "cannot read " + pemFile;
        return;
    }
    der_.resize(size);
    ::CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                           reinterpret_cast<BYTE*>(der_.data()), &size, nullptr, nullptr);
    HCERTSTORE store = OpenUserRoots();
    if (!store) {
        error_ = "cannot open the user's root store: " + std::to_string(::GetLastError());
        return;
    }
    if (!::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                            reinterpret_cast<const BYTE*>(der_.data()), size,
                                            CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
        error_ = "cannot add to the user's root store: " + std::to_string(::GetLastError());
    ::CertCloseStore(store, 0);
}

TSystemTrustedRoot::~TSystemTrustedRoot() {
    if (der_.empty()) return;
    HCERTSTORE store = OpenUserRoots();
    if (!store) return;
    PCCERT_CONTEXT wanted = ::CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der_.data()),
        static_cast<DWORD>(der_.size()));
    if (wanted) {
        PCCERT_CONTEXT found = ::CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                            CERT_FIND_EXISTING, wanted, nullptr);
        // Deleting frees the found context.
        if (found) ::CertDeleteCertificateFromStore(found);
        ::CertFreeCertificateContext(wanted);
    }
    ::CertCloseStore(store, 0);
}

}  // namespace net::testing
