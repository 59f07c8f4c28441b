#include "net/ssl_openssl_lib.h"

#include <algorithm>
#include <array>
#include <limits>

#include "runtime/os/dynlib.h"

namespace net {

namespace {

using E = TSSLEntry;

struct TSSLEntryName {
    TSSLEntry entry;
    const char* name;
};

constexpr TSSLEntryName kSSLEntries[] = {
    {E::SSL_get_error, "SSL_get_error"},
    {E::OPENSSL_init_ssl, "OPENSSL_init_ssl"},
    {E::SSL_CTX_set_cipher_list, "SSL_CTX_set_cipher_list"},
    {E::SSL_CTX_new, "SSL_CTX_new"},
    {E::SSL_CTX_free, "SSL_CTX_free"},
    {E::TLS_client_method, "TLS_client_method"},
    {E::TLS_server_method, "TLS_server_method"},
    {E::SSL_CTX_ctrl, "SSL_CTX_ctrl"},
    {E::SSL_CTX_set_options, "SSL_CTX_set_options"},
    {E::SSL_CTX_use_PrivateKey, "SSL_CTX_use_PrivateKey"},
    {E::SSL_CTX_use_PrivateKey_ASN1, "SSL_CTX_use_PrivateKey_ASN1"},
    {E::SSL_CTX_use_PrivateKey_file, "SSL_CTX_use_PrivateKey_file"},
    {E::SSL_CTX_use_certificate, "SSL_CTX_use_certificate"},
    {E::SSL_CTX_use_certificate_ASN1, "SSL_CTX_use_certificate_ASN1"},
    {E::SSL_CTX_use_certificate_file, "SSL_CTX_use_certificate_file"},
    {E::SSL_CTX_use_certificate_chain_file, "SSL_CTX_use_certificate_chain_file"},
    {E::SSL_CTX_set_default_passwd_cb, "SSL_CTX_set_default_passwd_cb"},
    {E::SSL_CTX_set_default_passwd_cb_userdata, "SSL_CTX_set_default_passwd_cb_userdata"},
    {E::SSL_CTX_load_verify_locations, "SSL_CTX_load_verify_locations"},
    {E::SSL_CTX_set_default_verify_paths, "SSL_CTX_set_default_verify_paths"},
    {E::SSL_CTX_get_cert_store, "SSL_CTX_get_cert_store"},
    {E::SSL_CTX_set_verify, "SSL_CTX_set_verify"},
    {E::SSL_new, "SSL_new"},
    {E::SSL_free, "SSL_free"},
    {E::SSL_set_bio, "SSL_set_bio"},
    {E::SSL_ctrl, "SSL_ctrl"},
    {E::SSL_set1_host, "SSL_set1_host"},
    {E::SSL_accept, "SSL_accept"},
    {E::SSL_connect, "SSL_connect"},
    {E::SSL_shutdown, "SSL_shutdown"},
    {E::SSL_get_shutdown, "SSL_get_shutdown"},
    {E::SSL_read, "SSL_read"},
    {E::SSL_write, "SSL_write"},
    {E::SSL_pending, "SSL_pending"},
    {E::SSL_get1_peer_certificate, "SSL_get1_peer_certificate"},
    {E::SSL_get_version, "SSL_get_version"},
    {E::SSL_get_current_cipher, "SSL_get_current_cipher"},
    {E::SSL_CIPHER_get_name, "SSL_CIPHER_get_name"},
    {E::SSL_CIPHER_get_bits, "SSL_CIPHER_get_bits"},
    {E::SSL_get_verify_result, "SSL_get_verify_result"},
    {E::X509_new, "X509_new"},
    {E::X509_free, "X509_free"},
    {E::X509_NAME_oneline, "X509_NAME_oneline"},
    {E::X509_get_subject_name, "X509_get_subject_name"},
    {E::X509_get_issuer_name, "X509_get_issuer_name"},
    {E::X509_digest, "X509_digest"},
    {E::X509_print, "X509_print"},
    {E::X509_set_version, "X509_set_version"},
    {E::X509_set_pubkey, "X509_set_pubkey"},
    {E::X509_set_issuer_name, "X509_set_issuer_name"},
    {E::X509_NAME_add_entry_by_txt, "X509_NAME_add_entry_by_txt"},
    {E::X509_sign, "X509_sign"},
    {E::X509_gmtime_adj, "X509_gmtime_adj"},
    {E::X509_getm_notBefore, "X509_getm_notBefore"},
    {E::X509_getm_notAfter, "X509_getm_notAfter"},
    {E::X509_get_serialNumber, "X509_get_serialNumber"},
    {E::ASN1_INTEGER_set, "ASN1_INTEGER_set"},
    {E::EVP_PKEY_free, "EVP_PKEY_free"},
    {E::EVP_PKEY_Q_keygen, "EVP_PKEY_Q_keygen"},
    {E::EVP_get_digestbyname, "EVP_get_digestbyname"},
    {E::OpenSSL_version, "OpenSSL_version"},
    {E::ERR_error_string_n, "ERR_error_string_n"},
    {E::ERR_get_error, "ERR_get_error"},
    {E::ERR_clear_error, "ERR_clear_error"},
    {E::BIO_new, "BIO_new"},
    {E::BIO_free_all, "BIO_free_all"},
    {E::BIO_s_mem, "BIO_s_mem"},
    {E::BIO_ctrl_pending, "BIO_ctrl_pending"},
    {E::BIO_read, "BIO_read"},
    {E::BIO_write, "BIO_write"},
    {E::BIO_get_new_index, "BIO_get_new_index"},
    {E::BIO_meth_new, "BIO_meth_new"},
    {E::BIO_meth_free, "BIO_meth_free"},
    {E::BIO_meth_set_write, "BIO_meth_set_write"},
    {E::BIO_meth_set_read, "BIO_meth_set_read"},
    {E::BIO_meth_set_ctrl, "BIO_meth_set_ctrl"},
    {E::BIO_set_init, "BIO_set_init"},
    {E::BIO_set_flags, "BIO_set_flags"},
    {E::BIO_clear_flags, "BIO_clear_flags"},
    {E::d2i_PKCS12_bio, "d2i_PKCS12_bio"},
    {E::PKCS12_parse, "PKCS12_parse"},
    {E::PKCS12_free, "PKCS12_free"},
    {E::i2d_X509_bio, "i2d_X509_bio"},
    {E::i2d_PrivateKey_bio, "i2d_PrivateKey_bio"},
    {E::d2i_X509, "d2i_X509"},
    {E::X509_STORE_add_cert, "X509_STORE_add_cert"},
    {E::CRYPTO_num_locks, "CRYPTO_num_locks"},
    {E::CRYPTO_set_locking_callback, "CRYPTO_set_locking_callback"},
    {E::CRYPTO_set_id_callback, "CRYPTO_set_id_callback"},
};

constexpr size_t kEntryCount = static_cast<size_t>(E::Count);
static_assert(std::size(kSSLEntries) == kEntryCount);

constexpr bool EntriesInOrder() {
    for (size_t i = 0; i < kEntryCount; ++i)
        if (static_cast<size_t>(kSSLEntries[i].entry) != i) return false;
    return true;
}
static_assert(EntriesInOrder(), "kSSLEntries must list TSSLEntry in its order");

constexpr size_t Index(TSSLEntry entry) {
    return static_cast<size_t>(entry);
}

// Opens libraries by file name through the system's loader.
class TSystemLibraryProvider : public TLibraryProvider {
  public:
    void* Open(const std::string& name) override {
        auto library = std::make_unique<runtime::os::DynamicLibrary>();
        if (!library->Load(name)) return nullptr;
        return library.release();
    }
    void* Symbol(void* library, const char* name) override {
        return static_cast<runtime::os::DynamicLibrary*>(library)->Symbol(name);
    }
    void Close(void* library) override {
        delete static_cast<runtime::os::DynamicLibrary*>(library);
    }
};

// ---- the locking callbacks of libraries that still ask for them ----------
// OpenSSL calls them without a context, so their locks are the process's:
// one library installs them at a time.

std::mutex gLockListLock;
std::vector<std::unique_ptr<std::mutex>> gLockList;

void LockingCallback(int mode, int number, const char*, int) {
    std::mutex* lock = nullptr;
    {
        std::lock_guard<std::mutex> guard(gLockListLock);
        if (number >= 0 && static_cast<size_t>(number) < gLockList.size())
            lock = gLockList[static_cast<size_t>(number)].get();
    }
    if (!lock) return;
    if (mode & 1)
        lock->lock();
    else
        lock->unlock();
}

// A number per thread: the address of a per-thread object.
unsigned long ThreadIdCallback() {
    thread_local char marker;
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(&marker));
}

}  // namespace

