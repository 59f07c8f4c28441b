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
# objfpc mode, ansistrings and the units SysUtils and ScriptCompat (fpc/).
# Exit 77 (skipped) when fpc is not installed.
set -u

here=$(cd "$(dirname "$0")" && pwd)
script_run=$1
work=$2

if ! command -v fpc >/dev/null 2>&1; then
  echo "fpc is not installed: differential tests skipped"
  exit 77
fi

mkdir -p "$work"
failed=0
count=0
for program in "$here"/*.pas; do
  name=$(basename "$program" .pas)
  count=$((count + 1))

  "$script_run" "$program" >"$work/$name.script.out" 2>"$work/$name.script.err"
  script_status=$?

  source="$work/$name.pp"
  {
    printf 'program t_%s; {$mode objfpc}{$H+} uses SysUtils, ScriptCompat;\n' "$name"
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
