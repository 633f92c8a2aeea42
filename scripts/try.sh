#!/usr/bin/env bash
# Tries the tool without printers: five simulated boards and the tool on a
# private network of two namespaces (tests/e2e/rig.sh), so "搜索" lists the
# boards and nothing reaches the real network. Needs root and a display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

if [ "$(id -u)" -ne 0 ]; then
    echo "Trying the tool without printers needs root to build its private network: sudo -E bash $0" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "The tool needs a graphical display and none is set (DISPLAY or WAYLAND_DISPLAY); with sudo, keep them with sudo -E." >&2
    exit 2
fi
# The private network has no way to the host's TCP ports, so an X display
# reached over TCP (ssh -X gives localhost:10.0) cannot be used from inside.
case "${DISPLAY:-}" in
"" | :* | unix:*) ;;
*)
    echo "DISPLAY=$DISPLAY is reached over TCP, which the tool cannot reach from its private network; use a local display such as :0." >&2
    exit 2
    ;;
esac

quorvel_install_packages
quorvel_build -DBUILD_TESTING=OFF -DQUORVEL_BENCHMARKS=OFF -DQUORVEL_TOOLS=ON

# Started with sudo: show the tool as the desktop's own user, on its display.
quorvel_user_prefix
tool=("${QUORVEL_AS_USER[@]}" "$QUORVEL_BUILD/src/Quorvel")

echo "Five simulated boards wait on a private network: press \"搜索\". Close the tool to end."
exec bash "$QUORVEL_ROOT/tests/e2e/rig.sh" \
    --simulator "$QUORVEL_BUILD/tools/board_simulator/board_simulator" \
    --sim --boards "$QUORVEL_ROOT/tools/board_simulator/examples/boards.csv" --exit-after 43200 \
    -- "${tool[@]}"
