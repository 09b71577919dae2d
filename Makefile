# Lumitrax: `make run` starts the program with the simulated keypad in a Wine
# desktop (a scripted demo with screenshots when there is no display);
# `make test` runs every test. Both install what is missing first.
#
# Two Windows builds: build/win32 (i686, the product) and build/win64
# (x86_64). Both compile on every host; the tests run on every architecture
# the host can run, and `run` and `bench` use the 32-bit build where the host
# runs 32-bit programs, else the 64-bit one (scripts/host-arch.sh decides by
# trying; LUMITRAX_WIN_ARCH=win64 forces the 64-bit path).

BUILD ?= build
JOBS ?= 2
ASAN_DIR := $(BUILD)/native-asan
TSAN_DIR := $(BUILD)/native-tsan
WIN_ARCH := $(shell scripts/host-arch.sh)
WIN_ARCHES := $(shell scripts/host-arch.sh --all)
WIN_DIR := $(BUILD)/$(WIN_ARCH)
# A prefix per architecture and display scale (LogPixels, dots per inch;
# 96 when none is named).
prefix_for = $(CURDIR)/$(BUILD)/wineprefix-$(1)$(if $(2),-dpi$(2))
# The scales the panel's tests (ctest label dpi) also run at, on a panel
# PC's screen (the widest panel is 1060 pixels wide at 200 %).
TEST_DPIS := 120 144 192
DPI_DESKTOP := --desktop 1920x1080
# make run DPI=144: the program at 150 %.
DPI ?= 96

.PHONY: all deps native cross win32 win64 test test-native test-win test-win32 test-win64 \
	test-win32-beside-win64 \
	run bench soak dist clean

all: native cross

deps:
	@scripts/install-deps.sh

$(ASAN_DIR)/CMakeCache.txt:
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DLUMITRAX_SANITIZER=address >/dev/null
$(TSAN_DIR)/CMakeCache.txt:
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DLUMITRAX_SANITIZER=thread >/dev/null
$(BUILD)/win32/CMakeCache.txt:
	cmake -S . -B $(BUILD)/win32 -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake >/dev/null
$(BUILD)/win64/CMakeCache.txt:
	cmake -S . -B $(BUILD)/win64 -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-x86_64.cmake >/dev/null

native: deps $(ASAN_DIR)/CMakeCache.txt $(TSAN_DIR)/CMakeCache.txt
	cmake --build $(ASAN_DIR) -j$(JOBS)
	cmake --build $(TSAN_DIR) -j$(JOBS)

win32 win64: %: deps $(BUILD)/%/CMakeCache.txt
	cmake --build $(BUILD)/$* -j$(JOBS)

cross: win32 win64

test: test-native test-win

test-native: native
	ctest --test-dir $(ASAN_DIR) --output-on-failure -j$(JOBS)
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(TSAN_DIR) --output-on-failure -j$(JOBS)

test-win: cross
	@scripts/host-arch.sh --why
	@echo "Windows tests run for: $(WIN_ARCHES)"
	@$(MAKE) --no-print-directory $(addprefix test-,$(WIN_ARCHES)) \
	  $(if $(filter win32,$(WIN_ARCHES)),test-win32-beside-win64)

# Windows tests under Wine: everything in one private Wine desktop; the
# mixer tests that need a sound device run with a private PulseAudio and a
# system that reports Windows XP.
test-win32 test-win64: test-%: %
	scripts/wine-env.sh --arch $* --prefix $(call prefix_for,$*) --xvfb -- \
	  ctest --test-dir $(BUILD)/$* --output-on-failure -LE 'pulse|beside-win64'
	scripts/wine-env.sh --arch $* --prefix $(call prefix_for,$*) --xvfb --pulse --winxp -- \
	  ctest --test-dir $(BUILD)/$* --output-on-failure -L pulse --no-tests=ignore
	@for dpi in $(TEST_DPIS); do \
	  echo "Windows tests of the panel at $$dpi dpi ($*)"; \
	  scripts/wine-env.sh --arch $* --prefix $(call prefix_for,$*,$$dpi) --dpi $$dpi $(DPI_DESKTOP) --xvfb -- \
	    ctest --test-dir $(BUILD)/$* --output-on-failure -L dpi || exit 1; \
	done

# The 32-bit product under a 64-bit shell, as on 64-bit Windows: the tray
# icon locator's tests of the 32-bit build in the 64-bit prefix, where they
# meet a 64-bit stand-in shell; and the 32-bit package's tests in a 64-bit
# prefix of their own, where it installs into Program Files (x86) and writes
# the 32-bit registry view.
test-win32-beside-win64: win32 win64
	scripts/wine-env.sh --arch win64 --prefix $(call prefix_for,win64) --xvfb -- \
	  wine $(BUILD)/win32/bin/win_tests.exe --gtest_filter='TrayLocator.*'
	ctest --test-dir $(BUILD)/win32 --output-on-failure -L beside-win64

run: $(WIN_ARCH)
	@scripts/host-arch.sh --why
	scripts/run-demo.sh $(WIN_ARCH) $(WIN_DIR)/simulator $(BUILD)/demo $(DPI)

bench: $(WIN_ARCH)
	@scripts/host-arch.sh --why
	scripts/wine-env.sh --arch $(WIN_ARCH) --prefix $(call prefix_for,$(WIN_ARCH)) --xvfb -- \
	  scripts/bench.sh $(WIN_DIR)

# The long runs: the soak, the fault matrix and the hostile-input fuzzer, on
# a system that reports Windows XP with a sound device (the legacy mixer
# lets the runs change volume and mute on the device side).
soak: $(WIN_ARCH)
	@scripts/host-arch.sh --why
	scripts/wine-env.sh --arch $(WIN_ARCH) --prefix $(call prefix_for,$(WIN_ARCH)) --xvfb --pulse \
	  --winxp -- scripts/soak.sh $(WIN_DIR)

# The installer package and the zip of the 32-bit release folder, named with
# the version of the version resource.
dist: win32
	dist/make_package.py --arch win32 --build-dir $(BUILD)/win32 --out $(BUILD)/dist

clean:
	rm -rf $(BUILD)
