#!/bin/sh
# Makes the Windows tree's Wine prefix once; later calls only check it.
set -eu
# Wine takes only an absolute prefix; a relative one would fail unseen.
prefix=$(realpath -m "$1")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  echo "making the Wine prefix $prefix"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# Windows the X server shows without a window manager (Xvfb has none):
# managed windows make every activation wait for a manager that never
# answers, about two seconds per window shown.
if ! grep -q '"Managed"="N"' "$prefix/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
fi
