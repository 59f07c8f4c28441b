#include "core/soap_client.h"

#include "core/download.h"
#include "net/httpsend.h"
#include "runtime/strings.h"

namespace core {

namespace {

TSoapClient* windowClient = nullptr;

// An HTTP exchange of the client: its settings, and the answer's size kept
// under kMaxSoapAnswerSize while it arrives.
class TSoapExchange {
  public:
    explicit TSoapExchange(const TSoapClient& client) {
        http_.Timeout = client.Timeout;
        UseProxySettings(http_);
        http_.Sock().OnStatus = [this](net::TBlockSocket* sender, net::THookSocketReason reason,
                                       const std::string& value) {
            if (reason != net::THookSocketReason::HR_ReadCount) return;
            received_ += runtime::StrToInt64Def(value, 0);
            if (received_ > kMaxSoapAnswerSize) {
                tooLarge_ = true;
                sender->StopFlag = true;
            }
        };
    }

    net::THTTPSend& Http() { return http_; }

    // Runs the request; ESoapError when it fails.
    void Execute(const std::string& method, const std::string& url) {
        if (http_.ExecuteRequest(method, url)) return;
        if (tooLarge_) {
            throw ESoapError("The answer of " + url + " is larger than " +
                             std::to_string(kMaxSoapAnswerSize >> 20) + " MiB");
        }
        throw ESoapError("Unable to reach " + url + ": " + http_.LastErrorDesc());
    }

    [[nodiscard]] std::string Body() {
        runtime::TMemoryStream& document = http_.Document();
        if (document.Size() == 0) return {};
        return std::string(static_cast<const char*>(document.Memory()),
                           static_cast<size_t>(document.Size()));
    }

    [[nodiscard]] std::string Status() const {
        return "HTTP " + std::to_string(http_.ResultCode()) + " " + http_.ResultString();
    }

  private:
    net::THTTPSend http_;
    int64_t received_ = 0;
    bool tooLarge_ = false;
};

}  // namespace

TSoapValue TSoapClient::Invoke(const TSoapCall& call) {
    const std::string envelope = WriteSoapEnvelope(call);
    TSoapExchange exchange(*this);
    net::THTTPSend& http = exchange.Http();
    http.MimeType = "text/xml; charset=utf-8";
    http.Headers().Add("SOAPAction: \"" + SOAPAction + "\"");
    http.Document().WriteBuffer(envelope.data(), static_cast<int64_t>(envelope.size()));
    exchange.Execute("POST", URL);
    const std::string body = exchange.Body();
    if (http.ResultCode() == 200) return ReadSoapResponse(body);
    // Faults come with status 500; any other answer is the server's own.
    try {
        (void)ReadSoapResponse(body);
    } catch (const ESoapFault&) {
        throw;
    } catch (const ESoapError&) {
    }
    throw ESoapError("The service at " + URL + " answered " + exchange.Status());
}

std::string TSoapClient::Get(const std::string& url) {
    TSoapExchange exchange(*this);
    exchange.Execute("GET", url);
    if (exchange.Http().ResultCode() != 200) {
        throw ESoapError("Unable to read " + url + ": " + exchange.Status());
    }
    return exchange.Body();
}

void SetSoapClient(TSoapClient* client) {
    windowClient = client;
}

TSoapClient* SoapClient() {
    return windowClient;
}

}  // namespace core
