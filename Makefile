# The whole set-up on a fresh Debian 12 machine: `make run` and `make test`.
# Each target installs the Debian packages it needs when they are missing.

JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 60

.PHONY: all deps build run lint test test-asan test-tsan build-windows build-windows-msvc \
	test-windows dist-windows dist-windows-mingw dist-windows-msvc fuzz bench bench-instructions \
	clean

all: build

deps:
	@scripts/install-deps.sh

# Every tree is configured with PELGRA_REQUIRE_DEPS: a dependency missing is an error
# that names its package, never a build without what needs it.
REQUIRE_DEPS = -DPELGRA_REQUIRE_DEPS=ON

# configure DIR EXTRA-FLAGS: configure and build one tree.
define configure
	cmake -S . -B $(1) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(REQUIRE_DEPS) $(2) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(1) -j $(JOBS)
endef

build: deps
	$(call configure,build,)

# The demo through the sound device; where there is none (exit status 3), rendered to
# demo.wav instead, with its length and levels.
run: build
	@build/bin/pelgra-play --demo; status=$$?; \
	if [ $$status -eq 3 ]; then \
		echo "No sound device here: rendering the demo to a file instead."; \
		build/bin/pelgra-play --demo --render demo.wav || exit $$?; \
		echo "Listen with: play demo.wav   (or any audio player)"; \
	else \
		exit $$status; \
	fi

# The house style: the formatting of every tracked C/C++ file, then clang-tidy's checks
# (.clang-tidy) over the plain build's compile database.
lint: build
	git ls-files -z '*.c' '*.cc' '*.cpp' '*.h' '*.hpp' | xargs -0 clang-format --dry-run -Werror
	sed -n 's/^ *"file": "\(.*\)",*$$/\1/p' build/compile_commands.json | sort -u | \
	  xargs -P $(JOBS) -n 4 clang-tidy -p build --quiet

# The lint, the tests, then the whole suite under AddressSanitizer with UndefinedBehaviorSanitizer,
# then the concurrency tests (and the soak's short run) under ThreadSanitizer, then the
# Windows build under Wine, then each fuzz harness for FUZZ_SECONDS.
test: lint
	ctest --test-dir build --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-asan test-tsan test-windows fuzz

test-asan: deps
	$(call configure,build-asan,-DPELGRA_SANITIZE=address -DPELGRA_BUILD_BENCH=OFF)
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

test-tsan: deps
	$(call configure,build-tsan,-DPELGRA_SANITIZE=thread -DPELGRA_BUILD_BENCH=OFF)
	ctest --test-dir build-tsan --output-on-failure -j $(JOBS) -L concurrency --no-tests=ignore

# The Windows DLLs, cross-compiled with MinGW-w64 against the Windows builds of their
# dependencies (made from Debian's sources by scripts/windows-deps.sh once, then taken
# from its cache). A tree configured for another prefix starts afresh.
build-windows: deps
	@deps=$$(scripts/windows-deps.sh) && \
	if ! grep -qsx "PELGRA_WINDOWS_DEPS:[A-Z]*=$$deps" build-mingw/CMakeCache.txt; then \
		rm -f build-mingw/CMakeCache.txt; \
	fi && \
	cmake -S . -B build-mingw -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake -DPELGRA_BUILD_BENCH=OFF \
	  $(REQUIRE_DEPS) \
	  -DPELGRA_WINDOWS_DEPS=$$deps -DPELGRA_LINUX_PLAYER=$(CURDIR)/build/bin/pelgra-play \
	  $(CMAKE_FLAGS) >/dev/null
	cmake --build build-mingw -j $(JOBS)

# The engine and utility DLLs for Microsoft's C++ ABI (clang and lld-link), over the
# MinGW-built audio DLL.
build-windows-msvc: build-windows
	$(call configure,build-msvc,-DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/clang-msvc-x86_64.cmake)

# The Windows tests of both variants run under Wine; the Linux build's player renders for
# comparison.
test-windows: build build-windows build-windows-msvc
	ctest --test-dir build-mingw --output-on-failure
	ctest --test-dir build-msvc --output-on-failure

# The folder a Windows application links against and ships (dist/windows/, one subfolder
# per compiler's build), and a zip of it.
dist-windows: dist-windows-mingw dist-windows-msvc
	cd dist && rm -f pelgra-sound-engine-windows.zip && zip -qr pelgra-sound-engine-windows.zip windows
	@echo "dist/windows/ and dist/pelgra-sound-engine-windows.zip"

dist-windows-mingw: build-windows
	scripts/dist-windows.sh mingw build-mingw "$$(scripts/windows-deps.sh)" dist/windows
	scripts/dist-windows.sh check dist/windows/mingw/bin

dist-windows-msvc: build-windows-msvc
	scripts/dist-windows.sh msvc build-msvc build-mingw "$$(scripts/windows-deps.sh)" dist/windows
	scripts/dist-windows.sh check dist/windows/msvc/bin

# The loaders under libFuzzer, with AddressSanitizer and UndefinedBehaviorSanitizer:
# a clang build of the library and its harnesses only.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPELGRA_BUILD_FUZZ=ON -DPELGRA_BUILD_TESTS=OFF -DPELGRA_BUILD_BENCH=OFF $(REQUIRE_DEPS) \
	  $(CMAKE_FLAGS) >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target sample_fuzzer song_fuzzer fuzz_seeds
	fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# The audio library's figures (mixing, loading, call latency, callback gaps, songs).
bench: build
	build/bin/pelgra_bench
	build/bin/song_bench
	build/bin/stream_bench
	build/bin/realtime_bench
	build/bin/limiter_bench

# Instructions per mixed frame, counted by callgrind: the figures that repeat from run to
# run, for the library's songs, voices and idle beside the libraries they rest on.
bench-instructions: build
	bench/instructions/run.sh build

clean:
	rm -rf build build-asan build-tsan build-mingw build-msvc build-fuzz dist
