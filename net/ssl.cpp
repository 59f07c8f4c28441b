#include "net/ssl.h"

#include <atomic>

namespace net {

namespace {

std::atomic<TSSLClass> gDefaultSSLClass{&CreateSSLNone};

}  // namespace

void TCustomSSL::NotImplemented() {
    lastError_ = -1;
    lastErrorDesc_ = "SLL is not implemented!";
}

bool TCustomSSL::MakeSelfSignedCert(const std::string&) {
    return false;
}

void TCustomSSL::Assign(const TCustomSSL& other) {
    Username = other.Username;
    Password = other.Password;
    VerifyCert = other.VerifyCert;
    SSLType = other.SSLType;
    KeyPassword = other.KeyPassword;
    Ciphers = other.Ciphers;
    CertificateFile = other.CertificateFile;
    PrivateKeyFile = other.PrivateKeyFile;
    CertCAFile = other.CertCAFile;
    CertCA = other.CertCA;
    TrustCertificate = other.TrustCertificate;
    TrustCertificateFile = other.TrustCertificateFile;
    Certificate = other.Certificate;
    PrivateKey = other.PrivateKey;
    PFX = other.PFX;
    PFXfile = other.PFXfile;
}

bool TCustomSSL::Connect() {
    NotImplemented();
    return false;
}

bool TCustomSSL::Accept() {
    NotImplemented();
    return false;
}

bool TCustomSSL::Shutdown() {
    NotImplemented();
    return false;
}

bool TCustomSSL::ShutdownBoth() {
    NotImplemented();
    return false;
}

int TCustomSSL::SendBuffer(const void*, int) {
    NotImplemented();
    return -1;
}

int TCustomSSL::RecvBuffer(void*, int) {
    NotImplemented();
    return -1;
}

int TCustomSSL::WaitingData() {
    NotImplemented();
    return 0;
}

std::unique_ptr<TCustomSSL> CreateSSLNone(TTCPBlockSocket* socket) {
    return std::make_unique<TSSLNone>(socket);
}

TSSLClass DefaultSSLClass() {
    return gDefaultSSLClass.load();
}

void SetDefaultSSLClass(TSSLClass plugClass) {
    gDefaultSSLClass.store(plugClass ? plugClass : &CreateSSLNone);
}

}  // namespace net
