// Time to turn a 500-line engine-like script into the intermediate form,
// grammar selection included, as every compilation of a search does.
#include <benchmark/benchmark.h>

#include <string>

#include "script/compile_site.h"
#include "script/il_parser.h"
#include "script/pascalscript_grammar.h"

namespace {

class BenchSite : public script::CompileSite {
  public:
    script::CompileErrors& Errors() override { return errors_; }
    bool GetUnitText(const std::string&, std::string&) override { return true; }

  private:
    script::CompileErrors errors_;
};

// One page parser of the kind engine scripts are made of: HTML scraping
// with Pos/Copy, entity literals, loops, conditions and result objects.
constexpr const char* kPageParser[] = {
    "function ParsePage@(const Page: string; Links: TLinkList; var Count: Integer): Boolean;",
    "var",
    "  p, q, start, depth: Integer;",
    "  url, title, desc: string;",
    "  link: TLink;",
    "  marks: array[0..3] of string;",
    "begin",
    "  Result := False;",
    "  marks[0] := '<div class=\"g\">';",
    "  marks[1] := '&quot;';",
    "  p := Pos(marks[0], Page);",
    "  while (p > 0) and (Count < depth * 10) do",
    "  begin",
    "    start := PosEx('<a href=\"', Page, p) + 9;",
    "    q := PosEx('\"', Page, start);",
    "    if q <= start then",
    "      Break;",
    "    url := Copy(Page, start, q - start);",
    "    url := StringReplace(url, '&amp;', '&', [rfReplaceAll, rfIgnoreCase]);",
    "    start := PosEx('>', Page, q) + 1;",
    "    q := PosEx('</a>', Page, start);",
    "    title := ClearText(Copy(Page, start, q - start));",
    "    { the description follows the title }",
    "    start := PosEx('<span class=\"st\">', Page, q);",
    "    if start > 0 then",
    "    begin",
    "      q := PosEx('</span>', Page, start);",
    "      desc := Trim(Copy(Page, start + 17, q - start - 17));",
    "    end",
    "    else",
    "      desc := '';",
    "    case Length(url) of",
    "      0: Continue;",
    "      1..7: url := 'http://' + url",
    "    else",
    "      url := Trim(url);",
    "    end;",
    "    link := TLink.Create;",
    "    link.URL := url;",
    "    link.Title := title;",
    "    link.Description := desc;",
    "    link.Position := Links.Count + 1;",
    "    Links.Add(link);",
    "    Count := Count + 1;",
    "    p := PosEx(marks[0], Page, q);",
    "    Result := True;",
    "  end;",
    "end;",
    "",
};

std::string EngineScript() {
    std::string text =
        "const\r\n  BaseURL = 'http://www.google.com/search?q=';\r\n  PerPage = 10;\r\n"
        "var\r\n  Engine: string = 'Google';\r\n\r\n";
    for (int copy = 0; copy < 10; ++copy) {
        for (const char* line : kPageParser) {
            // "@" numbers the copy, so every page parser has its own name.
            for (const char* c = line; *c; ++c) {
                if (*c == '@') {
                    text += std::to_string(copy);
                } else {
                    text += *c;
                }
            }
            text += "\r\n";
        }
    }
    const char* search[] = {
        "function Search(Keyword: string; Depth: Integer; Links, Paid: TLinkList): Boolean;",
        "var",
        "  page: string;",
        "  i, count: Integer;",
        "begin",
        "  Result := False;",
        "  count := 0;",
        "  for i := 0 to Depth - 1 do",
        "  begin",
        "    page := DownloadURL(BaseURL + EncodeURL(Keyword) + '&start=' + IntToStr(i * "
        "PerPage));",
        "    if page = '' then Exit;",
        "    try",
        "      if not ParsePage0(page, Links, count) then Break;",
        "    except",
        "      Result := count > 0;",
        "    end;",
        "  end;",
        "  Result := count > 0;",
        "end;",
        "",
        "begin",
        "end.",
    };
    for (const char* line : search) text += std::string(line) + "\r\n";
    return text;
}

void BM_ParseEngineScript(benchmark::State& state) {
    script::RegisterPascalScriptGrammar();
    const std::string text = EngineScript();
    int lines = 0;
    for (char c : text) lines += c == '\n';
    BenchSite site;
    for (auto _ : state) {
        script::TscILParser parser(site);
        parser.SelectGrammar("PascalScript");
        if (!parser.BuildIntermediate(text)) {
            state.SkipWithError(
                (site.Errors().ErrorMessage + " at " + site.Errors().ErrorPosition).c_str());
            break;
        }
        benchmark::DoNotOptimize(parser.Intermediate().Root().Count());
    }
    state.counters["lines"] = lines;
}
BENCHMARK(BM_ParseEngineScript)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
