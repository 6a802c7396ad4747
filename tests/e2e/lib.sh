# Helpers for end-to-end tests that drive the real k3d binary under its own
# X server. A test script gets the build directory as $1:
#
#   . "$(dirname "$0")/lib.sh"
#   e2e_init "$1" [SCREEN]   # E2E_GAME: a private game dir under /tmp (k3d,
#                            # links to the data, its own Orvi/), own Xvfb
#   e2e_write_config DIGITS  # Orvi/quon.cfg (windowed 640 x 480 by default)
#   e2e_start_game [ENV=V]   # E2E_PID; output in stdout.txt and stderr.txt
#   e2e_wait_window          # E2E_WINDOW
#   e2e_key / e2e_click / e2e_shift_f12 / e2e_screenshot FILE
#   e2e_close_window; e2e_wait_exit 20   # E2E_STATUS (124: timed out)
#   e2e_pass | e2e_fail MESSAGE
#
# e2e_wait_file PATH [S] and e2e_wait_log TEXT [S] return 1 on time-out.

E2E_BUILD=""
E2E_GAME=""
E2E_PID=""
E2E_STATUS=""
E2E_WINDOW=""
E2E_XVFB_PID=""

e2e_cleanup() {
    if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill "$E2E_PID" 2>/dev/null
        sleep 0.2
        kill -9 "$E2E_PID" 2>/dev/null
    fi
    if [ -n "$E2E_XVFB_PID" ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
        kill "$E2E_XVFB_PID" 2>/dev/null
    fi
    if [ -n "$E2E_GAME" ] && [ -d "$E2E_GAME" ] && [ -z "${E2E_KEEP:-}" ]; then
        rm -rf "$E2E_GAME"
    fi
}

e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -n "$E2E_GAME" ]; then
        [ -f "$E2E_GAME/log.txt" ] && tail -n 20 "$E2E_GAME/log.txt" >&2
        [ -s "$E2E_GAME/stderr.txt" ] && tail -n 10 "$E2E_GAME/stderr.txt" >&2
    fi
    exit 1
}

e2e_pass() {
    echo "PASS: ${1:-$(basename "$0")}"
    exit 0
}

e2e_init() {
    E2E_BUILD=$(cd "${1:?build directory}" && pwd) || e2e_fail "no build directory $1"
    local screen=${2:-1280x1024x24}
    [ -x "$E2E_BUILD/k3d" ] || e2e_fail "no k3d in $E2E_BUILD"
    E2E_GAME=$(mktemp -d /tmp/k3d-e2e.XXXXXX)
    trap e2e_cleanup EXIT

    cp "$E2E_BUILD/k3d" "$E2E_GAME/k3d"
    local dir
    for dir in Mesh Texture Sample Music; do
        [ -e "$E2E_BUILD/$dir" ] && ln -s "$E2E_BUILD/$dir" "$E2E_GAME/$dir"
    done
    mkdir -p "$E2E_GAME/Orvi"
    if [ -d "$E2E_BUILD/Orvi" ]; then
        for dir in "$E2E_BUILD"/Orvi/*/; do
            [ -d "$dir" ] && ln -s "${dir%/}" "$E2E_GAME/Orvi/$(basename "$dir")"
        done
        [ -f "$E2E_BUILD/Orvi/episode.pak" ] && cp "$E2E_BUILD/Orvi/episode.pak" "$E2E_GAME/Orvi/"
    fi
    # Windowed 640 x 480 unless the test writes its own.
    e2e_write_config 222123531122111321111111111111

    e2e_own_display "$screen"
}

# An X server of our own: tests run in parallel must never see each other's
# windows, pointer or keyboard. Sets DISPLAY and E2E_XVFB_PID; e2e_cleanup
# stops the server.
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/own-x-server.sh"
e2e_own_display() {
    own_x_server "${1:-1280x1024x24}" || e2e_fail "Xvfb did not start"
    E2E_XVFB_PID=$OWN_X_SERVER_PID
}

e2e_write_config() {
    printf '%s' "$1" >"$E2E_GAME/Orvi/quon.cfg"
}

e2e_start_game() {
    (
        cd "$E2E_GAME" || exit 1
        export SDL_AUDIODRIVER=dummy
        local assignment
        for assignment in "$@"; do export "${assignment?}"; done
        exec ./k3d >"$E2E_GAME/stdout.txt" 2>"$E2E_GAME/stderr.txt"
    ) &
    E2E_PID=$!
}

e2e_wait_window() {
    local limit=$((${1:-30} * 10)) i
    for ((i = 0; i < limit; i++)); do
        E2E_WINDOW=$(xdotool search --pid "$E2E_PID" --name '^K3D$' 2>/dev/null | head -n 1)
        [ -n "$E2E_WINDOW" ] && return 0
        kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "k3d ended before its window showed"
        sleep 0.1
    done
    e2e_fail "no K3D window after ${1:-30} s"
}

e2e_wait_file() {
    local limit=$((${2:-20} * 10)) i
    for ((i = 0; i < limit; i++)); do
        [ -s "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

e2e_wait_log() {
    local limit=$((${2:-20} * 10)) i
    for ((i = 0; i < limit; i++)); do
        grep -qF -- "$1" "$E2E_GAME/log.txt" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# Keys go to the focused window; windowfocus needs no window manager.
e2e_focus() {
    xdotool windowfocus --sync "$E2E_WINDOW" 2>/dev/null || xdotool windowfocus "$E2E_WINDOW"
}

e2e_key() {
    e2e_focus
    local key
    for key in "$@"; do
        xdotool keydown "$key"
        sleep 0.1
        xdotool keyup "$key"
        sleep 0.05
    done
}

e2e_shift_f12() {
    e2e_focus
    xdotool keydown Shift_L
    sleep 0.1
    xdotool keydown F12
    sleep 0.1
    xdotool keyup F12
    sleep 0.1
    xdotool keyup Shift_L
    sleep 0.2
}

e2e_click() {
    local button=${1:-1}
    xdotool mousedown "$button"
    sleep 0.1
    xdotool mouseup "$button"
}

e2e_screenshot() {
    import -window root "$1"
}

# A WM_DELETE_WINDOW message, what a window manager sends on close. There
# is no window manager here and xdotool has no such command, so a small
# helper is built once per run with the system's X library.
e2e_close_window() {
    local helper="$E2E_GAME/.close-window"
    if [ ! -x "$helper" ]; then
        cat >"$helper.c" <<'CEOF'
#include <X11/Xlib.h>
#include <stdlib.h>
int main(int argc, char** argv) {
    Display* display = XOpenDisplay(NULL);
    if (!display || argc < 2) return 1;
    Window window = (Window)strtoul(argv[1], NULL, 0);
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return 0;
}
CEOF
        cc -o "$helper" "$helper.c" -lX11 || e2e_fail "cannot build the close helper"
    fi
    "$helper" "$E2E_WINDOW" || e2e_fail "cannot send the close message"
}

e2e_wait_exit() {
    local limit=$((${1:-20} * 10)) i
    for ((i = 0; i < limit; i++)); do
        if ! kill -0 "$E2E_PID" 2>/dev/null; then
            E2E_STATUS=0
            wait "$E2E_PID" || E2E_STATUS=$?
            return 0
        fi
        sleep 0.1
    done
    kill -9 "$E2E_PID" 2>/dev/null
    wait "$E2E_PID" 2>/dev/null
    E2E_STATUS=124
    return 1
}
