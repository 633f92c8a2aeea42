#!/usr/bin/env bash
# quorvel monitor watching many simulated boards at a 10-second interval in
# the rig: rounds on time, boards wrongly marked silent, CPU share, peak RSS,
# the time to serve /metrics and to probe one board. Root; prints figures,
# asserts nothing.
#
# Usage: bench/monitor_fleet.sh [BOARDS (default 10000)] [BUILD_DIR (default ./build)] [SECONDS (default 60)]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BOARDS="${1:-10000}"
BUILD="$(cd "${2:-$ROOT/build}" && pwd)"
SECONDS_WATCHED="${3:-60}"
SIMULATOR="$BUILD/tools/board_simulator/board_simulator"
CLI="$BUILD/src/cli/quorvel"
for binary in "$SIMULATOR" "$CLI"; do
    [ -x "$binary" ] || { echo "missing $binary: build first (cmake --build $BUILD)" >&2; exit 1; }
done
command -v curl >/dev/null || { echo "needs curl" >&2; exit 1; }

# Inside the tool's namespace: the monitor after its first search, measured
# over whole rounds.
measure='
cli=$1 boards=$2 watched=$3
# The kernel keeps about a thousand learnt neighbours (gc_thresh3, not set
# per namespace); a host watching more boards on one link needs it raised.
# Here: fixed entries, which it does not count.
mac=$(ip neigh show dev "$QUORVEL_RIG_TOOL_IF" nud permanent | awk "{print \$3; exit}")
awk -v n="$boards" -v mac="$mac" -v dev="$QUORVEL_RIG_TOOL_IF" "BEGIN { for (i = 1; i <= n; ++i)
    printf \"neigh replace 198.18.%d.%d lladdr %s dev %s nud permanent\\n\", 1 + int(i / 256), i % 256, mac, dev }" |
    ip -batch -
"$cli" monitor --quiet --json --interval 10 --wait 10 --listen 9847 >"$QUORVEL_RIG_WORKDIR/changes.jsonl" &
pid=$!
trap "kill -TERM $pid 2>/dev/null; wait $pid" EXIT
metrics() { curl -s --max-time 10 http://127.0.0.1:9847/metrics; }
for _ in $(seq 60); do
    [ "$(metrics | sed -n "s/^quorvel_monitor_boards //p")" = "$boards" ] && break
    sleep 1
done
sleep 15 # the first rounds settle
ticks() { awk "{print \$14 + \$15}" "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks) start=$(date +%s.%N)
sleep "$watched"
after=$(ticks) end=$(date +%s.%N)
awk -v t=$((after - before)) -v hz="$hz" -v s="$start" -v e="$end" \
    "BEGIN { printf \"monitor_cpu_share_of_one_core %.2f %%\n\", 100 * t / hz / (e - s) }"
echo "monitor_peak_rss_kb $(awk "/^VmHWM/ {print \$2}" /proc/$pid/status)"
text=$(metrics)
echo "boards_monitored $(sed -n "s/^quorvel_monitor_boards //p" <<<"$text")"
echo "boards_silent $(grep -c "^quorvel_printer_up{.*} 0$" <<<"$text" || true)"
echo "round_duration_s $(sed -n "s/^quorvel_monitor_round_duration_seconds //p" <<<"$text") (interval 10, time-out 4)"
grep "^quorvel_monitor_replies_ignored_total" <<<"$text" | sed "s/^quorvel_monitor_//"
echo "metrics_bytes ${#text}"
# Served from the round'"'"'s text: 50 scrapes on one connection, then 1,000
# probes of one board one after another.
stats() { sort -n | awk -v name="$1" "{ v[NR] = \$1 } END { printf \"%s median %.2f ms, worst %.2f ms (%d)\n\", name, 1000 * v[int((NR + 1) / 2)], 1000 * v[NR], NR }"; }
urls() { for _ in $(seq "$2"); do echo "url = \"http://127.0.0.1:9847$1\""; echo "output = /dev/null"; done; }
urls /metrics 50 | curl -s -K - -w "%{time_total}\n" | stats metrics_serve
urls "/probe?target=198.18.1.1" 1000 | curl -s -K - -w "%{time_total}\n" | stats probe_one_board
echo "monitor_rss_after_kb $(awk "/^VmRSS/ {print \$2}" /proc/$pid/status)"
echo "silences_told $(grep -c "\"answered\":false" "$QUORVEL_RIG_WORKDIR/changes.jsonl" || true)"
'
echo "boards $BOARDS"
echo "build_type $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$BUILD/CMakeCache.txt")"
scratch="$(mktemp -d /tmp/quorvel-bench.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
bash "$ROOT/tests/e2e/rig.sh" --workdir "$scratch" --simulator "$SIMULATOR" \
    --timeout "$((SECONDS_WATCHED + 150))" --sim --count "$BOARDS" -- \
    bash -c "$measure" "$CLI" "$CLI" "$BOARDS" "$SECONDS_WATCHED"
