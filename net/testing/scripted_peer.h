#pragma once

// An in-process TCP peer on 127.0.0.1 for tests: each accepted connection
// runs a script of reads, byte-exact sends, pauses, FIN and RST, on the
// peer's own thread. It speaks through the socket interface's table, so it
// behaves the same natively and under Wine.

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/socket_api.h"

namespace net::testing {

// Loads the socket interface once for the whole test program.
void EnsureSocketInterface();

class TPeerScript {
  public:
    // Reads up to and including the empty line that ends a request head,
    // and then the body its Content-Length announces.
    TPeerScript& ReadRequest();
    // Reads until `count` more bytes have arrived.
    TPeerScript& ReadBytes(size_t count);
    TPeerScript& Send(std::string bytes);
    // Sends in pieces of `piece` bytes with a pause after each.
    TPeerScript& SendSlowly(std::string bytes, size_t piece, int pauseMs);
    TPeerScript& Pause(int ms);
    // Ends the sending side (FIN); reads may follow.
    TPeerScript& Shutdown();
    // Closes with a reset (RST) instead of a FIN.
    TPeerScript& Reset();
    // Reads until the client closes.
    TPeerScript& WaitClose();

  private:
    friend class TScriptedPeer;
    enum class Kind { ReadRequest, ReadBytes, Send, SendSlowly, Pause, Shutdown, Reset, WaitClose };
    struct Step {
        Kind kind;
        std::string bytes;
        size_t count = 0;
        int ms = 0;
    };
    std::vector<Step> steps_;
};

class TScriptedPeer {
  public:
    TScriptedPeer();
    ~TScriptedPeer();
    TScriptedPeer(const TScriptedPeer&) = delete;
    TScriptedPeer& operator=(const TScriptedPeer&) = delete;

    // The script of the next connection. Connections take the scripts in the
    // order they are accepted, each run on a thread of its own; a connection
    // is ended with a FIN when its script ends.
    TPeerScript& Connection();
    // Starts accepting; scripts must be complete by then.
    void Start();
    std::string Port() const { return std::to_string(port_); }
    // Waits until every script has run (or ~10 s passed).
    void Wait();
    // Bytes read on connection `index` (0-based) so far.
    std::string Received(size_t index) const;
    size_t Accepted() const { return accepted_; }

  private:
    void Run();
    void RunScript(TSocket s, size_t index, const TPeerScript& script);
    // Reads what arrives within `ms`; false when the client closed or an
    // error came.
    bool ReadSome(TSocket s, size_t index, int ms);

    const TSocketApi& api_;
    TSocket listener_ = kInvalidSocket;
    int port_ = 0;
    std::vector<TPeerScript> scripts_;
    std::vector<std::string> received_;
    std::vector<TSocket> finished_;
    mutable std::mutex mutex_;
    std::atomic<size_t> accepted_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<size_t> finished_count_{0};
    std::thread thread_;
};

}  // namespace net::testing
