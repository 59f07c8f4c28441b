#include "net/httpsend.h"

#include <algorithm>
#include <cstring>

#include "net/base64.h"
#include "net/limits.h"
#include "net/textutil.h"
#include "net/tick.h"
#include "net/url.h"
#include "runtime/strings.h"

namespace net {

namespace {

// Bytes received per read straight into the document.
constexpr int64_t kBodyPiece = int64_t{1} << 20;
// The document's first room for a body, and how it grows: by this factor,
// up to the length the server announced when there is one. A length that
// no bytes follow thus costs no more than the first room.
constexpr int64_t kFirstRoom = int64_t{256} << 10;
constexpr int64_t kGrowth = 4;
// A request body that goes out in the same send as the header block.
constexpr int64_t kSmallBody = 65536;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits only, no sign, small enough for 64 bits.
bool ParseDecimal(std::string_view s, int64_t& value) {
    if (s.empty() || s.size() > 18 || !std::all_of(s.begin(), s.end(), IsDigit)) return false;
    value = 0;
    for (char c : s) value = value * 10 + (c - '0');
    return true;
}

bool ParseHex(std::string_view s, int64_t& value) {
    if (s.empty() || s.size() > 15) return false;
    value = 0;
    for (char c : s) {
        int digit = IsDigit(c)               ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
        if (digit < 0) return false;
        value = value * 16 + digit;
    }
    return true;
}

bool IsIdempotent(const std::string& method) {
    return method == "GET" || method == "HEAD" || method == "PUT" || method == "DELETE" ||
           method == "OPTIONS" || method == "TRACE";
}

// The socket settings a request changes, put back when it ends.
class TRequestSettings {
  public:
    explicit TRequestSettings(TTCPBlockSocket& socket)
        : socket_(socket),
          interPacket_(socket.InterPacketTimeout),
          maxLine_(socket.MaxLineLength),
          connectTimeout_(socket.ConnectTimeout),
          sendTimeout_(socket.SendTimeout),
          tunnelTimeout_(socket.HTTPTunnelTimeout),
          socksTimeout_(socket.SocksTimeout) {
        // Reads are bounded as a whole by the request's deadline.
        socket.InterPacketTimeout = false;
        if (socket.MaxLineLength <= 0 || socket.MaxLineLength > kMaxHeaderLineLength)
            socket.MaxLineLength = kMaxHeaderLineLength;
    }
    ~TRequestSettings() {
        socket_.InterPacketTimeout = interPacket_;
        socket_.MaxLineLength = maxLine_;
        socket_.ConnectTimeout = connectTimeout_;
        socket_.SendTimeout = sendTimeout_;
        socket_.HTTPTunnelTimeout = tunnelTimeout_;
        socket_.SocksTimeout = socksTimeout_;
        socket_.SSL().SetDeadline(-1);
    }
    TRequestSettings(const TRequestSettings&) = delete;
    TRequestSettings& operator=(const TRequestSettings&) = delete;

    // Keeps every wait of a connect within `remaining` ms (-1: no bound),
    // and the TLS plug's waits within the request.
    void BoundConnect(int remaining) {
        socket_.SSL().SetDeadline(remaining);
        socket_.ConnectTimeout = remaining;
        socket_.SendTimeout = remaining;
        if (remaining >= 0) {
            socket_.HTTPTunnelTimeout =
                tunnelTimeout_ < 0 ? remaining : std::min(tunnelTimeout_, remaining);
            socket_.SocksTimeout =
                socksTimeout_ < 0 ? remaining : std::min(socksTimeout_, remaining);
        }
    }

  private:
    TTCPBlockSocket& socket_;
    bool interPacket_;
    int maxLine_;
    int connectTimeout_;
    int sendTimeout_;
    int tunnelTimeout_;
    int socksTimeout_;
};

}  // namespace

// Appends a body to a memory stream through the stream's memory, growing
// it within kMaxDocumentSize; the stream's size is the bytes written once
// the writer goes. One writer serves a whole body, so that the room it made
// is used before more is made.
class THTTPSend::TDocumentWriter {
  public:
    explicit TDocumentWriter(runtime::TMemoryStream& document)
        : document_(document), end_(document.Size()) {}
    ~TDocumentWriter() {
        document_.SetSize(end_);
        document_.SetPosition(end_);
    }
    TDocumentWriter(const TDocumentWriter&) = delete;
    TDocumentWriter& operator=(const TDocumentWriter&) = delete;

