# Thin wrapper around CMake. `make play` and `make test` run the README's
# two commands (./k3d-play, ./k3d-test), which do the whole set-up
# (packages, configure, build, data) first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 20
CMAKE_FLAGS ?=

.PHONY: all deps configure build play test unit-test asan-test fuzz-test bench clean format

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

play:
	./k3d-play $(CMAKE_FLAGS)

# Every test: the unit, GL, end-to-end and install tests, then the sanitizer
# build of the unit tests and a bounded run of every fuzz target.
test:
	FUZZ_SECONDS=$(FUZZ_SECONDS) ./k3d-test $(CMAKE_FLAGS)

unit-test: build
	@scripts/run-ctest $(BUILD)

bench: build
	./$(BUILD)/k3d_bench

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) build-tsan
