{ An engine-like script: the shape of a search-engine script (constants,
  text helpers, one result-page parser per result layout, a search driver).
  The benchmark compiles it to measure the compile time of a real script;
  DownloadURL and AddLink are declared by the benchmark. }

const
  BaseURL = 'http://www.example-search.com/search?hl=en&q=';
  PerPage = 10;
  MaxPages = 10;
  AnchorMark = '<a href="';
  EntityAmp = '&amp;';
  EntityQuot = '&quot;';
  EntityLt = '&lt;';
  EntityGt = '&gt;';

var
  EngineName: string;
  Found, Pages: Integer;
  LastError: string;

{ Replaces every occurrence of Old in S by New. }
function ReplaceAll(S, Old, New: string): string;
var
  p: Integer;
begin
  Result := '';
  p := Pos(Old, S);
  while p > 0 do
  begin
    Result := Result + Copy(S, 1, p - 1) + New;
    Delete(S, 1, p + Length(Old) - 1);
    p := Pos(Old, S);
  end;
  Result := Result + S;
end;

{ The text between the first Start after From and the next Stop. }
function Between(const S, Start, Stop: string; From: Integer): string;
var
  rest: string;
  p, q: Integer;
begin
  Result := '';
  rest := Copy(S, From, Length(S));
  p := Pos(Start, rest);
  if p = 0 then
    Exit;
  Delete(rest, 1, p + Length(Start) - 1);
  q := Pos(Stop, rest);
  if q = 0 then
    Exit;
  Result := Copy(rest, 1, q - 1);
end;

{ Drops tags and decodes the common entities. }
function ClearText(S: string): string;
var
  i: Integer;
  inTag: Boolean;
  c: string;
begin
  Result := '';
  inTag := False;
  for i := 1 to Length(S) do
  begin
    c := S[i];
    if c = '<' then
      inTag := True
    else if c = '>' then
      inTag := False
    else if not inTag then
      Result := Result + c;
  end;
  Result := ReplaceAll(Result, EntityAmp, '&');
  Result := ReplaceAll(Result, EntityQuot, '"');
  Result := ReplaceAll(Result, EntityLt, '<');
  Result := ReplaceAll(Result, EntityGt, '>');
  Result := Trim(Result);
end;

{ Percent-encodes a keyword for a query string. }
function EncodeURL(const S: string): string;
var
  i, code: Integer;
  c: string;
begin
  Result := '';
  for i := 1 to Length(S) do
  begin
    c := S[i];
    code := Ord(c);
    case code of
      48..57, 65..90, 97..122: Result := Result + c;
      32: Result := Result + '+'
    else
      Result := Result + '%' + Format('%.2x', [code]);
    end;
  end;
end;

{ True when the URL belongs to the engine itself rather than to a result. }
function IsOwnLink(const URL: string): Boolean;
begin
  Result := (Pos('webcache.', URL) > 0) or (Pos('/search?', URL) = 1) or
    (Pos('javascript:', URL) = 1) or (URL = '') or (URL = '#');
end;

{ Result layout 0: results in "<div class="g">" blocks. }
function ParseLayout0(Page: string; var Position: Integer): Integer;
var
  block, url, title, desc: string;
  p, q, depth: Integer;
begin
  Result := 0;
  depth := 0;
  p := Pos('<div class="g">', Page);
  while (p > 0) and (depth < PerPage * 2) do
  begin
    Delete(Page, 1, p + 14);
    q := Pos('</div>', Page);
    if q = 0 then
      Break;
    block := Copy(Page, 1, q - 1);
    url := Between(block, AnchorMark, '"', 1);
    if IsOwnLink(url) then
    begin
      p := Pos('<div class="g">', Page);
      Continue;
    end;
    url := ReplaceAll(url, EntityAmp, '&');
    title := ClearText(Between(block, '>', '</a>', Pos(AnchorMark, block)));
    desc := ClearText(Between(block, '<span class="st">', '</span>', 1));
    if Length(desc) > 300 then
      desc := Copy(desc, 1, 297) + '...';
    Position := Position + 1;
    AddLink(url, title, desc, Position);
    Result := Result + 1;
    depth := depth + 1;
    p := Pos('<div class="g">', Page);
  end;