const char* SSLEntryName(TSSLEntry entry) {
    size_t i = Index(entry);
    return i < kEntryCount ? kSSLEntries[i].name : "";
}

TOpenSSLLibrary::TOpenSSLLibrary(std::unique_ptr<TLibraryProvider> provider)
    : provider_(provider ? std::move(provider) : std::make_unique<TSystemLibraryProvider>()),
      entries_(kEntryCount, nullptr) {}

TOpenSSLLibrary::~TOpenSSLLibrary() {
    Unload();
}

void TOpenSSLLibrary::SetFileNames(std::string sslLibrary, std::string sslLibraryAlt,
                                   std::string cryptoLibrary) {
    std::lock_guard<std::mutex> guard(lock_);
    sslName_ = std::move(sslLibrary);
    sslAltName_ = std::move(sslLibraryAlt);
    cryptoName_ = std::move(cryptoLibrary);
}

bool TOpenSSLLibrary::Load() {
    std::lock_guard<std::mutex> guard(lock_);
    if (loaded_.load(std::memory_order_relaxed)) return true;
    sslLibrary_ = provider_->Open(sslName_);
    cryptoLibrary_ = provider_->Open(cryptoName_);
    if (!sslLibrary_ && !sslAltName_.empty()) sslLibrary_ = provider_->Open(sslAltName_);
    if (!sslLibrary_ || !cryptoLibrary_) {
        std::string names = !sslLibrary_ ? "\"" + sslName_ + "\"" : std::string();
        if (!sslLibrary_ && !sslAltName_.empty()) names += " or \"" + sslAltName_ + "\"";
        if (!cryptoLibrary_) names += (names.empty() ? "\"" : " and \"") + cryptoName_ + "\"";
        loadError_ = "OpenSSL is not available: " + names + " could not be loaded";
        if (sslLibrary_) provider_->Close(sslLibrary_);
        if (cryptoLibrary_) provider_->Close(cryptoLibrary_);
        sslLibrary_ = nullptr;
        cryptoLibrary_ = nullptr;
        return false;
    }
    for (size_t i = 0; i < kEntryCount; ++i) {
        void* library = i < Index(kFirstCryptoEntry) ? sslLibrary_ : cryptoLibrary_;
        entries_[i] = provider_->Symbol(library, kSSLEntries[i].name);
    }
    loadError_.clear();
    // One call sets up the library, its algorithms and both sets of error
    // strings (3.x would also do it by itself on first use).
    if (auto init =
            reinterpret_cast<int (*)(uint64_t, const void*)>(entries_[Index(E::OPENSSL_init_ssl)]))
        init(ossl::kInitLoadSslStrings | ossl::kInitLoadCryptoStrings, nullptr);
    InstallLocking();
    loaded_.store(true, std::memory_order_release);
    return true;
}

