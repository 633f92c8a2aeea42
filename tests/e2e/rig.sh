#!/usr/bin/env bash
# A private network for end-to-end runs: two network namespaces joined by a
# veth pair, the tool's side and the boards' side, so that nothing the tool
# broadcasts and nothing the boards answer ever reaches a real network.
#
#   tool namespace                          boards namespace
#   198.18.0.1/15, default route  <-veth->  198.18.0.2/15, all of 198.18.0.0/15 local
#   runs COMMAND                            runs the board simulator (optional)
#
# Usage: rig.sh [--simulator PATH] [--workdir DIR] [--timeout SECONDS]
#               [--sim SIMULATOR-ARGUMENTS...] -- COMMAND [ARGUMENTS...]
#
# With --sim, a simulator is started in the boards' namespace before COMMAND
# (the rig adds --log and --ready-file). COMMAND sees:
#   QUORVEL_RIG_TOOL_NS, QUORVEL_RIG_BOARDS_NS   the namespaces' names
#   QUORVEL_RIG_TOOL_ADDRESS                     198.18.0.1
#   QUORVEL_RIG_WORKDIR                          a scratch folder for logs
#   QUORVEL_SIMULATOR                            the simulator binary, to start more
#   QUORVEL_SIM_LOG, QUORVEL_SIM_PID             of the simulator started with --sim
# The namespaces are removed on every exit, also on failure and Ctrl-C.
# Exits with COMMAND's status, or 77 (skip) where namespaces cannot be made.
set -uo pipefail

readonly SKIP=77
RIG_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SIMULATOR="${QUORVEL_SIMULATOR:-$RIG_DIR/../../build/tools/board_simulator/board_simulator}"
WORKDIR=""
KEEP_WORKDIR=0
TIMEOUT=""
SIM_ARGS=()
RUN_SIM=0
COMMAND=()

skip() {
    echo "SKIP: $*" >&2
    exit "$SKIP"
}
fail() {
    echo "rig: $*" >&2
    exit 1
}

while [ $# -gt 0 ]; do
    case "$1" in
    --simulator) SIMULATOR="$2"; shift 2 ;;
    --workdir) WORKDIR="$2"; KEEP_WORKDIR=1; shift 2 ;;
    --timeout) TIMEOUT="$2"; shift 2 ;;
    --sim)
        RUN_SIM=1
        shift
        while [ $# -gt 0 ] && [ "$1" != "--" ]; do SIM_ARGS+=("$1"); shift; done
        ;;
    --) shift; COMMAND=("$@"); break ;;
    *) fail "unknown option $1 (usage: rig.sh [--sim ARGS...] -- COMMAND...)" ;;
    esac
