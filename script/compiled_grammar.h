#pragma once

// A grammar document compiled into a flat table for the matcher: element
// kinds decided, attributes read and unescaped once, rule references
// resolved to indexes, error codes resolved to their messages.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/intermediate_form.h"
#include "script/xml_tree.h"

namespace script {

enum class GrammarKind : uint8_t {
    Rule,  // a child of the grammar root
    Char,
    Keyword,
    Ident,
    Number,
    String,
    FrString,
    Eol,
    Sequence,
    Switch,
    OptionalSwitch,
    Loop,
    OptionalLoop,
    Optional,
    Reference,
};

// What an element's `node` asks for.
enum class NodeRole : uint8_t {
    None,
    Element,  // wrap the element's output in an element of that name
    Expr,     // as Element, with the end position as "pos1"
    Uses,     // include the units named in the output
};

// A token an element must begin with. When the text ahead is none of an
// element's guards, the element fails at its first token without recording
// an error or writing output, so the matcher may skip it.
struct GrammarGuard {
    bool keyword = false;  // a word; else one punctuation character
    bool skipBlanks = true;
    char punctuation = 0;  // !keyword
    int word = -1;         // keyword: the text's number among GuardWord()s
};

// The fields the matcher reads on every visit come first, so that a visit
// touches one cache line of the element.
struct GrammarElement {
    GrammarKind kind = GrammarKind::Sequence;
    NodeRole nodeRole = NodeRole::None;
    bool skipBlanks = true;    // `skip` is not "0"
    bool clearsError = false;  // `skip` is "1"
    bool terminating = false;  // `term` is "1"
    bool hasErr = false;
    bool hasAdd = false;
    bool hasAddText = false;
    // A char "." directly followed by a keyword element: a member access,
    // which the range operator ".." never starts.
    bool memberDot = false;
    int target = -1;  // Reference: the rule's index; -1 when undefined
    int firstChild = 0;
    int childCount = 0;
    int firstGuard = 0;
    int guardCount = 0;  // 0: unguarded
    // Loops and optional parts are guarded by their first part: refused,
    // a loop fails and an optional part matches empty text, both without
    // entering it.
    bool guardsFirstPart = false;
    std::string text;  // `text`, lower case
    std::string node;  // `node`, lower case
    std::string add;
    std::string addText;  // `addtext`, escaped for the intermediate form
    std::string errMessage;
};

class CompiledGrammar {
  public:
    // Every child of `root` becomes a rule; rules are elements 0..n-1 in the
    // order of the root's children.
    explicit CompiledGrammar(const TscXMLItem& root);

    int Count() const { return static_cast<int>(elements_.size()); }
    const GrammarElement& Element(int index) const { return elements_[static_cast<size_t>(index)]; }
    std::span<const int> Children(const GrammarElement& e) const {
        return std::span<const int>(children_).subspan(static_cast<size_t>(e.firstChild),
                                                       static_cast<size_t>(e.childCount));
    }
    std::span<const GrammarGuard> Guards(const GrammarElement& e) const {
        return std::span<const GrammarGuard>(guards_).subspan(static_cast<size_t>(e.firstGuard),
                                                              static_cast<size_t>(e.guardCount));
    }
    // The rule named "program", -1 when the grammar has none.
    int ProgramRule() const { return program_; }
    // The number of the keyword guards' text that a word read ahead is
    // (compared as the tokenizer compares keywords), -1 when none.
    int GuardWord(std::string_view word, bool caseSensitive) const;

  private:
    // Compiles `item` into slot `ruleSlot` (a rule) or a new slot (-1).
    int Compile(const TscXMLItem& item, int ruleSlot, int depth);
    GrammarElement& At(int index) { return elements_[static_cast<size_t>(index)]; }
    // Collects the guards of element `index` into `out`; false when the
    // element is unguarded (it may match empty text, record an error, or
    // begin with something other than a fixed token).
    bool CollectGuards(int index, std::vector<GrammarGuard>& out, std::vector<char>& visiting);
    int GuardWordNumber(const std::string& text);
    void IndexGuardWords();

    // The grammar document, read while compiling only.
    const TscXMLItem& root_;
    const TscXMLItem* errors_ = nullptr;
    std::vector<GrammarElement> elements_;
    std::vector<int> children_;
    std::vector<GrammarGuard> guards_;
    std::vector<std::string> guardWords_;  // lower case, each once
    std::vector<int> guardWordSlots_;      // by folded hash: number + 1, 0 free
    size_t longestGuardWord_ = 0;
    int program_ = -1;
};

// A grammar document with its compiled form, shared read-only by every
// parser that selects the grammar.
class LoadedGrammar {
  public:
    explicit LoadedGrammar(std::string_view grammarText);

    const TscXMLDocument& Document() const { return document_; }
    const CompiledGrammar& Compiled() const { return compiled_; }

    // The grammar's `types` element, which closes every intermediate form
    // (an empty one when the grammar has none).
    const IntermediateForm& Types() const { return *types_; }
    // Its aliases: the name a type is written with, and the type it stands
    // for.
    struct TypeAlias {
        std::string name;
        std::string type;
    };
    const std::vector<TypeAlias>& TypeAliases() const { return aliases_; }

  private:
    TscXMLDocument document_;
    CompiledGrammar compiled_;
    std::unique_ptr<IntermediateForm> types_;
    std::vector<TypeAlias> aliases_;
};

}  // namespace script
