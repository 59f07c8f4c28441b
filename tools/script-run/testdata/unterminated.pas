begin
  WriteLn('open);
end.