done
[ ${#COMMAND[@]} -gt 0 ] || fail "no command given (usage: rig.sh [--sim ARGS...] -- COMMAND...)"

[ "$(id -u)" -eq 0 ] || skip "creating network namespaces needs root; run the end-to-end tests as root"
command -v ip >/dev/null 2>&1 || skip "the ip command is missing; install iproute2"

# Unique per run, so parallel runs never meet: qv<pid><random>.
ID="qv$(printf '%x%04x' $$ $((RANDOM)))"
TOOL_NS="quorvel-$ID-tool"
BOARDS_NS="quorvel-$ID-boards"
TOOL_IF="${ID}t"
BOARDS_IF="${ID}b"
TOOL_ADDRESS=198.18.0.1
BOARDS_ADDRESS=198.18.0.2
SIM_PID=""

# A leftover of a rig that was killed outright (SIGKILL): its owner is gone
# and nothing runs inside, so it is garbage.
remove_stale_namespaces() {
    local ns pid
    for ns in $(ip netns list 2>/dev/null | awk '{print $1}' | grep -E '^quorvel-qv[0-9a-f]+-(tool|boards)$'); do
        pid=$((16#$(echo "$ns" | sed -E 's/^quorvel-qv([0-9a-f]+)[0-9a-f]{4}-.*/\1/')))
        if ! kill -0 "$pid" 2>/dev/null && [ -z "$(ip netns pids "$ns" 2>/dev/null)" ]; then
            ip netns del "$ns" 2>/dev/null || true
        fi
    done
}

stop_namespace_processes() {
    local ns pids tries
    for tries in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
        pids=""
        for ns in "$TOOL_NS" "$BOARDS_NS"; do
            [ -e "/run/netns/$ns" ] && pids="$pids $(ip netns pids "$ns" 2>/dev/null | tr '\n' ' ')"
        done
        [ -z "${pids// /}" ] && return
        # shellcheck disable=SC2086
        if [ "$tries" -lt 20 ]; then kill -TERM $pids 2>/dev/null; else kill -KILL $pids 2>/dev/null; fi
        sleep 0.1
    done
}

cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    stop_namespace_processes
    [ -n "$SIM_PID" ] && wait "$SIM_PID" 2>/dev/null
    ip netns del "$TOOL_NS" 2>/dev/null
    ip netns del "$BOARDS_NS" 2>/dev/null
    if [ "$status" -ne 0 ] && [ "$status" -ne "$SKIP" ] && [ -s "$WORKDIR/simulator.err" ]; then
        echo "rig: the simulator said:" >&2
        cat "$WORKDIR/simulator.err" >&2
    fi
    if [ "$KEEP_WORKDIR" -eq 0 ] && [ -n "$WORKDIR" ]; then rm -rf "$WORKDIR"; fi
    exit "$status"
}

remove_stale_namespaces
if ! error="$(ip netns add "$TOOL_NS" 2>&1)"; then
    skip "cannot create network namespaces here: $error"
fi
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
ip netns add "$BOARDS_NS" || fail "cannot create the namespace $BOARDS_NS"

if [ -z "$WORKDIR" ]; then
    WORKDIR="$(mktemp -d /tmp/quorvel-rig.XXXXXX)" || fail "cannot make a scratch folder"
else
    mkdir -p "$WORKDIR" || fail "cannot make $WORKDIR"
fi
chmod 755 "$WORKDIR"

# The veth ends are created inside the namespaces: they never exist in the host's.
set -e
ip link add "$TOOL_IF" netns "$TOOL_NS" type veth peer name "$BOARDS_IF" netns "$BOARDS_NS"
ip -n "$TOOL_NS" link set lo up
ip -n "$BOARDS_NS" link set lo up
ip -n "$TOOL_NS" addr add "$TOOL_ADDRESS/15" dev "$TOOL_IF"
ip -n "$BOARDS_NS" addr add "$BOARDS_ADDRESS/15" dev "$BOARDS_IF"
ip -n "$TOOL_NS" link set "$TOOL_IF" up
ip -n "$BOARDS_NS" link set "$BOARDS_IF" up
# 255.255.255.255 needs a route to leave by; this one leads only to the veth.
ip -n "$TOOL_NS" route add default dev "$TOOL_IF"
# Every board address is local on the boards' side, so one simulator answers
# for all of them, from each board's own address...
ip -n "$BOARDS_NS" route add local 198.18.0.0/15 dev lo
# ...except the tool's own address, which must stay across the veth.
ip -n "$BOARDS_NS" route add "$TOOL_ADDRESS/32" dev "$BOARDS_IF" table local
# Fixed neighbours: the first burst of thousands of replies must not queue
# behind address resolution, whose queue holds only about a hundred.
TOOL_MAC="$(ip -n "$TOOL_NS" -br link show "$TOOL_IF" | awk '{print $3}')"
BOARDS_MAC="$(ip -n "$BOARDS_NS" -br link show "$BOARDS_IF" | awk '{print $3}')"
ip -n "$BOARDS_NS" neigh replace "$TOOL_ADDRESS" lladdr "$TOOL_MAC" dev "$BOARDS_IF" nud permanent
ip -n "$TOOL_NS" neigh replace "$BOARDS_ADDRESS" lladdr "$BOARDS_MAC" dev "$TOOL_IF" nud permanent
set +e

export QUORVEL_RIG=1
export QUORVEL_RIG_TOOL_NS="$TOOL_NS"
export QUORVEL_RIG_BOARDS_NS="$BOARDS_NS"
export QUORVEL_RIG_TOOL_ADDRESS="$TOOL_ADDRESS"
export QUORVEL_RIG_WORKDIR="$WORKDIR"
SIMULATOR="$(readlink -f "$SIMULATOR" 2>/dev/null || echo "$SIMULATOR")"
export QUORVEL_SIMULATOR="$SIMULATOR"

if [ "$RUN_SIM" -eq 1 ]; then
    [ -x "$SIMULATOR" ] || fail "no simulator at $SIMULATOR (build it, or give --simulator PATH)"
    export QUORVEL_SIM_LOG="$WORKDIR/simulator.log"
    exit_after=()
    [ -n "$TIMEOUT" ] && exit_after=(--exit-after "$((TIMEOUT + 30))")
    ip netns exec "$BOARDS_NS" "$SIMULATOR" --log "$QUORVEL_SIM_LOG" \
        --ready-file "$WORKDIR/simulator.ready" "${exit_after[@]}" "${SIM_ARGS[@]}" \
        2>"$WORKDIR/simulator.err" &
    SIM_PID=$!
    export QUORVEL_SIM_PID="$SIM_PID"
    for _ in $(seq 100); do
        [ -e "$WORKDIR/simulator.ready" ] && break
        kill -0 "$SIM_PID" 2>/dev/null || fail "the simulator did not start: $(cat "$WORKDIR/simulator.err")"
        sleep 0.05
    done
    [ -e "$WORKDIR/simulator.ready" ] || fail "the simulator did not get ready within 5 seconds"
fi

run=(ip netns exec "$TOOL_NS")
[ -n "$TIMEOUT" ] && run+=(timeout --kill-after=5 "$TIMEOUT")
# In the background so that a signal to the rig interrupts the wait at once;
# the clean-up then ends the command with everything else in the namespaces.
"${run[@]}" "${COMMAND[@]}" <&0 &
wait $!
