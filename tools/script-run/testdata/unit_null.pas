uses 'unit_late.inc';
begin
  WriteLn('before');
  Index;
end.
