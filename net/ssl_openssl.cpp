#include "net/ssl_openssl.h"

#include <algorithm>
#include <cstring>

#include "net/socket_error.h"
#include "net/ssl_system_roots.h"
#include "net/tcpblocksocket.h"
#include "net/textutil.h"
#include "net/tick.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace net {

namespace {

using E = TSSLEntry;

// What each TSSLType asks of a context: whether 3.x can do it at all, and
// the one protocol version it is pinned to (0: any).
struct TVersionRow {
    TSSLType type;
    bool supported;
    long version;
};

constexpr TVersionRow kVersions[] = {
    {TSSLType::LT_all, true, 0},
    // SSL 2 is gone from OpenSSL altogether.
    {TSSLType::LT_SSLv2, false, 0},
    {TSSLType::LT_SSLv3, true, ossl::kSSL3Version},
    {TSSLType::LT_TLSv1, true, ossl::kTLS1Version},
    {TSSLType::LT_TLSv1_1, false, 0},
    {TSSLType::LT_SSHv2, false, 0},
};
static_assert(std::size(kVersions) == static_cast<size_t>(TSSLType::LT_SSHv2) + 1);

// The entry points without which a handshake cannot even start.
constexpr TSSLEntry kClientEntries[] = {
    E::TLS_client_method, E::SSL_CTX_new,       E::SSL_CTX_free, E::SSL_new,
    E::SSL_free,          E::SSL_set_bio,       E::SSL_connect,  E::SSL_read,
    E::SSL_write,         E::SSL_get_error,     E::BIO_new,      E::BIO_set_init,
    E::BIO_set_flags,     E::BIO_clear_flags,   E::BIO_meth_new, E::BIO_meth_set_write,
    E::BIO_meth_set_read, E::BIO_meth_set_ctrl,
};
constexpr TSSLEntry kServerEntries[] = {
    E::TLS_server_method, E::SSL_CTX_new,       E::SSL_CTX_free, E::SSL_new,
    E::SSL_free,          E::SSL_set_bio,       E::SSL_accept,   E::SSL_read,
    E::SSL_write,         E::SSL_get_error,     E::BIO_new,      E::BIO_set_init,
    E::BIO_set_flags,     E::BIO_clear_flags,   E::BIO_meth_new, E::BIO_meth_set_write,
    E::BIO_meth_set_read, E::BIO_meth_set_ctrl,
};

constexpr size_t kSelfSignedKeyBits = 2048;
constexpr long kSelfSignedBackdate = 86400;
constexpr long kSelfSignedLifetime = 60L * 86400;
constexpr size_t kErrorTextSize = 256;
constexpr int kNameLineSize = 4096;

// The plug whose OpenSSL call is running on this thread: OpenSSL calls the
// BIO without a context of ours.
thread_local TSSLOpenSSL* tActivePlug = nullptr;

}  // namespace

// Makes the plug the one the BIO callbacks serve for the scope's length.
class TSSLOpenSSL::TActiveScope {
  public:
    explicit TActiveScope(TSSLOpenSSL* plug) : previous_(tActivePlug) { tActivePlug = plug; }
    ~TActiveScope() { tActivePlug = previous_; }
    TActiveScope(const TActiveScope&) = delete;
    TActiveScope& operator=(const TActiveScope&) = delete;

  private:
    TSSLOpenSSL* previous_;
};

TSSLOpenSSL::TSSLOpenSSL(TTCPBlockSocket* socket, TOpenSSLLibrary& library)
    : TCustomSSL(socket), lib_(library) {
    Ciphers = "DEFAULT";
}

TSSLOpenSSL::~TSSLOpenSSL() {
    DeInit();
}

// ---- the socket BIO ---------------------------------------------------------
// Non-blocking, like the handle: "would block" is a retry, and the plug
// waits for the socket before it calls OpenSSL again.

int TSSLOpenSSL::BioWrite(ossl::BIO* bio, const char* data, int length) {
    TSSLOpenSSL* plug = tActivePlug;
    if (!plug) return -1;
    plug->lib_.BIO_clear_flags(bio, ossl::kBioFlagsRws | ossl::kBioFlagsShouldRetry);
    const TSocketApi& api = plug->socket_->Library().Api();
    int count = api.send(plug->socket_->Socket(), data, length, 0);
    if (count >= 0) return count;
    int error = api.WSAGetLastError();
    if (error == kWsaEWouldBlock) {
        plug->lib_.BIO_set_flags(bio, ossl::kBioFlagsWrite | ossl::kBioFlagsShouldRetry);
    } else {
        plug->bioError_ = error;
    }
    return -1;
}

