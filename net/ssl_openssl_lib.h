#pragma once

// OpenSSL 3 reached at run time: its two libraries are loaded by file name,
// every function is looked up by name, and each call goes through a wrapper
// that loads the libraries when needed and returns a fixed fallback when
// they or that one function are missing. Nothing here is linked against
// OpenSSL, and no OpenSSL header is used: the types are opaque and the
// few constants the TLS layer needs are below.
//
// One process-wide instance serves the TLS plugs (OpenSSLLibrary()); tests
// make their own over a library provider of their own.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/socket_api.h"

namespace net {

// Opaque OpenSSL objects.
namespace ossl {
struct SSL;
struct SSL_CTX;
struct SSL_METHOD;
struct SSL_CIPHER;
struct X509;
struct X509_NAME;
struct EVP_PKEY;
struct EVP_MD;
struct BIO;
struct BIO_METHOD;
struct PKCS12;
struct ASN1_INTEGER;
struct ASN1_TIME;
struct OSSL_LIB_CTX;
struct X509_STORE;
struct CRYPTO_THREADID;

// SSL_get_error results.
inline constexpr int kErrorNone = 0;
inline constexpr int kErrorSsl = 1;
inline constexpr int kErrorWantRead = 2;
inline constexpr int kErrorWantWrite = 3;
inline constexpr int kErrorSyscall = 5;
inline constexpr int kErrorZeroReturn = 6;

// Protocol versions for the context's version bounds.
inline constexpr long kSSL3Version = 0x0300;
inline constexpr long kTLS1Version = 0x0301;
inline constexpr long kTLS1_2Version = 0x0303;
inline constexpr long kTLS1_3Version = 0x0304;

// Control codes of SSL_ctrl and SSL_CTX_ctrl.
inline constexpr int kCtrlSetTlsExtHostName = 55;
inline constexpr int kCtrlSetMinProtoVersion = 123;
inline constexpr int kCtrlSetMaxProtoVersion = 124;
inline constexpr long kTlsExtNameTypeHostName = 0;

// A peer that closes without close_notify ends the stream like one that
// sends it.
inline constexpr uint64_t kOpIgnoreUnexpectedEof = uint64_t{1} << 7;

inline constexpr int kVerifyNone = 0;
inline constexpr int kVerifyPeer = 1;
inline constexpr int kFileTypePem = 1;
inline constexpr int kFileTypeAsn1 = 2;
inline constexpr int kPKeyRsa = 6;
inline constexpr int kMbStringAsc = 0x1001;
inline constexpr int kOpenSSLVersion = 0;
inline constexpr uint64_t kInitLoadCryptoStrings = 0x00000002;
inline constexpr uint64_t kInitLoadSslStrings = 0x00200000;
inline constexpr int kSentShutdown = 1;
inline constexpr int kReceivedShutdown = 2;

// BIO flags, controls and types for a BIO of our own.
inline constexpr int kBioFlagsRead = 0x01;
inline constexpr int kBioFlagsWrite = 0x02;
inline constexpr int kBioFlagsIoSpecial = 0x04;
inline constexpr int kBioFlagsRws = kBioFlagsRead | kBioFlagsWrite | kBioFlagsIoSpecial;
inline constexpr int kBioFlagsShouldRetry = 0x08;
inline constexpr int kBioCtrlEof = 2;
inline constexpr int kBioCtrlFlush = 11;
inline constexpr int kBioTypeSourceSink = 0x0400;

using PemPasswordCallback = int (*)(char* buffer, int size, int rwflag, void* userdata);
using BioWriteCallback = int (*)(BIO* bio, const char* data, int length);
using BioReadCallback = int (*)(BIO* bio, char* data, int length);
using BioCtrlCallback = long (*)(BIO* bio, int command, long number, void* pointer);
using LockingCallback = void (*)(int mode, int number, const char* file, int line);
using IdCallback = unsigned long (*)();
}  // namespace ossl

// Every entry point looked up, in lookup order: first those of the TLS
// library, then those of the crypto library (see kSSLEntries in the .cpp).
//
// The names are OpenSSL 3's. Calls that 3.x replaced are bound to their
// successors: TLS_client_method and TLS_server_method with version bounds
// for the fixed-version methods, OPENSSL_init_ssl for the library and
// error-string set-up, OpenSSL_version for SSLeay_version,
// SSL_get1_peer_certificate, X509_getm_notBefore/notAfter, EVP_PKEY_Q_keygen
// for RSA_generate_key, SSL_CTX_use_PrivateKey_file for the RSA-only key
// file call, and a BIO of our own (BIO_meth_*) for SSL_set_fd. Calls that
// have no meaning in 3.x are not bound: the clean-up calls (EVP_cleanup,
// CRYPTO_cleanup_all_ex_data, ERR_free_strings, ERR_remove_state: 3.x frees
// its state by itself, per thread at thread exit) and the explicit seeding
// (RAND_screen). The locking and thread-id callbacks are looked up and
// installed when a library still has them; 3.x locks by itself and has
// neither.
enum class TSSLEntry : int {
    // TLS library.
    SSL_get_error,
    OPENSSL_init_ssl,
    SSL_CTX_set_cipher_list,
    SSL_CTX_new,
    SSL_CTX_free,
    TLS_client_method,
    TLS_server_method,
    SSL_CTX_ctrl,
    SSL_CTX_set_options,
    SSL_CTX_use_PrivateKey,
    SSL_CTX_use_PrivateKey_ASN1,
    SSL_CTX_use_PrivateKey_file,
    SSL_CTX_use_certificate,
    SSL_CTX_use_certificate_ASN1,
    SSL_CTX_use_certificate_file,
    SSL_CTX_use_certificate_chain_file,
    SSL_CTX_set_default_passwd_cb,
    SSL_CTX_set_default_passwd_cb_userdata,
    SSL_CTX_load_verify_locations,
    SSL_CTX_set_default_verify_paths,
    SSL_CTX_get_cert_store,
    SSL_CTX_set_verify,
    SSL_new,
    SSL_free,
    SSL_set_bio,
    SSL_ctrl,
    SSL_set1_host,
    SSL_accept,
    SSL_connect,
    SSL_shutdown,
    SSL_get_shutdown,
    SSL_read,
    SSL_write,
    SSL_pending,
    SSL_get1_peer_certificate,
    SSL_get_version,
    SSL_get_current_cipher,
    SSL_CIPHER_get_name,
    SSL_CIPHER_get_bits,
    SSL_get_verify_result,
    // Crypto library.
    X509_new,
    X509_free,
    X509_NAME_oneline,
    X509_get_subject_name,
    X509_get_issuer_name,
    X509_digest,
    X509_print,
    X509_set_version,
    X509_set_pubkey,
    X509_set_issuer_name,
    X509_NAME_add_entry_by_txt,
    X509_sign,
    X509_gmtime_adj,
    X509_getm_notBefore,
    X509_getm_notAfter,
    X509_get_serialNumber,
    ASN1_INTEGER_set,
    EVP_PKEY_free,
    EVP_PKEY_Q_keygen,
    EVP_get_digestbyname,
    OpenSSL_version,
    ERR_error_string_n,
    ERR_get_error,
    ERR_clear_error,
    BIO_new,
    BIO_free_all,
    BIO_s_mem,
    BIO_ctrl_pending,
    BIO_read,
    BIO_write,
    BIO_get_new_index,
    BIO_meth_new,
    BIO_meth_free,
    BIO_meth_set_write,
    BIO_meth_set_read,
    BIO_meth_set_ctrl,
    BIO_set_init,
    BIO_set_flags,
    BIO_clear_flags,
    d2i_PKCS12_bio,
    PKCS12_parse,
    PKCS12_free,
    i2d_X509_bio,
    i2d_PrivateKey_bio,
    d2i_X509,
    X509_STORE_add_cert,
    CRYPTO_num_locks,
    CRYPTO_set_locking_callback,
    CRYPTO_set_id_callback,
    Count,
};

// The first entry taken from the crypto library.
inline constexpr TSSLEntry kFirstCryptoEntry = TSSLEntry::X509_new;

// The entry point's name ("SSL_CTX_new").
const char* SSLEntryName(TSSLEntry entry);

#ifdef _WIN32
inline constexpr const char* kDefaultSSLLibraryName = "libssl-3-x64.dll";
inline constexpr const char* kDefaultCryptoLibraryName = "libcrypto-3-x64.dll";
#else
inline constexpr const char* kDefaultSSLLibraryName = "libssl.so.3";
inline constexpr const char* kDefaultCryptoLibraryName = "libcrypto.so.3";
#endif

class TOpenSSLLibrary {
  public:
    // Null: the system's loader (LoadLibrary or dlopen by file name).
    explicit TOpenSSLLibrary(std::unique_ptr<TLibraryProvider> provider = nullptr);
    ~TOpenSSLLibrary();
    TOpenSSLLibrary(const TOpenSSLLibrary&) = delete;
    TOpenSSLLibrary& operator=(const TOpenSSLLibrary&) = delete;

