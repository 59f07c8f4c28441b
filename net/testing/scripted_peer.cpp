#include "net/testing/scripted_peer.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <mutex>

namespace net::testing {

namespace {

constexpr int kStepTimeoutMs = 10000;

bool Readable(const TSocketApi& api, TSocket s, int ms) {
    TFDSet set{};
    FDSetAdd(set, s);
    TTimeVal time{ms / 1000, ms % 1000 * 1000};
    return api.select(static_cast<int>(s + 1), &set, nullptr, nullptr, &time) > 0;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

void EnsureSocketInterface() {
    static std::once_flag once;
    std::call_once(once, [] { InitSocketInterface(); });
}

TPeerScript& TPeerScript::ReadRequest() {
    steps_.push_back({Kind::ReadRequest, {}});
    return *this;
}

TPeerScript& TPeerScript::ReadBytes(size_t count) {
    steps_.push_back({Kind::ReadBytes, {}, count});
    return *this;
}

TPeerScript& TPeerScript::Send(std::string bytes) {
    steps_.push_back({Kind::Send, std::move(bytes)});
    return *this;
}

TPeerScript& TPeerScript::SendSlowly(std::string bytes, size_t piece, int pauseMs) {
    steps_.push_back({Kind::SendSlowly, std::move(bytes), piece, pauseMs});
    return *this;
}

TPeerScript& TPeerScript::Pause(int ms) {
    steps_.push_back({Kind::Pause, {}, 0, ms});
    return *this;
}

TPeerScript& TPeerScript::Shutdown() {
    steps_.push_back({Kind::Shutdown, {}});
    return *this;
}

TPeerScript& TPeerScript::Reset() {
    steps_.push_back({Kind::Reset, {}});
    return *this;
}

TPeerScript& TPeerScript::WaitClose() {
    steps_.push_back({Kind::WaitClose, {}});
    return *this;
}

TScriptedPeer::TScriptedPeer() : api_((EnsureSocketInterface(), SocketLibrary().Api())) {
    listener_ = api_.socket(kAfInet, kSockStream, kIpProtoTcp);
    TSockAddr address{};
    address.in4.sin_family = kAfInet;
    address.in4.sin_addr.value = api_.inet_addr("127.0.0.1");
    SocketLibrary().Bind(listener_, address);
    api_.listen(listener_, 16);
    TSockAddr bound{};
    SocketLibrary().GetSockName(listener_, bound);
    port_ = api_.ntohs(bound.in4.sin_port);
}

TScriptedPeer::~TScriptedPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (TSocket s : finished_) api_.closesocket(s);
    api_.closesocket(listener_);
}

TPeerScript& TScriptedPeer::Connection() {
    scripts_.emplace_back();
    return scripts_.back();
}

void TScriptedPeer::Start() {
    received_.assign(scripts_.size(), std::string());
    thread_ = std::thread([this] { Run(); });
}

void TScriptedPeer::Wait() {
    for (int i = 0; i < 1000 && finished_count_ < scripts_.size() && !done_; ++i) SleepMs(10);
}

std::string TScriptedPeer::Received(size_t index) const {
    std::lock_guard guard(mutex_);
    return index < received_.size() ? received_[index] : std::string();
}

void TScriptedPeer::Run() {
    // Each connection runs on a thread of its own, so that a script that
    // holds its connection open does not keep the next one waiting.
    std::vector<std::thread> connections;
    for (size_t index = 0; index < scripts_.size() && !stop_; ++index) {
        TSocket s = kInvalidSocket;
        while (!stop_ && s == kInvalidSocket) {
            if (!Readable(api_, listener_, 50)) continue;
            TSockAddr from{};
            int size = sizeof from;
            s = api_.accept(listener_, &from, &size);
        }
        if (s == kInvalidSocket) break;
        ++accepted_;
        connections.emplace_back([this, s, index] {
            RunScript(s, index, scripts_[index]);
            ++finished_count_;
        });
    }
    for (std::thread& t : connections) t.join();
    done_ = true;
}

bool TScriptedPeer::ReadSome(TSocket s, size_t index, int ms) {
    if (!Readable(api_, s, ms)) return true;
    char buffer[65536];
    int count = api_.recv(s, buffer, sizeof buffer, 0);
    if (count <= 0) return false;
    std::lock_guard guard(mutex_);
    received_[index].append(buffer, static_cast<size_t>(count));
    return true;
}

void TScriptedPeer::RunScript(TSocket s, size_t index, const TPeerScript& script) {
    bool open = true;
    size_t consumed = 0;  // bytes of received_[index] that read steps used up
    auto bytesSeen = [&] {
        std::lock_guard guard(mutex_);
        return received_[index].size();
    };
    auto waitFor = [&](auto condition) {
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kStepTimeoutMs);
        while (!stop_ && !condition() && std::chrono::steady_clock::now() < deadline) {
            if (!ReadSome(s, index, 20)) return false;
        }
        return condition();
    };
    for (const TPeerScript::Step& step : script.steps_) {
        if (stop_) break;
        switch (step.kind) {
            case TPeerScript::Kind::ReadRequest: {
                size_t end = std::string::npos;
                auto headComplete = [&] {
                    std::lock_guard guard(mutex_);
                    end = received_[index].find("\r\n\r\n", consumed);
                    return end != std::string::npos;
                };
                if (!waitFor(headComplete)) break;
                size_t bodyLength = 0;
                {
                    std::lock_guard guard(mutex_);
                    std::string head = received_[index].substr(consumed, end - consumed);
                    for (char& c : head)
                        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                    size_t p = head.find("\r\ncontent-length:");
                    // A client that expects 100-continue sends its body later.
                    bool expectsContinue =
                        head.find("\r\nexpect: 100-continue") != std::string::npos;
                    if (p != std::string::npos && !expectsContinue)
                        bodyLength = std::stoul(head.substr(p + 17));
                }
                size_t want = end + 4 + bodyLength;
                waitFor([&] { return bytesSeen() >= want; });
                consumed = want;
                break;
            }
            case TPeerScript::Kind::ReadBytes: {
                size_t want = consumed + step.count;
                waitFor([&] { return bytesSeen() >= want; });
                consumed = want;
                break;
            }
            case TPeerScript::Kind::Send:
                api_.send(s, step.bytes.data(), static_cast<int>(step.bytes.size()), 0);
                break;
            case TPeerScript::Kind::SendSlowly:
                for (size_t at = 0; at < step.bytes.size() && !stop_; at += step.count) {
                    size_t n = std::min(step.count, step.bytes.size() - at);
                    if (api_.send(s, step.bytes.data() + at, static_cast<int>(n), 0) <= 0) break;
                    SleepMs(step.ms);
                }
                break;
            case TPeerScript::Kind::Pause: {
                auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.ms);
                while (!stop_ && std::chrono::steady_clock::now() < until) SleepMs(5);
                break;
            }
            case TPeerScript::Kind::Shutdown:
                api_.shutdown(s, kSdSend);
                break;
            case TPeerScript::Kind::Reset: {
                TLinger linger{1, 0};
                api_.setsockopt(s, kSolSocket, kSoLinger, reinterpret_cast<const char*>(&linger),
                                sizeof linger);
                api_.closesocket(s);
                open = false;
                break;
            }
            case TPeerScript::Kind::WaitClose: {
                auto deadline =
                    std::chrono::steady_clock::now() + std::chrono::milliseconds(kStepTimeoutMs);
                while (!stop_ && std::chrono::steady_clock::now() < deadline &&
                       ReadSome(s, index, 20)) {
                }
                break;
            }
        }
        if (!open) break;
    }
    if (open) {
        // FIN, and the handle stays until the peer goes, so that closing
        // with unread bytes cannot turn into a reset the client would see.
        api_.shutdown(s, kSdSend);
        std::lock_guard guard(mutex_);
        finished_.push_back(s);
    }
}

}  // namespace net::testing
