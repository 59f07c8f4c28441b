{ Loops: for up and down, while, repeat, break, continue, exit. }
var
  i, j, n, sum: Integer;
  line: string;

function FirstSquareAbove(limit: Integer): Integer;
var
  k: Integer;
begin
  Result := -1;
  k := 1;
  while True do
  begin
    if k * k > limit then
    begin
      Result := k;
      Exit;
    end;
    k := k + 1;
  end;
end;

begin
  sum := 0;
  for i := 1 to 10 do
    sum := sum + i;
  WriteLn(sum);

  line := '';
  for i := 5 downto 1 do
    line := line + IntToStr(i) + ' ';
  WriteLn(line);

  line := '';
  for i := 3 to 1 do
    line := line + 'never';
  WriteLn('[' + line + ']');

  n := 27;
  i := 0;
  while n <> 1 do
  begin
    if n mod 2 = 0 then
      n := n div 2
    else
      n := 3 * n + 1;
    i := i + 1;
  end;
  WriteLn(i);

  i := 0;
  repeat
    i := i + 7;
  until i > 100;
  WriteLn(i);

  line := '';
  for i := 1 to 20 do
  begin
    if i mod 3 = 0 then
      Continue;
    if i > 14 then
      Break;
    line := line + IntToStr(i) + ',';
  end;
  WriteLn(line);

  for i := 1 to 4 do
  begin
    line := '';
    for j := 1 to i do
      line := line + '*';
    WriteLn(line);
  end;

  sum := 0;
  for i := 1 to 10 do
    for j := 1 to 10 do
    begin
      if j > i then
        Break;
      sum := sum + i * j;
    end;
  WriteLn(sum);

  WriteLn(FirstSquareAbove(50));
  WriteLn(FirstSquareAbove(1000));
end.
