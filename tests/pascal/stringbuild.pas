{ Texts built piece by piece, as engine scripts build pages and requests:
  two thousand appends of one piece and of several, characters written
  into a long text and into a copy of it, a text doubled into megabytes,
  Insert, Delete and Copy on what was built. }
var
  s, t, u, page: string;
  i, n: Integer;

function Row(i: Integer): string;
begin
  Result := '<tr><td>' + IntToStr(i) + '</td></tr>';
end;

begin
  s := '';
  for i := 1 to 2000 do
    s := s + IntToStr(i mod 10);
  WriteLn(Length(s));
  WriteLn(Copy(s, 1, 12));

  page := '<table>';
  for i := 1 to 2000 do
    page := page + Row(i) + #13#10;
  page := page + '</table>';
  WriteLn(Length(page));
  WriteLn(Copy(page, Length(page) - 30, 31));

  u := '';
  for i := 1 to 2000 do
    u := u + '<li>' + IntToStr(i) + '</li>';
  n := 0;
  for i := 1 to Length(u) do
    if u[i] = '<' then
      n := n + 1;
  WriteLn(n);

  t := s;
  for i := 1 to 1000 do
    s[i * 2] := '-';
  WriteLn(Copy(s, 1, 12));
  WriteLn(Copy(t, 1, 12));

  s := 'ab';
  for i := 1 to 20 do
    s := s + s;
  WriteLn(Length(s));
  s := s + s + 'x';
  WriteLn(Length(s));
  WriteLn(Copy(s, Length(s) - 3, 4));

  s := 'abcdef';
  Insert('XYZ', s, 3);
  WriteLn(s);
  Delete(s, 2, 4);
  WriteLn(s);
  for i := 1 to 100 do
    Insert(IntToStr(i mod 10), s, 2);
  WriteLn(Length(s));
  WriteLn(Copy(s, 1, 15));
  while Length(s) > 10 do
    Delete(s, 1, 7);
  WriteLn(s);

  u := 'x';
  for i := 1 to 12 do
    u := u + Copy(u, 1, i) + '.';
  WriteLn(Length(u));
  WriteLn(Copy(u, 1, 30));
end.
