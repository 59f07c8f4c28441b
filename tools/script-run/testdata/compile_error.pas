begin
  WriteLn('never runs');
  WriteLn(Undeclared);
end.
