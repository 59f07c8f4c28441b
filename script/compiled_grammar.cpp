#include "script/compiled_grammar.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "runtime/strings.h"
#include "script/errors.h"
#include "script/tokenizer.h"

namespace script {

namespace {

struct KindName {
    std::string_view name;
    GrammarKind kind;
};

constexpr KindName kKindNames[] = {
    {"char", GrammarKind::Char},         {"keyword", GrammarKind::Keyword},
    {"ident", GrammarKind::Ident},       {"number", GrammarKind::Number},
    {"string", GrammarKind::String},     {"frstring", GrammarKind::FrString},
    {"eol", GrammarKind::Eol},           {"sequence", GrammarKind::Sequence},
    {"switch", GrammarKind::Switch},     {"optionalswitch", GrammarKind::OptionalSwitch},
    {"loop", GrammarKind::Loop},         {"optionalloop", GrammarKind::OptionalLoop},
    {"optional", GrammarKind::Optional},
};
// Every kind an element name gives: all but rules and references.
static_assert(std::size(kKindNames) == static_cast<size_t>(GrammarKind::Optional),
              "each element kind read from a name has its row");

GrammarKind KindOf(std::string_view lowerName) {
    for (const KindName& k : kKindNames)
        if (k.name == lowerName) return k.kind;
    return GrammarKind::Reference;
}

// Grammars come from the registry, not from scripts; the cap only keeps a
// broken one from exhausting the stack.
constexpr int kMaxGrammarDepth = 200;

TscXMLDocument ParseGrammar(std::string_view grammarText) {
    TscXMLDocument document;
    document.LoadFromString(grammarText);
    return document;
}

}  // namespace

LoadedGrammar::LoadedGrammar(std::string_view grammarText)
    : document_(ParseGrammar(grammarText)), compiled_(document_.Root()) {
    const TscXMLItem& root = document_.Root();
    const int at = root.Find("types");
    if (at < 0) {
        TscXMLItem empty;
        empty.Name = "types";
        types_ = IntermediateForm::FromXml(empty);
        return;
    }
    const TscXMLItem& types = root.Items(at);
    types_ = IntermediateForm::FromXml(types);
    for (int i = 0; i < types.Count(); ++i) {
        std::string type = types.Items(i).Prop("type");
        if (!type.empty()) aliases_.push_back({types.Items(i).Name, std::move(type)});
    }
}

CompiledGrammar::CompiledGrammar(const TscXMLItem& root) : root_(root) {
    const int parser = root.Find("parser");
    if (parser >= 0) {
        const int errors = root.Items(parser).Find("errors");
        if (errors >= 0) errors_ = &root.Items(parser).Items(errors);
    }
    // Rules take the first slots, so a rule's index is its place among the
    // root's children; their elements are appended after them.
    elements_.resize(static_cast<size_t>(root.Count()));
    for (int i = 0; i < root.Count(); ++i) Compile(root.Items(i), i, 0);
    program_ = root.Find("program");

    // A reference that adds nothing of its own matches exactly when its rule
    // does, so its parent can point at the rule: one matcher call less per
    // rule entered.
    for (int& child : children_) {
        const GrammarElement& e = elements_[static_cast<size_t>(child)];
        if (e.kind == GrammarKind::Reference && e.target >= 0 && e.nodeRole == NodeRole::None &&
            e.add.empty() && !e.hasErr && e.childCount == 0)
            child = e.target;
    }

    std::vector<char> visiting(elements_.size(), 0);
    for (size_t i = 0; i < elements_.size(); ++i) {
        GrammarElement& e = elements_[i];
        std::vector<GrammarGuard> guards;
        bool guarded = false;
        switch (e.kind) {
            case GrammarKind::Loop:
            case GrammarKind::OptionalLoop:
            case GrammarKind::Optional:
                guarded =
                    e.childCount > 0 &&
                    CollectGuards(children_[static_cast<size_t>(e.firstChild)], guards, visiting);
                e.guardsFirstPart = guarded;
                break;
            case GrammarKind::OptionalSwitch:
                guarded = e.childCount > 0;
                for (int c = 0; c < e.childCount && guarded; ++c)
                    guarded = CollectGuards(children_[static_cast<size_t>(e.firstChild + c)],
                                            guards, visiting);
                e.guardsFirstPart = guarded;
                break;
            default:
                guarded = CollectGuards(static_cast<int>(i), guards, visiting);
                break;
        }
        if (!guarded) continue;
        e.firstGuard = static_cast<int>(guards_.size());
        e.guardCount = static_cast<int>(guards.size());
        guards_.insert(guards_.end(), guards.begin(), guards.end());
    }
    IndexGuardWords();
}

int CompiledGrammar::GuardWordNumber(const std::string& text) {
    const auto at = std::find(guardWords_.begin(), guardWords_.end(), text);
    if (at != guardWords_.end()) return static_cast<int>(at - guardWords_.begin());
    guardWords_.push_back(text);
    return static_cast<int>(guardWords_.size()) - 1;
}

int CompiledGrammar::GuardWord(std::string_view word, bool caseSensitive) const {
    if (word.size() > longestGuardWord_ || guardWordSlots_.empty()) return -1;
    const size_t mask = guardWordSlots_.size() - 1;
    for (size_t at = FoldedHash(word) & mask; guardWordSlots_[at] != 0; at = (at + 1) & mask) {
        const int number = guardWordSlots_[at] - 1;
        const std::string& guard = guardWords_[static_cast<size_t>(number)];
        if (caseSensitive ? guard == word : runtime::SameText(guard, word)) return number;
    }
    return -1;
}

// Every position the matcher visits may ask for the word there.
void CompiledGrammar::IndexGuardWords() {
    size_t slots = 16;
    while (slots < guardWords_.size() * 4) slots *= 2;
    guardWordSlots_.assign(slots, 0);
    for (size_t i = 0; i < guardWords_.size(); ++i) {
        longestGuardWord_ = std::max(longestGuardWord_, guardWords_[i].size());
        size_t at = FoldedHash(guardWords_[i]) & (slots - 1);
        while (guardWordSlots_[at] != 0) at = (at + 1) & (slots - 1);
        guardWordSlots_[at] = static_cast<int>(i) + 1;
    }
}

bool CompiledGrammar::CollectGuards(int index, std::vector<GrammarGuard>& out,
                                    std::vector<char>& visiting) {
    const GrammarElement& e = elements_[static_cast<size_t>(index)];
    if (e.hasErr || visiting[static_cast<size_t>(index)]) return false;
    switch (e.kind) {
        case GrammarKind::Char:
            if (e.text.size() != 1) return false;
            out.push_back({false, e.skipBlanks, e.text[0], -1});
            return true;
        case GrammarKind::Keyword:
            if (e.text.empty()) return false;
            out.push_back({true, true, 0, GuardWordNumber(e.text)});
            return true;
        case GrammarKind::Rule:
        case GrammarKind::Sequence:
        case GrammarKind::Reference:
        case GrammarKind::Switch: {
            int first = -1;
            if (e.kind == GrammarKind::Reference) {
                first = e.target;
            } else if (e.childCount > 0) {
                first = children_[static_cast<size_t>(e.firstChild)];
            }
            if (first < 0) return false;
            visiting[static_cast<size_t>(index)] = 1;
            bool guarded = true;
            if (e.kind == GrammarKind::Switch) {
                // Every alternative must be guarded for the switch to be.
                for (int i = 0; i < e.childCount && guarded; ++i)
                    guarded = CollectGuards(children_[static_cast<size_t>(e.firstChild + i)], out,
                                            visiting);
            } else {
                guarded = CollectGuards(first, out, visiting);
            }
            visiting[static_cast<size_t>(index)] = 0;
            return guarded;
        }
        default:
            return false;
    }
}

int CompiledGrammar::Compile(const TscXMLItem& item, int ruleSlot, int depth) {
    if (depth > kMaxGrammarDepth)
        throw EScriptError(std::string(MessageText(Msg::InvalidLanguageDefinition)));
    GrammarElement e;
    const std::string name = runtime::LowerCase(item.Name);
    e.kind = ruleSlot >= 0 ? GrammarKind::Rule : KindOf(name);
    e.text = runtime::LowerCase(item.Prop("text"));
    e.node = runtime::LowerCase(item.Prop("node"));
    if (!e.node.empty())
        e.nodeRole = e.node == "uses"   ? NodeRole::Uses
                     : e.node == "expr" ? NodeRole::Expr
                                        : NodeRole::Element;
    e.add = item.Prop("add");
    e.hasAdd = !e.add.empty();
    e.addText = XmlEscape(item.Prop("addtext"));
    e.hasAddText = !e.addText.empty();
    const std::string skip = item.Prop("skip");
    e.skipBlanks = skip != "0";
    e.clearsError = skip == "1";
    e.terminating = item.Prop("term") == "1";
    const std::string err = item.Prop("err");
    if (!err.empty()) {
        e.hasErr = true;
        if (errors_) {
            const int at = errors_->Find(err);
            if (at >= 0) e.errMessage = errors_->Items(at).Prop("text");
        }
    }
    if (e.kind == GrammarKind::Reference) e.target = root_.Find(name);

    e.firstChild = static_cast<int>(children_.size());
    e.childCount = item.Count();
    children_.resize(children_.size() + static_cast<size_t>(item.Count()));
    const int first = e.firstChild;
    int index = ruleSlot;
    if (ruleSlot >= 0) {
        elements_[static_cast<size_t>(ruleSlot)] = std::move(e);
    } else {
        index = static_cast<int>(elements_.size());
        elements_.push_back(std::move(e));
    }
    for (int i = 0; i < item.Count(); ++i)
        children_[static_cast<size_t>(first + i)] = Compile(item.Items(i), -1, depth + 1);

    // A "." read where a keyword (the member name) must follow is a member
    // access; the matcher refuses it when a second "." follows at once.
    for (int i = 0; i + 1 < item.Count(); ++i) {
        GrammarElement& dot = At(children_[static_cast<size_t>(first + i)]);
        const GrammarElement& next = At(children_[static_cast<size_t>(first + i + 1)]);
        if (dot.kind == GrammarKind::Char && dot.text == "." && next.kind == GrammarKind::Keyword)
            dot.memberDot = true;
    }
    return index;
}

}  // namespace script
