#pragma once

// Typed values of the XML library and their text forms: escaping, number and
// date texts, the binary-form signature test and Base64.
//
// Typed values are runtime::Variant; the library uses the type codes below.

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/datetime.h"
#include "runtime/variant.h"

namespace xml {

using runtime::Variant;

// The array-of-bytes code (varArray | varByte); the other codes are the
// Variant's own (varEmpty .. varInt64, varString).
inline constexpr runtime::TVarType kXmlByteArrayType = runtime::varArray | runtime::varByte;

// The 14 bytes that open the binary form.
inline constexpr std::string_view kBinaryXmlSignature = "< binary-xml >";

// Replaces " & < > by their entities and carriage return by its character
// reference, so that a reader does not take it for a line end. A character
// XML does not have (a control character but tab, line feed and carriage
// return; U+FFFE; U+FFFF; an unpaired surrogate) raises an error: no reader
// would read it back.
std::u16string XmlEscapeText(std::u16string_view text);

// The text of a typed value: decimal integers, XmlFloatToStr for floats and
// currency, XmlDateTimeToStr for dates, "1"/"0" for Booleans, "{{null}}" for
// null, Base64 for byte arrays.
std::u16string XmlVarToStr(const Variant& value);

// Up to 15 significant digits, the shortest form, always with "." as the
// decimal separator whatever the locale; 17 where 15 would round beyond the
// largest double. Infinities and NaN are "INF", "-INF" and "NAN".
std::u16string XmlFloatToStr(double value);

// "yyyy-mm-ddThh-nn-ss" with a literal "T", e.g. "2024-03-05T15-07-09".
// A value outside the years 1 to 9999 gives XmlFloatToStr of its day count.
std::u16string XmlDateTimeToStr(runtime::TDateTime value);
// Reads the forms XmlDateTimeToStr writes: the date and time (seconds
// resolution), or the day count of a date beyond the years 1..9999. A text
// of another form raises EConvertError "'<text>' is not a valid date and
// time".
runtime::TDateTime XmlStrToDateTime(std::u16string_view text);
[[nodiscard]] bool TryXmlStrToDateTime(std::u16string_view text, runtime::TDateTime& value);

// A decimal number written with either "." or "," as the separator, read
// with the locale, or one of XmlFloatToStr's texts for infinities and NaN.
// Not a number: EConvertError from the conversion.
double XmlStrToFloat(std::u16string_view text);
[[nodiscard]] bool TryXmlStrToFloat(std::u16string_view text, double& value);

// True when the text starts with kBinaryXmlSignature.
bool IsBinaryXml(std::string_view text);

// Standard Base64; with lineLength >= 1, CR LF is inserted before the
// character at 1-based position L, then every L + 2 characters further (the
// first line holds L - 1 characters, the others L).
std::string BinToBase64(const void* bytes, size_t count, int lineLength);
// Ignores characters up to code 32; decodes whole groups of four; the
// result holds exactly the decoded bytes.
std::string Base64ToBin(std::string_view text);

// Byte arrays as typed values (kXmlByteArrayType) and back. A value of
// another type gives its bytes as an 8-bit string.
Variant XmlBytesToVar(std::string_view bytes);
std::string XmlVarToBytes(const Variant& value);

}  // namespace xml
