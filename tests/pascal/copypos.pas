{ Copy, Pos, Delete and Insert: edge cases and link extraction from a page. }
var
  s, page, link: string;
  p, q, count: Integer;
begin
  s := 'abcdef';
  WriteLn(Copy(s, 2, 3));
  WriteLn(Copy(s, 5, 100));
  WriteLn('[' + Copy(s, 7, 1) + ']');
  WriteLn('[' + Copy(s, 3, 0) + ']');
  WriteLn(Copy(s, 1, Length(s)));
  WriteLn(Pos('cd', s));
  WriteLn(Pos('x', s));
  WriteLn(Pos('abcdefg', s));
  WriteLn(Pos('f', s));

  s := 'abcdef';
  Delete(s, 2, 2);
  WriteLn(s);
  s := 'abcdef';
  Delete(s, 5, 100);
  WriteLn(s);
  s := 'abcdef';
  Delete(s, 10, 1);
  WriteLn(s);
  s := 'abcdef';
  Delete(s, 1, 0);
  WriteLn(s);

  s := 'ace';
  Insert('b', s, 2);
  Insert('d', s, 4);
  WriteLn(s);
  Insert('!', s, 100);
  WriteLn(s);
  Insert('>', s, 1);
  WriteLn(s);

  page := '<html><body><div class="g"><a href="http://one.example/">One</a></div>' +
    '<div class="g"><a href="https://two.example/path?q=1&amp;r=2">Two</a></div>' +
    '<p>no link here</p><div class="g"><a href="http://three.example/x.html">Three</a>' +
    '</div></body></html>';
  count := 0;
  while True do
  begin
    p := Pos('<a href="', page);
    if p = 0 then
      Break;
    Delete(page, 1, p + 8);
    q := Pos('"', page);
    link := Copy(page, 1, q - 1);
    Delete(page, 1, q);
    p := Pos('>', page);
    q := Pos('</a>', page);
    count := count + 1;
    WriteLn(IntToStr(count) + ' ' + link + ' ' + Copy(page, p + 1, q - p - 1));
  end;
  WriteLn(Length(page));
end.