void TOpenSSLLibrary::InstallLocking() {
    auto numLocks = reinterpret_cast<int (*)()>(entries_[Index(E::CRYPTO_num_locks)]);
    auto setLocking = reinterpret_cast<void (*)(ossl::LockingCallback)>(
        entries_[Index(E::CRYPTO_set_locking_callback)]);
    if (!numLocks || !setLocking) return;
    {
        std::lock_guard<std::mutex> guard(gLockListLock);
        gLockList.clear();
        int count = numLocks();
        for (int i = 0; i < count; ++i) gLockList.push_back(std::make_unique<std::mutex>());
    }
    setLocking(&LockingCallback);
    // Libraries old enough for locking callbacks may also tell threads
    // apart by a callback; the default (the process id) does not.
    if (auto setId = reinterpret_cast<void (*)(ossl::IdCallback)>(
            entries_[Index(E::CRYPTO_set_id_callback)]))
        setId(&ThreadIdCallback);
    lockingInstalled_ = true;
}

void TOpenSSLLibrary::RemoveLocking() {
    if (!lockingInstalled_) return;
    reinterpret_cast<void (*)(ossl::LockingCallback)>(
        entries_[Index(E::CRYPTO_set_locking_callback)])(nullptr);
    if (auto setId = reinterpret_cast<void (*)(ossl::IdCallback)>(
            entries_[Index(E::CRYPTO_set_id_callback)]))
        setId(nullptr);
    std::lock_guard<std::mutex> guard(gLockListLock);
    gLockList.clear();
    lockingInstalled_ = false;
}

bool TOpenSSLLibrary::Unload() {
    std::lock_guard<std::mutex> guard(lock_);
    UnloadLocked();
    return true;
}

void TOpenSSLLibrary::UnloadLocked() {
    if (loaded_.load(std::memory_order_relaxed)) {
        RemoveLocking();
        if (bioMethod_) {
            if (auto free = reinterpret_cast<void (*)(ossl::BIO_METHOD*)>(
                    entries_[Index(E::BIO_meth_free)]))
                free(bioMethod_);
            bioMethod_ = nullptr;
        }
        // Nothing else to clean up: 3.x frees its own state at exit, and
        // a later load must be able to set it up again.
    }
    loaded_.store(false, std::memory_order_release);
    if (sslLibrary_) provider_->Close(sslLibrary_);
    if (cryptoLibrary_) provider_->Close(cryptoLibrary_);
    sslLibrary_ = nullptr;
    cryptoLibrary_ = nullptr;
    std::fill(entries_.begin(), entries_.end(), nullptr);
}

std::string TOpenSSLLibrary::LoadError() const {
    std::lock_guard<std::mutex> guard(lock_);
    if (loaded_.load(std::memory_order_relaxed)) return {};
    return loadError_.empty() ? "OpenSSL is not loaded" : loadError_;
}

void* TOpenSSLLibrary::Entry(TSSLEntry entry) {
    if (!loaded_.load(std::memory_order_acquire) && !Load()) return nullptr;
    return entries_[Index(entry)];
}

bool TOpenSSLLibrary::Has(TSSLEntry entry) {
    return Entry(entry) != nullptr;
}

std::string TOpenSSLLibrary::Missing(std::span<const TSSLEntry> entries) {
    std::string names;
    for (TSSLEntry entry : entries) {
        if (Has(entry)) continue;
        if (!names.empty()) names += ", ";
        names += SSLEntryName(entry);
    }
    return names;
}

