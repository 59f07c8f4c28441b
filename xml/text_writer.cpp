#include "xml/text_writer.h"

#include "runtime/strings.h"
#include "xml/encoding.h"
#include "xml/errors.h"
#include "xml/escape.h"
#include "xml/limits.h"
#include "xml/name_chars.h"
#include "xml/node_classes.h"
#include "xml/values.h"

namespace xml {

namespace {

bool IsLeadSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsTrailSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The code point at `at` (a surrogate pair is one, an unpaired surrogate
// stands for itself) and how many units it takes.
char32_t CodePointAt(std::u16string_view text, size_t at, size_t& units) {
    char16_t c = text[at];
    if (IsLeadSurrogate(c) && at + 1 < text.size() && IsTrailSurrogate(text[at + 1])) {
        units = 2;
        return 0x10000 + ((char32_t{c} - 0xD800) << 10) + (text[at + 1] - 0xDC00);
    }
    units = 1;
    return c;
}

// Appends a text that markup holds as it is (a name, a comment, data of a
// processing instruction, a CDATA section): every character must be one XML
// has and the target's encoding holds.
void AppendVerbatim(std::u16string& out, std::u16string_view text, const TXmlWriteTarget& target) {
    for (size_t at = 0, units = 0; at < text.size(); at += units) {
        char32_t c = CodePointAt(text, at, units);
        CheckXmlChar(c);
        if (target.charset && !target.charset->CanEncode(c))
            RaiseXmlError(XmlError::CharNotInEncoding, {XmlCodePointText(c)});
    }
    out += text;
}

// A name as the reader reads names.
void AppendName(std::u16string& out, std::u16string_view name, const TXmlWriteTarget& target) {
    if (name.empty()) RaiseXmlError(XmlError::EmptyName);
    bool valid = IsXmlNameStart(name[0]);
    for (size_t i = 0; valid && i < name.size(); ++i) {
        char16_t c = name[i];
        valid = i == 0 || IsXmlNameChar(c);
        // Surrogates count as letters, but only in pairs.
        if (IsLeadSurrogate(c))
            valid = valid && i + 1 < name.size() && IsTrailSurrogate(name[++i]);
        else if (IsTrailSurrogate(c))
            valid = false;
    }
    if (!valid) RaiseXmlError(XmlError::BadName, {name});
    AppendVerbatim(out, name, target);
}

void AppendEscapedValue(std::u16string& out, const TXmlValue& value, bool attribute,
                        const TXmlWriteTarget& target) {
    if (value.HoldsWideText())
        AppendXmlEscaped(out, value.WideText(), attribute, target.charset);
    else
        AppendXmlEscaped(out, value.Text(), attribute, target.charset);
}

void WriteAttrs(const TXmlNode& node, std::u16string& out, const TXmlWriteTarget& target,
                std::u16string_view replacedEncoding = {}) {
    const TXmlNameTable& names = node.Names();
    node.ForEachAttr([&](int32_t nameId, const TXmlValue& value) {
        out += u' ';
        const std::u16string& name = names.Name(nameId);
        AppendName(out, name, target);
        out += u"=\"";
        if (!replacedEncoding.empty() && name == u"encoding")
            AppendXmlEscaped(out, replacedEncoding, true, target.charset);
        else
            AppendEscapedValue(out, value, true, target);
        out += u'"';
    });
}

void WriteChildren(const TXmlNode& node, std::u16string& out, int depth,
                   const TXmlWriteTarget& target) {
    if (const TXmlNodeList* children = node.Children())
        for (const TXmlNode* child : children->Items())
            WriteNodeXml(*child, out, depth + 1, target);
}

void WriteElement(const TXmlElement& element, std::u16string& out, int depth,
                  const TXmlWriteTarget& target) {
    if (depth > kMaxNestingDepth) RaiseXmlError(XmlError::NestingTooDeep);
    const std::u16string& name = element.Names().Name(element.NodeNameID());
    out += u'<';
    AppendName(out, name, target);
    WriteAttrs(element, out, target);
    if (element.ChildCount() > 0) {
        out += u'>';
        WriteChildren(element, out, depth, target);
    } else {
        const size_t start = out.size();
        out += u'>';
        AppendEscapedValue(out, element.Value(), false, target);
        if (out.size() == start + 1) {
            out.back() = u'/';
            out += u'>';
            return;
        }
    }
    out += u"</";
    out += name;
    out += u'>';
}

// The declaration: the first child of a document, with the target "xml".
bool IsDeclaration(const TXmlProcessingInstruction& pi) {
    const TXmlNode* parent = pi.Parent();
    return pi.NodeNameID() == TXmlNameTable::kXmlId && parent && parent->NodeType() == ntDocument &&
           parent->ChildCount() > 0 && parent->Children()->At(0) == &pi;
}

void WriteProcessingInstruction(const TXmlProcessingInstruction& pi, std::u16string& out,
                                const TXmlWriteTarget& target) {
    const std::u16string& name = pi.Names().Name(pi.NodeNameID());
    const bool declaration = IsDeclaration(pi);
    // "xml" in any letter case is the declaration's alone.
    if (!declaration && name.size() == 3 && runtime::WideLowerCase(name) == u"xml")
        RaiseXmlError(XmlError::ReservedTarget, {name});
    out += u"<?";
    AppendName(out, name, target);
    std::u16string_view data = pi.Data();
    std::u16string replaced;
    if (declaration && !target.declaredEncoding.empty()) {
        size_t start = 0;
        std::u16string_view named = DeclaredEncoding(data, &start);
        if (!named.empty()) {
            replaced = std::u16string(data.substr(0, start)) + target.declaredEncoding +
                       std::u16string(data.substr(start + named.size()));
            data = replaced;
        }
    }
    if (data.empty()) {
        WriteAttrs(pi, out, target, declaration ? target.declaredEncoding : std::u16string());
    } else {
        if (data.find(u"?>") != std::u16string_view::npos)
            RaiseXmlError(XmlError::ProcessingInstructionEnd);
        // The reader keeps the blanks that follow the target as part of the
        // data, so a separating space is added only when the data has none.
        if (data[0] > u' ') out += u' ';
        AppendVerbatim(out, data, target);
    }
    out += u"?>";
}

void WriteComment(const TXmlComment& comment, std::u16string& out, const TXmlWriteTarget& target) {
    std::u16string_view text = comment.Data();
    // The reader ends a comment at its first "--"; XML allows none inside.
    if (text.find(u"--") != std::u16string_view::npos || text.ends_with(u'-'))
        RaiseXmlError(XmlError::CommentDashes);
    out += u"<!--";
    AppendVerbatim(out, text, target);
    out += u"-->";
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

void WriteNodeXml(const TXmlNode& node, std::u16string& out, int depth,
                  const TXmlWriteTarget& target) {
    switch (node.NodeType()) {
        case ntElement:
            WriteElement(static_cast<const TXmlElement&>(node), out, depth, target);
            return;
        case ntText:
            AppendEscapedValue(out, static_cast<const TXmlText&>(node).Value(), false, target);
            return;
        case ntCDATASection:
            for (std::u16string_view piece :
                 SplitCDATA(static_cast<const TXmlCDATASection&>(node).Data())) {
                out += u"<![CDATA[";
                AppendVerbatim(out, piece, target);
                out += u"]]>";
            }
            return;
        case ntComment:
            WriteComment(static_cast<const TXmlComment&>(node), out, target);
            return;
        case ntProcessingInstruction:
            WriteProcessingInstruction(static_cast<const TXmlProcessingInstruction&>(node), out,
                                       target);
            return;
        case ntDocument:
            WriteChildren(node, out, depth, target);
            return;
    }
}

}  // namespace xml
