{ Text helpers that the shipped engines share, as a unit they name in
  "uses". Positions count from 1. }

{ The text between the first Open at or after From and the next Close
  after it; empty when either is missing. }
function TextBetween(const Page, Open, Close: string; From: Integer): string;
var
  a, b: Integer;
begin
  Result := '';
  a := PosEx(Open, Page, From);
  if a = 0 then
    Exit;
  a := a + Length(Open);
  b := PosEx(Close, Page, a);
  if b > 0 then
    Result := Copy(Page, a, b - a);
end;

{ The same, for a walk through a page: From moves past Close, or becomes 0
  when either is missing (and a From of 0 finds nothing). }
function CutBetween(const Page, Open, Close: string; var From: Integer): string;
var
  a, b: Integer;
begin
  Result := '';
  if From = 0 then
    Exit;
  a := PosEx(Open, Page, From);
  b := 0;
  if a > 0 then
    b := PosEx(Close, Page, a + Length(Open));
  if b = 0 then
  begin
    From := 0;
    Exit;
  end;
  Result := Copy(Page, a + Length(Open), b - a - Length(Open));
  From := b + Length(Close);
end;

begin
end.
