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
#               [--links 1|2 | --router] [--no-default-route] [--rp-filter 0|1|2]
#               [--sim SIMULATOR-ARGUMENTS...] -- COMMAND [ARGUMENTS...]
#
# --links 2 stands for a technician's laptop with two cables: a second boards'
# namespace on a second veth, on a subnet of its own. The tool then has
#   link 1  198.18.0.1/16   boards' namespace 1: 198.18.0.0/16 local
#   link 2  198.19.0.1/24   boards' namespace 2: 198.19.0.0/16 local, so a board
#                           there may sit outside the tool's subnet
# and its default route leads to link 1 (none with --no-default-route).
# --router puts the boards behind a router namespace, on a subnet of their own:
#   tool 198.18.0.1/24 <-> 198.18.0.254/24 router 198.19.5.254/24 <-> 198.19.5.2/24
#   boards (all of 198.19.5.0/24 local). The tool reaches them only through the
#   router, which forwards directed broadcasts (198.19.5.255), not 255.255.255.255.
# --rp-filter sets reverse-path filtering in the tool's namespace (all,
# default and each link); without it the namespace keeps what it inherited.
#
# With --sim, a simulator is started in the boards' namespace before COMMAND
# (the rig adds --log and --ready-file). COMMAND sees:
#   QUORVEL_RIG_TOOL_NS, QUORVEL_RIG_BOARDS_NS   the namespaces' names
#   QUORVEL_RIG_TOOL_ADDRESS                     198.18.0.1
#   QUORVEL_RIG_TOOL_IF                          the tool's end of link 1
#   QUORVEL_RIG_LINKS                            1 or 2
#   QUORVEL_RIG_BOARDS_NS_2, QUORVEL_RIG_TOOL_ADDRESS_2, QUORVEL_RIG_TOOL_IF_2
#                                                link 2, with --links 2
#   QUORVEL_RIG_DEFAULT_ROUTE                    1, or 0 with --no-default-route
#   QUORVEL_RIG_ROUTER_NS, QUORVEL_RIG_ROUTER_ADDRESS (198.18.0.254),
#   QUORVEL_RIG_FAR_SUBNET (198.19.5.0/24), QUORVEL_RIG_FAR_BROADCAST
#                                                with --router
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
LINKS=1
DEFAULT_ROUTE=1
RP_FILTER=""
ROUTER=0

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
    --links) LINKS="$2"; shift 2 ;;
    --no-default-route) DEFAULT_ROUTE=0; shift ;;
    --router) ROUTER=1; shift ;;
    --rp-filter) RP_FILTER="$2"; shift 2 ;;
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
[[ "$LINKS" =~ ^[12]$ ]] || fail "--links takes 1 or 2"
[ "$ROUTER" -eq 0 ] || [ "$LINKS" -eq 1 ] || fail "--router and --links 2 do not go together"
[[ -z "$RP_FILTER" || "$RP_FILTER" =~ ^[012]$ ]] || fail "--rp-filter takes 0, 1 or 2"

[ "$(id -u)" -eq 0 ] || skip "creating network namespaces needs root; run the end-to-end tests as root"
command -v ip >/dev/null 2>&1 || skip "the ip command is missing; install iproute2"

# Unique per run, so parallel runs never meet: qv<pid><random>.
ID="qv$(printf '%x%04x' $$ $((RANDOM)))"
TOOL_NS="quorvel-$ID-tool"
BOARDS_NS="quorvel-$ID-boards"
BOARDS_NS_2="quorvel-$ID-boards2"
ROUTER_NS="quorvel-$ID-router"
TOOL_IF="${ID}t"
BOARDS_IF="${ID}b"
TOOL_IF_2="${ID}u"
BOARDS_IF_2="${ID}c"
ROUTER_IF_TOOL="${ID}r"
ROUTER_IF_BOARDS="${ID}s"
TOOL_ADDRESS=198.18.0.1
BOARDS_ADDRESS=198.18.0.2
TOOL_ADDRESS_2=198.19.0.1
BOARDS_ADDRESS_2=198.19.0.2
ROUTER_ADDRESS=198.18.0.254
FAR_SUBNET=198.19.5.0/24
FAR_BROADCAST=198.19.5.255
SIM_PID=""

