#!/usr/bin/env bash
# Installs what building and testing need (Debian 12, as root; idempotent),
# then configures and builds into ./build. Sourced by run.sh and test.sh.
set -euo pipefail

QUORVEL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QUORVEL_BUILD="${QUORVEL_BUILD:-$QUORVEL_ROOT/build}"

QUORVEL_PACKAGES=(
    g++ make cmake pkgconf
    qt6-base-dev libgl-dev libgtest-dev
    qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    fonts-wqy-microhei fonts-liberation2
    iproute2
)

quorvel_missing_packages() {
    local missing=() p
    for p in "${QUORVEL_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    echo "${missing[@]:-}"
}

quorvel_install_packages() {
    local missing
    missing="$(quorvel_missing_packages "$@")"
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "These Debian packages are missing: $missing. Run this command as root so it can install them." >&2
        exit 1
    fi
    echo "Installing: $missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# Configures with the given CMake options and builds QUORVEL_TARGETS (default: all).
quorvel_build() {
    cmake -S "$QUORVEL_ROOT" -B "$QUORVEL_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    # shellcheck disable=SC2086
    cmake --build "$QUORVEL_BUILD" -j "$(nproc)" ${QUORVEL_TARGETS:+--target $QUORVEL_TARGETS}
}
