#include "core/soap_message.h"

#include <limits>
#include <map>

#include "core/text_helpers.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/document.h"
#include "xml/values.h"

namespace core {

namespace {

using xml::IXmlNode;
using xml::Ref;

constexpr std::string_view kEnvelopeHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">"
    "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">";
constexpr std::string_view kEnvelopeTail = "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

constexpr std::string_view XsdTypeName(TSoapType type) {
    switch (type) {
        case TSoapType::Int:
            return "xsd:int";
        case TSoapType::Boolean:
            return "xsd:boolean";
        case TSoapType::String:
            break;
    }
    return "xsd:string";
}

// `text` escaped once for element content, as ASCII: the XML specials as
// entities, then everything from U+0080 on as a numeric reference.
void AppendText(std::string& out, std::u16string_view text, std::string_view name) {
    std::u16string escaped;
    try {
        escaped = xml::XmlEscapeText(text);
    } catch (const runtime::Exception& e) {
        throw ESoapError("The value of " + std::string(name) + " cannot be sent: " + e.Message());
    }
    EncodeNumericEntities(escaped);
    for (const char16_t c : escaped) out += static_cast<char>(c);
}

// ---- reading -----------------------------------------------------------------------

std::u16string_view LocalName(std::u16string_view qualified) {
    const size_t colon = qualified.find(u':');
    return colon == std::u16string_view::npos ? qualified : qualified.substr(colon + 1);
}

std::u16string_view Prefix(std::u16string_view qualified) {
    const size_t colon = qualified.find(u':');
    return colon == std::u16string_view::npos ? std::u16string_view() : qualified.substr(0, colon);
}

// The child elements of a node, in order.
std::vector<Ref<IXmlNode>> ChildElements(IXmlNode& node) {
    std::vector<Ref<IXmlNode>> elements;
    Ref<xml::IXmlNodeList> children = node.ChildNodes();
    if (!children) return elements;
    for (int i = 0; i < children->Count(); ++i) {
        Ref<IXmlNode> child = children->Item(i);
        if (child && child->NodeType() == xml::ntElement) elements.push_back(std::move(child));
    }
    return elements;
}

Ref<IXmlNode> FirstChildElement(IXmlNode& node, std::u16string_view localName = {}) {
    for (Ref<IXmlNode>& child : ChildElements(node)) {
        if (localName.empty() || LocalName(child->NodeName()) == localName) return child;
    }
    return nullptr;
}

// The value of the attribute whose name has that local part and some
// prefix ("xsi:type", "SOAP-ENC:arrayType"); empty when there is none.
std::u16string PrefixedAttr(const IXmlNode& node, std::u16string_view localName) {
    for (int i = 0; i < node.AttrCount(); ++i) {
        const std::u16string name = node.AttrName(i);
        if (!Prefix(name).empty() && LocalName(name) == localName) return node.GetAttr(name);
    }
    return {};
}

bool IsTrueText(std::u16string_view text) {
    const std::u16string trimmed = runtime::WideTrim(text);
    return trimmed == u"true" || trimmed == u"1";
}

std::string Narrow(std::u16string_view text) {
    return runtime::WideToAnsi(text);
}

// Turns the elements of a Body into values, following references.
class TValueReader {
  public:
    explicit TValueReader(IXmlNode& body) { IndexIds(body); }

    TSoapValue Read(IXmlNode& node, int depth) {
        if (depth >= kMaxSoapValueDepth) throw ESoapError("The answer nests its values too deeply");
        if (++made_ > kMaxSoapValues) throw ESoapError("The answer holds too many values");
        TSoapValue value;
        value.Name = LocalName(node.NodeName());
        const std::u16string href = node.GetAttr(u"href");
        if (!href.empty()) {
            const auto found = ids_.find(href.starts_with(u'#') ? href.substr(1) : href);
            if (found == ids_.end()) {
                throw ESoapError("The answer refers to a value it does not hold: " + Narrow(href));
            }
            // The referred value counts as one level deeper, so a chain
            // that comes back to itself ends at the depth cap.
            TSoapValue referred = Read(*found->second, depth + 1);
            referred.Name = std::move(value.Name);
            return referred;
        }
        value.Type = LocalName(PrefixedAttr(node, u"type"));
        value.Nil =
            IsTrueText(PrefixedAttr(node, u"nil")) || IsTrueText(PrefixedAttr(node, u"null"));
        std::vector<Ref<IXmlNode>> children = ChildElements(node);
        if (children.empty()) {
            if (!value.Nil) value.Text = node.Text();
            return value;
        }
        value.Children.reserve(children.size());
        for (Ref<IXmlNode>& child : children) value.Children.push_back(Read(*child, depth + 1));
        return value;
    }

  private:
    // Every element with an id, wherever it is (the first of an id wins).
    // The XML reader bounds the nesting, and so this recursion.
    void IndexIds(IXmlNode& node) {
        for (Ref<IXmlNode>& child : ChildElements(node)) {
            const std::u16string id = child->GetAttr(u"id");
            if (!id.empty()) ids_.emplace(id, child);
            IndexIds(*child);
        }
    }

