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
#include "script/tokenizer.h"
#include "script/xml_tree.h"

namespace script {

class CompiledGrammar;
class LoadedGrammar;
struct GrammarElement;

// A text of an intermediate form: a range of its character store.
struct IlText {
    uint32_t at = 0;
    uint32_t size = 0;
};

// How an element's attribute text is written in the small-XML form, and
// what its Value holds.
enum class IlLayout : uint8_t {
    None,     // no attributes
    TextPos,  // text="Value" pos="Pos"
    Pos,      // pos="Pos", and pos1="Pos1" when there is one
    Unit,     // unit="Value"
    Raw,      // Value is the attribute text as read
};

// One element of an intermediate form. The attributes that compiling reads
// are split out, values escaped as in the small-XML text.
struct IlElement {
    IlText Value;
    IlText Pos;
    IlText Pos1;
    int FirstChild = 0;  // into the form's child list
    int ChildCount = 0;
    uint32_t Name = 0;  // the name's number in the form
    IlLayout Layout = IlLayout::None;
};

// The intermediate form of a compiled text as the parser keeps it: elements
// in document order (element 0 is the root), each with its children as a
// range of one list and its texts in one store. Compiling reads it
// directly; the small-XML tree of it is made only when asked for.
class IntermediateForm {
  public:
    // A form of a small-XML tree: names and attributes are copied, so the
    // tree may go away.
    static std::unique_ptr<IntermediateForm> FromXml(const TscXMLItem& root);

    int Count() const { return static_cast<int>(elements_.size()); }
    IlElement& Element(int index) { return elements_[static_cast<size_t>(index)]; }
    const IlElement& Element(int index) const { return elements_[static_cast<size_t>(index)]; }
    // Child `k` of an element, as an element index.
    int Child(const IlElement& element, int k) const {
        return children_[static_cast<size_t>(element.FirstChild + k)];
    }
    std::string_view View(IlText text) const {
        return std::string_view(chars_).substr(text.at, text.size);
    }
    std::string_view Name(const IlElement& element) const { return Name(element.Name); }
    std::string_view Name(uint32_t name) const { return View(names_[name]); }
    // Free for the reader of the form, one value per distinct name, as
    // TscXMLItem::Data is per element.
    int32_t& NameData(const IlElement& element) { return nameData_[element.Name]; }
    // Attribute values, escaped; empty when absent.
    std::string_view Text(const IlElement& element) const;
    std::string_view Pos(const IlElement& element) const;
    std::string_view Pos1(const IlElement& element) const;
    std::string_view Unit(const IlElement& element) const;
    std::string_view Attribute(const IlElement& element, std::string_view name) const;

    // Fills `item` (name, attribute text, children) with the element and
    // its subtree as the small-XML form holds them.
    void ToXml(int index, TscXMLItem& item) const;

  private:
    friend class TscILParser;

    IlText Keep(std::string_view text);
    IlText KeepEscaped(std::string_view text);
    IlText KeepLineColumn(SourcePoint point);
    // The number of a name, given to it on its first use.
    uint32_t NameNumber(std::string_view name);
    // Appends an element under `parent` (-1 for the root); its index.
    int Append(int parent, uint32_t name);
    int Append(int parent, std::string_view name) { return Append(parent, NameNumber(name)); }
    // Appends a small-XML tree under `parent` (-1: as the root).
    void AppendTree(int parent, const TscXMLItem& tree);
    // Appends another form's elements under `parent`.
    void Splice(const IntermediateForm& other, int parent);
    // Fills the child list from the parents, once every element is in.
    void LinkChildren();

    std::vector<IlElement> elements_;
    std::vector<int> parents_;
    std::vector<int> children_;
    std::string chars_;
    std::vector<IlText> names_;
    std::vector<int32_t> nameData_;
    std::unordered_map<std::string, uint32_t> nameNumbers_;
};

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
    bool terminatingError_ = false;
    // Set for errors no loop may clear: the depth cap and a failed unit.
    bool errorLocked_ = false;
    bool aborted_ = false;
    int depth_ = 0;

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
