#include "script/il_parser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "script/errors.h"
#include "script/grammar_registry.h"
#include "script/pascalscript_grammar.h"

namespace script {
namespace {

// A script object for the parser: error fields and an OnGetUnit handler
// that serves units from a table (names any case).
class TestSite : public CompileSite {
  public:
    CompileErrors errors;
    std::map<std::string, std::string> units;  // lower-case name -> text
    bool hasHandler = true;
    std::vector<std::string> asked;

    CompileErrors& Errors() override { return errors; }
    bool GetUnitText(const std::string& name, std::string& text) override {
        if (!hasHandler) return false;
        asked.push_back(name);
        const auto it = units.find(runtime::LowerCase(name));
        if (it != units.end()) text = it->second;
        return true;
    }
};

// One element per line, indented by depth, with its raw attribute text.
std::string Dump(const TscXMLItem& item, int depth = 0) {
    std::string out(static_cast<size_t>(depth) * 2, ' ');
    out += item.Name;
    if (!item.Text.empty()) out += " " + item.Text;
    out += '\n';
    for (int i = 0; i < item.Count(); ++i) out += Dump(item.Items(i), depth + 1);
    return out;
}

// The script text as the script component hands it over: each line
// followed by CR LF.
std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

struct Result {
    bool ok = false;
    std::string dump;  // the intermediate form without the trailing types
    CompileErrors errors;
};

Result Parse(std::string_view text, TestSite& site) {
    RegisterPascalScriptGrammar();
    TscILParser parser(site);
    parser.SelectGrammar("PascalScript");
    Result r;
    r.ok = parser.BuildIntermediate(text);
    if (r.ok) {
        const TscXMLItem& root = parser.Intermediate().Root();
        EXPECT_EQ(root.Items(root.Count() - 1).Name, "types");
        r.dump = root.Name + "\n";
        for (int i = 0; i + 1 < root.Count(); ++i) r.dump += Dump(root.Items(i), 1);
    }
    r.errors = site.errors;
    return r;
}

Result Parse(std::string_view text) {
    TestSite site;
    return Parse(text, site);
}

std::string ReadFile(const std::string& name) {
    std::ifstream in(std::string(SCRIPT_TESTDATA_DIR) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ILParser, WholeProgramExample) {
    const Result r = Parse("var i: Integer; begin i := 1 end.");
    ASSERT_TRUE(r.ok) << r.errors.ErrorMessage;
    EXPECT_EQ(r.dump,
              "program\n"
              "  var pos=\"1:5\"\n"
              "    ident text=\"i\" pos=\"1:6\"\n"
              "    type text=\"Integer\" pos=\"1:15\"\n"
              "  compoundstmt pos=\"1:17\"\n"
              "    assignstmt pos=\"1:23\"\n"
              "      dsgn pos=\"1:23\"\n"
              "        node text=\"i\" pos=\"1:24\"\n"
              "      expr pos=\"1:28\" pos1=\"1:29\"\n"
              "        number text=\"1\" pos=\"1:29\"\n");
    EXPECT_EQ(r.errors.ErrorMessage, "");
    EXPECT_EQ(r.errors.ErrorPosition, "");
}

TEST(ILParser, StatementExampleWithFlatExpression) {
    const Result r = Parse(Lines({"begin", "  x := a + 1;", "end."}));
    ASSERT_TRUE(r.ok) << r.errors.ErrorMessage;
    EXPECT_EQ(r.dump,
              "program\n"
              "  compoundstmt pos=\"1:1\"\n"
              "    assignstmt pos=\"2:3\"\n"
              "      dsgn pos=\"2:3\"\n"
              "        node text=\"x\" pos=\"2:4\"\n"
              "      expr pos=\"2:8\" pos1=\"2:13\"\n"
              "        dsgn pos=\"2:8\"\n"
              "          node text=\"a\" pos=\"2:9\"\n"
              "        op text=\"+\" pos=\"2:11\"\n"
              "        number text=\"1\" pos=\"2:13\"\n");
}

// The intermediate form of a script that uses every rule of the grammar,
// against the checked-in form.
TEST(ILParser, EveryRuleMatchesTheExpectedForm) {
    TestSite site;
    site.units["first.pas"] = Lines({"var unitVar: Integer;", "begin unitVar := 1 end."});
    site.units["second.pas"] = Lines({"procedure FromUnit; begin end;", "begin end."});
    const std::string script = ReadFile("all_rules.pas");
    ASSERT_FALSE(script.empty());
    const Result r = Parse(script, site);
    ASSERT_TRUE(r.ok) << r.errors.ErrorMessage << " at " << r.errors.ErrorPosition;
    EXPECT_EQ(r.dump, ReadFile("all_rules.expected"));
}

struct ErrorRow {
    const char* script;
    const char* message;
    const char* position;
};

TEST(ILParser, CompileErrorsNameWhatWasExpectedWhereItWasExpected) {
    const ErrorRow rows[] = {
        {"", "'BEGIN' expected", "1:1"},
        {"   \r\n  ", "'BEGIN' expected", "2:3"},
        {"begin end", "'.' expected", "1:10"},
        {"var x: Integer; begin x := 1 end", "'.' expected", "1:33"},
        {"program; begin end.", "Identifier expected", "1:8"},
        {"program p begin end.", "';' expected", "1:11"},
        {"uses 'a' 'b'; begin end.", "';' expected", "1:10"},
        {"uses a; begin end.", "Identifier expected", "1:6"},
        {"var x Integer; begin end.", "':' expected", "1:7"},
        {"var x: ; begin end.", "Identifier expected", "1:8"},
        {"var x: Integer begin end.", "';' expected", "1:16"},
        // The range fails as a whole; "1" alone is a dimension.
        {"var x: array[1..] of Integer; begin end.", "']' expected", "1:15"},
        {"var x: array[3 of Integer; begin end.", "']' expected", "1:16"},
        {"var x: array[3] Integer; begin end.", "'OF' expected", "1:17"},
        {"var x: Integer = ; begin end.", "Expression expected", "1:18"},
        {"const c 1; begin end.", "'=' expected", "1:9"},
        {"const c = ; begin end.", "Expression expected", "1:11"},
        {"const c = 1 begin end.", "';' expected", "1:13"},
        {"begin x := ; end.", "Expression expected", "1:12"},
        {"begin x = 1 end.", "';' expected", "1:9"},
        {"begin x : = 1 end.", "'=' expected", "1:11"},
        {"begin x := 1 > = 2 end.", "';' expected", "1:14"},
        {"begin x := (1 + 2; end.", "')' expected", "1:18"},
        {"begin x := a[1; end.", "']' expected", "1:15"},
        {"begin x := f(1; end.", "')' expected", "1:15"},
        {"begin x := a.; end.", "Identifier expected", "1:14"},
        {"begin x := not ; end.", "Expression expected", "1:16"},
        {"begin x := [1; end.", "']' expected", "1:14"},
        {"begin x := [1.; end.", "'.' expected", "1:15"},
        {"begin x := <abc end.", "'>' expected", "1:21"},
        {"begin x := 1 y := 2 end.", "';' expected", "1:14"},
        {"begin if x y := 1 end.", "'THEN' expected", "1:12"},
        {"begin if then end.", "Expression expected", "1:10"},
        {"begin while x y end.", "'DO' expected", "1:15"},
        {"begin repeat x := 1 end.", "'UNTIL' expected", "1:21"},
        {"begin repeat until end.", "Expression expected", "1:20"},
        {"begin for 1 to 2 do end.", "Identifier expected", "1:11"},
        {"begin for i 1 to 2 do end.", "':' expected", "1:13"},
        {"begin for i : = 1 to 2 do end.", "'=' expected", "1:15"},
        {"begin for i := 1 up 2 do end.", "'TO' or 'DOWNTO' expected", "1:18"},
        {"begin for i := 1 to 2 x := 1 end.", "'DO' expected", "1:23"},
        {"begin case x 1: ; end end.", "'OF' expected", "1:14"},
        {"begin case x of 1 y := 2 end end.", "':' expected", "1:19"},
        {"begin case x of 1: y := 2; 2: z := 3 x end.", "'END' expected", "1:38"},
        {"begin case x of 1: y := 2; else z := 3 x end.", "'END' expected", "1:40"},
        // Only the case list keeps a separator before what ends it.
        {"begin f(a, ) end.", "')' expected", "1:10"},
        {"begin x := [1, ] end.", "']' expected", "1:14"},
        {"var a, : Integer; begin end.", "':' expected", "1:6"},
        {"uses 'a', ; begin end.", "Identifier expected", "1:11"},
        {"begin with a, do x := 1 end.", "Expression expected", "1:15"},
        {"begin try x := 1 end.", "'FINALLY' or 'EXCEPT' expected", "1:18"},
        {"begin try finally x := 1 x end.", "'END' expected", "1:26"},
        {"begin with do x := 1 end.", "Expression expected", "1:12"},
        {"begin with a x := 1 end.", "'DO' expected", "1:14"},
        {"procedure; begin end; begin end.", "Identifier expected", "1:10"},
        {"procedure p begin end; begin end.", "';' expected", "1:13"},
        {"procedure p; begin end begin end.", "';' expected", "1:24"},
        // The parameter list ends at "begin" (no identifier) and before its ";".
        {"procedure p(a: Integer; begin end; begin end.", "')' expected", "1:23"},
        {"function f Integer; begin end; begin end.", "':' expected", "1:12"},
        {"function f: ; begin end; begin end.", "Identifier expected", "1:13"},
        // Faults of the text itself are named where they begin.
        {"begin\r\n  x := 1; { open\r\n  x := 2;\r\nend.", "Unterminated comment", "2:11"},
        {"begin (* open\r\nend.", "Unterminated comment", "1:7"},
        {"begin\r\n  x := 'abc;\r\nend.", "Unterminated string", "2:8"},
        {"begin x := 'a' + 'b\r\n' end.", "Unterminated string", "1:18"},
        {"var caf\xE9: Integer; begin end.", "Invalid character in identifier: '\xE9'", "1:8"},
        {"begin x := \xD7; end.", "Invalid character: '\xD7'", "1:12"},
        // A fault beyond the place that fails is never read.
        {"begin x := ; y := 'open\r\nend.", "Expression expected", "1:12"},
    };
    for (const ErrorRow& row : rows) {
        const Result r = Parse(row.script);
        EXPECT_FALSE(r.ok) << row.script;
        EXPECT_EQ(r.errors.ErrorMessage, row.message) << row.script;
        EXPECT_EQ(r.errors.ErrorPosition, row.position) << row.script;
        EXPECT_EQ(r.errors.ErrorUnit, "") << row.script;
    }
}

TEST(ILParser, ValidEdgeCasesCompile) {
    struct Row {
        const char* script;
        const char* dump;
    };
    const Row rows[] = {
        {"begin end.", "program\n  compoundstmt pos=\"1:1\"\n"},
        // Keywords in any case; text after the final "." is never read.
        {"BEGIN End. <<< not read '", "program\n  compoundstmt pos=\"1:1\"\n"},
        // Empty statements.
        {"begin ; ; end.", "program\n  compoundstmt pos=\"1:1\"\n"},
        // An empty then-branch.
        {"var a: Boolean; begin if a then end.",
         "program\n  var pos=\"1:5\"\n    ident text=\"a\" pos=\"1:6\"\n"
         "    type text=\"Boolean\" pos=\"1:15\"\n  compoundstmt pos=\"1:17\"\n"
         "    ifstmt pos=\"1:23\"\n      expr pos=\"1:26\" pos1=\"1:27\"\n"
         "        dsgn pos=\"1:26\"\n          node text=\"a\" pos=\"1:27\"\n"
         "      thenstmt pos=\"1:33\"\n"},
        // A raw literal is a call of "Get" with the text as a string.
        {"begin x := <abc> end.",
         "program\n  compoundstmt pos=\"1:1\"\n    assignstmt pos=\"1:7\"\n"
         "      dsgn pos=\"1:7\"\n        node text=\"x\" pos=\"1:8\"\n"
         "      expr pos=\"1:12\" pos1=\"1:17\"\n        dsgn pos=\"1:16\"\n"
         "          node text=\"Get\" pos=\"1:16\"\n          expr pos=\"1:16\"\n"
         "            string text=\"'abc'\" pos=\"1:16\"\n"},
        // A ";" may stand before a case's else, and before its end.
        {"begin case x of 1: ; else y := 2; end end.",
         "program\n  compoundstmt pos=\"1:1\"\n    casestmt pos=\"1:7\"\n"
         "      expr pos=\"1:12\" pos1=\"1:13\"\n        dsgn pos=\"1:12\"\n"
         "          node text=\"x\" pos=\"1:13\"\n      caseselector pos=\"1:17\"\n"
         "        set pos=\"1:17\"\n          expr pos=\"1:17\" pos1=\"1:18\"\n"
         "            number text=\"1\" pos=\"1:18\"\n      assignstmt pos=\"1:27\"\n"
         "        dsgn pos=\"1:27\"\n          node text=\"y\" pos=\"1:28\"\n"
         "        expr pos=\"1:32\" pos1=\"1:33\"\n          number text=\"2\" pos=\"1:33\"\n"},
        // A member name after "." may be a keyword.
        {"begin a.end := 1 end.",
         "program\n  compoundstmt pos=\"1:1\"\n    assignstmt pos=\"1:7\"\n"
         "      dsgn pos=\"1:7\"\n        node text=\"a\" pos=\"1:8\"\n"
         "        node text=\"end\" pos=\"1:12\"\n      expr pos=\"1:16\" pos1=\"1:17\"\n"
         "        number text=\"1\" pos=\"1:17\"\n"},
    };
    for (const Row& row : rows) {
        const Result r = Parse(row.script);
        ASSERT_TRUE(r.ok) << row.script << ": " << r.errors.ErrorMessage << " at "
                          << r.errors.ErrorPosition;
        EXPECT_EQ(r.dump, row.dump) << row.script;
    }
}

// An alternative that fails after writing output leaves nothing behind: a
// single array dimension is tried as a range first, and must not appear twice.
TEST(ILParser, AbandonedAlternativesLeaveNoOutput) {
    const Result r = Parse("var x: array[3] of Integer; begin end.");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.dump,
              "program\n"
              "  var pos=\"1:5\"\n"
              "    ident text=\"x\" pos=\"1:6\"\n"
              "    array pos=\"1:8\"\n"
              "      dim pos=\"1:14\"\n"
              "        expr pos=\"1:14\" pos1=\"1:15\"\n"
              "          number text=\"3\" pos=\"1:15\"\n"
              "    type text=\"Integer\" pos=\"1:27\"\n"
              "  compoundstmt pos=\"1:29\"\n");
}

// A name as the low end of a range: "lo." must not be read as the start of
// a member access, or the failed member name is reported as an error.
TEST(ILParser, IdentifierAsLowEndOfRange) {
    struct Row {
        const char* script;
        const char* rangeContext;  // an excerpt of the expected form
    };
    const Row rows[] = {
        {"begin b := x in [lo..hi] end.",
         "        set pos=\"1:18\"\n"
         "          expr pos=\"1:18\" pos1=\"1:20\"\n"
         "            dsgn pos=\"1:18\"\n"
         "              node text=\"lo\" pos=\"1:20\"\n"
         "          range text=\".\" pos=\"1:21\"\n"
         "          expr pos=\"1:22\" pos1=\"1:24\"\n"},
        {"var a: array[lo..hi] of Integer; begin end.",
         "    array pos=\"1:8\"\n"
         "      dim pos=\"1:14\"\n"
         "        expr pos=\"1:14\" pos1=\"1:16\"\n"
         "          dsgn pos=\"1:14\"\n"
         "            node text=\"lo\" pos=\"1:16\"\n"
         "        expr pos=\"1:18\" pos1=\"1:20\"\n"},
        {"begin case x of lo..hi: y := 1 end end.",
         "      caseselector pos=\"1:17\"\n"
         "        set pos=\"1:17\"\n"
         "          expr pos=\"1:17\" pos1=\"1:19\"\n"
         "            dsgn pos=\"1:17\"\n"
         "              node text=\"lo\" pos=\"1:19\"\n"
         "          range text=\".\" pos=\"1:20\"\n"},
        {"begin b := x in [a.b..c.d, 1..n] end.", "          range text=\".\" pos=\"1:22\"\n"},
    };
    for (const Row& row : rows) {
        const Result r = Parse(row.script);
        ASSERT_TRUE(r.ok) << row.script << ": " << r.errors.ErrorMessage << " at "
                          << r.errors.ErrorPosition;
        EXPECT_NE(r.dump.find(row.rangeContext), std::string::npos) << row.script << "\n" << r.dump;
    }
    // A member access is still read, and a bad one still reported.
    EXPECT_NE(Parse("begin x := a.b end.").dump.find("node text=\"b\" pos=\"1:15\""),
              std::string::npos);
    const Result bad = Parse("begin x := a.1 end.");
    EXPECT_EQ(bad.errors.ErrorMessage, "Identifier expected");
    EXPECT_EQ(bad.errors.ErrorPosition, "1:14");
}

// String literals reach the intermediate form unchanged, entity texts
// included; the builder reads them back with Prop.
TEST(ILParser, LiteralsKeepTheirTextThroughTheIntermediateForm) {
    const std::string literals[] = {"'&quot;'",           "'&#39;'",      "'a & b'",
                                    "'<td class=\"x\">'", "'&amp;&#34;'", "'It''s'#13#10'ok'"};
    const std::string values[] = {"'&quot;'",           "'&#39;'",      "'a & b'",
                                  "'<td class=\"x\">'", "'&amp;&#34;'", "'It's\r\nok'"};
    for (size_t i = 0; i < std::size(literals); ++i) {
        RegisterPascalScriptGrammar();
        TestSite site;
        TscILParser parser(site);
        parser.SelectGrammar("PascalScript");
        ASSERT_TRUE(parser.BuildIntermediate("begin s := " + literals[i] + " end."));
        TscXMLItem& expr = parser.Intermediate().Root().Items(0).Items(0).Items(1);
        EXPECT_EQ(expr.Items(0).Name, "string");
        EXPECT_EQ(expr.Items(0).Prop("text"), values[i]) << literals[i];
        // And through a write and a read of the whole form.
        TscXMLDocument copy;
        copy.LoadFromString(parser.Intermediate().SaveToString());
        EXPECT_EQ(copy.Root().Items(0).Items(0).Items(1).Items(0).Prop("text"), values[i]);
    }
}

TEST(ILParser, LanguageDirectiveSelectsTheGrammar) {
    RegisterGrammar("Tiny",
                    "<?xml version=\"1.0\"?><language text=\"Tiny\"><parser><keywords><go/>"
                    "</keywords><errors><err1 text=\"'GO' expected\"/></errors></parser><types>"
                    "<Str type=\"String\"/></types><empty/><program><keyword text=\"GO\" "
                    "err=\"err1\" node=\"go\"/></program></language>");
    struct Row {
        std::string script;
        bool ok;
        const char* dumpOrError;
    };
    const Row rows[] = {
        {"#language Tiny\r\ngo", true, "program\n  go pos=\"2:1\"\n"},
        {"# LANGUAGE  tiny  \r\n\r\n go", true, "program\n  go pos=\"3:2\"\n"},
        {"#language Tiny\r\nbegin end.", false, "'GO' expected at 2:1"},
        {"#language PascalScript\r\nbegin end.", true, "program\n  compoundstmt pos=\"2:1\"\n"},
        // Only as the very first character.
        {" #language Tiny\r\ngo", false, "'BEGIN' expected at 1:2"},
    };
    for (const Row& row : rows) {
        const Result r = Parse(row.script);
        EXPECT_EQ(r.ok, row.ok) << row.script;
        EXPECT_EQ(r.ok ? r.dump : r.errors.ErrorMessage + " at " + r.errors.ErrorPosition,
                  row.dumpOrError)
            << row.script;
    }

    TestSite site;
    TscILParser parser(site);
    parser.SelectGrammar("PascalScript");
    ASSERT_TRUE(parser.BuildIntermediate("#language tiny\r\ngo"));
    EXPECT_EQ(parser.GrammarName(), "tiny");
    // The grammar's types travel with the intermediate form.
    TscXMLItem& root = parser.Intermediate().Root();
    EXPECT_EQ(root.Items(root.Count() - 1).Items(0).Prop("type"), "String");

    try {
        (void)parser.BuildIntermediate("#language Cobol\r\nbegin end.");
        FAIL() << "no error";
    } catch (const EScriptError& e) {
        EXPECT_EQ(e.Message(), "Language 'Cobol' not found");
    }
}

TEST(ILParser, UndefinedRuleRaisesInvalidLanguageDefinition) {
    RegisterGrammar("Broken",
                    "<?xml version=\"1.0\"?><language text=\"Broken\"><parser/><types/><empty/>"
                    "<program><switch><keyword text=\"x\"/><nosuchrule/></switch></program>"
                    "</language>");
    TestSite site;
    TscILParser parser(site);
    parser.SelectGrammar("Broken");
    // The undefined rule is reached only when the first choice fails.
    EXPECT_TRUE(parser.BuildIntermediate("x"));
    try {
        (void)parser.BuildIntermediate("y");
        FAIL() << "no error";
    } catch (const EScriptError& e) {
        EXPECT_EQ(e.Message(), "Invalid language definition");
    }
}

// Choices, loops and optional parts ignore a `node` of their own; the
// output stays well formed.
TEST(ILParser, NodeOnAControlElementIsIgnored) {
    RegisterGrammar("Steer",
                    "<?xml version=\"1.0\"?><language text=\"Steer\"><parser/><types/><empty/>"
                    "<program><switch node=\"sw\"><keyword text=\"a\" add=\"k\"/></switch>"
                    "<optionalloop node=\"lp\"><keyword text=\"b\" add=\"k\"/></optionalloop>"
                    "<optional node=\"op\"><keyword text=\"c\" add=\"k\"/></optional>"
                    "<keyword text=\"d\" add=\"k\"/></program></language>");
    TestSite site;
    TscILParser parser(site);
    parser.SelectGrammar("Steer");
    ASSERT_TRUE(parser.BuildIntermediate("a b b c d"));
    std::string names;
    const TscXMLItem& root = parser.Intermediate().Root();
    for (int i = 0; i < root.Count(); ++i) names += root.Items(i).Name + " ";
    EXPECT_EQ(names, "k k k k k types ");
}

// Element names are written into the form's text: a name with a blank, or
// ending in "/", reads back as the reader splits it. A "/" ends the element
// there, so what the rule wrote after it follows as siblings.
TEST(ILParser, ElementNamesReadAsTheReaderSplitsThem) {
    RegisterGrammar("Split",
                    "<?xml version=\"1.0\"?><language text=\"Split\"><parser/><types/><empty/>"
                    "<program><optionalloop><switch><keyword text=\"go\" add=\"a b\"/>"
                    "<keyword text=\"run\" node=\"x/\"><ident add=\"k\"/></keyword>"
                    "<sequence><char text=\"(\"/><rule/></sequence></switch></optionalloop>"
                    "</program><rule node=\"r/\"><ident add=\"in\"/><char text=\")\"/></rule>"
                    "</language>");
    TestSite site;
    TscILParser parser(site);
    parser.SelectGrammar("Split");
    ASSERT_TRUE(parser.BuildIntermediate("go run x (y) go"));
    EXPECT_EQ(parser.Intermediate().SaveToString(),
              "<?xml version=\"1.0\"?><program><a b text=\"go\" pos=\"1:3\"/><x pos=\"1:4\"/>"
              "<k text=\"x\" pos=\"1:9\"/><r pos=\"1:11\"/><in text=\"y\" pos=\"1:12\"/>"
              "<a b text=\"go\" pos=\"1:16\"/><types/></program>");
    const TscXMLItem& first = parser.Intermediate().Root().Items(0);
    EXPECT_EQ(first.Name, "a");
    EXPECT_EQ(first.Prop("text"), "go");
}

TEST(ILParser, GrammarWithoutErrorCodesStillReportsFailure) {
    RegisterGrammar("Mute",
                    "<?xml version=\"1.0\"?><language text=\"Mute\"><parser/><types/><empty/>"
                    "<program><keyword text=\"go\"/></program></language>");
    TestSite site;
    TscILParser parser(site);
    parser.SelectGrammar("Mute");
    EXPECT_FALSE(parser.BuildIntermediate("stop"));
    EXPECT_EQ(site.errors.ErrorMessage, "Syntax error");
}

TEST(ILParser, DeepNestingIsACompileErrorNotAStackOverflow) {
    const std::string rows[] = {
        "begin x := " + std::string(20000, '(') + "1" + std::string(20000, ')') + " end.",
        [] {
            std::string s;
            for (int i = 0; i < 20000; ++i) s += "begin ";
            return s;
        }(),
        [] {
            std::string s = "begin ";
            for (int i = 0; i < 20000; ++i) s += "if a then ";
            return s + "x := 1 end.";
        }(),
        "begin x := " +
            [] {
                std::string s;
                for (int i = 0; i < 20000; ++i) s += "not ";
                return s;
            }() +
            "1 end.",
        "begin x := " + std::string(20000, '[') + " end.",
        "begin f" + std::string(20000, '(') + " end.",
    };
    for (const std::string& script : rows) {
        const Result r = Parse(script);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errors.ErrorMessage, MessageText(Msg::NestedTooDeeply)) << script.substr(0, 30);
    }
    // Ordinary depth compiles.
    EXPECT_TRUE(
        Parse("begin x := " + std::string(100, '(') + "1" + std::string(100, ')') + " end.").ok);
    std::string nested;
    for (int i = 0; i < 60; ++i) nested += "begin if a then ";
    nested += "x := 1";
    for (int i = 0; i < 60; ++i) nested += " end";
    EXPECT_TRUE(Parse("begin " + nested + " end.").ok);
}

TEST(ILParser, UnitsAreSplicedInReverseOrderOfTheClause) {
    TestSite site;
    site.units["a"] = "var fromA: Integer; begin end.";
    site.units["b"] = "var fromB: Integer; begin end.";
    const Result r = Parse("uses 'a', 'b'; begin end.", site);
    ASSERT_TRUE(r.ok) << r.errors.ErrorMessage;
    EXPECT_EQ(r.dump,
              "program\n"
              "  uses unit=\"b\"\n"
              "    program\n"
              "      var pos=\"1:5\"\n"
              "        ident text=\"fromB\" pos=\"1:10\"\n"
              "        type text=\"Integer\" pos=\"1:19\"\n"
              "      compoundstmt pos=\"1:21\"\n"
              "      types\n"
              "  uses unit=\"a\"\n"
              "    program\n"
              "      var pos=\"1:5\"\n"
              "        ident text=\"fromA\" pos=\"1:10\"\n"
              "        type text=\"Integer\" pos=\"1:19\"\n"
              "      compoundstmt pos=\"1:21\"\n"
              "      types\n"
              "  compoundstmt pos=\"1:16\"\n");
    EXPECT_EQ(site.asked, (std::vector<std::string>{"b", "a"}));

    // A unit named twice, in another case too, is included once: the last
    // naming counts.
    TestSite again;
    again.units = site.units;
    const Result twice = Parse("uses 'a', 'B', 'A', 'b'; begin end.", again);
    ASSERT_TRUE(twice.ok);
    EXPECT_EQ(again.asked, (std::vector<std::string>{"b", "A"}));
    EXPECT_NE(twice.dump.find("uses unit=\"b\"\n    program\n      var pos=\"1:5\"\n"
                              "        ident text=\"fromB\""),
              std::string::npos);
}

TEST(ILParser, UnitsIncludedByUnitsAreIncludedOnce) {
    TestSite site;
    site.units["a"] = "uses 'c'; begin end.";
    site.units["b"] = "uses 'c', 'a'; begin end.";
    site.units["c"] = "uses 'c'; begin end.";  // names itself: ignored
    // b comes first (last named), includes a (its last), which includes c;
    // b's own 'c' and the main text's 'a' are then known already.
    const Result r = Parse("uses 'a', 'b'; begin end.", site);
    ASSERT_TRUE(r.ok) << r.errors.ErrorMessage;
    EXPECT_EQ(r.dump,
              "program\n"
              "  uses unit=\"b\"\n"
              "    program\n"
              "      uses unit=\"a\"\n"
              "        program\n"
              "          uses unit=\"c\"\n"
              "            program\n"
              "              compoundstmt pos=\"1:11\"\n"
              "              types\n"
              "          compoundstmt pos=\"1:11\"\n"
              "          types\n"
              "      compoundstmt pos=\"1:16\"\n"
              "      types\n"
              "  compoundstmt pos=\"1:16\"\n");
    EXPECT_EQ(site.asked, (std::vector<std::string>{"b", "a", "c"}));
}

TEST(ILParser, ErrorInAUnitNamesTheInnermostUnitAndItsPosition) {
    TestSite site;
    site.units["outer"] = Lines({"uses 'inner';", "begin end."});
    site.units["inner"] = Lines({"begin", "  x := ;", "end."});
    site.units["fine"] = "begin end.";
    const Result r =
        Parse("uses 'fine', 'outer'; var v: Integer; var w: Integer; begin end.", site);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors.ErrorMessage, "Expression expected");
    EXPECT_EQ(r.errors.ErrorPosition, "2:8");
    EXPECT_EQ(r.errors.ErrorUnit, "inner");

