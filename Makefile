# Flarevox: `make play` to play, `make test` to run the test suite.
# Both install missing Debian packages, configure, build and generate the data.
# `make test-realtime` runs the long real-time checks that `make test` leaves out
# (tests labelled `realtime`); `make test-netns` the battles across routers in
# network namespaces (label `netns`, root only); `make test-asan` runs the
# suite and a few real-time checks (ASAN_REALTIME) under AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer; `make fuzz` runs every fuzz
# target (FUZZ_SECONDS each). Targets that need more than building and the
# suite install it themselves (scripts/install-deps GROUP).

BUILD_DIR ?= build
RUN_DIR   := $(BUILD_DIR)/run
JOBS      ?= 2
CMAKE_ARGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_DIR  ?= build-asan
FUZZ_DIR  ?= build-fuzz
FUZZ_SECONDS ?= 60
# LeakSanitizer in test-asan: 1 on, 0 off (ASan and UBSan stay on).
ASAN_LEAKS ?= 1
# GCC 12's leak check, which tracks dynamic TLS through __tls_get_addr, can
# read a bogus entry of it at exit and crash ("Tracer caught signal 11"), now
# and then in a test that draws with the GL driver. It does not track it:
# glibc puts those blocks on the heap, reached from each thread's static TLS,
# which the check still scans.
ASAN_OPTIONS_TESTS = detect_leaks=$(ASAN_LEAKS):intercept_tls_get_addr=0
# The real-time checks test-asan runs as well: the sound server's output, and
# one battle of two games and one cheating peer for the network code between
# processes. The others play whole songs in real time, several times slower
# under the sanitizers, through code the suite runs in simulated time.
ASAN_REALTIME ?= ^PulseOutputTest|^NetBattleRun.BothGamesShowTheSameResults|NetBattleRunCheat
# The sanitizer and fuzzing builds are optimised less and keep line tables
# only (enough for their reports): they compile in about half the time, which
# on a fresh machine outweighs the slower run.
ASAN_ARGS ?= -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
# The fuzzing build also compiles without the precompiled standard headers,
# which checks that every source includes what it uses.
FUZZ_ARGS ?= -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" -DFLAREVOX_PCH=OFF
XVFB      := xvfb-run -a -s "-screen 0 1280x1024x24"

# ccache, where the machine has it, shares compiled objects between builds
# and checkouts (paths are taken relative to the checkout).
ifneq ($(shell command -v ccache 2>/dev/null),)
CMAKE_ARGS += -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
# What ccache must overlook to cache sources built on a precompiled header.
export CCACHE_SLOPPINESS := pch_defines,time_macros,include_file_mtime,include_file_ctime
endif

.PHONY: all deps configure build data play autoplay test test-realtime previews screenshots bench clean \
	test-asan test-netns fuzz-build fuzz fuzz-smoke fuzz-seeds package test-package test-reproducible

all: data

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j$(JOBS)

# Generates Conf/ and Data/ into $(RUN_DIR), the folder the game runs from.
data: build
	@cmake --build $(BUILD_DIR) --target data

play: data
	cd $(RUN_DIR) && ../flarevox

# The bot plays both players; the window closes a few seconds after the winner.
autoplay: data
	cd $(RUN_DIR) && ../flarevox --autoplay --exit-at-end

# The suite but the long real-time checks; it keeps real-time end-to-end runs
# of its own (real keys on the beat, the bot playing a song with a lead-in).
test: data
	cd $(BUILD_DIR) && $(XVFB) ctest --output-on-failure --timeout 600 -j$(JOBS) -LE 'realtime|netns'

# The long real-time checks: the sound server's timing, two-process network
# battles, a song with every timing gimmick, the README's pictures. Those whose
# timing a busy machine would spoil run alone.
test-realtime: data
	@scripts/install-deps realtime
	cd $(BUILD_DIR) && $(XVFB) ctest --output-on-failure --timeout 600 -j$(JOBS) -L realtime

# Two real games battle by room code from two homes behind routers that
# translate addresses, built as network namespaces with nftables: directly,
# through the server, and with delay and loss. Needs root; says so and skips
# without it.
test-netns: data
	@scripts/install-deps netns || echo "test-netns: iproute2 and nftables could not be installed; the tests say what they miss"
	cd $(BUILD_DIR) && $(XVFB) ctest --output-on-failure --timeout 300 -L netns

