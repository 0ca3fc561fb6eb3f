# Entry points for building and testing. Everything goes through the CMake
# presets (CMakePresets.json); this file only orders the steps.
#
#   make deps    install the Debian packages (scripts/install-deps.sh)
#   make build   configure and build the native and win32 presets (and win64
#                when only 64-bit Wine can run here)
#   make test    deps, build, sanitizer unit tests, short fuzz run, then every
#                native test (unit and end-to-end under Wine)
#   make demo    build a sample installer from samples/ and run it under Wine
#   make try INSTALLER=X-setup.exe [NO_FLASH=1] [OUT=dir] [KEEP=1]
#                run an installer under Wine as an end user would, install and
#                uninstall, report in OUT (scripts/try_installer.py)
#   make bench   the codec, CRC-32 and builder benchmarks (scripts/bench.sh)
#   make bench-flash  the Flash control's drawing under Wine: ms per frame and
#                frames drawn per second of costly movies (scripts/bench-flash.sh)
#   make bench-install  install speed under Wine: our silent package against
#                NSIS on the same payload, and the time to the demo's window
#                against a program that does nothing (scripts/bench_install.py)
#   make clean   remove the preset build trees
SHELL := /bin/bash
.SHELLFLAGS := -euo pipefail -c
JOBS ?= $(shell nproc)
PRESETS := native sanitize fuzz bench win32 win64

# win64 as well when 32-bit Wine cannot run (decided once per make run).
WINE_ARCH = $(shell scripts/wine-env.sh arch 2>/dev/null || echo none)
WINDOWS_PRESETS = win32 $(if $(filter win64,$(WINE_ARCH)),win64)

# build-<preset> is a pattern rule, which make never applies to .PHONY
# targets; FORCE makes it run every time instead.
.PHONY: all deps build test demo try bench bench-flash bench-install clean FORCE
all: build

deps:
	@scripts/install-deps.sh

# The presets are chosen in the recipe, after deps may have installed Wine.
build:
	@$(MAKE) --no-print-directory $(addprefix build-,$(WINDOWS_PRESETS) native)
	@if [ "$(WINE_ARCH)" = win64 ]; then scripts/wine-env.sh banner; fi

# Configure once (CMake re-runs itself when a CMakeLists.txt changes), then build.
build-%: FORCE
	@[ -f build/$*/CMakeCache.txt ] || cmake --preset $* >/dev/null
	cmake --build --preset $* -j $(JOBS)

test: deps
	@$(MAKE) --no-print-directory build build-sanitize
	ctest --preset sanitize -j $(JOBS)
	@if [ -x scripts/fuzz-short.sh ]; then scripts/fuzz-short.sh; fi
	@scripts/wine-env.sh banner
	ctest --preset native -j $(JOBS)

demo: deps
	@$(MAKE) --no-print-directory build
	@python3 scripts/demo.py

# Needs a build (make build); it builds nothing itself.
try:
	@if [ -z "$(INSTALLER)" ]; then \
	  echo "usage: make try INSTALLER=path/to/X-setup.exe [NO_FLASH=1] [OUT=dir] [KEEP=1]" >&2; exit 2; fi
	@python3 scripts/try_installer.py "$(INSTALLER)" $(if $(filter 1,$(NO_FLASH)),--no-flash) \
	  $(if $(OUT),--out "$(OUT)") $(if $(filter 1,$(KEEP)),--keep-prefix)

bench:
	@if [ -x scripts/bench.sh ]; then scripts/bench.sh; else echo "make bench: scripts/bench.sh is not there yet"; fi

bench-flash:
	@scripts/bench-flash.sh

bench-install: deps
	@$(MAKE) --no-print-directory build
	@python3 scripts/bench_install.py

clean:
	rm -rf $(addprefix build/,$(PRESETS))
