# Lumitrax: `make run` starts the program with the simulated keypad in a Wine
# desktop (a scripted demo with screenshots when there is no display);
# `make test` runs every test. Both install what is missing first.

BUILD ?= build
JOBS ?= 2
WIN32_DIR := $(BUILD)/win32
ASAN_DIR := $(BUILD)/native-asan
TSAN_DIR := $(BUILD)/native-tsan
WINE_PREFIX := $(CURDIR)/$(BUILD)/wineprefix

.PHONY: all deps native win32 test test-native test-win32 run bench clean

all: native win32

deps:
	@scripts/install-deps.sh

$(ASAN_DIR)/CMakeCache.txt:
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DLUMITRAX_SANITIZER=address >/dev/null
$(TSAN_DIR)/CMakeCache.txt:
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DLUMITRAX_SANITIZER=thread >/dev/null
$(WIN32_DIR)/CMakeCache.txt:
	cmake -S . -B $(WIN32_DIR) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake >/dev/null

native: deps $(ASAN_DIR)/CMakeCache.txt $(TSAN_DIR)/CMakeCache.txt
	cmake --build $(ASAN_DIR) -j$(JOBS)
	cmake --build $(TSAN_DIR) -j$(JOBS)

win32: deps $(WIN32_DIR)/CMakeCache.txt
	cmake --build $(WIN32_DIR) -j$(JOBS)

test: test-native test-win32

test-native: native
	ctest --test-dir $(ASAN_DIR) --output-on-failure -j$(JOBS)
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(TSAN_DIR) --output-on-failure -j$(JOBS)

# Windows tests under Wine: everything in one private Wine desktop; the
# mixer tests that need a sound device run with a private PulseAudio.
test-win32: win32
	scripts/wine-env.sh --prefix $(WINE_PREFIX) --xvfb -- \
	  ctest --test-dir $(WIN32_DIR) --output-on-failure -LE pulse
	scripts/wine-env.sh --prefix $(WINE_PREFIX) --xvfb --pulse --winxp -- \
	  ctest --test-dir $(WIN32_DIR) --output-on-failure -L pulse --no-tests=ignore

run: win32
	scripts/run-demo.sh $(WIN32_DIR)/simulator $(BUILD)/demo

bench: win32
	scripts/wine-env.sh --prefix $(WINE_PREFIX) --xvfb -- scripts/bench.sh $(WIN32_DIR)

clean:
	rm -rf $(BUILD)
