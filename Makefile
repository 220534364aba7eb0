# The two commands: `make run` and `make test` (and `make build`).
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all build test run deps clean

all: build

deps:
	@tools/deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD)

test: build
	tools/test-run $(BUILD)

run: build
	tools/run $(BUILD)

clean:
	rm -rf $(BUILD)