# The whole suite built with -fsanitize=address,undefined. The tests' launcher
# sets the sanitizer options and tests/lsan.supp (third-party leaks only).
test-asan: deps
	@scripts/install-deps realtime
	@cmake -S . -B $(ASAN_DIR) $(CMAKE_ARGS) $(ASAN_ARGS) -DFLAREVOX_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j$(JOBS)
	@cmake --build $(ASAN_DIR) --target data
	cd $(ASAN_DIR) && ASAN_OPTIONS=$(ASAN_OPTIONS_TESTS) $(XVFB) \
		ctest --output-on-failure --timeout 900 -j$(JOBS) -LE 'realtime|netns'
	cd $(ASAN_DIR) && ASAN_OPTIONS=$(ASAN_OPTIONS_TESTS) $(XVFB) \
		ctest --output-on-failure --timeout 900 -j$(JOBS) -L realtime -R '$(ASAN_REALTIME)'

# libFuzzer targets of fuzz/, built with clang into $(FUZZ_DIR).
fuzz-build: deps
	@scripts/install-deps fuzz
	@cmake -S . -B $(FUZZ_DIR) $(CMAKE_ARGS) $(FUZZ_ARGS) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DFLAREVOX_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS) --target fuzzers

# Runs every target for FUZZ_SECONDS and prints executions and findings per target.
fuzz: fuzz-build
	@scripts/run-fuzzers $(FUZZ_DIR) $(FUZZ_SECONDS)

fuzz-smoke:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=5

# Rewrites the generated seed files of fuzz/corpus/.
fuzz-seeds: fuzz-build
	@cmake --build $(FUZZ_DIR) --target fuzz-seeds
	$(FUZZ_DIR)/fuzz/fuzz-seeds fuzz/corpus

# PNG previews of the forged textures and meshes in $(BUILD_DIR)/previews/.
previews: data
	@scripts/install-deps pictures
	@cmake --build $(BUILD_DIR) --target forge_previews

# docs/screenshot-story.png and docs/screenshot-play.png, made under Xvfb.
screenshots: data
	@scripts/install-deps pictures
	@scripts/screenshots $(BUILD_DIR)

# The performance benchmark: one table on standard output and in
# $(BUILD_DIR)/bench/results.csv. BENCH_SONG_SECONDS shortens the song clock's
# run (the whole song, about two minutes, by default).
BENCH_SONG_SECONDS ?=
bench: data
	@scripts/install-deps realtime
	@cmake --build $(BUILD_DIR) --target flarevox-bench -j$(JOBS)
	cd $(RUN_DIR) && xvfb-run -a -s "-screen 0 1280x1024x24" ../bench/flarevox-bench \
		--csv=../bench/results.csv --reader-folder=$(CURDIR)/tests/data/realfiles \
		$(if $(BENCH_SONG_SECONDS),--song-seconds=$(BENCH_SONG_SECONDS))

# The Debian package $(BUILD_DIR)/flarevox_<version>_amd64.deb (CPack, with the
# library dependencies from dpkg-shlibdeps). Its time stamps are the last
# commit's, so that builds of one commit give the same bytes.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
package: data
	@scripts/install-deps package
	cd $(BUILD_DIR) && $(if $(SOURCE_DATE_EPOCH),SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH)) \
		cpack -G DEB --config CPackConfig.cmake

# Checks the package (files, lintian, AppStream metadata, manual pages,
# changelog), installs it with apt-get, starts `flarevox` from a scratch home
# under Xvfb and removes the package again (root); then checks that it is
# reproducible.
test-package: package
	@scripts/test-package $(BUILD_DIR)
	@$(TEST_REPRODUCIBLE)

# Builds the package once more from scratch, in $(BUILD_DIR)-reproducible
# (only what it holds), and checks that both are the same bytes.
TEST_REPRODUCIBLE = SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) CMAKE_ARGS="$(CMAKE_ARGS)" JOBS=$(JOBS) \
	scripts/test-reproducible $(BUILD_DIR)
test-reproducible: package
	@$(TEST_REPRODUCIBLE)

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-reproducible* $(ASAN_DIR) $(FUZZ_DIR)
