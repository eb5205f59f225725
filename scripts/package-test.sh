#!/usr/bin/env bash
# Installs the Debian package into a throw-away Debian 12 root, as a user
# would on a fresh machine, and proves that it works there:
#   1. debootstrap --variant=minbase bookworm from the mirror apt uses here;
#   2. apt-get install ./orlet_*.deb inside (no recommended packages);
#   3. orlet-gen on the typical example (timer 0, mode 1, 1000 us, 12 MHz,
#      comments) gives byte for byte what the build's orlet-gen gives;
#   4. orlet starts on an Xvfb display and shows its window; a screenshot of
#      it is left in BUILD_DIR/package-test/.
# Takes minutes and needs root and the network: not part of make test.
# Usage: scripts/package-test.sh [BUILD_DIR]   (make package first)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out="$build/package-test"
typical=(--timer0 1:1000 --comments)

scripts/install-deps.sh debootstrap xvfb x11-apps x11-utils netpbm
deb=$(ls "$build"/orlet_*.deb 2>/dev/null | head -1 || true)
[[ -n "$deb" ]] || { echo "No $build/orlet_*.deb: run make package first." >&2; exit 1; }

# The Debian mirror that apt already uses (one-line or deb822 sources).
mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
  grep -v '^ *#' | grep -oE 'https?://[^ ]*/debian/?( |$)' | head -1 | tr -d ' ' || true)
mirror=${mirror:-http://deb.debian.org/debian}

root=$(mktemp -d /var/tmp/orlet-root.XXXXXX)
chmod 755 "$root" # apt inside drops to its _apt user
xvfb_pid=""
orlet_pid=""
cleanup() {
  [[ -n "$orlet_pid" ]] && kill "$orlet_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  for m in "$root/proc" "$root/dev"; do mountpoint -q "$m" && umount -l "$m"; done
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
step() { printf '[%4ds] %s\n' "$SECONDS" "$*"; }

step "debootstrap bookworm from $mirror into $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 ||
  { tail -20 "$root.log" >&2; exit 1; }
rm -f "$root.log"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"

step "apt-get install ./$(basename "$deb")"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "./tmp/$(basename "$deb")" >"$root/tmp/install.log" 2>&1 || { tail -20 "$root/tmp/install.log" >&2; exit 1; }
in_root dpkg-query -W orlet

mkdir -p "$out"
step "orlet-gen ${typical[*]}"
in_root orlet-gen "${typical[@]}" >"$out/typical-installed.c"
"$build/cli/orlet-gen" "${typical[@]}" >"$out/typical-build.c"
cmp "$out/typical-installed.c" "$out/typical-build.c"
echo "same $(wc -c <"$out/typical-build.c") bytes as the build's orlet-gen"

step "orlet on Xvfb"
exec 3> >(cat >"$out/display")
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [[ -s "$out/display" ]] && break; sleep 0.1; done
exec 3>&-
display=":$(head -1 "$out/display")"
# The root shares this machine's network namespace, so orlet reaches the
# display through its abstract socket.
chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin LANG=C.UTF-8 DISPLAY="$display" HOME=/root orlet \
  >"$out/orlet.log" 2>&1 &
orlet_pid=$!
window=""
for _ in $(seq 100); do
  window=$(DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -m1 '"Orlet 8051' | awk '{print $1}' || true)
  [[ -n "$window" ]] && break
  kill -0 "$orlet_pid" 2>/dev/null || break
  sleep 0.1
done
[[ -n "$window" ]] || { echo "orlet showed no window:" >&2; cat "$out/orlet.log" >&2; exit 1; }
sleep 1 # let it paint
DISPLAY=$display xwininfo -id "$window" | grep -E 'xwininfo|Width|Height'
DISPLAY=$display xwd -silent -id "$window" | xwdtopnm 2>/dev/null | pnmtopng >"$out/orlet-installed.png"
kill -0 "$orlet_pid" && echo "orlet still running after $SECONDS s; screenshot: $out/orlet-installed.png"
step "passed"
