{ Recursion: results and parameters survive nested calls. }
var
  i: Integer;
  line: string;

function Fib(n: Integer): Integer;
begin
  if n < 2 then
    Result := n
  else
    Result := Fib(n - 1) + Fib(n - 2);
end;

function Factorial(n: Integer): Integer;
begin
  if n <= 1 then
    Result := 1
  else
    Result := n * Factorial(n - 1);
end;

function Gcd(a, b: Integer): Integer;
begin
  if b = 0 then
    Result := a
  else
    Result := Gcd(b, a mod b);
end;

function Ackermann(m, n: Integer): Integer;
begin
  if m = 0 then
    Result := n + 1
  else if n = 0 then
    Result := Ackermann(m - 1, 1)
  else
    Result := Ackermann(m - 1, Ackermann(m, n - 1));
end;

function Reverse(s: string): string;
begin
  if Length(s) <= 1 then
    Result := s
  else
    Result := Reverse(Copy(s, 2, Length(s) - 1)) + s[1];
end;

function Hanoi(n: Integer; source, target, spare: string): Integer;
var
  moves: Integer;
begin
  if n = 0 then
  begin
    Result := 0;
    Exit;
  end;
  moves := Hanoi(n - 1, source, spare, target);
  if n = 3 then
    WriteLn('move disk 3 from ' + source + ' to ' + target);
  moves := moves + 1 + Hanoi(n - 1, spare, target, source);
  Result := moves;
end;

function Digits(n: Integer): string;
var
  last: string;
begin
  last := IntToStr(n mod 10);
  if n < 10 then
    Result := last
  else
    Result := Digits(n div 10) + '-' + last;
end;

begin
  line := '';
  for i := 0 to 15 do
    line := line + IntToStr(Fib(i)) + ' ';
  WriteLn(line);
  WriteLn(Fib(20));
  WriteLn(Factorial(10));
  WriteLn(Gcd(1071, 462));
  WriteLn(Ackermann(2, 3));
  WriteLn(Reverse('recursion'));
  WriteLn(Hanoi(6, 'A', 'C', 'B'));
  WriteLn(Digits(90210));
end.
