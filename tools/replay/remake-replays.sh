#!/usr/bin/env bash
# Plays every replay of tests/replays again with the scripted player and the
# options it was made with (its "# autoplay" line), keeping its note. Use it
# when a deliberate change of the rules or of the ship and ball meshes makes
# the recorded input play a different game; then check the new digests.
# Usage: tools/replay/remake-replays.sh BUILD_DIR [REPLAY...]
set -euo pipefail
build=$1; shift
tool="$build/tools/k3d-replay"
here=$(cd "$(dirname "$0")/../.." && pwd)
files=("$@")
[ ${#files[@]} -gt 0 ] || files=("$here"/tests/replays/*.replay)
for f in "${files[@]}"; do
    args=$(sed -n 's/^# autoplay //p' "$f" | head -1)
    if [ -z "$args" ]; then
        echo "$f: not made by autoplay, record it again by hand" >&2
        continue
    fi
    note=$(sed -n '2{/^# autoplay /!s/^# //p}' "$f")
    # shellcheck disable=SC2086 # the options are words
    SDL_AUDIODRIVER=dummy xvfb-run -a "$tool" autoplay "$f" $args --data "$build" --note "$note"
done
