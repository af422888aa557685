#!/usr/bin/env bash
# The .deb holds the program directory under /opt/vantrel, names the Debian
# packages it needs, makes the directory writable for the operators' group,
# and its vantrelctl runs from an unpacked root.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$tmp/out" >/dev/null) || fail "cpack"
deb=$(ls "$tmp"/out/vantrel_*.deb)
dpkg-deb -x "$deb" "$tmp/root"
dir=$tmp/root/opt/vantrel

for f in Vantrel Brannow vantrelctl vantrel-xlsread; do
  [ -x "$dir/$f" ] || fail "$f missing or not executable"
done
for f in libQuorvel.so rfid_setup.ini adjust_setup.ini long_sno.ini share/icons/vantrel.svg; do
  [ -f "$dir/$f" ] || fail "$f missing"
done
grep -q '^Exec=/opt/vantrel/Brannow$' "$dir/share/applications/vantrel.desktop" || fail "desktop entry"
grep -q '^Icon=/opt/vantrel/share/icons/vantrel.svg$' "$dir/share/applications/vantrel.desktop" || fail "icon"
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libqt6sql6-sqlite libfreexl1 libcurl4 qt6-translations-l10n fonts-nanum; do
  [[ $depends == *"$p"* ]] || fail "Depends lacks $p: $depends"
done
dpkg-deb -e "$deb" "$tmp/control"
grep -q 'chmod 2775 "\$DIR"' "$tmp/control/postinst" || fail "postinst does not open the program directory"

help=$("$dir/vantrelctl" --help) || fail "vantrelctl --help"
[[ $help == *"hangul TEXT"* ]] || fail "help: $help"
[ "$("$dir/vantrelctl" --dir "$dir" hangul 'A가')" = C9C2B0A1 ] || fail "hangul from the unpacked root"
# The installed templates are where the program reads its settings.
"$dir/vantrelctl" --dir "$dir" settings >/dev/null || fail "settings from the unpacked root"
echo "package ok: $(basename "$deb"), $(dpkg-deb -c "$deb" | wc -l) entries"
