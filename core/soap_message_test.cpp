#include "core/soap_message.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "runtime/strings.h"

namespace core {
namespace {

std::string Utf8(const std::u16string& text) {
    return runtime::WideToUtf8(text);
}

// The message of what `f` raised, with "fault:" before it for a fault.
std::string Failure(const std::function<void()>& f) {
    try {
        f();
    } catch (const ESoapFault& e) {
        return "fault:" + e.Message();
    } catch (const ESoapError& e) {
        return e.Message();
    }
    return "<nothing raised>";
}

TEST(SoapEnvelopeTest, RpcEncodedRequest) {
    const TSoapCall call{"urn:GoogleSearch",
                         "doGoogleSearch",
                         {{"key", TSoapType::String, u"abc"},
                          {"start", TSoapType::Int, u"10"},
                          {"filter", TSoapType::Boolean, u"true"},
                          {"lr", TSoapType::String, u""}}};
    EXPECT_EQ(WriteSoapEnvelope(call),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
              "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
              "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
              "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">"
              "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
              "<NS1:doGoogleSearch xmlns:NS1=\"urn:GoogleSearch\">"
              "<key xsi:type=\"xsd:string\">abc</key>"
              "<start xsi:type=\"xsd:int\">10</start>"
              "<filter xsi:type=\"xsd:boolean\">true</filter>"
              "<lr xsi:type=\"xsd:string\"></lr>"
              "</NS1:doGoogleSearch></SOAP-ENV:Body></SOAP-ENV:Envelope>");
}

// Keywords are escaped once: XML's specials as entities, everything beyond
// ASCII as numeric references, which the service reads as the characters.
TEST(SoapEnvelopeTest, TextIsEscapedOnceAndSentAsAscii) {
    struct Row {
        std::u16string keyword;
        std::string sent;
    };
    const Row rows[] = {
        {u"seo tools", "seo tools"},
        {u"caf\u00E9", "caf&#233;"},
        {u"\u041F\u0440\u0438\u0432\u0435\u0442", "&#1055;&#1088;&#1080;&#1074;&#1077;&#1090;"},
        {u"fish & chips <b>\"x\"", "fish &amp; chips &lt;b&gt;&quot;x&quot;"},
        // A reference the user typed is text, not a character.
        {u"&#233;", "&amp;#233;"},
        {u"\U0001F600", "&#128512;"},
        {u"a\r\nb\tc", "a&#13;\nb\tc"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8(row.keyword));
        const std::string envelope =
            WriteSoapEnvelope({"urn:x", "op", {{"q", TSoapType::String, row.keyword}}});
        const size_t start = envelope.find("<q xsi:type=\"xsd:string\">");
        ASSERT_NE(start, std::string::npos);
        const size_t from = start + std::string("<q xsi:type=\"xsd:string\">").size();
        EXPECT_EQ(envelope.substr(from, envelope.find("</q>") - from), row.sent);
        for (const char c : envelope) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    }
}

TEST(SoapEnvelopeTest, CharactersXmlCannotCarryAreRefused) {
    for (const std::u16string& bad : {std::u16string(u"a\u0001b"), std::u16string(u"x\xD800"),
                                      std::u16string(u"\xDC00"), std::u16string(u"\uFFFF")}) {
        const std::string failure = Failure([&] {
            (void)WriteSoapEnvelope({"urn:x", "op", {{"q", TSoapType::String, bad}}});
        });
        EXPECT_TRUE(failure.starts_with("The value of q cannot be sent: ")) << failure;
    }
}

std::string Envelope(const std::string& body,
                     const std::string& ns = "http://schemas.xmlsoap.org/soap/envelope/") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<soap:Envelope xmlns:soap=\"" +
           ns +
           "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:ns1=\"urn:GoogleSearch\">"
           "<soap:Body>" +
           body + "</soap:Body></soap:Envelope>";
}

std::string Response(const std::string& value, const std::string& multiRefs = {}) {
    return Envelope("<ns1:opResponse>" + value + "</ns1:opResponse>" + multiRefs);
}

TEST(SoapResponseTest, ReadsValuesInlineAndByReference) {
    const std::string inlineValue =
        "<return xsi:type=\"ns1:Pair\"><n xsi:type=\"xsd:int\">5</n>"
        "<s xsi:type=\"xsd:string\">x &amp; y \xC3\xA9</s><none xsi:nil=\"true\">ignored</none>"
        "<old xsi:null=\"1\"/><list><item>a</item><item><![CDATA[<b>]]></item></list></return>";
    const std::string referred =
        "<multiRef id=\"id0\" xsi:type=\"ns1:Pair\"><n xsi:type=\"xsd:int\">5</n>"
        "<s>x &amp; y \xC3\xA9</s><none xsi:nil=\"true\"/><old xsi:null=\"1\"/>"
        "<list href=\"#id1\"/></multiRef>"
        "<multiRef id=\"id1\"><item>a</item><item href=\"#id2\"/></multiRef>"
        "<multiRef id=\"id2\"><![CDATA[<b>]]></multiRef>";
    for (const std::string& answer :
         {Response(inlineValue), Response("<return href=\"#id0\"/>", referred)}) {
        SCOPED_TRACE(answer);
        const TSoapValue value = ReadSoapResponse(answer);
        EXPECT_EQ(value.Name, u"return");
        EXPECT_EQ(value.Type, u"Pair");
        ASSERT_EQ(value.Children.size(), 5u);
        EXPECT_EQ(value.Member(u"n")->AsInt(), 5);
        EXPECT_EQ(value.Member(u"s")->Text, u"x & y \u00E9");
        EXPECT_TRUE(value.Member(u"none")->Nil);
        EXPECT_EQ(value.Member(u"none")->Text, u"");
        EXPECT_TRUE(value.Member(u"old")->Nil);
        const TSoapValue* list = value.Member(u"list");
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->Children.size(), 2u);
        EXPECT_EQ(list->Children[0].Text, u"a");
        EXPECT_EQ(list->Children[1].Name, u"item");
        EXPECT_EQ(list->Children[1].Text, u"<b>");
        EXPECT_EQ(value.Member(u"missing"), nullptr);
    }
}

