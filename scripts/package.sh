#!/usr/bin/env bash
# Builds the programs and their Debian packages, build/quorvel_<version>_<arch>.deb
# (the window) and build/quorvel-cli_<version>_<arch>.deb (the command line),
# as run.sh builds (packages through sudo, the rest as you).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

quorvel_install_packages dpkg-dev file
quorvel_build -DBUILD_TESTING=OFF -DQUORVEL_BENCHMARKS=OFF -DQUORVEL_TOOLS=OFF
(cd "$QUORVEL_BUILD" && quorvel_as_user cpack -G DEB >/dev/null)
ls "$QUORVEL_BUILD"/quorvel_*.deb "$QUORVEL_BUILD"/quorvel-cli_*.deb
