#!/usr/bin/env bash
# Sets up, builds and runs every test through CTest: the suite, the same
# suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run
# of each fuzz target. QUORVEL_QUICK=1 runs only the first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

quorvel_install_packages clang libclang-rt-14-dev
quorvel_build
(cd "$QUORVEL_BUILD" && ctest --output-on-failure -j "$(nproc)")
[ "${QUORVEL_QUICK:-0}" = 1 ] && exit 0

echo "== The suite under AddressSanitizer and UndefinedBehaviorSanitizer"
QUORVEL_BUILD="$QUORVEL_ROOT/build-sanitize" quorvel_build \
    -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_ASAN=ON -DQUORVEL_UBSAN=ON
(cd "$QUORVEL_ROOT/build-sanitize" && ctest --output-on-failure -j "$(nproc)")

echo "== Fuzz targets, ${QUORVEL_FUZZ_SECONDS:-60} s each"
CC=clang CXX=clang++ QUORVEL_BUILD="$QUORVEL_ROOT/build-fuzz" \
    QUORVEL_TARGETS="fuzz_protocol fuzz_reply_paths" quorvel_build \
    -DQUORVEL_FUZZ=ON -DQUORVEL_FUZZ_SECONDS="${QUORVEL_FUZZ_SECONDS:-60}"
cd "$QUORVEL_ROOT/build-fuzz"
ctest --output-on-failure -R '^fuzz_'