TEST(SoapResponseTest, FaultsAndBrokenAnswers) {
    std::string chain;  // each level refers twice to the next: 2^20 values
    for (int i = 0; i < 20; ++i) {
        chain += "<multiRef id=\"c" + std::to_string(i) + "\"><a href=\"#c" +
                 std::to_string(i + 1) + "\"/><b href=\"#c" + std::to_string(i + 1) +
                 "\"/></multiRef>";
    }
    chain += "<multiRef id=\"c20\">leaf</multiRef>";
    std::string deep;
    for (int i = 0; i < 70; ++i) deep += "<d>";
    for (int i = 0; i < 70; ++i) deep += "</d>";

    struct Row {
        const char* what;
        std::string answer;
        std::string failure;  // "fault:" and its message, or the start of the error's
    };
    const Row rows[] = {
        {"fault",
         Envelope("<soap:Fault><faultcode>soap:Server</faultcode><faultstring>Exception from "
                  "service object: Daily limit of 1000 queries exceeded</faultstring>"
                  "<detail><trace>at x</trace></detail></soap:Fault>"),
         "fault:Exception from service object: Daily limit of 1000 queries exceeded"},
        {"fault without a reason",
         Envelope("<soap:Fault><faultcode>soap:Client</faultcode>"
                  "</soap:Fault>"),
         "fault:The service answered a fault without a reason"},
        {"no XML", "<html><body>Busy", "The answer is no readable XML: "},
        {"not even a tag", "Service Unavailable", "The answer is no SOAP 1.1 envelope"},
        {"nothing", "", "The answer is no SOAP 1.1 envelope"},
        {"SOAP 1.2",
         Envelope("<r><return>1</return></r>", "http://www.w3.org/2003/05/soap-envelope"),
         "The answer is no SOAP 1.1 envelope"},
        {"no envelope", "<?xml version=\"1.0\"?><html><body/></html>",
         "The answer is no SOAP 1.1 envelope"},
        {"no body",
         "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<soap:Header/></soap:Envelope>",
         "The answer's envelope has no Body"},
        {"empty body", Envelope(""), "The answer's Body is empty"},
        {"no return value", Envelope("<ns1:opResponse/>"), "The answer holds no return value"},
        {"missing reference", Response("<return href=\"#nope\"/>"),
         "The answer refers to a value it does not hold: #nope"},
        {"reference to itself",
         Response("<return href=\"#loop\"/>",
                  "<multiRef id=\"loop\"><x href=\"#loop\"/></multiRef>"),
         "The answer nests its values too deeply"},
        {"references that multiply", Response("<return href=\"#c0\"/>", chain),
         "The answer holds too many values"},
        {"deep nesting", Response("<return>" + deep + "</return>"),
         "The answer nests its values too deeply"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string failure = Failure([&] { (void)ReadSoapResponse(row.answer); });
        EXPECT_TRUE(failure.starts_with(row.failure)) << failure;
    }

    try {
        (void)ReadSoapResponse(rows[0].answer);
        FAIL();
    } catch (const ESoapFault& e) {
        EXPECT_EQ(e.FaultCode, "soap:Server");
        EXPECT_EQ(e.Detail, "at x");
        EXPECT_STREQ(e.ClassName(), "ESoapFault");
    }
}

TEST(SoapResponseTest, AnswersInOtherEncodings) {
    // ISO-8859-1 as declared, and UTF-8 without a declaration.
    const std::string latin1 =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
        "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><r>"
        "<return>caf\xE9</return></r></e:Body></e:Envelope>";
    EXPECT_EQ(ReadSoapResponse(latin1).Text, u"caf\u00E9");
    const std::string bare =
        "<Envelope xmlns=\"http://schemas.xmlsoap.org/soap/envelope/\"><Body><r>"
        "<return>\xD0\x9F</return></r></Body></Envelope>";
    EXPECT_EQ(ReadSoapResponse(bare).Text, u"\u041F");
}

TEST(SoapValueTest, TextsReadAsTheirTypes) {
    struct IntRow {
        std::u16string text;
        bool ok;
        int32_t value;
    };
    const IntRow ints[] = {
        {u"42", true, 42},
        {u" -7 ", true, -7},
        {u"+3", true, 3},
        {u"2147483647", true, 2147483647},
        {u"-2147483648", true, -2147483647 - 1},
        {u"2147483648", false, 0},
        {u"99999999999999999999", false, 0},
        {u"4x", false, 0},
        {u"", false, 0},
        {u"-", false, 0},
    };
    for (const IntRow& row : ints) {
        SCOPED_TRACE(Utf8(row.text));
        TSoapValue value{u"n", u"int", false, row.text, {}};
        if (row.ok) {
            EXPECT_EQ(value.AsInt(), row.value);
        } else {
            EXPECT_TRUE(Failure([&] { (void)value.AsInt(); }).ends_with("is no integer: n"));
        }
    }
    struct BoolRow {
        std::u16string text;
        bool ok, value;
    };
    const BoolRow bools[] = {{u"true", true, true},     {u"1", true, true},
                             {u" false ", true, false}, {u"0", true, false},
                             {u"yes", false, false},    {u"TRUE", false, false}};
    for (const BoolRow& row : bools) {
        SCOPED_TRACE(Utf8(row.text));
        TSoapValue value{u"b", u"boolean", false, row.text, {}};
        if (row.ok) {
            EXPECT_EQ(value.AsBoolean(), row.value);
        } else {
            EXPECT_TRUE(Failure([&] { (void)value.AsBoolean(); }).ends_with("is no Boolean: b"));
        }
    }
    EXPECT_DOUBLE_EQ((TSoapValue{u"t", u"", false, u"0.125", {}}.AsDouble()), 0.125);
    EXPECT_TRUE(Failure([] {
                    (void)TSoapValue{u"t", u"", false, u"fast", {}}.AsDouble();
                }).ends_with("is no number: t"));
    EXPECT_EQ((TSoapValue{u"p", u"", false, u"aGVs\r\nbG8=", {}}.AsBase64()), "hello");
    // Nil reads as nothing, whatever the text.
    const TSoapValue nil{u"x", u"", true, u"junk", {}};
    EXPECT_EQ(nil.AsInt(), 0);
    EXPECT_FALSE(nil.AsBoolean());
    EXPECT_EQ(nil.AsDouble(), 0);
    EXPECT_EQ(nil.AsBase64(), "");
}

TEST(WsdlTest, AddressOfTheNamedPortOfTheNamedService) {
    const std::string wsdl =
        "<?xml version=\"1.0\"?><definitions xmlns=\"http://schemas.xmlsoap.org/wsdl/\" "
        "xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\">"
        "<service name=\"Other\"><port name=\"P\"><soap:address location=\"http://a/\"/></port>"
        "</service><service name=\"S\"><port name=\"Q\"><soap:address location=\"http://b/\"/>"
        "</port><port name=\"P\"><soap:address location=\"http://c/search\"/></port></service>"
        "</definitions>";
    EXPECT_EQ(ReadWsdlAddress(wsdl, u"S", u"P"), "http://c/search");
    EXPECT_EQ(ReadWsdlAddress(wsdl, u"Other", u"P"), "http://a/");
    for (const auto& [service, port] :
         {std::pair<std::u16string, std::u16string>{u"S", u"R"}, {u"T", u"P"}}) {
        EXPECT_TRUE(Failure([&] {
                        (void)ReadWsdlAddress(wsdl, service, port);
                    }).starts_with("The service description gives no address for the port "));
    }
    EXPECT_TRUE(Failure([] {
                    (void)ReadWsdlAddress("<oops", u"S", u"P");
                }).starts_with("The service description is no readable XML: "));
}

}  // namespace
}  // namespace core
