#pragma once

// The TLS plug over OpenSSL (loaded at run time, net/ssl_openssl_lib.h):
// the client and the server side of a TLS connection on the socket's
// handle. A handshake builds a fresh context and connection from the
// plug's settings, so a caller sets them before connecting.
//
// The plug's traffic goes through the socket's own interface table (a BIO
// of our own over its send and recv), so it behaves the same natively and
// under Wine. A client sends the server's name (SNIHost) unless it is an
// address; with VerifyCert it checks the certificate chain against
// CertCAFile (without one, against the system's trusted roots) and the name
// against the certificate. A peer that closes
// without a close_notify ends the stream like one that sends it.

#include <memory>
#include <string>

#include "net/ssl.h"
#include "net/ssl_openssl_lib.h"

namespace net {

class TSSLOpenSSL : public TCustomSSL {
  public:
    explicit TSSLOpenSSL(TTCPBlockSocket* socket, TOpenSSLLibrary& library = OpenSSLLibrary());
    ~TSSLOpenSSL() override;
    TSSLOpenSSL(const TSSLOpenSSL&) = delete;
    TSSLOpenSSL& operator=(const TSSLOpenSSL&) = delete;

    // Fills Certificate and PrivateKey (DER) with a new self-signed
    // certificate for `host`: a 2048-bit RSA key, signed with SHA-256,
    // valid from a day ago for 60 days, subject and issuer C = CZ, CN = host.
    bool MakeSelfSignedCert(const std::string& host) override;
    std::string LibraryVersion() override;
    std::string LibraryName() override { return "ssl_openssl"; }
    // The client handshake on the socket's connected handle.
    bool Connect() override;
    // The server handshake on the socket's handle (an accepted connection);
    // without any certificate setting the plug makes its own for the name
    // of the peer's address.
    bool Accept() override;
    // Sends the close_notify and frees the connection; always true.
    bool Shutdown() override;
    // Also ends the socket's sending side and waits for the peer's
    // close_notify; always true.
    bool ShutdownBoth() override;
    // The bytes written (all of them), 0 once the peer has closed its side
    // of the TLS connection, or -1 with the error set.
    int SendBuffer(const void* buffer, int length) override;
    // The bytes read, 0 when the peer closed the TLS connection, or -1 with
    // the error set.
    int RecvBuffer(void* buffer, int length) override;
    int WaitingData() override;
    std::string ProtocolVersion() override;
    std::string PeerSubject() override;
    std::string PeerIssuer() override;
    std::string PeerName() override;
    // The raw MD5 digest (16 bytes) of the peer's certificate.
    std::string PeerFingerprint() override;
    // The printed peer certificate, lines ended by CR LF.
    std::string CertificateInfo() override;
    std::string CipherName() override;
    int CipherBits() override;
    int CipherAlgorithmBits() override;
    int VerifyResult() override;

  private:
    class TActiveScope;

    void SetError(int code, std::string text);
    // Takes the first queued OpenSSL error into the last error and empties
    // the queue; true when there was none.
    bool CheckError();
    void DeInit();
    [[nodiscard]] bool Prepare(bool server);
    [[nodiscard]] bool Init(bool server);
    [[nodiscard]] bool LoadKeys();
    [[nodiscard]] bool LoadPFX(const std::string& data);
    // What a time-out of Drive bounds: all its waits together, or each.
    enum class TWaits { All, Each };
    // Runs an OpenSSL call until it completes, waiting for the socket as it
    // asks within `timeout` ms (-1: no limit). Its result: above 0 on
    // success, 0 when the peer closed the TLS connection (and
    // `zeroReturnEnds`), else -1 with the error set.
    template <class Call>
    int Drive(Call call, int timeout, TWaits waits, bool zeroReturnEnds);
    // Sets the error of a failed call that SSL_get_error classed as `code`.
    void Failed(int code);
    // The peer's certificate printed through `print`, or empty.
    template <class Print>
    std::string WithPeerCertificate(Print print);
    std::string TakeBio(ossl::BIO* bio);

    static int BioWrite(ossl::BIO* bio, const char* data, int length);
    static int BioRead(ossl::BIO* bio, char* data, int length);
    static long BioCtrl(ossl::BIO* bio, int command, long number, void* pointer);
    static int PasswordCallback(char* buffer, int size, int rwflag, void* userdata);

    TOpenSSLLibrary& lib_;
    ossl::SSL_CTX* ctx_ = nullptr;
    ossl::SSL* ssl_ = nullptr;
    // A fatal error ended the connection: no close_notify may follow.
    bool fatal_ = false;
    // The socket error the BIO met in the current call (0: none).
    int bioError_ = 0;
    // The peer ended the TCP stream; OpenSSL asks to tell such an end from
    // a failed read.
    bool bioEof_ = false;
};

// The plug class of TSSLOpenSSL over the process-wide library.
std::unique_ptr<TCustomSSL> CreateSSLOpenSSL(TTCPBlockSocket* socket);

// The TLS layer's start: loads OpenSSL and, when it loads, makes
// TSSLOpenSSL the default plug class of new sockets. True when it loaded;
// otherwise sockets keep TSSLNone and plain HTTP works as before.
bool InitSSLInterface();
// The TLS layer's end: TSSLNone becomes the default again and OpenSSL is
// unloaded. No plug may outlive it.
void DestroySSLInterface();

}  // namespace net
