# make run     set up, build and start the monitor
# make test    set up, build and run every suite (Linux and Windows, the
#              sanitizer build and a short run of every fuzz target)
# make deb     build the Debian package into dist/
JOBS ?= $(shell nproc)
BUILD ?= build
BUILD_WIN ?= build-win
BUILD_SANITIZE ?= build-sanitize
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 10

.PHONY: all bootstrap build run test test-linux test-sanitize fuzz fuzz-smoke windows test-windows dist deb bench clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  exec $(BUILD)/pelko-monitor; \
	else \
	  echo "No display found: starting the monitor without a window (--headless)."; \
	  exec $(BUILD)/pelko-monitor --headless; \
	fi

test: test-linux test-sanitize fuzz-smoke test-windows dist deb

test-linux: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --repeat until-pass:2

# The Linux suites again, built with AddressSanitizer and UBSan.
test-sanitize: bootstrap
	@scripts/test-sanitize $(BUILD_SANITIZE)

# Every fuzz target for FUZZ_SECONDS (make fuzz FUZZ_SECONDS=600 for longer).
fuzz: bootstrap
	@scripts/run-fuzz $(FUZZ_SECONDS) $(BUILD_FUZZ)

fuzz-smoke: bootstrap
	@scripts/run-fuzz $(FUZZ_SMOKE_SECONDS) $(BUILD_FUZZ)

windows: bootstrap
	@cmake -S . -B $(BUILD_WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_WIN) -j $(JOBS)

test-windows: windows build
	@scripts/test-windows $(BUILD_WIN) $(BUILD)

dist: windows
	@scripts/make-dist $(BUILD_WIN)

# The Debian package: dist/pelko-monitor_<version>_amd64.deb
deb: build
	@out=$$(cd $(BUILD) && cpack -G DEB 2>&1) || { echo "$$out" >&2; exit 1; }; \
	  echo "$$out" | sed -n 's/^CPack: - package: \(.*\) generated\.$$/\1/p'

bench: build
	@scripts/run-bench $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_WIN) $(BUILD_SANITIZE) $(BUILD_FUZZ) dist
