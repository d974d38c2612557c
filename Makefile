# Thin wrapper over the CMake presets. `make test` is what CI runs.
.PHONY: all deps build test test-native test-sanitize test-windows test-fuzz fuzz run dist demo bench clean

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

# The Windows program, cross-built with MinGW-w64. Its window tests run under
# Wine, in a virtual X display of their own.
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24"

test-windows:
	@scripts/install-deps windows
	cmake --preset windows
	cmake --build --preset windows
	$(XVFB) ctest --preset windows

# The pipeline fuzzer, built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer: `make test` runs it for a minute from fresh seeds,
# `make fuzz` for FUZZ_SECONDS and keeps its corpus in build/fuzz/corpus.
FUZZ_SECONDS ?= 600

test-fuzz:
	@scripts/install-deps fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz
	ctest --preset fuzz

fuzz:
	@scripts/install-deps fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz
	fuzz/run-fuzzer build/fuzz $(FUZZ_SECONDS) build/fuzz/corpus

test: test-native test-sanitize test-windows test-fuzz

# Starts Tessaline.exe under Wine on this desktop; drag files onto it from a
# file manager. Wine keeps its own prefix for this in build/windows.
WINE_DESKTOP_PREFIX := $(CURDIR)/build/windows/wineprefix-desktop

run:
	@scripts/install-deps windows
	cmake --preset windows
	cmake --build --preset windows --target Tessaline
	scripts/wine-prefix desktop $(WINE_DESKTOP_PREFIX)
	WINEPREFIX=$(WINE_DESKTOP_PREFIX) WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wine build/windows/Tessaline.exe

# A zip for users in build/win-dist: the Windows program, the command-line
# tool, and a read-me in Japanese and English.
dist:
	@scripts/install-deps windows
	cmake --preset windows
	cmake --build --preset windows --target Tessaline tessaline_cli
	scripts/make-dist build/windows build/win-dist

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
	cmake --build --preset native --target tessaline_cli generate-song walk-floor stages_bench clash_bench
	scripts/bench build/native $(BENCH_EVENTS)
	build/native/bench/stages_bench --benchmark_counters_tabular=true
	build/native/bench/clash_bench --benchmark_counters_tabular=true

clean:
	rm -rf build
