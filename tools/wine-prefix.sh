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
# A program that crashes has Wine's debugger print the backtrace on the
# program's standard error and end it. Its crash dialog would wait on the
# X server for a click nobody makes, and the test would hang until its
# time-out with nothing said.
if ! grep -q '"ShowCrashDialog"=dword:00000000' "$prefix/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
fi
# Wine draws caption buttons, check marks and scroll arrows with the Marlett
# font, which this Wine build does not find in its own data folder: without
# it the title bar shows the letters "0 1 r".
marlett="$prefix/drive_c/windows/Fonts/marlett.ttf"
if [ ! -f "$marlett" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  mkdir -p "$(dirname "$marlett")"
  cp /usr/share/wine/fonts/marlett.ttf "$marlett"
fi
