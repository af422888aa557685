# The Windows side of the project's scripts: where the Windows libraries are,
# and a Wine prefix of its own for each run. Source it; the functions use bash.

WINDOWS_CACHE=${VANTREL_WINDOWS_CACHE:-$HOME/.cache/vantrel-windows}
MINGW_RUNTIME_DIRS=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)
# Debian's wine64 keeps wine64 and wineserver in /usr/lib/wine; the package
# that links them into /usr/bin need not be installed.
case ":$PATH:" in
*:/usr/lib/wine:*) ;;
*) [ -d /usr/lib/wine ] && export PATH=$PATH:/usr/lib/wine ;;
esac

# windows_sdk ROOT: unpacks (once) and prints the folder of the Windows
# libraries: VANTREL_WINDOWS_SDK (a folder or the tarball), else
# ROOT/../shared/windows/, else the project's own recipe builds them.
windows_sdk() {
  local root=$1 source=${VANTREL_WINDOWS_SDK:-}
  if [ -z "$source" ] && [ -f "$root/../shared/windows/mingw-w64-x86_64-qt6.4.2-sdk.tar.xz" ]; then
    source=$root/../shared/windows/mingw-w64-x86_64-qt6.4.2-sdk.tar.xz
  fi
  if [ -n "$source" ] && [ -d "$source" ]; then
    (cd "$source" && pwd)
    return
  fi
  local sdk=$WINDOWS_CACHE/sdk
  if [ -n "$source" ]; then
    local stamp
    stamp=$(stat -c '%s-%Y' "$source")
    if [ "$(cat "$sdk/.unpacked-from" 2>/dev/null)" != "$source $stamp" ]; then
      rm -rf "$sdk" && mkdir -p "$sdk"
      tar -C "$sdk" -xJf "$source"
      echo "$source $stamp" >"$sdk/.unpacked-from"
    fi
  elif [ ! -f "$sdk/.built" ]; then
    echo "no Windows libraries at hand: building them with packaging/windows/build-sdk.sh (60-90 minutes on two cores)" >&2
    rm -rf "$sdk"
    "$root/packaging/windows/build-sdk.sh" "$WINDOWS_CACHE/sdk-work" "$sdk" "$WINDOWS_CACHE/sdk.tar.xz" >&2
    touch "$sdk/.built"
  fi
  echo "$sdk"
}

# windows_libraries_at_hand ROOT: true when scripts/windows need build nothing
# that takes an hour.
windows_libraries_at_hand() {
  [ -n "${VANTREL_WINDOWS_SDK:-}" ] || [ -f "$1/../shared/windows/mingw-w64-x86_64-qt6.4.2-sdk.tar.xz" ] ||
    [ -f "$WINDOWS_CACHE/sdk/.built" ]
}

# winpath PATH: the Windows name of a Linux path (drive Z: is the root).
winpath() {
  local p
  p=$(readlink -f "$1")
  echo "Z:${p//\//\\}"
}

# wine_session SDK: exports a fresh Wine prefix (booted headless) and the
# variables the Windows programs need: DLL search path, Qt's plugins, the
# Korean ANSI code page (949). Wine takes the code page from the locale, and
# the arguments it hands on are UTF-8 only under a real UTF-8 locale: a
# ko_KR.UTF-8 of its own is made once in the cache (LOCPATH).
# wine_session_end stops it and removes it.
wine_session() {
  local sdk=$1 dirs="" d
  if [ ! -d "$WINDOWS_CACHE/locale/ko_KR.UTF-8" ]; then
    mkdir -p "$WINDOWS_CACHE/locale"
    localedef -i ko_KR -f UTF-8 "$WINDOWS_CACHE/locale/ko_KR.UTF-8" 2>/dev/null || true
  fi
  for d in "$sdk/bin" "${MINGW_RUNTIME_DIRS[@]}"; do dirs+="$(winpath "$d");"; done
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/vantrel-wine.XXXXXX)
  export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" \
    WINEPATH="${dirs%;}" QT_PLUGIN_PATH="$(winpath "$sdk/plugins")" \
    LOCPATH=$WINDOWS_CACHE/locale LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8
  export WINE=${WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}
  DISPLAY= "$WINE" wineboot -i >/dev/null 2>&1
  wineserver -w
}

wine_session_end() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
