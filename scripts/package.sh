#!/usr/bin/env bash
# Builds the Debian packages the Debian way, from a copy of the tree:
# build/quorvel_<version>_<arch>.deb (the window) and
# build/quorvel-cli_<version>_<arch>.deb (the command line), as you (only the
# installation of missing packages goes through sudo). QUORVEL_GUI=OFF builds
# quorvel-cli alone, without the window's libraries.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

profile=()
if [ "${QUORVEL_GUI:-ON}" = OFF ]; then
    profile=(-Ppkg.quorvel.nogui)
fi
quorvel_install_packages "${QUORVEL_PACKAGE_PACKAGES[@]}"
quorvel_check_build_folder
quorvel_as_user mkdir -p "$QUORVEL_BUILD"
# The install check builds in the same place, so a compiler cache serves both.
packages="$QUORVEL_BUILD/debian-packages"
DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=$(nproc)}" \
    quorvel_as_user bash "$QUORVEL_ROOT/scripts/debian-packages.sh" "$packages" "${profile[@]}"
quorvel_as_user cp "$packages"/quorvel*_*.deb "$QUORVEL_BUILD/"
ls "$QUORVEL_BUILD"/quorvel*_*.deb
