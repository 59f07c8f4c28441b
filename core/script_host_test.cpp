// The script host: the host functions and classes as engine scripts use
// them, RunSearch's outcomes, and the links scripts make.
#include "core/script_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "core/download.h"
#include "core/link.h"
#include "core/search.h"
#include "core/search_test_support.h"
#include "runtime/strings.h"

namespace core {
namespace {

using testing::ScopedSearchProgram;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The parts every test script shares: the Search function's header.
std::string Engine(const std::string& body, const std::string& declarations = "") {
    return "const\r\n  Name = 'Test';\r\n  Country = 'Test';\r\n" + declarations +
           "function Search(Keyword: WideString; Depth: Integer; Links, Extra: TLinkList): "
           "Boolean;\r\n" +
           body + "\r\nbegin\r\nend.\r\n";
}

class ScriptHostTest : public ::testing::Test {
  protected:
    TSearchOutcome Run(const std::string& text, TLinkList& links,
                       std::u16string keyword = u"keyword") {
        const TSE engine(EnginesDir() + u"test.se", text);
        TLinkList extra;
        TFetchContext fetch;
        return RunSearch(engine, keyword, 30, links, extra, fetch);
    }

    ScopedSearchProgram program_{"1"};
};

TEST_F(ScriptHostTest, OffersTheHostFunctions) {
    const std::string text =
        Engine(R"(var
  s: WideString;
begin
  s := '<b>bold</b> &amp;'#10'line';
  ClearText(s);
  Put(Links, 'cleartext', s);
  s := 'caf&#233; &lt;';
  ReplaceISOSymbols(s);
  Put(Links, 'iso', s);
  Put(Links, 'replace', WideStringReplace('aXbxc', 'x', '-', [rfReplaceAll, rfIgnoreCase]));
  Put(Links, 'replacefirst', WideStringReplace('aXbxc', 'x', '-', rfIgnoreCase));
  Put(Links, 'wholeword', WideStringReplace('cat catalog', 'cat', 'dog', [rfReplaceAll], True));
  Put(Links, 'posex', IntToStr(PosEx('b', 'abcb', 3)));
  Put(Links, 'posexdefault', IntToStr(PosEx('b', 'abcb')));
  Put(Links, 'posexback', IntToStr(PosExBack('ab', 'xxabyy', 6)));
  Put(Links, 'encode', EncodeURL(Keyword));
  Put(Links, 'encodeutf8', EncodeURL(Keyword + #2));
  Put(Links, 'decode', DecodeURL('%61%62'));
  if GoogleWebSearch then
    Put(Links, 'google', 'yes');
  DebugMessage('nothing happens');
  Put(Links, 'decimal', DecimalSeparator);
  Put(Links, 'indexof', IntToStr(Links.IndexOf('ISO')));
  Result := True;
end;)",
               R"(procedure Put(Links: TLinkList; const Name: string; Value: WideString);
begin
  Links.Add(TLink.Create(Name, Value, 'desc', Links.Count + 1, 2, 1.5));
end;
)");
    TLinkList links;
    const TSearchOutcome outcome = Run(text, links, u"\u00E9");
    ASSERT_TRUE(outcome.Succeeded) << outcome.Reason;

    std::map<std::string, std::u16string> titles;
    for (int i = 0; i < links.Count(); ++i)
        titles[std::string(links.Links(i)->Name())] = links.Links(i)->Title();
    const std::map<std::string, std::u16string> expected{
        {"cleartext", u"bold & line"},
        {"iso", u"caf\u00E9 <"},
        {"replace", u"a-b-c"},
        {"replacefirst", u"a-bxc"},
        {"wholeword", u"dog catalog"},
        {"posex", u"4"},
        {"posexdefault", u"2"},
        {"posexback", u"4"},
        {"encode", u"%E9"},
        {"encodeutf8", u"%C3%A9"},
        {"decode", u"ab"},
        {"google", u"yes"},
        {"decimal",
         runtime::AnsiToWide(std::string(1, runtime::FormatSettings().DecimalSeparator))},
        {"indexof", u"1"},
    };
    EXPECT_EQ(titles, expected);
    const TLink& first = *links.Links(0);
    EXPECT_EQ(first.Description(), u"desc");
    EXPECT_EQ(first.Position, 1);
    EXPECT_EQ(first.Page, 2);
    EXPECT_EQ(first.Cost, 1.5);
}

// However a script treats its links, each is freed once: by the list that
// holds it, or after the run when no list does.
TEST_F(ScriptHostTest, LinksAreFreedOnce) {
    struct Row {
        const char* what;
        const char* body;
        bool succeeds;
        const char* reason;  // part of it
        int links;
    };
    const Row rows[] = {
        {"added twice", "l := New('a'); Links.Add(l); Links.Add(l); Result := True;", false,
         "The link is in a list already", 1},
        {"added to both lists", "l := New('a'); Extra.Add(l); Links.Add(l); Result := True;", false,
         "The link is in a list already", 0},
        {"freed after adding", "l := New('a'); Links.Add(l); l.Free; Result := True;", false,
         "owned by the host", 1},
        {"freed before adding", "l := New('a'); l.Free; Links.Add(l); Result := True;", false,
         "Invalid class typecast", 0},
        {"no link", "o := TStringList.Create; try Links.Add(o) finally o.Free end; Result := True;",
         false, "Invalid class typecast", 0},
        {"error caught",
         "l := New('a'); try Links.Add(l); Links.Add(l) except end; Result := True;", true, "", 1},
        {"kept by the script", "l := New('a'); Result := True;", true, "", 0},
        {"given to Extra", "Extra.Add(New('a')); Result := True;", true, "", 0},
        {"deleted", "Links.Add(New('a')); Links.Add(New('b')); Links.Delete(0); Result := True;",
         true, "", 1},
        {"cleared", "Links.Add(New('a')); Links.Clear; Links.Add(New('c')); Result := True;", true,
         "", 1},
    };
    for (const Row& row : rows) {
        const std::string text =
            Engine(std::string("var\r\n  l: TLink;\r\n  o: TStringList;\r\nbegin\r\n  ") +
                       row.body + "\r\nend;",
                   "function New(const Name: string): TLink;\r\nbegin\r\n  Result := "
                   "TLink.Create(Name, '', '', 1, 1, 0);\r\nend;\r\n");
        TLinkList links;
        const TSearchOutcome outcome = Run(text, links);
        EXPECT_EQ(outcome.Succeeded, row.succeeds) << row.what << ": " << outcome.Reason;
        EXPECT_TRUE(contains(outcome.Reason, row.reason)) << row.what << ": " << outcome.Reason;
        EXPECT_EQ(links.Count(), row.links) << row.what;
    }
}

TEST_F(ScriptHostTest, ACompileErrorLeavesTheLockFree) {
    const std::string text = Engine("begin\r\n  Nowhere := 1;\r\nend;");
    TLinkList links;
    try {
        (void)Run(text, links);
        ADD_FAILURE() << "no compile error";
    } catch (const ESearchCompileError& e) {
        EXPECT_EQ(e.Message(),
                  "Unable to compile search engine script: " + runtime::WideToAnsi(EnginesDir()) +
                      "test.se\r\n\r\nUndeclared identifier: 'Nowhere' at 6:10");
    }
    bool entered = false;
    std::thread other([&entered] {
        entered = ScriptLock->TryEnter();
        if (entered) ScriptLock->Leave();
    });
    other.join();
    EXPECT_TRUE(entered);
}

TEST_F(ScriptHostTest, ReportsWhyASearchFailed) {
    struct Row {
        const char* what;
        std::string text;
        const char* reason;
    };
    const Row rows[] = {
        {"false", Engine("begin\r\n  Result := False;\r\nend;"), "Search returned False"},
        {"raises", Engine("begin\r\n  Result := StrToInt('x') > 0;\r\nend;"),
         "'x' is not a valid integer value"},
        {"no Search", "begin\r\nend.\r\n", "The engine script has no function Search"},
        {"failed fetch",
         Engine("begin\r\n  Result := DownloadURL('http://127.0.0.1:1/') <> '';\r\nend;"),
         "Unable to download http://127.0.0.1:1/"},
    };
    for (const Row& row : rows) {
        TLinkList links;
        const TSearchOutcome outcome = Run(row.text, links);
        EXPECT_FALSE(outcome.Succeeded) << row.what;
        EXPECT_TRUE(contains(outcome.Reason, row.reason)) << row.what << ": " << outcome.Reason;
    }
    // An error in the main block leaves RunSearch.
    TLinkList links;
    EXPECT_THROW((void)Run("begin\r\n  StrToInt('x');\r\nend.\r\n", links), ESearchScriptError);
}

TEST_F(ScriptHostTest, ReadsUnitsFromTheEnginesFolder) {
    program_.WriteEngine("helper.se",
                         "function Helper: Integer;\r\nbegin\r\n  Result := 42;\r\nend;\r\n"
                         "begin\r\nend.\r\n");
    const std::string body =
        "begin\r\n  Links.Add(TLink.Create(IntToStr(Helper), '', '', 1, 1, 0));\r\n"
        "  Result := True;\r\nend;";
    TLinkList links;
    const TSearchOutcome outcome = Run("uses 'helper.pas';\r\n" + Engine(body), links);
    ASSERT_TRUE(outcome.Succeeded) << outcome.Reason;
    ASSERT_EQ(links.Count(), 1);
    EXPECT_EQ(links.Links(0)->Name(), "42");

    struct Row {
        const char* unit;
        const char* reason;
    };
    for (const Row& row :
         {Row{"../helper.pas", "Invalid unit name"}, Row{"missing.pas", "Unit file not found"}}) {
        const TSE engine(EnginesDir() + u"test.se",
                         std::string("uses '") + row.unit + "';\r\n" + Engine(body));
        TFetchContext fetch;
        TKeywordSearch search;
        SearchKeyword(engine, u"k", 10, fetch, search);
        EXPECT_FALSE(search.Succeeded);
        EXPECT_TRUE(contains(search.Reason, row.reason)) << row.unit << ": " << search.Reason;
    }
}

TEST_F(ScriptHostTest, EveryRunStartsAfresh) {
    const std::string text = Engine(
        "begin\r\n  Runs := Runs + 1;\r\n"
        "  Links.Add(TLink.Create(IntToStr(Runs), Keyword, '', 1, 1, 0));\r\n"
        "  Result := True;\r\nend;",
        "var\r\n  Runs: Integer;\r\n");
    for (const char16_t* keyword : {u"first", u"second"}) {
        TLinkList links;
        ASSERT_TRUE(Run(text, links, keyword).Succeeded);
        EXPECT_EQ(links.Links(0)->Name(), "1");
        EXPECT_EQ(links.Links(0)->Title(), keyword);
    }
}

// Every engine shipped with the program compiles, with its units.
TEST_F(ScriptHostTest, TheShippedEnginesCompile) {
    script::TscScript& script = testing::ProgramScript();
    ASSERT_EQ(EngineList->Count(), 4);
    for (int i = 0; i < EngineList->Count(); ++i) {
        const TSE& engine = *EngineList->Items(i);
        script.Clear();
        script.SetText(engine.Script.Text());
        EXPECT_TRUE(script.Compile())
            << runtime::WideToUtf8(engine.FileName) << ": " << script.ErrorMessage << " at "
            << script.ErrorPosition << " " << script.ErrorUnit;
        EXPECT_NE(script.FindLocal("Search"), nullptr) << runtime::WideToUtf8(engine.FileName);
    }
    script.Clear();
}

TEST_F(ScriptHostTest, StopEndsARunningScript) {
    const TSE engine(EnginesDir() + u"test.se",
                     Engine("begin\r\n  while True do\r\n    Result := False;\r\nend;"));
    TLinkList links;
    TLinkList extra;
    TFetchContext fetch;
    std::thread stopper([&fetch] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        fetch.Stop();
        ScriptComponent()->Stop();
    });
    const TSearchOutcome outcome = RunSearch(engine, u"k", 10, links, extra, fetch);
    stopper.join();
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_EQ(outcome.Reason, "Stopped");
}

}  // namespace
}  // namespace core
