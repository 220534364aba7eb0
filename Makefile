# The two commands: `make run` and `make test` (and `make build`, `make native`, `make fuzz`).
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
# The parts without Windows, built natively with sanitizers and fuzzers (tests/native).
NATIVE = $(BUILD)/native
# kiv-parport, the Linux helper behind tavo.dll's bridge, built by the host compiler; the
# program goes to $(BUILD)/bin beside kiv.exe.
HOST = $(BUILD)/host
FUZZ_SECONDS ?= 120

.PHONY: all build native test run fuzz deps dist clean

all: build

deps:
	@tools/deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja $(HOST)/build.ninja
	cmake --build $(BUILD)
	cmake --build $(HOST)

$(HOST)/build.ninja: | deps
	cmake -S parport -B $(HOST) -G Ninja -DCMAKE_CXX_COMPILER=g++ -DKIV_BIN_DIR=$(abspath $(BUILD))/bin

$(NATIVE)/build.ninja: | deps
	cmake -S tests/native -B $(NATIVE) -G Ninja -DCMAKE_CXX_COMPILER=clang++

native: deps $(NATIVE)/build.ninja
	cmake --build $(NATIVE)

test: build native
	tools/test-run $(BUILD)
	ctest --test-dir $(NATIVE) --output-on-failure
	ctest --test-dir $(HOST) --output-on-failure

fuzz: native
	tools/fuzz $(NATIVE) $(FUZZ_SECONDS)

run: build
	tools/run $(BUILD)

# The release zip, dist/kiv-<version>-win64.zip (tools/dist).
dist: build
	tools/dist $(BUILD)

clean:
	rm -rf $(BUILD)
