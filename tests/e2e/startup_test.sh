#!/usr/bin/env bash
# Start-up and exit of the real game: it opens windowed when its file says
# so, the screenshot key writes screenshot1..3.tga of the window's size,
# closing the window ends it with status 0, and log.txt has the game's line
# format with "SYSTEM Exit Game" last. With no display at all it exits 1
# with one line on stderr.
# Usage: startup_test.sh BUILD_DIR
set -uo pipefail
. "$(dirname "$0")/lib.sh"

e2e_init "$1"
# 640 x 480, 32 bits, full screen off.
e2e_write_config 222123531122111321111111111111
e2e_start_game
e2e_wait_window 60
e2e_wait_log "Entering animation loop" 60 || e2e_fail "the frame loop never started"

geometry=$(xdotool getwindowgeometry "$E2E_WINDOW")
echo "$geometry" | grep -q "Geometry: 640x480" || e2e_fail "window is not 640x480: $geometry"

for n in 1 2 3; do
    e2e_shift_f12
    e2e_wait_file "$E2E_GAME/screenshot$n.tga" 10 || e2e_fail "no screenshot$n.tga"
done
sleep 0.5
[ -e "$E2E_GAME/screenshot4.tga" ] && e2e_fail "three presses wrote a fourth screenshot"
for n in 1 2 3; do
    size=$(identify -format '%wx%h' "$E2E_GAME/screenshot$n.tga" 2>/dev/null)
    [ "$size" = "640x480" ] || e2e_fail "screenshot$n.tga decodes to '$size', not 640x480"
done
e2e_screenshot "$E2E_GAME/screen.png"

e2e_close_window
e2e_wait_exit 20 || e2e_fail "the game did not end after its window was closed"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS after closing, not 0"

log="$E2E_GAME/log.txt"
[ -s "$log" ] || e2e_fail "no log.txt beside the game"
line_format='^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} - \[threadId=[0-9]+\]'$'\t''- (fatal|warning|info|debug)'$'\t'
bad=$(grep -cvE "$line_format" "$log")
[ "$bad" -eq 0 ] || e2e_fail "$bad log lines break the line format"
last=$(tail -n 1 "$log")
case "$last" in
*$'\t'"SYSTEM Exit Game") ;;
*) e2e_fail "last log line is '$last'" ;;
esac
grep -qF "set screen 640x480 32Bits" "$log" || e2e_fail "no 'set screen' line"
cmp -s "$E2E_GAME/Orvi/quon.cfg" <(printf '%s' 222123531122111321111111111111) ||
    e2e_fail "the run changed its configuration file"

# No display at all: a fatal line, one line on stderr, status 1, quickly.
rm -f "$E2E_GAME/log.txt"
(
    unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
    cd "$E2E_GAME" && SDL_AUDIODRIVER=dummy timeout 30 ./k3d >/dev/null 2>"$E2E_GAME/nodisplay.txt"
)
status=$?
[ "$status" -eq 1 ] || e2e_fail "without a display the exit status is $status, not 1"
[ "$(wc -l <"$E2E_GAME/nodisplay.txt")" -ge 1 ] || e2e_fail "nothing said on stderr"
grep -q "display" "$E2E_GAME/nodisplay.txt" || e2e_fail "stderr does not name the display"
grep -qP '\t- fatal\t' "$E2E_GAME/log.txt" || e2e_fail "no fatal line in the log"

e2e_pass