    // A unit's lines may end in LF alone, its first line choosing a grammar.
    RegisterGrammar("TinyUnit",
                    "<?xml version=\"1.0\"?><language text=\"TinyUnit\"><parser><keywords><go/>"
                    "</keywords></parser><types/><empty/><program><keyword text=\"GO\" "
                    "node=\"go\"/></program></language>");
    TestSite lf;
    lf.units["tiny"] = "#language TinyUnit\n\n go\n";
    const Result l = Parse("uses 'tiny'; begin end.", lf);
    ASSERT_TRUE(l.ok) << l.errors.ErrorMessage << " at " << l.errors.ErrorPosition;
    EXPECT_NE(l.dump.find("      go pos=\"3:2\""), std::string::npos) << l.dump;

    // A unit with no text is an empty unit.
    TestSite empty;
    const Result e = Parse("uses 'nothing'; begin end.", empty);
    EXPECT_TRUE(e.ok);
    EXPECT_EQ(e.dump, "program\n  uses unit=\"nothing\"\n  compoundstmt pos=\"1:17\"\n");
}

TEST(ILParser, LongUnitChainsAreBoundedToo) {
    // Every unit names a new one: the chain ends at the nesting budget.
    class EndlessSite : public TestSite {
      public:
        bool GetUnitText(const std::string& name, std::string& text) override {
            text = "uses '" + name + "x'; begin end.";
            return true;
        }
    } site;
    const Result r = Parse("uses 'u'; begin end.", site);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors.ErrorMessage, MessageText(Msg::NestedTooDeeply));
    EXPECT_FALSE(r.errors.ErrorUnit.empty());
}

TEST(ILParser, UnitFilesAreReadWithoutAHandler) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string name = (dir / "script_il_parser_unit.pas").string();
    {
        std::ofstream out(name, std::ios::binary);
        out << "var inFile: Integer;\r\nbegin end.\r\n";
    }
    TestSite site;
    site.hasHandler = false;
    const Result r = Parse("uses '" + name + "'; begin end.", site);
    ASSERT_TRUE(r.ok) << r.errors.ErrorMessage;
    EXPECT_NE(r.dump.find("ident text=\"inFile\""), std::string::npos);
    std::filesystem::remove(name);

    TscILParser parser(site);
    parser.SelectGrammar("PascalScript");
    EXPECT_THROW((void)parser.BuildIntermediate("uses '" + name + "'; begin end."),
                 runtime::EFOpenError);
}

}  // namespace
}  // namespace script
