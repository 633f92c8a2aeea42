#!/usr/bin/env bash
# Sets up, builds and runs every test through CTest.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

quorvel_install_packages
quorvel_build
cd "$QUORVEL_BUILD"
ctest --output-on-failure -j "$(nproc)"
