# Short names for the CMake presets; every target installs what it lacks first.
.PHONY: all deps build run test system-test vm-test windows-deps windows windows-test package-deps package bench-deps bench asan-test fuzz clean

WERROR ?= OFF
BUILD_DIR := build/default
CONFIGURE := cmake --preset default -DVANTREL_WARNINGS_AS_ERRORS=$(WERROR)

all: build

deps:
	@scripts/ensure-packages.sh cmake ninja-build g++ libgtest-dev libgmock-dev

build: deps
	@$(CONFIGURE) >/dev/null
	@cmake --build --preset default

# Measures now: samples until the machine has been idle for ten seconds.
run: build
	$(BUILD_DIR)/vantrel /run

test: build
	@ctest --preset default

# Tests that need an idle machine, one at a time.
system-test: build
	@ctest --preset system

# The whole cycle in a qemu virtual machine: arm, a real restart, measure,
# clean up (about a minute; the kernel is downloaded once into ~/.cache).
vm-test:
	@scripts/ensure-packages.sh cmake ninja-build g++ python3
	@cmake --preset vm -DVANTREL_WARNINGS_AS_ERRORS=$(WERROR) >/dev/null
	@cmake --build --preset vm
	@ctest --preset vm

# Windows, cross-built with mingw-w64: the 32-bit program, and its 64-bit
# twin that runs the Windows tests under wine64.
WINDOWS_PACKAGES := cmake ninja-build g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686

windows-deps:
	@scripts/ensure-packages.sh $(WINDOWS_PACKAGES)

# build/windows-i686/vantrel.exe
windows: windows-deps
	@cmake --preset windows-i686 -DVANTREL_WARNINGS_AS_ERRORS=$(WERROR) >/dev/null
	@cmake --build --preset windows-i686

windows-test: windows-deps
	@scripts/ensure-packages.sh googletest wine64
	@cmake --preset windows-x64 -DVANTREL_WARNINGS_AS_ERRORS=$(WERROR) >/dev/null
	@cmake --build --preset windows-x64
	@scripts/wine-tests.sh build/windows-x64

# The packages, both in build/packages: vantrel_<version>_<arch>.deb, built
# with Debian's hardening flags, and vantrel-<version>-win32.zip from the
# 32-bit Windows build.
PACKAGE_BUILD_DIR := build/package
PACKAGES_DIR := build/packages
DEB_FLAGS := DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get

package-deps:
	@scripts/ensure-packages.sh cmake ninja-build g++ dpkg-dev

package: package-deps windows
	@cmake -S . -B $(PACKAGE_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF \
		-DVANTREL_WARNINGS_AS_ERRORS=$(WERROR) \
		"-DCMAKE_CXX_FLAGS=$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" \
		"-DCMAKE_EXE_LINKER_FLAGS=$$($(DEB_FLAGS) LDFLAGS)" >/dev/null
	@cmake --build $(PACKAGE_BUILD_DIR)
	@rm -rf $(PACKAGES_DIR) $(PACKAGE_BUILD_DIR)/*.deb build/windows-i686/*.zip
	@mkdir -p $(PACKAGES_DIR)
	@cd $(PACKAGE_BUILD_DIR) && cpack -G DEB >/dev/null
	@cd build/windows-i686 && cpack -G ZIP >/dev/null
	@cp $(PACKAGE_BUILD_DIR)/*.deb build/windows-i686/*.zip $(PACKAGES_DIR)/
	@ls -l $(PACKAGES_DIR)

# The benchmarks, built in release: the cost of one sample and of its parts,
# with the targets at the end of the report. BENCH_ARGS go to both programs,
# for example BENCH_ARGS=--benchmark_min_time=0.05 for a short run.
BENCH_ARGS ?=

bench-deps:
	@scripts/ensure-packages.sh cmake ninja-build g++ libbenchmark-dev

bench: bench-deps
	@cmake --preset bench -DVANTREL_WARNINGS_AS_ERRORS=$(WERROR) >/dev/null
	@cmake --build --preset bench
	@build/bench/bench/vantrel_bench_snapshot $(BENCH_ARGS)
	@build/bench/bench/vantrel_bench $(BENCH_ARGS)

# The suite under AddressSanitizer and UndefinedBehaviorSanitizer, with
# LeakSanitizer; the first finding fails its test. ASAN_OPTIONS and
# UBSAN_OPTIONS from the environment are added last, so that they win.
asan-test: deps
	@cmake --preset asan -DVANTREL_WARNINGS_AS_ERRORS=$(WERROR) >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan

# Fuzzes the performance-data reader and walk for FUZZ_SECONDS seconds, with
# clang's libFuzzer, on a scratch copy of fuzz/corpus; any finding fails.
FUZZ_SECONDS ?= 60

fuzz: deps
	@scripts/ensure-packages.sh clang libclang-rt-14-dev
	@cmake --preset fuzz -DVANTREL_WARNINGS_AS_ERRORS=$(WERROR) >/dev/null
	@cmake --build --preset fuzz
	@fuzz/run.sh build/fuzz/fuzz/vantrel_perf_fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
