#include "net/httpsend.h"

#include <algorithm>
#include <cstring>

#include "net/base64.h"
#include "net/cookies.h"
#include "net/limits.h"
#include "net/textutil.h"
#include "net/tick.h"
#include "net/url.h"
#include "runtime/os/address_space.h"
#include "runtime/strings.h"

namespace net {

namespace {

// Bytes received per read straight into the document.
constexpr int64_t kBodyPiece = int64_t{1} << 20;
// The document's first room for a body of unknown length; it then doubles.
constexpr int64_t kFirstRoom = int64_t{256} << 10;
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

// A line end or NUL in a field would let it write lines of its own.
bool BreaksLines(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool ValidPort(const std::string& port) {
    int64_t value = 0;
    return ParseDecimal(port, value) && value >= 1 && value <= 65535;
}

std::string SizeText(int64_t bytes) {
    return bytes % (int64_t{1} << 20) == 0 ? std::to_string(bytes >> 20) + " MiB"
           : bytes % 1024 == 0             ? std::to_string(bytes >> 10) + " KiB"
                                           : std::to_string(bytes) + " bytes";
}

// The socket settings a request changes, put back when it ends.
class TRequestSettings {
  public:
    TRequestSettings(TTCPBlockSocket& socket, int timeout, int requestTimeout)
        : socket_(socket),
          interPacket_(socket.InterPacketTimeout),
          maxLine_(socket.MaxLineLength),
          connectTimeout_(socket.ConnectTimeout),
          sendTimeout_(socket.SendTimeout),
          tunnelTimeout_(socket.HTTPTunnelTimeout),
          socksTimeout_(socket.SocksTimeout),
          deadline_(socket.Deadline()) {
        // Each wait for the answer is bounded on its own.
        socket.InterPacketTimeout = true;
        if (socket.MaxLineLength <= 0 || socket.MaxLineLength > kMaxHeaderLineLength)
            socket.MaxLineLength = kMaxHeaderLineLength;
        socket.ConnectTimeout = timeout;
        socket.SendTimeout = timeout;
        if (timeout >= 0) {
            socket.HTTPTunnelTimeout =
                tunnelTimeout_ < 0 ? timeout : std::min(tunnelTimeout_, timeout);
            socket.SocksTimeout = socksTimeout_ < 0 ? timeout : std::min(socksTimeout_, timeout);
        }
        // The whole request, TLS included, within its own bound.
        socket.SetDeadline(requestTimeout);
    }
    ~TRequestSettings() {
        socket_.InterPacketTimeout = interPacket_;
        socket_.MaxLineLength = maxLine_;
        socket_.ConnectTimeout = connectTimeout_;
        socket_.SendTimeout = sendTimeout_;
        socket_.HTTPTunnelTimeout = tunnelTimeout_;
        socket_.SocksTimeout = socksTimeout_;
        socket_.SetDeadline(deadline_);
    }
    TRequestSettings(const TRequestSettings&) = delete;
    TRequestSettings& operator=(const TRequestSettings&) = delete;

  private:
    TTCPBlockSocket& socket_;
    bool interPacket_;
    int maxLine_;
    int connectTimeout_;
    int sendTimeout_;
    int tunnelTimeout_;
    int socksTimeout_;
    TDeadline deadline_;
};

}  // namespace

// The document: a memory stream that views, for a body, address space
// reserved for the largest body and committed as the body grows; so a body
// never moves, is never filled with zeros first, and a length the server
// announced is committed at once. What a caller writes into the stream goes
// into a block of the stream's own, as with any memory stream. The space
// stays for the next body of the same client.
class THTTPSend::TDocument final : public runtime::TMemoryStream {
  public:
    // Room for `want` more bytes at the end of the stream, or null when the
    // body would pass kMaxDocumentSize or no memory is to be had.
    // `announced`: the bytes the server said are still to come (0: not
    // known).
    char* Room(int64_t want, int64_t announced) {
        const int64_t size = Size();
        if (want > kMaxDocumentSize - size) return nullptr;
        if (!space_) space_ = std::make_unique<runtime::os::TAddressSpace>(kMaxDocumentSize);
        char* data = space_->Data();
        if (!data) return nullptr;
        if (Memory() != data) {
            // The stream holds what a caller wrote (or nothing): the body
            // follows it in the space.
            if (!Commit(size, size)) return nullptr;
            if (size > 0) std::memcpy(data, Memory(), static_cast<size_t>(size));
            SetPointer(data, size);
        }
        const int64_t ahead = announced > 0 ? std::min(announced, kMaxBodyReservation) : 0;
        if (!Commit(size + want, size + ahead)) return nullptr;
        return data + size;
    }
    // `count` bytes were written into the room; the position follows.
    void Commit(int64_t count) {
        int64_t end = Size() + count;
        SetPointer(space_->Data(), end);
        Seek(end, runtime::soFromBeginning);
    }

