# The two commands: `make run` and `make test` (and `make build`, `make native`, `make fuzz`,
# `make dist`).
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
# The parts without Windows, built natively with sanitizers and fuzzers (tests/native).
NATIVE = $(BUILD)/native
# kiv-parport, the Linux helper behind tavo.dll's bridge, built by the host compiler; the
# program goes to $(BUILD)/bin beside kiv.exe.
HOST = $(BUILD)/host
FUZZ_SECONDS ?= 120
# The 32-bit build (i686): the programs of the win32 zip and the tests that run them under
# Wine's 32-bit part (tools/test32): here, or in the test PC where this machine runs no
# 32-bit programs (tools/host32; KIV_NO_HOST32=1 pretends so).
WIN32 = $(BUILD)/win32
WIN32_TARGETS = kiv tavo tavo_outputs tavo_inpout_tests kiv_startup_e2e

.PHONY: all build build32 native test test-win64 test-rest test-vm run fuzz deps dist deb clean fresh-check

all: build

deps:
	@tools/timed deps tools/deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja $(HOST)/build.ninja
	@tools/timed "win64 build" cmake --build $(BUILD)
	@tools/timed "kiv-parport build" cmake --build $(HOST)

$(HOST)/build.ninja: | deps
	cmake -S parport -B $(HOST) -G Ninja -DCMAKE_CXX_COMPILER=g++ -DKIV_BIN_DIR=$(abspath $(BUILD))/bin

$(WIN32)/build.ninja: | deps
	cmake -S . -B $(WIN32) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
	  -DKIV_UNIT_DIRS="tavo;release" $(CMAKE_FLAGS)

build32: deps $(WIN32)/build.ninja
	@tools/timed "win32 build" cmake --build $(WIN32) --target $(WIN32_TARGETS)

$(NATIVE)/build.ninja: | deps
	cmake -S tests/native -B $(NATIVE) -G Ninja -DCMAKE_CXX_COMPILER=clang++

native: deps $(NATIVE)/build.ninja
	@tools/timed "native build" cmake --build $(NATIVE)

# The 64-bit build's Wine tests (two groups, each on a display of its own: tools/test-run)
# run beside the rest; the test PC comes last, alone, as its guest needs the CPUs. Each
# part prints its time ("time: ..."); a part's output shows when it ends. Whether this
# machine runs 32-bit programs is asked once, after tools/deps has installed Wine's part.
test: build build32 native
	@export KIV_HOST32="$$(tools/host32)"; \
	  $(MAKE) --no-print-directory -j2 --output-sync=target test-win64 test-rest && \
	  $(MAKE) --no-print-directory test-vm

test-win64:
	@tools/timed "win64 tests" tools/test-run $(BUILD)

test-rest:
	@tools/timed "win32 tests" tools/test32 $(WIN32)
	@tools/timed "native tests" ctest --test-dir $(NATIVE) -j2 --output-on-failure
	@tools/timed "kiv-parport tests" ctest --test-dir $(HOST) --output-on-failure

# tavo.dll and kiv-parport against real drivers in a virtual PC (tools/testpc), with the
# 32-bit tests where this machine cannot run them; skipped, with one line saying why,
# where that PC cannot run.
test-vm: build
	@tools/timed "test PC" tests/vm/run $(BUILD)

fuzz: native
	tools/fuzz $(NATIVE) $(FUZZ_SECONDS)

run: build
	tools/run $(BUILD)

# The release zips, dist/kiv-<version>-win64.zip and -win32.zip, the Debian package
# dist/kiv_<version>_amd64.deb made from the win64 one, and SHA256SUMS (tools/dist, tools/deb).
dist: build build32
	tools/dist $(BUILD) $(WIN32)
	@echo "Before releasing: sudo make fresh-check (README, Fresh machines), too long for CI."

# The Debian package alone, with the win64 zip it is made from.
deb: build
	tools/dist $(BUILD)

# `make test` on minimal Debian 12 and 13 systems made under $(BUILD)/fresh, as a new user
# would run it (tools/fresh-check; as root). FRESH_SYSTEMS picks the releases.
FRESH_SYSTEMS ?= bookworm trixie
fresh-check:
	tools/fresh-check $(FRESH_SYSTEMS)

# Never through a chroot's mounted /dev, /proc or /sys (tools/safe-rm).
clean:
	tools/safe-rm $(BUILD)
