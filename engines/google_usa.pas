{ Google, United States: the result pages of www.google.com as they are
  served to a browser without scripts. Each result is a link around an
  <h3> title; Google's own links carry the target in "/url?q=". }
uses 'engine_text.pas';

const
  Name = 'Google';
  Country = 'USA';
  Url = 'https://www.google.com/';
  Lang = 'English';
  FreeListing = True;
  PaidListing = False;
  PageSize = 10;
  { How far after a title the description may start. }
  DescriptionReach = 3000;

{ The address of a result link: Google's redirect is taken apart. }
function TargetOf(const Href: string): string;
var
  q: Integer;
begin
  Result := Href;
  if Pos('/url?', Href) = 1 then
  begin
    Result := TextBetween(Href + '&', 'q=', '&', 1);
    if Result = '' then
      Result := TextBetween(Href + '&', 'url=', '&', 1);
    Result := DecodeURL(Result);
  end;
  q := Pos('&amp;', Result);
  if q > 0 then
    Result := Copy(Result, 1, q - 1);
end;

{ The description after the title at From: the first of the snippet blocks
  Google uses, when it starts close enough. }
function DescriptionAfter(const Page: string; From: Integer): string;
var
  p: Integer;
begin
  Result := '';
  p := PosEx('<div class="VwiC3b', Page, From);
  if p = 0 then
    p := PosEx('<div class="BNeawe s3v9rd AP7Wnd">', Page, From);
  if (p = 0) or (p - From > DescriptionReach) then
    Exit;
  p := PosEx('>', Page, p);
  Result := TextBetween(Page, '>', '</div>', p);
end;

function AddResults(const Page: string; Links: TLinkList; Depth, PageNo: Integer): Integer;
var
  h, a, e, close: Integer;
  href, target: string;
  t, d: WideString;
begin
  Result := 0;
  h := PosEx('<h3', Page, 1);
  while (h > 0) and (Links.Count < Depth) do
  begin
    close := PosEx('</h3>', Page, h);
    if close = 0 then
      Break;
    { The link around the title starts before it. }
    a := PosExBack('<a href="', Page, h);
    if a > 0 then
    begin
      e := PosEx('"', Page, a + 1);
      href := Copy(Page, a + 1, e - a - 1);
      target := TargetOf(href);
      if (Pos('http', target) = 1) and (Pos('google.', TextBetween(target + '/', '//', '/', 1)) = 0) then
      begin
        t := Copy(Page, h, close - h);
        ClearText(t);
        d := DescriptionAfter(Page, close);
        ClearText(d);
        if Links.IndexOf(target) < 0 then
        begin
          Links.Add(TLink.Create(target, t, d, Links.Count + 1, PageNo, 0));
          Result := Result + 1;
        end;
      end;
    end;
    h := PosEx('<h3', Page, close);
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
    page := DownloadURL('https://www.google.com/search?q=' + EncodeURL(Keyword + #2) +
      '&num=' + IntToStr(PageSize) + '&start=' + IntToStr((pageNo - 1) * PageSize) +
      '&hl=en&gl=us&ie=UTF-8&oe=UTF-8');
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
