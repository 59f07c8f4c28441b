#!/bin/sh
# Cross-builds OpenSSL 3 for Windows x86-64 from Debian's openssl source
# package into a cache folder outside the repository, and reuses it while
# that version is still the one Debian offers. Prints the folder holding
# libssl-3-x64.dll and libcrypto-3-x64.dll.
set -eu

cache=${SERPLOW_CACHE:-$HOME/.cache/serplow}
out="$cache/openssl-mingw"
stamp="$out/version"

# Versions Debian's source lists offer, newest first (a local query).
versions=$(apt-cache showsrc openssl 2>/dev/null | sed -n 's/^Version: //p' | sort -rV | uniq)
[ -n "$versions" ] || { echo "build-openssl-mingw: no openssl source package listed (deb-src missing?)" >&2; exit 1; }

if [ -f "$stamp" ] && [ -f "$out/libssl-3-x64.dll" ] && [ -f "$out/libcrypto-3-x64.dll" ]; then
  have=$(cat "$stamp")
  if printf '%s\n' "$versions" | grep -qxF "$have"; then
    echo "$out"
    exit 0
  fi
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The security archive sometimes lists a version whose .dsc is gone while its
# tarball still downloads: take the newest version that arrives whole, and
# fall back to an orig tarball alone.
chosen=""
for v in $versions; do
  if apt-get source --download-only "openssl=$v" >/dev/null 2>&1; then
    chosen=$v
    break
  fi
  rm -f ./*.dsc ./*.debian.tar.* 2>/dev/null || true
done
if [ -z "$chosen" ]; then
  tarball=$(ls openssl_*.orig.tar.gz 2>/dev/null | sort -rV | head -n 1 || true)
  [ -n "$tarball" ] || { echo "build-openssl-mingw: could not download openssl sources" >&2; exit 1; }
  chosen=$(printf '%s' "$tarball" | sed 's/^openssl_\(.*\)\.orig\.tar\.gz$/\1/')
fi

tarball=$(ls openssl_*.orig.tar.gz | sort -rV | head -n 1)
tar xzf "$tarball"
src=$(find . -maxdepth 1 -type d -name 'openssl-*' | head -n 1)
cd "$src"
echo "build-openssl-mingw: building OpenSSL $chosen for mingw-w64 (a few minutes)" >&2
# -static-libgcc keeps the DLLs free of the compiler's runtime DLLs.
./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- shared no-tests \
  -static-libgcc >/dev/null
make -j "$(nproc)" build_libs >/dev/null 2>&1 || make build_libs >&2

mkdir -p "$out"
cp libssl-3-x64.dll libcrypto-3-x64.dll "$out/"
echo "$chosen" > "$stamp"
echo "$out"