end;

{ Result layout 1: results in "<div class="result">" blocks. }
function ParseLayout1(Page: string; var Position: Integer): Integer;
var
  block, url, title, desc: string;
  p, q, depth: Integer;
begin
  Result := 0;
  depth := 0;
  p := Pos('<div class="result">', Page);
  while (p > 0) and (depth < PerPage * 2) do
  begin
    Delete(Page, 1, p + 19);
    q := Pos('</div>', Page);
    if q = 0 then
      Break;
    block := Copy(Page, 1, q - 1);
    url := Between(block, AnchorMark, '"', 1);
    if IsOwnLink(url) then
    begin
      p := Pos('<div class="result">', Page);
      Continue;
    end;
    url := ReplaceAll(url, EntityAmp, '&');
    title := ClearText(Between(block, '>', '</a>', Pos(AnchorMark, block)));
    desc := ClearText(Between(block, '<span class="st">', '</span>', 1));
    if Length(desc) > 300 then
      desc := Copy(desc, 1, 297) + '...';
    Position := Position + 1;
    AddLink(url, title, desc, Position);
    Result := Result + 1;
    depth := depth + 1;
    p := Pos('<div class="result">', Page);
  end;
end;

{ Result layout 2: results in "<div class="res">" blocks. }
function ParseLayout2(Page: string; var Position: Integer): Integer;
var
  block, url, title, desc: string;
  p, q, depth: Integer;
begin
  Result := 0;
  depth := 0;
  p := Pos('<div class="res">', Page);
  while (p > 0) and (depth < PerPage * 2) do
  begin
    Delete(Page, 1, p + 16);
    q := Pos('</div>', Page);
    if q = 0 then
      Break;
    block := Copy(Page, 1, q - 1);
    url := Between(block, AnchorMark, '"', 1);
    if IsOwnLink(url) then
    begin
      p := Pos('<div class="res">', Page);
      Continue;
    end;
    url := ReplaceAll(url, EntityAmp, '&');
    title := ClearText(Between(block, '>', '</a>', Pos(AnchorMark, block)));
    desc := ClearText(Between(block, '<span class="st">', '</span>', 1));
    if Length(desc) > 300 then
      desc := Copy(desc, 1, 297) + '...';
    Position := Position + 1;
    AddLink(url, title, desc, Position);
    Result := Result + 1;
    depth := depth + 1;
    p := Pos('<div class="res">', Page);
  end;
end;

{ Result layout 3: results in "<div class="sr">" blocks. }
function ParseLayout3(Page: string; var Position: Integer): Integer;
var
  block, url, title, desc: string;
  p, q, depth: Integer;
begin
  Result := 0;
  depth := 0;
  p := Pos('<div class="sr">', Page);
  while (p > 0) and (depth < PerPage * 2) do
  begin
    Delete(Page, 1, p + 15);
    q := Pos('</div>', Page);
    if q = 0 then
      Break;
    block := Copy(Page, 1, q - 1);
    url := Between(block, AnchorMark, '"', 1);
    if IsOwnLink(url) then
    begin
      p := Pos('<div class="sr">', Page);
      Continue;
    end;
    url := ReplaceAll(url, EntityAmp, '&');
    title := ClearText(Between(block, '>', '</a>', Pos(AnchorMark, block)));
    desc := ClearText(Between(block, '<span class="st">', '</span>', 1));
    if Length(desc) > 300 then
      desc := Copy(desc, 1, 297) + '...';
    Position := Position + 1;
    AddLink(url, title, desc, Position);
    Result := Result + 1;
    depth := depth + 1;
    p := Pos('<div class="sr">', Page);
  end;
end;

{ Result layout 4: results in "<div class="web-result">" blocks. }
function ParseLayout4(Page: string; var Position: Integer): Integer;
var
  block, url, title, desc: string;
  p, q, depth: Integer;