# A leftover of a rig that was killed outright (SIGKILL): its owner is gone
# and nothing runs inside, so it is garbage.
remove_stale_namespaces() {
    local ns pid
    for ns in $(ip netns list 2>/dev/null | awk '{print $1}' | grep -E '^quorvel-qv[0-9a-f]+-(tool|boards|boards2|router)$'); do
        pid=$((16#$(echo "$ns" | sed -E 's/^quorvel-qv([0-9a-f]+)[0-9a-f]{4}-.*/\1/')))
        if ! kill -0 "$pid" 2>/dev/null && [ -z "$(ip netns pids "$ns" 2>/dev/null)" ]; then
            ip netns del "$ns" 2>/dev/null || true
            rm -rf "/etc/netns/$ns"
        fi
    done
}

stop_namespace_processes() {
    local ns pids tries
    for tries in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
        pids=""
        for ns in "$TOOL_NS" "$BOARDS_NS" "$BOARDS_NS_2" "$ROUTER_NS"; do
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
    ip netns del "$BOARDS_NS_2" 2>/dev/null
    ip netns del "$ROUTER_NS" 2>/dev/null
    rm -rf "/etc/netns/$TOOL_NS"
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
# The host's own name resolves inside the tool's namespace without a name
# server (none is reachable there): programs that look it up at start-up, as
# Prometheus does, would otherwise wait for the resolver's time-out.
# `ip netns exec` puts this file over /etc/hosts.
mkdir -p "/etc/netns/$TOOL_NS"
printf '127.0.0.1 localhost %s\n::1 localhost ip6-localhost ip6-loopback\n' "$(cat /proc/sys/kernel/hostname)" \
    >"/etc/netns/$TOOL_NS/hosts"
ip netns add "$BOARDS_NS" || fail "cannot create the namespace $BOARDS_NS"

if [ -z "$WORKDIR" ]; then
    WORKDIR="$(mktemp -d /tmp/quorvel-rig.XXXXXX)" || fail "cannot make a scratch folder"
else
    mkdir -p "$WORKDIR" || fail "cannot make $WORKDIR"
fi
chmod 755 "$WORKDIR"

# The veth ends are created inside the namespaces: they never exist in the host's.
# link TOOL_IF TOOL_ADDRESS/PREFIX BOARDS_NS BOARDS_IF BOARDS_ADDRESS LOCAL_RANGE
link() {
    local tool_if=$1 tool_address=$2 prefix=$3 boards_ns=$4 boards_if=$5 boards_address=$6 range=$7
    ip link add "$tool_if" netns "$TOOL_NS" type veth peer name "$boards_if" netns "$boards_ns"
    ip -n "$boards_ns" link set lo up
    ip -n "$TOOL_NS" addr add "$tool_address/$prefix" dev "$tool_if"
    ip -n "$boards_ns" addr add "$boards_address/$prefix" dev "$boards_if"
    ip -n "$TOOL_NS" link set "$tool_if" up
    ip -n "$boards_ns" link set "$boards_if" up
    # Every board address is local on the boards' side, so one simulator
    # answers for all of them, from each board's own address...
    ip -n "$boards_ns" route add local "$range" dev lo
    # Of two routes to a board's address the longer wins, whatever their
    # table: the link's own subnet must be local as well where it is longer.
    [ "$prefix" -gt "${range#*/}" ] &&
        ip -n "$boards_ns" route add local "${tool_address%.*}.0/$prefix" dev lo
    # ...except the tool's own address, which must stay across the veth.
    ip -n "$boards_ns" route add "$tool_address/32" dev "$boards_if" table local
    # Fixed neighbours: the first burst of thousands of replies must not queue
    # behind address resolution, whose queue holds only about a hundred.
    local tool_mac boards_mac
    tool_mac="$(ip -n "$TOOL_NS" -br link show "$tool_if" | awk '{print $3}')"
    boards_mac="$(ip -n "$boards_ns" -br link show "$boards_if" | awk '{print $3}')"
    ip -n "$boards_ns" neigh replace "$tool_address" lladdr "$tool_mac" dev "$boards_if" nud permanent
    ip -n "$TOOL_NS" neigh replace "$boards_address" lladdr "$boards_mac" dev "$tool_if" nud permanent
}

routed() {
    ip netns add "$ROUTER_NS"
    ip -n "$ROUTER_NS" link set lo up
    ip link add "$TOOL_IF" netns "$TOOL_NS" type veth peer name "$ROUTER_IF_TOOL" netns "$ROUTER_NS"
    ip link add "$ROUTER_IF_BOARDS" netns "$ROUTER_NS" type veth peer name "$BOARDS_IF" netns "$BOARDS_NS"
    ip -n "$TOOL_NS" addr add "$TOOL_ADDRESS/24" dev "$TOOL_IF"
    ip -n "$ROUTER_NS" addr add "$ROUTER_ADDRESS/24" dev "$ROUTER_IF_TOOL"
    ip -n "$ROUTER_NS" addr add 198.19.5.254/24 dev "$ROUTER_IF_BOARDS"
    ip -n "$BOARDS_NS" addr add 198.19.5.2/24 dev "$BOARDS_IF"
    for end in "$TOOL_NS $TOOL_IF" "$ROUTER_NS $ROUTER_IF_TOOL" "$ROUTER_NS $ROUTER_IF_BOARDS" \
        "$BOARDS_NS $BOARDS_IF" "$BOARDS_NS lo"; do
        read -r ns ifname <<<"$end"
        ip -n "$ns" link set "$ifname" up
    done
    # A directed broadcast is forwarded only where "all" and the arriving
    # link both allow it.
    for conf in all "$ROUTER_IF_TOOL" "$ROUTER_IF_BOARDS"; do
        ip netns exec "$ROUTER_NS" sysctl -qw "net.ipv4.conf.$conf.bc_forwarding=1"
    done
    ip netns exec "$ROUTER_NS" sysctl -qw net.ipv4.ip_forward=1
    # Every board address is local on the boards' side, but for the router's.
    ip -n "$BOARDS_NS" route add local "$FAR_SUBNET" dev lo
    ip -n "$BOARDS_NS" route add 198.19.5.254/32 dev "$BOARDS_IF" table local
    ip -n "$BOARDS_NS" route add default via 198.19.5.254 dev "$BOARDS_IF"
    ip -n "$TOOL_NS" route add "$FAR_SUBNET" via "$ROUTER_ADDRESS" dev "$TOOL_IF"
    [ "$DEFAULT_ROUTE" -eq 1 ] && ip -n "$TOOL_NS" route add default via "$ROUTER_ADDRESS" dev "$TOOL_IF"
    return 0
}

set -e
ip -n "$TOOL_NS" link set lo up
if [ "$ROUTER" -eq 1 ]; then
    routed
elif [ "$LINKS" -eq 1 ]; then
    link "$TOOL_IF" "$TOOL_ADDRESS" 15 "$BOARDS_NS" "$BOARDS_IF" "$BOARDS_ADDRESS" 198.18.0.0/15
else
    ip netns add "$BOARDS_NS_2"
    link "$TOOL_IF" "$TOOL_ADDRESS" 16 "$BOARDS_NS" "$BOARDS_IF" "$BOARDS_ADDRESS" 198.18.0.0/16
    link "$TOOL_IF_2" "$TOOL_ADDRESS_2" 24 "$BOARDS_NS_2" "$BOARDS_IF_2" "$BOARDS_ADDRESS_2" \
        198.19.0.0/16
fi
# A default route, as most hosts have; it leads only to the veth.
[ "$DEFAULT_ROUTE" -eq 1 ] && [ "$ROUTER" -eq 0 ] && ip -n "$TOOL_NS" route add default dev "$TOOL_IF"
if [ -n "$RP_FILTER" ]; then
    # The effective value is the larger of "all" and the interface's own.
    for conf in all default "$TOOL_IF" $([ "$LINKS" -eq 2 ] && echo "$TOOL_IF_2"); do
        ip netns exec "$TOOL_NS" sysctl -qw "net.ipv4.conf.$conf.rp_filter=$RP_FILTER"
    done
fi
set +e

export QUORVEL_RIG=1
export QUORVEL_RIG_TOOL_NS="$TOOL_NS"
export QUORVEL_RIG_BOARDS_NS="$BOARDS_NS"
export QUORVEL_RIG_TOOL_ADDRESS="$TOOL_ADDRESS"
export QUORVEL_RIG_TOOL_IF="$TOOL_IF"
export QUORVEL_RIG_LINKS="$LINKS"
export QUORVEL_RIG_DEFAULT_ROUTE="$DEFAULT_ROUTE"
if [ "$LINKS" -eq 2 ]; then
    export QUORVEL_RIG_BOARDS_NS_2="$BOARDS_NS_2"
    export QUORVEL_RIG_TOOL_ADDRESS_2="$TOOL_ADDRESS_2"
    export QUORVEL_RIG_TOOL_IF_2="$TOOL_IF_2"
fi
[ "$ROUTER" -eq 1 ] && export QUORVEL_RIG_ROUTER_NS="$ROUTER_NS" QUORVEL_RIG_ROUTER_ADDRESS="$ROUTER_ADDRESS" \
    QUORVEL_RIG_FAR_SUBNET="$FAR_SUBNET" QUORVEL_RIG_FAR_BROADCAST="$FAR_BROADCAST"
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
