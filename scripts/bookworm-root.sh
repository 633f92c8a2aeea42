#!/usr/bin/env bash
# Proves the packaging on a minimal Debian 12: in ROOT (made with
# `debootstrap --variant=minbase bookworm` when missing) it installs only what
# debian/control asks for (`apt-get build-dep ./`), checks it with
# dpkg-checkbuilddeps and builds both packages with dpkg-buildpackage; in
# ROOT-run, a second minimal root, it installs quorvel-cli alone and shows that
# no Widgets, Gui or X11 package came with it, that the service is known to
# deb-systemd-helper and not enabled, and that apt remove leaves nothing
# behind. Runs nothing that searches: only --version and --help. As root.
# Usage: bookworm-root.sh [ROOT [build|install]]   (default
# /var/tmp/quorvel-bookworm, both steps)
set -euo pipefail
root="${1:-/var/tmp/quorvel-bookworm}"
steps="${2:-build install}"
run="$root-run"
source_tree="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mirror=http://deb.debian.org/debian

for dir in "$root" "$run"; do
    [ -x "$dir/usr/bin/apt-get" ] || debootstrap --variant=minbase bookworm "$dir" "$mirror"
    cp /etc/resolv.conf "$dir/etc/resolv.conf"
done
mounted=()
mount_in() {
    mount --bind "/$2" "$1/$2" && mounted=("$1/$2" "${mounted[@]}")
}
trap 'for m in "${mounted[@]}"; do umount "$m"; done' EXIT
for dir in "$root" "$run"; do
    mount_in "$dir" proc
    mount_in "$dir" dev
    mount_in "$dir" dev/pts
done
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"; }
in_run() { chroot "$run" env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"; }

if [[ " $steps " == *" build "* ]]; then
echo "== Build-Depends alone, then the packages"
rm -rf "$root/build" && mkdir -p "$root/build/quorvel"
tar -C "$source_tree" --exclude-vcs --exclude='./build*' -cf - . | tar -C "$root/build/quorvel" -xf -
in_root apt-get update -qq
in_root sh -c 'cd /build/quorvel && apt-get build-dep -y -qq --no-install-recommends ./ >/dev/null'
in_root sh -c 'cd /build/quorvel && dpkg-checkbuilddeps && echo "dpkg-checkbuilddeps: complete"'
in_root sh -c "cd /build/quorvel && DEB_BUILD_OPTIONS=parallel=$(nproc) \
    bash scripts/debian-packages.sh /build/out"
ls "$root/build/out/"*.deb
fi
[[ " $steps " == *" install "* ]] || exit 0

echo "== quorvel-cli on a root without the window's libraries"
cp "$root"/build/out/quorvel-cli_*.deb "$run/tmp/"
in_run apt-get update -qq
# What an earlier run installed goes first, so that the list below is complete.
in_run sh -c 'apt-get purge -y -qq quorvel-cli; apt-get autoremove --purge -y -qq' >/dev/null 2>&1
in_run dpkg-query -W -f='${Package}\n' | sort >"$run/tmp/before"
in_run sh -c 'apt-get install -y -qq --no-install-recommends /tmp/quorvel-cli_*.deb >/dev/null'
in_run dpkg-query -W -f='${Package}\n' | sort >"$run/tmp/after"
echo "packages it brought:" $(comm -13 "$run/tmp/before" "$run/tmp/after")
if comm -13 "$run/tmp/before" "$run/tmp/after" | grep -Ei 'widgets|libqt6gui|x11|xcb|libgl1|libegl|libopengl|libgles'; then
    echo "FAILED: a graphical package came with quorvel-cli" >&2
    exit 1
fi
in_run quorvel --version
in_run sh -c 'quorvel --help >/dev/null && echo "quorvel --help: ok"'
in_run sh -c 'ls /var/lib/systemd/deb-systemd-helper-enabled/ \
    /var/lib/systemd/deb-systemd-helper-enabled/multi-user.target.wants 2>/dev/null || true'
in_run dpkg-query -W -f='conffiles:${Conffiles}\n' quorvel-cli
in_run apt-get remove -y -qq quorvel-cli >/dev/null
in_run sh -c '! command -v quorvel && [ -f /etc/default/quorvel-monitor ] &&
    echo "removed; /etc/default/quorvel-monitor stays until purge"'
in_run apt-get purge -y -qq quorvel-cli >/dev/null
in_run sh -c '[ ! -e /etc/default/quorvel-monitor ] &&
    [ ! -e /var/lib/systemd/deb-systemd-helper-enabled/quorvel-monitor.service.dsh-also ] &&
    echo "purged: the conffile and the service state are gone"'