    // The file names of the next load attempt: the TLS library, its
    // alternative (tried when the first does not load; empty: none, as
    // OpenSSL 3 has one name per platform) and the crypto library.
    void SetFileNames(std::string sslLibrary, std::string sslLibraryAlt, std::string cryptoLibrary);

    // Loads both libraries unless loaded and binds every entry point; true
    // while OpenSSL is usable. A missing entry point is no failure (its
    // wrapper returns the fallback); a missing library is, and a later
    // call tries again.
    [[nodiscard]] bool Load();
    // Removes the callbacks, frees both libraries and clears the table;
    // always true.
    bool Unload();
    bool Loaded() const { return loaded_.load(std::memory_order_acquire); }
    // Why OpenSSL is not usable: empty while loaded; else the library that
    // did not load.
    std::string LoadError() const;
    // Loads when needed; true when the entry point is bound.
    bool Has(TSSLEntry entry);
    // The names of those of `entries` that are not bound (all of them while
    // nothing is loaded), joined by ", "; empty when all are.
    std::string Missing(std::span<const TSSLEntry> entries);
    // Whether the locking callbacks were installed at load.
    bool LockingInstalled() const { return lockingInstalled_; }

    // A BIO method with these callbacks, made once per load and kept until
    // the unload; null without OpenSSL or its BIO_meth_* functions.
    ossl::BIO_METHOD* BioMethod(const char* name, ossl::BioWriteCallback write,
                                ossl::BioReadCallback read, ossl::BioCtrlCallback ctrl);

