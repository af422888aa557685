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

# Two operators of the group issue in turn from the installed directory, each
# with a umask that keeps the group out: every file the first one's programs
# create there (logs, journal, item database) stays writable for the second.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  . "$(dirname "$0")/../../scripts/lib/program-dir.sh"
  group=64100 # stands in for group "vantrel"
  chmod 755 "$tmp" "$tmp/root" "$tmp/root/opt"
  # What postinst does, and the settings an administrator writes.
  chgrp -R "$group" "$dir"
  chmod 2775 "$dir"
  write_settings "$dir" 5T3C0815 1
  start_printer "$build/bin" "$dir" || fail "virtual printer"
  trap 'kill "$SIM_PID" 2>/dev/null; rm -rf "$tmp"' EXIT
  find "$dir" -maxdepth 1 -type f -exec chgrp "$group" {} + -exec chmod g+w {} +
  operator() {
    local uid=$1
    shift
    setpriv --reuid="$uid" --regid="$group" --clear-groups -- \
      sh -c 'umask 022; exec "$@"' sh "$dir/vantrelctl" --dir "$dir" "$@"
  }
  operator 64101 init-db "$dir/items.db" --demo-rows 4 >/dev/null || fail "first operator: init-db"
  recorded() { operator 64102 journal | grep -c recorded; }
  out=$(operator 64101 issue --user demo --rows 1-2 2>&1) || fail "first operator: $out"
  first=$(recorded)
  out=$(operator 64102 issue --user demo --rows 1-2 2>&1) || fail "second operator: $out"
  [ "$first" -gt 0 ] && [ "$(recorded)" -gt "$first" ] || fail "journal: $(operator 64102 journal)"
  for f in error.log issue_journal.db items.db; do
    [ -e "$dir/$f" ] || fail "$f was not made"
  done
  closed=$(find "$dir" -maxdepth 1 -type f ! -perm -g=rw -printf '%f %m\n')
  [ -z "$closed" ] || fail "not writable for the group: $closed"
  echo "two operators issued in turn; every file of the program directory is group-writable"
fi
echo "package ok: $(basename "$deb"), $(dpkg-deb -c "$deb" | wc -l) entries"
