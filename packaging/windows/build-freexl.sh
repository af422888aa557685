#!/usr/bin/env bash
# Builds freexl (the .xls reading library of vantrel-xlsread) for 64-bit
# Windows from Debian's source package, as a static library with the
# project's iconv over the Windows code page functions (mingw-w64 has no
# iconv). Usage: build-freexl.sh PREFIX   (under a minute)
# Leaves PREFIX/include/freexl.h and PREFIX/lib/libfreexl.a.
set -euo pipefail
PREFIX=${1:?install prefix}
HERE=$(cd "$(dirname "$0")" && pwd)
T=x86_64-w64-mingw32
[ -f "$PREFIX/lib/libfreexl.a" ] && exit 0
mkdir -p "$PREFIX/src" "$PREFIX/include" "$PREFIX/lib"
cd "$PREFIX/src"
if ! ls freexl_*.orig.tar.gz >/dev/null 2>&1; then
  . "$HERE/debian-source.sh"
  debian_source "$PREFIX/src" freexl
fi
rm -rf freexl-src && mkdir freexl-src && tar -C freexl-src --strip-components=1 -xzf freexl_*.orig.tar.gz
cat >freexl-src/config.h <<'CFG'
#define HAVE_ICONV_H 1
#define HAVE_MATH_H 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
#define PACKAGE_VERSION "1.0.6"
#define VERSION "1.0.6"
CFG
CC=${CC:-$T-gcc-posix}
$CC -O2 -DDLL_EXPORT= -I freexl-src -I freexl-src/headers -I "$HERE/iconv" -c freexl-src/src/freexl.c -o freexl.o
$CC -O2 -I "$HERE/iconv" -c "$HERE/iconv/iconv.c" -o iconv.o
$T-ar rcs "$PREFIX/lib/libfreexl.a" freexl.o iconv.o
cp freexl-src/headers/freexl.h "$PREFIX/include/"
echo "$PREFIX/lib/libfreexl.a"
