#pragma once

// The compiler's first pass: script text to the intermediate form.
//
// TscILParser matches the text against the rules of the selected grammar
// with a recursive, backtracking matcher that drives the tokenizer, and
// writes the intermediate form: a small-XML document whose elements are
// named by the grammar's `node` and `add` attributes and carry source
// positions ("line:col"). Units named in "uses" are parsed by nested
// parsers and spliced in. Syntax errors do not raise: the first one is
// stored, with its position, in the script object's error fields.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/compile_site.h"
#include "script/tokenizer.h"
#include "script/xml_tree.h"

namespace script {

class CompiledGrammar;
class LoadedGrammar;
struct GrammarElement;

class TscILParser {
  public:
    explicit TscILParser(CompileSite& script);
    ~TscILParser();
    TscILParser(const TscILParser&) = delete;
    TscILParser& operator=(const TscILParser&) = delete;

    // Loads the registered grammar and configures the tokenizer from it.
    // Raises "Language '<name>' not found" for an unknown name.
    void SelectGrammar(const std::string& name);

    // True when the text matched and no error was recorded; the
    // intermediate document then holds the result. Always stores the error
    // message and position (empty on success) into the script's fields.
    // Raises for a broken grammar ("Invalid language definition"), an
    // unknown grammar named by "#language", and a unit file that cannot be
    // read.
    [[nodiscard]] bool BuildIntermediate(std::string_view text);

    TscXMLDocument& Intermediate() { return *intermediate_; }
    // The selected grammar's document, shared with every parser of that
    // grammar and so read-only. Only after SelectGrammar.
    const TscXMLDocument& Grammar() const;
    // The `language` element of the grammar document.
    const TscXMLItem& GrammarRoot() const { return Grammar().Root(); }
    const std::string& GrammarName() const { return grammarName_; }
    // False when the grammar's `declarevars` key is "0".
    bool NamesMustBeDeclared() const { return namesMustBeDeclared_; }
    TscParser& Tokenizer() { return tokenizer_; }
    CompileSite& Script() { return script_; }

    // The unit being parsed, empty for the main text.
    const std::string& UnitName() const { return unitName_; }
    void SetUnitName(std::string name) { unitName_ = std::move(name); }
    // Units already included, by name (any case).
    const std::vector<std::string>& IncludedUnits() const { return includedUnits_; }

  private:
    struct OutputLine;

    bool Match(int element);
    bool GuardsAllow(const GrammarElement& e);
    bool MatchSwitch(const GrammarElement& e, int start);
    bool MatchLoop(const GrammarElement& e, int start);
    void MatchOptional(const GrammarElement& e, int start);
    void RecordError(const GrammarElement& e, int start);
    void Abort();
    void DropLinesFrom(size_t entry);
    // The position of the first token at or after `start`.
    int FirstTokenPosition(int start);
    void EmitAdd(const GrammarElement& e, const std::string& token);
    void EmitGetCall(const std::string& rawText);
    void Wrap(const GrammarElement& e, size_t entry);
    void IncludeUnits(size_t entry);
    void IncludeUnit(const std::string& unitName);
    bool SetFromLine(const OutputLine& line, TscXMLItem& item);
    void AppendPosition(std::string& out, std::string_view name, int position) const;
    void BuildDocument();

    CompileSite& script_;
    std::shared_ptr<const LoadedGrammar> grammar_;
    const CompiledGrammar* compiled_ = nullptr;  // of grammar_
    std::unique_ptr<TscXMLDocument> intermediate_;
    std::string grammarName_;
    bool namesMustBeDeclared_ = true;
    TscParser tokenizer_;
    std::string unitName_;
    std::vector<std::string> includedUnits_;

    // Matching state of BuildIntermediate.
    std::vector<OutputLine> lines_;
    std::string errorMessage_;
    std::string errorPosition_;
    bool terminatingError_ = false;
    // Set for errors no loop may clear: the depth cap and a failed unit.
    bool errorLocked_ = false;
    bool aborted_ = false;
    int depth_ = 0;
    size_t unitInsertAt_ = 0;

    // What lies ahead of position `from` (0: nothing known).
    struct Peek {
        int from = 0;
        int afterBlanks = 0;
        bool hasWord = false;
        std::string word;
    } peek_;
};

}  // namespace script
