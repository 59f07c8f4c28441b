var v: Variant;
begin
  with v do Foo := 1;
  v := @Nothing;
  v.Bar[2] := 3
end.
