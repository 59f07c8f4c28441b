#pragma once

// The XML library's errors. Every one is raised as a general exception
// (runtime::Exception) carrying its fixed English message; messages with a
// "%s" take the named texts in order.

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace xml {

enum class XmlError {
    // Document model.
    UnsupportedXPath,
    AttrNotSpecified,  // %s: attribute name
    AttrNotFound,      // %s: attribute name
    AttrWrongValue,    // %s: attribute name, %s: element name
    NodeInsideItself,
    // Text reader.
    WrongBufferSize,
    NameStart,  // %s: the offending character
    Expected,   // %s: the required text from the point of difference
    ReferenceExpected,
    HexNumberExpected,
    NumberExpected,
    WrongEntityName,
    ElementIncomplete,
    WrongSymbolInElement,
    AttrValueExpected,
    StringConstantExpected,
    LessThanInAttribute,
    NameTooLong,
    NestingTooDeep,
    UnsupportedEncoding,  // %s: the encoding's name
    EncodingMismatch,     // %s: the encoding's name
    InvalidEncodedData,   // %s: the encoding's name
    // Text writer.
    EmptyName,
    BadName,  // %s: the name
    CommentDashes,
    ProcessingInstructionEnd,
    ReservedTarget,     // %s: the target
    CharNotAllowed,     // %s: the character as U+XXXX
    CharNotInEncoding,  // %s: the character as U+XXXX
    // Binary form.
    BinaryWriteNodeType,
    BinaryReadNodeType,
    BinaryWriteValueType,
    BinaryReadData,
};

struct XmlErrorText {
    XmlError error;
    std::string_view text;
};

inline constexpr std::array kXmlErrorTexts{
    XmlErrorText{XmlError::UnsupportedXPath, "Unsupported XPath expression."},
    XmlErrorText{XmlError::AttrNotSpecified, "Attribute is not specified \"%s\""},
    XmlErrorText{XmlError::AttrNotFound, "Attribute not found \"%s\""},
    XmlErrorText{XmlError::AttrWrongValue,
                 "Attribute \"%s\" of the XML element \"%s\" has wrong value.\r\n"},
    XmlErrorText{XmlError::NodeInsideItself, "A node cannot be inserted into itself."},
    XmlErrorText{XmlError::WrongBufferSize, "Wrong buffer size."},
    XmlErrorText{XmlError::NameStart, "Name must begin with letter symbol or \"_\" %s"},
    XmlErrorText{XmlError::Expected, "Expected \"%s\""},
    XmlErrorText{XmlError::ReferenceExpected, "\"#\" or control symbol name expected."},
    XmlErrorText{XmlError::HexNumberExpected, "Hex number expected."},
    XmlErrorText{XmlError::NumberExpected, "Number expected."},
    XmlErrorText{XmlError::WrongEntityName, "Wrong control symbol name."},
    XmlErrorText{XmlError::ElementIncomplete, "XML element definition is incomplete."},
    XmlErrorText{XmlError::WrongSymbolInElement, "Wrong symbol in XML element."},
    XmlErrorText{XmlError::AttrValueExpected, "Attribute value expected."},
    XmlErrorText{XmlError::StringConstantExpected, "String constant expected."},
    XmlErrorText{XmlError::LessThanInAttribute, "Symbol \"<\" can't be used in attributes."},
    XmlErrorText{XmlError::NameTooLong, "XML name is too long."},
    XmlErrorText{XmlError::NestingTooDeep, "XML nesting is too deep."},
    XmlErrorText{XmlError::UnsupportedEncoding, "Unsupported XML encoding \"%s\"."},
    XmlErrorText{XmlError::EncodingMismatch,
                 "The XML text is not in the encoding \"%s\" that it declares."},
    XmlErrorText{XmlError::InvalidEncodedData, "The XML text holds data that is not valid %s."},
    XmlErrorText{XmlError::EmptyName, "An XML node has an empty name."},
    XmlErrorText{XmlError::BadName, "\"%s\" is not an XML name."},
    XmlErrorText{XmlError::CommentDashes, "An XML comment cannot hold \"--\" or end with \"-\"."},
    XmlErrorText{XmlError::ProcessingInstructionEnd,
                 "Processing instruction data cannot hold \"?>\"."},
    XmlErrorText{XmlError::ReservedTarget,
                 "The target \"%s\" is reserved for the XML declaration."},
    XmlErrorText{XmlError::CharNotAllowed, "The character %s cannot be written in XML."},
    XmlErrorText{XmlError::CharNotInEncoding,
                 "The character %s cannot be written in the document's encoding."},
    XmlErrorText{XmlError::BinaryWriteNodeType, "Error writing binary XML: wrong node type."},
    XmlErrorText{XmlError::BinaryReadNodeType, "Error reading binary XML: wrong node type."},
    XmlErrorText{XmlError::BinaryWriteValueType, "Error writing value: incorrect type."},
    XmlErrorText{XmlError::BinaryReadData, "Error reading XML data."},
};

constexpr bool XmlErrorTextsInOrder() {
    for (size_t i = 0; i < kXmlErrorTexts.size(); ++i)
        if (static_cast<size_t>(kXmlErrorTexts[i].error) != i) return false;
    return true;
}
static_assert(kXmlErrorTexts.size() == static_cast<size_t>(XmlError::BinaryReadData) + 1);
static_assert(XmlErrorTextsInOrder(), "kXmlErrorTexts rows follow XmlError");

// The message of `error` with its "%s" places filled from `args` in order
// (8-bit text in the system code page).
std::string XmlErrorMessage(XmlError error, std::initializer_list<std::u16string_view> args = {});

// Raises runtime::Exception with XmlErrorMessage(error, args).
[[noreturn]] void RaiseXmlError(XmlError error,
                                std::initializer_list<std::u16string_view> args = {});

}  // namespace xml