ossl::BIO_METHOD* TOpenSSLLibrary::BioMethod(const char* name, ossl::BioWriteCallback write,
                                             ossl::BioReadCallback read,
                                             ossl::BioCtrlCallback ctrl) {
    if (!Loaded() && !Load()) return nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    if (bioMethod_ || !loaded_.load(std::memory_order_relaxed)) return bioMethod_;
    auto newIndex = reinterpret_cast<int (*)()>(entries_[Index(E::BIO_get_new_index)]);
    auto methNew =
        reinterpret_cast<ossl::BIO_METHOD* (*)(int, const char*)>(entries_[Index(E::BIO_meth_new)]);
    auto setWrite = reinterpret_cast<int (*)(ossl::BIO_METHOD*, ossl::BioWriteCallback)>(
        entries_[Index(E::BIO_meth_set_write)]);
    auto setRead = reinterpret_cast<int (*)(ossl::BIO_METHOD*, ossl::BioReadCallback)>(
        entries_[Index(E::BIO_meth_set_read)]);
    auto setCtrl = reinterpret_cast<int (*)(ossl::BIO_METHOD*, ossl::BioCtrlCallback)>(
        entries_[Index(E::BIO_meth_set_ctrl)]);
    if (!methNew || !setWrite || !setRead || !setCtrl) return nullptr;
    int index = newIndex ? newIndex() : -1;
    bioMethod_ = methNew((index > 0 ? index : 0) | ossl::kBioTypeSourceSink, name);
    if (bioMethod_) {
        setWrite(bioMethod_, write);
        setRead(bioMethod_, read);
        setCtrl(bioMethod_, ctrl);
    }
    return bioMethod_;
}

// ---- wrappers ---------------------------------------------------------------

template <class Function, class Result, class... Args>
Result TOpenSSLLibrary::Call(TSSLEntry entry, Result fallback, Args... args) {
    void* address = Entry(entry);
    if (!address) return fallback;
    return reinterpret_cast<Function>(address)(args...);
}

template <class Function, class... Args>
void TOpenSSLLibrary::CallVoid(TSSLEntry entry, Args... args) {
    if (void* address = Entry(entry)) reinterpret_cast<Function>(address)(args...);
}

namespace {

std::string Text(const char* text) {
    return text ? std::string(text) : std::string();
}

}  // namespace

int TOpenSSLLibrary::SSL_get_error(const ossl::SSL* ssl, int result) {
    return Call<int (*)(const ossl::SSL*, int)>(E::SSL_get_error, 1, ssl, result);
}

int TOpenSSLLibrary::OPENSSL_init_ssl(uint64_t options) {
    return Call<int (*)(uint64_t, const void*)>(E::OPENSSL_init_ssl, 0, options,
                                                static_cast<const void*>(nullptr));
}

int TOpenSSLLibrary::SSL_CTX_set_cipher_list(ossl::SSL_CTX* ctx, const std::string& ciphers) {
    return Call<int (*)(ossl::SSL_CTX*, const char*)>(E::SSL_CTX_set_cipher_list, 0, ctx,
                                                      ciphers.c_str());
}

ossl::SSL_CTX* TOpenSSLLibrary::SSL_CTX_new(const ossl::SSL_METHOD* method) {
    return Call<ossl::SSL_CTX* (*)(const ossl::SSL_METHOD*)>(
        E::SSL_CTX_new, static_cast<ossl::SSL_CTX*>(nullptr), method);
}

void TOpenSSLLibrary::SSL_CTX_free(ossl::SSL_CTX* ctx) {
    CallVoid<void (*)(ossl::SSL_CTX*)>(E::SSL_CTX_free, ctx);
}

const ossl::SSL_METHOD* TOpenSSLLibrary::TLS_client_method() {
    return Call<const ossl::SSL_METHOD* (*)()>(E::TLS_client_method,
                                               static_cast<const ossl::SSL_METHOD*>(nullptr));
}

const ossl::SSL_METHOD* TOpenSSLLibrary::TLS_server_method() {
    return Call<const ossl::SSL_METHOD* (*)()>(E::TLS_server_method,
                                               static_cast<const ossl::SSL_METHOD*>(nullptr));
}

long TOpenSSLLibrary::SSL_CTX_ctrl(ossl::SSL_CTX* ctx, int command, long number, void* pointer) {
    return Call<long (*)(ossl::SSL_CTX*, int, long, void*)>(E::SSL_CTX_ctrl, 0L, ctx, command,
                                                            number, pointer);
}

uint64_t TOpenSSLLibrary::SSL_CTX_set_options(ossl::SSL_CTX* ctx, uint64_t options) {
    return Call<uint64_t (*)(ossl::SSL_CTX*, uint64_t)>(E::SSL_CTX_set_options, uint64_t{0}, ctx,
                                                        options);
}

int TOpenSSLLibrary::SSL_CTX_use_PrivateKey(ossl::SSL_CTX* ctx, ossl::EVP_PKEY* key) {
    return Call<int (*)(ossl::SSL_CTX*, ossl::EVP_PKEY*)>(E::SSL_CTX_use_PrivateKey, 0, ctx, key);
}

int TOpenSSLLibrary::SSL_CTX_use_PrivateKey_ASN1(int type, ossl::SSL_CTX* ctx,
                                                 const std::string& der) {
    return Call<int (*)(int, ossl::SSL_CTX*, const unsigned char*, long)>(
        E::SSL_CTX_use_PrivateKey_ASN1, 0, type, ctx,
        reinterpret_cast<const unsigned char*>(der.data()), static_cast<long>(der.size()));
}

