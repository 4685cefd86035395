# Tarnovex — build, test and run. `make run` and `make test` do all set-up on a fresh Debian 12 machine.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)
BUILD ?= build

# Every Debian package that the build, the tests and the benchmarks need.
PACKAGES := build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev \
            qt6-base-dev qt6-multimedia-dev libsqlite3-dev sqlite3 libzip-dev zlib1g-dev \
            libcurl4-openssl-dev libssl-dev libgtest-dev libgmock-dev libbenchmark-dev \
            python3-pyftpdlib python3-aiosmtpd rsync unison zip unzip p7zip-full xvfb xauth time \
            lftp openssl python3-openssl openssh-server desktop-file-utils \
            libxcb1-dev libxcb-xtest0-dev

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build test sanitize tsan fuzz run bench format clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# AddressSanitizer + UndefinedBehaviorSanitizer over every test.
sanitize: deps
	cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNOVEX_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
	cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 900

# ThreadSanitizer over every test (the engine's threaded tests run here before an engine change lands).
tsan: deps
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNOVEX_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp halt_on_error=0" ctest --output-on-failure -j $(JOBS) --timeout 900

# libFuzzer targets for every reader of outside data, each for a bounded time (FUZZ_SECONDS).
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTARNOVEX_BUILD_TESTS=OFF -DTARNOVEX_BUILD_BENCH=OFF -DTARNOVEX_BUILD_FUZZ=ON \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer"
	cmake --build build-fuzz -j $(JOBS)
	@for t in build-fuzz/fuzz/fuzz_*; do \
	  name=$$(basename $$t); mkdir -p fuzz/corpus-$$name; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  $$t -max_total_time=$(FUZZ_SECONDS) -max_len=65536 fuzz/corpus-$$name fuzz/seeds/$$name || exit 1; \
	done

# The program itself: its window on a desktop, headless (tasks on their schedules, Ctrl-C ends it) without
# a display. A store without tasks first gets a sample task.
run: build
	@$(BUILD)/tarnovex-cli demo
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then echo "No display: Tarnovex runs headless; its tasks run on their schedules. Ctrl-C ends it."; fi
	@$(BUILD)/tarnovex

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$(basename $$b)"; $$b; done
	@if $(BUILD)/tarnovex-cli help run >/dev/null 2>&1; then bench/compare_runs.sh $(BUILD)/tarnovex-cli; \
	else echo "== compare_runs.sh skipped: tarnovex-cli has no run command yet"; fi

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-sanitize build-tsan build-fuzz

# The programs, crypt, the help and the menu entry under PREFIX (default ~/.local, no root needed).
PREFIX ?= $(HOME)/.local
.PHONY: install
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)
	-update-desktop-database $(PREFIX)/share/applications 2>/dev/null

# Pictures of the window under a virtual display (Xvfb) with a demo settings store, in $(BUILD)/screenshots/,
# and of every window and page in light and dark, in $(BUILD)/screenshots/gallery/.
.PHONY: screenshots
screenshots: build
	scripts/screenshots.sh $(BUILD)