int TSSLOpenSSL::BioRead(ossl::BIO* bio, char* data, int length) {
    TSSLOpenSSL* plug = tActivePlug;
    if (!plug || length <= 0) return -1;
    plug->lib_.BIO_clear_flags(bio, ossl::kBioFlagsRws | ossl::kBioFlagsShouldRetry);
    TTCPBlockSocket& socket = *plug->socket_;
    if (!plug->enabled_ && !socket.ReadAheadBuffer().empty()) {
        // Bytes the socket read ahead before the handshake (behind a proxy's
        // answer) are the handshake's.
        int want = static_cast<int>(
            std::min<size_t>(static_cast<size_t>(length), socket.ReadAheadBuffer().size()));
        try {
            return socket.RecvBufferEx(data, want, 0);
        } catch (...) {
            plug->bioError_ = kWsaEFault;
            return -1;
        }
    }
    const TSocketApi& api = socket.Library().Api();
    int count = api.recv(socket.Socket(), data, length, 0);
    if (count == 0) plug->bioEof_ = true;
    if (count >= 0) return count;
    int error = api.WSAGetLastError();
    if (error == kWsaEWouldBlock) {
        plug->lib_.BIO_set_flags(bio, ossl::kBioFlagsRead | ossl::kBioFlagsShouldRetry);
    } else {
        plug->bioError_ = error;
    }
    return -1;
}

long TSSLOpenSSL::BioCtrl(ossl::BIO*, int command, long, void*) {
    // Writes go straight to the socket: nothing to flush. The end of the
    // stream is what lets OpenSSL take a close without close_notify as the
    // end. Every other control is one this BIO does not know.
    switch (command) {
        case ossl::kBioCtrlFlush:
            return 1;
        case ossl::kBioCtrlEof:
            return tActivePlug && tActivePlug->bioEof_ ? 1 : 0;
        default:
            return 0;
    }
}

