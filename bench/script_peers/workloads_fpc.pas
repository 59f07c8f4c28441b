{ The benchmark's workloads in Free Pascal (see workloads.pas), built with
  fpc -O2 by the harness.
    workloads_fpc loop|fib|scan|build <page file>
  prints "<milliseconds> <checksum>". }
program workloads_fpc;

{$mode objfpc}{$H+}

uses
  SysUtils, Classes, BaseUnix, Unix;

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

function Scan(const page: string; times: Integer): Integer;
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

function Build(const page: string; times: Integer): Integer;
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

function Microseconds: Int64;
var
  tv: TTimeVal;
begin
  fpGetTimeOfDay(@tv, nil);
  Result := Int64(tv.tv_sec) * 1000000 + tv.tv_usec;
end;

var
  page: string;
  stream: TFileStream;
  start: Int64;
  checksum: Integer;
begin
  stream := TFileStream.Create(ParamStr(2), fmOpenRead);
  try
    SetLength(page, stream.Size);
    if stream.Size > 0 then
      stream.ReadBuffer(page[1], stream.Size);
  finally
    stream.Free;
  end;
  start := Microseconds;
  if ParamStr(1) = 'loop' then
    checksum := Loop(10000000)
  else if ParamStr(1) = 'fib' then
    checksum := Fib(30)
  else if ParamStr(1) = 'build' then
    checksum := Build(page, 50)
  else
    checksum := Scan(page, 50);
  WriteLn(Format('%.3f %d', [(Microseconds - start) / 1000, checksum]));
end.
