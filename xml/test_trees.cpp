#include "xml/test_trees.h"

#include <cstdio>

#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "xml/values.h"

namespace xml::testing {

namespace {

std::string ValueText(const Variant& value, DumpMode mode) {
    std::string text = Printable(XmlVarToStr(value));
    if (mode == DumpMode::Text) return text;
    char code[16];
    std::snprintf(code, sizeof code, "%X:", value.Type());
    return code + text;
}

void DumpAttrs(IXmlNode& node, DumpMode mode, std::string& out) {
    if (node.AttrCount() == 0) return;
    out += " {";
    for (int i = 0; i < node.AttrCount(); ++i) {
        if (i > 0) out += ' ';
        out += Printable(node.AttrName(i)) + '=' +
               ValueText(node.GetVarAttr(node.AttrNameID(i), Variant()), mode);
    }
    out += '}';
}

void Dump(IXmlNode& node, DumpMode mode, int depth, std::string& out) {
    std::string indent(static_cast<size_t>(depth) * 2, ' ');
    Ref<IXmlNodeList> children = node.ChildNodes();
    switch (node.NodeType()) {
        case ntElement: {
            out += indent + "E " + Printable(node.NodeName());
            DumpAttrs(node, mode, out);
            if (children->Count() == 0) {
                Variant value = node.TypedValue();
                bool noValue =
                    node.DataType() == runtime::varOleStr && value.Type() == runtime::varString;
                if (mode == DumpMode::Typed && !noValue) out += " = " + ValueText(value, mode);
                out += '\n';
                if (mode == DumpMode::Text && !node.Text().empty())
                    out += indent + "  T " + Printable(node.Text()) + '\n';
            } else {
                out += '\n';
            }
            break;
        }
        case ntText:
            out += indent + "T " +
                   (mode == DumpMode::Typed ? ValueText(node.TypedValue(), mode)
                                            : Printable(node.Text())) +
                   '\n';
            break;
        case ntCDATASection:
            out += indent + "D " + Printable(node.Text()) + '\n';
            break;
        case ntComment:
            out += indent + "C " + Printable(node.Text()) + '\n';
            break;
        case ntProcessingInstruction:
            // As text, a declaration read back holds attributes where the
            // one written held data: both give the same XML.
            if (mode == DumpMode::Text) {
                out += indent + "P " + Printable(node.XML()) + '\n';
                break;
            }
            out += indent + "P " + Printable(node.NodeName()) + ' ' + Printable(node.Text());
            DumpAttrs(node, mode, out);
            out += '\n';
            break;
        case ntDocument:
            out += indent + "#document\n";
            break;
    }
    for (int i = 0; i < children->Count(); ++i) Dump(*children->Item(i), mode, depth + 1, out);
}

}  // namespace

std::string Printable(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(c));
            out += code;
        }
    }
    return out;
}

std::string DumpTree(IXmlNode& node, DumpMode mode) {
    std::string out;
    Dump(node, mode, 0, out);
    return out;
}

Ref<IXmlDocument> BuildPortableDocument() {
    Ref<IXmlDocument> doc = CreateXmlDocument(u"", "1.0", "UTF-16", CreateNameTable(64));
    Ref<IXmlElement> root = doc->NewDocument("1.0", "UTF-16", u"catalog");
    root->SetAttr(u"title", u"Fish & \"Chips\" <cheap> it's");
    root->SetAttr(u"lines", u"tab\there");
    root->AppendText(u"\n  ");
    root->AppendComment(u" prices in euro ");

    Ref<IXmlElement> item = root->AppendElement(u"item");
    item->SetIntAttr(u"id", 7);
    item->SetFloatAttr(u"price", 2.5);
    item->SetBoolAttr(u"stock", true);
    item->SetVarAttr(u"added", Variant::FromDate(runtime::EncodeDate(2024, 3, 5) +
                                                 runtime::EncodeTime(15, 7, 9, 0)));
    item->SetVarAttr(u"big", Variant(int64_t{1} << 40));
    item->SetVarAttr(u"cost", Variant::FromCurrency(123450));
    item->SetVarAttr(u"ansi", Variant(std::string("caf\xE9")));
    item->SetHexAttr(u"mask", 0xBEEF, 8);
    item->AppendText(u"Gr\u00FC\u00DFe \u0416 \U0001F600 a<b>c & d \"q\" 'a'");

    Ref<IXmlElement> notes = root->AppendElement(u"notes");
    notes->ReplaceTextByCDATASection(u"<raw> & ]]> stays");
    notes->AppendElement(u"empty");
    Ref<IXmlElement> typed = notes->AppendElement(u"typed");
    typed->SetTypedValue(Variant(0.1));
    Ref<IXmlElement> blob = notes->AppendElement(u"blob");
    const char bytes[] = {'\0', '\x01', '\x7F', '\x80', '\xFF', 'x'};
    blob->ReplaceTextByBinaryData(bytes, sizeof bytes, 0);

    root->AppendProcessingInstruction(u"render", "mode=\"fast\"");
    Ref<IXmlElement> multi = root->AppendElement(u"multi-line_name.x");
    multi->SetAttr(u"crlf", u"line1\r\nline2");
    multi->SetText(u"first\nsecond\r\nthird");
    root->AppendText(u"\n");
    return doc;
}

