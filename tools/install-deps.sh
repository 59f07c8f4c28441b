#!/bin/sh
# Brings a Debian 12 machine everything the build and the tests need.
# Idempotent: when everything is present it only checks, in a few seconds.
set -eu

# Debian packages, one per line with what needs it.
packages="
cmake ninja-build ccache g++ git make perl
clang libclang-rt-14-dev clang-format
g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
zlib1g-dev libz-mingw-w64-dev
libpng-dev libgif-dev
libssl-dev
libgtest-dev libgmock-dev googletest libbenchmark-dev
wine64 fonts-wine xvfb xauth fonts-liberation fonts-dejavu-core
python3
libxml2-utils
nginx tinyproxy microsocks curl openssl
fp-compiler lua5.4
"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Source packages for the dependencies cross-built for Windows.
src_list=/etc/apt/sources.list.d/serplow-src.sources
if [ ! -f "$src_list" ]; then
  echo "adding Debian source lists ($src_list)"
  as_root tee "$src_list" >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  as_root apt-get update -q
fi

missing=""
for p in $packages; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$status" in
    "install ok installed") ;;
    *) missing="$missing $p" ;;
  esac
done

if [ -n "$missing" ]; then
  echo "installing:$missing"
  as_root apt-get update -q
  # shellcheck disable=SC2086
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
fi

# The tests call Debian's own interpreter, which sees Debian's python3-*
# packages, whatever python3 comes first on PATH.
[ -x /usr/bin/python3 ] || { echo "install-deps: /usr/bin/python3 is missing" >&2; exit 1; }

# OpenSSL 3 DLLs for the Windows build, cross-built once into a cache folder.
here=$(cd "$(dirname "$0")" && pwd)
"$here/build-openssl-mingw.sh" >/dev/null
