#pragma once

// The compiler's first pass: script text to the intermediate form.
//
// TscILParser matches the text against the rules of the selected grammar
// with a recursive, backtracking matcher that drives the tokenizer, and
// writes the intermediate form: elements named by the grammar's `node` and
// `add` attributes that carry source positions ("line:col"). The form is
// kept as an IntermediateForm, which the builder reads; its small-XML
// document is made only for a caller that asks for it. Units named in
// "uses" are parsed by nested parsers and spliced in. Syntax errors do not
// raise: the first one is stored, with its position, in the script
// object's error fields.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/compile_site.h"
#include "script/intermediate_form.h"
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
    // intermediate form then holds the result. Always stores the error
    // message and position (empty on success) into the script's fields.
    // Raises for a broken grammar ("Invalid language definition"), an
    // unknown grammar named by "#language", and a unit file that cannot be
    // read.
    [[nodiscard]] bool BuildIntermediate(std::string_view text);

    // The intermediate form as a small-XML document, made on the first call
    // after BuildIntermediate. Changes made to it are what Form() reads.
    TscXMLDocument& Intermediate();
    // The intermediate form as compiling reads it; null before the first
    // successful BuildIntermediate.
    IntermediateForm* Form();
    // The selected grammar's document, shared with every parser of that
    // grammar and so read-only. Only after SelectGrammar.
    const TscXMLDocument& Grammar() const;
    // The `language` element of the grammar document.
    const TscXMLItem& GrammarRoot() const { return Grammar().Root(); }
    // The selected grammar, read and compiled. Only after SelectGrammar.
    const LoadedGrammar& SelectedGrammar() const { return *grammar_; }
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
    // One line of the intermediate form being written. Lines are kept as
    // data and turned into elements only for the lines that survive the
    // match: backtracking drops most of what is written.
    struct OutputLine {
        enum class Kind : uint8_t {
            Empty,     // <name text="value" pos="pos"/>
            Open,      // <name pos="pos"> (+ pos1 for "expr") and its content
            OpenWrap,  // as Open, pos being a start whose blanks are still to skip
            Unit,      // <uses unit="value"> holding an included unit's program
        };
        Kind kind = Kind::Empty;
        bool escaped = false;  // the value is escaped already (the grammar's addtext)
        // The element name: by a grammar element's index its `add`
        // (Kind::Empty) or its `node` (the others); a negative number -n is
        // the n-th of the fixed names.
        int name = 0;
        uint32_t valueAt = 0;  // the value's place in values_
        // Empty, Unit: the value's length. Open kinds: how many of the lines
        // after this one it holds, known when it is closed.
        uint32_t size = 0;
        int pos = 0;
        int pos1 = 0;  // 0: none; Kind::Unit: the unit's form in units_, -1 for none
    };

    bool Match(int element, bool guardsPassed = false);
    bool Try(int element);
    bool GuardsAllow(const GrammarElement& e);
    bool MatchSwitch(const GrammarElement& e, int start);
    bool MatchLoop(const GrammarElement& e, int start);
    void MatchOptional(const GrammarElement& e, int start);
    void RecordError(const GrammarElement& e, int start);
    void ReportLexicalFault();
    void Abort();
    void DropLinesFrom(size_t entry);
    // The position of the first token at or after `start`.
    int FirstTokenPosition(int start);
    void PushLine(OutputLine::Kind kind, int name, int pos, std::string_view value,
                  bool escaped = false, int pos1 = 0);
    void EmitAdd(int element, std::string_view token);
    void EmitGetCall(std::string_view rawText);
    void Wrap(int element, size_t entry);
    void IncludeUnits(size_t entry);
    void IncludeUnit(const std::string& unitName);
    std::string_view LineValue(const OutputLine& line) const;
    std::string_view LineName(const OutputLine& line) const;
    std::unique_ptr<IntermediateForm> BuildForm();
    std::unique_ptr<IntermediateForm> BuildFormThroughTree();
    void AppendTypes(IntermediateForm& form) const;

    CompileSite& script_;
    std::shared_ptr<const LoadedGrammar> grammar_;
    const CompiledGrammar* compiled_ = nullptr;  // of grammar_
    // The small-XML document of form_, once asked for. Declared before the
    // form's large buffers, so it is freed after them: its many small
    // elements are then taken up again by the next compilation instead of
    // being merged into memory handed back to the system.
    std::unique_ptr<TscXMLDocument> intermediate_;
    bool documentMade_ = false;
    std::unique_ptr<IntermediateForm> form_;
    std::string grammarName_;
    bool namesMustBeDeclared_ = true;
    TscParser tokenizer_;
    std::string unitName_;
    std::vector<std::string> includedUnits_;

    // Matching state of BuildIntermediate.
    // The lines written, in blocks that never move: growing the store never
    // frees a large block in the middle of a compilation.
    class LineStore {
      public:
        size_t size() const { return count_; }
        OutputLine& operator[](size_t index) {
            return blocks_[index >> kBlockBits][index & ((size_t{1} << kBlockBits) - 1)];
        }
        OutputLine& back() { return (*this)[count_ - 1]; }
        OutputLine& emplace_back() {
            if (count_ == blocks_.size() << kBlockBits)
                blocks_.push_back(std::make_unique<OutputLine[]>(size_t{1} << kBlockBits));
            return (*this)[count_++];
        }
        void truncate(size_t count) { count_ = count < count_ ? count : count_; }
        void clear() { count_ = 0; }

      private:
        static constexpr size_t kBlockBits = 10;
        std::vector<std::unique_ptr<OutputLine[]>> blocks_;
        size_t count_ = 0;
    };

    LineStore lines_;
    // The texts of the lines, in the order of the lines: dropping lines
    // gives their texts back.
    std::string values_;
    std::vector<std::unique_ptr<IntermediateForm>> units_;
    std::string errorMessage_;
    std::string errorPosition_;
    int errorOffset_ = 0;  // errorPosition_ in the text; 0 for a unit's error
    bool terminatingError_ = false;
    // Set for errors no loop may clear: the depth cap and a failed unit.
    bool errorLocked_ = false;
    bool aborted_ = false;
    int depth_ = 0;
    std::uintptr_t stackLimit_ = 0;  // the matcher's frames stay above it

    int AfterBlanks(int here);
    std::string_view WordAhead(int here);

    // What lies ahead of position `from` (0: nothing known).
    static constexpr int kNotLookedUp = -2;
    struct Peek {
        int from = 0;
        int afterBlanks = 0;
        bool hasWord = false;
        std::string_view word;  // as ReadWordView reads it, in the text
        int wordEnd = 0;
        int guardWord = kNotLookedUp;  // the grammar's guard word it is, -1 none
    } peek_;
};

}  // namespace script
