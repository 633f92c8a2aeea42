#!/usr/bin/env bash
# Sets up, builds and runs every test through CTest: the suite, the same
# suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run
# of each fuzz target. QUORVEL_QUICK=1 runs only the first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

quorvel_install_packages "${QUORVEL_TEST_PACKAGES[@]}"
# Started with sudo: the builds run as the calling user, the tests as root (the
# network rig needs it); whatever the tests leave in the build folders goes
# back to that user.
if [ -n "$(quorvel_sudo_user)" ]; then
    trap 'chown -R "$(quorvel_sudo_user):" "$QUORVEL_ROOT"/build* 2>/dev/null || true' EXIT
fi
quorvel_build -DBUILD_TESTING=ON -DQUORVEL_BENCHMARKS=ON -DQUORVEL_TOOLS=ON
(cd "$QUORVEL_BUILD" && ctest --output-on-failure -j "$(nproc)")
[ "${QUORVEL_QUICK:-0}" = 1 ] && exit 0

echo "== The suite under AddressSanitizer and UndefinedBehaviorSanitizer"
# The benchmarks measure the plain build; here they would only cost build time.
QUORVEL_BUILD="$QUORVEL_ROOT/build-sanitize" quorvel_build \
    -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_ASAN=ON -DQUORVEL_UBSAN=ON -DQUORVEL_BENCHMARKS=OFF
(cd "$QUORVEL_ROOT/build-sanitize" && ctest --output-on-failure -j "$(nproc)")

echo "== Fuzz targets, ${QUORVEL_FUZZ_SECONDS:-30} s each, in the headless configuration"
# Qt Core alone: configuring finds no Widgets, and the command line builds
# beside the targets, so this phase also proves the headless build.
CC=clang CXX=clang++ QUORVEL_BUILD="$QUORVEL_ROOT/build-fuzz" \
    QUORVEL_TARGETS="fuzz_protocol fuzz_reply_paths fuzz_tftp fuzz_endpoint_input fuzz_host_files quorvel" \
        quorvel_build \
    -DQUORVEL_GUI=OFF -DQUORVEL_FUZZ=ON -DQUORVEL_FUZZ_SECONDS="${QUORVEL_FUZZ_SECONDS:-30}"
cd "$QUORVEL_ROOT/build-fuzz"
ctest --output-on-failure -R '^fuzz_'
