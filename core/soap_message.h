#pragma once

// The SOAP 1.1 documents of the search interface's client: rpc/encoded
// request envelopes, response envelopes read into a small tree of values
// (faults raised as ESoapFault), and the endpoint address a WSDL document
// gives a port. The XML library does the parsing; the request is written
// here as text, so that every string is escaped exactly once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/exceptions.h"

namespace core {

// A SOAP call that failed: the transport, an answer that is no SOAP 1.1
// envelope, a value that does not fit the binding.
class ESoapError : public runtime::Exception {
  public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "ESoapError"; }
};

// A fault the service answered; the message is its faultstring.
class ESoapFault : public ESoapError {
  public:
    ESoapFault(std::string message, std::string faultCode, std::string faultActor,
               std::string detail)
        : ESoapError(std::move(message)),
          FaultCode(std::move(faultCode)),
          FaultActor(std::move(faultActor)),
          Detail(std::move(detail)) {}
    const char* ClassName() const noexcept override { return "ESoapFault"; }

    std::string FaultCode;
    std::string FaultActor;
    std::string Detail;  // the detail element's text
};

// Caps on what an answer can make the reader build.
// Values (elements) made from one answer, references followed included: a
// value referred to many times is copied each time.
inline constexpr int kMaxSoapValues = 100000;
// Values nested in one another, references followed included; it also ends
// a chain of references that comes back to itself.
inline constexpr int kMaxSoapValueDepth = 64;

inline constexpr std::string_view kSoapEnvelopeNamespace =
    "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view kSoapEncodingNamespace =
    "http://schemas.xmlsoap.org/soap/encoding/";

// The XML Schema types of the arguments the binding sends.
enum class TSoapType { String, Int, Boolean };

struct TSoapArgument {
    std::string_view Name;
    TSoapType Type;
    std::u16string Value;  // as text: "10", "true"
};

// One operation's request.
struct TSoapCall {
    std::string_view Namespace;  // of the operation's element
    std::string_view Operation;
    std::vector<TSoapArgument> Arguments;
};

// The request envelope as UTF-8 bytes, all of them ASCII: XML's special
// characters become entities and characters from U+0080 on numeric
// character references. ESoapError when an argument holds a character that
// XML cannot carry (a control character, an unpaired surrogate).
[[nodiscard]] std::string WriteSoapEnvelope(const TSoapCall& call);

// One value of an answer: an element with its local name, the local part of
// its xsi:type and either its text or its child elements (the members of a
// structure, the items of an array). A reference (href="#id") is replaced
// by a copy of the value it names, under the referring element's name.
struct TSoapValue {
    std::u16string Name;
    std::u16string Type;
    bool Nil = false;  // xsi:nil or xsi:null
    std::u16string Text;
    std::vector<TSoapValue> Children;

    // The first child of that name; nullptr when there is none.
    [[nodiscard]] const TSoapValue* Member(std::u16string_view name) const;

    // The text read as a value of the type; a nil value reads as empty, 0
    // or false. ESoapError for text that is no value of the type.
    [[nodiscard]] int32_t AsInt() const;
    [[nodiscard]] bool AsBoolean() const;
    [[nodiscard]] double AsDouble() const;
    // The bytes of xsd:base64Binary text (white space ignored).
    [[nodiscard]] std::string AsBase64() const;
};

// Reads a response envelope (any encoding the XML reader knows; UTF-8
// without a declaration) and answers the return value of the rpc response:
// the first child element of the Body's first element. ESoapFault when the
// Body holds a Fault; ESoapError when the bytes are no SOAP 1.1 envelope,
// hold no return value or pass a cap above.
[[nodiscard]] TSoapValue ReadSoapResponse(std::string_view bytes);

// The endpoint address that a WSDL document gives `port` of `service` (the
// location of its soap:address); ESoapError when it gives none.
[[nodiscard]] std::string ReadWsdlAddress(std::string_view bytes, std::u16string_view service,
                                          std::u16string_view port);

}  // namespace core
