#include "script/tokenizer.h"

#include <algorithm>
#include <charconv>

#include "runtime/strings.h"
#include "script/errors.h"
#include "script/limits.h"

namespace script {

namespace {

constexpr std::string_view kDefaultIdentChars =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsPunctuation(unsigned char c) {
    return (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) ||
           (c >= 123 && c <= 126);
}

bool IsControlNotTab(unsigned char c) {
    return c < 32 && c != '\t';
}

}  // namespace

std::string_view JoinedLines(std::string_view text, std::string& storage) {
    bool joined = text.empty() || text.back() == '\n';
    for (size_t i = 0; joined && i < text.size(); ++i) {
        if (text[i] == '\n') {
            joined = false;
        } else if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            else
                joined = false;
        }
    }
    if (joined) return text;
    storage.clear();
    storage.reserve(text.size() + text.size() / 32 + 2);
    size_t p = 0;
    while (p < text.size()) {
        const size_t end = text.find_first_of("\r\n", p);
        const size_t lineEnd = end == std::string_view::npos ? text.size() : end;
        storage.append(text.substr(p, lineEnd - p));
        storage += "\r\n";
        p = lineEnd;
        if (p < text.size() && text[p] == '\r') ++p;
        if (p < text.size() && text[p] == '\n') ++p;
    }
    return storage;
}

uint32_t FoldedHash(std::string_view word) {
    uint32_t hash = 2166136261u;
    for (char c : word) {
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        hash = (hash ^ static_cast<unsigned char>(lower)) * 16777619u;
    }
    return hash;
}

TscParser::TscParser() {
    ApplyDefaults();
}

void TscParser::ApplyDefaults() {
    LineComment1 = "//";
    SetBlockComment1("{,}");
    SetBlockComment2("(*,*)");
    HexPrefix.assign(1, '$');
    SetIdentifierChars(kDefaultIdentChars);
    LineContinuation.clear();
    LineEndsAreBlanks = true;
    StringQuote.assign(1, '\'');
    keywords_.clear();
    RebuildKeywordTable();
}

void TscParser::SetBlockComment(BlockComment& comment, std::string_view pair) {
    comment.pair = pair;
    const size_t comma = pair.find(',');
    // Without both halves the pair is off: an empty closer would match at
    // every position and never let the skipping move on.
    if (comma == std::string_view::npos || comma == 0 || comma + 1 == pair.size()) {
        comment.opener.clear();
        comment.closer.clear();
    } else {
        comment.opener = pair.substr(0, comma);
        comment.closer = pair.substr(comma + 1);
    }
}

void TscParser::SetBlockComment1(std::string_view pair) {
    SetBlockComment(block_[0], pair);
}

void TscParser::SetBlockComment2(std::string_view pair) {
    SetBlockComment(block_[1], pair);
}

void TscParser::SetIdentifierChars(std::string_view chars) {
    identChars_.reset();
    for (char c : chars) identChars_.set(static_cast<unsigned char>(c));
}

void TscParser::AddKeyword(std::string_view word) {
    auto at = std::lower_bound(
        keywords_.begin(), keywords_.end(), word,
        [](const std::string& a, std::string_view b) { return runtime::CompareText(a, b) < 0; });
    keywords_.insert(at, std::string(word));
    RebuildKeywordTable();
}

// Grammars name a few dozen keywords, added once per grammar selection.
void TscParser::RebuildKeywordTable() {
    longestKeyword_ = 0;
    size_t slots = 16;
    while (slots < keywords_.size() * 4) slots *= 2;
    keywordSlots_.assign(slots, 0);
    for (size_t i = 0; i < keywords_.size(); ++i) {
        longestKeyword_ = std::max(longestKeyword_, keywords_[i].size());
        size_t at = FoldedHash(keywords_[i]) & (slots - 1);
        while (keywordSlots_[at] != 0) at = (at + 1) & (slots - 1);
        keywordSlots_[at] = static_cast<uint32_t>(i + 1);
    }
}

