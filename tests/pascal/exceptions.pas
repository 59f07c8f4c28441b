{ Exceptions: except and finally blocks, nesting, errors of the library.
  fpc words the library's conversion errors its own way: for those only the
  class name is compared. }
var
  i, zero, steps: Integer;
  log: string;

procedure Fail(const what: string);
begin
  RaiseException('failed: ' + what);
end;

function SafeDiv(a, b: Integer): Integer;
begin
  try
    Result := a div b;
  except
    Result := -1;
  end;
end;

function Guarded(n: Integer): string;
begin
  Result := 'start';
  try
    if n > 0 then
      Exit;
    Result := Result + ' body';
  finally
    Result := Result + ' finally';
  end;
end;

begin
  try
    WriteLn('before');
    Fail('one');
    WriteLn('not reached');
  except
    WriteLn('caught ' + ExceptionClassName + ': ' + ExceptionMessage);
  end;

  try
    i := StrToInt('12x');
    WriteLn(i);
  except
    WriteLn(ExceptionClassName);
  end;

  zero := 0;
  try
    i := 10 div zero;
    WriteLn(i);
  except
    WriteLn(ExceptionClassName + ': ' + ExceptionMessage);
  end;

  WriteLn(SafeDiv(10, 3));
  WriteLn(SafeDiv(10, 0));

  log := '';
  try
    try
      log := log + 'a';
      Fail('inner');
      log := log + 'b';
    finally
      log := log + 'c';
    end;
  except
    log := log + 'd';
  end;
  WriteLn(log);

  log := '';
  try
    try
      Fail('first');
    except
      log := log + '[handled ' + ExceptionMessage + ']';
      Fail('second');
    end;
  except
    log := log + '[outer ' + ExceptionMessage + ']';
  end;
  WriteLn(log);

  steps := 0;
  for i := 1 to 5 do
  begin
    try
      if i mod 2 = 0 then
        Fail(IntToStr(i));
      steps := steps + 1;
    except
      steps := steps + 10;
    end;
  end;
  WriteLn(steps);

  log := '';
  for i := 1 to 3 do
  begin
    try
      if i = 2 then
        Continue;
      log := log + IntToStr(i);
    finally
      log := log + '.';
    end;
  end;
  WriteLn(log);

  WriteLn(Guarded(1));
  WriteLn(Guarded(0));

  try
    WriteLn(FormatFloat('0.0', StrToFloat('not a number')));
  except
    WriteLn(ExceptionClassName);
  end;
  WriteLn('end');
end.
