#pragma once

// The HTTP/1.x client: one request at a time over its own TTCPBlockSocket,
// keeping the connection for the next request to the same target when the
// protocol and the server allow it.
//
// The caller fills Headers (extra request lines), Cookies and Document (the
// request body), calls ExecuteRequest, and reads ResultCode, ResultString,
// Headers (the response lines, the status line first), Cookies and
// Document (the body) from the same object. No redirect is followed.
//
// A request is bounded as a whole by Timeout: connecting, sending and every
// read share one deadline, so a server that drips its answer cannot hold a
// request longer. Setting Sock().StopFlag from another thread ends a request
// within kStopCheckInterval.

#include <cstdint>
#include <memory>
#include <string>

#include "net/tcpblocksocket.h"
#include "runtime/object.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"

namespace net {

// The common base of protocol clients.
class TSynaClient : public runtime::TObject {
  public:
    std::string TargetHost = "127.0.0.1";
    std::string TargetPort = "0";
    // Local address to bind.
    std::string IPInterface = "0.0.0.0";
    // Milliseconds; -1 waits without limit.
    int Timeout = 5000;
    std::string UserName;
    std::string Password;
};

class THTTPSend : public TSynaClient {
  public:
    // A socket with the process-wide default TLS plug, line ends converted,
    // and 64 KiB receive and send buffers queued.
    THTTPSend();
    // Takes `socket` as its caller set it up (its own plug and settings).
    explicit THTTPSend(std::unique_ptr<TTCPBlockSocket> socket);
    ~THTTPSend() override;

    TTCPBlockSocket& Sock() const { return *sock_; }
    // Before a request: extra request header lines; after it: the response
    // header lines, the status line first.
    runtime::TStringList& Headers() const { return *headers_; }
    // "name=value" lines, sent with every request and updated from every
    // response.
    runtime::TStringList& Cookies() const { return *cookies_; }
    // The request body before, the response body after.
    runtime::TMemoryStream& Document() const { return *document_; }

    // Content-Type of the request body; after a response, the response's.
    std::string MimeType = "text/html";
    // The version after "HTTP/" in the request line; "0.9" and "1.1" change
    // the behaviour (only "1.1" keeps connections).
    std::string Protocol = "1.0";
    // False adds "Connection: close".
    bool KeepAlive = true;
    // Send the body only after a 1xx answer (with "1.1").
    bool Status100 = false;
    std::string ProxyHost;
    std::string ProxyPort = "8080";
    std::string ProxyUser;
    std::string ProxyPass;
    std::string UserAgent = "Mozilla/4.0 (compatible; Serplow)";
    // Byte range of the request; 0 = none.
    int64_t RangeStart = 0;
    int64_t RangeEnd = 0;

    int ResultCode() const { return resultCode_; }
    const std::string& ResultString() const { return resultString_; }
    int64_t DownloadSize() const { return downloadSize_; }
    int64_t UploadSize() const { return uploadSize_; }

    // Empties Document and Headers, resets the range and MimeType; leaves
    // Cookies, ResultCode and the connection alone.
    void Clear();
    // True when the request was sent and the whole response read. A status
    // other than 2xx is no failure; a connection, TLS, send or read error, a
    // time-out, a stop, a malformed or oversized response head, an
    // unreadable chunk size and a body cut short are.
    [[nodiscard]] bool ExecuteRequest(const std::string& method, const std::string& url);

  private:
    struct TRequest;
    class TDocumentWriter;
    enum class TTransfer { ToClose, Sized, Chunked };

    void ParseStatusLine(const std::string& line);
    std::string ComposeHeaders() const;
    void ParseCookies();
    int Remaining() const;
    [[nodiscard]] bool Connect(const TRequest& request);
    [[nodiscard]] bool SendRequest(const TRequest& request);
    // Reads the first non-empty line of a response head.
    [[nodiscard]] bool ReadFirstLine(std::string& line);
    // Reads header lines up to the empty one, interpreting them.
    [[nodiscard]] bool ReadHeaderLines(bool keep);
    [[nodiscard]] bool ReadHead(bool continueMode, bool& bodySent);
    [[nodiscard]] bool ReadToClose();
    [[nodiscard]] bool ReadSized(int64_t size);
    [[nodiscard]] bool ReadChunked();
    // Receives `size` bytes into the document; `wholeBody`: they are all
    // that is to come (a sized body), not one chunk of many.
    [[nodiscard]] bool AppendBody(TDocumentWriter& writer, int64_t size, bool wholeBody);
    void Disconnect();

    std::unique_ptr<runtime::TStringList> headers_;
    std::unique_ptr<runtime::TStringList> cookies_;
    std::unique_ptr<runtime::TMemoryStream> document_;
    std::unique_ptr<TTCPBlockSocket> sock_;

    int resultCode_ = 0;
    std::string resultString_;
    int64_t downloadSize_ = 0;
    int64_t uploadSize_ = 0;

    // The open connection: protocol, target and tunnel it was made for
    // (empty when none is known).
    std::string aliveKey_;
    // Per response.
    TTransfer transfer_ = TTransfer::ToClose;
    int64_t contentLength_ = -1;
    bool closeAfter_ = false;
    bool keepAliveHeader_ = false;
    bool httpVersion10_ = false;
    int64_t headBytes_ = 0;
    // Per request: the deadline (tick) and whether it applies.
    uint32_t start_ = 0;
    bool bounded_ = true;
};

}  // namespace net
