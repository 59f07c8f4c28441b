uses 'unit_broken.inc';
begin
  WriteLn('never runs');
end.
