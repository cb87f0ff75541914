#!/bin/sh
# The launcher against a staged, read-only installation of the build in $1,
# with spaces in every path: a first start of the real game (up to its first
# frame), a second start that must keep the player's files, a damaged folder
# repaired, and the places where the player's folder cannot be made.
set -u
build=$1
if [ -z "${DISPLAY-}" ]; then
    exec xvfb-run -a sh "$0" "$@"
fi
scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
prefix="$scratch/game prefix"
home="$scratch/home dir"
failures=0

check() {
    message=$1
    shift
    "$@" || { echo "FAILED: $message" >&2; failures=$((failures + 1)); }
}
listing() { find "$prefix" -printf '%p %s %m %T@\n' | sort; }
launch() { env HOME="$home" FLAREVOX_SONG_DIRS=/extra "$prefix/games/flarevox" "$@" >"$scratch/stdout" 2>"$scratch/stderr"; }

cmake --install "$build" --prefix "$prefix" >/dev/null || exit 1
data="$prefix/share/flarevox"
mkdir -p "$data/Songs/Installed Song"
chmod -R a-w "$prefix"
before=$(listing)
player="$home/.local/share/flarevox"
mkdir -p "$home"

# First start: the real game, ended by its start-up timer after the first frame.
FLAREVOX_STARTUP_TIMES=times.txt launch
first=$?
check "first start exits 0 (got $first: $(cat "$scratch/stderr"))" [ "$first" -eq 0 ]
check "the configuration is the installed default" cmp -s "$player/Conf/global.cfg" "$data/Conf/global.cfg"
check "the configuration is writable by the player" [ "$(stat -c %A "$player/Conf/global.cfg" | cut -c3)" = w ]
check "Data links to the installed data" [ "$(readlink "$player/Data")" = "$(cd "$data" && pwd -P)/Data" ]
check "Songs/ is a folder" [ -d "$player/Songs" ]
check "the game wrote its log in the player's folder" [ -s "$player/output.log" ]
check "the game drew its first frame" [ -s "$player/times.txt" ]
check "the game changed nothing in the installation" [ "$(listing)" = "$before" ]
check "the terminal stays quiet: the debugging output goes to debug.log" [ ! -s "$scratch/stdout" ]
check "debug.log holds the debugging output" grep -q TEST "$player/debug.log"
launch --help
check "--help ends well" [ $? -eq 0 ]
check "--help prints the options on the terminal" grep -q -- "--difficulty2" "$scratch/stdout"

# The rest runs a stand-in that notes where it ran, its arguments and song folders.
chmod u+w "$prefix/libexec/flarevox"
mv "$prefix/libexec/flarevox/flarevox" "$scratch/real-game"
cat >"$prefix/libexec/flarevox/flarevox" <<'STANDIN'
#!/bin/sh
{ pwd; printf '%s\n' "$@"; echo "$FLAREVOX_SONG_DIRS"; } >output.log
STANDIN
chmod a+x-w "$prefix/libexec/flarevox/flarevox" "$prefix/libexec/flarevox"
before=$(listing)

# Second start: nothing the player made is touched.
echo "# changed by the player" >>"$player/Conf/global.cfg"
mkdir "$player/Songs/Mine"
check "second start exits 0" launch --autoplay "two words"
check "the changed configuration is kept" grep -q "changed by the player" "$player/Conf/global.cfg"
check "the player's song is kept" [ -d "$player/Songs/Mine" ]
expected=$(printf '%s\n' "$player" --autoplay "two words" "/extra:$(cd "$data" && pwd -P)/Songs")
check "runs in the player's folder with the arguments and song folders" [ "$(cat "$player/output.log")" = "$expected" ]

# A damaged folder: each part broken in turn, repaired without losing anything.
for damage in "Conf missing" "Data dangling" "Data elsewhere" "Songs a file" "global.cfg a folder"; do
    case $damage in
    "Conf missing") rm -r "$player/Conf" ;;
    "Data dangling") ln -sfn "$scratch/nowhere" "$player/Data" ;;
    "Data elsewhere") ln -sfn "$scratch" "$player/Data" ;;
    "Songs a file") rm -r "$player/Songs" && echo keep >"$player/Songs" ;;
    "global.cfg a folder") rm "$player/Conf/global.cfg" && mkdir "$player/Conf/global.cfg" ;;
    esac
    check "$damage: exits 0" launch
    check "$damage: configuration back" cmp -s "$player/Conf/global.cfg" "$data/Conf/global.cfg"
    check "$damage: Data repaired" [ "$(readlink "$player/Data")" = "$(cd "$data" && pwd -P)/Data" ]
    check "$damage: Songs/ a folder" [ -d "$player/Songs" ]
done
check "the file in the way of Songs/ is kept" grep -qx keep "$player"/Songs.moved-aside-*
check "the folder in the way of global.cfg is kept" [ -d "$(echo "$player"/Conf/global.cfg.moved-aside-*)" ]

# A real folder named Data is the player's: left alone, with a warning.
rm "$player/Data" && mkdir "$player/Data"
check "a Data folder: exits 0" launch
check "a Data folder is left alone" [ ! -L "$player/Data" ]
check "a Data folder is warned about" grep -q "Data' is a folder of its own" "$scratch/stderr"

# XDG_DATA_HOME with spaces is used; an empty or relative one is ignored.
check "XDG_DATA_HOME with spaces" env XDG_DATA_HOME="$scratch/xdg data" sh -c '"$0" && [ -d "$1/flarevox/Conf" ]' \
    "$prefix/games/flarevox" "$scratch/xdg data"
rm -rf "$player"
check "relative XDG_DATA_HOME ignored" env XDG_DATA_HOME=relative HOME="$home" sh -c 'cd "$1" && "$0"' \
    "$prefix/games/flarevox" "$scratch"
check "... and the default folder used" [ -d "$player/Conf" ]
check "... not one below the working directory" [ ! -e "$scratch/relative" ]

# Where the folder cannot be made: a clear message and a non-zero exit.
echo "not a folder" >"$scratch/a file"
XDG_DATA_HOME="$scratch/a file/below" launch
check "a folder below a file fails" [ $? -ne 0 ]
check "... saying which folder" grep -q "cannot create.*a file/below/flarevox" "$scratch/stderr"
if [ "$(id -u)" -ne 0 ]; then # root writes into read-only folders
    chmod a-w "$home"
    XDG_DATA_HOME="$home/new" launch
    check "a read-only home fails" [ $? -ne 0 ]
    check "... saying so" grep -q "cannot create" "$scratch/stderr"
    chmod u+w "$home"
fi

check "the installation is unchanged" [ "$(listing)" = "$before" ]
[ "$failures" -eq 0 ] && echo "launcher: all checks passed"
exit "$failures"
