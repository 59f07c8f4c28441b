{ The benchmark's workloads in the script language; the harness
  (script_bench.cpp) calls each function by name and times the call. The
  peers (workloads.lua, workloads.py, workloads_fpc.pas) do the same work. }

{ A 10-million-iteration integer loop. }
function Loop(n: Integer): Integer;
var
  i, s: Integer;
begin
  s := 0;
  for i := 1 to n do
    s := (s + i) mod 1000003;
  Result := s;
end;

function Fib(n: Integer): Integer;
begin
  if n < 2 then
    Result := n
  else
    Result := Fib(n - 1) + Fib(n - 2);
end;

{ Extracts every link of a result page, as engine scripts do: find the
  next anchor, cut the page up to it, copy the URL, cut past it. Returns
  the total length of the links plus the number of links of one scan. }
function Scan(page: string; times: Integer): Integer;
var
  s, link: string;
  p, q, t, count, total: Integer;
begin
  total := 0;
  count := 0;
  for t := 1 to times do
  begin
    s := page;
    count := 0;
    p := Pos('<a href="', s);
    while p > 0 do
    begin
      Delete(s, 1, p + 8);
      q := Pos('"', s);
      link := Copy(s, 1, q - 1);
      Delete(s, 1, q);
      total := total + Length(link);
      count := count + 1;
      p := Pos('<a href="', s);
    end;
  end;
  Result := total + count;
end;

{ Builds a page of 2,000 pieces by appending each to a growing text, as
  engine scripts build their requests and results, then scans it once.
  Returns the lengths of the texts built plus what their scans return. }
function Build(page: string; times: Integer): Integer;
var
  s: string;
  i, n, t, total: Integer;
begin
  total := 0;
  n := Length(page) div 2000;
  for t := 1 to times do
  begin
    s := '';
    for i := 0 to 1999 do
      s := s + Copy(page, i * n + 1, n);
    total := total + Length(s) + Scan(s, 1);
  end;
  Result := total;
end;

begin
end.