    // Room for `want` more bytes, or null past the cap. `announced` is what
    // the server said is still to come (0: not known).
    char* Room(int64_t want, int64_t announced) {
        if (want > kMaxDocumentSize - end_) return nullptr;
        int64_t size = document_.Size();
        if (end_ + want > size) {
            int64_t target = std::max(size * kGrowth, kFirstRoom);
            if (announced > 0) target = std::min(target, end_ + announced);
            target = std::min(std::max(target, end_ + want), kMaxDocumentSize);
            document_.SetSize(target);
        }
        return static_cast<char*>(document_.Memory()) + end_;
    }
    void Commit(int64_t count) { end_ += count; }
    // Room already made and not yet written.
    int64_t Free() const { return document_.Size() - end_; }

  private:
    runtime::TMemoryStream& document_;
    int64_t end_;
};

struct THTTPSend::TRequest {
    std::string method;  // upper-cased
    TURLParts url;
    bool https = false;
    bool tunnelled = false;
    // Protocol, target and tunnel: a kept connection serves only the same.
    std::string key;
    std::string head;  // the header block as sent
    bool continueMode = false;
};

THTTPSend::THTTPSend() : THTTPSend(std::make_unique<TTCPBlockSocket>()) {
    sock_->ConvertLineEnd = true;
    sock_->SetRecvBufferSize(65536);
    sock_->SetSendBufferSize(65536);
}

THTTPSend::THTTPSend(std::unique_ptr<TTCPBlockSocket> socket)
    : headers_(std::make_unique<runtime::TStringList>()),
      cookies_(std::make_unique<runtime::TStringList>()),
      document_(std::make_unique<runtime::TMemoryStream>()),
      sock_(std::move(socket)) {
    Timeout = 90000;
    TargetPort = "80";
    Clear();
}

THTTPSend::~THTTPSend() = default;

void THTTPSend::Clear() {
    RangeStart = 0;
    RangeEnd = 0;
    // Emptied, but its memory stays for the next body of this client.
    document_->SetSize(0);
    headers_->Clear();
    MimeType = "text/html";
}

int THTTPSend::Remaining() const {
    if (!bounded_) return -1;
    int64_t left = int64_t{Timeout} - TickDifference(start_, CurrentTick());
    return left > 0 ? static_cast<int>(left) : 0;
}

void THTTPSend::ParseStatusLine(const std::string& line) {
    size_t space = line.find(' ');
    std::string rest =
        space == std::string::npos ? std::string() : runtime::Trim(line.substr(space + 1));
    size_t split = rest.find(' ');
    int64_t code = 0;
    resultCode_ = ParseDecimal(runtime::Trim(rest.substr(0, split)), code) && code < 1000
                      ? static_cast<int>(code)
                      : 0;
    resultString_ =
        split == std::string::npos ? std::string() : runtime::Trim(rest.substr(split + 1));
}

std::string THTTPSend::ComposeHeaders() const {
    std::string block;
    int count = Protocol == "0.9" ? std::min(1, headers_->Count()) : headers_->Count();
    for (int i = 0; i < count; ++i) {
        block += headers_->Strings(i);
        block += "\r\n";
    }
    return block;
}

void THTTPSend::ParseCookies() {
    for (int i = 0; i < headers_->Count(); ++i) {
        std::string line = headers_->Strings(i);
        if (!runtime::LowerCase(line).starts_with("set-cookie:")) continue;
        std::string pair = runtime::Trim(TextBefore(line.substr(line.find(':') + 1), ";"));
        size_t equals = pair.find('=');
        std::string name = runtime::Trim(pair.substr(0, equals));
        std::string value =
            equals == std::string::npos ? name : runtime::Trim(pair.substr(equals + 1));
        if (name.empty()) continue;
        int index = cookies_->IndexOfName(name);
        if (value.empty()) {
            if (index >= 0) cookies_->Delete(index);
        } else if (index >= 0) {
            cookies_->SetStrings(index, name + "=" + value);
        } else {
            cookies_->Add(name + "=" + value);
        }
    }
}

void THTTPSend::Disconnect() {
    sock_->CloseSocket();
    aliveKey_.clear();
}

bool THTTPSend::Connect(const TRequest& request) {
    sock_->CloseSocket();
    aliveKey_.clear();
    sock_->Bind(IPInterface, "0");
    if (sock_->LastError() == 0) sock_->Connect(TargetHost, TargetPort);
    if (sock_->LastError() == 0 && request.https) {
        sock_->SSL().SNIHost = request.url.Host;
        sock_->SSLConnect();
    }
    if (sock_->LastError() != 0) return false;
    aliveKey_ = request.key;
    return true;
}

bool THTTPSend::SendRequest(const TRequest& request) {
    sock_->SendTimeout = Remaining();
    int64_t bodySize = document_->Size();
    const char* body = static_cast<const char*>(document_->Memory());
    document_->SetPosition(0);
    if (request.continueMode || bodySize == 0) {
        sock_->SendString(request.head);
    } else if (bodySize < kSmallBody) {
        std::string all = request.head;
        all.append(body, static_cast<size_t>(bodySize));
        sock_->SendString(all);
        uploadSize_ = static_cast<int64_t>(all.size());
    } else {
        sock_->SendString(request.head);
        for (int64_t sent = 0; sent < bodySize && sock_->LastError() == 0;) {
            int piece = static_cast<int>(std::min<int64_t>(bodySize - sent, 1 << 30));
            sent += sock_->SendBuffer(body + sent, piece);
        }
        uploadSize_ = bodySize;
    }
    return sock_->LastError() == 0;
}

bool THTTPSend::ReadFirstLine(std::string& line) {
    for (int empty = 0; empty <= kMaxEmptyLinesSkipped; ++empty) {
        line = sock_->RecvString(Remaining());
        if (sock_->LastError() != 0) return false;
        if (!line.empty()) return true;
    }
    return false;
}

bool THTTPSend::ReadHeaderLines(bool keep) {
    while (true) {
        std::string line = sock_->RecvString(Remaining());
        if (sock_->LastError() != 0) return false;
        if (keep) headers_->Add(line);
        headBytes_ += static_cast<int64_t>(line.size()) + 2;
        if (headBytes_ > kMaxHeaderBlockSize) return false;
        if (line.empty()) return true;
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = runtime::UpperCase(runtime::Trim(line.substr(0, colon)));
        std::string value = runtime::Trim(line.substr(colon + 1));
        if (name == "CONTENT-LENGTH") {
            int64_t size = 0;
            if (ParseDecimal(value, size)) {
                contentLength_ = size;
                // Chunked coding wins whatever the order, so that body and
                // connection stay in step.
                if (transfer_ != TTransfer::Chunked) transfer_ = TTransfer::Sized;
            }
        } else if (name == "CONTENT-TYPE") {
            MimeType = value;
        } else if (name == "TRANSFER-ENCODING") {
            if (runtime::UpperCase(value).find("CHUNKED") != std::string::npos)
                transfer_ = TTransfer::Chunked;
        } else if (name == "CONNECTION") {
            std::string upper = runtime::UpperCase(value);
            if (upper.find("CLOSE") != std::string::npos) closeAfter_ = true;
            if (upper.find("KEEP-ALIVE") != std::string::npos) keepAliveHeader_ = true;
        }
    }
}

bool THTTPSend::AppendBody(TDocumentWriter& writer, int64_t size, bool wholeBody) {
    while (size > 0) {
        int64_t want = std::min(size, kBodyPiece);
        char* room = writer.Room(want, wholeBody ? size : 0);
        if (!room) return false;
        int count = sock_->RecvBufferEx(room, static_cast<int>(want), Remaining());
        writer.Commit(count);
        size -= count;
        if (sock_->LastError() != 0) return false;
    }
    return true;
}

bool THTTPSend::ReadToClose() {
    TDocumentWriter writer(*document_);
    while (true) {
        if (writer.Free() == 0) {
            // Full: more room is made only for bytes that did come.
            std::string packet = sock_->RecvPacket(Remaining());
            if (sock_->LastError() != 0) return sock_->LastError() == kWsaEConnReset;
            auto size = static_cast<int64_t>(packet.size());
            char* room = writer.Room(size, 0);
            if (!room) return false;
            std::memcpy(room, packet.data(), packet.size());
            writer.Commit(size);
            continue;
        }
        int64_t want = std::min(kBodyPiece, writer.Free());
        char* room = writer.Room(want, 0);
        int count = sock_->RecvBufferEx(room, static_cast<int>(want), Remaining());
        writer.Commit(count);
        // Only the server closing the connection ends such a body; a time-out
        // leaves it unfinished.
        if (sock_->LastError() != 0) return sock_->LastError() == kWsaEConnReset;
    }
}

bool THTTPSend::ReadSized(int64_t size) {
    if (size < 1) return true;
    downloadSize_ = size;
    TDocumentWriter writer(*document_);
    return AppendBody(writer, size, true);
}

bool THTTPSend::ReadChunked() {
    TDocumentWriter writer(*document_);
    while (true) {
        std::string line;
        if (!ReadFirstLine(line)) return false;
        std::string text = runtime::Trim(TextBefore(runtime::Trim(line), ";"));
        text = TextBefore(TextBefore(text, " "), "\t");
        int64_t size = 0;
        if (!ParseHex(text, size)) return false;
        if (size == 0) break;
        downloadSize_ = size;
        if (!AppendBody(writer, size, false)) return false;
        // The line end that closes the chunk's data.
        line = sock_->RecvString(Remaining());
        if (sock_->LastError() != 0 || !line.empty()) return false;
    }
    // Trailer lines up to the empty one, so the connection stays in step.
    headBytes_ = 0;
    return ReadHeaderLines(false);
}

bool THTTPSend::ReadHead(bool continueMode, bool& bodySent) {
    std::string body;
    if (continueMode)
        body.assign(static_cast<const char*>(document_->Memory()),
                    static_cast<size_t>(document_->Size()));
    std::string line;
    bool got = ReadFirstLine(line);
    Clear();
    transfer_ = TTransfer::ToClose;
    if (!got) {
        // A server that sends text without a status line and closes: the
        // whole answer is the body (HTTP/0.9).
        if (sock_->LastError() != kWsaEConnReset || sock_->ReadAheadBuffer().empty()) return false;
        line = sock_->RecvPacket(0);
    }
    for (int interim = 0;; ++interim) {
        contentLength_ = -1;
        closeAfter_ = Protocol != "1.1";
        keepAliveHeader_ = false;
        headBytes_ = static_cast<int64_t>(line.size()) + 2;
        if (!runtime::UpperCase(line).starts_with("HTTP/")) {
            line += "\r\n";
            document_->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
            resultCode_ = 0;
            transfer_ = TTransfer::ToClose;
            return true;
        }
        headers_->Add(line);
        ParseStatusLine(line);
        httpVersion10_ = runtime::UpperCase(line).starts_with("HTTP/1.0");
        if (!ReadHeaderLines(true)) return false;
        if (httpVersion10_ && !keepAliveHeader_) closeAfter_ = true;
        bool informational = resultCode_ >= 100 && resultCode_ < 200 && resultCode_ != 101;
        if (!informational) break;
        // An interim answer: the final one follows on the same connection.
        if (interim >= kMaxInterimResponses) return false;
        if (continueMode && !bodySent) {
            sock_->SendString(body);
            if (sock_->LastError() != 0) return false;
            uploadSize_ = static_cast<int64_t>(body.size());
            bodySent = true;
        }
        headers_->Clear();
        transfer_ = TTransfer::ToClose;
        if (!ReadFirstLine(line)) return false;
    }
    // A final answer to a 100-continue request whose body was held back: the
    // server may still expect the body, so the connection is not kept.
    if (continueMode && !bodySent) closeAfter_ = true;
    return true;
}

bool THTTPSend::ExecuteRequest(const std::string& method, const std::string& url) {
    resultCode_ = 500;
    resultString_.clear();
    downloadSize_ = 0;
    uploadSize_ = 0;
    start_ = CurrentTick();
    bounded_ = Timeout >= 0;
    TRequestSettings settings(*sock_);

    TRequest request;
    request.method = runtime::UpperCase(method);
    std::string uri = ParseURL(url, request.url);
    // Line ends or NULs in the method or the URL would let it write header
    // lines of its own.
    if ((method + url).find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
    std::string user = request.url.User;
    std::string password = request.url.Password;
    if (user.empty()) {
        user = UserName;
        password = Password;
    }
    std::string protocol = runtime::UpperCase(request.url.Protocol);
    request.https = protocol == "HTTPS";
    if (request.https) {
        sock_->HTTPTunnelIP = ProxyHost;
        sock_->HTTPTunnelPort = ProxyPort;
        sock_->HTTPTunnelUser = ProxyUser;
        sock_->HTTPTunnelPass = ProxyPass;
    } else {
        sock_->HTTPTunnelIP.clear();
        sock_->HTTPTunnelPort.clear();
        sock_->HTTPTunnelUser.clear();
        sock_->HTTPTunnelPass.clear();
    }
    request.tunnelled = request.https && !ProxyHost.empty();
    bool proxied = !ProxyHost.empty() && !request.tunnelled;
    int64_t bodySize = document_->Size();
    request.continueMode = Status100 && bodySize > 0 && Protocol == "1.1";

    // Each line goes to the top, so the block reads from the request line
    // down, above the caller's lines.
    auto top = [this](const std::string& line) { headers_->Insert(0, line); };
    if (request.continueMode) top("Expect: 100-continue");
    if (bodySize > 0) {
        top("Content-Length: " + std::to_string(bodySize));
        if (!MimeType.empty()) top("Content-Type: " + MimeType);
    }
    if (!UserAgent.empty()) top("User-Agent: " + UserAgent);
    if (RangeStart > 0) {
        std::string range = "Range: bytes=" + std::to_string(RangeStart) + "-";
        if (RangeEnd >= RangeStart) range += std::to_string(RangeEnd);
        top(range);
    }
    if (cookies_->Count() > 0) {
        std::string joined;
        for (int i = 0; i < cookies_->Count(); ++i) {
            if (i > 0) joined += "; ";
            joined += cookies_->Strings(i);
        }
        top("Cookie: " + joined);
    }
    if (!KeepAlive) top("Connection: close");
    if (!user.empty()) top("Authorization: Basic " + EncodeToBase64(user + ":" + password));
    if (proxied && !ProxyUser.empty())
        top("Proxy-Authorization: Basic " + EncodeToBase64(ProxyUser + ":" + ProxyPass));
    std::string host =
        IsIPv6Address(request.url.Host) ? "[" + request.url.Host + "]" : request.url.Host;
    top("Host: " + host + (request.url.Port == "80" ? "" : ":" + request.url.Port));
    if (proxied) uri = request.url.Protocol + "://" + host + ":" + request.url.Port + uri;
    if (uri == "/*") uri = "*";
    top(request.method + " " + uri + (Protocol == "0.9" ? "" : " HTTP/" + Protocol));

    TargetHost = proxied ? ProxyHost : request.url.Host;
    TargetPort = proxied ? ProxyPort : request.url.Port;
    if (headers_->Count() > 0 && !headers_->Strings(headers_->Count() - 1).empty())
        headers_->Add("");
    request.key = protocol + "\n" + TargetHost + "\n" + TargetPort + "\n" +
                  (request.tunnelled ? ProxyHost + ":" + ProxyPort : "");
    request.head = ComposeHeaders();

    // A kept connection serves when it is to the same target and idle: a
    // readable one was closed by the server or is out of step.
    settings.BoundConnect(Remaining());
    bool reused = false;
    if (request.key != aliveKey_ || sock_->Socket() == kInvalidSocket ||
        !sock_->ReadAheadBuffer().empty() || sock_->CanRead(0)) {
        if (!Connect(request)) return false;
    } else {
        reused = true;
    }
    // A kept connection that the server closed just before our request
    // shows it by failing at once; an idempotent request then goes once
    // more on a new connection.
    bool retry = reused && IsIdempotent(request.method);
    bool sent = SendRequest(request);
    if (!sent && retry) {
        retry = false;
        settings.BoundConnect(Remaining());
        if (!Connect(request)) return false;
        sent = SendRequest(request);
    }
    if (!sent) {
        aliveKey_.clear();
        return false;
    }
    // Readable with nothing to read: the server had closed the connection.
    if (retry && sock_->CanReadBuffered(Remaining()) && sock_->ReadAheadBuffer().empty() &&
        sock_->WaitingData() == 0) {
        settings.BoundConnect(Remaining());
        if (!Connect(request) || !SendRequest(request)) {
            aliveKey_.clear();
            return false;
        }
    }

    bool bodySent = false;
    if (!ReadHead(request.continueMode, bodySent)) {
        aliveKey_.clear();
        return false;
    }

    bool ok = true;
    bool noBody = request.method == "HEAD" || resultCode_ == 204 || resultCode_ == 304;
    if (!noBody) {
        switch (transfer_) {
            case TTransfer::ToClose:
                ok = ReadToClose();
                closeAfter_ = true;
                break;
            case TTransfer::Sized:
                ok = ReadSized(contentLength_);
                break;
            case TTransfer::Chunked:
                ok = ReadChunked();
                break;
        }
    }
    document_->SetPosition(0);
    if (!ok)
        aliveKey_.clear();
    else if (closeAfter_)
        Disconnect();
    ParseCookies();
    return ok;
}

}  // namespace net
