#!/usr/bin/env bash
# Sets up, builds and starts the tool on this machine's display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

quorvel_install_packages "${QUORVEL_RUN_PACKAGES[@]}"
quorvel_build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Quorvel is built in $QUORVEL_BUILD, but it needs a graphical display to start and none is set (DISPLAY or WAYLAND_DISPLAY)." >&2
    exit 2
fi
exec "$QUORVEL_BUILD/src/Quorvel"
