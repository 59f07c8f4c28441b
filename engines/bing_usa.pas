{ Bing, United States: the result pages of www.bing.com. Each organic
  result is an <li class="b_algo"> with the title link in its <h2> and the
  description in the first paragraph after it. }
uses 'engine_text.pas';

const
  Name = 'Bing';
  Country = 'USA (Bing)';
  Url = 'https://www.bing.com/';
  Lang = 'English';
  FreeListing = True;
  PaidListing = False;
  PageSize = 10;

function AddResults(const Page: string; Links: TLinkList; Depth, PageNo: Integer): Integer;
var
  p, next, h, a, e, d: Integer;
  block, target: string;
  t, s: WideString;
begin
  Result := 0;
  p := PosEx('<li class="b_algo"', Page, 1);
  while (p > 0) and (Links.Count < Depth) do
  begin
    next := PosEx('<li class="b_algo"', Page, p + 1);
    if next > 0 then
      block := Copy(Page, p, next - p)
    else
      block := Copy(Page, p, Length(Page) - p + 1);
    h := Pos('<h2', block);
    if h > 0 then
    begin
      a := PosEx('href="', block, h);
      e := PosEx('"', block, a + 6);
      target := Copy(block, a + 6, e - a - 6);
      t := TextBetween(block, '>', '</a>', e);
      ClearText(t);
      d := PosEx('<p', block, e);
      s := '';
      if d > 0 then
        s := TextBetween(block, '>', '</p>', d);
      ClearText(s);
      if (a > 0) and (Pos('http', target) = 1) and (Links.IndexOf(target) < 0) then
      begin
        Links.Add(TLink.Create(target, t, s, Links.Count + 1, PageNo, 0));
        Result := Result + 1;
      end;
    end;
    p := next;
  end;
end;

function Search(Keyword: WideString; Depth: Integer; Links, Extra: TLinkList): Boolean;
var
  pageNo: Integer;
  page: string;
begin
  Result := False;
  pageNo := 1;
  while Links.Count < Depth do
  begin
    page := DownloadURL('https://www.bing.com/search?q=' + EncodeURL(Keyword + #2) +
      '&first=' + IntToStr((pageNo - 1) * PageSize + 1) + '&count=' + IntToStr(PageSize) +
      '&setlang=en-US&cc=US');
    if page = '' then
      Exit;
    if AddResults(page, Links, Depth, pageNo) = 0 then
      Break;
    pageNo := pageNo + 1;
  end;
  Result := True;
end;

begin
end.
