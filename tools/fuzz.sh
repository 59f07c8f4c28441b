#!/bin/sh
# Long fuzzing run by hand: tools/fuzz.sh <target> [seconds]
# Builds build/fuzz with clang and libFuzzer, optimised and with the address
# and undefined-behaviour sanitizers, then fuzzes the target over a scratch
# copy of its corpus with inputs up to 64 KB; a process that takes more than
# 2 GB, or a single allocation above 1 GB, counts as a crash. Crashing
# inputs are left as crash-* files here.
set -eu
target=$1
seconds=${2:-120}
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build/fuzz" -G Ninja -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSERPLOW_SANITIZE=ON -DSERPLOW_FUZZ=ON >/dev/null
cmake --build "$top/build/fuzz" --target "$target"
corpus=$(find "$top" -path "$top/build" -prune -o -type d -name "${target}_corpus" -print | head -n 1)
work=$(mktemp -d)
[ -n "$corpus" ] && cp -r "$corpus"/. "$work"/
exe=$(find "$top/build/fuzz" -type f -name "$target" | head -n 1)
"$exe" -max_total_time="$seconds" -timeout=10 -max_len=65536 \
  -rss_limit_mb=2048 -malloc_limit_mb=1024 "$work"
