#!/usr/bin/env bash
# The rig itself: exit status passed through, namespaces and processes gone
# after a normal end, a failure and a kill, and a clear skip without root.
# Usage: rig_selftest.sh SIMULATOR
set -uo pipefail
RIG="$(dirname "${BASH_SOURCE[0]}")/rig.sh"
SIMULATOR="$1"
SCRATCH="$(mktemp -d /tmp/quorvel-rig-selftest.XXXXXX)"
trap 'rm -rf "$SCRATCH"' EXIT
failures=0

check() {
    if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
left_behind() {
    local names
    names="$(cat "$SCRATCH/names" 2>/dev/null)"
    [ -n "$names" ] || return 0
    for ns in $names; do ip netns list | grep -qw "$ns" && return 0; done
    return 1
}

[ "$(id -u)" -eq 0 ] || { echo "SKIP: the rig needs root"; exit 77; }
if ! ip netns add "quorvel-selftest-$$" 2>/dev/null; then
    echo "SKIP: cannot create network namespaces here"
    exit 77
fi
ip netns del "quorvel-selftest-$$"

# The command's own status comes back, and nothing stays.
bash "$RIG" --simulator "$SIMULATOR" --sim --count 2 -- bash -c \
    'echo "$QUORVEL_RIG_TOOL_NS $QUORVEL_RIG_BOARDS_NS" > '"$SCRATCH"'/names
     ip route | grep -q "^default dev" && [ -e "$QUORVEL_SIM_LOG" ] && exit 3'
status=$?
check "the command's exit status is the rig's" '[ "$status" -eq 3 ]'
check "no namespace left after a failing command" '! left_behind'

# Two links, no default route, strict reverse-path filtering: all three
# namespaces made as asked, and gone afterwards.
rm -f "$SCRATCH/names"
bash "$RIG" --simulator "$SIMULATOR" --links 2 --no-default-route --rp-filter 1 -- bash -c \
    'echo "$QUORVEL_RIG_TOOL_NS $QUORVEL_RIG_BOARDS_NS $QUORVEL_RIG_BOARDS_NS_2" > '"$SCRATCH"'/names
     ! ip route | grep -q "^default" &&
     ip -4 -br addr show "$QUORVEL_RIG_TOOL_IF_2" | grep -q "198.19.0.1/24" &&
     [ "$(sysctl -n net.ipv4.conf.all.rp_filter)" = 1 ] &&
     [ "$(sysctl -n "net.ipv4.conf.$QUORVEL_RIG_TOOL_IF.rp_filter")" = 1 ] &&
     ip netns exec "$QUORVEL_RIG_BOARDS_NS_2" ip route get 198.19.100.7 | grep -q "^local"'
status=$?
check "two links, no default route, rp_filter as asked" '[ "$status" -eq 0 ]'
check "no namespace left after two links" '! left_behind'

# A kill while the command runs: the rig removes everything within seconds.
rm -f "$SCRATCH/names"
bash "$RIG" --simulator "$SIMULATOR" --sim --count 2 -- bash -c \
    'echo "$QUORVEL_RIG_TOOL_NS $QUORVEL_RIG_BOARDS_NS" > '"$SCRATCH"'/names
     echo "$QUORVEL_SIM_PID" > '"$SCRATCH"'/sim; exec sleep 60' &
rig=$!
for _ in $(seq 100); do [ -s "$SCRATCH/sim" ] && break; sleep 0.05; done
started=$SECONDS
kill -TERM "$rig"
wait "$rig"
status=$?
check "a terminated rig reports it" '[ "$status" -eq 143 ]'
check "a terminated rig ends within seconds" '[ $((SECONDS - started)) -le 5 ]'
check "no namespace left after a kill" '! left_behind'
check "the simulator is gone" '! kill -0 "$(cat "$SCRATCH/sim")" 2>/dev/null'

# Without root: a skip with its reason, not a failure. The unprivileged user
# may not read the clone (one under /root, say), so it runs a copy of the rig
# from a folder everyone can read, starting in /.
if command -v setpriv >/dev/null; then
    readable="$(mktemp -d /tmp/quorvel-rig-unprivileged.XXXXXX)"
    chmod 755 "$readable"
    install -m 644 "$RIG" "$readable/rig.sh"
    output="$(cd / && setpriv --reuid=65534 --regid=65534 --clear-groups bash "$readable/rig.sh" -- true 2>&1)"
    status=$?
    check "without root the rig skips" '[ "$status" -eq 77 ]'
    check "the skip says why" '[[ "$output" == *"needs root"* ]]'
    rm -rf "$readable"
fi

[ "$failures" -eq 0 ]
