#include "xml/text_writer.h"

#include "runtime/strings.h"
#include "xml/errors.h"
#include "xml/limits.h"
#include "xml/node_classes.h"
#include "xml/values.h"

namespace xml {

namespace {

std::u16string EscapedText(const TXmlValue& value) {
    return value.HoldsWideText() ? XmlEscapeText(value.WideText()) : XmlEscapeText(value.Text());
}

void WriteAttrs(const TXmlNode& node, std::u16string& out) {
    const TXmlNameTable& names = node.Names();
    node.ForEachAttr([&](int32_t nameId, const TXmlValue& value) {
        out += u' ';
        out += names.Name(nameId);
        out += u"=\"";
        out += EscapedText(value);
        out += u'"';
    });
}

void WriteChildren(const TXmlNode& node, std::u16string& out, int depth) {
    if (const TXmlNodeList* children = node.Children())
        for (const TXmlNode* child : children->Items()) WriteNodeXml(*child, out, depth + 1);
}

void WriteElement(const TXmlElement& element, std::u16string& out, int depth) {
    if (depth > kMaxNestingDepth) RaiseXmlError(XmlError::NestingTooDeep);
    const std::u16string& name = element.Names().Name(element.NodeNameID());
    out += u'<';
    out += name;
    WriteAttrs(element, out);
    if (element.ChildCount() > 0) {
        out += u'>';
        WriteChildren(element, out, depth);
    } else {
        std::u16string text = EscapedText(element.Value());
        if (text.empty()) {
            out += u"/>";
            return;
        }
        out += u'>';
        out += text;
    }
    out += u"</";
    out += name;
    out += u'>';
}

void WriteProcessingInstruction(const TXmlProcessingInstruction& pi, std::u16string& out) {
    out += u"<?";
    out += pi.Names().Name(pi.NodeNameID());
    const std::u16string& data = pi.Data();
    if (data.empty()) {
        WriteAttrs(pi, out);
    } else {
        // The reader keeps the blanks that follow the target as part of the
        // data, so a separating space is added only when the data has none.
        if (data[0] > u' ') out += u' ';
        out += data;
    }
    out += u"?>";
}

}  // namespace

std::vector<std::u16string_view> SplitCDATA(std::u16string_view text) {
    std::vector<std::u16string_view> pieces;
    for (size_t at; (at = text.find(u"]]>")) != std::u16string_view::npos;) {
        pieces.push_back(text.substr(0, at + 1));
        text.remove_prefix(at + 1);
    }
    pieces.push_back(text);
    return pieces;
}

void WriteNodeXml(const TXmlNode& node, std::u16string& out, int depth) {
    switch (node.NodeType()) {
        case ntElement:
            WriteElement(static_cast<const TXmlElement&>(node), out, depth);
            return;
        case ntText:
            out += EscapedText(static_cast<const TXmlText&>(node).Value());
            return;
        case ntCDATASection:
            for (std::u16string_view piece :
                 SplitCDATA(static_cast<const TXmlCDATASection&>(node).Data())) {
                out += u"<![CDATA[";
                out += piece;
                out += u"]]>";
            }
            return;
        case ntComment:
            out += u"<!--";
            out += static_cast<const TXmlComment&>(node).Data();
            out += u"-->";
            return;
        case ntProcessingInstruction:
            WriteProcessingInstruction(static_cast<const TXmlProcessingInstruction&>(node), out);
            return;
        case ntDocument:
            WriteChildren(node, out, depth);
            return;
    }
}

}  // namespace xml
