#!/usr/bin/env bash
# The installed program and its package: `cmake --install` into a staging
# folder gives exactly the files listed below, the desktop entry and the
# metainfo pass their validators (when installed), the installed program
# answers --version, --help and a bad option without a display, and
# `cpack -G DEB` builds quorvel-cli_<version>_<arch>.deb (the command line,
# Qt Core only) and, with the window, quorvel_<version>_<arch>.deb, each with
# its copyright and changelog, and lintian (when installed) finds no error.
# Usage: check_install.sh BUILD_DIR VERSION APP_ID "cli gui"|cli
set -uo pipefail
BUILD="$1"
VERSION="$2"
ID="$3"
PARTS="${4:-cli gui}"
PARTS="${PARTS//;/ }" # a CMake list
has_gui() { [[ " $PARTS " == *" gui "* ]]; }
SCRATCH="$(mktemp -d /tmp/quorvel-install-check.XXXXXX)"
trap 'rm -rf "$SCRATCH"' EXIT
failures=0

check() {
    if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

# Every file each package installs, under the prefix /usr.
cli_files=(
    bin/quorvel
    share/man/man1/quorvel.1.gz
    share/bash-completion/completions/quorvel
    share/doc/quorvel-cli/LICENSE
    share/doc/quorvel-cli/copyright
    share/doc/quorvel-cli/changelog.Debian.gz
    lib/systemd/system/quorvel-monitor.service
    share/doc/quorvel-cli/examples/quorvel-monitor.default
    share/doc/quorvel-cli/examples/quorvel.rules.yml
    share/doc/quorvel-cli/examples/web-config.yml
    share/doc/quorvel-cli/examples/prometheus-tls.yml
)
gui_files=(
    bin/Quorvel
    "share/applications/$ID.desktop"
    "share/metainfo/$ID.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$ID.svg"
    share/man/man1/Quorvel.1.gz
    share/quorvel/translations/quorvel_en.qm
    share/quorvel/translations/quorvel_zh_CN.qm
    share/doc/quorvel/LICENSE
    share/doc/quorvel/copyright
    share/doc/quorvel/changelog.Debian.gz
    share/doc/quorvel/manual/manual.css
    share/doc/quorvel/manual/zh_CN/index.html
    share/doc/quorvel/manual/en/index.html
    share/doc/quorvel/manual/images/main-window.png
    share/doc/quorvel/manual/images/search.png
    share/doc/quorvel/manual/images/assign.png
    share/doc/quorvel/manual/images/printer-status.png
    share/doc/quorvel/manual/images/no-devices.png
    share/doc/quorvel/manual/images/no-devices-en.png
    share/doc/quorvel/manual/images/search-settings.png
    share/doc/quorvel/manual/images/search-settings-en.png
    share/doc/quorvel/manual/images/settings-marker.png
    share/doc/quorvel/manual/images/settings-marker-en.png
    share/doc/quorvel/manual/images/printer-overview.png
    share/doc/quorvel/manual/images/printer-overview-en.png
)
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
    gui_files+=("share/icons/hicolor/${size}x${size}/apps/$ID.png")
done
expected=("${cli_files[@]}")
has_gui && expected+=("${gui_files[@]}")

staging="$SCRATCH/staging"
DESTDIR="$staging" cmake --install "$BUILD" --prefix /usr >"$SCRATCH/install.log" 2>&1
check "cmake --install succeeds" '[ $? -eq 0 ] || { cat "$SCRATCH/install.log"; false; }'
(cd "$staging/usr" && find . -type f | sed 's|^\./||' | sort) >"$SCRATCH/installed"
printf '%s\n' "${expected[@]}" | sort >"$SCRATCH/expected"
check "the install gives exactly the expected files" \
    'diff -u "$SCRATCH/expected" "$SCRATCH/installed"'
check "the command line's manual page names the version" \
    'zcat "$staging/usr/share/man/man1/quorvel.1.gz" | grep -q "Quorvel $VERSION"'
check "the command line prints the version" \
    '[ "$("$staging/usr/bin/quorvel" --version)" = "quorvel $VERSION" ]'
# Completes a line as bash does for Tab (bash-completion reads COMP_LINE and COMP_POINT).
completes() {
    bash -c 'source /usr/share/bash-completion/bash_completion 2>/dev/null ||
                 _init_completion() { words=("${COMP_WORDS[@]}") cword=$COMP_CWORD
                                      cur=${words[cword]} prev=${words[cword - 1]}; }
             source "$1"; COMP_LINE=$2 COMP_POINT=${#2} COMP_TYPE=9 COMP_KEY=9
             read -ra COMP_WORDS <<<"$2"; COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
             _quorvel && echo "${COMPREPLY[*]}"' _ "$staging/usr/share/bash-completion/completions/quorvel" "$1"
}
check "the completion offers the commands" '[ "$(completes "quorvel se")" = search ]'
if has_gui; then
    check "the program is executable" '[ -x "$staging/usr/bin/Quorvel" ]'
    for size in "${sizes[@]}"; do
        check "the ${size} px icon is ${size} x ${size}" \
            'file "$staging/usr/share/icons/hicolor/${size}x${size}/apps/$ID.png" | grep -q "PNG image data, $size x $size,"'
    done
    check "the manual page names the version" \
        'zcat "$staging/usr/share/man/man1/Quorvel.1.gz" | grep -q "Quorvel $VERSION"'
    check "the metainfo carries the version and the licences" \
        'grep -q "<release version=\"$VERSION\"" "$staging/usr/share/metainfo/$ID.metainfo.xml" &&
         grep -q "<metadata_license>MIT</metadata_license>" "$staging/usr/share/metainfo/$ID.metainfo.xml" &&
         grep -q "<project_license>MIT</project_license>" "$staging/usr/share/metainfo/$ID.metainfo.xml"'

    if command -v desktop-file-validate >/dev/null; then
        check "desktop-file-validate accepts the desktop entry without a hint" \
            'desktop-file-validate "$staging/usr/share/applications/$ID.desktop" >"$SCRATCH/dfv.log" 2>&1 &&
             [ ! -s "$SCRATCH/dfv.log" ] || { cat "$SCRATCH/dfv.log"; false; }'
    else
        echo "not checked: desktop-file-validate is missing (desktop-file-utils)"
    fi
    if command -v appstreamcli >/dev/null; then
        check "appstreamcli accepts the metainfo" \
            'appstreamcli validate --no-net "$staging/usr/share/metainfo/$ID.metainfo.xml" >"$SCRATCH/as.log" 2>&1 || { cat "$SCRATCH/as.log"; false; }'
    else
        echo "not checked: appstreamcli is missing (appstream)"
    fi

    # The installed program, with no display at all.
    program=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$staging/usr/bin/Quorvel")
    output="$("${program[@]}" --version 2>&1)"
    check "--version prints the version" '[ "$output" = "Quorvel $VERSION" ]'
    output="$("${program[@]}" --help 2>&1)"
    check "--help lists the options" '[[ "$output" == *"--version"* && "$output" == *"--help"* ]]'
    "${program[@]}" --no-such-option >"$SCRATCH/out" 2>"$SCRATCH/err"
    status=$?
    check "a bad option exits 2" '[ "$status" -eq 2 ]'
    check "a bad option gives one line of error and nothing else" \
        '[ "$(wc -l <"$SCRATCH/err")" -eq 1 ] && grep -q "no-such-option" "$SCRATCH/err" && [ ! -s "$SCRATCH/out" ]'
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:4091 "$staging/usr/bin/Quorvel" 2>"$SCRATCH/err"
    check "a display that does not answer: status 2 and one line, not Qt's abort" \
        '[ $? -eq 2 ] && [ "$(wc -l <"$SCRATCH/err")" -eq 1 ] && grep -q ":4091" "$SCRATCH/err"'
fi

# The packages.
list_files() { dpkg-deb -c "$1" | awk '$1 ~ /^-/ {print $NF}' | sed 's|^\./usr/||' | sort; }
if command -v dpkg-shlibdeps >/dev/null && command -v dpkg-deb >/dev/null; then
    (cd "$BUILD" && cpack -G DEB -B "$SCRATCH/package" >"$SCRATCH/cpack.log" 2>&1)
    check "cpack -G DEB succeeds" '[ $? -eq 0 ] || { cat "$SCRATCH/cpack.log"; false; }'
    arch="$(dpkg --print-architecture)"
    cli_deb="$SCRATCH/package/quorvel-cli_${VERSION}_$arch.deb"
    check "the command line's package is quorvel-cli_<version>_<arch>.deb" '[ -f "$cli_deb" ]'
    printf '%s\n' "${cli_files[@]}" | sort >"$SCRATCH/cli-expected"
    check "quorvel-cli holds exactly the command line's files" \
        'diff -u "$SCRATCH/cli-expected" <(list_files "$cli_deb")'
    depends="$(dpkg-deb -f "$cli_deb" Depends 2>/dev/null)"
    check "quorvel-cli depends on Qt Core, ip and ping" \
        '[[ "$depends" == *libqt6core6* && "$depends" == *iproute2* && "$depends" == *iputils-ping* ]]'
    check "quorvel-cli depends on no Widgets, Gui or X11 library" \
        '! grep -Eiq "libqt6(widgets|gui)|libx11|libxcb|libgl" <<<"$depends" || { echo "$depends"; false; }'
    if has_gui; then
        deb="$SCRATCH/package/quorvel_${VERSION}_$arch.deb"
        check "the window's package is quorvel_<version>_<arch>.deb" '[ -f "$deb" ]'
        printf '%s\n' "${gui_files[@]}" | sort >"$SCRATCH/gui-expected"
        check "quorvel holds exactly the window's files" \
            'diff -u "$SCRATCH/gui-expected" <(list_files "$deb")'
        depends="$(dpkg-deb -f "$deb" Depends 2>/dev/null)"
        check "quorvel depends on Qt Widgets, a Chinese font and quorvel-cli of its version" \
            '[[ "$depends" == *libqt6widgets6* && "$depends" == *fonts-wqy-microhei* &&
               "$depends" == *"quorvel-cli (= $VERSION)"* ]]'
        check "it recommends a terminal and suggests telnet (firmware needs no TFTP client)" \
            '[[ "$(dpkg-deb -f "$deb" Recommends)" == *x-terminal-emulator* &&
               "$(dpkg-deb -f "$deb" Suggests)" == *telnet* &&
               "$(dpkg-deb -f "$deb" Suggests)" != *tftp* ]]'
    fi
    for package in "$cli_deb" $(has_gui && echo "$deb"); do
        check "$(basename "$package"): description lines fit 80 columns, lintian finds no error" \
            '! dpkg-deb -f "$package" Description | awk "length > 80" | grep -q . &&
             { ! command -v lintian >/dev/null || lintian "$package" >"$SCRATCH/lint" 2>&1
               ! grep -q "^E:" "$SCRATCH/lint" || { cat "$SCRATCH/lint"; false; }; }'
    done
    command -v lintian >/dev/null || echo "not checked: lintian is missing"
else
    echo "not checked: the packages (dpkg-dev is missing)"
fi

[ "$failures" -eq 0 ]
