#!/usr/bin/env bash
# Starts the Orlet window, or, where there is no display (or no window
# built), shows orlet-gen doing the main job on a typical example.
set -euo pipefail
build=${1:-build}

if [[ -x "$build/ui/orlet" && ( -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ) ]]; then
  exec "$build/ui/orlet"
fi

echo "No display available: showing orlet-gen on timer 0, mode 1, 1000 us, with comments."
"$build/cli/orlet-gen" --timer0 1:1000 --comments --encoding utf-8
echo