    // ---- wrappers; each returns its fallback without the entry point ----
    // Fallback 1.
    int SSL_get_error(const ossl::SSL* ssl, int result);
    int OPENSSL_init_ssl(uint64_t options);
    int SSL_CTX_set_cipher_list(ossl::SSL_CTX* ctx, const std::string& ciphers);
    ossl::SSL_CTX* SSL_CTX_new(const ossl::SSL_METHOD* method);
    void SSL_CTX_free(ossl::SSL_CTX* ctx);
    const ossl::SSL_METHOD* TLS_client_method();
    const ossl::SSL_METHOD* TLS_server_method();
    long SSL_CTX_ctrl(ossl::SSL_CTX* ctx, int command, long number, void* pointer);
    uint64_t SSL_CTX_set_options(ossl::SSL_CTX* ctx, uint64_t options);
    int SSL_CTX_use_PrivateKey(ossl::SSL_CTX* ctx, ossl::EVP_PKEY* key);
    int SSL_CTX_use_PrivateKey_ASN1(int type, ossl::SSL_CTX* ctx, const std::string& der);
    int SSL_CTX_use_PrivateKey_file(ossl::SSL_CTX* ctx, const std::string& file, int type);
    int SSL_CTX_use_certificate(ossl::SSL_CTX* ctx, ossl::X509* certificate);
    int SSL_CTX_use_certificate_ASN1(ossl::SSL_CTX* ctx, const std::string& der);
    int SSL_CTX_use_certificate_file(ossl::SSL_CTX* ctx, const std::string& file, int type);
    int SSL_CTX_use_certificate_chain_file(ossl::SSL_CTX* ctx, const std::string& file);
    void SSL_CTX_set_default_passwd_cb(ossl::SSL_CTX* ctx, ossl::PemPasswordCallback callback);
    void SSL_CTX_set_default_passwd_cb_userdata(ossl::SSL_CTX* ctx, void* userdata);
    int SSL_CTX_load_verify_locations(ossl::SSL_CTX* ctx, const std::string& file);
    int SSL_CTX_set_default_verify_paths(ossl::SSL_CTX* ctx);
    ossl::X509_STORE* SSL_CTX_get_cert_store(const ossl::SSL_CTX* ctx);
    void SSL_CTX_set_verify(ossl::SSL_CTX* ctx, int mode);
    ossl::SSL* SSL_new(ossl::SSL_CTX* ctx);
    void SSL_free(ossl::SSL* ssl);
    // Nothing is done (and the BIO stays the caller's) without the entry.
    void SSL_set_bio(ossl::SSL* ssl, ossl::BIO* read, ossl::BIO* write);
    long SSL_ctrl(ossl::SSL* ssl, int command, long number, void* pointer);
    int SSL_set1_host(ossl::SSL* ssl, const std::string& host);
    // Fallback -1.
    int SSL_accept(ossl::SSL* ssl);
    int SSL_connect(ossl::SSL* ssl);
    int SSL_shutdown(ossl::SSL* ssl);
    int SSL_get_shutdown(const ossl::SSL* ssl);
    int SSL_read(ossl::SSL* ssl, void* buffer, int length);
    int SSL_write(ossl::SSL* ssl, const void* buffer, int length);
    int SSL_pending(const ossl::SSL* ssl);
    ossl::X509* SSL_get1_peer_certificate(const ossl::SSL* ssl);
    // Fallback: empty text.
    std::string SSL_get_version(const ossl::SSL* ssl);
    const ossl::SSL_CIPHER* SSL_get_current_cipher(const ossl::SSL* ssl);
    std::string SSL_CIPHER_get_name(const ossl::SSL_CIPHER* cipher);
    int SSL_CIPHER_get_bits(const ossl::SSL_CIPHER* cipher, int* algorithmBits);
    // Fallback 50.
    long SSL_get_verify_result(const ossl::SSL* ssl);

