#include "net/ssl_openssl_lib.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/testing/tls_peers.h"

namespace net {
namespace {

using testing::TFakeLibraryProvider;

constexpr const char* kSsl = "libssl-fake";
constexpr const char* kSslAlt = "libssl-fake-alt";
constexpr const char* kCrypto = "libcrypto-fake";

// Stand-ins for OpenSSL functions.
long FakeVerifyResult(const ossl::SSL*) {
    return 7;
}
ossl::X509* FakeX509New() {
    return reinterpret_cast<ossl::X509*>(1);
}
int FakeNumLocks() {
    return 3;
}
std::atomic<ossl::LockingCallback> gLocking{nullptr};
std::atomic<int> gSetLockingCalls{0};
void FakeSetLocking(ossl::LockingCallback callback) {
    gLocking = callback;
    ++gSetLockingCalls;
}
std::atomic<ossl::IdCallback> gThreadId{nullptr};
void FakeSetId(ossl::IdCallback callback) {
    gThreadId = callback;
}

void* Fn(auto function) {
    return reinterpret_cast<void*>(function);
}

struct FakeLibrary {
    TFakeLibraryProvider* files;
    TOpenSSLLibrary library;
    FakeLibrary() : FakeLibrary(std::make_unique<TFakeLibraryProvider>()) {}
    explicit FakeLibrary(std::unique_ptr<TFakeLibraryProvider> provider)
        : files(provider.get()), library(std::move(provider)) {
        library.SetFileNames(kSsl, kSslAlt, kCrypto);
    }
};

TEST(OpenSSLLoadTest, MissingLibrariesLeaveNothingLoaded) {
    struct Row {
        const char* what;
        std::vector<std::string> present;
        bool loads;
        const char* named;  // in the reason
    } rows[] = {
        {"neither library",
         {},
         false,
         "\"libssl-fake\" or \"libssl-fake-alt\" and \"libcrypto-fake\""},
        {"TLS library only", {kSsl}, false, "\"libcrypto-fake\" could not be loaded"},
        {"crypto library only", {kCrypto}, false, "\"libssl-fake\" or \"libssl-fake-alt\" could"},
        {"the alternative TLS library", {kSslAlt, kCrypto}, true, ""},
        {"both", {kSsl, kCrypto}, true, ""},
    };
    for (const Row& row : rows) {
        FakeLibrary fake;
        for (const std::string& file : row.present) fake.files->Add(file);
        TOpenSSLLibrary& lib = fake.library;
        EXPECT_EQ(lib.Load(), row.loads) << row.what;
        EXPECT_EQ(lib.Loaded(), row.loads) << row.what;
        if (row.loads) {
            EXPECT_EQ(fake.files->OpenCount(), 2) << row.what;
            EXPECT_EQ(lib.LoadError(), "") << row.what;
            EXPECT_TRUE(lib.Unload());
            EXPECT_EQ(fake.files->OpenCount(), 0) << row.what;
            continue;
        }
        EXPECT_EQ(fake.files->OpenCount(), 0) << row.what;
        EXPECT_NE(lib.LoadError().find(row.named), std::string::npos)
            << row.what << ": " << lib.LoadError();
        // Every wrapper gives its fallback, and tries to load again first.
        std::string data = "x";
        EXPECT_EQ(lib.SSL_connect(nullptr), -1);
        EXPECT_EQ(lib.SSL_accept(nullptr), -1);
        EXPECT_EQ(lib.SSL_read(nullptr, data.data(), 1), -1);
        EXPECT_EQ(lib.SSL_write(nullptr, "x", 1), -1);
        EXPECT_EQ(lib.SSL_shutdown(nullptr), -1);
        EXPECT_EQ(lib.SSL_get_error(nullptr, -1), 1);
        EXPECT_EQ(lib.SSL_get_verify_result(nullptr), 50);
        EXPECT_EQ(lib.BIO_read(nullptr, data, 4), -2);
        EXPECT_EQ(data, "x");
        EXPECT_EQ(lib.BIO_write(nullptr, "abc"), -2);
        EXPECT_EQ(lib.SSL_get_version(nullptr), "");
        EXPECT_EQ(lib.SSL_CIPHER_get_name(nullptr), "");
        EXPECT_EQ(lib.OpenSSL_version(0), "");
        EXPECT_EQ(lib.X509_NAME_oneline(nullptr, 100), "");
        EXPECT_EQ(lib.SSL_CTX_new(nullptr), nullptr);
        EXPECT_EQ(lib.SSL_pending(nullptr), 0);
        EXPECT_EQ(lib.ERR_get_error(), TOpenSSLLibrary::kErrUnavailable);
        EXPECT_EQ(lib.ERR_error_string_n(TOpenSSLLibrary::kErrUnavailable, 256), lib.LoadError());
        EXPECT_EQ(fake.files->OpenCount(), 0) << row.what;
    }
}

TEST(OpenSSLLoadTest, LaterCallsLoadOnceTheFilesAreThere) {
    FakeLibrary fake;
    EXPECT_EQ(fake.library.SSL_get_verify_result(nullptr), 50);
    fake.files->Add(kSsl, {{"SSL_get_verify_result", Fn(&FakeVerifyResult)}});
    fake.files->Add(kCrypto);
    EXPECT_EQ(fake.library.SSL_get_verify_result(nullptr), 7);
    EXPECT_TRUE(fake.library.Loaded());
}

TEST(OpenSSLLoadTest, MissingEntryPointsOnlyFailTheirOwnCalls) {
    FakeLibrary fake;
    // X509_new is the crypto library's: found in the TLS library it does
    // not count.
    fake.files->Add(
        kSsl, {{"SSL_get_verify_result", Fn(&FakeVerifyResult)}, {"X509_new", Fn(&FakeX509New)}});
    fake.files->Add(kCrypto);
    TOpenSSLLibrary& lib = fake.library;
    ASSERT_TRUE(lib.Load());
    EXPECT_EQ(lib.SSL_get_verify_result(nullptr), 7);
    EXPECT_EQ(lib.SSL_connect(nullptr), -1);
    EXPECT_EQ(lib.X509_new(), nullptr);
    EXPECT_FALSE(lib.Has(TSSLEntry::SSL_connect));
    const TSSLEntry asked[] = {TSSLEntry::SSL_connect, TSSLEntry::SSL_get_verify_result,
                               TSSLEntry::X509_new};
    EXPECT_EQ(lib.Missing(asked), "SSL_connect, X509_new");
    // A library without the locking functions gets no callbacks.
    EXPECT_FALSE(lib.LockingInstalled());
}

TEST(OpenSSLLoadTest, LockingCallbacksOfLibrariesThatAskForThem) {
    gLocking = nullptr;
    gThreadId = nullptr;
    {
        // The setter alone is not enough.
        FakeLibrary fake;
        fake.files->Add(kSsl);
        fake.files->Add(kCrypto, {{"CRYPTO_set_locking_callback", Fn(&FakeSetLocking)}});
        ASSERT_TRUE(fake.library.Load());
        EXPECT_FALSE(fake.library.LockingInstalled());
        EXPECT_EQ(gLocking.load(), nullptr);
    }
    FakeLibrary fake;
    fake.files->Add(kSsl);
    fake.files->Add(kCrypto, {{"CRYPTO_num_locks", Fn(&FakeNumLocks)},
                              {"CRYPTO_set_locking_callback", Fn(&FakeSetLocking)},
                              {"CRYPTO_set_id_callback", Fn(&FakeSetId)}});
    ASSERT_TRUE(fake.library.Load());
    ASSERT_TRUE(fake.library.LockingInstalled());
    ossl::LockingCallback locking = gLocking;
    ASSERT_NE(locking, nullptr);
    constexpr int kLock = 1 | 8, kUnlock = 2 | 8;

    // Lock 2 held here keeps another thread out until it is released.
    locking(kLock, 2, __FILE__, __LINE__);
    std::atomic<bool> asking{false};
    std::atomic<bool> entered{false};
    std::thread other([&] {
        asking = true;
        locking(kLock, 2, __FILE__, __LINE__);
        entered = true;
        locking(kUnlock, 2, __FILE__, __LINE__);
    });
    while (!asking) std::this_thread::yield();
    // The other thread asks for the lock now; it must not get it while this
    // one holds it, however long that is (a slow machine only makes this
    // look shorter, never fail).
    for (int i = 0; i < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_FALSE(entered);
    }
    locking(kUnlock, 2, __FILE__, __LINE__);
    other.join();
    EXPECT_TRUE(entered);
    // Lock numbers OpenSSL did not announce are ignored.
    locking(kLock, 3, __FILE__, __LINE__);
    locking(kLock, -1, __FILE__, __LINE__);

    // Threads are told apart.
    ossl::IdCallback threadId = gThreadId;
    ASSERT_NE(threadId, nullptr);
    unsigned long mine = threadId();
    unsigned long theirs = 0;
    std::thread([&] { theirs = threadId(); }).join();
    EXPECT_NE(mine, theirs);
    EXPECT_EQ(threadId(), mine);

    int calls = gSetLockingCalls;
    EXPECT_TRUE(fake.library.Unload());
    EXPECT_EQ(gSetLockingCalls, calls + 1);
    EXPECT_EQ(gLocking.load(), nullptr);
    EXPECT_EQ(gThreadId.load(), nullptr);
    EXPECT_EQ(fake.files->OpenCount(), 0);
}

TEST(OpenSSLLoadTest, SystemLibraryHasEveryEntryPointCalled) {
    // OpenSSL 3 exports every function the TLS layer calls, and none of the
    // locking functions.
    TOpenSSLLibrary lib;
    ASSERT_TRUE(lib.Load()) << lib.LoadError();
    for (int i = 0; i < static_cast<int>(TSSLEntry::Count); ++i) {
        auto entry = static_cast<TSSLEntry>(i);
        bool locking = entry == TSSLEntry::CRYPTO_num_locks ||
                       entry == TSSLEntry::CRYPTO_set_locking_callback ||
                       entry == TSSLEntry::CRYPTO_set_id_callback;
        EXPECT_EQ(lib.Has(entry), !locking) << SSLEntryName(entry);
    }
    EXPECT_FALSE(lib.LockingInstalled());
    EXPECT_TRUE(lib.OpenSSL_version(ossl::kOpenSSLVersion).starts_with("OpenSSL 3."))
        << lib.OpenSSL_version(ossl::kOpenSSLVersion);
    EXPECT_TRUE(lib.Unload());
    EXPECT_FALSE(lib.Loaded());

    TOpenSSLLibrary absent;
    absent.SetFileNames("no-such-libssl", "", kDefaultCryptoLibraryName);
    EXPECT_FALSE(absent.Load());
    EXPECT_EQ(absent.LoadError(),
              "OpenSSL is not available: \"no-such-libssl\" could not be loaded");
}

}  // namespace
}  // namespace net
