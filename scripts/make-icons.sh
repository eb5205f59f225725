#!/usr/bin/env bash
# Renders the application icon from its source, ui/res/icons/orlet.svg, into
# the PNGs and the Windows .ico that are committed beside it.  Run it after
# editing the SVG; the build itself only uses the committed files.
#
# orlet-16.png is drawn by hand, pixel by pixel: the SVG does not read at
# 16 px, so it is not rendered but taken as it is into the .ico.
#
# Needs rsvg-convert and icotool (Debian: librsvg2-bin, icoutils; installed
# here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh librsvg2-bin icoutils

icons=ui/res/icons
for size in 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" "$icons/orlet.svg" --output "$icons/orlet-$size.png"
done
# Windows picks the size it needs; 256 px is stored as PNG (Vista and later).
icotool --create --output "$icons/orlet.ico" \
  "$icons/orlet-16.png" "$icons/orlet-32.png" "$icons/orlet-48.png" "$icons/orlet-64.png" \
  --raw="$icons/orlet-256.png"
icotool --list "$icons/orlet.ico"