    ossl::X509* X509_new();
    void X509_free(ossl::X509* certificate);
    // The name as one line, at most `size` - 1 bytes; empty as fallback.
    std::string X509_NAME_oneline(const ossl::X509_NAME* name, int size);
    ossl::X509_NAME* X509_get_subject_name(const ossl::X509* certificate);
    ossl::X509_NAME* X509_get_issuer_name(const ossl::X509* certificate);
    // The raw digest; empty when it fails.
    std::string X509_digest(const ossl::X509* certificate, const ossl::EVP_MD* digest);
    int X509_print(ossl::BIO* bio, ossl::X509* certificate);
    int X509_set_version(ossl::X509* certificate, long version);
    int X509_set_pubkey(ossl::X509* certificate, ossl::EVP_PKEY* key);
    int X509_set_issuer_name(ossl::X509* certificate, const ossl::X509_NAME* name);
    int X509_NAME_add_entry_by_txt(ossl::X509_NAME* name, const std::string& field, int type,
                                   const std::string& value);
    int X509_sign(ossl::X509* certificate, ossl::EVP_PKEY* key, const ossl::EVP_MD* digest);
    ossl::ASN1_TIME* X509_gmtime_adj(ossl::ASN1_TIME* time, long seconds);
    ossl::ASN1_TIME* X509_getm_notBefore(const ossl::X509* certificate);
    ossl::ASN1_TIME* X509_getm_notAfter(const ossl::X509* certificate);
    ossl::ASN1_INTEGER* X509_get_serialNumber(ossl::X509* certificate);
    int ASN1_INTEGER_set(ossl::ASN1_INTEGER* integer, long value);
    void EVP_PKEY_free(ossl::EVP_PKEY* key);
    // An RSA key of `bits` bits (public exponent 65537).
    ossl::EVP_PKEY* EVP_PKEY_Q_keygen_rsa(size_t bits);
    const ossl::EVP_MD* EVP_get_digestbyname(const std::string& name);
    // Fallback: empty text.
    std::string OpenSSL_version(int type);
    // The error's text, at most `size` - 1 bytes, cut at its first zero
    // byte; empty as fallback.
    std::string ERR_error_string_n(unsigned long error, size_t size);
    // Fallback: kErrUnavailable, an error whose text is LoadError().
    unsigned long ERR_get_error();
    void ERR_clear_error();
    ossl::BIO* BIO_new(const ossl::BIO_METHOD* method);
    void BIO_free_all(ossl::BIO* bio);
    const ossl::BIO_METHOD* BIO_s_mem();
    size_t BIO_ctrl_pending(ossl::BIO* bio);
    // Appends up to `length` bytes to `data`; the count read, -2 as
    // fallback.
    int BIO_read(ossl::BIO* bio, std::string& data, int length);
    // Fallback -2.
    int BIO_write(ossl::BIO* bio, std::string_view data);
    void BIO_set_init(ossl::BIO* bio, int init);
    void BIO_set_flags(ossl::BIO* bio, int flags);
    void BIO_clear_flags(ossl::BIO* bio, int flags);
    ossl::PKCS12* d2i_PKCS12_bio(ossl::BIO* bio);
    int PKCS12_parse(ossl::PKCS12* p12, const std::string& password, ossl::EVP_PKEY** key,
                     ossl::X509** certificate);
    void PKCS12_free(ossl::PKCS12* p12);
    int i2d_X509_bio(ossl::BIO* bio, ossl::X509* certificate);
    int i2d_PrivateKey_bio(ossl::BIO* bio, ossl::EVP_PKEY* key);
    // A certificate read from DER bytes; null when they are not one.
    ossl::X509* d2i_X509(std::string_view der);
    int X509_STORE_add_cert(ossl::X509_STORE* store, ossl::X509* certificate);

