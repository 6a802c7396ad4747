# Starts an X server of our own for tests and benchmarks. Source it, then:
#
#   own_x_server [SCREEN] [XVFB OPTION...] || exit 1
#
# SCREEN defaults to 1280x1024x24. On success DISPLAY is exported and
# OWN_X_SERVER_PID holds the server's pid (the caller stops it); software
# GL is forced, as tests and benchmarks must not depend on a GPU.
#
# Xvfb picks a free display number itself and tells it through -displayfd:
# picking one here (as xvfb-run -a does) can race another run taking the same
# number at the same moment. -noreset: a server that resets whenever its last
# client leaves refuses the next client's connection while it does, one window
# in a few hundred when short tests start and end every second.
own_x_server() {
    local screen=${1:-1280x1024x24}
    [ $# -gt 0 ] && shift
    local fifo number
    fifo=$(mktemp -u /tmp/k3d-display.XXXXXX)
    mkfifo "$fifo" || { echo "own_x_server: no fifo for the display number" >&2; return 1; }
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset "$@" 3>"$fifo" >/dev/null 2>&1 &
    OWN_X_SERVER_PID=$!
    if ! read -r -t 60 number <"$fifo"; then
        rm -f "$fifo"
        echo "own_x_server: Xvfb did not start" >&2
        return 1
    fi
    rm -f "$fifo"
    export DISPLAY=":$number"
    export LIBGL_ALWAYS_SOFTWARE=1
}