int TSSLOpenSSL::PasswordCallback(char* buffer, int size, int, void* userdata) {
    auto* plug = static_cast<TSSLOpenSSL*>(userdata);
    if (!plug || !buffer || size <= 0) return 0;
    size_t length = std::min(plug->KeyPassword.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, plug->KeyPassword.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

// ---- errors and set-up --------------------------------------------------------

void TSSLOpenSSL::SetError(int code, std::string text) {
    lastError_ = code;
    lastErrorDesc_ = std::move(text);
}

bool TSSLOpenSSL::CheckError() {
    lastErrorDesc_.clear();
    unsigned long error = lib_.ERR_get_error();
    lib_.ERR_clear_error();
    lastError_ = static_cast<int>(error);
    if (error == 0) return true;
    lastErrorDesc_ = lib_.ERR_error_string_n(error, kErrorTextSize);
    return false;
}

void TSSLOpenSSL::DeInit() {
    // The connection owns its BIO.
    if (ssl_) lib_.SSL_free(ssl_);
    // 3.x keeps no per-thread error state that needs freeing here.
    if (ctx_) lib_.SSL_CTX_free(ctx_);
    ssl_ = nullptr;
    ctx_ = nullptr;
    enabled_ = false;
    fatal_ = false;
    bioEof_ = false;
}

bool TSSLOpenSSL::Prepare(bool server) {
    lastError_ = 0;
    lastErrorDesc_.clear();
    const TVersionRow& row = kVersions[static_cast<size_t>(SSLType)];
    if (!row.supported) return false;
    if (!lib_.Load()) {
        SetError(-1, lib_.LoadError());
        return false;
    }
    std::string missing = server ? lib_.Missing(kServerEntries) : lib_.Missing(kClientEntries);
    if (!missing.empty()) {
        SetError(-1, "The OpenSSL library lacks " + missing);
        return false;
    }
    ctx_ = lib_.SSL_CTX_new(server ? lib_.TLS_server_method() : lib_.TLS_client_method());
    if (!ctx_) {
        CheckError();
        return false;
    }
    if (row.version != 0) {
        lib_.SSL_CTX_ctrl(ctx_, ossl::kCtrlSetMinProtoVersion, row.version, nullptr);
        lib_.SSL_CTX_ctrl(ctx_, ossl::kCtrlSetMaxProtoVersion, row.version, nullptr);
    }
    lib_.SSL_CTX_set_options(ctx_, ossl::kOpIgnoreUnexpectedEof);
    lib_.SSL_CTX_set_cipher_list(ctx_, Ciphers);
    lib_.SSL_CTX_set_verify(ctx_, VerifyCert ? ossl::kVerifyPeer : ossl::kVerifyNone);
    lib_.SSL_CTX_set_default_passwd_cb(ctx_, &PasswordCallback);
    lib_.SSL_CTX_set_default_passwd_cb_userdata(ctx_, this);
    if (server && CertificateFile.empty() && Certificate.empty() && PFXfile.empty() &&
        PFX.empty()) {
        if (!MakeSelfSignedCert(socket_->ResolveAddressToName(socket_->RemoteAddress())))
            return false;
    }
    if (!LoadKeys()) return false;
    ssl_ = lib_.SSL_new(ctx_);
    if (!ssl_) {
        CheckError();
        return false;
    }
    ossl::BIO_METHOD* method = lib_.BioMethod("serplow socket", &BioWrite, &BioRead, &BioCtrl);
    ossl::BIO* bio = method ? lib_.BIO_new(method) : nullptr;
    if (!bio) {
        if (CheckError()) SetError(-1, "OpenSSL could not make the socket's BIO");
        return false;
    }
    lib_.BIO_set_init(bio, 1);
    lib_.SSL_set_bio(ssl_, bio, bio);
    return true;
}

bool TSSLOpenSSL::Init(bool server) {
    DeInit();
    if (Prepare(server)) return true;
    DeInit();
    return false;
}

bool TSSLOpenSSL::LoadKeys() {
    if (!ctx_) return false;
    // An attempt that a later one in another format replaced leaves its
    // errors queued: they are dropped once a step has succeeded.
    auto fail = [this] {
        CheckError();
        return false;
    };
    if (!CertificateFile.empty() &&
        lib_.SSL_CTX_use_certificate_chain_file(ctx_, CertificateFile) != 1 &&
        lib_.SSL_CTX_use_certificate_file(ctx_, CertificateFile, ossl::kFileTypePem) != 1 &&
        lib_.SSL_CTX_use_certificate_file(ctx_, CertificateFile, ossl::kFileTypeAsn1) != 1)
        return fail();
    if (!Certificate.empty() && lib_.SSL_CTX_use_certificate_ASN1(ctx_, Certificate) != 1)
        return fail();
    lib_.ERR_clear_error();
    if (!PrivateKeyFile.empty() &&
        lib_.SSL_CTX_use_PrivateKey_file(ctx_, PrivateKeyFile, ossl::kFileTypePem) != 1 &&
        lib_.SSL_CTX_use_PrivateKey_file(ctx_, PrivateKeyFile, ossl::kFileTypeAsn1) != 1)
        return fail();
    if (!PrivateKey.empty() &&
        lib_.SSL_CTX_use_PrivateKey_ASN1(ossl::kPKeyRsa, ctx_, PrivateKey) != 1)
        return fail();
    lib_.ERR_clear_error();
    if (!CertCAFile.empty()) {
        if (lib_.SSL_CTX_load_verify_locations(ctx_, CertCAFile) != 1) return fail();
    } else if (VerifyCert) {
        // Without a CA file of its own the plug trusts what the system does.
        AddSystemRoots(lib_, ctx_);
    }
    if (!PFXfile.empty()) {
        std::string data;
        try {
            runtime::TFileStream file(PFXfile, runtime::fmOpenRead | runtime::fmShareDenyNone);
            data = ReadStreamBytes(file, file.Size());
        } catch (const std::exception& e) {
            CheckError();
            SetError(-1, e.what());
            return false;
        }
        if (!LoadPFX(data)) return fail();
    }
    if (!PFX.empty() && !LoadPFX(PFX)) return fail();
    CheckError();
    return true;
}

bool TSSLOpenSSL::LoadPFX(const std::string& data) {
    ossl::BIO* bio = lib_.BIO_new(lib_.BIO_s_mem());
    if (!bio) return false;
    lib_.BIO_write(bio, data);
    ossl::PKCS12* p12 = lib_.d2i_PKCS12_bio(bio);
    bool ok = false;
    if (p12) {
        ossl::EVP_PKEY* key = nullptr;
        ossl::X509* certificate = nullptr;
        ok = lib_.PKCS12_parse(p12, KeyPassword, &key, &certificate) > 0 && key && certificate &&
             lib_.SSL_CTX_use_certificate(ctx_, certificate) > 0 &&
             lib_.SSL_CTX_use_PrivateKey(ctx_, key) > 0;
        // The context holds references of its own.
        if (certificate) lib_.X509_free(certificate);
        if (key) lib_.EVP_PKEY_free(key);
        lib_.PKCS12_free(p12);
    }
    lib_.BIO_free_all(bio);
    return ok;
}

// ---- driving OpenSSL over the non-blocking socket ---------------------------

template <class Call>
int TSSLOpenSSL::Drive(Call call, int timeout, TWaits waits, bool zeroReturnEnds) {
    TActiveScope scope(this);
    uint32_t start = CurrentTick();
    while (true) {
        bioError_ = 0;
        int result = call();
        if (result > 0) return result;
        int code = lib_.SSL_get_error(ssl_, result);
        if (code == ossl::kErrorWantRead || code == ossl::kErrorWantWrite) {
            bool write = code == ossl::kErrorWantWrite;
            int left = TimeLeft(timeout, start);
            if (write ? socket_->CanWrite(left) : socket_->CanRead(left)) {
                if (waits == TWaits::Each) start = CurrentTick();
                continue;
            }
            // The same ends as a plain read's: a stop request, a time-out, or
            // the wait's own error.
            int error = socket_->StopFlag.exchange(false) ? kWsaEConnAborted
                        : socket_->LastError() != 0       ? socket_->LastError()
                                                          : kWsaETimedOut;
            SetError(error, GetErrorDesc(error));
            return -1;
        }
        if (code == ossl::kErrorZeroReturn && zeroReturnEnds) return 0;
        Failed(code);
        return -1;
    }
}

void TSSLOpenSSL::Failed(int code) {
    fatal_ = true;
    if (!CheckError()) return;
    if (bioError_ != 0) {
        SetError(bioError_, GetErrorDesc(bioError_));
    } else if (code == ossl::kErrorSyscall || code == ossl::kErrorZeroReturn) {
        SetError(kWsaEConnReset, "The peer closed the TLS connection unexpectedly");
    } else {
        SetError(code, "TLS error " + std::to_string(code));
    }
}

bool TSSLOpenSSL::Connect() {
    if (socket_->Socket() == kInvalidSocket) return false;
    if (!Init(false)) return false;
    // The name the server is asked for; a literal address is no name.
    if (!SNIHost.empty() && !IsIPv4Address(SNIHost) && !IsIPv6Address(SNIHost))
        lib_.SSL_ctrl(ssl_, ossl::kCtrlSetTlsExtHostName, ossl::kTlsExtNameTypeHostName,
                      const_cast<char*>(SNIHost.c_str()));
    // A verified chain is worth nothing for another host: the name (or
    // address) is checked against the certificate too.
    if (VerifyCert && !SNIHost.empty() && lib_.SSL_set1_host(ssl_, SNIHost) != 1) {
        CheckError();
        return false;
    }
    int timeout = WaitLimit(socket_->ConnectTimeout);
    if (Drive([this] { return lib_.SSL_connect(ssl_); }, timeout, TWaits::All, false) <= 0)
        return false;
    if (VerifyCert && VerifyResult() != 0) return false;
    enabled_ = true;
    return true;
}

bool TSSLOpenSSL::Accept() {
    if (socket_->Socket() == kInvalidSocket) return false;
    if (!Init(true)) return false;
    int timeout = WaitLimit(socket_->ConnectTimeout);
    if (Drive([this] { return lib_.SSL_accept(ssl_); }, timeout, TWaits::All, false) <= 0)
        return false;
    enabled_ = true;
    return true;
}

bool TSSLOpenSSL::Shutdown() {
    if (ssl_ && !fatal_) {
        // One close_notify, not waiting for room or for the peer's answer.
        TActiveScope scope(this);
        lib_.SSL_shutdown(ssl_);
        lib_.ERR_clear_error();
    }
    DeInit();
    return true;
}

bool TSSLOpenSSL::ShutdownBoth() {
    if (ssl_ && !fatal_) {
        TActiveScope scope(this);
        if (lib_.SSL_shutdown(ssl_) == 0) {
            socket_->Library().Api().shutdown(socket_->Socket(), kSdSend);
            // The peer's close_notify ends the wait (1); anything else that
            // is not a wait for it ends it too.
            int timeout = WaitLimit(socket_->ConnectTimeout);
            uint32_t start = CurrentTick();
            for (int zeros = 0; zeros < 2;) {
                int result = lib_.SSL_shutdown(ssl_);
                if (result == 1) break;
                if (result == 0) {
                    ++zeros;
                    continue;
                }
                if (lib_.SSL_get_error(ssl_, result) != ossl::kErrorWantRead) break;
                if (!socket_->CanRead(TimeLeft(timeout, start))) break;
            }
        }
        lib_.ERR_clear_error();
    }
    DeInit();
    return true;
}

int TSSLOpenSSL::SendBuffer(const void* buffer, int length) {
    lastError_ = 0;
    lastErrorDesc_.clear();
    if (!ssl_) {
        SetError(-1, "No TLS connection");
        return -1;
    }
    // Nothing goes out after the peer's close_notify: the socket takes the
    // 0 as the peer having closed.
    if (length <= 0 || (lib_.SSL_get_shutdown(ssl_) & ossl::kReceivedShutdown)) return 0;
    int timeout = WaitLimit(socket_->SendTimeout);
    return Drive([&] { return lib_.SSL_write(ssl_, buffer, length); }, timeout, TWaits::Each, true);
}

int TSSLOpenSSL::RecvBuffer(void* buffer, int length) {
    lastError_ = 0;
    lastErrorDesc_.clear();
    if (!ssl_) {
        SetError(-1, "No TLS connection");
        return -1;
    }
    if (length <= 0) return 0;
    // The socket saw the handle readable, yet a record may be only partly
    // there: each wait for its rest is bounded like the read's own (or, for
    // a RecvBuffer called directly, by the socket's receive time-out).
    int timeout = WaitLimit(socket_->ReadWait());
    return Drive([&] { return lib_.SSL_read(ssl_, buffer, length); }, timeout, TWaits::Each, true);
}

int TSSLOpenSSL::WaitingData() {
    return ssl_ ? lib_.SSL_pending(ssl_) : 0;
}

// ---- information ----------------------------------------------------------------

std::string TSSLOpenSSL::LibraryVersion() {
    return lib_.OpenSSL_version(ossl::kOpenSSLVersion);
}

std::string TSSLOpenSSL::ProtocolVersion() {
    return ssl_ ? lib_.SSL_get_version(ssl_) : std::string();
}

template <class Print>
std::string TSSLOpenSSL::WithPeerCertificate(Print print) {
    if (!ssl_) return {};
    ossl::X509* certificate = lib_.SSL_get1_peer_certificate(ssl_);
    if (!certificate) return {};
    std::string text = print(certificate);
    lib_.X509_free(certificate);
    return text;
}

std::string TSSLOpenSSL::PeerSubject() {
    return WithPeerCertificate([this](ossl::X509* certificate) {
        return lib_.X509_NAME_oneline(lib_.X509_get_subject_name(certificate), kNameLineSize);
    });
}

std::string TSSLOpenSSL::PeerIssuer() {
    return WithPeerCertificate([this](ossl::X509* certificate) {
        return lib_.X509_NAME_oneline(lib_.X509_get_issuer_name(certificate), kNameLineSize);
    });
}

std::string TSSLOpenSSL::PeerName() {
    // A subject without "/CN=" starts with "/", so nothing is left.
    return runtime::Trim(TextBefore(TextAfter(PeerSubject(), "/CN="), "/"));
}

std::string TSSLOpenSSL::PeerFingerprint() {
    return WithPeerCertificate([this](ossl::X509* certificate) {
        return lib_.X509_digest(certificate, lib_.EVP_get_digestbyname("MD5"));
    });
}

std::string TSSLOpenSSL::TakeBio(ossl::BIO* bio) {
    std::string data;
    size_t pending = lib_.BIO_ctrl_pending(bio);
    if (pending > 0) lib_.BIO_read(bio, data, static_cast<int>(pending));
    return data;
}

std::string TSSLOpenSSL::CertificateInfo() {
    return WithPeerCertificate([this](ossl::X509* certificate) {
        ossl::BIO* bio = lib_.BIO_new(lib_.BIO_s_mem());
        if (!bio) return std::string();
        lib_.X509_print(bio, certificate);
        std::string text = TakeBio(bio);
        lib_.BIO_free_all(bio);
        return ReplaceAll(text, "\n", "\r\n");
    });
}

std::string TSSLOpenSSL::CipherName() {
    return ssl_ ? lib_.SSL_CIPHER_get_name(lib_.SSL_get_current_cipher(ssl_)) : std::string();
}

int TSSLOpenSSL::CipherBits() {
    if (!ssl_) return 0;
    int algorithmBits = 0;
    return lib_.SSL_CIPHER_get_bits(lib_.SSL_get_current_cipher(ssl_), &algorithmBits);
}

int TSSLOpenSSL::CipherAlgorithmBits() {
    if (!ssl_) return 0;
    int algorithmBits = 0;
    lib_.SSL_CIPHER_get_bits(lib_.SSL_get_current_cipher(ssl_), &algorithmBits);
    return algorithmBits;
}

int TSSLOpenSSL::VerifyResult() {
    return ssl_ ? static_cast<int>(lib_.SSL_get_verify_result(ssl_)) : 1;
}

// ---- the self-signed certificate ------------------------------------------------

bool TSSLOpenSSL::MakeSelfSignedCert(const std::string& host) {
    ossl::EVP_PKEY* key = lib_.EVP_PKEY_Q_keygen_rsa(kSelfSignedKeyBits);
    ossl::X509* certificate = key ? lib_.X509_new() : nullptr;
    bool ok = certificate != nullptr;
    if (ok) {
        lib_.X509_set_version(certificate, 2);  // X.509 version 3
        lib_.ASN1_INTEGER_set(lib_.X509_get_serialNumber(certificate), 0);
        lib_.X509_gmtime_adj(lib_.X509_getm_notBefore(certificate), -kSelfSignedBackdate);
        lib_.X509_gmtime_adj(lib_.X509_getm_notAfter(certificate), kSelfSignedLifetime);
        lib_.X509_set_pubkey(certificate, key);
        ossl::X509_NAME* name = lib_.X509_get_subject_name(certificate);
        ok = lib_.X509_NAME_add_entry_by_txt(name, "C", ossl::kMbStringAsc, "CZ") > 0 &&
             lib_.X509_NAME_add_entry_by_txt(name, "CN", ossl::kMbStringAsc, host) > 0 &&
             lib_.X509_set_issuer_name(certificate, name) > 0 &&
             lib_.X509_sign(certificate, key, lib_.EVP_get_digestbyname("SHA256")) > 0;
    }
    std::string der;
    std::string keyDer;
    if (ok) {
        ossl::BIO* bio = lib_.BIO_new(lib_.BIO_s_mem());
        if (bio && lib_.i2d_X509_bio(bio, certificate) > 0) der = TakeBio(bio);
        lib_.BIO_free_all(bio);
        bio = lib_.BIO_new(lib_.BIO_s_mem());
        if (bio && lib_.i2d_PrivateKey_bio(bio, key) > 0) keyDer = TakeBio(bio);
        lib_.BIO_free_all(bio);
        ok = !der.empty() && !keyDer.empty();
    }
    if (certificate) lib_.X509_free(certificate);
    if (key) lib_.EVP_PKEY_free(key);
    if (!ok) {
        if (CheckError()) SetError(-1, "OpenSSL could not make a self-signed certificate");
        return false;
    }
    Certificate = std::move(der);
    PrivateKey = std::move(keyDer);
    return true;
}

// ---- the plug class and the layer's start and end -----------------------------

std::unique_ptr<TCustomSSL> CreateSSLOpenSSL(TTCPBlockSocket* socket) {
    return std::make_unique<TSSLOpenSSL>(socket);
}

bool InitSSLInterface() {
    if (!LoadOpenSSL()) return false;
    SetDefaultSSLClass(&CreateSSLOpenSSL);
    return true;
}

void DestroySSLInterface() {
    SetDefaultSSLClass(&CreateSSLNone);
    UnloadOpenSSL();
}

}  // namespace net
