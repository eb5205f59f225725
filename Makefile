# make run  - install what is missing, build the window (and orlet-gen), start Orlet
# make test - install what is missing, build, run every test
# make bench - build the benchmarks, programs and the page only, run them
# make web - the browser page in one file, build-web/orlet.html (the core in WebAssembly)
# make makefiles - build the programs and packaging files with Unix Makefiles
# make package - the same, then the Debian package in build/, checked
# make asan - the whole suite built with AddressSanitizer, UBSan and LeakSanitizer
# make fuzz - the fuzz targets, FUZZ_SECONDS (default 600) each
# make windows - cross-build for Windows (MinGW-w64), test under Wine, zip it and make the installer
PRESET ?= default
FUZZ_SECONDS ?= 600

.PHONY: all deps configure build test run bench package windows format clean asan asan-labels fuzz-build fuzz makefiles web

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build web fuzz-build
	@ctest --preset $(PRESET)
	@ctest --preset fuzz

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan

asan-labels: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan -L 'core|text|cli|gui'

fuzz-build: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz

fuzz: fuzz-build
	@ORLET_FUZZ_SECONDS=$(FUZZ_SECONDS) ORLET_FUZZ_SEED=$${ORLET_FUZZ_SEED:-0} ctest --preset fuzz

# The core alone, compiled with Debian's emscripten (cmake/emscripten.cmake).
web: deps
	@cmake --preset web >/dev/null
	@cmake --build --preset web

# run.sh starts the window, or orlet-gen where there is no display.
run: configure
	@cmake --build --preset $(PRESET) --target orlet orlet-gen
	@scripts/run.sh build

BENCH_TARGETS = orlet-gen orlet_core_bench orlet_start_up_probe orlet_minimal_dialog_probe orlet_window_latency_bench

bench: configure web
	@cmake --build --preset $(PRESET) --target $(BENCH_TARGETS)
	@scripts/bench.sh build

# The presets use Ninja; this builds what a user gets (the programs, man pages
# and changelog, then installs them into a scratch folder) with CMake's
# default generator on Unix, so a rule that only Ninja gets right shows here.
makefiles: deps
	@cmake -S . -B build-make -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
	  -DORLET_BUILD_TESTS=OFF -DORLET_BUILD_BENCHMARKS=OFF >/dev/null
	@cmake --build build-make -j 2 -- --no-print-directory
	@rm -rf build-make/stage && cmake --install build-make --prefix build-make/stage >/dev/null

package: build
	@scripts/package.sh build
windows: build
	@scripts/windows.sh build

format: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build build-debug build-asan build-fuzz build-win build-make build-web
