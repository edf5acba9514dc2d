# Two commands on a fresh machine: `make run` and `make test`.
BUILD ?= build
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# ccache, when installed, makes rebuilds in several checkouts cheap; nothing needs it.
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
EXAMPLE ?= examples/cantilever_sand.dat
EXAMPLE_OUT ?= $(BUILD)/example-output

.PHONY: build run test clean deps

# Missing Debian packages are installed when run as root, else the command is printed.
deps:
	@scripts/ensure-deps build

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -G "$(GENERATOR)" $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/darnek run $(EXAMPLE) --out $(EXAMPLE_OUT)

test: build
	@scripts/ensure-deps test
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)

# Everything built with AddressSanitizer and UndefinedBehaviorSanitizer (and
# assertions on), then the whole test suite.
SANITIZE_BUILD ?= build-sanitize
.PHONY: test-sanitize
test-sanitize:
	@scripts/ensure-deps sanitize
	cmake -S . -B $(SANITIZE_BUILD) -G "$(GENERATOR)" $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DDARNEK_SANITIZE=ON -DDARNEK_BUILD_BENCHMARKS=OFF
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

# The runs on several threads at once (tests/threads) built with
# ThreadSanitizer in a folder of their own; only that test program is built.
TSAN_BUILD ?= build-tsan
.PHONY: test-tsan
test-tsan:
	cmake -S . -B $(TSAN_BUILD) -G "$(GENERATOR)" $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDARNEK_TSAN=ON -DDARNEK_BUILD_BENCHMARKS=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target darnek_thread_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ./$(TSAN_BUILD)/darnek_thread_tests

# The fuzz target (libFuzzer, clang) over the whole engine, seeded with every
# example and the inputs in fuzz/seeds; runs FUZZ_SECONDS and keeps its corpus
# in build-fuzz/corpus. Inputs that fail are written to build-fuzz/ as crash-*.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 300
.PHONY: fuzz
fuzz:
	@scripts/ensure-deps fuzz
	cmake -S . -B $(FUZZ_BUILD) -G "$(GENERATOR)" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DDARNEK_FUZZ=ON -DDARNEK_SANITIZE=ON -DDARNEK_BUILD_TESTS=OFF -DDARNEK_BUILD_BENCHMARKS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target input_fuzzer
	mkdir -p $(FUZZ_BUILD)/corpus
	cp examples/*.dat fuzz/seeds/* tests/fuzz_regressions/* $(FUZZ_BUILD)/corpus/ 2>/dev/null || true
	cd $(FUZZ_BUILD) && ASAN_OPTIONS=detect_leaks=1 ./input_fuzzer -max_total_time=$(FUZZ_SECONDS) \
	  -timeout=20 -rss_limit_mb=4096 -max_len=65536 -dict=../fuzz/input.dict corpus

# The plot-data reader and the pictures under libFuzzer, in the same build
# folder, seeded with the plot files of every example (written by a run of the
# tool) and the files in fuzz/plot_seeds; corpus in build-fuzz/plot-corpus.
.PHONY: fuzz-plot
fuzz-plot: build
	@scripts/ensure-deps fuzz
	cmake -S . -B $(FUZZ_BUILD) -G "$(GENERATOR)" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DDARNEK_FUZZ=ON -DDARNEK_SANITIZE=ON -DDARNEK_BUILD_TESTS=OFF -DDARNEK_BUILD_BENCHMARKS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target plot_fuzzer
	mkdir -p $(FUZZ_BUILD)/plot-corpus $(FUZZ_BUILD)/plot-seeds
	for f in examples/*.dat; do ./$(BUILD)/darnek run $$f --out $(FUZZ_BUILD)/plot-seeds >/dev/null || true; done
	cp $(FUZZ_BUILD)/plot-seeds/*.plt fuzz/plot_seeds/* tests/fuzz_regressions/plot/* $(FUZZ_BUILD)/plot-corpus/ 2>/dev/null || true
	cd $(FUZZ_BUILD) && ASAN_OPTIONS=detect_leaks=1 ./plot_fuzzer -max_total_time=$(FUZZ_SECONDS) \
	  -timeout=20 -rss_limit_mb=4096 -max_len=65536 -dict=../fuzz/plot.dict plot-corpus

# The TOML input (read, run and drawn) and `convert` both ways under libFuzzer,
# in the same build folder, seeded with every example (and the regressions
# kept in tests/fuzz_regressions/toml and .../convert); corpora in
# build-fuzz/toml-corpus and build-fuzz/convert-corpus.
.PHONY: fuzz-toml fuzz-convert
fuzz-toml fuzz-convert:
	@scripts/ensure-deps fuzz
	cmake -S . -B $(FUZZ_BUILD) -G "$(GENERATOR)" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DDARNEK_FUZZ=ON -DDARNEK_SANITIZE=ON -DDARNEK_BUILD_TESTS=OFF -DDARNEK_BUILD_BENCHMARKS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(@:fuzz-%=%)_fuzzer
	mkdir -p $(FUZZ_BUILD)/$(@:fuzz-%=%)-corpus
	cp examples/*.toml examples/staging/*.toml tests/fuzz_regressions/$(@:fuzz-%=%)/* $(FUZZ_BUILD)/$(@:fuzz-%=%)-corpus/ 2>/dev/null || true
	for f in examples/design/*.toml; do cp $$f $(FUZZ_BUILD)/$(@:fuzz-%=%)-corpus/design-$$(basename $$f); done
	$(if $(filter fuzz-convert,$@),cp examples/*.dat fuzz/seeds/* $(FUZZ_BUILD)/convert-corpus/ 2>/dev/null || true)
	cd $(FUZZ_BUILD) && ASAN_OPTIONS=detect_leaks=1 ./$(@:fuzz-%=%)_fuzzer -max_total_time=$(FUZZ_SECONDS) \
	  -timeout=20 -rss_limit_mb=4096 -max_len=65536 $(@:fuzz-%=%)-corpus

# The naming convention (.clang-tidy, docs/architecture.md) over every file the
# build compiles; clang-tidy parses each one, so this takes minutes, not seconds.
.PHONY: names-check
names-check: build
	@scripts/ensure-deps names
	run-clang-tidy -p $(BUILD) -quiet >/dev/null

# Every C++ file as clang-format (the checked-in .clang-format) leaves it.
.PHONY: format format-check
format:
	@scripts/ensure-deps format
	git ls-files '*.cpp' '*.h' | xargs clang-format -i
format-check:
	@scripts/ensure-deps format
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
