#pragma once

// Characters of XML names, shared by the text reader and the plain-name test
// of SelectNodes. Letters outside ASCII follow the name characters of XML
// 1.0 (fifth edition) over UTF-16 code units; surrogates count as letters so
// that names may use characters beyond the basic plane.

namespace xml {

constexpr bool IsXmlLetter(char16_t c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xDFFF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD);
}

constexpr bool IsXmlDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || c == 0xB7 || (c >= 0x300 && c <= 0x36F) ||
           (c >= 0x203F && c <= 0x2040);
}

constexpr bool IsXmlNameStart(char16_t c) {
    return c == u'_' || IsXmlLetter(c);
}

constexpr bool IsXmlNameChar(char16_t c) {
    return IsXmlLetter(c) || IsXmlDigit(c) || c == u'-' || c == u'.' || c == u':' || c == u'_';
}

}  // namespace xml
