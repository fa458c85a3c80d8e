# make test  - install what is missing, build, run every test under Wine
# make run   - the same set-up, then start Glimmerset.exe with the sample photos (FILES="a.jpg dir"
#              opens those instead); without a display it converts them and saves a screenshot
# make bench - build and run the benchmarks
# make dist  - build, then put the packages for Windows users into dist/: the zip, the installer
#              and SHA256SUMS; SIGN_PFX=… SIGN_PASSWORD_FILE=… [SIGN_TIMESTAMP=url] signs them
BUILD ?= build
DIST ?= dist
JOBS ?= $(shell nproc)
export WINEPREFIX := $(abspath $(BUILD))/wineprefix
export WINEDEBUG := -all
export WINEDLLOVERRIDES := mscoree,mshtml=
export LANG := ja_JP.UTF-8

.PHONY: all setup configure build test run bench dist clean

all: build

# The installer's builder, wixl, only for what makes or tests the packages.
setup:
	@tools/setup.sh $(if $(filter test dist,$(MAKECMDGOALS)),dist)

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
	cmake --build $(BUILD) -j $(JOBS) --target benches Glimmerset
	@tools/test-session $(BUILD) tools/run-benches $(BUILD)

# make dist SIGN_PFX=cert.pfx SIGN_PASSWORD_FILE=pass.txt [SIGN_TIMESTAMP=url] signs the program
# and the installer.
dist: build
	@tools/make-dist $(if $(SIGN_PFX),--sign "$(SIGN_PFX)" "$(SIGN_PASSWORD_FILE)") \
	  $(if $(SIGN_TIMESTAMP),--timestamp "$(SIGN_TIMESTAMP)") $(BUILD) $(DIST)

clean:
	rm -rf $(BUILD)
