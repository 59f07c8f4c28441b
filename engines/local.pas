{ Local: the result pages of the local result server (tests/servers/serp),
  in any of its three layouts. The server's address comes from the unit
  local_server. }
uses 'local_server.pas', 'engine_text.pas';

const
  Name = 'Local';
  Country = 'Local';
  Url = 'http://127.0.0.1/';
  Lang = 'English';
  FreeListing = True;
  PaidListing = False;
  PageSize = 10;

{ Adds the results of one page, up to Depth links in all; the number added. }
function AddResults(const Page: string; Links: TLinkList; Depth, PageNo: Integer): Integer;
var
  marker, descOpen, descClose, href, title, desc: string;
  p, q: Integer;
  t, d: WideString;
begin
  Result := 0;
  if Pos('<ol class="results"', Page) > 0 then
  begin
    marker := '<li class="result">';
    descOpen := '<p class="snippet">';
    descClose := '</p>';
  end
  else if Pos('<div id="main">', Page) > 0 then
  begin
    marker := '<div class="card">';
    descOpen := '<div class="desc">';
    descClose := '</div>';
  end
  else if Pos('<table class="serp">', Page) > 0 then
  begin
    marker := '<td class="n">';
    descOpen := '<span class="d">';
    descClose := '</span>';
  end
  else
    Exit;

  p := PosEx(marker, Page, 1);
  while (p > 0) and (Links.Count < Depth) do
  begin
    q := p + Length(marker);
    href := CutBetween(Page, 'href="', '"', q);
    title := CutBetween(Page, '>', '</a>', q);
    desc := CutBetween(Page, descOpen, descClose, q);
    if q = 0 then
      Break;
    t := title;
    ClearText(t);
    d := desc;
    ClearText(d);
    Links.Add(TLink.Create(href, t, d, Links.Count + 1, PageNo, 0));
    Result := Result + 1;
    p := PosEx(marker, Page, q);
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
    page := DownloadURL(LocalServer + '/search?q=' + EncodeURL(Keyword + #2) + '&start=' +
      IntToStr((pageNo - 1) * PageSize));
    if page = '' then
      Exit;
    if (AddResults(page, Links, Depth, pageNo) = 0) or (Pos('class="next"', page) = 0) then
      Break;
    pageNo := pageNo + 1;
  end;
  Result := True;
end;

begin
end.
