#pragma once

// The SOAP client of the search interface: posts a request envelope to its
// endpoint over the project's HTTP client, through the proxy of the
// settings like every fetch of the program, and reads the answer's
// envelope.
// The main window owns one and hands it to the core (SetSoapClient); the
// binding of the interface (core/google_search.h) sets its target.

#include <cstdint>
#include <string>

#include "core/soap_message.h"

namespace core {

// The longest answer the client reads, in bytes: a page of ten results is
// a few kilobytes, a cached page some hundreds.
inline constexpr int64_t kMaxSoapAnswerSize = 16 << 20;
// The HTTP client's wait for each step of a call, milliseconds.
inline constexpr int kDefaultSoapTimeout = 90000;

class TSoapClient {
  public:
    // Posts `call` to URL with the SOAPAction header and answers the return
    // value. ESoapFault for a fault the service answered (with any HTTP
    // status); ESoapError for a failed transport, an answer over
    // kMaxSoapAnswerSize, an HTTP status other than 200 without a fault,
    // and an answer that is no SOAP envelope.
    [[nodiscard]] TSoapValue Invoke(const TSoapCall& call);

    // The body of a GET of `url` (a service description); ESoapError when
    // the request fails or the status is not 200.
    [[nodiscard]] std::string Get(const std::string& url);

    // The endpoint, "http://" or "https://".
    std::string URL;
    // The SOAPAction header's value, without its quotes.
    std::string SOAPAction;
    int Timeout = kDefaultSoapTimeout;
};

// The SOAP client the window owns; nullptr when none is set (the SOAP road
// then makes one of its own for a check).
void SetSoapClient(TSoapClient* client);
[[nodiscard]] TSoapClient* SoapClient();

}  // namespace core
