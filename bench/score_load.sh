#!/usr/bin/env bash
# The score server under load, on loopback: 64 clients, a new connection per
# request, nine table reads to one submission; once on SQLite, once on
# PostgreSQL (a throw-away cluster of scripts/with-postgres unless
# K3D_TEST_POSTGRES names one). Bounded: at most REQUESTS requests and
# SECONDS seconds a run. A measurement, never a pass/fail test.
# Usage: bench/score_load.sh [BUILD] [REQUESTS] [SECONDS]
set -uo pipefail
build=$(cd "${1:-build}" && pwd) requests=${2:-60000} seconds=${3:-20}
here=$(cd "$(dirname "$0")" && pwd)
server=$build/k3d-score-server load=$build/bench/k3d-score-load

if [ -z "${K3D_TEST_POSTGRES:-}" ]; then
  exec "$here/../scripts/with-postgres" "$0" "$build" "$requests" "$seconds"
fi

work=$(mktemp -d /tmp/k3d-load.XXXXXX)
pid=
finish() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap finish EXIT

run() { # name database
  "$server" --port 0 --submit-limit 0 --db "$2" >"$work/$1.log" 2>&1 &
  pid=$!
  local port=
  for i in $(seq 1 100); do
    port=$(grep -o 'listening on 127.0.0.1:[0-9]*' "$work/$1.log" | cut -d: -f2)
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "$1: the server did not start"; cat "$work/$1.log"; return 1; }
  echo "== $1 ($(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg))"
  local before after
  before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  "$load" --port "$port" --clients 64 --requests "$requests" --seconds "$seconds"
  after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  echo "server CPU: $(( (after - before) * 10 )) ms"
  kill "$pid"; wait "$pid"; pid=
}

run sqlite "$work/scores.db"
psql_url=${K3D_TEST_POSTGRES%/*}/k3d_load
psql "$K3D_TEST_POSTGRES" -qc "DROP DATABASE IF EXISTS k3d_load" -c "CREATE DATABASE k3d_load" &&
  run postgresql "$psql_url"
psql "$K3D_TEST_POSTGRES" -qc "DROP DATABASE IF EXISTS k3d_load WITH (FORCE)" >/dev/null 2>&1