int TOpenSSLLibrary::SSL_CTX_use_PrivateKey_file(ossl::SSL_CTX* ctx, const std::string& file,
                                                 int type) {
    return Call<int (*)(ossl::SSL_CTX*, const char*, int)>(E::SSL_CTX_use_PrivateKey_file, 0, ctx,
                                                           file.c_str(), type);
}

int TOpenSSLLibrary::SSL_CTX_use_certificate(ossl::SSL_CTX* ctx, ossl::X509* certificate) {
    return Call<int (*)(ossl::SSL_CTX*, ossl::X509*)>(E::SSL_CTX_use_certificate, 0, ctx,
                                                      certificate);
}

int TOpenSSLLibrary::SSL_CTX_use_certificate_ASN1(ossl::SSL_CTX* ctx, const std::string& der) {
    return Call<int (*)(ossl::SSL_CTX*, int, const unsigned char*)>(
        E::SSL_CTX_use_certificate_ASN1, 0, ctx, static_cast<int>(der.size()),
        reinterpret_cast<const unsigned char*>(der.data()));
}

int TOpenSSLLibrary::SSL_CTX_use_certificate_file(ossl::SSL_CTX* ctx, const std::string& file,
                                                  int type) {
    return Call<int (*)(ossl::SSL_CTX*, const char*, int)>(E::SSL_CTX_use_certificate_file, 0, ctx,
                                                           file.c_str(), type);
}

int TOpenSSLLibrary::SSL_CTX_use_certificate_chain_file(ossl::SSL_CTX* ctx,
                                                        const std::string& file) {
    return Call<int (*)(ossl::SSL_CTX*, const char*)>(E::SSL_CTX_use_certificate_chain_file, 0, ctx,
                                                      file.c_str());
}

void TOpenSSLLibrary::SSL_CTX_set_default_passwd_cb(ossl::SSL_CTX* ctx,
                                                    ossl::PemPasswordCallback callback) {
    CallVoid<void (*)(ossl::SSL_CTX*, ossl::PemPasswordCallback)>(E::SSL_CTX_set_default_passwd_cb,
                                                                  ctx, callback);
}

void TOpenSSLLibrary::SSL_CTX_set_default_passwd_cb_userdata(ossl::SSL_CTX* ctx, void* userdata) {
    CallVoid<void (*)(ossl::SSL_CTX*, void*)>(E::SSL_CTX_set_default_passwd_cb_userdata, ctx,
                                              userdata);
}

int TOpenSSLLibrary::SSL_CTX_load_verify_locations(ossl::SSL_CTX* ctx, const std::string& file) {
    return Call<int (*)(ossl::SSL_CTX*, const char*, const char*)>(
        E::SSL_CTX_load_verify_locations, 0, ctx, file.c_str(), static_cast<const char*>(nullptr));
}

int TOpenSSLLibrary::SSL_CTX_set_default_verify_paths(ossl::SSL_CTX* ctx) {
    return Call<int (*)(ossl::SSL_CTX*)>(E::SSL_CTX_set_default_verify_paths, 0, ctx);
}

ossl::X509_STORE* TOpenSSLLibrary::SSL_CTX_get_cert_store(const ossl::SSL_CTX* ctx) {
    return Call<ossl::X509_STORE* (*)(const ossl::SSL_CTX*)>(
        E::SSL_CTX_get_cert_store, static_cast<ossl::X509_STORE*>(nullptr), ctx);
}

void TOpenSSLLibrary::SSL_CTX_set_verify(ossl::SSL_CTX* ctx, int mode) {
    CallVoid<void (*)(ossl::SSL_CTX*, int, void*)>(E::SSL_CTX_set_verify, ctx, mode,
                                                   static_cast<void*>(nullptr));
}

ossl::SSL* TOpenSSLLibrary::SSL_new(ossl::SSL_CTX* ctx) {
    return Call<ossl::SSL* (*)(ossl::SSL_CTX*)>(E::SSL_new, static_cast<ossl::SSL*>(nullptr), ctx);
}

void TOpenSSLLibrary::SSL_free(ossl::SSL* ssl) {
    CallVoid<void (*)(ossl::SSL*)>(E::SSL_free, ssl);
}

void TOpenSSLLibrary::SSL_set_bio(ossl::SSL* ssl, ossl::BIO* read, ossl::BIO* write) {
    CallVoid<void (*)(ossl::SSL*, ossl::BIO*, ossl::BIO*)>(E::SSL_set_bio, ssl, read, write);
}

long TOpenSSLLibrary::SSL_ctrl(ossl::SSL* ssl, int command, long number, void* pointer) {
    return Call<long (*)(ossl::SSL*, int, long, void*)>(E::SSL_ctrl, 0L, ssl, command, number,
                                                        pointer);
}

int TOpenSSLLibrary::SSL_set1_host(ossl::SSL* ssl, const std::string& host) {
    return Call<int (*)(ossl::SSL*, const char*)>(E::SSL_set1_host, 0, ssl, host.c_str());
}

int TOpenSSLLibrary::SSL_accept(ossl::SSL* ssl) {
    return Call<int (*)(ossl::SSL*)>(E::SSL_accept, -1, ssl);
}

int TOpenSSLLibrary::SSL_connect(ossl::SSL* ssl) {
    return Call<int (*)(ossl::SSL*)>(E::SSL_connect, -1, ssl);
}

