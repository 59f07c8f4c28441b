#pragma once

// The compiler's second pass: the intermediate form to program objects
// (items, statements, expressions) with every name resolved and every type
// checked. The first problem becomes the script's compile error, with the
// position of the element being built.

#include <memory>

namespace script {

class TscDesignator;
class TscILParser;
class TscScript;
class TscXMLItem;

// Builds the parser's intermediate document into `script`. Errors are
// stored in the script's error fields (message, "line:col", unit).
void BuildProgram(TscILParser& parser, TscScript& script);

// Builds a designator whose names became known at run time (a member of a
// Variant that holds an object). Raises EScriptError when a name is still
// unknown.
std::unique_ptr<TscDesignator> BuildDeferredDesignator(const TscXMLItem& node, TscScript& script);

}  // namespace script
