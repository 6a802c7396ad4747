#!/usr/bin/env bash
# The installed game: `cmake --install` into a staging prefix lays out the
# programs, the data, the desktop entry, the icons, the metainfo, the man
# pages and the server's unit; the desktop entry and the metainfo pass their
# validators. The installed game then runs twice with an empty HOME (a first
# start in full screen, then with windowed settings in the user folder,
# saved again through SETUP and ACCEPT) and writes its log, screenshot and
# settings into the user's folders, nothing into the prefix or the
# directory it was started from.
# Usage: install_test.sh BUILD_DIR
set -uo pipefail
. "$(dirname "$0")/lib.sh"

e2e_init "$1" 1280x1024x24
stage="$E2E_GAME/stage"
prefix="$stage/usr"
mkdir -p "$stage"
cmake --install "$E2E_BUILD" --prefix "$prefix" >"$E2E_GAME/install.txt" 2>&1 ||
    e2e_fail "cmake --install failed: $(tail -n 5 "$E2E_GAME/install.txt")"

# --- the layout --------------------------------------------------------
for file in bin/k3d bin/k3d-score-server; do
    [ -x "$prefix/$file" ] || e2e_fail "no executable $file"
done
data="$prefix/share/k3d"
for file in Orvi/episode.pak Music/quon.xm Texture/font.tga Orvi/Arcade Mesh Sample; do
    [ -e "$data/$file" ] || e2e_fail "no $file in share/k3d"
done
[ "$(find "$data" -name '*.cfg' -o -name 'scores*' -o -name 'screenshot*' | wc -l)" -eq 0 ] ||
    e2e_fail "a player's file was installed with the data"
for size in 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/k3d.png"
    [ "$(identify -format '%m %wx%h' "$icon" 2>/dev/null)" = "PNG ${size}x${size}" ] ||
        e2e_fail "icon $icon is not a ${size}x${size} PNG"
done
desktop="$prefix/share/applications/org.telvanor.k3d.desktop"
metainfo="$prefix/share/metainfo/org.telvanor.k3d.metainfo.xml"
desktop-file-validate "$desktop" || e2e_fail "desktop-file-validate refuses the desktop entry"
grep -qx 'Icon=k3d' "$desktop" || e2e_fail "the desktop entry names another icon"
appstreamcli validate --no-net --pedantic "$metainfo" >"$E2E_GAME/metainfo.txt" 2>&1 ||
    e2e_fail "appstreamcli refuses the metainfo: $(cat "$E2E_GAME/metainfo.txt")"
grep -q '<screenshot' "$metainfo" || e2e_fail "the metainfo has no screenshot"
for page in man6/k3d.6.gz man8/k3d-score-server.8.gz; do
    [ -n "$(zcat "$prefix/share/man/$page" 2>/dev/null | grep '^\.TH')" ] || e2e_fail "no man page $page"
done
unit="$prefix/lib/systemd/system/k3d-score-server.service"
[ -f "$unit" ] || e2e_fail "no systemd unit"
for line in DynamicUser=yes StateDirectory=k3d-score-server ProtectSystem=strict ProtectHome=yes \
    NoNewPrivileges=yes Restart=on-failure; do
    grep -qx "$line" "$unit" || e2e_fail "the unit lacks $line"
done
# The unit starts the server this install put in place.
server=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$unit")
[ "$server" = "$prefix/bin/k3d-score-server" ] || e2e_fail "ExecStart names $server, not the installed server"
grep -q '/var/lib/k3d-score-server/' "$unit" || e2e_fail "the database is not in the state directory"

# --- the installed game writes only into the user's folders -----------------
# The prefix's listing and checksums; HOME and the working directory are
# made first, so the stage's own entry cannot change (tmpfs counts entries).
export HOME="$stage/home"
unset XDG_DATA_HOME XDG_STATE_HOME XDG_CONFIG_HOME
mkdir -p "$HOME" "$stage/cwd"
snapshot() { (cd "$prefix" && find . -printf '%p %s %m\n' | sort && find . -type f -print0 | sort -z | xargs -0 md5sum); }
snapshot >"$E2E_GAME/before.txt"
user="$HOME/.local/share/k3d"
log="$HOME/.local/state/k3d/log.txt"

