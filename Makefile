# The two commands a newcomer types: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

.PHONY: all deps configure build run install test test-asan bench clean windows windows32 \
        test-windows windows-package windows-screenshot screenshots guide-table walkthrough

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The window on the simulated test set; without a display, a batch run of the IEC scan.
run: build
	@scripts/run $(BUILD) $(ARGS)

# Program, sample data and desktop entry under PREFIX (default /usr/local).
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTARVOS_SANITIZE=ON -DTARVOS_BENCH=OFF $(CMAKE_ARGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The guide's pictures, made by the window's tests on the offscreen platform (fixed clock,
# seed and font) and copied into docs/.
screenshots: build
	@QT_QPA_PLATFORM=offscreen $(BUILD)/tests/ui_tests --gtest_filter='GuideScreenshotsTest.*' >/dev/null
	@cp $(BUILD)/grabs/guide-window.png docs/guide-window.png
	@cp $(BUILD)/grabs/window-during-an-iec-scan.png docs/window-during-a-scan.png
	@cp $(BUILD)/grabs/guide-run-log.png $(BUILD)/grabs/guide-eut-effects.png docs/
	@echo "screenshots: docs/guide-window.png docs/window-during-a-scan.png" \
	  "docs/guide-run-log.png docs/guide-eut-effects.png"

# The guide's first start and IEC test followed in the real window on an X server of its
# own, each step checked and photographed into build/walkthrough/ (WHOLE=1: the whole scan).
walkthrough: build
	@WHOLE=$(WHOLE) scripts/walkthrough $(abspath $(BUILD))

# The guide's tables of messages, written from the message catalogue and the batch
# programs' list of their own lines.
guide-table: build
	@TARVOS_WRITE_GUIDE_TABLE=1 $(BUILD)/tests/screen_tests \
	  --gtest_filter=MessageCatalogueTest.TheGuidesTableIsTheCatalogue >/dev/null
	@TARVOS_WRITE_GUIDE_TABLE=1 $(BUILD)/tests/app_tests \
	  --gtest_filter=BatchLinesTest.TheGuidesTableIsTheList >/dev/null
	@echo "guide-table: docs/guide.md"

# Every benchmark, the real-clock runs side by side (about 9 minutes), then one table.
bench: build
	@$(BUILD)/bench/bench_report

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WINDOWS_BUILD) $(WINDOWS32_BUILD)

# Windows, from Debian's MinGW-w64 cross compilers: the window tarvos.exe with Qt's DLLs
# and plugins beside it, tarvos-batch.exe, tarvos-adapters.exe, usbi2cio_sim.dll, and the
# tests (the core's and the window's), which run under Wine. The Qt for Windows that the
# window needs is built from Debian's source by scripts/build-qt-windows on first use
# (about 35 to 40 minutes, once per machine). WINDOW=OFF leaves the window and Qt out.
WINDOWS_BUILD   ?= build-windows
WINDOWS32_BUILD ?= build-windows32
WINDOW          ?= ON
windows: deps
	@if [ "$(WINDOW)" = OFF ]; then \
	  cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DTARVOS_WINDOW=OFF -DTARVOS_BENCH=OFF >/dev/null; \
	else \
	  qt=$$(scripts/build-qt-windows) && \
	  cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DTARVOS_WINDOW=ON -DTARVOS_BENCH=OFF \
	    -DCMAKE_PREFIX_PATH="$$qt" -DQT_HOST_PATH=/usr \
	    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null; \
	fi
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# 32-bit: build and link only (32-bit Wine cannot be installed here).
windows32: deps
	@cmake -S . -B $(WINDOWS32_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DTARVOS_WINDOW=OFF -DTARVOS_BENCH=OFF -DTARVOS_TESTS=OFF >/dev/null
	@cmake --build $(WINDOWS32_BUILD) -j $(JOBS)

# The 32-bit build, every test program under Wine (the core's and the window's), then
# tarvos-batch.exe against the Linux build's results, a real-clock scan through
# usbi2cio_sim.dll, tarvos.exe's printed reports against the Linux build's, and the window
# itself on an X server of its own.
test-windows: windows32 windows build
	@scripts/test-windows $(WINDOWS_BUILD) $(BUILD) $(WINDOWS32_BUILD)

# The README's picture of the window under Wine, as test-windows took it.
windows-screenshot: test-windows
	@cp $(WINDOWS_BUILD)/test-windows/window.png docs/windows-window.png
	@echo "windows-screenshot: docs/windows-window.png"

# tarvos.exe with its Qt DLLs and plugins, tarvos-batch.exe, the adapter helpers of both
# bitnesses, usbi2cio_sim.dll of both, the sample data, the guide, README-Windows.txt and
# the licence texts in a zip; then its tarvos.exe started under Wine from the unpacked zip.
windows-package: windows windows32
	@scripts/windows-package $(WINDOWS_BUILD) $(WINDOWS32_BUILD)

# Each fuzz target for FUZZ_SECONDS under ASan and UBSan, one per core at a time, seeded
# from data/ and the corpora kept in fuzz/corpus/<target>/. The fuzzing tree needs no
# window.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 20
.PHONY: fuzz
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 \
	  -DCMAKE_CXX_COMPILER=clang++-14 -DTARVOS_FUZZ=ON -DTARVOS_TESTS=OFF -DTARVOS_BENCH=OFF \
	  -DTARVOS_WINDOW=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@scripts/run-fuzzers $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS)
