#include "script/il_parser.h"

#include <algorithm>
#include <utility>

#include "runtime/streams.h"
#include "runtime/strings.h"
#include "script/compiled_grammar.h"
#include "script/errors.h"
#include "script/grammar_registry.h"
#include "script/limits.h"
#include "script/stack_guard.h"
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

// Names the small-XML reader would split differently from how they are
// written: the element then goes through the reader's split.
bool IsIrregularName(std::string_view name) {
    return name.empty() || name.find(' ') != std::string_view::npos || name.back() == '/';
}

// Beyond this, the value buffer grows as it fills instead of being made
// ready.
constexpr size_t kMaxReservedValues = size_t{1} << 22;

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

// ---- TscILParser ------------------------------------------------------------

namespace {

// The names of the elements a raw literal <...> becomes, and of units.
constexpr std::string_view kFixedNames[] = {"dsgn", "node", "expr", "string", "uses"};
constexpr int kDsgnName = -1;
constexpr int kNodeName = -2;
constexpr int kExprName = -3;
constexpr int kStringName = -4;
constexpr int kUsesName = -5;
static_assert(std::size(kFixedNames) == static_cast<size_t>(-kUsesName),
              "one name for each negative index");

}  // namespace

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

TscXMLDocument& TscILParser::Intermediate() {
    if (!documentMade_ && form_) {
        TscXMLItem& root = intermediate_->Root();
        root.Clear();
        form_->ToXml(0, root);
    }
    documentMade_ = true;
    return *intermediate_;
}

IntermediateForm* TscILParser::Form() {
    // The document handed out may have been changed: it is what counts.
    if (documentMade_) form_ = IntermediateForm::FromXml(intermediate_->Root());
    return form_.get();
}

bool TscILParser::BuildIntermediate(std::string_view text) {
    lines_.clear();
    values_.clear();
    units_.clear();
    errorMessage_.clear();
    errorPosition_.clear();
    errorOffset_ = 0;
    terminatingError_ = false;
    errorLocked_ = false;
    aborted_ = false;

    stackLimit_ = StackLimit();
    tokenizer_.SetSource(text);
    // Room for the values a script of this size writes, most of them
    // tokens of the text, so that the buffer does not move while matching.
    values_.reserve(std::min<size_t>(text.size() + 256, kMaxReservedValues));
    peek_.from = 0;
    int start = 1;
    if (tokenizer_.ReadPunctuationView() == "#" &&
        runtime::SameText(tokenizer_.ReadIdentifierView(), "language")) {
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
        errorOffset_ = tokenizer_.Position();
        errorPosition_ = tokenizer_.LineColumnText();
    }
    if (!ok) ReportLexicalFault();
    if (ok) {
        form_ = BuildForm();
        documentMade_ = false;
    }
    lines_.clear();
    values_.clear();
    units_.clear();

    CompileErrors& errors = script_.Errors();
    errors.ErrorMessage = ok ? std::string() : errorMessage_;
    errors.ErrorPosition = ok ? std::string() : errorPosition_;
    return ok;
}

std::string_view TscILParser::LineValue(const OutputLine& line) const {
    const bool hasValue =
        line.kind == OutputLine::Kind::Empty || line.kind == OutputLine::Kind::Unit;
    return hasValue ? std::string_view(values_).substr(line.valueAt, line.size)
                    : std::string_view();
}

std::string_view TscILParser::LineName(const OutputLine& line) const {
    if (line.name < 0) return kFixedNames[static_cast<size_t>(-line.name - 1)];
    const GrammarElement& e = compiled_->Element(line.name);
    return line.kind == OutputLine::Kind::Empty ? e.add : e.node;
}

