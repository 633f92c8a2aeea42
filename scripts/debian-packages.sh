#!/usr/bin/env bash
# Builds the Debian packages the Debian way (dpkg-buildpackage -us -uc -b) from
# a copy of the source tree, so that the tree itself gets no debian/ build
# files and no packages beside it. The .deb, .buildinfo and .changes files
# land in OUTPUT_DIR; further arguments go to dpkg-buildpackage
# (-Ppkg.quorvel.nogui: quorvel-cli alone, on Qt Core).
# Usage: debian-packages.sh OUTPUT_DIR [DPKG_BUILDPACKAGE_ARGUMENTS...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
output="$(mkdir -p "$1" && cd "$1" && pwd)"
shift

# The copy's path stays the same from one run to the next, so that a compiler
# cache finds the objects of the last run.
work="$output/source"
rm -rf "$work" && mkdir "$work"
trap 'rm -rf "$work"' EXIT
# Everything but version control, build folders and an earlier in-tree
# package build.
tar -C "$root" --exclude-vcs --exclude='./build*' --exclude='./obj-*' \
    --exclude='./debian/.debhelper' --exclude='./debian/tmp' --exclude='./debian/files' \
    --exclude='./debian/quorvel' --exclude='./debian/quorvel-cli' --exclude='./debian/*.substvars' \
    --exclude='./debian/debhelper-build-stamp' -cf - . | tar -C "$work" -xf - --one-top-level=quorvel
(cd "$work/quorvel" && dpkg-buildpackage -us -uc -b "$@") >"$output/dpkg-buildpackage.log" 2>&1 || {
    tail -n 40 "$output/dpkg-buildpackage.log" >&2
    echo "dpkg-buildpackage failed; the whole log is $output/dpkg-buildpackage.log" >&2
    exit 1
}
find "$work" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.ddeb' -o -name '*.buildinfo' \
    -o -name '*.changes' \) -exec mv -f {} "$output/" \;
