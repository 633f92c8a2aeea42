#!/usr/bin/env bash
# Sets up, builds and starts the tool on this machine's display. Run it as
# yourself: missing packages are installed through sudo, everything else runs
# as you. Started with sudo, it builds and starts the tool as the user who
# called sudo.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

quorvel_install_packages "${QUORVEL_RUN_PACKAGES[@]}"
# Only what the tool needs: no tests, benchmarks, simulator or fuzzers.
quorvel_build -DBUILD_TESTING=OFF -DQUORVEL_BENCHMARKS=OFF -DQUORVEL_TOOLS=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    hint=""
    [ -n "$(quorvel_sudo_user)" ] && hint=" Started with sudo, which drops them: run it without sudo, or with sudo -E."
    echo "Quorvel is built in $QUORVEL_BUILD, but it needs a graphical display to start and none is set (DISPLAY or WAYLAND_DISPLAY).$hint" >&2
    exit 2
fi
quorvel_as_user "$QUORVEL_BUILD/src/Quorvel"
