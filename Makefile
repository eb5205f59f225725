# make run  - install what is missing, build, start Orlet
# make test - install what is missing, build, run every test
# make windows - cross-build for Windows (MinGW-w64), test under Wine, zip it
PRESET ?= default

.PHONY: all deps configure build test run bench windows format clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)

run: build
	@scripts/run.sh build

bench: build
	@scripts/bench.sh build

windows: build
	@scripts/windows.sh build

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build build-debug build-win
