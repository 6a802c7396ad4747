#!/usr/bin/env bash
# Full screen by the default settings: the window covers the desktop
# without a mode switch, the game's 640 x 480 picture is scaled into a
# centred 4:3 box with black bars, and screenshots keep the game's size.
# Usage: fullscreen_test.sh BUILD_DIR
set -uo pipefail
. "$(dirname "$0")/lib.sh"

e2e_init "$1" 1280x1024x24
e2e_write_config 221123531122111321111111111111
e2e_start_game
e2e_wait_window 60
e2e_wait_log "Entering animation loop" 60 || e2e_fail "the frame loop never started"
sleep 1

geometry=$(xdotool getwindowgeometry "$E2E_WINDOW")
echo "$geometry" | grep -q "Geometry: 1280x1024" || e2e_fail "not full screen: $geometry"

e2e_shift_f12
e2e_wait_file "$E2E_GAME/screenshot1.tga" 10 || e2e_fail "no screenshot1.tga"
size=$(identify -format '%wx%h' "$E2E_GAME/screenshot1.tga")
[ "$size" = "640x480" ] || e2e_fail "the screenshot is $size, not the game's 640x480"

e2e_screenshot "$E2E_GAME/screen.png"
# 1280 x 960 picture from y = 32: the bars above and below stay black.
brightest() { convert "$E2E_GAME/screen.png" -crop "$1" +repage -format '%[fx:maxima.r+maxima.g+maxima.b]' info:; }
top=$(brightest 1280x32+0+0)
bottom=$(brightest 1280x32+0+992)
middle=$(brightest 1280x960+0+32)
[ "$top" = "0" ] || e2e_fail "the top bar is not black ($top)"
[ "$bottom" = "0" ] || e2e_fail "the bottom bar is not black ($bottom)"
awk -v m="$middle" 'BEGIN { exit !(m > 0.3) }' || e2e_fail "nothing drawn in the picture ($middle)"

e2e_close_window
e2e_wait_exit 20 || e2e_fail "the game did not end after its window was closed"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS, not 0"
e2e_pass
