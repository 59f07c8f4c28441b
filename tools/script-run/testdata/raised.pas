begin
  try
    RaiseException('caught');
  except
    WriteLn(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  RaiseException('not caught');
end.
