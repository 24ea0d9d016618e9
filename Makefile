# Entry points for people: `make demo` and `make test`. Everything else is
# CMake presets (CMakePresets.json) underneath.
SHELL := /bin/bash
JOBS ?= $(shell nproc)

.PHONY: all setup native sanitize linux-i386 test test-native test-sanitize test-i386 demo clean

all: native

setup:
	@bash tools/setup-machine.sh

# configure + build one preset
build/%/CMakeCache.txt:
	cmake --preset $* >/dev/null

native: setup build/native/CMakeCache.txt
	cmake --build --preset native -j $(JOBS)

sanitize: setup build/sanitize/CMakeCache.txt
	cmake --build --preset sanitize -j $(JOBS)

linux-i386: setup build/linux-i386/CMakeCache.txt
	cmake --build --preset linux-i386 -j $(JOBS)

test-native: native
	ctest --preset native

test-sanitize: sanitize
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset sanitize

test-i386: linux-i386
	ctest --preset linux-i386

test: test-native test-sanitize test-i386
	@echo "make test: all targets passed"

demo: native
	@bash tools/demo.sh

clean:
	rm -rf build dist
