# Thin wrapper over the CMake presets. `make test` is what CI runs.
.PHONY: all deps build test test-native test-sanitize demo bench clean

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

# Builds the command-line tool and runs it on a generated two-bar groove: the
# inventory, then the three outputs, written beside the song in build/native/demo.
DEMO_DIR := build/native/demo
TESSALINE := build/native/cli/tessaline

demo: deps
	cmake --preset native
	cmake --build --preset native --target tessaline_cli tessaline_make_groove
	@mkdir -p $(DEMO_DIR)
	build/native/examples/make-groove $(DEMO_DIR)/groove.mid
	$(TESSALINE) list $(DEMO_DIR)/groove.mid
	$(TESSALINE) split-insert $(DEMO_DIR)/groove.mid
	$(TESSALINE) split-overwrite $(DEMO_DIR)/groove.mid
	$(TESSALINE) format1 $(DEMO_DIR)/groove.mid
	$(TESSALINE) list $(DEMO_DIR)/groove_S.mid

# Times the command-line tool end to end against a walk-and-encode floor on
# generated songs (BENCH_EVENTS to choose their sizes), then each stage alone.
BENCH_EVENTS ?= 10000 100000 1000000 4000000

bench:
	@scripts/install-deps native bench
	cmake --preset native
	cmake --build --preset native --target tessaline_cli generate-song walk-floor stages_bench
	scripts/bench build/native $(BENCH_EVENTS)
	build/native/bench/stages_bench --benchmark_counters_tabular=true

clean:
	rm -rf build
