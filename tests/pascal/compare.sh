#!/bin/sh
# Differential tests: every program here runs through the script engine
# (script-run) and, built with fpc, natively; both must print the same and
# end normally.
#
#   compare.sh <script-run> <work folder>
#
# The programs are written in the subset both languages share: no program
# heading, single-argument WriteLn, floats printed through Format or
# FloatToStr. For fpc the runner puts a heading in front of each, with
# objfpc mode, ansistrings and the units SysUtils, Variants and
# ScriptCompat (fpc/).
# Exit 77 (skipped) when fpc is not installed.
set -u

here=$(cd "$(dirname "$0")" && pwd)
script_run=$1
work=$2

if ! command -v fpc >/dev/null 2>&1; then
  echo "fpc is not installed: differential tests skipped"
  exit 77
fi

mkdir -p "$work/generated"

# Programs too long to keep as text: a 60,000-term constant expression and
# a 2,000-term one of variables, both written flat; a chain of a thousand
# "else if".
awk 'BEGIN {
  printf "{ Long flat expressions. }\nvar\n  x, y: Integer;\n  s: string;\nbegin\n"
  printf "  x := 1"
  for (i = 2; i <= 60000; i++) printf (i % 2 ? " + %d" : " - %d"), i
  printf ";\n  WriteLn(x);\n  y := 3;\n  x := y"
  for (i = 1; i < 2000; i++) printf (i % 3 ? " + y" : " - y")
  printf ";\n  WriteLn(x);\n  s := \x27a\x27"
  for (i = 1; i < 3000; i++) printf " + \x27b\x27"
  printf ";\n  WriteLn(Length(s));\nend.\n"
}' >"$work/generated/long_expressions.pas"
awk 'BEGIN {
  printf "{ A chain of a thousand else-if branches. }\nvar\n  i: Integer;\n\n"
  printf "function Branch(x: Integer): Integer;\nbegin\n  if x = 0 then\n    Result := 0\n"
  for (i = 1; i < 1000; i++) printf "  else if x = %d then\n    Result := %d\n", i, i * 7
  printf "  else\n    Result := -1;\nend;\n\nbegin\n"
  printf "  for i := -1 to 3 do\n    WriteLn(Branch(i));\n"
  printf "  WriteLn(Branch(500));\n  WriteLn(Branch(999));\n  WriteLn(Branch(1000));\nend.\n"
}' >"$work/generated/else_if_chain.pas"

failed=0
count=0
for program in "$here"/*.pas "$work"/generated/*.pas; do
  name=$(basename "$program" .pas)
  count=$((count + 1))

  "$script_run" "$program" >"$work/$name.script.out" 2>"$work/$name.script.err"
  script_status=$?

  source="$work/$name.pp"
  {
    printf 'program t_%s; {$mode objfpc}{$H+} uses SysUtils, Variants, ScriptCompat;\n' "$name"
    cat "$program"
  } >"$source"
  if ! fpc -v0 -Fu"$here/fpc" -FU"$work" -o"$work/$name" "$source" >"$work/$name.fpc.log" 2>&1; then
    echo "FAIL $name: fpc cannot build it"
    cat "$work/$name.fpc.log"
    failed=$((failed + 1))
    continue
  fi
  "$work/$name" >"$work/$name.fpc.out" 2>&1
  fpc_status=$?

  if [ "$script_status" -ne 0 ]; then
    echo "FAIL $name: script-run exited with $script_status"
    cat "$work/$name.script.err"
    failed=$((failed + 1))
  elif [ "$fpc_status" -ne 0 ]; then
    echo "FAIL $name: the fpc build exited with $fpc_status"
    failed=$((failed + 1))
  elif ! diff -u "$work/$name.fpc.out" "$work/$name.script.out"; then
    echo "FAIL $name: the outputs differ (- fpc, + script-run)"
    failed=$((failed + 1))
  else
    echo "ok   $name"
  fi
done

echo "$count programs, $failed failed"
[ "$failed" -eq 0 ]
