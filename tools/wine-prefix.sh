#!/bin/sh
# Makes the Windows tree's Wine prefix once; later calls only check it.
set -eu
prefix=$1
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  echo "making the Wine prefix $prefix"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
