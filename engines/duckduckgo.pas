{ DuckDuckGo: its result pages for browsers without scripts
  (html.duckduckgo.com). Each result's title is an <a class="result__a">
  whose address leads through DuckDuckGo's redirect, the target in
  "uddg="; the description is the <a class="result__snippet"> after it.
  Advertisements lead to "y.js" and are left out. }
uses 'engine_text.pas';

const
  Name = 'DuckDuckGo';
  Country = 'International (DuckDuckGo)';
  Url = 'https://duckduckgo.com/';
  Lang = 'English';
  FreeListing = True;
  PaidListing = False;

function TargetOf(const Href: string): string;
begin
  Result := Href;
  if Pos('uddg=', Href) > 0 then
    Result := DecodeURL(TextBetween(Href + '&', 'uddg=', '&', 1));
end;

function AddResults(const Page: string; Links: TLinkList; Depth, PageNo: Integer): Integer;
var
  p, e, s: Integer;
  href, target: string;
  t, d: WideString;
begin
  Result := 0;
  p := PosEx('class="result__a"', Page, 1);
  while (p > 0) and (Links.Count < Depth) do
  begin
    href := TextBetween(Page, 'href="', '"', p);
    e := PosEx('</a>', Page, p);
    t := TextBetween(Page, '>', '</a>', p);
    ClearText(t);
    d := '';
    s := PosEx('class="result__snippet"', Page, p);
    if (s > 0) and ((PosEx('class="result__a"', Page, p + 1) = 0) or
      (s < PosEx('class="result__a"', Page, p + 1))) then
      d := TextBetween(Page, '>', '</a>', s);
    ClearText(d);
    target := TargetOf(href);
    if (Pos('y.js', href) = 0) and (Pos('http', target) = 1) and (Links.IndexOf(target) < 0) then
    begin
      Links.Add(TLink.Create(target, t, d, Links.Count + 1, PageNo, 0));
      Result := Result + 1;
    end;
    if e = 0 then
      Break;
    p := PosEx('class="result__a"', Page, e);
  end;
end;

function Search(Keyword: WideString; Depth: Integer; Links, Extra: TLinkList): Boolean;
var
  pageNo, offset: Integer;
  page: string;
begin
  Result := False;
  pageNo := 1;
  offset := 0;
  while Links.Count < Depth do
  begin
    page := DownloadURL('https://html.duckduckgo.com/html/?q=' + EncodeURL(Keyword + #2) +
      '&s=' + IntToStr(offset) + '&dc=' + IntToStr(offset + 1) + '&kl=us-en');
    if page = '' then
      Exit;
    if AddResults(page, Links, Depth, pageNo) = 0 then
      Break;
    offset := Links.Count;
    pageNo := pageNo + 1;
  end;
  Result := True;
end;

begin
end.
