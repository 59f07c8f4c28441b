#!/bin/sh
# Long fuzzing run by hand: tools/fuzz.sh <target> [seconds]
# Builds build/fuzz with clang and libFuzzer, then fuzzes the target over a
# scratch copy of its corpus; crashing inputs are left as crash-* files here.
set -eu
target=$1
seconds=${2:-120}
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build/fuzz" -G Ninja -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DSERPLOW_FUZZ=ON >/dev/null
cmake --build "$top/build/fuzz" --target "$target"
corpus=$(find "$top" -path "$top/build" -prune -o -type d -name "${target}_corpus" -print | head -n 1)
work=$(mktemp -d)
[ -n "$corpus" ] && cp -r "$corpus"/. "$work"/
exe=$(find "$top/build/fuzz" -type f -name "$target" | head -n 1)
"$exe" -max_total_time="$seconds" -timeout=10 "$work"
