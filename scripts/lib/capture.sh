# Sourced by the picture scripts. capture <build dir> <out.ppm> <frame number|showcase|results|library:N>
# [game options...]: runs the game of <build dir> under a virtual X server on the
# simulated clock (60 frames a second, silent sound) from a scratch copy of its run
# folder until the frame is written, and fails when none is.
capture() {
  local build=$1 out=$2 frame=$3 when=
  shift 3
  case "$frame" in
    showcase | results) when=$frame ;;
    library:*) when=library frame=${frame#library:} ;;
  esac
  # A folder of its own: no records or speeds of earlier runs show, and the
  # player's own stay untouched.
  local folder
  folder=$(mktemp -d)
  cp -r "$build/run/Conf" "$folder/"
  for data in Data Icons Songs; do ln -s "$build/run/$data" "$folder/$data"; done
  (
    cd "$folder"
    FLAREVOX_NO_DIALOGS=1 SDL_AUDIODRIVER=dummy FLAREVOX_SIMULATED_FPS=60 \
      FLAREVOX_CAPTURE_FRAME="$out" FLAREVOX_CAPTURE_AFTER="$frame" FLAREVOX_CAPTURE_WHEN="$when" \
      xvfb-run -a -s "-screen 0 1280x1024x24" "$build/flarevox" "$@" >/dev/null 2>&1 &
    local runner=$!
    for _ in $(seq 1 1200); do
      [ -f "$out" ] && break
      kill -0 "$runner" 2>/dev/null || break
      sleep 0.25
    done
    # Ends xvfb-run's own children, then xvfb-run itself.
    pkill -TERM -P "$runner" 2>/dev/null || true
    kill -TERM "$runner" 2>/dev/null || true
    wait "$runner" 2>/dev/null || true
  )
  rm -rf "$folder"
  [ -f "$out" ] || { echo "no frame for $out" >&2; return 1; }
}

# The README's three pictures into <folder> as story.ppm, play.ppm and results.ppm.
capture_readme_pictures() {
  local build=$1 folder=$2
  capture "$build" "$folder/story.ppm" library:30
  capture "$build" "$folder/play.ppm" showcase --autoplay
  capture "$build" "$folder/results.ppm" results --song "Songs/Flarevox/Daybreak" --difficulty Medium \
    --difficulty2 Hard --autoplay
}

# Pixels of two pictures whose colours differ by more than 2 % in a channel
# (compare exits with 1 when they differ at all).
differing_pixels() {
  local count
  count=$(compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 >/dev/null || true)
  count=${count%% *}
  [[ "$count" =~ ^[0-9]+$ ]] || { echo "cannot compare $1 with $2: $count" >&2; return 1; }
  echo "$count"
}
