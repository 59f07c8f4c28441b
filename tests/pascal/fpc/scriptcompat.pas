{ What the script language has built in and fpc does not, for the
  differential programs: the exception variables a script's except block
  reads, and RaiseException. The runner adds this unit to every program it
  builds with fpc. }
unit ScriptCompat;

{$mode objfpc}{$H+}

interface

uses
  SysUtils;

function ExceptionClassName: string;
function ExceptionMessage: string;
procedure RaiseException(const Param: string);

implementation

function ExceptionClassName: string;
begin
  if ExceptObject <> nil then
    Result := ExceptObject.ClassName
  else
    Result := '';
end;

function ExceptionMessage: string;
begin
  if ExceptObject is Exception then
    Result := Exception(ExceptObject).Message
  else
    Result := '';
end;

procedure RaiseException(const Param: string);
begin
  raise Exception.Create(Param);
end;

end.
