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
// Timeout bounds each wait of a request: the name lookup, the connect, the
// TLS handshake, each wait for room to send and each wait for the next
// bytes of the answer; so a long download that keeps arriving never times
// out. RequestTimeout, when set, bounds the whole request besides. Setting
// Sock().StopFlag from another thread ends a request within
// kStopCheckInterval; a stop set while no request runs is dropped when the
// next one starts.
//
// A failed request says why in LastError and LastErrorDesc: the socket's
// error number and text for a transport failure (10060 time-out, 10053
// stop, 10091 TLS, with the TLS reason added), or one of the kHttpE codes
// below for a request or an answer the client refuses. A request that
// succeeds clears both.

#include <cstdint>
#include <memory>
#include <string>

#include "net/tcpblocksocket.h"
#include "runtime/object.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"

namespace net {

// Failures of the HTTP exchange itself (transport failures keep the socket's
// numbers).
enum : int {
    // A request field holds a line end or a NUL, or a port is outside
    // 1..65535: the request is not sent.
    kHttpEBadRequest = 20001,
    // The answer breaks the protocol: an unreadable chunk size, chunk data
    // without its line end.
    kHttpEBadResponse = 20002,
    // The answer goes beyond a cap of net/limits.h: a head line or the
    // head, interim answers, empty lines, the body.
    kHttpETooLarge = 20003,
};

// The common base of protocol clients.
class TSynaClient : public runtime::TObject {
  public:
    std::string TargetHost = "127.0.0.1";
    std::string TargetPort = "0";
    // Local address to bind.
    std::string IPInterface = "0.0.0.0";
    // Milliseconds each wait may take; -1 waits without limit.
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
    // "name=value" lines, oldest first, sent with every request and updated
    // from every response (net/cookies.h): bounded, expired ones dropped.
    runtime::TStringList& Cookies() const { return *cookies_; }
    // The request body before, the response body after.
    runtime::TMemoryStream& Document() const;

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
    // Milliseconds the whole request may take; -1: no bound but Timeout's
    // on each wait.
    int RequestTimeout = -1;

    int ResultCode() const { return resultCode_; }
    const std::string& ResultString() const { return resultString_; }
    int64_t DownloadSize() const { return downloadSize_; }
    int64_t UploadSize() const { return uploadSize_; }
    // Why the last request failed; 0 and empty after one that succeeded.
    int LastError() const { return lastError_; }
    const std::string& LastErrorDesc() const { return lastErrorDesc_; }

    // Empties Document and Headers, resets the range and MimeType; leaves
    // Cookies, ResultCode and the connection alone.
    void Clear();
    // True when the request was sent and the whole response read. A status
    // other than 2xx is no failure; a refused request field, a connection,
    // TLS, send or read error, a time-out, a stop, a malformed or oversized
    // response head, an unreadable chunk size and a body cut short are.
    [[nodiscard]] bool ExecuteRequest(const std::string& method, const std::string& url);

  private:
    struct TRequest;
    class TDocument;
    enum class TTransfer { ToClose, Sized, Chunked };

    void ParseStatusLine(const std::string& line);
    std::string ComposeHeaders() const;
    void ParseCookies();
    // The request itself; ExecuteRequest records the outcome.
    [[nodiscard]] bool Run(const std::string& method, const std::string& url);
    // Records why the request fails (the first reason stands); false.
    bool Fail(int code, std::string desc);
    // False with the reason recorded when a request field could write
    // lines of its own or a port is out of range.
    [[nodiscard]] bool CheckRequestFields(const std::string& method, const std::string& url,
                                          const TRequest& request);
    [[nodiscard]] bool Connect(const TRequest& request);
    [[nodiscard]] bool SendRequest(const TRequest& request);
    // Reads one line of a response head within its caps.
    [[nodiscard]] bool ReadHeadLine(std::string& line);
    // Reads the first non-empty line of a response head or a chunk size.
    [[nodiscard]] bool ReadFirstLine(std::string& line, const char* before);
    // Reads header lines up to the empty one, interpreting them.
    [[nodiscard]] bool ReadHeaderLines();
    [[nodiscard]] bool ReadHead(bool continueMode, bool& bodySent);
    [[nodiscard]] bool ReadToClose();
    [[nodiscard]] bool ReadSized(int64_t size);
    [[nodiscard]] bool ReadChunked();
    // Receives up to `want` bytes into the document, waiting for all of
    // them (the socket's error tells how it ended); false when the body
    // cannot grow. `announced`: the bytes known to be still to come.
    [[nodiscard]] bool ReceiveInto(int64_t want, int64_t announced);
    // Receives `size` bytes into the document; `wholeBody`: they are all
    // that is to come (a sized body), not one chunk of many.
    [[nodiscard]] bool AppendBody(int64_t size, bool wholeBody);
    void Disconnect();

    std::unique_ptr<runtime::TStringList> headers_;
    std::unique_ptr<runtime::TStringList> cookies_;
    std::unique_ptr<TDocument> document_;
    std::unique_ptr<TTCPBlockSocket> sock_;

    int resultCode_ = 0;
    std::string resultString_;
    int64_t downloadSize_ = 0;
    int64_t uploadSize_ = 0;
    int lastError_ = 0;
    std::string lastErrorDesc_;

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
};

}  // namespace net
