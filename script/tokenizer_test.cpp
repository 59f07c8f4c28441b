#include "script/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace script {
namespace {

// Reads a sequence of tokens of the given kinds; each read is shown as
// "kind:token@line:col" (the position after the read), so one string
// captures kinds, values and positions.
enum class Read { Word, Ident, Punct, String, Number, Bracketed, LineEnd, Skip };

std::string ReadAll(TscParser& t, const std::vector<Read>& reads) {
    std::string out;
    for (Read r : reads) {
        std::string token;
        switch (r) {
            case Read::Word:
                token = "w:" + t.ReadWord();
                break;
            case Read::Ident:
                token = "i:" + t.ReadIdentifier();
                break;
            case Read::Punct:
                token = "p:" + t.ReadPunctuation();
                break;
            case Read::String:
                token = "s:" + t.ReadStringLiteral();
                break;
            case Read::Number:
                token = "n:" + t.ReadNumberLiteral();
                break;
            case Read::Bracketed:
                token = "b:" + t.ReadBracketedText();
                break;
            case Read::LineEnd:
                token = std::string("e:") + (t.ReadLineEnd() ? "1" : "0");
                break;
            case Read::Skip:
                t.SkipBlanks();
                token = "_";
                break;
        }
        if (!out.empty()) out += ' ';
        out += token + "@" + t.LineColumnText();
    }
    return out;
}

struct TokenRow {
    const char* source;
    std::vector<Read> reads;
    const char* expected;
};

using R = Read;

TEST(Tokenizer, TokenTableWithDefaultSettings) {
    const TokenRow rows[] = {
        // Empty text: nothing reads, the position is 1:1.
        {"",
         {R::Word, R::Punct, R::String, R::Number, R::LineEnd, R::Bracketed},
         "w:@1:1 p:@1:1 s:@1:1 n:@1:1 e:0@1:1 b:@1:1"},
        // Words and identifiers; digits cannot start a word.
        {"  abc_1 x", {R::Word, R::Ident}, "w:abc_1@1:8 i:x@1:10"},
        {"9abc", {R::Word}, "w:@1:1"},
        // Keywords: ReadWord returns them, ReadIdentifier does not (any case).
        {"Begin end", {R::Ident, R::Word}, "i:@1:6 w:end@1:10"},
        // Comments of every kind are blanks.
        {"{ comment } x", {R::Word}, "w:x@1:14"},
        {"(* a *) x", {R::Word}, "w:x@1:10"},
        {"// c\nx", {R::Word}, "w:x@2:2"},
        {"{a}{b}(*c*)//d\r\n  y", {R::Word}, "w:y@2:4"},
        // Comments do not nest; "(*)" is not a closed comment.
        {"{ { } x }", {R::Word, R::Punct}, "w:x@1:8 p:@1:8"},
        {"(*) x *) y", {R::Word}, "w:y@1:11"},
        // A "{" on the last character is punctuation, not a comment.
        {"{", {R::Punct}, "p:{@1:2"},
        // An unterminated block comment runs to the end of the text.
        {"x { never closed", {R::Word, R::Word}, "w:x@1:2 w:@1:17"},
        // Punctuation: no blank skipping of its own; letters, digits,
        // blanks and characters above '~' are not punctuation.
        {" ;", {R::Punct, R::Skip, R::Punct}, "p:@1:1 _@1:2 p:;@1:3"},
        {"!/:@[`{~a",
         {R::Punct, R::Punct, R::Punct, R::Punct, R::Punct, R::Punct, R::Punct, R::Punct, R::Punct},
         "p:!@1:2 p:/@1:3 p::@1:4 p:@@1:5 p:[@1:6 p:`@1:7 p:{@1:8 p:~@1:9 p:@1:9"},
        {"\xE9", {R::Punct}, "p:@1:1"},
        // Strings: doubled quotes, character codes, concatenation.
        {"'a''b'", {R::String}, "s:'a'b'@1:7"},
        {"#65#66", {R::String}, "s:'AB'@1:7"},
        {"#$41#321", {R::String}, "s:'AA'@1:9"},
        {"'It''s'#13#10'ok'", {R::String}, "s:'It's\r\nok'@1:18"},
        {"''", {R::String}, "s:''@1:3"},
        {"#", {R::String, R::Punct}, "s:@1:1 p:#@1:2"},
        // An unterminated string reads nothing and stays on the quote.
        {"'abc", {R::String, R::Punct}, "s:@1:1 p:'@1:2"},
        {"'ab\ncd'", {R::String}, "s:@1:1"},
        {"'a\tb'", {R::String}, "s:'a\tb'@1:6"},
        // Numbers: no sign, ranges keep their dots, incomplete fractions and
        // exponents end the number before them.
        {"1..5", {R::Number, R::Punct, R::Punct, R::Number}, "n:1@1:2 p:.@1:3 p:.@1:4 n:5@1:5"},
        {"3.14 2e10 1.5E-3 $1F",
         {R::Number, R::Number, R::Number, R::Number},
         "n:3.14@1:5 n:2e10@1:10 n:1.5E-3@1:17 n:$1F@1:21"},
        {"1.x", {R::Number}, "n:1@1:2"},
        {"1ex", {R::Number}, "n:1@1:2"},
        {"1e+", {R::Number}, "n:1@1:2"},
        {"-1", {R::Number}, "n:@1:1"},
        {"$", {R::Number, R::Punct}, "n:@1:1 p:$@1:2"},
        {"$fFg", {R::Number, R::Word}, "n:$fF@1:4 w:g@1:5"},
        // Bracketed raw text up to the matching ">", quotes hiding brackets.
        {"a[1]>b", {R::Bracketed, R::Punct}, "b:a[1]@1:5 p:>@1:6"},
        {"a<b>c'>'\">\"]x", {R::Bracketed}, "b:a<b>c'>'\">\"@1:12"},
        {"no end", {R::Bracketed}, "b:no end@1:7"},
        // Line ends: a blank by default, so ReadLineEnd only sees the end.
        {"x\r\n\r\ny", {R::Word, R::LineEnd, R::Word}, "w:x@1:2 e:0@3:1 w:y@3:2"},
    };
    for (const TokenRow& row : rows) {
        TscParser t;
        t.AddKeyword("begin");
        t.AddKeyword("end");
        t.SetSource(row.source);
        EXPECT_EQ(ReadAll(t, row.reads), row.expected) << "source: " << row.source;
    }
}

TEST(Tokenizer, SettingsChangeTheLexicalConventions) {
    struct Row {
        const char* name;
        void (*configure)(TscParser&);
        const char* source;
        std::vector<Read> reads;
        const char* expected;
    };
    const Row rows[] = {
        {"double-quote strings have backslash escapes",
         [](TscParser& t) { t.StringQuote = "\""; },
         "\"a\\\"b\\n\\x41\\q\"",
         {R::String},
         "s:'a\"b\nAq'@1:15"},
        {"double-quote strings do not double quotes",
         [](TscParser& t) { t.StringQuote = "\""; },
         "\"a\"\"b\"",
         {R::String},
         "s:'ab'@1:7"},
        {"a single-quote string is not a string then",
         [](TscParser& t) { t.StringQuote = "\""; },
         "'a'",
         {R::String},
         "s:@1:1"},
        {"hexadecimal prefix 0x, reported as $",
         [](TscParser& t) { t.HexPrefix = "0x"; },
         "0x1F 0 #0x41",
         {R::Number, R::Number, R::String},
         "n:$1F@1:5 n:0@1:7 s:'A'@1:13"},
        {"line comment 2 and block comment pairs",
         [](TscParser& t) {
             t.LineComment2 = "#";
             t.SetBlockComment1("/*,*/");
             t.SetBlockComment2("");
         },
         "# c\n/* x */ (* y",
         {R::Word, R::Punct},
         "w:@2:9 p:(@2:10"},
        {"a pair without a closer is off (it would never end)",
         [](TscParser& t) { t.SetBlockComment1("<,"); },
         "<x",
         {R::Punct},
         "p:<@1:2"},
        {"identifier characters replace the default set",
         [](TscParser& t) { t.SetIdentifierChars("ab$"); },
         "a$b_c",
         {R::Word},
         "w:a$b@1:4"},
        {"line continuation eats the line end after it",
         [](TscParser& t) {
             t.LineContinuation = "_";
             t.LineEndsAreBlanks = false;
         },
         "x _ \r\n y\r\nz",
         {R::Word, R::Word, R::LineEnd, R::Word},
         "w:x@1:2 w:y@2:3 e:1@3:1 w:z@3:2"},
        {"line ends count when they are not blanks (CR only)",
         [](TscParser& t) { t.LineEndsAreBlanks = false; },
         "x \r\n\r\ny\nz",
         {R::Word, R::LineEnd, R::Word, R::LineEnd, R::Word},
         "w:x@1:2 e:1@3:1 w:y@3:2 e:0@4:1 w:z@4:2"},
        {"case-sensitive keywords",
         [](TscParser& t) {
             t.CaseSensitive = true;
             t.AddKeyword("begin");
         },
         "Begin begin",
         {R::Ident, R::Ident},
         "i:Begin@1:6 i:@1:12"},
    };
    for (const Row& row : rows) {
        TscParser t;
        row.configure(t);
        t.SetSource(row.source);
        EXPECT_EQ(ReadAll(t, row.reads), row.expected) << row.name;
    }
}

TEST(Tokenizer, ApplyDefaultsKeepsCaseSensitivityAndLineComment2) {
    TscParser t;
    t.CaseSensitive = true;
    t.LineComment2 = "#";
    t.LineComment1 = "--";
    t.HexPrefix = "&H";
    t.AddKeyword("begin");
    t.ApplyDefaults();
    EXPECT_TRUE(t.CaseSensitive);
    EXPECT_EQ(t.LineComment2, "#");
    EXPECT_EQ(t.LineComment1, "//");
    EXPECT_EQ(t.HexPrefix, "$");
    EXPECT_EQ(t.BlockComment1(), "{,}");
    EXPECT_EQ(t.BlockComment2(), "(*,*)");
    EXPECT_TRUE(t.Keywords().empty());
}

TEST(Tokenizer, PositionsCountLinesAndCharacters) {
    TscParser t;
    t.SetSource("ab\n\tc\r\nline3\nx");
    struct Row {
        int position;
        const char* expected;
    };
    // The LF belongs to the line it ends; a TAB or CR is one column.
    const Row rows[] = {{1, "1:1"}, {3, "1:3"}, {4, "2:1"},  {5, "2:2"},  {6, "2:3"},
                        {7, "2:4"}, {8, "3:1"}, {13, "3:6"}, {14, "4:1"}, {15, "4:2"}};
    for (const Row& row : rows) {
        EXPECT_EQ(t.LineColumnTextAt(row.position), row.expected) << row.position;
        t.SetPosition(row.position);
        EXPECT_EQ(t.LineColumnText(), row.expected);
    }
    EXPECT_EQ(t.LineColumnToOffset({1, 1}), 1);
    EXPECT_EQ(t.LineColumnToOffset({2, 3}), 9);
    EXPECT_EQ(t.LineColumnToOffset({1, 4}), 14);
    EXPECT_EQ(t.LineColumnToOffset({1, 5}), -1);
    EXPECT_EQ(t.LineColumnToOffset({1, 0}), -1);
}

TEST(Tokenizer, PositionIsClampedToTheText) {
    TscParser t;
    t.SetSource("abc");
    t.SetPosition(99);
    EXPECT_EQ(t.Position(), 4);
    t.SetPosition(-5);
    EXPECT_EQ(t.Position(), 1);
}

TEST(Tokenizer, LongRunsOfContinuationsAndCommentsDoNotRecurse) {
    TscParser t;
    t.LineContinuation = "_";
    const std::string continuations(200000, '_');
    t.SetSource(continuations + "\r\nx");
    EXPECT_EQ(t.ReadWord(), "x");

    std::string comments;
    for (int i = 0; i < 100000; ++i) comments += "{}";
    t.SetSource(comments + "y");
    EXPECT_EQ(t.ReadWord(), "y");
}

}  // namespace
}  // namespace script
