#!/usr/bin/env bash
# Takes the README's screenshot, docs/screenshot.png, from the real window
# on an Xvfb display: the typical run (timer 0 in "定时方式1", 1000 us at
# 12 MHz, "注释", "生成"), clicked through with xdotool.
# A Windows build (BUILD_DIR/bin/orlet.exe, from make windows) runs under
# Wine with the prefix scripts/windows.sh set up, in the frame Wine draws.
# QT_SCALE_FACTOR (1.5, 2) shows the window at that scale.
# CHIP, an index of the chip list (0 "8051", the default; 3 "STC15"), is
# chosen first; off the 8051 timer 2 runs too (5000 us × 200).
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT] [CHIP]
#        scripts/screenshot.sh build-win docs/orlet-under-wine.png
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
output=${2:-docs/screenshot.png}
chip=${3:-0}
scripts/install-deps.sh xvfb x11-apps x11-utils xdotool netpbm

work=$(mktemp -d)
xvfb_pid=""
orlet_pid=""
cleanup() {
  [[ -n "$orlet_pid" ]] && kill "$orlet_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE

exec 3> >(cat >"$work/display")
Xvfb -displayfd 3 -screen 0 2048x1536x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
exec 3>&-
export DISPLAY=":$(head -1 "$work/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

if [[ -f $build/bin/orlet.exe ]]; then
  cache=${ORLET_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orlet}
  export WINEPREFIX=${ORLET_WINEPREFIX:-$cache/wine} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [[ -f $WINEPREFIX/system.reg ]] || { echo "No Wine prefix in $WINEPREFIX: run make windows first" >&2; exit 1; }
  wine "$build/bin/orlet.exe" >"$work/orlet.log" 2>&1 &
  frame=${ORLET_WINE_FRAME:-3}      # the width of the frame Wine draws around a dialog
  caption=${ORLET_WINE_CAPTION:-19} # and the height of its caption bar
else
  "$build/ui/orlet" >"$work/orlet.log" 2>&1 &
  frame=0
  caption=0
fi
orlet_pid=$!
window=$(timeout 60 xdotool search --sync --name '^Orlet 8051' | head -1)
sleep 1
read -r width height < <(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
# The client area is OrletDlg.ui's layout, 603 x 383 pixels, drawn larger
# or smaller with the font, and wider where the font's texts need more room;
# a frame drawn around it has the caption bar above.
client_width=$((width - 2 * frame))
client_height=$((height - 2 * frame - caption))
client_left=$frame
client_top=$((frame + caption))

# Clicks at the centres of the controls in OrletDlg.ui.
click() { # click X Y
  xdotool mousemove --window "$window" $((client_left + $1 * client_width / 603)) \
    $((client_top + $2 * client_height / 383)) click 1
  sleep 0.3
}
if ((chip > 0)); then
  click 48 10 # the chip list: open it and go down to the chip
  for _ in $(seq "$chip"); do xdotool key Down; done
  xdotool key Return
  sleep 0.2
fi
click 55 129            # 使用TIMER0
click 50 174            # timer 0 mode list: open it,
xdotool key Down Return # and pick 定时方式1
sleep 0.2
click 31 234            # period box
xdotool key ctrl+a type 1000
if ((chip > 0)); then    # every chip but the 8051 has timer 2: 5 ms × 200, once a second
  click 55 406          # 使用TIMER2
  click 31 432          # its period box
  xdotool key ctrl+a type 5000
  click 255 406         # its × box
  xdotool key ctrl+a type 200
fi
click 370 22            # 注释
click 418 22            # 生成
xdotool mousemove 2040 1530 # out of the picture
sleep 0.5

mkdir -p "$(dirname "$output")"
# 64 colours keep the picture small and the text as sharp as it is.
xwd -silent -id "$window" | xwdtopnm 2>/dev/null | pnmquant 64 2>/dev/null | pnmtopng -compression 9 >"$output"
echo "$output: $(du -k "$output" | cut -f1) KiB"
