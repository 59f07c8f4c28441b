#include "script/grammar_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/errors.h"
#include "script/pascalscript_grammar.h"
#include "script/xml_tree.h"

namespace script {
namespace {

TEST(GrammarRegistry, FindsByNameInAnyCaseAndReplacesOnReRegistration) {
    RegisterPascalScriptGrammar();
    EXPECT_EQ(GrammarText("pascalscript"), PascalScriptGrammarText());
    EXPECT_EQ(GrammarText("PASCALSCRIPT"), PascalScriptGrammarText());

    RegisterGrammar("TestLang", "<?xml version=\"1.0\"?><language text=\"one\"/>");
    RegisterGrammar("testlang", "<?xml version=\"1.0\"?><language text=\"two\"/>");
    EXPECT_EQ(GrammarText("TESTLANG"), "<?xml version=\"1.0\"?><language text=\"two\"/>");

    try {
        (void)GrammarText("Basic");
        FAIL() << "no error";
    } catch (const EScriptError& e) {
        EXPECT_EQ(e.Message(), "Language 'Basic' not found");
    }
}

TEST(PascalScriptGrammar, HasTheSpecifiedStructure) {
    const std::string_view text = PascalScriptGrammarText();
    EXPECT_EQ(text.size(), 8599u);
    EXPECT_EQ(text.find('\n'), std::string_view::npos);

    TscXMLDocument doc;
    doc.LoadFromString(text);
    TscXMLItem& root = doc.Root();
    EXPECT_EQ(root.Name, "language");
    EXPECT_EQ(root.Prop("text"), "PascalScript");
    ASSERT_GE(root.Count(), 3);
    EXPECT_EQ(root.Items(0).Name, "parser");
    EXPECT_EQ(root.Items(1).Name, "types");
    EXPECT_EQ(root.Items(1).Count(), 0);
    EXPECT_EQ(root.Items(2).Name, "empty");

    TscXMLItem& parser = root.Items(0);
    const std::vector<std::pair<std::string, std::string>> settings = {
        {"commentline1", "//"}, {"commentblock1", "{,}"}, {"commentblock2", "(*,*)"},
        {"stringquotes", "'"},  {"hexsequence", "$"},
    };
    for (const auto& [key, value] : settings) EXPECT_EQ(parser.FindItem(key).Prop("text"), value);
    EXPECT_EQ(parser.Count(), 7);  // the five settings, keywords, errors

    std::string keywords;
    for (int i = 0; i < parser.FindItem("keywords").Count(); ++i)
        keywords += parser.FindItem("keywords").Items(i).Name + " ";
    EXPECT_EQ(keywords,
              "and array begin break case const continue div do downto else end except exit "
              "finally for function goto if in is label mod not of or procedure program repeat "
              "shl shr then to try until uses var while with xor ");

    const char* messages[] = {"Identifier expected",
                              "Expression expected",
                              "Statement expected",
                              "':' expected",
                              "';' expected",
                              "'.' expected",
                              "')' expected",
                              "']' expected",
                              "'=' expected",
                              "'BEGIN' expected",
                              "'END' expected",
                              "'OF' expected",
                              "'THEN' expected",
                              "'UNTIL' expected",
                              "'TO' or 'DOWNTO' expected",
                              "'DO' expected",
                              "'FINALLY' or 'EXCEPT' expected",
                              "'[' expected",
                              "'..' expected",
                              "'>' expected"};
    TscXMLItem& errors = parser.FindItem("errors");
    ASSERT_EQ(errors.Count(), 20);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(errors.Items(i).Name, "err" + std::to_string(i + 1));
        EXPECT_EQ(errors.Items(i).Prop("text"), messages[i]);
    }

    std::string rules;
    for (int i = 3; i < root.Count(); ++i) {
        rules += root.Items(i).Name;
        const std::string node = root.Items(i).Prop("node");
        if (!node.empty()) rules += "=" + node;
        rules += " ";
    }
    EXPECT_EQ(rules,
              "program usesclause=uses block declsection constsection constantdecl=const "
              "varsection varlist=var typeident array=array arraydim=dim initvalue=init "
              "expression=expr simpleexpression term factor setconstructor=set setnode relop "
              "addop mulop designator=dsgn exprlist statement stmtlist simplestatement "
              "assignstmt=assignstmt callstmt=callstmt structstmt compoundstmt=compoundstmt "
              "conditionalstmt ifstmt=ifstmt casestmt=casestmt caseselector=caseselector "
              "loopstmt repeatstmt=repeatstmt whilestmt=whilestmt forstmt=forstmt "
              "trystmt=trystmt withstmt=with proceduredeclsection proceduredecl=procedure "
              "procedureheading functiondecl=function functionheading "
              "formalparameters=parameters formalparam ");
}

}  // namespace
}  // namespace script
