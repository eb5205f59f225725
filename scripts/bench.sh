#!/usr/bin/env bash
# Speed and memory: the core micro-benchmarks, whole orlet-gen runs (start-up
# included) and their peak memory, then the window under Xvfb.
set -euo pipefail
build=${1:-build}

# The window, under Xvfb: start-up (process start to window shown) and peak
# memory against the smallest Qt 6 dialog of the same tree, in turns within
# one run; then the time from a user action to the repainted window.
window_bench() {
  python3 - "$build/tests/orlet_start_up_probe" "$build/tests/orlet_minimal_dialog_probe" <<'PY'
import os, statistics, subprocess, sys, time
probes = {"orlet": sys.argv[1], "minimal dialog": sys.argv[2]}
runs = 15
times = {name: [] for name in probes}
peaks = {name: [] for name in probes}
for _ in range(runs):
    for name, path in probes.items():
        start = time.perf_counter()
        child = subprocess.Popen([path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
        if status != 0:
            sys.exit(f"{path} ended with status {status}")
        times[name].append(elapsed * 1000)
        peaks[name].append(usage.ru_maxrss / 1024)
t = {n: statistics.median(v) for n, v in times.items()}
m = {n: statistics.median(v) for n, v in peaks.items()}
print(f"window start-up, median of {runs}: orlet {t['orlet']:.1f} ms, minimal dialog {t['minimal dialog']:.1f} ms:"
      f" {t['orlet'] / t['minimal dialog']:.2f}x (goal: within 1.2x)")
print(f"peak resident memory: orlet {m['orlet']:.1f} MiB, minimal dialog {m['minimal dialog']:.1f} MiB:"
      f" {m['orlet'] / m['minimal dialog']:.2f}x (goal: within 1.2x)")
PY
  echo "from a user action to the repainted window (goals: handler 1 ms at p95, repaint 5 ms):"
  "$build/tests/orlet_window_latency_bench"
}

# Run inside Xvfb by the last step below.
if [[ "${1:-}" == --window ]]; then
  build=$2
  window_bench
  exit
fi

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

export QT_QPA_PLATFORM=xcb
if command -v xvfb-run >/dev/null 2>&1; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --window "$build"
else
  echo "window benchmarks skipped: xvfb-run is missing (scripts/install-deps.sh installs it)"
fi