// The surviving lines as a form: each line an element, under the nearest
// line before it whose content it lies in.
std::unique_ptr<IntermediateForm> TscILParser::BuildForm() {
    using Kind = OutputLine::Kind;
    size_t count = 2;  // the root and the types
    for (size_t i = 0; i < lines_.size(); ++i) {
        const OutputLine& line = lines_[i];
        ++count;
        if (line.kind == Kind::Unit && line.pos1 >= 0)
            count += units_[static_cast<size_t>(line.pos1)]->elements_.size();
    }

    auto form = std::make_unique<IntermediateForm>();
    form->elements_.reserve(count);
    form->parents_.reserve(count);
    // The names' numbers by the grammar element that names them (its `node`
    // and its `add`), and the fixed names'.
    std::vector<int64_t> numbers(
        static_cast<size_t>(compiled_->Count()) * 2 + std::size(kFixedNames), -1);
    bool irregular = false;
    const auto nameOf = [&](const OutputLine& line) {
        const size_t slot =
            line.name < 0
                ? static_cast<size_t>(compiled_->Count()) * 2 + static_cast<size_t>(-line.name - 1)
                : static_cast<size_t>(line.name) * 2 + (line.kind == Kind::Empty ? 1 : 0);
        if (numbers[slot] < 0) {
            const std::string_view name = LineName(line);
            irregular = irregular || IsIrregularName(name);
            numbers[slot] = form->NameNumber(name);
        }
        return static_cast<uint32_t>(numbers[slot]);
    };
    for (size_t i = 0; i < lines_.size() && !irregular; ++i)
        if (lines_[i].kind != Kind::Unit) nameOf(lines_[i]);
    if (irregular) return BuildFormThroughTree();
    // Values grow by their escapes only; positions take up to ten
    // characters each, "expr" elements having two.
    form->chars_.reserve(values_.size() + count * 12);
    form->Append(-1, "program");
    struct Open {
        int element;
        size_t end;  // the first line after its content
    };
    std::vector<Open> open{{0, lines_.size()}};
    for (size_t i = 0; i < lines_.size(); ++i) {
        const OutputLine& line = lines_[i];
        while (open.size() > 1 && open.back().end <= i) open.pop_back();
        const int index = form->Append(open.back().element, nameOf(line));
        IlElement& element = form->Element(index);
        const std::string_view value = LineValue(line);
        switch (line.kind) {
            case Kind::Empty:
                element.Layout = IlLayout::TextPos;
                element.Value = line.escaped ? form->Keep(value) : form->KeepEscaped(value);
                element.Pos = form->KeepLineColumn(tokenizer_.PointAt(line.pos));
                break;
            case Kind::Open:
            case Kind::OpenWrap:
                element.Layout = IlLayout::Pos;
                element.Pos = form->KeepLineColumn(tokenizer_.PointAt(
                    line.kind == Kind::OpenWrap ? FirstTokenPosition(line.pos) : line.pos));
                if (line.pos1 > 0)
                    element.Pos1 = form->KeepLineColumn(tokenizer_.PointAt(line.pos1));
                open.push_back({index, i + 1 + line.size});
                break;
            case Kind::Unit:
                element.Layout = IlLayout::Unit;
                element.Value = line.escaped ? form->Keep(value) : form->KeepEscaped(value);
                if (line.pos1 >= 0) form->Splice(*units_[static_cast<size_t>(line.pos1)], index);
                break;
        }
    }
    AppendTypes(*form);
    form->LinkChildren();
    return form;
}

// A grammar whose element names the reader would split (a blank in one, a
// "/" at its end) gets the tree the reader would make of the lines' text,
// where a closing tag ends whatever element is open at that point.
std::unique_ptr<IntermediateForm> TscILParser::BuildFormThroughTree() {
    using Kind = OutputLine::Kind;
    TscXMLItem root;
    root.Name = "program";
    std::vector<TscXMLItem*> open{&root};
    std::vector<size_t> ends;  // of the lines whose content is being read
    const auto close = [&] {
        if (open.size() > 1) open.pop_back();
    };
    for (size_t i = 0; i < lines_.size(); ++i) {
        const OutputLine& line = lines_[i];
        for (; !ends.empty() && ends.back() <= i; ends.pop_back()) close();
        const std::string_view value = LineValue(line);
        std::string escaped;
        if (line.escaped) {
            escaped.assign(value);
        } else {
            AppendXmlEscaped(escaped, value);
        }
        std::string tag(LineName(line));
        tag += ' ';
        switch (line.kind) {
            case Kind::Empty:
                AppendXmlAttribute(tag, "text", escaped);
                tag += " pos=\"";
                AppendLineColumn(tag, tokenizer_.PointAt(line.pos));
                tag += "\"/";
                break;
            case Kind::Open:
            case Kind::OpenWrap:
                tag += "pos=\"";
                AppendLineColumn(tag, tokenizer_.PointAt(line.kind == Kind::OpenWrap
                                                             ? FirstTokenPosition(line.pos)
                                                             : line.pos));
                tag += '"';
                if (line.pos1 > 0) {
                    tag += " pos1=\"";
                    AppendLineColumn(tag, tokenizer_.PointAt(line.pos1));
                    tag += '"';
                }
                ends.push_back(i + 1 + line.size);
                break;
            case Kind::Unit:
                AppendXmlAttribute(tag, "unit", escaped);
                break;
        }
        TscXMLItem& item = open.back()->Add();
        const bool closed = SplitTag(tag, item.Name, item.Text);
        if (line.kind == Kind::Unit) {
            if (line.pos1 >= 0) units_[static_cast<size_t>(line.pos1)]->ToXml(0, item.Add());
        } else if (!closed) {
            open.push_back(&item);
        }
    }
    auto form = IntermediateForm::FromXml(root);
    AppendTypes(*form);
    form->LinkChildren();
    return form;
}

