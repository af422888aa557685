#!/usr/bin/env bash
# Builds the Windows (x86_64, mingw-w64) libraries the Windows build links
# against, from Debian's source packages, and packs them as one tarball (what
# scripts/windows runs when no prepared copy is at hand): Qt 6.4.2 (qtbase: Core, Gui, Widgets, Network, Sql with the SQLite
# and ODBC drivers, Test, PrintSupport; qtserialport), SQLite 3.40, OpenSSL
# 3.0, libcurl 7.88 (FTP, FTPS through OpenSSL).
# The same versions Debian bookworm ships for Linux, so host tools (moc, rcc,
# uic) of qt6-base-dev-tools drive the cross build.
# Usage: build-sdk.sh WORKDIR PREFIX OUT.tar.xz      (about 60-90 min on 2 cores)
# Needs root for apt-get. Does not touch the system's apt sources: source
# packages come through a private deb-src list.
set -euo pipefail
WORK=${1:?work dir}; PREFIX=${2:?install prefix}; OUT=${3:?tarball}
mkdir -p "$WORK" "$PREFIX"; WORK=$(cd "$WORK" && pwd)
J=${JOBS:-$(nproc)}
T=x86_64-w64-mingw32

apt-get install -y -q g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  mingw-w64-tools libwine-dev qt6-base-dev qt6-base-dev-tools cmake ninja-build tcl xz-utils lz4 >/dev/null

. "$(dirname "$0")/debian-source.sh"
debian_source "$WORK" qt6-base openssl curl sqlite3
cd "$WORK"

cat >"$WORK/mingw.cmake" <<CM
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $T-gcc-posix)
set(CMAKE_CXX_COMPILER $T-g++-posix)
set(CMAKE_RC_COMPILER $T-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$T $PREFIX)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
CM

# SQLite: the amalgamation, as a DLL.
tar xf sqlite3_*.orig.tar.xz && cd sqlite3-*/ 2>/dev/null || cd sqlite*/
./configure >/dev/null && make sqlite3.c >/dev/null
$T-gcc-posix -O2 -shared -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_THREADSAFE=1 sqlite3.c \
  -o "$PREFIX/bin/sqlite3.dll" -Wl,--out-implib,"$PREFIX/lib/libsqlite3.dll.a" 2>/dev/null || {
  mkdir -p "$PREFIX/bin" "$PREFIX/lib" "$PREFIX/include"
  $T-gcc-posix -O2 -shared -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_THREADSAFE=1 sqlite3.c \
    -o "$PREFIX/bin/sqlite3.dll" -Wl,--out-implib,"$PREFIX/lib/libsqlite3.dll.a"; }
cp sqlite3.h sqlite3ext.h "$PREFIX/include/"
cd "$WORK"

# qtbase. Debian's source lacks the tablet header of the Windows platform
# plugin; Wine's wintab.h/pktdef.h serve with two macros.
tar xf qt6-base_*.orig.tar.xz
Q=$WORK/qtbase-everywhere-src-6.4.2
mkdir -p "$Q/src/3rdparty/wintab"
cp /usr/include/wine/wine/windows/pktdef.h "$Q/src/3rdparty/wintab/"
{ sed -n '1,/^#define __WINE_WINTAB_H/p' /usr/include/wine/wine/windows/wintab.h
  cat <<'SHIM'
#include <windows.h>
#ifndef DECL_WINELIB_TYPE_AW
# ifdef UNICODE
#  define DECL_WINELIB_TYPE_AW(t) typedef t##W t;
# else
#  define DECL_WINELIB_TYPE_AW(t) typedef t##A t;
# endif
#endif
#ifndef API
# define API WINAPI
#endif
SHIM
  sed '1,/^#define __WINE_WINTAB_H/d' /usr/include/wine/wine/windows/wintab.h; } >"$Q/src/3rdparty/wintab/wintab.h"
mkdir -p "$WORK/qtbase-build" && cd "$WORK/qtbase-build"
"$Q/configure" -prefix "$PREFIX" -xplatform win32-g++ -qt-host-path /usr -release -shared \
  -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -qt-zlib -qt-pcre -qt-libpng \
  -qt-libjpeg -qt-freetype -qt-harfbuzz -sql-sqlite -system-sqlite -sql-odbc -no-sql-psql \
  -no-sql-mysql -no-feature-vulkan -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$WORK/mingw.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DSQLite3_INCLUDE_DIR="$PREFIX/include" -DSQLite3_LIBRARY="$PREFIX/lib/libsqlite3.dll.a" >configure.log
cmake --build . --parallel "$J" >build.log
cmake --install . >/dev/null
# Relocatable: the chainloaded toolchain file travels inside the SDK.
sed "s|^set(CMAKE_FIND_ROOT_PATH .*|get_filename_component(_sdk_root \"\${CMAKE_CURRENT_LIST_DIR}/../..\" ABSOLUTE)\nset(CMAKE_FIND_ROOT_PATH /usr/$T \"\${_sdk_root}\")|" \
  "$WORK/mingw.cmake" >"$PREFIX/lib/cmake/mingw-w64-x86_64.cmake"
sed -i "s|^set(__qt_initially_configured_toolchain_file .*|set(__qt_initially_configured_toolchain_file \"\${CMAKE_CURRENT_LIST_DIR}/../mingw-w64-x86_64.cmake\")|" \
  "$PREFIX/lib/cmake/Qt6/qt.toolchain.cmake"
cd "$WORK"

# qtserialport 6.4.2 (Debian source package qt6-serialport; any copy of the
# v6.4.2 tag serves).
if [ ! -d "$WORK/qtserialport" ]; then
  debian_source "$WORK" qt6-serialport && tar xf qt6-serialport_*.orig.tar.xz \
    && mv qtserialport-everywhere-src-6.4.2 qtserialport
fi
mkdir -p "$WORK/serial-build" && cd "$WORK/serial-build"
"$PREFIX/bin/qt-configure-module" "$WORK/qtserialport" -- -G Ninja >configure.log
cmake --build . --parallel "$J" >build.log && cmake --install . >/dev/null
cd "$WORK"

# OpenSSL.
tar xf openssl_*.orig.tar.gz && cd openssl-3*/
./Configure mingw64 --cross-compile-prefix=$T- --prefix="$PREFIX" --libdir=lib shared no-tests >/dev/null
make -j"$J" >/dev/null && make install_sw >/dev/null
cd "$WORK"

# libcurl with OpenSSL (FTP and FTPS).
tar xf curl_*.orig.tar.gz && cd curl-7*/
./configure --host=$T --prefix="$PREFIX" --with-openssl="$PREFIX" --disable-ldap \
  --without-libpsl --without-brotli --without-zstd --without-libidn2 --without-nghttp2 --disable-manual >/dev/null
make -j"$J" >/dev/null && make install >/dev/null
cd "$WORK"

tar -C "$PREFIX" -cJf "$OUT" .
echo "$OUT"
