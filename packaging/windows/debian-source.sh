# debian_source WORKDIR PACKAGE...: downloads Debian bookworm's source packages
# into WORKDIR through a private deb-src list (WORKDIR/apt): the system's apt
# sources stay as they are. Source it; the recipes of the Windows libraries use it.
debian_source() {
  local work=$1 a=$1/apt
  shift
  mkdir -p "$a/lists/partial"
  cat >"$a/src.sources" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  local apt=(apt-get -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$a" -o Dir::State::Lists="$a/lists")
  "${apt[@]}" update -qq
  (cd "$work" && "${apt[@]}" source --download-only "$@" >/dev/null)
}