  private:
    // Makes `needed` bytes usable, and at once `wanted` when more is known
    // to come; otherwise the committed part doubles, so that a body of
    // unknown length costs few calls to the system.
    bool Commit(int64_t needed, int64_t wanted) {
        auto committed = static_cast<int64_t>(space_->Committed());
        if (needed <= committed) return true;
        int64_t target = std::max({needed, wanted, committed * 2, kFirstRoom});
        target = std::min(target, static_cast<int64_t>(space_->Reserved()));
        return space_->Commit(static_cast<size_t>(target));
    }

    std::unique_ptr<runtime::os::TAddressSpace> space_;
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
      document_(std::make_unique<TDocument>()),
      sock_(std::move(socket)) {
    Timeout = 90000;
    TargetPort = "80";
    Clear();
}

THTTPSend::~THTTPSend() = default;

runtime::TMemoryStream& THTTPSend::Document() const {
    return *document_;
}

void THTTPSend::Clear() {
    RangeStart = 0;
    RangeEnd = 0;
    // Emptied, but its memory stays for the next body of this client.
    document_->SetSize(0);
    headers_->Clear();
    MimeType = "text/html";
}

bool THTTPSend::Fail(int code, std::string desc) {
    if (lastError_ == 0) {
        lastError_ = code;
        lastErrorDesc_ = std::move(desc);
    }
    return false;
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
    ApplySetCookies(*cookies_, *headers_, UnixNow());
}

bool THTTPSend::CheckRequestFields(const std::string& method, const std::string& url,
                                   const TRequest& request) {
    struct Field {
        const char* name;
        const std::string& text;
    };
    const Field fields[] = {
        {"method", method},
        {"URL", url},
        {"protocol", Protocol},
        {"user agent", UserAgent},
        {"MIME type", MimeType},
        {"user name", UserName},
        {"password", Password},
        {"proxy host", ProxyHost},
        {"proxy port", ProxyPort},
        {"proxy user", ProxyUser},
        {"proxy password", ProxyPass},
    };
    for (const Field& field : fields)
        if (BreaksLines(field.text))
            return Fail(kHttpEBadRequest,
                        std::string("Line end or NUL in the request's ") + field.name);
    for (int i = 0; i < headers_->Count(); ++i)
        if (BreaksLines(headers_->Strings(i)))
            return Fail(kHttpEBadRequest, "Line end or NUL in a request header line");
    for (int i = 0; i < cookies_->Count(); ++i)
        if (BreaksLines(cookies_->Strings(i)))
            return Fail(kHttpEBadRequest, "Line end or NUL in a cookie");
    if (!ValidPort(request.url.Port))
        return Fail(kHttpEBadRequest, "Port outside 1..65535: " + request.url.Port);
    if (!ProxyHost.empty() && !ValidPort(ProxyPort))
        return Fail(kHttpEBadRequest, "Proxy port outside 1..65535: " + ProxyPort);
    return true;
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

bool THTTPSend::ReadHeadLine(std::string& line) {
    line = sock_->RecvString(Timeout);
    if (sock_->LastError() == kWsaENoBufs)
        return Fail(kHttpETooLarge,
                    "A line of the response head is longer than " + SizeText(kMaxHeaderLineLength));
    if (sock_->LastError() != 0) return false;
    headBytes_ += static_cast<int64_t>(line.size()) + 2;
    if (headBytes_ > kMaxHeaderBlockSize)
        return Fail(kHttpETooLarge,
                    "The response head is larger than " + SizeText(kMaxHeaderBlockSize));
    return true;
}

bool THTTPSend::ReadFirstLine(std::string& line, const char* before) {
    for (int empty = 0; empty <= kMaxEmptyLinesSkipped; ++empty) {
        line = sock_->RecvString(Timeout);
        if (sock_->LastError() == kWsaENoBufs)
            return Fail(kHttpETooLarge, std::string("A line longer than ") +
                                            SizeText(kMaxHeaderLineLength) + " before " + before);
        if (sock_->LastError() != 0) return false;
        if (!line.empty()) return true;
    }
    return Fail(kHttpETooLarge, std::string("More than ") + std::to_string(kMaxEmptyLinesSkipped) +
                                    " empty lines before " + before);
}

bool THTTPSend::ReadHeaderLines() {
    while (true) {
        std::string line;
        if (!ReadHeadLine(line)) return false;
        headers_->Add(line);
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

bool THTTPSend::ReceiveInto(int64_t want, int64_t announced) {
    char* room = document_->Room(want, announced);
    if (!room)
        return Fail(kHttpETooLarge, "The response body is larger than " +
                                        SizeText(kMaxDocumentSize) +
                                        " or than the memory to be had");
    document_->Commit(sock_->RecvBufferEx(room, static_cast<int>(want), Timeout));
    return true;
}

bool THTTPSend::AppendBody(int64_t size, bool wholeBody) {
    const int64_t end = document_->Size() + size;
    for (int64_t left = size; left > 0; left = end - document_->Size()) {
        if (!ReceiveInto(std::min(left, kBodyPiece), wholeBody ? left : 0)) return false;
        if (sock_->LastError() != 0) return false;
    }
    return true;
}

bool THTTPSend::ReadToClose() {
    while (true) {
        if (!ReceiveInto(kBodyPiece, 0)) return false;
        // Only the server closing the connection ends such a body; a time-out
        // leaves it unfinished.
        if (sock_->LastError() != 0) return sock_->LastError() == kWsaEConnReset;
    }
}

bool THTTPSend::ReadSized(int64_t size) {
    if (size < 1) return true;
    downloadSize_ = size;
    return AppendBody(size, true);
}

bool THTTPSend::ReadChunked() {
    while (true) {
        std::string line;
        if (!ReadFirstLine(line, "a chunk size")) return false;
        std::string text = runtime::Trim(TextBefore(runtime::Trim(line), ";"));
        text = TextBefore(TextBefore(text, " "), "\t");
        int64_t size = 0;
        if (!ParseHex(text, size))
            return Fail(kHttpEBadResponse, "Unreadable chunk size \"" + line.substr(0, 64) + "\"");
        if (size == 0) break;
        downloadSize_ = size;
        if (!AppendBody(size, false)) return false;
        // The line end that closes the chunk's data.
        line = sock_->RecvString(Timeout);
        if (sock_->LastError() != 0) return false;
        if (!line.empty())
            return Fail(kHttpEBadResponse, "Chunk data not followed by its line end");
    }
    // Trailer lines up to the empty one, so that the connection stays in
    // step. They are no headers of the response: none of them is taken.
    headBytes_ = 0;
    for (std::string line; ReadHeadLine(line);)
        if (line.empty()) return true;
    return false;
}

bool THTTPSend::ReadHead(bool continueMode, bool& bodySent) {
    std::string body;
    if (continueMode)
        body.assign(static_cast<const char*>(document_->Memory()),
                    static_cast<size_t>(document_->Size()));
    std::string line;
    bool got = ReadFirstLine(line, "the status line");
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
        if (!ReadHeaderLines()) return false;
        if (httpVersion10_ && !keepAliveHeader_) closeAfter_ = true;
        bool informational = resultCode_ >= 100 && resultCode_ < 200 && resultCode_ != 101;
        if (!informational) break;
        // An interim answer: the final one follows on the same connection.
        if (interim >= kMaxInterimResponses)
            return Fail(kHttpETooLarge,
                        "More than " + std::to_string(kMaxInterimResponses) + " interim responses");
        if (continueMode && !bodySent) {
            sock_->SendString(body);
            if (sock_->LastError() != 0) return false;
            uploadSize_ = static_cast<int64_t>(body.size());
            bodySent = true;
        }
        headers_->Clear();
        transfer_ = TTransfer::ToClose;
        if (!ReadFirstLine(line, "the status line")) return false;
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
    lastError_ = 0;
    lastErrorDesc_.clear();
    // A stop asked for while no request ran is of no request.
    sock_->StopFlag = false;
    bool ok = Run(method, url);
    if (ok) {
        lastError_ = 0;
        lastErrorDesc_.clear();
    } else if (lastError_ == 0) {
        int code = sock_->LastError();
        std::string desc = sock_->LastErrorDesc();
        if (code == kWsaSysNotReady && !sock_->SSL().LastErrorDesc().empty())
            desc += ": " + sock_->SSL().LastErrorDesc();
        if (code == 0) {
            code = kHttpEBadResponse;
            desc = "The request failed";
        }
        Fail(code, desc);
    }
    return ok;
}

bool THTTPSend::Run(const std::string& method, const std::string& url) {
    TRequestSettings settings(*sock_, Timeout, RequestTimeout);

    TRequest request;
    request.method = runtime::UpperCase(method);
    std::string uri = ParseURL(url, request.url);
    if (!CheckRequestFields(method, url, request)) return false;
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
        if (!Connect(request)) return false;
        sent = SendRequest(request);
    }
    if (!sent) {
        aliveKey_.clear();
        return false;
    }
    // Readable with nothing to read: the server had closed the connection.
    if (retry && sock_->CanReadBuffered(Timeout) && sock_->ReadAheadBuffer().empty() &&
        sock_->WaitingData() == 0) {
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
