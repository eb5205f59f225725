#!/usr/bin/env bash
# Speed and memory of the generator: the core micro-benchmarks, then whole
# orlet-gen runs (start-up included) and their peak memory.
set -euo pipefail
build=${1:-build}

"$build/tests/orlet_core_bench" --benchmark_min_time=0.2

gen="$build/cli/orlet-gen"
args=(--crystal 11.0592 --comments --int0 level --int1 falling --timer0 1:1000 --gate0
      --uart 9600 --double-baud --uart-interrupt)
runs=50
start=$(date +%s%N)
for ((i = 0; i < runs; i++)); do "$gen" "${args[@]}" >/dev/null; done
end=$(date +%s%N)
echo "orlet-gen, whole process: $(( (end - start) / runs / 1000 )) us per run (goal: under 50000)"

if [[ -r /proc/self/status ]]; then
  python3 - "$gen" "${args[@]}" <<'PY'
import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, check=True)
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"orlet-gen, peak resident memory: {peak} KiB (goal: under 30000)")
PY
fi
