#language PascalScript
begin if a then else b; case x of 1..2: ; end end.