    std::map<std::u16string, Ref<IXmlNode>> ids_;
    int made_ = 0;
};

// The namespace a prefix of the root element stands for, from the root's
// own declarations.
std::u16string RootNamespace(const IXmlNode& root) {
    const std::u16string name = root.NodeName();
    const std::u16string_view prefix = Prefix(name);
    return root.GetAttr(prefix.empty() ? std::u16string(u"xmlns")
                                       : u"xmlns:" + std::u16string(prefix));
}

Ref<xml::IXmlDocument> ParseDocument(std::string_view bytes, const char* what) {
    Ref<xml::IXmlDocument> document =
        xml::CreateXmlDocument(u"", "1.0", "UTF-8", xml::CreateNameTable(64));
    try {
        runtime::TStringStream stream{std::string(bytes)};
        document->Load(stream);
    } catch (const runtime::Exception& e) {
        throw ESoapError(std::string(what) + " is no readable XML: " + e.Message());
    }
    return document;
}

[[noreturn]] void RaiseFault(IXmlNode& fault) {
    auto part = [&fault](std::u16string_view name) {
        Ref<IXmlNode> element = FirstChildElement(fault, name);
        return element ? runtime::WideTrim(element->Text()) : std::u16string();
    };
    std::string message = Narrow(part(u"faultstring"));
    if (message.empty()) message = "The service answered a fault without a reason";
    throw ESoapFault(std::move(message), Narrow(part(u"faultcode")), Narrow(part(u"faultactor")),
                     Narrow(part(u"detail")));
}

}  // namespace

// ---- writing -----------------------------------------------------------------------

std::string WriteSoapEnvelope(const TSoapCall& call) {
    std::string out(kEnvelopeHead);
    out += "<NS1:";
    out += call.Operation;
    out += " xmlns:NS1=\"";
    out += call.Namespace;
    out += "\">";
    for (const TSoapArgument& argument : call.Arguments) {
        out += '<';
        out += argument.Name;
        out += " xsi:type=\"";
        out += XsdTypeName(argument.Type);
        out += "\">";
        AppendText(out, argument.Value, argument.Name);
        out += "</";
        out += argument.Name;
        out += '>';
    }
    out += "</NS1:";
    out += call.Operation;
    out += '>';
    out += kEnvelopeTail;
    return out;
}

// ---- values ------------------------------------------------------------------------

const TSoapValue* TSoapValue::Member(std::u16string_view name) const {
    for (const TSoapValue& child : Children) {
        if (child.Name == name) return &child;
    }
    return nullptr;
}

int32_t TSoapValue::AsInt() const {
    if (Nil) return 0;
    const std::u16string text = runtime::WideTrim(Text);
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == u'-';
    if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) ++i;
    if (i == text.size()) throw ESoapError("'" + Narrow(Text) + "' is no integer: " + Narrow(Name));
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9' ||
            (value = value * 10 + (text[i] - u'0')) > int64_t{1} << 31) {
            throw ESoapError("'" + Narrow(Text) + "' is no integer: " + Narrow(Name));
        }
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) {
        throw ESoapError("'" + Narrow(Text) + "' is no integer: " + Narrow(Name));
    }
    return static_cast<int32_t>(value);
}

bool TSoapValue::AsBoolean() const {
    if (Nil) return false;
    const std::u16string text = runtime::WideTrim(Text);
    if (text == u"true" || text == u"1") return true;
    if (text == u"false" || text == u"0") return false;
    throw ESoapError("'" + Narrow(Text) + "' is no Boolean: " + Narrow(Name));
}

double TSoapValue::AsDouble() const {
    if (Nil) return 0;
    double value = 0;
    if (!xml::TryXmlStrToFloat(runtime::WideTrim(Text), value)) {
        throw ESoapError("'" + Narrow(Text) + "' is no number: " + Narrow(Name));
    }
    return value;
}

std::string TSoapValue::AsBase64() const {
    if (Nil) return {};
    return xml::Base64ToBin(Narrow(Text));
}

// ---- reading -----------------------------------------------------------------------

TSoapValue ReadSoapResponse(std::string_view bytes) {
    Ref<xml::IXmlDocument> document = ParseDocument(bytes, "The answer");
    Ref<IXmlNode> envelope = FirstChildElement(*document);
    if (!envelope || LocalName(envelope->NodeName()) != u"Envelope" ||
        RootNamespace(*envelope) != runtime::AnsiToWide(kSoapEnvelopeNamespace)) {
        throw ESoapError("The answer is no SOAP 1.1 envelope");
    }
    Ref<IXmlNode> body = FirstChildElement(*envelope, u"Body");
    if (!body) throw ESoapError("The answer's envelope has no Body");
    Ref<IXmlNode> response = FirstChildElement(*body);
    if (!response) throw ESoapError("The answer's Body is empty");
    if (LocalName(response->NodeName()) == u"Fault") RaiseFault(*response);
    Ref<IXmlNode> result = FirstChildElement(*response);
    if (!result) throw ESoapError("The answer holds no return value");
    TValueReader reader(*body);
    return reader.Read(*result, 0);
}

std::string ReadWsdlAddress(std::string_view bytes, std::u16string_view service,
                            std::u16string_view port) {
    Ref<xml::IXmlDocument> document = ParseDocument(bytes, "The service description");
    Ref<IXmlNode> definitions = FirstChildElement(*document, u"definitions");
    if (definitions) {
        for (Ref<IXmlNode>& serviceNode : ChildElements(*definitions)) {
            if (LocalName(serviceNode->NodeName()) != u"service" ||
                serviceNode->GetAttr(u"name") != service) {
                continue;
            }
            for (Ref<IXmlNode>& portNode : ChildElements(*serviceNode)) {
                if (LocalName(portNode->NodeName()) != u"port" ||
                    portNode->GetAttr(u"name") != port) {
                    continue;
                }
                Ref<IXmlNode> address = FirstChildElement(*portNode, u"address");
                if (address && !address->GetAttr(u"location").empty()) {
                    return Narrow(address->GetAttr(u"location"));
                }
            }
        }
    }
    throw ESoapError("The service description gives no address for the port " + Narrow(port) +
                     " of " + Narrow(service));
}

}  // namespace core
