# Entry points for people: `make demo` and `make test`. Everything else is
# CMake presets (CMakePresets.json) underneath.
SHELL := /bin/bash
JOBS ?= $(shell nproc)

.PHONY: all setup native sanitize linux-i386 test test-native test-sanitize test-i386 demo clean
.PHONY: win32 dist test-win32 wine-prefix wine-prefix-background

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

# The Windows deliverables in dist/ (cross build); `make dist` says the same.
win32: setup build/win32/CMakeCache.txt
	cmake --build --preset win32 -j $(JOBS)

dist: win32

# The files as files, then, in one launch of 32-bit Wine: the whole test
# program (deliverables from dist/, the example plug-ins from the build),
# semhost.exe on the deliverables, and semhost.exe validate over all nine.
WIN32_DIR := $(CURDIR)/build/win32
winpath = Z:$(subst /,\,$(CURDIR)/$(1))
test-win32: win32 wine-prefix
	bash tests/check_pe.sh --deliverables dist build/win32/plugins
	bash tools/wine-env.sh run cmd /c '$(call winpath,tests/win32_tests.bat)' \
	  '$(call winpath,build/win32/tests/sem_tests.exe)' \
	  '$(call winpath,build/win32/tools/semhost/semhost.exe)' \
	  '$(call winpath,dist)' '$(call winpath,build/win32/plugins)'

# Wine set up and the prefix made; waits for one being made in the background.
wine-prefix: setup
	bash tools/wine-env.sh setup

# Starts making the Wine prefix while other targets build (a few minutes under
# emulation); wine-prefix waits for it and reports any failure itself.
wine-prefix-background: setup
	@mkdir -p build
	@nohup bash tools/wine-env.sh setup >build/wine-prefix.log 2>&1 </dev/null &

test: wine-prefix-background test-native test-sanitize test-i386
	@echo "make test: all targets passed"

demo: native win32
	@bash tools/demo.sh

clean:
	rm -rf build dist

# ---- semhost validate and memory checks, part of `make test`
# The nine deliverables of a build by name: the plug-in folder also holds test
# fixtures, deliberately broken modules among them.
SEM_MODULES := b f i v v_8 v_dn gb gf gi
sem_plugins = $(foreach m,$(SEM_MODULES),build/$(1)/plugins/ostrel_binary_$(m).sem)
SAN_ENV := ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
# The validator counts allocations with malloc and operator new of its own,
# which call glibc's underneath: valgrind must leave those in place
# (nouserintercepts) and still sees, and checks, every block through glibc.
VALGRIND := valgrind -q --error-exitcode=1 --leak-check=full \
  --errors-for-leak-kinds=definite,indirect --soname-synonyms=somalloc=nouserintercepts

.PHONY: test-validate test-validate-sanitize test-valgrind

# Every check over the nine plug-ins with the default seed, then with one
# random seed (printed first, so that a failure can be replayed).
test-validate: native
	build/native/tools/semhost/semhost validate $(call sem_plugins,native)
	build/native/tools/semhost/semhost validate $(call sem_plugins,native) --seed random

test-validate-sanitize: sanitize
	$(SAN_ENV) build/sanitize/tools/semhost/semhost validate $(call sem_plugins,sanitize)
	$(SAN_ENV) build/sanitize/tools/semhost/semhost validate $(call sem_plugins,sanitize) --seed random

# The native test program and the validator under memcheck: no error, no leak.
test-valgrind: native
	$(VALGRIND) build/native/tests/sem_tests
	$(VALGRIND) build/native/tools/semhost/semhost validate --in-process $(call sem_plugins,native)

test: test-validate test-validate-sanitize test-valgrind

# ---- fuzzing, part of `make test` as a bounded smoke
# The libFuzzer target over the nine plug-ins, built with clang under
# AddressSanitizer + UndefinedBehaviorSanitizer (preset fuzz, build/fuzz).
# `make fuzz` fuzzes for FUZZ_SECONDS from the committed seeds and the corpus
# earlier runs grew in build/fuzz/corpus; `make test-fuzz` runs a short fixed
# stretch from the seeds alone. Crash inputs land in build/fuzz/artifacts/;
# replay one with `build/fuzz/tests/fuzz/sem_fuzz FILE`.
FUZZ_SECONDS ?= 300
FUZZ_SMOKE_RUNS ?= 40000
FUZZ_BIN := build/fuzz/tests/fuzz/sem_fuzz
FUZZ_FLAGS := -timeout=30 -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/

.PHONY: fuzz-build fuzz test-fuzz

fuzz-build: setup build/fuzz/CMakeCache.txt
	cmake --build --preset fuzz -j $(JOBS)

fuzz: fuzz-build
	@mkdir -p build/fuzz/corpus build/fuzz/artifacts
	$(FUZZ_BIN) $(FUZZ_FLAGS) -max_total_time=$(FUZZ_SECONDS) build/fuzz/corpus tests/fuzz/corpus

test-fuzz: fuzz-build
	@rm -rf build/fuzz/smoke && mkdir -p build/fuzz/smoke build/fuzz/artifacts
	$(FUZZ_BIN) $(FUZZ_FLAGS) -seed=1 -runs=$(FUZZ_SMOKE_RUNS) -max_total_time=60 \
	  build/fuzz/smoke tests/fuzz/corpus

test: test-fuzz

# ---- the Windows run comes last, so that the Wine prefix, started first in
# the background, is being made while everything above builds and runs.
test: test-win32

# ---- release archive: the nine Windows plug-ins and the user guide
PACKAGE := ostrel-binary-1.0.0-win32
DELIVERABLES := $(foreach m,$(SEM_MODULES),dist/ostrel_binary_$(m).sem)
.PHONY: package
package: win32
	@rm -rf build/package && mkdir -p build/package/$(PACKAGE)
	cp $(DELIVERABLES) build/package/$(PACKAGE)/
	sed 's/$$/\r/' docs/user-guide.txt > build/package/$(PACKAGE)/USER-GUIDE.txt
	rm -f $(PACKAGE).zip
	cd build/package && zip -q -r -X $(CURDIR)/$(PACKAGE).zip $(PACKAGE)
	@echo "built $(PACKAGE).zip"; python3 -m zipfile -l $(PACKAGE).zip

# ---- benchmarks (not part of `make test`: timings are not tests)
# `make bench` builds build/bench (Release, benchmarks only), runs volts_bench
# and prints bench/ratio_table.py's tables from the median of three
# repetitions. BENCH_ARGS adds to the run, e.g.
#   make bench BENCH_ARGS=--benchmark_filter=volts/plain/
# and VOLTS_BENCH_GRID=full in the environment adds every formula and input case.
BENCH_DIR := build/bench
BENCH_MIN_TIME ?= 0.05
BENCH_ARGS ?=

.PHONY: bench bench-build

bench-build: setup
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DSEM_BUILD_BENCH=ON \
	  -DSEM_BUILD_TESTS=OFF -DSEM_BUILD_TOOLS=OFF >/dev/null
	cmake --build $(BENCH_DIR) -j $(JOBS) --target volts_bench

bench: bench-build
	$(BENCH_DIR)/bench/volts_bench --benchmark_out=$(BENCH_DIR)/results.json \
	  --benchmark_out_format=json --benchmark_repetitions=3 \
	  --benchmark_report_aggregates_only=true --benchmark_min_time=$(BENCH_MIN_TIME) $(BENCH_ARGS)
	python3 bench/ratio_table.py $(BENCH_DIR)/results.json
