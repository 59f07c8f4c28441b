#pragma once

// The "PascalScript" grammar, the language of every search-engine script.

#include <string_view>

namespace script {

inline constexpr std::string_view kPascalScriptName = "PascalScript";

// The grammar document as one line of small-XML text.
std::string_view PascalScriptGrammarText();

// Registers the grammar under "PascalScript"; part of the script engine's
// start-up.
void RegisterPascalScriptGrammar();

}  // namespace script