    // The ERR_get_error fallback.
    static constexpr unsigned long kErrUnavailable = 0xFFFFFFFFul;

  private:
    // The entry point's address, loading first when needed; null when
    // missing.
    void* Entry(TSSLEntry entry);
    template <class Function, class Result, class... Args>
    Result Call(TSSLEntry entry, Result fallback, Args... args);
    template <class Function, class... Args>
    void CallVoid(TSSLEntry entry, Args... args);
    // Under the lock.
    void UnloadLocked();
    void InstallLocking();
    void RemoveLocking();

    std::unique_ptr<TLibraryProvider> provider_;
    mutable std::mutex lock_;
    std::string sslName_ = kDefaultSSLLibraryName;
    std::string sslAltName_;
    std::string cryptoName_ = kDefaultCryptoLibraryName;
    void* sslLibrary_ = nullptr;
    void* cryptoLibrary_ = nullptr;
    std::atomic<bool> loaded_{false};
    std::string loadError_;
    bool lockingInstalled_ = false;
    ossl::BIO_METHOD* bioMethod_ = nullptr;
    std::vector<void*> entries_;
};

// The process-wide library the TLS plugs use.
TOpenSSLLibrary& OpenSSLLibrary();
// The process-wide library: load (true while usable), unload (always
// true) and the loaded query.
[[nodiscard]] bool LoadOpenSSL();
bool UnloadOpenSSL();
bool IsSSLloaded();

}  // namespace net
