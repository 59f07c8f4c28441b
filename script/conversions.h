#pragma once

// Routines the engine's parts share: type compatibility, literal texts to
// Variants, the reading of host declaration texts and of position texts.

#include <memory>
#include <string_view>

#include "runtime/variant.h"
#include "script/items.h"
#include "script/tokenizer.h"

namespace script {

// The kind of the item found under the name in the script or its parents;
// a name that is not found gives fskClass.
TscTypeKind TypeKindByName(std::string_view typeName, const TscScope& script);

// True when both name declared classes and the descendant's class is the
// ancestor's or inherits from it (through the host classes or the declared
// ancestor names).
bool ClassInherits(std::string_view ancestorName, std::string_view descendantName,
                   const TscScope& script);

// Whether a value of the right type may meet the left type (the target or
// left operand). Type names count with their first 32 characters.
//   Integer      Integer, float, Variant, enumeration
//   Boolean      Boolean, Variant
//   float        Integer, float, Variant
//   Char/String  Char, String, Variant
//   class        Variant; a class that ClassInherits from it
//   Array        Array, Variant
//   Variant      everything
//   enumeration  Integer, Variant; the same enumeration (any case)
//   constructor  nothing
bool TypesCompatible(TscTypeKind leftKind, std::string_view leftName, TscTypeKind rightKind,
                     std::string_view rightName, const TscScope& script);
// TypesCompatible, except that a float never goes into an Integer.
bool AssignCompatible(const TscCustomVariable& target, const TscCustomVariable& source,
                      const TscScope& script);

// "" gives Null; 'text' (the tokenizer's form) the text between the quotes;
// otherwise a 64-bit integer (decimal or "$" hex: Integer when it fits 32
// bits) or a float written with "." whatever the locale. Anything else
// raises EConvertError.
runtime::Variant LiteralToVariant(std::string_view text);

// Reads a host declaration such as
//   "function Copy(s: String; from, count: Integer): String"
//   "procedure Inc(var i: Integer; incr: Integer = 1)"
// into a new item with its parameters. A leading "macro" sets IsMacro; the
// kinds come from TypeKindByName; a default value is a literal or the value
// of a name the script knows, and only the last name of a group gets it.
std::unique_ptr<TscCustomVariable> ParseDeclaration(std::string_view text, const TscScope& script);

// "line:col" to (column, line); "" gives (0, 0). Anything else raises
// EConvertError.
SourcePoint SourcePosToPoint(std::string_view position);

}  // namespace script
