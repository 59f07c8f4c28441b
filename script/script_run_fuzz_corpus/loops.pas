var i, n: Integer;
begin
  for i := 1 to 10 do n := n + i;
  while n > 0 do n := n - 7;
end.