begin
  Result := 0;
  depth := 0;
  p := Pos('<div class="web-result">', Page);
  while (p > 0) and (depth < PerPage * 2) do
  begin
    Delete(Page, 1, p + 23);
    q := Pos('</div>', Page);
    if q = 0 then
      Break;
    block := Copy(Page, 1, q - 1);
    url := Between(block, AnchorMark, '"', 1);
    if IsOwnLink(url) then
    begin
      p := Pos('<div class="web-result">', Page);
      Continue;
    end;
    url := ReplaceAll(url, EntityAmp, '&');
    title := ClearText(Between(block, '>', '</a>', Pos(AnchorMark, block)));
    desc := ClearText(Between(block, '<span class="st">', '</span>', 1));
    if Length(desc) > 300 then
      desc := Copy(desc, 1, 297) + '...';
    Position := Position + 1;
    AddLink(url, title, desc, Position);
    Result := Result + 1;
    depth := depth + 1;
    p := Pos('<div class="web-result">', Page);
  end;
end;

{ Result layout 5: results in "<div class="algo">" blocks. }
function ParseLayout5(Page: string; var Position: Integer): Integer;
var
  block, url, title, desc: string;
  p, q, depth: Integer;
begin
  Result := 0;
  depth := 0;
  p := Pos('<div class="algo">', Page);
  while (p > 0) and (depth < PerPage * 2) do
  begin
    Delete(Page, 1, p + 17);
    q := Pos('</div>', Page);
    if q = 0 then
      Break;
    block := Copy(Page, 1, q - 1);
    url := Between(block, AnchorMark, '"', 1);
    if IsOwnLink(url) then
    begin
      p := Pos('<div class="algo">', Page);
      Continue;
    end;
    url := ReplaceAll(url, EntityAmp, '&');
    title := ClearText(Between(block, '>', '</a>', Pos(AnchorMark, block)));
    desc := ClearText(Between(block, '<span class="st">', '</span>', 1));
    if Length(desc) > 300 then
      desc := Copy(desc, 1, 297) + '...';
    Position := Position + 1;
    AddLink(url, title, desc, Position);
    Result := Result + 1;
    depth := depth + 1;
    p := Pos('<div class="algo">', Page);
  end;
end;

{ Result layout 6: results in "<div class="rc">" blocks. }
function ParseLayout6(Page: string; var Position: Integer): Integer;
var
  block, url, title, desc: string;
  p, q, depth: Integer;
begin
  Result := 0;
  depth := 0;
  p := Pos('<div class="rc">', Page);
  while (p > 0) and (depth < PerPage * 2) do
  begin
    Delete(Page, 1, p + 15);
    q := Pos('</div>', Page);
    if q = 0 then
      Break;
    block := Copy(Page, 1, q - 1);
    url := Between(block, AnchorMark, '"', 1);
    if IsOwnLink(url) then
    begin
      p := Pos('<div class="rc">', Page);
      Continue;
    end;
    url := ReplaceAll(url, EntityAmp, '&');
    title := ClearText(Between(block, '>', '</a>', Pos(AnchorMark, block)));
    desc := ClearText(Between(block, '<span class="st">', '</span>', 1));
    if Length(desc) > 300 then
      desc := Copy(desc, 1, 297) + '...';
    Position := Position + 1;
    AddLink(url, title, desc, Position);
    Result := Result + 1;
    depth := depth + 1;
    p := Pos('<div class="rc">', Page);
  end;
end;

{ Result layout 7: results in "<div class="hit">" blocks. }
function ParseLayout7(Page: string; var Position: Integer): Integer;
var
  block, url, title, desc: string;
  p, q, depth: Integer;
begin
  Result := 0;
  depth := 0;
  p := Pos('<div class="hit">', Page);
  while (p > 0) and (depth < PerPage * 2) do
  begin
    Delete(Page, 1, p + 16);
    q := Pos('</div>', Page);
    if q = 0 then
      Break;
    block := Copy(Page, 1, q - 1);
    url := Between(block, AnchorMark, '"', 1);
    if IsOwnLink(url) then
    begin
      p := Pos('<div class="hit">', Page);
      Continue;
    end;
    url := ReplaceAll(url, EntityAmp, '&');
    title := ClearText(Between(block, '>', '</a>', Pos(AnchorMark, block)));
    desc := ClearText(Between(block, '<span class="st">', '</span>', 1));
    if Length(desc) > 300 then
      desc := Copy(desc, 1, 297) + '...';
    Position := Position + 1;
    AddLink(url, title, desc, Position);
    Result := Result + 1;
    depth := depth + 1;
    p := Pos('<div class="hit">', Page);
  end;