bool TscParser::IsReservedWord(std::string_view word) const {
    if (word.size() > longestKeyword_) return false;
    const size_t mask = keywordSlots_.size() - 1;
    for (size_t at = FoldedHash(word) & mask; keywordSlots_[at] != 0; at = (at + 1) & mask) {
        const std::string& keyword = keywords_[keywordSlots_[at] - 1u];
        if (CaseSensitive ? keyword == word : runtime::SameText(keyword, word)) return true;
    }
    return false;
}

void TscParser::SetSource(std::string_view text) {
    if (static_cast<long long>(text.size()) > kMaxSourceSize)
        throw EScriptError(std::string(MessageText(Msg::ScriptTooLong)));
    src_.assign(text);
    src_.push_back('\0');
    size_ = static_cast<int>(text.size());
    pos_ = 1;
    tokenStart_ = 1;
    lastLine_ = 0;
    fault_ = LexicalFault();
    lines_.assign(1, 0);
    for (int i = 0; i < size_; ++i)
        if (src_[i] == '\n') lines_.push_back(i + 1);
}

bool TscParser::TextAt(int position, std::string_view s) const {
    if (s.empty() || position < 1 || position - 1 + static_cast<long long>(s.size()) > size_)
        return false;
    // Blank skipping asks this at every token for every comment opener; the
    // first character settles nearly all of them.
    return src_[position - 1] == s[0] && std::string_view(src_).substr(position - 1, s.size()) == s;
}

bool TscParser::IsBlank(char c) const {
    const auto u = static_cast<unsigned char>(c);
    return u <= 32 && (LineEndsAreBlanks || c != '\r');
}

// A cheap first look before the comment openers are compared in full.
bool TscParser::MayStartComment(char c) const {
    const auto starts = [c](const std::string& opener) {
        return !opener.empty() && opener[0] == c;
    };
    return starts(LineComment1) || starts(LineComment2) || starts(block_[0].opener) ||
           starts(block_[1].opener);
}

bool TscParser::SkipComment() {
    if (TextAt(pos_, LineComment1) || TextAt(pos_, LineComment2)) {
        while (pos_ <= size_ && src_[pos_ - 1] != '\n') ++pos_;
        return true;
    }
    for (const BlockComment& b : block_) {
        if (!TextAt(pos_, b.opener)) continue;
        const int opener = pos_;
        pos_ += static_cast<int>(b.closer.size());
        while (pos_ <= size_ && !TextAt(pos_, b.closer)) ++pos_;
        if (pos_ > size_) NoteFault(opener, Msg::UnterminatedComment);
        pos_ = std::min(pos_ + static_cast<int>(b.closer.size()), size_ + 1);
        return true;
    }
    return false;
}

void TscParser::NoteFault(int position, Msg message, std::string detail) {
    if (fault_.position != 0 && fault_.position <= position) return;
    fault_.position = position;
    fault_.message = message;
    fault_.detail = std::move(detail);
}

void TscParser::NoteStrayCharacter(int position, bool inWord) {
    const char c = At(position);
    if (static_cast<unsigned char>(c) < 0x80 || IsIdentifierChar(c)) return;
    // The character as the text has it: a multi-byte one whole.
    int end = position + 1;
    while (end <= size_ && end < position + 4 && static_cast<unsigned char>(At(end)) >= 0x80 &&
           !IsIdentifierChar(At(end)))
        ++end;
    NoteFault(position, inWord ? Msg::InvalidCharacterInIdentifier : Msg::InvalidCharacter,
              src_.substr(static_cast<size_t>(position - 1), static_cast<size_t>(end - position)));
}

void TscParser::SkipLineEndRun() {
    while (pos_ <= size_ && (src_[pos_ - 1] == '\r' || src_[pos_ - 1] == '\n')) ++pos_;
}