std::string ErrorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const runtime::Exception& e) {
        return e.Message();
    }
    return "";
}

Ref<IXmlDocument> BuildRichDocument() {
    Ref<IXmlDocument> doc = BuildPortableDocument();
    Ref<IXmlElement> root = doc->DocumentElement();
    Ref<IXmlElement> odd = root->AppendElement(u"odd");
    odd->SetAttr(u"ctl", std::u16string(u"a\x01z\x1F", 4) + std::u16string(1, u'\0') + u"end");
    odd->AppendText(std::u16string(u"nul[", 4) + std::u16string(1, u'\0') + u"] bell[\x07]");
    odd->AppendComment(u"a -- b -");
    odd->AppendProcessingInstruction(u"php", "  echo 1; ");
    odd->SetVarAttr(u"null", Variant::Null());
    return doc;
}

Ref<IXmlDocument> BuildProjectDocument(int sites, int keywords, int links) {
    Ref<IXmlDocument> doc = CreateXmlDocument(u"", "1.0", "UTF-16", CreateNameTable(256));
    Ref<IXmlElement> root = doc->NewDocument("1.0", "UTF-16", u"Project");
    Ref<IXmlElement> siteList = root->AppendElement(u"Sites");
    for (int s = 0; s < sites; ++s) {
        std::u16string n = runtime::AnsiToWide(runtime::IntToStr(s));
        Ref<IXmlElement> site = siteList->AppendElement(u"Site" + n);
        site->SetAttr(u"URL", u"www.example" + n + u".com");
        site->SetAttr(u"Notes", u"Notes for site " + n + u"\r\nsecond line");
        Ref<IXmlElement> keywordList = site->AppendElement(u"Keywords");
        for (int k = 0; k < keywords; ++k) {
            std::u16string kn = runtime::AnsiToWide(runtime::IntToStr(k));
            Ref<IXmlElement> keyword = keywordList->AppendElement(u"Keyword" + kn);
            keyword->SetAttr(u"Name", u"keyword \u00E9 " + kn);
            keyword->SetIntAttr(u"Position", k + 1);
            keyword->SetIntAttr(u"LastPosition", k + 2);
            keyword->SetIntAttr(u"Best", 1);
            keyword->SetBoolAttr(u"Active", k % 2 == 0);
            keyword->SetFloatAttr(u"Date", 45356.0 + k);
            Ref<IXmlElement> linkList = keyword->AppendElement(u"Links");
            for (int l = 0; l < links; ++l) {
                std::u16string ln = runtime::AnsiToWide(runtime::IntToStr(l));
                Ref<IXmlElement> link = linkList->AppendElement(u"Link" + ln);
                link->SetAttr(u"Name",
                              u"http://result" + ln + u".example.org/page?q=" + kn + u"&x=1");
                link->SetAttr(u"Title", u"Result title " + ln);
                link->SetAttr(u"Description", u"A description <b>" + ln + u"</b>");
                link->SetIntAttr(u"Position", l + 1);
                link->SetIntAttr(u"Page", l / 10 + 1);
                link->SetFloatAttr(u"Cost", 0.25 * l);
            }
        }
    }
    return doc;
}

}  // namespace xml::testing