start_installed() {
    (
        cd "$stage/cwd" || exit 1
        export SDL_AUDIODRIVER=dummy
        exec "$prefix/bin/k3d" >"$E2E_GAME/stdout.txt" 2>"$E2E_GAME/stderr.txt"
    ) &
    E2E_PID=$!
}
wait_log_count() { # TEXT COUNT SECONDS
    local i
    for ((i = 0; i < $3 * 10; i++)); do
        [ "$(grep -cF -- "$1" "$log" 2>/dev/null || true)" -ge "$2" ] && return 0
        kill -0 "$E2E_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# A first start: no settings anywhere, so full screen at 400 x 300.
start_installed
e2e_wait_window 60
wait_log_count "Entering animation loop" 1 60 || e2e_fail "the installed game never reached its frame loop"
grep -qF "set screen 400x300" "$log" || e2e_fail "a first start did not use the built-in settings"
e2e_shift_f12
e2e_wait_file "$user/screenshot1.tga" 10 || e2e_fail "no screenshot1.tga in $user"
[ "$(identify -format '%wx%h' "$user/screenshot1.tga" 2>/dev/null)" = "400x300" ] ||
    e2e_fail "the screenshot is not the game's 400x300 picture"
e2e_close_window
e2e_wait_exit 20 || e2e_fail "the installed game did not end when its window closed"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS, not 0"
[ -e "$user/Orvi/quon.cfg" ] && e2e_fail "a first start wrote settings nobody chose"
tail -n 1 "$log" | grep -q $'\t''SYSTEM Exit Game$' || e2e_fail "the log does not end with Exit Game"

# The player's settings in the user folder: a 640 x 480 window. SETUP then
# ACCEPT saves them there again.
windowed=222123531122111321111111111111
printf '%s' "$windowed" >"$user/Orvi/quon.cfg"
start_installed
e2e_wait_window 60
wait_log_count "Entering animation loop" 1 60 || e2e_fail "the second start never reached its frame loop"
geometry=$(xdotool getwindowgeometry "$E2E_WINDOW")
echo "$geometry" | grep -q "Geometry: 640x480" || e2e_fail "the user's settings were not read: $geometry"
# Window pixel where a world point (x, y, z) of the 640 x 480 menu is seen:
# the view spans 0.55 x 0.4125 of the depth each side, and z = 0 lies 5
# units from the eye; the main menu's boxes stand at z = 0.7.
click_at() {
    xdotool mousemove --window "$E2E_WINDOW" \
        "$(awk -v x="$1" -v z="${3:-0}" 'BEGIN { printf "%d", 320 + x * 320 / 0.55 / (5 - z) }')" \
        "$(awk -v y="$2" -v z="${3:-0}" 'BEGIN { printf "%d", 240 - y * 240 / 0.4125 / (5 - z) }')"
    sleep 0.4
    e2e_click 1
    sleep 0.6
}
sleep 1
e2e_key space # leave the intro
sleep 0.6
click_at -0.4 -1.334 0.7 # SETUP, which reads the settings again
wait_log_count "Loading:  Orvi/quon.cfg" 2 20 || e2e_fail "SETUP did not open"
rm -f "$user/Orvi/quon.cfg"
click_at -1.282 -1.65 # ACCEPT
e2e_wait_file "$user/Orvi/quon.cfg" 10 || e2e_fail "ACCEPT wrote no settings into $user/Orvi"
[ "$(cat "$user/Orvi/quon.cfg")" = "$windowed" ] || e2e_fail "ACCEPT saved $(cat "$user/Orvi/quon.cfg")"
e2e_close_window
e2e_wait_exit 20 || e2e_fail "the second start did not end when its window closed"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS, not 0"

# What the two runs left: the user's files, and nothing else anywhere.
for file in "$log" "$user/screenshot1.tga" "$user/Orvi/quon.cfg"; do
    [ -s "$file" ] || e2e_fail "no $file"
done
snapshot >"$E2E_GAME/after.txt"
diff "$E2E_GAME/before.txt" "$E2E_GAME/after.txt" >"$E2E_GAME/prefix.diff" ||
    e2e_fail "the game changed the prefix: $(head -n 5 "$E2E_GAME/prefix.diff")"
[ -z "$(ls -A "$stage/cwd")" ] || e2e_fail "the game wrote into its working directory: $(ls -A "$stage/cwd")"
e2e_pass
