#!/usr/bin/env bash
# How fast the simulator answers one search for many boards, and how many of
# the replies cross the rig's veth into the tool's namespace. Root; prints
# figures, asserts nothing.
#
# Usage: bench/simulator_search.sh [BOARDS (default 20000)] [BUILD_DIR (default ./build)]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BOARDS="${1:-20000}"
BUILD="$(cd "${2:-$ROOT/build}" && pwd)"
SIMULATOR="$BUILD/tools/board_simulator/board_simulator"
FLOOD="$BUILD/bench/search_flood"
for binary in "$SIMULATOR" "$FLOOD"; do
    [ -x "$binary" ] || { echo "missing $binary: build first (cmake --build $BUILD)" >&2; exit 1; }
done
build_type="$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$BUILD/CMakeCache.txt")"

# Inside the tool's namespace: the simulator's CPU time around one search.
measure='
cpu_ticks() { awk "{print \$14 + \$15}" "/proc/$QUORVEL_SIM_PID/stat"; }
hz=$(getconf CLK_TCK)
before=$(cpu_ticks)
"$0" --port 3040 --expect "$1" --timeout-ms 20000 --quiet-ms 1000
after=$(cpu_ticks)
awk -v t=$((after - before)) -v hz="$hz" "BEGIN { printf \"simulator_cpu_s %.2f\n\", t / hz }"
'
echo "boards $BOARDS"
echo "build_type ${build_type:-unknown}"
scratch="$(mktemp -d /tmp/quorvel-bench.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
bash "$ROOT/tests/e2e/rig.sh" --workdir "$scratch" --simulator "$SIMULATOR" --timeout 120 \
    --sim --count "$BOARDS" -- bash -c "$measure" "$FLOOD" "$BOARDS"
# Its own account at exit, start-up (generating the boards) included.
echo "simulator_exit $(tail -n 1 "$scratch/simulator.err")"
