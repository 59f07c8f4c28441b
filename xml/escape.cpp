#include "xml/escape.h"

#include "xml/encoding.h"
#include "xml/errors.h"

namespace xml {

namespace {

void AppendDecimalReference(std::u16string& out, char32_t c) {
    char16_t digits[8];
    size_t count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + c % 10);
        c /= 10;
    } while (c > 0);
    out += u"&#";
    while (count > 0) out += digits[--count];
    out += u';';
}

// Whether a unit may need more than copying: markup, a control character,
// a surrogate, U+FFFE and U+FFFF, and (for an 8-bit encoding) all but ASCII.
bool NeedsCare(char16_t c, bool narrow) {
    return c < 0x20 || c == u'"' || c == u'&' || c == u'<' || c == u'>' ||
           (c >= 0xD800 && c <= 0xDFFF) || c >= 0xFFFE || (narrow && c >= 0x80);
}

}  // namespace

std::u16string XmlCodePointText(char32_t c) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text = u"U+";
    int digits = c > 0xFFFF ? (c > 0xFFFFF ? 6 : 5) : 4;
    for (int i = digits - 1; i >= 0; --i) text += kDigits[(c >> (4 * i)) & 0xF];
    return text;
}

void CheckXmlChar(char32_t c) {
    if (!IsXmlChar(c)) RaiseXmlError(XmlError::CharNotAllowed, {XmlCodePointText(c)});
}

void AppendXmlEscaped(std::u16string& out, std::u16string_view text, bool attribute,
                      const TXmlCharset* charset) {
    const bool narrow = charset && charset->Kind() == TXmlCharsetKind::SingleByte;
    size_t done = 0;
    for (size_t at = 0; at < text.size();) {
        if (!NeedsCare(text[at], narrow)) {
            ++at;
            continue;
        }
        out.append(text.substr(done, at - done));
        char32_t c = text[at];
        size_t units = 1;
        if (c >= 0xD800 && c <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
            text[at + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[at + 1] - 0xDC00);
            units = 2;
        }
        CheckXmlChar(c);
        switch (c) {
            case u'"':
                out += u"&quot;";
                break;
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'>':
                out += u"&gt;";
                break;
            case u'\r':
                AppendDecimalReference(out, c);
                break;
            case u'\t':
            case u'\n':
                if (attribute)
                    AppendDecimalReference(out, c);
                else
                    out += static_cast<char16_t>(c);
                break;
            default:
                if (charset && !charset->CanEncode(c))
                    AppendDecimalReference(out, c);
                else
                    out.append(text.substr(at, units));
        }
        at += units;
        done = at;
    }
    out.append(text.substr(done));
}

}  // namespace xml
