var
  i: Integer;
begin
  WriteLn('first');
  for i := 1 to 3 do
    WriteLn(i * 10);
  WriteLn(Null);
  WriteLn(Format('%s=%d', ['x', 7]));
end.
