#pragma once

// The process-wide registry of script grammars, by name (any case).

#include <memory>
#include <string>
#include <string_view>

namespace script {

class LoadedGrammar;

// Adds the grammar, or replaces the text of the one registered under the
// same name.
void RegisterGrammar(std::string_view name, std::string_view grammarText);

// Raises EScriptError "Language '<name>' not found" for an unknown name.
std::string GrammarText(std::string_view name);

// The grammar read and compiled, made once per registered text and shared
// by every parser that selects it. Raises as GrammarText, and for a grammar
// that cannot be read or compiled.
std::shared_ptr<const LoadedGrammar> LoadGrammar(std::string_view name);

}  // namespace script
