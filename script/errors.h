#pragma once

// The script engine's error type and its fixed messages.

#include <array>
#include <string>
#include <string_view>

#include "runtime/exceptions.h"

namespace script {

enum class Msg {
    LanguageNotFound,
    InvalidLanguageDefinition,
    IdentifierRedeclared,
    UnknownType,
    IncompatibleTypes,
    UndeclaredIdentifier,
    ClassTypeRequired,
    IndexRequired,
    StringsHaveNoMembers,
    NoDefaultProperty,
    ArrayTypeRequired,
    VariableRequired,
    NotEnoughParameters,
    TooManyParameters,
    LeftSideNotAssignable,
    ForLoopVariableNotNumeric,
    EventHandlerNotProcedure,
    NestedTooDeeply,
    SyntaxError,
    ScriptTooLong,
    InvalidFileFormat,
    XmlNestedTooDeeply,
    ElementInOwnSubtree,
    ElementNotOwnedByTree,
    ConstantExpressionExpected,
    ArrayTooLarge,
    StringTooLong,
    TooManyDimensions,
    NullIndexed,
    NullHasNoMembers,
    UnterminatedComment,
    UnterminatedString,
    InvalidCharacterInIdentifier,
    InvalidCharacter,
    FunctionNameAssigned,
    Count
};

struct MessageEntry {
    Msg id;
    std::string_view text;
};

// Texts with "%s"/"%d" are Format patterns; those ending in ": " are
// followed by a quoted name.
inline constexpr std::array<MessageEntry, static_cast<size_t>(Msg::Count)> kMessages{{
    {Msg::LanguageNotFound, "Language '%s' not found"},
    {Msg::InvalidLanguageDefinition, "Invalid language definition"},
    {Msg::IdentifierRedeclared, "Identifier redeclared: "},
    {Msg::UnknownType, "Unknown type: "},
    {Msg::IncompatibleTypes, "Incompatible types"},
    {Msg::UndeclaredIdentifier, "Undeclared identifier: "},
    {Msg::ClassTypeRequired, "Class type required"},
    {Msg::IndexRequired, "Index required"},
    {Msg::StringsHaveNoMembers, "Strings doesn't have properties or methods"},
    {Msg::NoDefaultProperty, "Class %s does not have a default property"},
    {Msg::ArrayTypeRequired, "Array type required"},
    {Msg::VariableRequired, "Variable required"},
    {Msg::NotEnoughParameters, "Not enough actual parameters"},
    {Msg::TooManyParameters, "Too many actual parameters"},
    {Msg::LeftSideNotAssignable, "Left side cannot be assigned to"},
    {Msg::ForLoopVariableNotNumeric, "For loop variable must be numeric variable"},
    {Msg::EventHandlerNotProcedure, "Event handler must be a procedure"},
    // Script text deeper than the matcher's budget (limits.h).
    {Msg::NestedTooDeeply, "Program is nested too deeply"},
    // A grammar failed to match without naming what it expected.
    {Msg::SyntaxError, "Syntax error"},
    // Script text beyond the 32-bit positions of the tokenizer.
    {Msg::ScriptTooLong, "Script text is too long"},
    {Msg::InvalidFileFormat, "Invalid file format"},
    {Msg::XmlNestedTooDeeply, "XML elements are nested too deeply"},
    {Msg::ElementInOwnSubtree, "An element cannot be added to itself or its descendants"},
    {Msg::ElementNotOwnedByTree, "Only an element inside a tree can be moved by reference"},
    // Array bounds and parameter defaults are computed while compiling, and
    // compiling runs no procedure and no host code.
    {Msg::ConstantExpressionExpected, "Constant expression expected"},
    // Array declarations beyond the program's memory limit (limits.h).
    {Msg::ArrayTooLarge, "Array is too large"},
    // A concatenation beyond kMaxStringLength (limits.h), at run time.
    {Msg::StringTooLong, "String is too long"},
    // Array elements are read and written with one to three indexes.
    {Msg::TooManyDimensions, "Arrays have at most three dimensions"},
    // At run time, a Variant or object step without a value.
    {Msg::NullIndexed, "Null value cannot be indexed"},
    {Msg::NullHasNoMembers, "Null or nil value has no member: "},
    // Lexical faults, reported where they begin when the text fails to
    // parse after them.
    {Msg::UnterminatedComment, "Unterminated comment"},
    {Msg::UnterminatedString, "Unterminated string"},
    // Names are ASCII letters, digits and "_".
    {Msg::InvalidCharacterInIdentifier, "Invalid character in identifier: "},
    {Msg::InvalidCharacter, "Invalid character: "},
    // A function's value is set through Result, not by its name.
    {Msg::FunctionNameAssigned, "Function result is set through Result, not by assigning to "},
}};

constexpr bool MessagesInOrder() {
    for (size_t i = 0; i < kMessages.size(); ++i)
        if (static_cast<size_t>(kMessages[i].id) != i) return false;
    return true;
}
static_assert(MessagesInOrder(), "kMessages rows must follow the order of Msg");

constexpr std::string_view MessageText(Msg id) {
    return kMessages[static_cast<size_t>(id)].text;
}

// The engine's one exception type: a message and, when the error belongs to
// a place in script text, its position as "line:col". Scripts that catch it
// see the class name "Exception", as for any general error.
class EScriptError : public runtime::Exception {
  public:
    explicit EScriptError(std::string message, std::string position = {}, std::string unit = {})
        : runtime::Exception(std::move(message)),
          position_(std::move(position)),
          unit_(std::move(unit)) {}

    const std::string& Position() const noexcept { return position_; }
    // The unit whose text the position is in; empty for the main text.
    const std::string& Unit() const noexcept { return unit_; }

  private:
    std::string position_;
    std::string unit_;
};

}  // namespace script
