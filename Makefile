# make run  - install what is missing, build, start Orlet
# make test - install what is missing, build, run every test
# make package - the same, then the Debian package in build/, checked
# make asan - the whole suite built with AddressSanitizer, UBSan and LeakSanitizer
# make fuzz - the fuzz targets, FUZZ_SECONDS (default 600) each
# make windows - cross-build for Windows (MinGW-w64), test under Wine, zip it and make the installer
PRESET ?= default
FUZZ_SECONDS ?= 600

.PHONY: all deps configure build test run bench package windows format clean asan asan-labels fuzz-build fuzz

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build fuzz-build
	@ctest --preset $(PRESET)
	@ctest --preset fuzz

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan

asan-labels: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan -L 'core|cli|gui'

fuzz-build: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz

fuzz: fuzz-build
	@ORLET_FUZZ_SECONDS=$(FUZZ_SECONDS) ORLET_FUZZ_SEED=$${ORLET_FUZZ_SEED:-0} ctest --preset fuzz

run: build
	@scripts/run.sh build

bench: build
	@scripts/bench.sh build

package: build
	@scripts/package.sh build
windows: build
	@scripts/windows.sh build

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build build-debug build-asan build-fuzz build-win