// A line continuation consumes the line end after the blanks that follow
// it. Continuations can follow one another before that line end comes, so
// the line ends still owed are counted instead of recursing per
// continuation character.
void TscParser::SkipBlanks() {
    int owedLineEnds = 0;
    const char cont = LineContinuation.empty() ? '\0' : LineContinuation[0];
    for (;;) {
        while (pos_ <= size_ && IsBlank(src_[pos_ - 1])) ++pos_;
        if (pos_ <= size_ && !LineContinuation.empty() && src_[pos_ - 1] == cont) {
            ++pos_;
            ++owedLineEnds;
            continue;
        }
        if (pos_ < size_ && MayStartComment(src_[pos_ - 1]) && SkipComment()) continue;
        if (owedLineEnds > 0) {
            --owedLineEnds;
            SkipLineEndRun();
            continue;
        }
        break;
    }
    tokenStart_ = pos_;
}

std::string_view TscParser::ReadWordView() {
    SkipBlanks();
    if (pos_ > size_) return {};
    const char first = src_[pos_ - 1];
    if (!IsIdentifierChar(first) || IsDigit(first)) {
        NoteStrayCharacter(pos_, false);
        return {};
    }
    while (pos_ <= size_ && IsIdentifierChar(src_[pos_ - 1])) ++pos_;
    if (pos_ <= size_) NoteStrayCharacter(pos_, true);
    return std::string_view(src_).substr(tokenStart_ - 1, pos_ - tokenStart_);
}

std::string_view TscParser::ReadIdentifierView() {
    const std::string_view word = ReadWordView();
    if (!word.empty() && IsReservedWord(word)) return {};
    return word;
}

std::string_view TscParser::ReadPunctuationView() {
    if (pos_ > size_ || !IsPunctuation(static_cast<unsigned char>(src_[pos_ - 1]))) return {};
    ++pos_;
    return std::string_view(src_).substr(pos_ - 2, 1);
}

bool TscParser::ReadInteger(int& p, unsigned& value) const {
    value = 0;
    const int start = p;
    if (HexPrefix.empty() || TextAt(p, HexPrefix)) {
        p += static_cast<int>(HexPrefix.size());
        const int digits = p;
        for (int h; p <= size_ && (h = HexValue(src_[p - 1])) >= 0; ++p)
            value = (value * 16 + static_cast<unsigned>(h)) & 0xFF;
        if (p > digits) return true;
    } else {
        for (; p <= size_ && IsDigit(src_[p - 1]); ++p)
            value = (value * 10 + static_cast<unsigned>(src_[p - 1] - '0')) & 0xFF;
        if (p > start) return true;
    }
    p = start;
    return false;
}

bool TscParser::ReadQuotedPart(std::string& value) {
    if (StringQuote.empty() || pos_ > size_ || src_[pos_ - 1] != StringQuote[0]) return false;
    const char quote = StringQuote[0];
    const bool escapes = StringQuote == "\"";
    const int open = pos_;
    const size_t kept = value.size();
    int p = pos_ + 1;
    while (p <= size_ && !IsControlNotTab(static_cast<unsigned char>(src_[p - 1]))) {
        const char c = src_[p - 1];
        if (c == quote) {
            if (!escapes && p < size_ && src_[p] == quote) {
                value.push_back(quote);
                p += 2;
                continue;
            }
            pos_ = p + 1;
            return true;
        }
        if (escapes && c == '\\' && p < size_ &&
            !IsControlNotTab(static_cast<unsigned char>(src_[p]))) {
            const char e = src_[p];
            p += 2;
            if (e == 'n') {
                value.push_back('\n');
            } else if (e == 'r') {
                value.push_back('\r');
            } else if (e == 'x' && p <= size_ && HexValue(src_[p - 1]) >= 0) {
                unsigned code = 0;
                for (int h; p <= size_ && (h = HexValue(src_[p - 1])) >= 0; ++p)
                    code = (code * 16 + static_cast<unsigned>(h)) & 0xFF;
                value.push_back(static_cast<char>(code));
            } else {
                value.push_back(e);
            }
            continue;
        }
        value.push_back(c);
        ++p;
    }
    value.resize(kept);
    pos_ = open;
    NoteFault(open, Msg::UnterminatedString);
    return false;
}