int TOpenSSLLibrary::SSL_shutdown(ossl::SSL* ssl) {
    return Call<int (*)(ossl::SSL*)>(E::SSL_shutdown, -1, ssl);
}

int TOpenSSLLibrary::SSL_get_shutdown(const ossl::SSL* ssl) {
    return Call<int (*)(const ossl::SSL*)>(E::SSL_get_shutdown, 0, ssl);
}

int TOpenSSLLibrary::SSL_read(ossl::SSL* ssl, void* buffer, int length) {
    return Call<int (*)(ossl::SSL*, void*, int)>(E::SSL_read, -1, ssl, buffer, length);
}

int TOpenSSLLibrary::SSL_write(ossl::SSL* ssl, const void* buffer, int length) {
    return Call<int (*)(ossl::SSL*, const void*, int)>(E::SSL_write, -1, ssl, buffer, length);
}

int TOpenSSLLibrary::SSL_pending(const ossl::SSL* ssl) {
    return Call<int (*)(const ossl::SSL*)>(E::SSL_pending, 0, ssl);
}

ossl::X509* TOpenSSLLibrary::SSL_get1_peer_certificate(const ossl::SSL* ssl) {
    return Call<ossl::X509* (*)(const ossl::SSL*)>(E::SSL_get1_peer_certificate,
                                                   static_cast<ossl::X509*>(nullptr), ssl);
}

std::string TOpenSSLLibrary::SSL_get_version(const ossl::SSL* ssl) {
    return Text(Call<const char* (*)(const ossl::SSL*)>(E::SSL_get_version,
                                                        static_cast<const char*>(nullptr), ssl));
}

const ossl::SSL_CIPHER* TOpenSSLLibrary::SSL_get_current_cipher(const ossl::SSL* ssl) {
    return Call<const ossl::SSL_CIPHER* (*)(const ossl::SSL*)>(
        E::SSL_get_current_cipher, static_cast<const ossl::SSL_CIPHER*>(nullptr), ssl);
}

std::string TOpenSSLLibrary::SSL_CIPHER_get_name(const ossl::SSL_CIPHER* cipher) {
    return Text(Call<const char* (*)(const ossl::SSL_CIPHER*)>(
        E::SSL_CIPHER_get_name, static_cast<const char*>(nullptr), cipher));
}

int TOpenSSLLibrary::SSL_CIPHER_get_bits(const ossl::SSL_CIPHER* cipher, int* algorithmBits) {
    return Call<int (*)(const ossl::SSL_CIPHER*, int*)>(E::SSL_CIPHER_get_bits, 0, cipher,
                                                        algorithmBits);
}

long TOpenSSLLibrary::SSL_get_verify_result(const ossl::SSL* ssl) {
    return Call<long (*)(const ossl::SSL*)>(E::SSL_get_verify_result, 50L, ssl);
}

ossl::X509* TOpenSSLLibrary::X509_new() {
    return Call<ossl::X509* (*)()>(E::X509_new, static_cast<ossl::X509*>(nullptr));
}

void TOpenSSLLibrary::X509_free(ossl::X509* certificate) {
    CallVoid<void (*)(ossl::X509*)>(E::X509_free, certificate);
}

std::string TOpenSSLLibrary::X509_NAME_oneline(const ossl::X509_NAME* name, int size) {
    if (size <= 0) return {};
    std::string buffer(static_cast<size_t>(size), '\0');
    const char* text = Call<char* (*)(const ossl::X509_NAME*, char*, int)>(
        E::X509_NAME_oneline, static_cast<char*>(nullptr), name, buffer.data(), size);
    return Text(text);
}

ossl::X509_NAME* TOpenSSLLibrary::X509_get_subject_name(const ossl::X509* certificate) {
    return Call<ossl::X509_NAME* (*)(const ossl::X509*)>(
        E::X509_get_subject_name, static_cast<ossl::X509_NAME*>(nullptr), certificate);
}

ossl::X509_NAME* TOpenSSLLibrary::X509_get_issuer_name(const ossl::X509* certificate) {
    return Call<ossl::X509_NAME* (*)(const ossl::X509*)>(
        E::X509_get_issuer_name, static_cast<ossl::X509_NAME*>(nullptr), certificate);
}

std::string TOpenSSLLibrary::X509_digest(const ossl::X509* certificate,
                                         const ossl::EVP_MD* digest) {
    // EVP_MAX_MD_SIZE is 64.
    std::array<unsigned char, 64> buffer{};
    unsigned int length = 0;
    int ok = Call<int (*)(const ossl::X509*, const ossl::EVP_MD*, unsigned char*, unsigned int*)>(
        E::X509_digest, 0, certificate, digest, buffer.data(), &length);
    if (ok <= 0 || length > buffer.size()) return {};
    return std::string(reinterpret_cast<const char*>(buffer.data()), length);
}

int TOpenSSLLibrary::X509_print(ossl::BIO* bio, ossl::X509* certificate) {
    return Call<int (*)(ossl::BIO*, ossl::X509*)>(E::X509_print, 0, bio, certificate);
}

int TOpenSSLLibrary::X509_set_version(ossl::X509* certificate, long version) {
    return Call<int (*)(ossl::X509*, long)>(E::X509_set_version, 0, certificate, version);
}

