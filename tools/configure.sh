#!/bin/sh
# Configures the build trees named as arguments ("native", "windows") when
# they are not configured yet. Sourced by run.sh and test.sh.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
for tree in "$@"; do
  dir="$top/build/$tree"
  [ -f "$dir/build.ninja" ] && continue
  case "$tree" in
    native)  cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug ;;
    windows) cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
               -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" ;;
  esac
done
