#!/usr/bin/env bash
# What the player hears at start-up: with the SDL disk driver the menu tune
# is in the written audio within two seconds of the device opening; with no
# audio device at all the game runs silent, with its window, and does not
# crash.
# Usage: audio_startup_test.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?build directory}" && pwd)
. "$(dirname "$0")/lib.sh"
e2e_own_display 1280x1024x24

game=$(mktemp -d /tmp/k3d-audio.XXXXXX)
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; fi
    rm -rf "$game"
    kill "$E2E_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$game/log.txt" ] && tail -n 30 "$game/log.txt" >&2
    [ -s "$game/stderr.txt" ] && tail -n 10 "$game/stderr.txt" >&2
    exit 1
}

cp "$build/k3d" "$game/"
for dir in Mesh Texture Orvi Sample Music; do
    [ -d "$build/$dir" ] && cp -r "$build/$dir" "$game/"
done
mkdir -p "$game/Orvi"
# 640 x 480, 32 bits, windowed, music choice "100" (volume 70).
printf '%s' "222125531122111321111111111111" >"$game/Orvi/quon.cfg"

# Runs the game until its window shows, then lets it play for $1 seconds.
run_game() {
    (cd "$game" && exec ./k3d >/dev/null 2>>"$game/stderr.txt") &
    pid=$!
    xdotool search --sync --onlyvisible --name "K3D" >/dev/null || fail "no game window"
    sleep "$1"
    kill -0 "$pid" 2>/dev/null || fail "the game ended on its own"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
}

# 1. The disk driver, at real-time pace. Phases 1 and 2 need the generated
# sounds; without them only the silent run can be checked.
if [ ! -f "$game/Music/quon.xm" ] || [ ! -f "$game/Sample/click.ogg" ]; then
    echo "SKIP: no generated Music/quon.xm or Sample/*.ogg in $build: only the silent run"
else
export SDL_AUDIODRIVER=disk
export SDL_DISKAUDIOFILE="$game/heard.raw"
unset SDL_DISKAUDIODELAY
run_game 3
[ -s "$game/heard.raw" ] || fail "the disk driver wrote nothing"
# First stereo frame (4 bytes) with a sample beyond a faint level.
first=$(od -An -v -td2 -w4 "$game/heard.raw" |
    awk '!found && ($1 > 200 || $1 < -200 || $2 > 200 || $2 < -200) { print NR - 1; found = 1 }')
[ -n "$first" ] || fail "only silence was written"
[ "$first" -lt 88200 ] || fail "the first sound came at frame $first, past two seconds"
grep -q "Loading:  Music.quon.xm" "$game/log.txt" || fail "no loading line for the music"
echo "menu tune heard from frame $first"

# 2. Menu effects with the music turned down to "0": what is heard after
# the pointer reaches PLAY and clicks it is the rollover and the click.
printf '%s' "222121531122111321111111111111" >"$game/Orvi/quon.cfg"
rm -f "$game/heard.raw" "$game/log.txt"
(cd "$game" && exec ./k3d >/dev/null 2>>"$game/stderr.txt") &
pid=$!
window=$(xdotool search --sync --onlyvisible --name "K3D" | head -n 1) || fail "no game window"
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 1.5
xdotool keydown --window "$window" space
sleep 0.15
xdotool keyup --window "$window" space
sleep 1.5
quiet=$(stat -c %s "$game/heard.raw")
xdotool mousemove --window "$window" 158 420 # PLAY, seen at z 0.7
sleep 0.5
xdotool mousedown 1
sleep 0.2
xdotool mouseup 1
sleep 1.0
if ! kill "$pid" 2>/dev/null; then
    status=0
    wait "$pid" || status=$?
    pid=""
    fail "the game ended on its own during the menu clicks (status $status)"
fi
wait "$pid" 2>/dev/null || true
pid=""
loud_after() {
    od -An -v -td2 -w4 -j "$1" -N "$2" "$game/heard.raw" |
        awk '($1 > 200 || $1 < -200 || $2 > 200 || $2 < -200) { n++ } END { print n + 0 }'
}
before=$(loud_after 0 "$quiet")
after=$(loud_after "$quiet" 100000000)
[ "$before" -eq 0 ] || fail "$before loud frames before the pointer moved (music should be off)"
[ "$after" -gt 1000 ] || fail "no effect heard on rollover and click ($after loud frames)"
echo "menu effects heard ($after loud frames)"
fi

# 3. No audio device: silent, but the game runs.
printf '%s' "222125531122111321111111111111" >"$game/Orvi/quon.cfg"
rm -f "$game/heard.raw" "$game/log.txt"
export SDL_AUDIODRIVER=no-such-driver
run_game 2
grep -q "Loading:  Sample.click.ogg" "$game/log.txt" || fail "the bank was not loaded"
[ ! -e "$game/heard.raw" ] || fail "audio was written without a device"
echo "silent run without a device"