int TOpenSSLLibrary::X509_set_pubkey(ossl::X509* certificate, ossl::EVP_PKEY* key) {
    return Call<int (*)(ossl::X509*, ossl::EVP_PKEY*)>(E::X509_set_pubkey, 0, certificate, key);
}

int TOpenSSLLibrary::X509_set_issuer_name(ossl::X509* certificate, const ossl::X509_NAME* name) {
    return Call<int (*)(ossl::X509*, const ossl::X509_NAME*)>(E::X509_set_issuer_name, 0,
                                                              certificate, name);
}

int TOpenSSLLibrary::X509_NAME_add_entry_by_txt(ossl::X509_NAME* name, const std::string& field,
                                                int type, const std::string& value) {
    return Call<int (*)(ossl::X509_NAME*, const char*, int, const unsigned char*, int, int, int)>(
        E::X509_NAME_add_entry_by_txt, 0, name, field.c_str(), type,
        reinterpret_cast<const unsigned char*>(value.c_str()), -1, -1, 0);
}

int TOpenSSLLibrary::X509_sign(ossl::X509* certificate, ossl::EVP_PKEY* key,
                               const ossl::EVP_MD* digest) {
    return Call<int (*)(ossl::X509*, ossl::EVP_PKEY*, const ossl::EVP_MD*)>(
        E::X509_sign, 0, certificate, key, digest);
}

ossl::ASN1_TIME* TOpenSSLLibrary::X509_gmtime_adj(ossl::ASN1_TIME* time, long seconds) {
    return Call<ossl::ASN1_TIME* (*)(ossl::ASN1_TIME*, long)>(
        E::X509_gmtime_adj, static_cast<ossl::ASN1_TIME*>(nullptr), time, seconds);
}

ossl::ASN1_TIME* TOpenSSLLibrary::X509_getm_notBefore(const ossl::X509* certificate) {
    return Call<ossl::ASN1_TIME* (*)(const ossl::X509*)>(
        E::X509_getm_notBefore, static_cast<ossl::ASN1_TIME*>(nullptr), certificate);
}

ossl::ASN1_TIME* TOpenSSLLibrary::X509_getm_notAfter(const ossl::X509* certificate) {
    return Call<ossl::ASN1_TIME* (*)(const ossl::X509*)>(
        E::X509_getm_notAfter, static_cast<ossl::ASN1_TIME*>(nullptr), certificate);
}

ossl::ASN1_INTEGER* TOpenSSLLibrary::X509_get_serialNumber(ossl::X509* certificate) {
    return Call<ossl::ASN1_INTEGER* (*)(ossl::X509*)>(
        E::X509_get_serialNumber, static_cast<ossl::ASN1_INTEGER*>(nullptr), certificate);
}

int TOpenSSLLibrary::ASN1_INTEGER_set(ossl::ASN1_INTEGER* integer, long value) {
    return Call<int (*)(ossl::ASN1_INTEGER*, long)>(E::ASN1_INTEGER_set, 0, integer, value);
}

void TOpenSSLLibrary::EVP_PKEY_free(ossl::EVP_PKEY* key) {
    CallVoid<void (*)(ossl::EVP_PKEY*)>(E::EVP_PKEY_free, key);
}

ossl::EVP_PKEY* TOpenSSLLibrary::EVP_PKEY_Q_keygen_rsa(size_t bits) {
    // The key type's parameters follow as variable arguments: for "RSA",
    // the size in bits as a size_t.
    return Call<ossl::EVP_PKEY* (*)(ossl::OSSL_LIB_CTX*, const char*, const char*, ...)>(
        E::EVP_PKEY_Q_keygen, static_cast<ossl::EVP_PKEY*>(nullptr),
        static_cast<ossl::OSSL_LIB_CTX*>(nullptr), static_cast<const char*>(nullptr), "RSA", bits);
}

const ossl::EVP_MD* TOpenSSLLibrary::EVP_get_digestbyname(const std::string& name) {
    return Call<const ossl::EVP_MD* (*)(const char*)>(
        E::EVP_get_digestbyname, static_cast<const ossl::EVP_MD*>(nullptr), name.c_str());
}

std::string TOpenSSLLibrary::OpenSSL_version(int type) {
    return Text(
        Call<const char* (*)(int)>(E::OpenSSL_version, static_cast<const char*>(nullptr), type));
}

std::string TOpenSSLLibrary::ERR_error_string_n(unsigned long error, size_t size) {
    if (error == kErrUnavailable && !Loaded()) return LoadError();
    if (size == 0) return {};
    std::string buffer(size, '\0');
    CallVoid<void (*)(unsigned long, char*, size_t)>(E::ERR_error_string_n, error, buffer.data(),
                                                     size);
    buffer.resize(buffer.find('\0') == std::string::npos ? buffer.size() : buffer.find('\0'));
    return buffer;
}

unsigned long TOpenSSLLibrary::ERR_get_error() {
    return Call<unsigned long (*)()>(E::ERR_get_error, kErrUnavailable);
}

void TOpenSSLLibrary::ERR_clear_error() {
    CallVoid<void (*)()>(E::ERR_clear_error);
}

