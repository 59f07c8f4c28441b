#pragma once

// The lexical reader under the grammar-driven parser.
//
// TscParser holds one script text and a position and reads one token of the
// kind the caller asks for; the caller backtracks by setting the position
// back. Every lexical convention that differs between languages is a setting
// (comments, string quote, hexadecimal prefix, identifier characters,
// keywords, case sensitivity, line continuation, line ends as blanks).
//
// Positions are 1-based character indexes into the 8-bit text; position
// size + 1 stands for the end of the text.

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/errors.h"

namespace script {

// A place in script text as (column, line), both counted from 1.
struct SourcePoint {
    int column = 0;
    int line = 0;
};

// Appends "line:col", the form of every source position the engine reports.
void AppendLineColumn(std::string& out, SourcePoint point);

// Script text as the compiler reads it: every line, however it ended (CR LF,
// CR or LF), followed by CR LF, as the script object's lines join. A text in
// that form already is returned as it is; any other is written into
// `storage`, once.
std::string_view JoinedLines(std::string_view text, std::string& storage);

// A hash that is the same for every spelling of a word that differs in the
// case of ASCII letters only, for tables of words matched without regard to
// case.
uint32_t FoldedHash(std::string_view word);

class TscParser {
  public:
    TscParser();

    // ---- settings (ApplyDefaults restores the defaults noted) -------------
    std::string LineComment1{"//"};
    std::string LineComment2;  // not restored by ApplyDefaults
    std::string HexPrefix{"$"};
    std::string LineContinuation;  // one character, empty for none
    bool LineEndsAreBlanks = true;
    std::string StringQuote{"'"};  // only the first character counts
    bool CaseSensitive = false;    // not restored by ApplyDefaults

    // Restores the defaults and empties the keyword list.
    void ApplyDefaults();

    // "opener,closer"; an empty text (or one without both halves) switches
    // the pair off.
    void SetBlockComment1(std::string_view pair);
    void SetBlockComment2(std::string_view pair);
    const std::string& BlockComment1() const { return block_[0].pair; }
    const std::string& BlockComment2() const { return block_[1].pair; }

    // The identifier characters become exactly the characters of `chars`.
    void SetIdentifierChars(std::string_view chars);
    bool IsIdentifierChar(char c) const { return identChars_[static_cast<unsigned char>(c)]; }

    void AddKeyword(std::string_view word);
    const std::vector<std::string>& Keywords() const { return keywords_; }
    bool IsReservedWord(std::string_view word) const;

    // ---- text and position -------------------------------------------------
    void SetSource(std::string_view text);
    int Size() const { return size_; }
    int Position() const { return pos_; }
    // Also moves the token start; clamped to 1..Size()+1.
    void SetPosition(int position) {
        pos_ = position < 1 ? 1 : position > size_ + 1 ? size_ + 1 : position;
        tokenStart_ = pos_;
    }
    int TokenStart() const { return tokenStart_; }
    // The character at the position (#0 at the end of the text).
    char CurrentChar() const { return At(pos_); }
    char CharAt(int position) const { return At(position); }

    // ---- readers -----------------------------------------------------------
    void SkipBlanks();
    std::string ReadWord() { return std::string(ReadWordView()); }
    std::string ReadIdentifier() { return std::string(ReadIdentifierView()); }
    std::string ReadPunctuation() { return std::string(ReadPunctuationView()); }
    // The value enclosed in single quotes ("'It's'"), empty when none.
    std::string ReadStringLiteral() { return std::string(ReadStringLiteralView()); }
    // Hexadecimal numbers always carry "$" in the result.
    std::string ReadNumberLiteral() { return std::string(ReadNumberLiteralView()); }
    std::string ReadBracketedText() { return std::string(ReadBracketedTextView()); }
    bool ReadLineEnd();

    // The same readers without a string per token: the view lies in the
    // text, or in a buffer of the tokenizer that the next read may reuse.
    std::string_view ReadWordView();
    std::string_view ReadIdentifierView();
    std::string_view ReadPunctuationView();
    std::string_view ReadStringLiteralView();
    std::string_view ReadNumberLiteralView();
    std::string_view ReadBracketedTextView();

    // The first lexical fault met in the text (the lowest position, 0 for
    // none): an unterminated comment or string, a character no token takes.
    // Reading goes on past it; the parser reports it when the text fails to
    // match at or after it.
    struct LexicalFault {
        int position = 0;
        Msg message = Msg::SyntaxError;
        std::string detail;  // the quoted name after a message ending in ": "
    };
    const LexicalFault& Fault() const { return fault_; }

    // The current position as "line:col".
    std::string LineColumnText() const { return LineColumnTextAt(pos_); }
    std::string LineColumnTextAt(int position) const;
    SourcePoint PointAt(int position) const;
    // The position of a column in a line; -1 when the line is outside the text.
    int LineColumnToOffset(SourcePoint point) const;

  private:
    struct BlockComment {
        std::string pair, opener, closer;
    };

    static void SetBlockComment(BlockComment& comment, std::string_view pair);
    char At(int position) const {
        return position >= 1 && position <= size_ + 1 ? src_[static_cast<size_t>(position - 1)]
                                                      : '\0';
    }
    bool TextAt(int position, std::string_view s) const;
    bool IsBlank(char c) const;
    bool MayStartComment(char c) const;
    bool SkipComment();
    void SkipLineEndRun();
    // Reads an integer at `p` (hexadecimal after the prefix, else decimal);
    // false without digits. `value` gets the low 8 bits.
    bool ReadInteger(int& p, unsigned& value) const;
    bool ReadQuotedPart(std::string& value);
    bool ReadCharCode(std::string& value);
    void RebuildKeywordTable();
    void NoteFault(int position, Msg message, std::string detail = {});
    // A byte of a character outside ASCII where a word may stand.
    void NoteStrayCharacter(int position, bool inWord);

    BlockComment block_[2];
    std::bitset<256> identChars_;
    std::vector<std::string> keywords_;  // sorted, case-insensitive order
    // Every identifier read is checked against the keywords: an
    // open-addressing table of indexes into keywords_ (plus one) by the
    // hash of the lower-cased word, and the longest keyword's length.
    std::vector<uint32_t> keywordSlots_;
    size_t longestKeyword_ = 0;
    LexicalFault fault_;
    std::string scratch_;  // the token text of a view that is not in the text
    int tokenStart_ = 1;
    int pos_ = 1;
    int size_ = 0;
    std::string src_{'\0'};  // the text plus #0
    std::vector<int> lines_{0};
    // Positions are mostly asked in the order of the text, so the line found
    // last (its index into lines_) is tried first.
    mutable size_t lastLine_ = 0;
};

}  // namespace script
