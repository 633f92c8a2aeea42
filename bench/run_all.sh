#!/usr/bin/env bash
# Every benchmark, each inside the network rig, with all the figures they
# print. Root (the rig makes network namespaces); prints, asserts nothing.
#
# Usage: bench/run_all.sh [BUILD_DIR]
#   BUILD_DIR  a Release build (default ./build-release):
#              cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release
#              cmake --build build-release
# The figures mean something only on a quiet machine: run nothing else meanwhile.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build-release}" 2>/dev/null && pwd)" || {
    echo "no build folder ${1:-$ROOT/build-release}: build a Release tree first (see the top of $0)" >&2
    exit 1
}
SIMULATOR="$BUILD/tools/board_simulator/board_simulator"
for binary in "$SIMULATOR" "$BUILD/bench/search_flood" "$BUILD/bench/search_reply_path" \
    "$BUILD/bench/bad_datagram_flood" "$BUILD/bench/list_paint_bench" \
    "$BUILD/bench/cli_search_json" "$BUILD/bench/text_decoding"; do
    [ -x "$binary" ] || { echo "missing $binary: build first (cmake --build $BUILD)" >&2; exit 1; }
done
[ "$(id -u)" -eq 0 ] || { echo "the benchmarks run in network namespaces: run as root" >&2; exit 1; }

build_type="$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$BUILD/CMakeCache.txt")"
echo "== machine"
echo "date $(date -u +%Y-%m-%dT%H:%M:%SZ)"
echo "commit $(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)"
echo "build_type ${build_type:-unknown}"
[ "$build_type" = Release ] || echo "# warning: not a Release build; the figures will be slower"
echo "cpus $(nproc)"
echo "cpu_model $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "kernel $(uname -r)"
echo "load_average $(cut -d ' ' -f 1-3 /proc/loadavg)"

export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR="$(mktemp -d /tmp/quorvel-bench-runtime.XXXXXX)"
export XDG_RUNTIME_DIR
# The non-root rows run under Debian's and Ubuntu's stock rmem_max, which
# caps an ordinary user's receive buffer (416 KiB). It is machine-wide: it is
# put back on any exit, also when interrupted.
STOCK_RMEM_MAX=212992
saved_rmem_max="$(sysctl -n net.core.rmem_max)" || { echo "cannot read net.core.rmem_max" >&2; exit 1; }
stock_rmem_max() { sysctl -q -w net.core.rmem_max="$STOCK_RMEM_MAX"; }
restore_rmem_max() { sysctl -q -w net.core.rmem_max="$saved_rmem_max"; }
trap 'restore_rmem_max; rm -rf "$XDG_RUNTIME_DIR"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
failures=0
run() {
    echo
    "$@" || { echo "# exit status $?"; failures=$((failures + 1)); }
}

echo
echo "== simulator: one search answered by 20,000 boards, read by a bare socket"
bash "$ROOT/bench/simulator_search.sh" 20000 "$BUILD" || { echo "# exit status $?"; failures=$((failures + 1)); }
run bash "$ROOT/bench/monitor_fleet.sh" 10000 "$BUILD" 60
run bash "$ROOT/tests/e2e/rig.sh" --simulator "$SIMULATOR" --timeout 300 -- \
    "$BUILD/bench/search_reply_path" --boards 10000

echo
echo "== stock rmem_max $STOCK_RMEM_MAX (was $saved_rmem_max), non-root receive buffer"
stock_rmem_max
for boards in 1000 10000; do
    run bash "$ROOT/tests/e2e/rig.sh" --simulator "$SIMULATOR" --timeout 300 -- \
        "$BUILD/bench/search_reply_path" --boards "$boards" --non-root-buffer
done
run bash "$ROOT/tests/e2e/rig.sh" --simulator "$SIMULATOR" --timeout 300 -- \
    "$BUILD/bench/search_reply_path" --boards 100000 --non-root-buffer --live-only
restore_rmem_max
echo "rmem_max restored $(sysctl -n net.core.rmem_max)"
echo
run bash "$ROOT/tests/e2e/rig.sh" --simulator "$SIMULATOR" --timeout 300 -- \
    "$BUILD/bench/bad_datagram_flood" --boards 1000 --junk 100000 --late-boards 10000

echo
echo "== the command line: quorvel search --json against 10,000 boards"
run bash "$ROOT/tests/e2e/rig.sh" --simulator "$SIMULATOR" --timeout 120 -- \
    "$BUILD/bench/cli_search_json" --boards 10000

echo
echo "== quorvel firmware: an 8 MB image against tftp-hpa, then 1 MB to 100 boards at once"
run bash "$ROOT/bench/firmware_push.sh" "$BUILD" 100

echo
echo "== decoding board texts (no network)"
run "$BUILD/bench/text_decoding"

echo
echo "== the device list: painting and adding (no network)"
run "$BUILD/bench/list_paint_bench"

echo
echo "== after"
echo "load_average $(cut -d ' ' -f 1-3 /proc/loadavg)"
echo "benchmarks_failed $failures"
exit $((failures > 0))
