#include "script/il_parser.h"

#include <algorithm>
#include <utility>

#include "runtime/streams.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"
#include "script/compiled_grammar.h"
#include "script/errors.h"
#include "script/grammar_registry.h"
#include "script/limits.h"
#include "script/xml_reader.h"

namespace script {

namespace {

// Keeps the matcher's nesting count right however a match is left.
class DepthGuard {
  public:
    explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

  private:
    int& depth_;
};

bool IsTokenKind(GrammarKind kind) {
    switch (kind) {
        case GrammarKind::Char:
        case GrammarKind::Keyword:
        case GrammarKind::Ident:
        case GrammarKind::Number:
        case GrammarKind::String:
        case GrammarKind::FrString:
            return true;
        default:
            return false;
    }
}

// Elements that only steer the matching of their children.
bool IsControlKind(GrammarKind kind) {
    switch (kind) {
        case GrammarKind::Switch:
        case GrammarKind::OptionalSwitch:
        case GrammarKind::Loop:
        case GrammarKind::OptionalLoop:
        case GrammarKind::Optional:
            return true;
        default:
            return false;
    }
}

void AppendAttribute(std::string& out, std::string_view name, std::string_view escapedValue) {
    out += name;
    out += "=\"";
    out += escapedValue;
    out += '"';
}

// The keys of a grammar's `parser` section and what each sets. A value other
// than the one a flag key names leaves the default.
struct ParserKey {
    std::string_view name;
    void (*apply)(TscParser& tokenizer, bool& namesMustBeDeclared, const std::string& value);
};

constexpr ParserKey kParserKeys[] = {
    {"identchars", [](TscParser& t, bool&, const std::string& v) { t.SetIdentifierChars(v); }},
    {"commentline1", [](TscParser& t, bool&, const std::string& v) { t.LineComment1 = v; }},
    {"commentline2", [](TscParser& t, bool&, const std::string& v) { t.LineComment2 = v; }},
    {"commentblock1", [](TscParser& t, bool&, const std::string& v) { t.SetBlockComment1(v); }},
    {"commentblock2", [](TscParser& t, bool&, const std::string& v) { t.SetBlockComment2(v); }},
    {"stringquotes", [](TscParser& t, bool&, const std::string& v) { t.StringQuote = v; }},
    {"hexsequence", [](TscParser& t, bool&, const std::string& v) { t.HexPrefix = v; }},
    {"skipchar", [](TscParser& t, bool&, const std::string& v) { t.LineContinuation = v; }},
    {"declarevars",
     [](TscParser&, bool& declare, const std::string& v) {
         if (v == "0") declare = false;
     }},
    {"skipeol",
     [](TscParser& t, bool&, const std::string& v) {
         if (v == "0") t.LineEndsAreBlanks = false;
     }},
    {"casesensitive",
     [](TscParser& t, bool&, const std::string& v) {
         if (v == "1") t.CaseSensitive = true;
     }},
};
static_assert(std::size(kParserKeys) == 11);

// The text of a unit file, for a script without an OnGetUnit handler.
std::string ReadUnitFile(const std::string& fileName) {
    runtime::TFileStream stream(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    const int64_t size = stream.Size();
    if (size > kMaxSourceSize) throw EScriptError(std::string(MessageText(Msg::ScriptTooLong)));
    std::string text(static_cast<size_t>(size), '\0');
    stream.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    return text;
}

}  // namespace

// One line of the intermediate form being written. Lines are kept as data
// and turned into element names and attribute texts only for the lines
// that survive the match: backtracking drops most of what is written.
struct TscILParser::OutputLine {
    enum class Kind : uint8_t {
        Empty,     // <name text="value" pos="pos"/>
        Open,      // <name pos="pos"> (+ pos1 for "expr")
        OpenWrap,  // as Open, pos being a start whose blanks are still to skip
        OpenUses,  // <uses unit="value">
        Close,     // </name>
        Unit,      // an included unit's program element
    };
    Kind kind;
    std::string_view name;  // the grammar's text, or a fixed literal
    std::string value;      // escaped
    int pos = 0;
    int pos1 = 0;  // 0: none
    std::unique_ptr<TscXMLItem> unit;
};

TscILParser::TscILParser(CompileSite& script)
    : script_(script), intermediate_(std::make_unique<TscXMLDocument>()) {}

TscILParser::~TscILParser() = default;

void TscILParser::SelectGrammar(const std::string& name) {
    tokenizer_.ApplyDefaults();
    grammarName_ = name;
    grammar_ = LoadGrammar(name);
    compiled_ = &grammar_->Compiled();
    const TscXMLItem& root = grammar_->Document().Root();
    const int parserAt = root.Find("parser");
    if (parserAt < 0) return;
    const TscXMLItem& parser = root.Items(parserAt);
    const int keywordsAt = parser.Find("keywords");
    if (keywordsAt >= 0) {
        const TscXMLItem& keywords = parser.Items(keywordsAt);
        for (int i = 0; i < keywords.Count(); ++i) tokenizer_.AddKeyword(keywords.Items(i).Name);
    }
    for (int i = 0; i < parser.Count(); ++i) {
        const TscXMLItem& key = parser.Items(i);
        const std::string keyName = runtime::LowerCase(key.Name);
        for (const ParserKey& known : kParserKeys) {
            if (known.name == keyName) {
                known.apply(tokenizer_, namesMustBeDeclared_, key.Prop("text"));
                break;
            }
        }
    }
}

const TscXMLDocument& TscILParser::Grammar() const {
    return grammar_->Document();
}

bool TscILParser::BuildIntermediate(std::string_view text) {
    lines_.clear();
    errorMessage_.clear();
    errorPosition_.clear();
    terminatingError_ = false;
    errorLocked_ = false;
    aborted_ = false;

    tokenizer_.SetSource(text);
    peek_.from = 0;
    int start = 1;
    if (tokenizer_.ReadPunctuation() == "#" &&
        runtime::SameText(tokenizer_.ReadIdentifier(), "language")) {
        const size_t from = static_cast<size_t>(tokenizer_.Position() - 1);
        const size_t cr = text.find('\r', from);
        SelectGrammar(
            runtime::Trim(text.substr(from, cr == std::string_view::npos ? cr : cr - from)));
        start = cr == std::string_view::npos ? tokenizer_.Size() + 1 : static_cast<int>(cr) + 3;
    }
    tokenizer_.SetPosition(start);
    peek_.from = 0;  // the grammar may have changed

    bool matched = true;
    if (compiled_ && compiled_->ProgramRule() >= 0) matched = Match(compiled_->ProgramRule());
    const bool ok = matched && errorMessage_.empty() && !aborted_;
    if (!ok && errorMessage_.empty()) {
        // Only a grammar without error codes fails silently; a failure must
        // never read as success.
        errorMessage_ = MessageText(Msg::SyntaxError);
        errorPosition_ = tokenizer_.LineColumnText();
    }
    if (ok) BuildDocument();
    lines_.clear();

    CompileErrors& errors = script_.Errors();
    errors.ErrorMessage = ok ? std::string() : errorMessage_;
    errors.ErrorPosition = ok ? std::string() : errorPosition_;
    return ok;
}

// Fills the element of a surviving line as the reader would read the line's
// tag text; false when the element stays open for children.
bool TscILParser::SetFromLine(const OutputLine& line, TscXMLItem& item) {
    std::string attributes;
    attributes.reserve(line.value.size() + 32);
    switch (line.kind) {
        case OutputLine::Kind::Empty:
            AppendAttribute(attributes, "text", line.value);
            attributes += ' ';
            AppendPosition(attributes, "pos", line.pos);
            break;
        case OutputLine::Kind::Open:
        case OutputLine::Kind::OpenWrap:
            AppendPosition(
                attributes, "pos",
                line.kind == OutputLine::Kind::OpenWrap ? FirstTokenPosition(line.pos) : line.pos);
            if (line.pos1 > 0) {
                attributes += ' ';
                AppendPosition(attributes, "pos1", line.pos1);
            }
            break;
        case OutputLine::Kind::OpenUses:
            AppendAttribute(attributes, "unit", line.value);
            break;
        case OutputLine::Kind::Close:
        case OutputLine::Kind::Unit:
            break;
    }
    const bool empty = line.kind == OutputLine::Kind::Empty;
    // Names come from the grammar; one the reader would split differently
    // (a blank in it, a "/" at its end) goes through the reader's split.
    if (line.name.empty() || line.name.find(' ') != std::string_view::npos ||
        line.name.back() == '/') {
        std::string tag(line.name);
        tag += ' ';
        tag += attributes;
        if (empty) tag += '/';
        return SplitTag(tag, item.Name, item.Text);
    }
    item.Name = line.name;
    item.Text = std::move(attributes);
    return empty;
}

void TscILParser::AppendPosition(std::string& out, std::string_view name, int position) const {
    out += name;
    out += "=\"";
    AppendLineColumn(out, tokenizer_.PointAt(position));
    out += '"';
}

void TscILParser::BuildDocument() {
    TscXMLItem& root = intermediate_->Root();
    root.Clear();
    root.Name = "program";
    root.Text.clear();
    std::vector<TscXMLItem*> open{&root};
    for (OutputLine& line : lines_) {
        switch (line.kind) {
            case OutputLine::Kind::Close:
                if (open.size() > 1) open.pop_back();
                break;
            case OutputLine::Kind::Unit:
                if (line.unit) open.back()->AddItem(std::move(line.unit));
                break;
            default: {
                TscXMLItem& item = open.back()->Add();
                if (!SetFromLine(line, item)) open.push_back(&item);
                break;
            }
        }
    }
    // The grammar's types, or an empty element when it has none.
    TscXMLItem& types = root.Add();
    const int typesAt = grammar_ ? GrammarRoot().Find("types") : -1;
    if (typesAt >= 0) {
        types.CopyTree(&GrammarRoot().Items(typesAt));
    } else {
        types.Name = "types";
    }
}

// ---- matcher ----------------------------------------------------------------

// Matches one grammar element at the current position. A failed element
// leaves the position where it started; rules with a `node` wrap or drop
// the lines they wrote.
bool TscILParser::Match(int element) {
    if (aborted_) return false;
    DepthGuard depth(depth_);
    if (depth_ > kMaxMatchDepth) {
        Abort();
        return false;
    }
    const GrammarElement& e = compiled_->Element(element);
    if (e.guardCount > 0 && !GuardsAllow(e)) return false;
    const int start = tokenizer_.Position();
    const size_t entry = lines_.size();
    // The element a `node` names opens here; the line is dropped with
    // everything after it when the element fails. Choices, loops and
    // optional parts take no `node`.
    const bool wraps =
        (e.nodeRole == NodeRole::Element || e.nodeRole == NodeRole::Expr) && !IsControlKind(e.kind);
    if (wraps) lines_.push_back({OutputLine::Kind::OpenWrap, e.node, {}, start, 0, nullptr});
    std::string token;
    bool matched = true;

    switch (e.kind) {
        case GrammarKind::Rule:
        case GrammarKind::Sequence:
            break;
        case GrammarKind::Char:
            if (e.skipBlanks) tokenizer_.SkipBlanks();
            token = tokenizer_.ReadPunctuation();
            if (e.memberDot && !token.empty() && tokenizer_.CurrentChar() == '.') token.clear();
            break;
        case GrammarKind::Keyword:
            token = tokenizer_.ReadWord();
            break;
        case GrammarKind::Ident:
            token = tokenizer_.ReadIdentifier();
            break;
        case GrammarKind::Number:
            token = tokenizer_.ReadNumberLiteral();
            break;
        case GrammarKind::String:
            token = tokenizer_.ReadStringLiteral();
            break;
        case GrammarKind::FrString:
            token = tokenizer_.ReadBracketedText();
            EmitGetCall(token);
            break;
        case GrammarKind::Eol:
            matched = tokenizer_.ReadLineEnd();
            break;
        case GrammarKind::Switch:
        case GrammarKind::OptionalSwitch:
            return MatchSwitch(e, start);
        case GrammarKind::Loop:
        case GrammarKind::OptionalLoop:
            return MatchLoop(e, start);
        case GrammarKind::Optional:
            MatchOptional(e, start);
            return true;
        case GrammarKind::Reference:
            if (e.target < 0)
                throw EScriptError(std::string(MessageText(Msg::InvalidLanguageDefinition)),
                                   tokenizer_.LineColumnText());
            matched = Match(e.target);
            break;
    }
    if (IsTokenKind(e.kind)) {
        matched = !token.empty() &&
                  (e.text.empty() ||
                   (tokenizer_.CaseSensitive ? token == e.text : runtime::SameText(token, e.text)));
    }
    if (matched) {
        if (e.kind != GrammarKind::Rule && e.nodeRole != NodeRole::None) Wrap(e, entry);
        if (!e.add.empty()) EmitAdd(e, token);
        for (int child : compiled_->Children(e)) {
            if (!Match(child)) {
                matched = false;
                break;
            }
        }
    }
    if (!matched) {
        RecordError(e, start);
        tokenizer_.SetPosition(start);
    }
    if (e.kind == GrammarKind::Rule && e.nodeRole != NodeRole::None && (matched || !wraps))
        Wrap(e, entry);
    if (!matched) DropLinesFrom(entry);
    return matched;
}

// A failed element leaves no output behind, whatever its children wrote
// before one of them failed. Otherwise an abandoned alternative stays in
// the form: array[3] would carry its dimension twice and read as 3..3.
void TscILParser::DropLinesFrom(size_t entry) {
    if (lines_.size() > entry)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(entry), lines_.end());
}

// Whether the text ahead begins with one of the element's guard tokens. The
// look at the text is kept per position: alternatives are tried at the same
// place again and again.
bool TscILParser::GuardsAllow(const GrammarElement& e) {
    const int here = tokenizer_.Position();
    if (peek_.from != here) {
        peek_.from = here;
        peek_.hasWord = false;
        tokenizer_.SkipBlanks();
        peek_.afterBlanks = tokenizer_.Position();
        tokenizer_.SetPosition(here);
    }
    for (const GrammarGuard& guard : compiled_->Guards(e)) {
        if (!guard.keyword) {
            const int at = guard.skipBlanks ? peek_.afterBlanks : here;
            if (at <= tokenizer_.Size() && tokenizer_.CharAt(at) == guard.text[0]) return true;
            continue;
        }
        if (!peek_.hasWord) {
            peek_.hasWord = true;
            peek_.word = tokenizer_.ReadWord();
            tokenizer_.SetPosition(here);
        }
        if (tokenizer_.CaseSensitive ? peek_.word == guard.text
                                     : runtime::SameText(peek_.word, guard.text))
            return true;
    }
    return false;
}

bool TscILParser::MatchSwitch(const GrammarElement& e, int start) {
    for (int child : compiled_->Children(e))
        if (Match(child)) return true;
    if (e.kind == GrammarKind::OptionalSwitch) return true;
    RecordError(e, start);
    return false;
}

bool TscILParser::MatchLoop(const GrammarElement& e, int start) {
    const size_t entry = lines_.size();
    int iterations = 0;
    int lastEnd = start;  // where the children of the last whole iteration ended
    size_t lastEndLines = entry;
    bool iterationMatched = true;
    for (;;) {
        ++iterations;
        const int iterationStart = tokenizer_.Position();
        for (int child : compiled_->Children(e)) {
            if (!Match(child)) {
                iterationMatched = false;
                break;
            }
        }
        if (!iterationMatched) break;
        lastEnd = tokenizer_.Position();
        lastEndLines = lines_.size();
        if (!e.text.empty()) {
            tokenizer_.SkipBlanks();
            if (tokenizer_.ReadPunctuation() != e.text) {
                tokenizer_.SetPosition(lastEnd);
                break;
            }
        }
        if (tokenizer_.Position() == iterationStart) break;
    }
    bool matched = iterationMatched;
    if (iterations >= 2) {
        if ((e.clearsError || terminatingError_) && !errorLocked_) errorMessage_.clear();
        tokenizer_.SetPosition(lastEnd);
        DropLinesFrom(lastEndLines);
        matched = true;
    }
    if (!matched) DropLinesFrom(entry);
    if (!matched && e.kind == GrammarKind::OptionalLoop) {
        tokenizer_.SetPosition(start);
        matched = true;
    }
    return matched;
}

void TscILParser::MatchOptional(const GrammarElement& e, int start) {
    const size_t entry = lines_.size();
    for (int child : compiled_->Children(e)) {
        if (!Match(child)) {
            tokenizer_.SetPosition(start);
            DropLinesFrom(entry);
            return;
        }
    }
}

void TscILParser::RecordError(const GrammarElement& e, int start) {
    if (!e.hasErr || !errorMessage_.empty()) return;
    errorMessage_ = e.errMessage;
    errorPosition_ = tokenizer_.LineColumnTextAt(FirstTokenPosition(start));
    terminatingError_ = e.terminating;
}

// Text nested beyond the budget fails the whole match with an error no loop
// can clear, instead of exhausting the stack.
void TscILParser::Abort() {
    aborted_ = true;
    errorLocked_ = true;
    errorMessage_ = MessageText(Msg::NestedTooDeeply);
    errorPosition_ = tokenizer_.LineColumnTextAt(FirstTokenPosition(tokenizer_.Position()));
}

int TscILParser::FirstTokenPosition(int start) {
    const int saved = tokenizer_.Position();
    tokenizer_.SetPosition(start);
    tokenizer_.SkipBlanks();
    const int position = tokenizer_.Position();
    tokenizer_.SetPosition(saved);
    return position;
}

void TscILParser::EmitAdd(const GrammarElement& e, const std::string& token) {
    lines_.push_back({OutputLine::Kind::Empty, e.add, e.hasAddText ? e.addText : XmlEscape(token),
                      tokenizer_.Position(), 0, nullptr});
}

// A raw literal <...> becomes a call of "Get" with the text as its one
// string argument.
void TscILParser::EmitGetCall(const std::string& rawText) {
    using Kind = OutputLine::Kind;
    const int pos = tokenizer_.Position();
    lines_.push_back({Kind::Open, "dsgn", {}, pos, 0, nullptr});
    lines_.push_back({Kind::Empty, "node", "Get", pos, 0, nullptr});
    lines_.push_back({Kind::Open, "expr", {}, pos, 0, nullptr});
    std::string literal(1, '\'');
    literal += XmlEscape(rawText);
    literal += '\'';
    lines_.push_back({Kind::Empty, "string", std::move(literal), pos, 0, nullptr});
    lines_.push_back({Kind::Close, "expr", {}, 0, 0, nullptr});
    lines_.push_back({Kind::Close, "dsgn", {}, 0, 0, nullptr});
}

// Closes the element a `node` opened at `entry`; "uses" instead includes the
// units named since then.
void TscILParser::Wrap(const GrammarElement& e, size_t entry) {
    if (e.nodeRole == NodeRole::Uses) {
        IncludeUnits(entry);
        return;
    }
    if (e.nodeRole == NodeRole::Expr) lines_[entry].pos1 = tokenizer_.Position();
    lines_.push_back({OutputLine::Kind::Close, e.node, {}, 0, 0, nullptr});
}

// Every line written since `entry` names a unit; units are included from
// the last to the first at an insertion point that moves past each, so a
// clause's units appear in reverse order.
void TscILParser::IncludeUnits(size_t entry) {
    std::vector<std::string> names;
    for (size_t i = entry; i < lines_.size(); ++i) {
        if (lines_[i].kind != OutputLine::Kind::Empty) continue;
        const std::string literal = XmlUnescape(lines_[i].value);
        names.push_back(literal.size() >= 2 ? literal.substr(1, literal.size() - 2)
                                            : std::string());
    }
    DropLinesFrom(entry);
    if (aborted_) return;
    unitInsertAt_ = entry;
    for (auto name = names.rbegin(); name != names.rend(); ++name) IncludeUnit(*name);
}

void TscILParser::IncludeUnit(const std::string& unitName) {
    const bool included =
        std::any_of(includedUnits_.begin(), includedUnits_.end(),
                    [&](const std::string& name) { return runtime::SameText(name, unitName); });
    if (included) return;
    includedUnits_.push_back(unitName);

    std::string text;
    if (!script_.GetUnitText(unitName, text)) text = ReadUnitFile(unitName);
    // As the main text, the unit's lines each end in CR LF.
    runtime::TStringList lines;
    lines.SetText(text);

    std::unique_ptr<TscXMLItem> content;
    if (lines.Count() > 0) {
        TscILParser unit(script_);
        unit.unitName_ = unitName;
        unit.SelectGrammar(grammarName_);
        unit.includedUnits_ = includedUnits_;
        unit.depth_ = depth_ + kUnitDepthCost;
        if (unit.BuildIntermediate(lines.Text())) {
            includedUnits_ = std::move(unit.includedUnits_);
            content = std::make_unique<TscXMLItem>();
            content->CopyTree(&unit.Intermediate().Root());
        } else {
            // The unit's error replaces any recorded here, and no loop of
            // this text may clear it: the unit's content is gone.
            CompileErrors& errors = script_.Errors();
            errorMessage_ = errors.ErrorMessage;
            errorPosition_ = errors.ErrorPosition;
            errorLocked_ = true;
            if (errors.ErrorUnit.empty()) errors.ErrorUnit = unitName;
        }
    }
    using Kind = OutputLine::Kind;
    OutputLine unitLines[] = {{Kind::OpenUses, "uses", XmlEscape(unitName), 0, 0, nullptr},
                              {Kind::Unit, {}, {}, 0, 0, std::move(content)},
                              {Kind::Close, "uses", {}, 0, 0, nullptr}};
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(unitInsertAt_),
                  std::make_move_iterator(std::begin(unitLines)),
                  std::make_move_iterator(std::end(unitLines)));
    unitInsertAt_ += std::size(unitLines);
}

}  // namespace script
