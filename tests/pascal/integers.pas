{ Integer arithmetic: operators, precedence, signs, bit operations. }
var
  a, b, i, total, big: Integer;
begin
  a := 17;
  b := 5;
  WriteLn(a + b);
  WriteLn(a - b * 2);
  WriteLn((a - b) * 2);
  WriteLn(a div b);
  WriteLn(a mod b);
  WriteLn(-a div b);
  WriteLn(-a mod b);
  WriteLn(a div (-b));
  WriteLn(a mod (-b));
  WriteLn(-5 mod 3);
  WriteLn(2 + 3 * 4 - 6 div 2);
  WriteLn(a and b);
  WriteLn(a or b);
  WriteLn(a xor b);
  WriteLn(not 0);
  WriteLn(1 shl 10);
  WriteLn(1024 shr 3);
  WriteLn($FF + $10);
  WriteLn(Abs(-42));
  WriteLn(Round(2.5));
  WriteLn(Round(3.5));
  WriteLn(Round(-2.5));
  WriteLn(Trunc(-2.7));
  WriteLn(Trunc(9.99));
  WriteLn(IntToStr(123456789) + '!');
  WriteLn(StrToInt('-77') + 7);
  WriteLn(StrToInt('$1F'));

  total := 0;
  for i := 1 to 100 do
    total := total + i * i;
  WriteLn(total);

  big := 1;
  for i := 1 to 12 do
    big := big * i;
  WriteLn(big);
  WriteLn(IntToStr(big div 1000));

  i := 10;
  Inc(i);
  Inc(i, 4);
  Dec(i, 20);
  Dec(i);
  WriteLn(i);

  if (a > b) and not (a = b) then
    WriteLn('greater');
  if (a < b) or (a <> 17) then
    WriteLn('wrong')
  else
    WriteLn('right');
end.
