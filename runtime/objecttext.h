#pragma once

// The text form of component streams, as window layouts are kept in
// resources/, and the conversions between it and the binary stream.
//
//   object MainForm: TMainForm          ("inherited" / "inline" set flags;
//     Caption = 'Serplow'#13#10'x'       "object Name: TClass [3]" a child
//     Font.Size = 10                     position; an unnamed object is
//     Options = [opA, opB]               "object TClass")
//     Scale = 1.5                        (floats: "1.5" Extended, "1.5s"
//     Lines.Strings = (                   Single, "1.5c" Currency, "1.5d"
//       'first'                           Date)
//       'second')
//     Columns = <
//       item
//         Width = 120
//       end>
//     Data = {
//       0A0B0C}
//     OnClick = MainFormClick
//     object Button1: TButton
//     end
//   end
//
// Strings are runs of quoted text ('' for a quote) and #n character codes
// (decimal, or #$hex), concatenated; a '+' joins pieces across lines. The
// text may hold UTF-8 inside quotes. A string whose characters are all ASCII
// becomes an 8-bit String value (LString above 255 characters), any other a
// WString value. Going to text, every character outside printable ASCII is
// written as #n, so the text form is plain ASCII.
//
// Errors in the text raise EParserError ("Line 3: '=' expected") - an
// EReadError, as every error of reading a layout is. Errors in the binary
// input raise EReadError as TReader does.

#include <memory>
#include <string>
#include <string_view>

#include "runtime/exceptions.h"

namespace runtime {

class TComponent;
class TStream;

RUNTIME_DECLARE_EXCEPTION(EParserError, EReadError);

// Text form (the input from its position to its end) to binary, and back
// (one object from the input's position).
void ObjectTextToBinary(TStream& input, TStream& output);
void ObjectBinaryToText(TStream& input, TStream& output);
std::string ObjectTextToBinary(std::string_view text);
std::string ObjectBinaryToText(std::string_view binary);

// A layout text read into an existing root (its class must be the one the
// text names, or derive from it), or into a new root made from the class
// registry.
void ReadComponentFromText(std::string_view text, TComponent& root);
std::unique_ptr<TComponent> ReadComponentFromText(std::string_view text);
// The text form of a root and its children.
std::string WriteComponentToText(TComponent& root);

}  // namespace runtime
