begin
  WriteLn('before');
  WriteLn(StrToInt('abc'));
  WriteLn('after');
end.
