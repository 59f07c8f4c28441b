#pragma once

// The compiler's second pass: the intermediate form to program objects
// (items, statements, expressions) with every name resolved and every type
// checked. The first problem becomes the script's compile error, with the
// position of the element being built.

namespace script {

class TscILParser;
class TscScope;

// Builds the parser's intermediate form into `program`, the scope of the
// program the parser compiles. Errors are stored in the error fields of
// the parser's script (message, "line:col", unit). A designator whose names
// are known only at run time keeps a copy of its part of the form and is
// built at its first evaluation.
void BuildProgram(TscILParser& parser, TscScope& program);

}  // namespace script
