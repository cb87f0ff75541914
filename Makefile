# Flarevox: `make play` to play, `make test` to run the whole test suite.
# Both install missing Debian packages, configure, build and generate the data.

BUILD_DIR ?= build
RUN_DIR   := $(BUILD_DIR)/run
JOBS      ?= 2
CMAKE_ARGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build data play autoplay test previews screenshots bench clean

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

test: data
	cd $(BUILD_DIR) && xvfb-run -a -s "-screen 0 1280x1024x24" \
		ctest --output-on-failure --timeout 600 -j$(JOBS)

# PNG previews of the forged textures and meshes in $(BUILD_DIR)/previews/.
previews: data
	@cmake --build $(BUILD_DIR) --target forge_previews

# docs/screenshot-story.png and docs/screenshot-play.png, made under Xvfb.
screenshots: data
	@scripts/screenshots $(BUILD_DIR)

# The performance benchmark: one table on standard output and in
# $(BUILD_DIR)/bench/results.csv. BENCH_SONG_SECONDS shortens the song clock's
# run (the whole song, about two minutes, by default).
BENCH_SONG_SECONDS ?=
bench: data
	@cmake --build $(BUILD_DIR) --target flarevox-bench -j$(JOBS)
	cd $(RUN_DIR) && xvfb-run -a -s "-screen 0 1280x1024x24" ../bench/flarevox-bench \
		--csv=../bench/results.csv --reader-folder=$(CURDIR)/tests/data/realfiles \
		$(if $(BENCH_SONG_SECONDS),--song-seconds=$(BENCH_SONG_SECONDS))

clean:
	rm -rf $(BUILD_DIR)
