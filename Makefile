# make run  - install what is missing, build, start Orlet
# make test - install what is missing, build, run every test
# make package - the same, then the Debian package in build/, checked
PRESET ?= default

.PHONY: all deps configure build test run bench package format clean

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

package: build
	@scripts/package.sh build

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build build-debug
