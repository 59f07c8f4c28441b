{ Strings: concatenation, indexing, case, trimming, characters, comparison. }
var
  s, t, r: string;
  i, n: Integer;
  c: Char;
begin
  s := 'Hello';
  t := 'World';
  r := s + ', ' + t + '!';
  WriteLn(r);
  WriteLn(Length(r));
  WriteLn(r[1]);
  WriteLn(r[Length(r)]);
  WriteLn(UpperCase(r));
  WriteLn(LowerCase(r));
  WriteLn('[' + Trim('   padded   ') + ']');
  WriteLn('[' + Trim('') + ']');
  WriteLn('it''s quoted');
  WriteLn('');

  r[1] := 'J';
  WriteLn(r);

  t := '';
  for i := Length(s) downto 1 do
    t := t + s[i];
  WriteLn(t);

  n := 0;
  for i := 1 to Length(r) do
    if (r[i] >= 'a') and (r[i] <= 'z') then
      n := n + 1;
  WriteLn(n);

  c := 'A';
  WriteLn(Ord(c));
  WriteLn(Chr(Ord(c) + 2));
  t := '';
  for i := 0 to 25 do
    t := t + Chr(Ord('a') + i);
  WriteLn(t);

  if CompareText('abc', 'ABC') = 0 then
    WriteLn('same text');
  if CompareText('apple', 'Banana') < 0 then
    WriteLn('apple first');
  if 'abc' < 'abd' then
    WriteLn('abc < abd');
  if 'B' < 'a' then
    WriteLn('B < a');

  t := IntToStr(40) + IntToStr(2);
  WriteLn(t);
  WriteLn(StrToInt(t) + 1);
  WriteLn(Length(IntToStr(-1000)));
end.
