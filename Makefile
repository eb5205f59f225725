# make run  - install what is missing, build, start Orlet
# make test - install what is missing, build, run every test
PRESET ?= default

.PHONY: all deps configure build test run bench format clean

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

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build build-debug
