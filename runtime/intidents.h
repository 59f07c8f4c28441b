#pragma once

// Names for values of an integer property type, so that component streams
// and layouts can write "Color = clBtnFace" instead of a bare number.
//
// A type registers two conversions once at start-up; the stream reader then
// accepts an identifier for a property of that type, and the writer writes
// the identifier whenever the value has one.

#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {

class TTypeInfo;

using TIdentToInt = bool (*)(std::string_view ident, int64_t& value);
using TIntToIdent = bool (*)(int64_t value, std::string& ident);

struct TIntegerIdents {
    TIdentToInt ToInt;
    TIntToIdent ToIdent;
};

// Registers the names of an integer type (again: replaces them).
void RegisterIntegerIdents(const TTypeInfo& type, TIdentToInt toInt, TIntToIdent toIdent);
// The names registered for the type; nullptr when none.
const TIntegerIdents* FindIntegerIdents(const TTypeInfo& type);

}  // namespace runtime