bool TscParser::ReadCharCode(std::string& value) {
    if (pos_ > size_ || src_[pos_ - 1] != '#') return false;
    int p = pos_ + 1;
    unsigned code = 0;
    if (!ReadInteger(p, code)) return false;
    value.push_back(static_cast<char>(code));
    pos_ = p;
    return true;
}

std::string_view TscParser::ReadStringLiteralView() {
    SkipBlanks();
    scratch_.assign(1, '\'');
    bool any = false;
    while (ReadQuotedPart(scratch_) || ReadCharCode(scratch_)) any = true;
    if (!any) return {};
    scratch_.push_back('\'');
    return scratch_;
}

std::string_view TscParser::ReadNumberLiteralView() {
    SkipBlanks();
    int p = pos_;
    unsigned ignored = 0;
    if (!ReadInteger(p, ignored)) return {};
    const int integerEnd = p;
    bool isFloat = true;
    if (At(p) == '.') {
        if (p + 1 <= size_ && IsDigit(src_[p])) {
            ++p;
            while (p <= size_ && IsDigit(src_[p - 1])) ++p;
        } else {
            isFloat = false;
        }
    }
    if (isFloat && p <= size_ && (src_[p - 1] == 'E' || src_[p - 1] == 'e')) {
        int q = p + 1;
        if (q <= size_ && (src_[q - 1] == '+' || src_[q - 1] == '-')) ++q;
        if (q <= size_ && IsDigit(src_[q - 1])) {
            while (q <= size_ && IsDigit(src_[q - 1])) ++q;
            p = q;
        }
    }
    pos_ = isFloat ? p : integerEnd;
    const std::string_view token =
        std::string_view(src_).substr(tokenStart_ - 1, pos_ - tokenStart_);
    if (HexPrefix.empty() || HexPrefix == "$") return token;
    scratch_ = runtime::StringReplace(token, HexPrefix, "$", runtime::rfReplaceAll);
    return scratch_;
}

std::string_view TscParser::ReadBracketedTextView() {
    const int start = pos_;
    int level = 1;
    bool inDouble = false;
    bool inSingle = false;
    for (; pos_ <= size_; ++pos_) {
        const char c = src_[pos_ - 1];
        if (!inDouble && !inSingle) {
            if (c == '<' || c == '[') {
                ++level;
            } else if ((c == '>' || c == ']') && --level == 0) {
                break;
            }
        }
        if (c == '"' && !inSingle) {
            inDouble = !inDouble;
        } else if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
        }
    }
    return std::string_view(src_).substr(start - 1, pos_ - start);
}

bool TscParser::ReadLineEnd() {
    SkipBlanks();
    if (pos_ > size_ || (src_[pos_ - 1] != '\r' && src_[pos_ - 1] != '\n')) return false;
    SkipLineEndRun();
    return true;
}

SourcePoint TscParser::PointAt(int position) const {
    // The line is the count of entries below the position: a position on
    // an LF belongs to the line that the LF ends.
    size_t line = lastLine_ + 1;  // 1-based
    const bool inLast = line <= lines_.size() && lines_[line - 1] < position &&
                        (line == lines_.size() || lines_[line] >= position);
    if (!inLast) {
        const auto after = std::lower_bound(lines_.begin(), lines_.end(), position);
        line = std::max<size_t>(static_cast<size_t>(after - lines_.begin()), 1);
        lastLine_ = line - 1;
    }
    return {position - lines_[line - 1], static_cast<int>(line)};
}

std::string TscParser::LineColumnTextAt(int position) const {
    std::string text;
    AppendLineColumn(text, PointAt(position));
    return text;
}

void AppendLineColumn(std::string& out, SourcePoint point) {
    char text[32];
    char* end = std::to_chars(text, text + 16, point.line).ptr;
    *end++ = ':';
    end = std::to_chars(end, text + sizeof text, point.column).ptr;
    out.append(text, end);
}

int TscParser::LineColumnToOffset(SourcePoint point) const {
    if (point.line < 1 || point.line > static_cast<int>(lines_.size())) return -1;
    return lines_[point.line - 1] + point.column;
}

}  // namespace script
