{ Deep recursion: ten thousand nested calls and more, with parameters,
  locals and string results kept on the way back. }
var
  i: Integer;

function Depth(n: Integer): Integer;
begin
  if n = 0 then
    Result := 0
  else
    Result := Depth(n - 1) + 1;
end;

function SumTo(n: Integer): Integer;
var
  here: Integer;
begin
  here := n;
  if n = 0 then
    Result := 0
  else
    Result := SumTo(n - 1) + here;
end;

function Marks(n: Integer): string;
begin
  if n = 0 then
    Result := ''
  else if n mod 1000 = 0 then
    Result := Marks(n - 1) + '|'
  else
    Result := Marks(n - 1);
end;

function Countdown(n: Integer; trail: string): string;
begin
  if n = 0 then
    Result := trail
  else if n mod 2500 = 0 then
    Result := Countdown(n - 1, trail + IntToStr(n) + ' ')
  else
    Result := Countdown(n - 1, trail);
end;

begin
  WriteLn(Depth(10000));
  WriteLn(Depth(15000));
  WriteLn(SumTo(10000));
  WriteLn(Marks(12000));
  WriteLn(Countdown(10000, '> '));
  for i := 1 to 3 do
    WriteLn(Depth(i * 4000));
end.
