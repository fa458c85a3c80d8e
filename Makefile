# make test  - install what is missing, build, run every test under Wine
# make run   - the same set-up, then start Glimmerset.exe with the sample photos (FILES="a.jpg dir"
#              opens those instead); without a display it converts them and saves a screenshot
# make bench - build and run the benchmarks
BUILD ?= build
JOBS ?= $(shell nproc)
export WINEPREFIX := $(abspath $(BUILD))/wineprefix
export WINEDEBUG := -all
export WINEDLLOVERRIDES := mscoree,mshtml=
export LANG := ja_JP.UTF-8

.PHONY: all setup configure build test run bench clean

all: build

setup:
	@tools/setup.sh

$(BUILD)/build.ninja: CMakeLists.txt cmake/mingw-w64.cmake
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: setup $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	@tools/test-session $(BUILD) ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Without a display, make run converts the samples itself and saves a screenshot.
run: build
	@tools/test-session $(BUILD) tools/run-program $(if $(DISPLAY),,--headless) $(BUILD) $(FILES)

bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target benches
	@tools/test-session $(BUILD) tools/run-benches $(BUILD)

clean:
	rm -rf $(BUILD)
