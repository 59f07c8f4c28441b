procedure P(var a: Integer; b: Integer = 3);
begin
  try
    try
      a := a + b;
      if a > 5 then Raise('big');
    except
      a := Length(ExceptionMessage)
    end
  finally
    exit
  end
end;
var k: Integer;
begin k := 4; P(k); P(k, 1); repeat k := k - 1; if k = 2 then continue; if k < 0 then break until False end.
