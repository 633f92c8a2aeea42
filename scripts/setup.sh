#!/usr/bin/env bash
# Installs what building and testing need (Debian 12; as root, or through
# sudo for a normal user; idempotent), then configures and builds. Sourced by
# run.sh, test.sh and try.sh.
#
# Started through sudo, the build and the tool run as the user who called
# sudo (SUDO_USER), so the tree never gets files owned by root; only the
# package step and the network rig keep root.
set -euo pipefail

QUORVEL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QUORVEL_BUILD="${QUORVEL_BUILD:-$QUORVEL_ROOT/build}"

# Building and running the tool.
QUORVEL_PACKAGES=(
    g++ make cmake pkgconf
    qt6-base-dev qt6-svg-dev libgl-dev libxcb1-dev
    libyaml-cpp-dev libcrypt-dev libssl-dev
    qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    fonts-wqy-microhei fonts-liberation2
    iproute2
)
# The tests, the checks of the installed files and the package, the fuzzers;
# nftables makes a host firewall inside the end-to-end rig, tftpd-hpa stands
# for the boards' boot loaders there.
QUORVEL_TEST_PACKAGES=(
    libgtest-dev clang libclang-rt-14-dev
    desktop-file-utils appstream dpkg-dev debhelper build-essential file lintian bash-completion
    nftables prometheus tftpd-hpa openssl
    bsdutils
)
# Building the Debian packages (debian/control's Build-Depends are among
# QUORVEL_PACKAGES).
# dpkg-buildpackage refuses to start without build-essential, which a minimal
# system lacks.
QUORVEL_PACKAGE_PACKAGES=(dpkg-dev debhelper build-essential)

# What the tool itself runs on the host: the neighbour steps (iproute2) and
# the telnet session; the firmware push is built in.
QUORVEL_RUN_PACKAGES=(iproute2 iputils-ping telnet)

quorvel_missing_packages() {
    local missing=() p
    for p in "${QUORVEL_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    echo "${missing[@]:-}"
}

quorvel_install_packages() {
    local missing as_root=()
    missing="$(quorvel_missing_packages "$@")"
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "These Debian packages are missing: $missing. Install them as root (apt-get install $missing), then run this command again." >&2
            exit 1
        fi
        echo "Installing with sudo (only this step needs root): $missing"
        as_root=(sudo)
    else
        echo "Installing: $missing"
    fi
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    # shellcheck disable=SC2086
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# The user behind sudo, when root was reached through it; empty otherwise.
quorvel_sudo_user() {
    if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
        echo "$SUDO_USER"
    fi
}

# QUORVEL_AS_USER: the words that run a command as the user behind sudo (with
# that user's home, and the display variables sudo kept); empty when there is
# no such user.
quorvel_user_prefix() {
    QUORVEL_AS_USER=()
    local user home uid
    user="$(quorvel_sudo_user)"
    [ -n "$user" ] || return 0
    home="$(getent passwd "$user" | cut -d: -f6)"
    uid="$(id -u "$user")"
    local environment=(HOME="$home" USER="$user" LOGNAME="$user")
    if [ -n "${DISPLAY:-}" ]; then
        environment+=(DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-$home/.Xauthority}")
    fi
    if [ -n "${WAYLAND_DISPLAY:-}" ]; then
        environment+=(WAYLAND_DISPLAY="$WAYLAND_DISPLAY" XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/run/user/$uid}")
    fi
    QUORVEL_AS_USER=(setpriv --reuid="$uid" --regid="$(id -g "$user")" --init-groups
        env "${environment[@]}")
}

quorvel_as_user() {
    quorvel_user_prefix
    "${QUORVEL_AS_USER[@]}" "$@"
}

# Stops with a clear sentence when the build folder cannot be written by
# whoever builds (a root-owned folder left by an older `sudo` run, say).
quorvel_check_build_folder() {
    local target="$QUORVEL_BUILD"
    [ -e "$target" ] || target="$(dirname "$target")"
    if ! quorvel_as_user test -w "$target"; then
        echo "$target cannot be written by $(quorvel_as_user id -un) (made by another user, an earlier run with sudo perhaps). Remove it (sudo rm -rf $QUORVEL_BUILD) or give it back (sudo chown -R $(quorvel_as_user id -un): $QUORVEL_BUILD), then run this command again." >&2
        exit 1
    fi
}

# Configures with the given CMake options and builds QUORVEL_TARGETS (default:
# all), as the user behind sudo when there is one.
quorvel_build() {
    quorvel_check_build_folder
    quorvel_as_user cmake -S "$QUORVEL_ROOT" -B "$QUORVEL_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    # shellcheck disable=SC2086
    quorvel_as_user cmake --build "$QUORVEL_BUILD" -j "$(nproc)" ${QUORVEL_TARGETS:+--target $QUORVEL_TARGETS}
}
