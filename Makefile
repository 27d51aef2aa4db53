# Thin, memorable wrappers around CMake and CTest.
#   make run     install what is missing, build, start the desktop program
#   make test    build and run the whole suite, the core again without Qt,
#                then everything again under ASan+UBSan
#   make demo    run examples/demo.tss headless and print the report
#   make bench   build and run the benchmarks
#   make package build the .deb (Release, in build-package/): the programs and
#                what ships with them, no tests
#   make fuzz    build the libFuzzer harnesses with clang and run each for
#                FUZZ_SECONDS on its corpus in build-fuzz/runs/

BUILD      ?= build
JOBS       ?= $(shell nproc)
PACKAGES   := $(shell cat tools/debian-packages.txt)
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
CONFIGURE   = cmake -S . -G Ninja -Wno-dev

FUZZ_SECONDS ?= 60
FUZZ_HARNESSES := imagetrans resection intersection relative absolute script

.PHONY: deps build test run demo bench screenshots examples package clean fuzz fuzz-build web serve-web web-screenshot

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || \
	      { [ $$p = npm ] && command -v npm >/dev/null; } || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "deps: installing" $$missing; \
	  $(SUDO) apt-get update && $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	else \
	  echo "deps: all packages present"; \
	fi

build: deps
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# Each stage says what it is before it starts, so that a long build on a
# fresh machine shows where it stands.
STAGE = @printf '\n=== make test, stage %s of 5: %s ===\n\n'

test:
	$(STAGE) 1 "build/ (with Qt): unit, end-to-end, window and package tests"
	$(MAKE) --no-print-directory build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(STAGE) 2 "build-core/ (without Qt): the core's tests"
	$(CONFIGURE) -B build-core -DTESSARO_BUILD_GUI=OFF
	cmake --build build-core -j $(JOBS)
	ctest --test-dir build-core --output-on-failure -j $(JOBS)
	$(STAGE) 3 "build-asan/: the whole suite under ASan and UBSan"
	$(CONFIGURE) -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTESSARO_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS)
	$(STAGE) 4 "build-fuzz/ (clang): the fuzzing harnesses on their kept inputs"
	$(MAKE) --no-print-directory fuzz-build
	ctest --test-dir build-fuzz -L fuzz --output-on-failure
	$(STAGE) 5 "build-web/ (emscripten): node replay and the page in headless Chromium"
	$(MAKE) --no-print-directory web
	ctest --test-dir build-web --output-on-failure

fuzz-build: deps
	CC=clang CXX=clang++ $(CONFIGURE) -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTESSARO_BUILD_GUI=OFF -DTESSARO_BUILD_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS) --target fuzz-harnesses

fuzz: fuzz-build
	for h in $(FUZZ_HARNESSES); do \
	  fuzz/run.sh build-fuzz/bin/fuzz-$$h fuzz $$h $(FUZZ_SECONDS) build-fuzz/runs/$$h || exit 1; \
	done

# The browser edition: a static site in build-web/site/, compared in its
# tests with the native tessaro-script of $(BUILD)/bin.
WEB_CONFIGURE = $(CONFIGURE) -B build-web -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
  -DTESSARO_NATIVE_BIN=$(CURDIR)/$(BUILD)/bin
web: deps
	cd src/web/test && npm ci --no-audit --no-fund --prefer-offline
	$(WEB_CONFIGURE)
	cmake --build build-web -j $(JOBS)
	@echo "web: the site is in build-web/site/"

# The README's picture of the page, taken by headless Chromium.
web-screenshot: web
	node tools/web_screenshot.mjs build-web/site docs/web.png

serve-web: web
	@echo "Tessaro in the browser: http://localhost:8080/ (Ctrl-C ends)"
	cd build-web/site && python3 -m http.server 8080 --bind 127.0.0.1

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: no display is available here (DISPLAY and WAYLAND_DISPLAY are unset)."; \
	  echo "The desktop program needs a screen; try 'make demo' to run the example session headless."; \
	  exit 1; \
	fi
	$(BUILD)/bin/tessaro

demo: build
	cd examples && ../$(BUILD)/bin/tessaro-script demo.tss
	@echo "--- report examples/demo-report.txt ---"
	@cat examples/demo-report.txt

bench: deps
	$(CONFIGURE) -B build-bench -DCMAKE_BUILD_TYPE=Release -DTESSARO_BUILD_GUI=OFF -DTESSARO_BUILD_BENCH=ON
	cmake --build build-bench -j $(JOBS) --target tessaro-bench tessaro-relative-bench
	build-bench/bin/tessaro-bench
	build-bench/bin/tessaro-relative-bench
	cmake --build build-bench -j $(JOBS) --target tessaro-script tessaro-make-strip
	bench/strip_runs.sh build-bench/bin
	$(MAKE) --no-print-directory web
	node bench/web_strip.mjs build-web/site build-bench/bin

examples: build
	$(BUILD)/bin/tessaro-make-examples examples

package: deps
	$(CONFIGURE) -B build-package -DCMAKE_BUILD_TYPE=Release -DTESSARO_BUILD_TESTS=OFF
	cmake --build build-package -j $(JOBS) --target package
	@ls build-package/*.deb

screenshots: build
	@command -v xvfb-run >/dev/null || $(SUDO) apt-get install -y --no-install-recommends xvfb xauth x11-apps imagemagick
	@command -v rsvg-convert >/dev/null || $(SUDO) apt-get install -y --no-install-recommends librsvg2-bin
	xvfb-run -a -s "-screen 0 1600x1000x24" tools/screenshots.sh $(BUILD)/bin

clean:
	rm -rf $(BUILD) build-asan build-core build-bench build-rel build-package build-fuzz build-web
