#pragma once

// The TLS plug of a TTCPBlockSocket. Every TTCPBlockSocket owns one plug,
// made by a plug class (a factory taking the socket). The socket routes its
// sends, receives and readiness counts through the plug once a handshake has
// succeeded (SSLEnabled), and asks the plug to shut down before it closes.
//
// TCustomSSL fails every operation; TSSLNone is the plug of a program
// without TLS and the process-wide default until the TLS layer installs its
// own class with SetDefaultSSLClass at start-up.
//
// For a plug's author: the socket's handle is non-blocking. A plug that is
// told "want read" or "want write" waits with the socket's CanRead or
// CanWrite and tries again. A handshake's waits end at the socket's
// ConnectTimeout, each wait of a write at its SendTimeout and each wait of
// a read at the socket's ReadWait (the time-out of the read in progress);
// any of them at the deadline when one is set (SetDeadline, and the
// socket's own), and the socket's StopFlag ends them all. A wait that ends
// so leaves its outcome as the plug's error: 10060 (time-out), 10053
// (stop). The socket calls RecvBuffer only when WaitingData is above 0 or
// the handle is readable, but a record may still be on its way.

#include <cstdint>
#include <memory>
#include <string>

#include "net/tick.h"
#include "runtime/object.h"

namespace net {

class TTCPBlockSocket;

enum class TSSLType { LT_all, LT_SSLv2, LT_SSLv3, LT_TLSv1, LT_TLSv1_1, LT_SSHv2 };

class TCustomSSL : public runtime::TObject {
  public:
    explicit TCustomSSL(TTCPBlockSocket* socket) : socket_(socket) {}

    TSSLType SSLType = TSSLType::LT_all;
    std::string KeyPassword;
    std::string Ciphers;
    std::string CertificateFile;
    std::string PrivateKeyFile;
    std::string Certificate;  // DER bytes
    std::string PrivateKey;   // DER bytes
    std::string PFX;          // PKCS#12 bytes
    std::string PFXfile;
    std::string CertCA;
    std::string CertCAFile;
    std::string TrustCertificate;
    std::string TrustCertificateFile;
    bool VerifyCert = false;
    std::string Username;
    std::string Password;
    std::string SSHChannelType;
    std::string SSHChannelArg1;
    std::string SSHChannelArg2;
    // The server name a client handshake asks for (the host of the URL);
    // set by the HTTP client before it connects.
    std::string SNIHost;

    virtual bool MakeSelfSignedCert(const std::string& host);
    // Copies the settings (not the SSH fields).
    virtual void Assign(const TCustomSSL& other);
    virtual std::string LibraryVersion() { return {}; }
    virtual std::string LibraryName() { return {}; }
    virtual bool Connect();
    virtual bool Accept();
    virtual bool Shutdown();
    virtual bool ShutdownBoth();
    virtual int SendBuffer(const void* buffer, int length);
    virtual int RecvBuffer(void* buffer, int length);
    virtual int WaitingData();
    virtual std::string ProtocolVersion() { return {}; }
    virtual std::string PeerSubject() { return {}; }
    virtual std::string PeerIssuer() { return {}; }
    virtual std::string PeerName() { return {}; }
    virtual std::string PeerFingerprint() { return {}; }
    virtual std::string CertificateInfo() { return {}; }
    virtual std::string CipherName() { return {}; }
    virtual int CipherBits() { return 0; }
    virtual int CipherAlgorithmBits() { return 0; }
    virtual int VerifyResult() { return 1; }

    // The plug's waits for its peer end `timeout` ms from now at the latest
    // (-1: no deadline).
    void SetDeadline(int timeout) { deadline_.Reset(timeout); }

    bool SSLEnabled() const { return enabled_; }
    int LastError() const { return lastError_; }
    const std::string& LastErrorDesc() const { return lastErrorDesc_; }
    TTCPBlockSocket* Socket() const { return socket_; }

  protected:
    // Sets the not-implemented error: -1, "SLL is not implemented!".
    void NotImplemented();
    // The wait `timeout` (-1: no limit) cut to what is left of the deadline.
    int WaitLimit(int timeout) const { return deadline_.Bound(timeout); }

    TTCPBlockSocket* socket_;
    bool enabled_ = false;
    int lastError_ = 0;
    std::string lastErrorDesc_;

  private:
    TDeadline deadline_;
};

class TSSLNone : public TCustomSSL {
  public:
    using TCustomSSL::TCustomSSL;
    std::string LibraryVersion() override { return "Without SSL support"; }
    std::string LibraryName() override { return "ssl_none"; }
};

// A plug class: makes the plug of a socket.
using TSSLClass = std::unique_ptr<TCustomSSL> (*)(TTCPBlockSocket* socket);

std::unique_ptr<TCustomSSL> CreateSSLNone(TTCPBlockSocket* socket);

// The class TTCPBlockSocket's plain constructor uses: CreateSSLNone until
// the TLS layer sets its own at start-up.
TSSLClass DefaultSSLClass();
void SetDefaultSSLClass(TSSLClass plugClass);

}  // namespace net
