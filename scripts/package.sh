#!/usr/bin/env bash
# Makes the Debian package of Orlet from a finished build and checks it: the
# desktop file and the AppStream metainfo validate, the man pages render
# without a warning, and the package holds what a user needs.
# Usage: scripts/package.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

scripts/install-deps.sh dpkg-dev desktop-file-utils appstream groff-base man-db

rm -f "$build"/orlet_*.deb
(cd "$build" && cpack -G DEB) >"$build/cpack.log" 2>&1 || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/orlet_*.deb)

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

failed=0
check() { # check DESCRIPTION COMMAND...: runs the command, reports its messages
  local what=$1 out
  shift
  if out=$("$@" 2>&1) && [[ -z "$out" ]]; then
    echo "ok    $what"
  else
    echo "FAIL  $what"; echo "$out" | sed 's/^/      /'; failed=1
  fi
}
man_quiet() { LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$1" 2>&1 >/dev/null; }
has() { [[ -e "$root/$1" ]] || { echo "missing $1"; return 1; }; }
all_present() { local f; for f in "$@"; do has "$f" || return 1; done; }

check "desktop file" desktop-file-validate "$root"/usr/share/applications/orlet.desktop
metainfo_quiet() {
  local o
  o=$(appstreamcli validate --no-net "$@") || { echo "$o"; return 1; }
  grep -v 'Validation was successful' <<<"$o" || true
}
check metainfo metainfo_quiet "$root"/usr/share/metainfo/*.metainfo.xml
for page in "$root"/usr/share/man/man1/*.1.gz; do
  name=$(basename "$page" .gz)
  zcat "$page" > "$root/$name"
  check "man $name (groff)" groff -ww -man -z "$root/$name"
  check "man $name (man -l)" man_quiet "$root/$name"
done
check "contents" all_present usr/bin/orlet usr/bin/orlet-gen \
  usr/share/applications/orlet.desktop usr/share/icons/hicolor/scalable/apps/orlet.svg \
  usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/orlet.png \
  usr/share/man/man1/orlet.1.gz usr/share/man/man1/orlet-gen.1.gz \
  usr/share/doc/orlet/copyright usr/share/doc/orlet/changelog.gz \
  usr/share/doc/orlet/LICENSE usr/share/doc/orlet/THIRD-PARTY-NOTICES.txt
depends_on_runtime() {
  local depends
  depends=$(dpkg-deb --field "$deb" Depends)
  for d in qt6-qpa-plugins 'fonts-wqy-microhei | fonts-noto-cjk' libqt6widgets6 libc6; do
    [[ "$depends" == *"$d"* ]] || echo "Depends lacks $d"
  done
}
check "depends" depends_on_runtime

echo
dpkg-deb --field "$deb"
echo "$deb ($(du -k "$deb" | cut -f1) KiB)"
exit $failed
