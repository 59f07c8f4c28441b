{ Format, FloatToStr and FormatFloat with the "." locale. }
var
  i: Integer;
  x: Double;
begin
  WriteLn(Format('%d|%5d|%-5d|%.3d', [42, 42, 42, 7]));
  WriteLn(Format('%s|%8s|%-8s|%.2s', ['abc', 'abc', 'abc', 'abc']));
  WriteLn(Format('%x|%X|%4x|%.4x', [255, 255, 10, 10]));
  WriteLn(Format('%u', [123]));
  WriteLn(Format('%.2f|%8.3f|%-8.1f|%f', [3.14159, 2.5, -1.25, 1.0]));
  WriteLn(Format('%n|%.0n|%.1n', [1234567.891, 1234567.891, 999.95]));
  WriteLn(Format('%g|%g|%g', [0.5, 100.0, 1234.5678]));
  WriteLn(Format('%%|%s%%', ['50']));
  WriteLn(Format('%1:s %0:s %1:s', ['world', 'hello']));
  WriteLn(Format('%*d|%-*d|', [6, 42, 4, 7]));
  WriteLn(Format('%s has %d items costing %.2f', ['cart', 3, 19.989]));
  WriteLn(Format('%d', [-2147483647]));

  WriteLn(FloatToStr(0.1));
  WriteLn(FloatToStr(1 / 3));
  WriteLn(FloatToStr(2.5));
  WriteLn(FloatToStr(-0.75));
  WriteLn(FloatToStr(100));
  WriteLn(FloatToStr(1E20));
  WriteLn(FloatToStr(1.5E-7));
  WriteLn(FloatToStr(123456789012345.0));

  WriteLn(FormatFloat('0.00', 3.14159));
  WriteLn(FormatFloat('#,##0.00', 1234567.891));
  WriteLn(FormatFloat('000', 7));
  WriteLn(FormatFloat('#.###', 0.5));
  WriteLn(FormatFloat('0.0;(0.0);zero', -2.25));
  WriteLn(FormatFloat('0.0;(0.0);zero', 0));
  WriteLn(FormatFloat('0.00E+00', 12345.678));

  x := 1;
  for i := 1 to 10 do
    x := x * 1.5;
  WriteLn(Format('%.4f', [x]));
  WriteLn(FloatToStr(Int(x)));
  WriteLn(FloatToStr(Frac(2.75)));
  WriteLn(Format('%.6f', [Sqrt(2)]));
  WriteLn(Format('%.6f', [Pi]));
end.
