# make run     set up, build and start the monitor
# make test    set up, build and run every suite (Linux and Windows)
JOBS ?= $(shell nproc)
BUILD ?= build
BUILD_WIN ?= build-win

.PHONY: all bootstrap build run test test-linux windows test-windows dist bench clean

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

test: test-linux test-windows dist

test-linux: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --repeat until-pass:2

windows: bootstrap
	@cmake -S . -B $(BUILD_WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_WIN) -j $(JOBS)

test-windows: windows build
	@scripts/test-windows $(BUILD_WIN) $(BUILD)

dist: windows
	@scripts/make-dist $(BUILD_WIN)

bench: build
	@scripts/run-bench $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_WIN) dist
