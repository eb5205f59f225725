#!/usr/bin/env bash
# Speed and memory: the core micro-benchmarks, whole orlet-gen runs (start-up
# included) and their peak memory, the browser page, then the window under Xvfb.
set -euo pipefail
build=${1:-build}

# The window, under Xvfb: start-up (process start to window shown), its
# processor time and peak memory against the smallest Qt 6 dialog of the same
# tree showing Chinese in the same CJK font (the goal's yardstick) and, for
# reference, Latin text in Qt's default font; in turns within one run. Then
# the time from a user action to the repainted window.
window_bench() {
  python3 - "$build/tests/orlet_start_up_probe" "$build/tests/orlet_minimal_dialog_probe" <<'PY'
import os, statistics, subprocess, sys, time
probes = {"orlet": [sys.argv[1]], "CJK dialog": [sys.argv[2]], "Latin dialog": [sys.argv[2], "--default-font"]}
runs = 15
samples = {name: {"wall": [], "cpu": [], "peak": []} for name in probes}
for _ in range(runs):
    for name, command in probes.items():
        start = time.perf_counter()
        child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
        if status != 0:
            sys.exit(f"{' '.join(command)} ended with status {status}")
        samples[name]["wall"].append(elapsed * 1000)
        samples[name]["cpu"].append((usage.ru_utime + usage.ru_stime) * 1000)
        samples[name]["peak"].append(usage.ru_maxrss / 1024)
median = {n: {k: statistics.median(v) for k, v in s.items()} for n, s in samples.items()}
for what, unit, label in (("wall", "ms", "start-up"), ("cpu", "ms", "processor time"), ("peak", "MiB", "peak resident memory")):
    o, c, l = (median[n][what] for n in ("orlet", "CJK dialog", "Latin dialog"))
    goal = "" if what == "cpu" else " (goal: within 1.2x)"
    print(f"window {label}, median of {runs}: orlet {o:.1f} {unit}, CJK dialog {c:.1f} {unit}: {o / c:.2f}x{goal};"
          f" Latin dialog {l:.1f} {unit}: {o / l:.2f}x")
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

# The browser page (make web), in headless Chromium: Debian's selenium is
# the system interpreter's.
if [[ -f build-web/orlet.html ]]; then
  /usr/bin/python3 tests/bench/page_bench.py build-web/orlet.html
else
  echo "page benchmarks skipped: build-web/orlet.html is missing (make web builds it)"
fi

export QT_QPA_PLATFORM=xcb
if command -v xvfb-run >/dev/null 2>&1; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --window "$build"
else
  echo "window benchmarks skipped: xvfb-run is missing (scripts/install-deps.sh installs it)"
fi
