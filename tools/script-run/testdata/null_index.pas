var v: Variant;
begin
  WriteLn(v[1]);
end.
