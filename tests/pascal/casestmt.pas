{ Case statements: single values, lists, ranges, characters, else, with
  and without a ";" before the else. }
var
  i: Integer;
  s: string;

function Classify(n: Integer): string;
begin
  case n of
    0: Result := 'zero';
    1, 3, 5, 7, 9: Result := 'odd digit';
    2, 4, 6, 8: Result := 'even digit';
    10..99: Result := 'two digits';
    -9..-1: Result := 'negative digit'
  else
    Result := 'other';
  end;
end;

function Kind(c: Char): string;
begin
  case c of
    'a', 'e', 'i', 'o', 'u': Result := 'vowel';
    'b'..'d', 'f'..'h', 'j'..'n', 'p'..'t', 'v'..'z': Result := 'consonant';
    '0'..'9': Result := 'digit';
    ' ': Result := 'space';
  else
    Result := 'symbol';
  end;
end;

begin
  for i := -2 to 12 do
    WriteLn(IntToStr(i) + ' ' + Classify(i));
  WriteLn(Classify(100));
  WriteLn(Classify(55));

  s := 'case 4 u!';
  for i := 1 to Length(s) do
    WriteLn(s[i] + ' ' + Kind(s[i]));

  i := 3;
  case i * 2 of
    6:
      begin
        WriteLn('six');
        WriteLn('still six');
      end;
    7: WriteLn('seven');
  end;
  case i of
    1: WriteLn('one');
  end;
  case i of
    1: WriteLn('one');
    2: WriteLn('two');
  else
    begin
      WriteLn('neither');
      WriteLn('still neither');
    end;
  end;
  case i + 1 of 1: WriteLn('one'); 4: WriteLn('four'); else WriteLn('other'); end;
  case i + 2 of 1: WriteLn('one'); 4: WriteLn('four'); else WriteLn('other') end;
  WriteLn('done');
end.