end;

{ Result layout 8: results in "<div class="item">" blocks. }
function ParseLayout8(Page: string; var Position: Integer): Integer;
var
  block, url, title, desc: string;
  p, q, depth: Integer;
begin
  Result := 0;
  depth := 0;
  p := Pos('<div class="item">', Page);
  while (p > 0) and (depth < PerPage * 2) do
  begin
    Delete(Page, 1, p + 17);
    q := Pos('</div>', Page);
    if q = 0 then
      Break;
    block := Copy(Page, 1, q - 1);
    url := Between(block, AnchorMark, '"', 1);
    if IsOwnLink(url) then
    begin
      p := Pos('<div class="item">', Page);
      Continue;
    end;
    url := ReplaceAll(url, EntityAmp, '&');
    title := ClearText(Between(block, '>', '</a>', Pos(AnchorMark, block)));
    desc := ClearText(Between(block, '<span class="st">', '</span>', 1));
    if Length(desc) > 300 then
      desc := Copy(desc, 1, 297) + '...';
    Position := Position + 1;
    AddLink(url, title, desc, Position);
    Result := Result + 1;
    depth := depth + 1;
    p := Pos('<div class="item">', Page);
  end;
end;

{ Result layout 9: results in "<div class="entry">" blocks. }
function ParseLayout9(Page: string; var Position: Integer): Integer;
var
  block, url, title, desc: string;
  p, q, depth: Integer;
begin
  Result := 0;
  depth := 0;
  p := Pos('<div class="entry">', Page);
  while (p > 0) and (depth < PerPage * 2) do
  begin
    Delete(Page, 1, p + 18);
    q := Pos('</div>', Page);
    if q = 0 then
      Break;
    block := Copy(Page, 1, q - 1);
    url := Between(block, AnchorMark, '"', 1);
    if IsOwnLink(url) then
    begin
      p := Pos('<div class="entry">', Page);
      Continue;
    end;
    url := ReplaceAll(url, EntityAmp, '&');
    title := ClearText(Between(block, '>', '</a>', Pos(AnchorMark, block)));
    desc := ClearText(Between(block, '<span class="st">', '</span>', 1));
    if Length(desc) > 300 then
      desc := Copy(desc, 1, 297) + '...';
    Position := Position + 1;
    AddLink(url, title, desc, Position);
    Result := Result + 1;
    depth := depth + 1;
    p := Pos('<div class="entry">', Page);
  end;
end;

{ Runs a search: fetches result pages until Depth results are found or a
  page has none. }
function Search(Keyword: string; Depth: Integer): Integer;
var
  page, url: string;
  i, position, added: Integer;
begin
  Result := 0;
  position := 0;
  Pages := 0;
  LastError := '';
  for i := 0 to MaxPages - 1 do
  begin
    if position >= Depth then
      Break;
    url := BaseURL + EncodeURL(Keyword) + '&start=' + IntToStr(i * PerPage);
    try
      page := DownloadURL(url);
    except
      LastError := ExceptionMessage;
      Exit;
    end;
    if page = '' then
      Exit;
    Pages := Pages + 1;
    added := 0;
    case i mod 10 of
      0: added := ParseLayout0(page, position);
      1: added := ParseLayout1(page, position);
      2: added := ParseLayout2(page, position);
      3: added := ParseLayout3(page, position);
      4: added := ParseLayout4(page, position);
      5: added := ParseLayout5(page, position);
      6: added := ParseLayout6(page, position);
      7: added := ParseLayout7(page, position);
      8: added := ParseLayout8(page, position);
      9: added := ParseLayout9(page, position);
    end;
    if added = 0 then
      added := ParseLayout0(page, position);
    if added = 0 then
      Break;
    Result := Result + added;
  end;
  Found := Result;
end;

begin
  EngineName := 'Example';
  Found := 0;
end.
