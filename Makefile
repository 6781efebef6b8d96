# Front door. `make demo` and `make test` are the whole set-up: both install
# what they need first (scripts/install-deps), then build and run.

JOBS      ?= $(shell nproc)
NATIVE    := build/native
ASAN      := build/asan
WINDOWS   := build/windows
WINDOWS64 := build/windows64
CMAKE_GEN := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps deps-native deps-demo build asan windows windows64 installer test test-native test-asan test-windows test-windows64 demo bench oom clean format

all: build

deps:
	scripts/install-deps

deps-native:
	scripts/install-deps --native-only

deps-demo:
	scripts/install-deps --demo

$(NATIVE)/build.ninja:
	cmake -S . -B $(NATIVE) $(CMAKE_GEN) -DQORVID_TESTS=ON

$(ASAN)/build.ninja:
	cmake -S . -B $(ASAN) $(CMAKE_GEN) -DQORVID_SANITIZE=ON

$(WINDOWS)/build.ninja:
	cmake -S . -B $(WINDOWS) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

$(WINDOWS64)/build.ninja:
	cmake -S . -B $(WINDOWS64) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake

build: $(NATIVE)/build.ninja
	@grep -qs '^QORVID_TESTS:BOOL=ON' $(NATIVE)/CMakeCache.txt || cmake -S . -B $(NATIVE) -DQORVID_TESTS=ON
	cmake --build $(NATIVE) -j $(JOBS)

asan: $(ASAN)/build.ninja
	cmake --build $(ASAN) -j $(JOBS)

windows: $(WINDOWS)/build.ninja
	cmake --build $(WINDOWS) -j $(JOBS)

windows64: $(WINDOWS64)/build.ninja
	cmake --build $(WINDOWS64) -j $(JOBS)

# The Windows installers (installer/qorvid.nsi): build/installer/qorvid-setup.exe
# for 64-bit Windows and qorvid-setup-x86.exe, each holding both DLLs and
# consoles. Only those four files of the two Windows builds are built here.
INSTALLER := build/installer

installer: $(WINDOWS)/build.ninja $(WINDOWS64)/build.ninja
	cmake --build $(WINDOWS) -j $(JOBS) --target qorvid qorvid-console
	cmake --build $(WINDOWS64) -j $(JOBS) --target qorvid qorvid-console
	scripts/make-installer $(INSTALLER) $(WINDOWS)/server/qorvid.dll \
	  $(WINDOWS)/host/qorvid-console.exe $(WINDOWS64)/server/qorvid.dll \
	  $(WINDOWS64)/host/qorvid-console.exe

test: deps
	scripts/run-tests

test-native: build
	cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

test-asan: asan
	cd $(ASAN) && ctest --output-on-failure -j $(JOBS)

# 32-bit Wine needs a kernel that runs 32-bit programs; without one only the
# checks that need no Wine run, and the rest is reported as skipped.
test-windows: windows
	@if reason=$$(scripts/can-run-32bit); then \
	  cd $(WINDOWS) && ctest --output-on-failure -j 1; \
	else \
	  (cd $(WINDOWS) && ctest --output-on-failure -LE wine) && \
	  echo "test-windows: the 32-bit Wine suites were SKIPPED: $$reason"; \
	fi

test-windows64: windows64
	cd $(WINDOWS64) && ctest --output-on-failure -j 1

# Only what the demo runs: the console, the component and the ADO layer. A
# tree that `make build` configured keeps its tests.
demo: deps-demo
	@test -f $(NATIVE)/build.ninja || cmake -S . -B $(NATIVE) $(CMAKE_GEN) -DQORVID_TESTS=OFF
	cmake --build $(NATIVE) -j $(JOBS) --target qorvid-console
	scripts/run-demo

# The table of ratios (bench/README.md), from a Release build of its own,
# with a private PostgreSQL for the ODBC row. Exit status 1 on a missed target.
BENCH := build/bench

$(BENCH)/build.ninja:
	cmake -S . -B $(BENCH) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQORVID_TESTS=ON

bench: $(BENCH)/build.ninja
	cmake --build $(BENCH) -j $(JOBS) --target qorvid_bench
	scripts/with-postgres $(BENCH)/bench/qorvid_bench

# The libFuzzer targets (tests/fuzz), clang with address and undefined
# behaviour sanitizers in a build of their own; each runs FUZZ_SECONDS.
FUZZ         := build/fuzz
FUZZ_SECONDS ?= 60
.PHONY: fuzz fuzzers fuzz-long

$(FUZZ)/build.ninja:
	cmake -S . -B $(FUZZ) $(CMAKE_GEN) -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DQORVID_SANITIZE=ON -DQORVID_FUZZ=ON

fuzzers: $(FUZZ)/build.ninja
	cmake --build $(FUZZ) -j $(JOBS) --target fuzzers

fuzz: deps-native fuzzers
	tests/fuzz/run-fuzzers $(FUZZ) $(FUZZ_SECONDS)

# The long run of the call-sequence fuzzer: FUZZ_RUNS sequences, no time limit.
FUZZ_RUNS ?= 1000000
fuzz-long: deps-native fuzzers
	FUZZ_RUNS=$(FUZZ_RUNS) tests/fuzz/run-fuzzers $(FUZZ) 0 call_sequence

# Allocation failure at every point of the script in tests/oom, natively and
# under the sanitizers, where LeakSanitizer looks for leaks as well (ctest
# runs the same program in both builds).
oom: deps-native $(NATIVE)/build.ninja $(ASAN)/build.ninja
	@grep -qs '^QORVID_TESTS:BOOL=ON' $(NATIVE)/CMakeCache.txt || cmake -S . -B $(NATIVE) -DQORVID_TESTS=ON
	cmake --build $(NATIVE) -j $(JOBS) --target oom_tests
	cmake --build $(ASAN) -j $(JOBS) --target oom_tests
	$(NATIVE)/tests/oom/oom_tests
	$(ASAN)/tests/oom/oom_tests

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
