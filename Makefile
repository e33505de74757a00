# Set-up commands on a fresh Debian 12 machine:
#   make test           installs what is missing, builds (Debug, sanitizers) and runs every
#                       test
#   make run            installs what is missing, builds (Release), starts the printer
#                       simulator and opens the utility on it
#   make package        builds the Debian package build/release/package/xjk52util_*.deb
#   make package-check  builds it, installs it on this machine, checks it and purges it
#                       (changes the system: for CI and throw-away machines)
SHELL := /bin/bash

PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev libcups2-dev libgtest-dev libgmock-dev \
            libbenchmark-dev ccache xvfb xauth dbus-daemon
# The print driver builds on the raster library; its end-to-end test runs a print server
# of its own (cupsd, the distribution's filters and socket backend). Installed without the
# packages they merely recommend (network discovery, colour management).
PRINT_PACKAGES := libcupsimage2-dev cups cups-filters
DEBUG_DIR := build/debug
RELEASE_DIR := build/release
JOBS ?= $(shell nproc)

# Builds of other clones and build folders share the compiler cache.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

.PHONY: all deps fuzz-deps build test release run bench fuzz clean package-deps package \
        package-check screenshot-deps screenshots

all: build

# Installs the Debian packages of the list $(1) that are not there yet (needs root, as
# on CI), with the apt-get options $(2).
define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $(2) $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))
	$(call install_missing,$(PRINT_PACKAGES),--no-install-recommends)

$(DEBUG_DIR)/build.ninja:
	cmake -S . -B $(DEBUG_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DXJ_SANITIZE=ON

build: deps $(DEBUG_DIR)/build.ninja
	cmake --build $(DEBUG_DIR) -j $(JOBS)

test: build
	cd $(DEBUG_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 300

$(RELEASE_DIR)/build.ninja:
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DXJ_BUILD_TESTS=OFF

release: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS)

# The display is checked before the build, so a machine without one learns at once
# that it needs `xvfb-run make run`.
run: deps
	@scripts/run-with-simulator.sh --check-display
	@$(MAKE) --no-print-directory release
	@scripts/run-with-simulator.sh $(RELEASE_DIR)

# The Debian package (Release build, see packaging/): CPack with the package's
# dependencies computed by dpkg-shlibdeps (dpkg-dev, file); the check validates the
# desktop entry and the AppStream metainfo (desktop-file-utils, appstream).
PACKAGE_PACKAGES := dpkg-dev file desktop-file-utils appstream

package-deps:
	$(call install_missing,$(PACKAGE_PACKAGES))

package: deps package-deps release
	rm -f $(RELEASE_DIR)/package/*.deb
	cd $(RELEASE_DIR) && cpack
	@ls $(RELEASE_DIR)/package/*.deb

package-check: package
	scripts/package-check.sh $(RELEASE_DIR)

# The README's screenshots (docs/screenshots/): the Release build on the printer
# simulator under a virtual display (xvfb), captured with ImageMagick's import and
# driven with xdotool.
SCREENSHOT_PACKAGES := imagemagick xdotool

screenshot-deps:
	$(call install_missing,$(SCREENSHOT_PACKAGES))

screenshots: deps screenshot-deps release
	scripts/make-screenshots.sh $(RELEASE_DIR)

# Benchmarks (Release): builds them with the library, simulator and language files they
# use, then runs each one and prints its figures. See bench/README.md.
BENCH_DIR := build/bench
bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DXJ_BUILD_BENCH=ON -DXJ_BUILD_TESTS=OFF
	cmake --build $(BENCH_DIR) -j $(JOBS) --target xj_benchmarks
	@for b in $(BENCH_DIR)/bench/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	  echo "== $$(basename $$b)"; \
	  "$$b" || exit 1; \
	done

# Fuzzing (Clang's libFuzzer with the address and undefined-behaviour sanitizers): builds
# the targets of fuzz/ in their own folder and runs each one FUZZ_SECONDS seconds; fails
# when any of them finds a crash, a leak or a hang. See "Fuzzing" in README.md.
FUZZ_PACKAGES := clang libclang-rt-14-dev
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 60

fuzz-deps:
	$(call install_missing,$(FUZZ_PACKAGES))

$(FUZZ_DIR)/build.ninja:
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DXJ_FUZZ=ON -DXJ_BUILD_TESTS=OFF

fuzz: deps fuzz-deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target xj_fuzzers
	scripts/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf build
