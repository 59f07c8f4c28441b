procedure Deep(n: Integer); begin Deep(n + 1) end;
begin Deep(0) end.
