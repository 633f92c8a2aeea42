#!/usr/bin/env bash
# quorvel firmware against Debian's TFTP server in the rig: one 8 MB image to
# one board, ours against tftp-hpa's tftp client, three times each; then a
# 1 MB image to 100 boards at once: total time and peak RSS. Root; prints
# figures, asserts nothing.
#
# Usage: bench/firmware_push.sh [BUILD_DIR (default ./build)] [BOARDS (default 100)]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
BOARDS="${2:-100}"
SIMULATOR="$BUILD/tools/board_simulator/board_simulator"
CLI="$BUILD/src/cli/quorvel"
for binary in "$SIMULATOR" "$CLI" /usr/sbin/in.tftpd; do
    [ -x "$binary" ] || { echo "missing $binary: build first, and apt-get install tftpd-hpa" >&2; exit 1; }
done

# Inside the tool's namespace, with one boot loader per board on the boards' side.
measure='
cli=$1 boards=$2 work=$QUORVEL_RIG_WORKDIR
for i in $(seq 1 "$boards"); do
    mkdir -p "$work/b$i" && chmod 777 "$work/b$i"
    ip netns exec "$QUORVEL_RIG_BOARDS_NS" /usr/sbin/in.tftpd --foreground \
        --address "198.18.1.$i:69" --create --secure "$work/b$i" &
done
trap "kill \$(jobs -p) 2>/dev/null; wait" EXIT
head -c 8388608 /dev/urandom >"$work/8mb.img"
head -c 1048576 /dev/urandom >"$work/1mb.img"
sleep 1
now() { date +%s.%N; }
for run in 1 2 3; do
    rm -f "$work/b1/boot.img"
    start=$(now)
    "$cli" firmware 198.18.1.1 --file "$work/8mb.img" --no-wait --quiet --json >"$work/one.json"
    awk -v s="$start" -v e="$(now)" "BEGIN { printf \"ours_8mb_s %.3f (with the search that finds the board)\n\", e - s }"
    echo "ours_8mb_transfer_s $(sed -n "s/.*\"seconds\":\([0-9.]*\).*/\1/p" "$work/one.json")"
    cmp -s "$work/8mb.img" "$work/b1/boot.img" || echo "# ours: the image did not arrive whole"
    if command -v tftp >/dev/null; then
        rm -f "$work/b1/boot.img"
        start=$(now)
        tftp -m binary 198.18.1.1 -c put "$work/8mb.img" boot.img
        awk -v s="$start" -v e="$(now)" "BEGIN { printf \"tftp_hpa_8mb_s %.3f\n\", e - s }"
        cmp -s "$work/8mb.img" "$work/b1/boot.img" || echo "# tftp-hpa: the image did not arrive whole"
    fi
done
command -v tftp >/dev/null || echo "# tftp-hpa not installed (apt-get install tftp-hpa): no comparison"
echo "mac,file" >"$work/plan.csv"
for i in $(seq 1 "$boards"); do
    printf "02-51-56-00-00-%02X,1mb.img\n" "$i" >>"$work/plan.csv"
done
start=$(now)
/usr/bin/time -f "%M" -o "$work/rss" "$cli" firmware --plan "$work/plan.csv" --parallel "$boards" \
    --no-wait --quiet --json >"$work/fleet.jsonl" || true
awk -v s="$start" -v e="$(now)" -v n="$boards" "BEGIN { printf \"fleet_%d_boards_total_s %.3f\n\", n, e - s }"
echo "fleet_peak_rss_kb $(cat "$work/rss")"
echo "fleet_sent $(grep -c "\"result\":\"sent\"" "$work/fleet.jsonl" || true) of $boards"
whole=0
for i in $(seq 1 "$boards"); do cmp -s "$work/1mb.img" "$work/b$i/boot.img" && whole=$((whole + 1)); done
echo "fleet_whole_images $whole"
'
echo "boards $BOARDS"
echo "build_type $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$BUILD/CMakeCache.txt")"
bash "$ROOT/tests/e2e/rig.sh" --simulator "$SIMULATOR" --timeout 600 --sim --count "$BOARDS" -- \
    bash -c "$measure" measure "$CLI" "$BOARDS"
