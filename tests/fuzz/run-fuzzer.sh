#!/usr/bin/env bash
# run-fuzzer.sh FUZZER SOURCE_DIR NAME WORK_DIR
# Replays NAME's regression inputs, then fuzzes for ORLET_FUZZ_SECONDS
# (default 5) from its committed seeds, with ORLET_FUZZ_SEED (default 1; 0
# picks one at random). New inputs go to WORK_DIR/corpus, crashers to
# WORK_DIR/artifacts; a crasher belongs in SOURCE_DIR/regressions/NAME.
set -euo pipefail
fuzzer=$1 source=$2 name=$3 work=$4
seconds=${ORLET_FUZZ_SECONDS:-5}
seed=${ORLET_FUZZ_SEED:-1}
mkdir -p "$work/corpus" "$work/artifacts"

options=(-artifact_prefix="$work/artifacts/" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1)
if [[ -f "$source/$name.dict" ]]; then
  options+=(-dict="$source/$name.dict")
fi

shopt -s nullglob
regressions=("$source/regressions/$name"/*)
if ((${#regressions[@]})); then
  echo "Replaying ${#regressions[@]} regression inputs"
  "$fuzzer" "${options[@]}" "${regressions[@]}"
fi

echo "Fuzzing $name for $seconds s (seed $seed)"
"$fuzzer" "${options[@]}" -seed="$seed" -max_total_time="$seconds" "$work/corpus" "$source/corpus/$name"
