#pragma once

// FormatMaskText: a value laid out by an edit mask, as a masked edit shows
// it when the value is assigned to it.
//
// An edit mask is "mask[;save[;blank]]". In the mask part
//   L l  letter (required / optional)      A a  letter or digit
//   C c  any character                     0 9  digit
//   #    digit or sign, optional
//   \x   the character x as a literal      _    a blank literal (a space)
//   :    the locale's time separator       /    the locale's date separator
//   !    optional positions are filled from the right (values right-aligned)
//   > <  case directives (they take no position; the value's case is kept)
// every other character is a literal. The save field "0" means the value
// holds only the input characters, and literals are put between them;
// anything else (or none) means the value already holds the literals, and
// each run of input positions between two literals is padded to its width.
// Positions the value leaves empty show as spaces (the blank field is what
// an edit box shows while editing, not part of the formatted text).
// Characters are not validated against the mask, and characters beyond
// the mask are kept at the end (at the start with "!").

#include <string>
#include <string_view>

#include "runtime/locale.h"

namespace script {

std::string FormatMaskText(std::string_view editMask, std::string_view value);
std::string FormatMaskText(std::string_view editMask, std::string_view value,
                           const runtime::TFormatSettings& settings);

}  // namespace script
