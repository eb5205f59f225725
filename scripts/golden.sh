#!/usr/bin/env bash
# The golden sweeps (tests/golden): orlet-gen over its matrix of cases and
# the window through its fixed-seed sessions.
#
# Dump every case's full texts, to compare two builds where a hash differs:
#   scripts/golden.sh dump OUT_DIR [BUILD_DIR]
#   e.g. in a worktree of the old commit:  scripts/golden.sh dump /tmp/old
#        here:                             scripts/golden.sh dump /tmp/new
#        then:                             diff -r /tmp/old /tmp/new
# Record the hashes anew after an intended change (commit tests/golden):
#   scripts/golden.sh record [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-}
case "$what" in
  dump)
    out=$(realpath -m "${2:?scripts/golden.sh dump OUT_DIR [BUILD_DIR]}")
    build=${3:-build}
    env=(ORLET_GOLDEN_DUMP="$out")
    ;;
  record)
    build=${2:-build}
    env=(ORLET_GOLDEN_RECORD=1)
    ;;
  *)
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
cmake --build "$build" --target orlet_cli_tests WindowGoldenTest
env "${env[@]}" "$build/tests/orlet_cli_tests" --gtest_filter='GoldenSweep.*' >/dev/null
env "${env[@]}" QT_QPA_PLATFORM=offscreen "$build/tests/gui/WindowGoldenTest" >/dev/null
[[ "$what" == dump ]] && echo "texts written to $out" || echo "tests/golden recorded from $build"