ossl::BIO* TOpenSSLLibrary::BIO_new(const ossl::BIO_METHOD* method) {
    return Call<ossl::BIO* (*)(const ossl::BIO_METHOD*)>(E::BIO_new,
                                                         static_cast<ossl::BIO*>(nullptr), method);
}

void TOpenSSLLibrary::BIO_free_all(ossl::BIO* bio) {
    CallVoid<void (*)(ossl::BIO*)>(E::BIO_free_all, bio);
}

const ossl::BIO_METHOD* TOpenSSLLibrary::BIO_s_mem() {
    return Call<const ossl::BIO_METHOD* (*)()>(E::BIO_s_mem,
                                               static_cast<const ossl::BIO_METHOD*>(nullptr));
}

size_t TOpenSSLLibrary::BIO_ctrl_pending(ossl::BIO* bio) {
    return Call<size_t (*)(ossl::BIO*)>(E::BIO_ctrl_pending, size_t{0}, bio);
}

int TOpenSSLLibrary::BIO_read(ossl::BIO* bio, std::string& data, int length) {
    if (length <= 0) return 0;
    size_t old = data.size();
    data.resize(old + static_cast<size_t>(length));
    int count =
        Call<int (*)(ossl::BIO*, void*, int)>(E::BIO_read, -2, bio, data.data() + old, length);
    data.resize(old + static_cast<size_t>(count > 0 ? count : 0));
    return count;
}

int TOpenSSLLibrary::BIO_write(ossl::BIO* bio, std::string_view data) {
    return Call<int (*)(ossl::BIO*, const void*, int)>(E::BIO_write, -2, bio, data.data(),
                                                       static_cast<int>(data.size()));
}

void TOpenSSLLibrary::BIO_set_init(ossl::BIO* bio, int init) {
    CallVoid<void (*)(ossl::BIO*, int)>(E::BIO_set_init, bio, init);
}

void TOpenSSLLibrary::BIO_set_flags(ossl::BIO* bio, int flags) {
    CallVoid<void (*)(ossl::BIO*, int)>(E::BIO_set_flags, bio, flags);
}

void TOpenSSLLibrary::BIO_clear_flags(ossl::BIO* bio, int flags) {
    CallVoid<void (*)(ossl::BIO*, int)>(E::BIO_clear_flags, bio, flags);
}

ossl::PKCS12* TOpenSSLLibrary::d2i_PKCS12_bio(ossl::BIO* bio) {
    return Call<ossl::PKCS12* (*)(ossl::BIO*, ossl::PKCS12**)>(
        E::d2i_PKCS12_bio, static_cast<ossl::PKCS12*>(nullptr), bio,
        static_cast<ossl::PKCS12**>(nullptr));
}

int TOpenSSLLibrary::PKCS12_parse(ossl::PKCS12* p12, const std::string& password,
                                  ossl::EVP_PKEY** key, ossl::X509** certificate) {
    return Call<int (*)(ossl::PKCS12*, const char*, ossl::EVP_PKEY**, ossl::X509**, void**)>(
        E::PKCS12_parse, 0, p12, password.c_str(), key, certificate, static_cast<void**>(nullptr));
}

void TOpenSSLLibrary::PKCS12_free(ossl::PKCS12* p12) {
    CallVoid<void (*)(ossl::PKCS12*)>(E::PKCS12_free, p12);
}

int TOpenSSLLibrary::i2d_X509_bio(ossl::BIO* bio, ossl::X509* certificate) {
    return Call<int (*)(ossl::BIO*, ossl::X509*)>(E::i2d_X509_bio, 0, bio, certificate);
}

int TOpenSSLLibrary::i2d_PrivateKey_bio(ossl::BIO* bio, ossl::EVP_PKEY* key) {
    return Call<int (*)(ossl::BIO*, ossl::EVP_PKEY*)>(E::i2d_PrivateKey_bio, 0, bio, key);
}

ossl::X509* TOpenSSLLibrary::d2i_X509(std::string_view der) {
    if (der.size() > static_cast<size_t>(std::numeric_limits<long>::max())) return nullptr;
    auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
    return Call<ossl::X509* (*)(ossl::X509**, const unsigned char**, long)>(
        E::d2i_X509, static_cast<ossl::X509*>(nullptr), static_cast<ossl::X509**>(nullptr), &bytes,
        static_cast<long>(der.size()));
}

int TOpenSSLLibrary::X509_STORE_add_cert(ossl::X509_STORE* store, ossl::X509* certificate) {
    return Call<int (*)(ossl::X509_STORE*, ossl::X509*)>(E::X509_STORE_add_cert, 0, store,
                                                         certificate);
}

// ---- the process-wide library ----------------------------------------------

TOpenSSLLibrary& OpenSSLLibrary() {
    // Never destroyed: the program unloads it explicitly at its end
    // (DestroySSLInterface), and nothing unloads it during exit.
    static TOpenSSLLibrary* library = new TOpenSSLLibrary();
    return *library;
}

bool LoadOpenSSL() {
    return OpenSSLLibrary().Load();
}

bool UnloadOpenSSL() {
    return OpenSSLLibrary().Unload();
}

bool IsSSLloaded() {
    return OpenSSLLibrary().Loaded();
}

}  // namespace net
