# Thin wrapper over the CMake presets. `make test` is what CI runs.
.PHONY: all deps build test test-native test-sanitize clean

all: build

deps:
	@scripts/install-deps native

build: deps
	cmake --preset native
	cmake --build --preset native

test-native: deps
	cmake --preset native
	cmake --build --preset native
	ctest --preset native

test-sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize

test: test-native test-sanitize

clean:
	rm -rf build
