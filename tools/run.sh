#!/bin/sh
# Installs what is missing, builds the Windows program and starts it under
# Wine on the user's display.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/install-deps.sh"
"$top/tools/configure.sh" windows
cmake --build "$top/build/windows" --target serplow
"$top/tools/wine-prefix.sh" "$top/build/windows/wineprefix"
exec "$top/build/windows/wine-run.sh" "$top/build/windows/app/serplow.exe"
