var s: String; x: array[1..3, 2] of Variant; v: Variant;
begin
  s := 'abc'; s[2] := 'Z'; x[1, 0] := s + Echo(s);
  v := x[1, 0]; if v in ['a', 'b'..'c'] then s := '';
  case Length(s) of 1: ; 3: s := s + s else s := '' end
end.
