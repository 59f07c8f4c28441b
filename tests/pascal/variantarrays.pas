{ Variant arrays held in Variant variables: element reads and writes in
  place over tens of thousands of elements, two dimensions, strings and
  arrays as elements, bounds kept by copies. }
var
  v, w, names, copy: Variant;
  i, j, total: Integer;
  s: string;
begin
  v := VarArrayCreate([0, 39999], varVariant);
  for i := 0 to 39999 do
    v[i] := i;
  total := 0;
  for i := 0 to 39999 do
    total := total + v[i];
  WriteLn(total);
  for i := 0 to 39999 do
    if i mod 2 = 0 then
      v[i] := v[i] + 1;
  total := 0;
  for i := 0 to 39999 do
    total := total + v[i] mod 7;
  WriteLn(total);

  w := VarArrayCreate([1, 30, 1, 40], varInteger);
  for i := 1 to 30 do
    for j := 1 to 40 do
      w[i, j] := i * 100 + j;
  total := 0;
  for i := 1 to 30 do
    for j := 1 to 40 do
      if (i + j) mod 3 = 0 then
        total := total + w[i, j];
  WriteLn(total);
  WriteLn(w[30, 40]);

  names := VarArrayCreate([0, 999], varVariant);
  for i := 0 to 999 do
    names[i] := 'n' + IntToStr(i);
  s := '';
  for i := 0 to 999 do
    if i mod 100 = 0 then
      s := s + names[i] + ' ';
  WriteLn(s);

  copy := v;
  copy[0] := -5;
  WriteLn(v[0]);
  WriteLn(copy[0]);
end.