// The grammar's types close the form, or an empty element when it has none.
void TscILParser::AppendTypes(IntermediateForm& form) const {
    if (grammar_) {
        form.Splice(grammar_->Types(), 0);
    } else {
        form.Append(0, "types");
    }
}

// ---- matcher ----------------------------------------------------------------

// Written in place: the matcher writes a line for most elements it enters.
void TscILParser::PushLine(OutputLine::Kind kind, int name, int pos, std::string_view value,
                           bool escaped, int pos1) {
    if (values_.size() + value.size() > UINT32_MAX) ThrowScriptTooLong();
    OutputLine& line = lines_.emplace_back();
    line.kind = kind;
    line.escaped = escaped;
    line.name = name;
    line.valueAt = static_cast<uint32_t>(values_.size());
    line.size = static_cast<uint32_t>(value.size());
    line.pos = pos;
    line.pos1 = pos1;
    values_ += value;
}

// Matches one grammar element at the current position. A failed element
// leaves the position where it started; rules with a `node` wrap or drop
// the lines they wrote.
bool TscILParser::Match(int element, bool guardsPassed) {
    if (aborted_) return false;
    DepthGuard depth(depth_);
    if (depth_ > kMaxMatchDepth || BelowStackLimit(stackLimit_)) {
        Abort();
        return false;
    }
    const GrammarElement& e = compiled_->Element(element);
    if (!guardsPassed && e.guardCount > 0 && !e.guardsFirstPart && !GuardsAllow(e)) return false;
    const int start = tokenizer_.Position();
    const size_t entry = lines_.size();
    // The element a `node` names opens here; the line is dropped with
    // everything after it when the element fails. Choices, loops and
    // optional parts take no `node`.
    const bool wraps =
        (e.nodeRole == NodeRole::Element || e.nodeRole == NodeRole::Expr) && !IsControlKind(e.kind);
    if (wraps) {
        // Where the element's first token begins is known already when its
        // guards looked ahead.
        if (peek_.from == start) {
            PushLine(OutputLine::Kind::Open, element, peek_.afterBlanks, {});
        } else {
            PushLine(OutputLine::Kind::OpenWrap, element, start, {});
        }
    }
    std::string_view token;
    bool matched = true;

    switch (e.kind) {
        case GrammarKind::Rule:
        case GrammarKind::Sequence:
            break;
        case GrammarKind::Char:
            if (e.skipBlanks) tokenizer_.SetPosition(AfterBlanks(start));
            token = tokenizer_.ReadPunctuationView();
            if (e.memberDot && !token.empty() && tokenizer_.CurrentChar() == '.') token = {};
            break;
        case GrammarKind::Keyword:
            token = WordAhead(start);
            break;
        case GrammarKind::Ident:
            token = WordAhead(start);
            if (!token.empty() && tokenizer_.IsReservedWord(token)) token = {};
            break;
        case GrammarKind::Number:
            tokenizer_.SetPosition(AfterBlanks(start));
            token = tokenizer_.ReadNumberLiteralView();
            break;
        case GrammarKind::String:
            tokenizer_.SetPosition(AfterBlanks(start));
            token = tokenizer_.ReadStringLiteralView();
            break;
        case GrammarKind::FrString:
            token = tokenizer_.ReadBracketedTextView();
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
            matched = Try(e.target);
            break;
    }
    if (IsTokenKind(e.kind)) {
        matched = !token.empty() &&
                  (e.text.empty() ||
                   (tokenizer_.CaseSensitive ? token == e.text : runtime::SameText(token, e.text)));
    }
    if (matched) {
        if (e.kind != GrammarKind::Rule && e.nodeRole != NodeRole::None) Wrap(element, entry);
        if (e.hasAdd) EmitAdd(element, token);
        for (int child : compiled_->Children(e)) {
            if (!Try(child)) {
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
        Wrap(element, entry);
    if (!matched) DropLinesFrom(entry);
    return matched;
}

// Elements whose guards refuse the text ahead are refused before the call:
// most elements tried fail at their first token. Match itself decides when
// the match is over or too deep.
bool TscILParser::Try(int element) {
    const GrammarElement& e = compiled_->Element(element);
    if (e.guardCount == 0 || aborted_) return Match(element);
    // The guards of a loop or optional part stand for its first part, one
    // level further in: refusing it there must not skip the depth check.
    if (depth_ + (e.guardsFirstPart ? 2 : 1) > kMaxMatchDepth) return Match(element);
    if (GuardsAllow(e)) return Match(element, true);
    return e.guardsFirstPart && e.kind != GrammarKind::Loop;
}

// A failed element leaves no output behind, whatever its children wrote
// before one of them failed. Otherwise an abandoned alternative stays in
// the form: array[3] would carry its dimension twice and read as 3..3.
void TscILParser::DropLinesFrom(size_t entry) {
    if (lines_.size() <= entry) return;
    values_.resize(lines_[entry].valueAt);
    lines_.truncate(entry);
}

// Whether the text ahead begins with one of the element's guard tokens. The
// look at the text is kept per position: alternatives are tried at the same
// place again and again.
bool TscILParser::GuardsAllow(const GrammarElement& e) {
    const int here = tokenizer_.Position();
    const int afterBlanks = AfterBlanks(here);
    for (const GrammarGuard& guard : compiled_->Guards(e)) {
        if (!guard.keyword) {
            const int at = guard.skipBlanks ? afterBlanks : here;
            if (at <= tokenizer_.Size() && tokenizer_.CharAt(at) == guard.punctuation) return true;
            continue;
        }
        if (peek_.guardWord == kNotLookedUp) {
            peek_.guardWord = compiled_->GuardWord(WordAhead(here), tokenizer_.CaseSensitive);
            tokenizer_.SetPosition(here);
        }
        if (peek_.guardWord == guard.word) return true;
    }
    return false;
}

// Where the blanks from `here` end. Alternatives are tried at the same place
// again and again, so what lies ahead of one position is kept.
int TscILParser::AfterBlanks(int here) {
    if (peek_.from != here) {
        const int saved = tokenizer_.Position();
        tokenizer_.SetPosition(here);
        tokenizer_.SkipBlanks();
        peek_ = Peek{};
        peek_.from = here;
        peek_.afterBlanks = tokenizer_.Position();
        tokenizer_.SetPosition(saved);
    }
    return peek_.afterBlanks;
}

// The word a word reader reads from `here`, the tokenizer left after it.
std::string_view TscILParser::WordAhead(int here) {
    const int from = AfterBlanks(here);
    if (!peek_.hasWord) {
        tokenizer_.SetPosition(from);
        peek_.word = tokenizer_.ReadWordView();
        peek_.wordEnd = tokenizer_.Position();
        peek_.hasWord = true;
    }
    tokenizer_.SetPosition(peek_.wordEnd);
    return peek_.word;
}

bool TscILParser::MatchSwitch(const GrammarElement& e, int start) {
    for (int child : compiled_->Children(e))
        if (Try(child)) return true;
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
    int iterationStart = start;
    for (;;) {
        ++iterations;
        iterationStart = tokenizer_.Position();
        for (int child : compiled_->Children(e)) {
            if (!Try(child)) {
                iterationMatched = false;
                break;
            }
        }
        if (!iterationMatched) break;
        lastEnd = tokenizer_.Position();
        lastEndLines = lines_.size();
        if (!e.text.empty()) {
            tokenizer_.SkipBlanks();
            if (tokenizer_.ReadPunctuationView() != e.text) {
                tokenizer_.SetPosition(lastEnd);
                break;
            }
        }
        if (tokenizer_.Position() == iterationStart) break;
    }
    bool matched = iterationMatched;
    if (iterations >= 2) {
        if ((e.clearsError || terminatingError_) && !errorLocked_) errorMessage_.clear();
        // A list whose last part may fail (skip "1") keeps the separator
        // before that part: in "1: a; else b" the ";" belongs to the case
        // list. Other lists end before it, so "f(a, )" stays an error.
        const bool keepSeparator = e.clearsError && !e.text.empty() && !iterationMatched;
        tokenizer_.SetPosition(keepSeparator ? iterationStart : lastEnd);
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
        if (!Try(child)) {
            tokenizer_.SetPosition(start);
            DropLinesFrom(entry);
            return;
        }
    }
}

void TscILParser::RecordError(const GrammarElement& e, int start) {
    if (!e.hasErr || !errorMessage_.empty()) return;
    errorMessage_ = e.errMessage;
    errorOffset_ = FirstTokenPosition(start);
    errorPosition_ = tokenizer_.LineColumnTextAt(errorOffset_);
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

// A text that fails to match where the reading met an unterminated
// comment or string, or a character no token takes, fails because of it
// (the matcher reads only as far as the text matches, and a fault always
// ends the match close by): that is what the author needs to hear, where
// it begins.
void TscILParser::ReportLexicalFault() {
    const TscParser::LexicalFault& fault = tokenizer_.Fault();
    if (fault.position == 0 || errorOffset_ == 0 || aborted_) return;
    errorMessage_ = MessageText(fault.message);
    if (!fault.detail.empty()) errorMessage_ += "'" + fault.detail + "'";
    errorPosition_ = tokenizer_.LineColumnTextAt(fault.position);
}

int TscILParser::FirstTokenPosition(int start) {
    return AfterBlanks(start);
}

void TscILParser::EmitAdd(int element, std::string_view token) {
    const GrammarElement& e = compiled_->Element(element);
    PushLine(OutputLine::Kind::Empty, element, tokenizer_.Position(),
             e.hasAddText ? std::string_view(e.addText) : token, e.hasAddText);
}

// A raw literal <...> becomes a call of "Get" with the text as its one
// string argument.
void TscILParser::EmitGetCall(std::string_view rawText) {
    using Kind = OutputLine::Kind;
    const int pos = tokenizer_.Position();
    const size_t dsgn = lines_.size();
    PushLine(Kind::Open, kDsgnName, pos, {});
    PushLine(Kind::Empty, kNodeName, pos, "Get");
    PushLine(Kind::Open, kExprName, pos, {});
    const size_t literalAt = values_.size();
    PushLine(Kind::Empty, kStringName, pos, "'");
    values_ += rawText;
    values_ += '\'';
    if (values_.size() > UINT32_MAX) ThrowScriptTooLong();
    lines_.back().size = static_cast<uint32_t>(values_.size() - literalAt);
    // dsgn holds node and expr, expr holds string.
    lines_[dsgn].size = 3;
    lines_[dsgn + 2].size = 1;
}

// Closes the element a `node` opened at `entry` over the lines written
// since; "uses" instead includes the units named in them.
void TscILParser::Wrap(int element, size_t entry) {
    const GrammarElement& e = compiled_->Element(element);
    if (e.nodeRole == NodeRole::Uses) {
        IncludeUnits(entry);
        return;
    }
    OutputLine& open = lines_[entry];
    if (e.nodeRole == NodeRole::Expr) open.pos1 = tokenizer_.Position();
    open.size = static_cast<uint32_t>(lines_.size() - entry - 1);
}

// Every line written since `entry` names a unit; units are included from
// the last to the first, each after the one before, so a clause's units
// appear in reverse order.
void TscILParser::IncludeUnits(size_t entry) {
    std::vector<std::string> names;
    for (size_t i = entry; i < lines_.size(); ++i) {
        if (lines_[i].kind != OutputLine::Kind::Empty) continue;
        const std::string_view value = LineValue(lines_[i]);
        const std::string literal = lines_[i].escaped ? XmlUnescape(value) : std::string(value);
        names.push_back(literal.size() >= 2 ? literal.substr(1, literal.size() - 2)
                                            : std::string());
    }
    DropLinesFrom(entry);
    if (aborted_) return;
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

    int content = -1;
    if (!text.empty()) {
        TscILParser unit(script_);
        unit.unitName_ = unitName;
        unit.SelectGrammar(grammarName_);
        unit.includedUnits_ = includedUnits_;
        unit.depth_ = depth_ + kUnitDepthCost;
        // As the main text, the unit's lines each end in CR LF.
        std::string joined;
        if (unit.BuildIntermediate(JoinedLines(text, joined))) {
            includedUnits_ = std::move(unit.includedUnits_);
            content = static_cast<int>(units_.size());
            units_.push_back(std::move(unit.form_));
        } else {
            // The unit's error replaces any recorded here, and no loop of
            // this text may clear it: the unit's content is gone.
            CompileErrors& errors = script_.Errors();
            errorMessage_ = errors.ErrorMessage;
            errorPosition_ = errors.ErrorPosition;
            errorOffset_ = 0;
            errorLocked_ = true;
            if (errors.ErrorUnit.empty()) errors.ErrorUnit = unitName;
        }
    }
    PushLine(OutputLine::Kind::Unit, kUsesName, 0, unitName, false, content);
}

}  // namespace script
