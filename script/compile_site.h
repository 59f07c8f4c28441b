#pragma once

// What the compiler front end needs of the script object it compiles for.

#include <string>

namespace script {

// The compile-error fields of a script object. Position is "line:col";
// Unit names the unit the error is in, empty for the main text.
struct CompileErrors {
    std::string ErrorMessage;
    std::string ErrorPosition;
    std::string ErrorUnit;
};

// The script object as the compiler sees it: its error fields and its unit
// handlers. The script component implements it.
class CompileSite {
  public:
    virtual ~CompileSite() = default;

    virtual CompileErrors& Errors() = 0;

    // Asks the OnGetUnit handler for the text of a unit named in "uses".
    // Returns false when no handler is assigned; the parser then reads the
    // file of that name.
    [[nodiscard]] virtual bool GetUnitText(const std::string& unitName, std::string& unitText) = 0;
    // Asks the OnGetILUnit handler for the intermediate form of a unit, as
    // small-XML text. False when no handler is assigned.
    [[nodiscard]] virtual bool GetILUnitText(const std::string&, std::string&) { return false; }
};

}  // namespace script
