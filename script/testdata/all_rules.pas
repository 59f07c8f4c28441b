program AllRules;
{ Every rule of the grammar at least once. }
uses 'first.pas', 'second.pas';
const
  Limit = 10;
  Greeting = 'it''s' + #13#10;
var
  i, j: Integer;
  s: string = 'x';
  grid: array[1..3, 4] of Variant;
  list: array of Integer;
  found: Boolean;

procedure Note(const Msg: string; var Count: Integer; Extra: Integer);
var
  local: Integer;

  function Twice(n: Integer): Integer;
  begin
    Result := n * 2
  end;

begin
  local := Twice(Count);
  Count := local + 1;
end;

function Check(a, b: Integer): Boolean;
begin
  Check := (a <> b) and not (a >= b) or (a <= b) xor (a > -b) and (a < b)
end;

begin
  i := $1F + 3.5e2 - 1 / 2 * 3 div 4 mod 5 shl 1 shr 1;
  s := s + Greeting + <raw "text" [1]>;  // a raw literal
  found := (i = 1) or (i in [1, 3..Limit, Limit..20]) or (s is TObject);
  grid[1, 4] := @Note;
  Note(s, i, 0);
  list[0].Items[i].Free;
  Go;
  if found then i := 1 else i := 2;
  case i of
    1, 2: j := 1;
    3..Limit: begin j := 2 end
  else
    j := 3;
  end;
  repeat
    i := i - 1;
    if i < 0 then break;
    continue
  until i <= 0;
  while i < 10 do i := i + 1;
  for i := 1 to 10 do j := j + i;
  for i := 10 downto 1 do ;
  try
    Note(s, j, 1)
  finally
    exit
  end;
  try
    i := 0
  except
    i := -1
  end;
  with grid, list do s := '';
end.
