# Kerfline's two everyday commands:
#   make run    build the Windows program and start it under Wine with a sample
#   make test   install what is missing, build everything, run every test
# The builds are CMake presets (CMakePresets.json) in build/<preset>.

PRESETS := native asan fuzz win64 win32

# One Wine prefix for the whole build folder, created on first use.
export KERF_WINEPREFIX ?= $(CURDIR)/build/wineprefix

.PHONY: all setup build run test clean bench bench-windows dist test-installer \
        $(addprefix build-,$(PRESETS)) test-native test-asan fuzz-smoke test-windows check-win32

all: build

setup:
	@scripts/setup

# Configuring again is cheap and picks up changes to CMakePresets.json.
$(addprefix build-,$(PRESETS)): build-%: setup
	cmake --preset $* --log-level=WARNING
	cmake --build --preset $*

# One preset after the other: each build already uses both cores. Each
# build's time goes to build/build-times, which run-tests reports.
build: setup
	@mkdir -p build && : >build/build-times
	@for preset in $(PRESETS); do \
	  start=$$(date +%s); \
	  $(MAKE) --no-print-directory build-$$preset || exit 1; \
	  echo "build-$$preset $$(($$(date +%s) - start)) s" >>build/build-times; \
	done

test: build
	@scripts/run-tests

# The steps of `make test` one by one (on what is already built).
test-native:
	@scripts/run-tests native
test-asan:
	@scripts/run-tests asan
# Hook for the fuzzers' smoke run; see step_fuzz in scripts/run-tests.
fuzz-smoke:
	@scripts/run-tests fuzz
test-windows:
	@scripts/run-tests windows
check-win32:
	@scripts/run-tests win32

# The release packages in dist/: the 32-bit MSI and zip, and the x64 MSI.
dist: setup
	@for preset in win32 win64; do \
	  cmake --preset $$preset --log-level=WARNING && \
	  cmake --build --preset $$preset --target kerfline kerfline-cli || exit 1; \
	done
	@installer/make-dist
test-installer:
	@scripts/run-tests installer

run: setup
	cmake --preset win64 --log-level=WARNING
	cmake --build --preset win64 --target kerfline
	@scripts/run-kerfline samples/sample.plt

# The native benchmarks, in a build of their own with link-time
# optimisation (docs/development.md says how to run each).
bench: setup
	cmake --preset bench --log-level=WARNING
	cmake --build --preset bench

# Opening and painting a big job in the real main window, and printing it
# raw beside saving it, under Wine on a private X server (benchmarks, not
# tests).
bench-windows: setup
	cmake --preset win64 --log-level=WARNING
	cmake --build --preset win64 --target kerfline_window_bench kerfline_print_bench
	@scripts/bench-windows
	@scripts/bench-windows print

clean:
	@if [ -d build/wineprefix ]; then scripts/wine-run --server-stop; fi
	rm -rf build
