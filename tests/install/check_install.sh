#!/usr/bin/env bash
# The installed program, its pages and its packages: `cmake --install` into a
# staging folder gives exactly the files listed below; the desktop entry and
# the metainfo pass their validators (when installed); the installed programs
# answer --version, --help and a bad option without a display; the manual
# pages name every command and option the programs know, the completion
# offers every option and nothing the parser refuses, the manuals list every
# exit status; and dpkg-buildpackage (when debhelper is installed) builds
# quorvel-cli and, with the window, quorvel from a copy of the tree, each with
# exactly its files, its dependencies, the service's maintainer scripts, and
# no lintian error or warning.
# Usage: check_install.sh BUILD_DIR VERSION APP_ID "cli gui"|cli
set -uo pipefail
BUILD="$1"
VERSION="$2"
ID="$3"
PARTS="${4:-cli gui}"
PARTS="${PARTS//;/ }" # a CMake list
SOURCE="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
has_gui() { [[ " $PARTS " == *" gui "* ]]; }
SCRATCH="$(mktemp -d /tmp/quorvel-install-check.XXXXXX)"
trap 'rm -rf "$SCRATCH"' EXIT
failures=0

check() {
    if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

# Every file each part installs, under the prefix /usr (the options file under
# the prefix's etc, as GNUInstallDirs places it).
cli_files=(
    bin/quorvel
    etc/default/quorvel-monitor
    share/man/man1/quorvel.1.gz
    share/bash-completion/completions/quorvel
    lib/systemd/system/quorvel-monitor.service
    share/doc/quorvel-cli/examples/quorvel.rules.yml
    share/doc/quorvel-cli/examples/web-config.yml
    share/doc/quorvel-cli/examples/prometheus-tls.yml
    share/doc/quorvel-cli/examples/prometheus-probe.yml
)
manual=share/quorvel/manual
gui_files=(
    bin/Quorvel
    "share/applications/$ID.desktop"
    "share/metainfo/$ID.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$ID.svg"
    share/man/man1/Quorvel.1.gz
    share/quorvel/translations/quorvel_en.qm
    share/quorvel/translations/quorvel_zh_CN.qm
    $manual/manual.css
    $manual/zh_CN/index.html
    $manual/en/index.html
)
for image in main-window search assign printer-status no-devices no-devices-en search-settings \
    search-settings-en settings-marker settings-marker-en printer-overview printer-overview-en; do
    gui_files+=("$manual/images/$image.png")
done
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
cli="$staging/usr/bin/quorvel"
check "the command line's manual page names the version" \
    'zcat "$staging/usr/share/man/man1/quorvel.1.gz" | grep -q "Quorvel $VERSION"'
check "the command line prints the version" '[ "$("$cli" --version)" = "quorvel $VERSION" ]'

# A page's section as plain text: font escapes and roff's dashes undone.
section() {
    zcat "$1" | sed 's/\\f[BIRP]//g; s/\\-/-/g; s/\\&//g; s/\\e/\\/g' |
        awk -v want="$2" '/^\.SH/ { name = $0; sub(/^\.SH +"?/, "", name); sub(/"$/, "", name)
                                    inside = (name == want); next }
                          inside'
}
# What the command line's own help says it has: its commands, every option,
# its exit statuses.
"$cli" --help >"$SCRATCH/help"
awk '/^Commands:/ { on = 1; next } /^$/ { on = 0 } on && /^  [a-z]/ { print $1 }' \
    "$SCRATCH/help" >"$SCRATCH/commands"
echo help >>"$SCRATCH/commands"
grep -oE '^  (-[A-Za-z], |    )--[a-z0-9-]+' "$SCRATCH/help" | grep -oE -- '--[a-z0-9-]+' \
    >"$SCRATCH/options"
tr '\n' ' ' <"$SCRATCH/help" | grep -oE '(: |; )(128\+N|[0-9]+) ' | tr -d ':; ' \
    >"$SCRATCH/statuses"
check "the help lists the commands, options and exit statuses" \
    '[ "$(wc -l <"$SCRATCH/commands")" -ge 5 ] && [ "$(wc -l <"$SCRATCH/options")" -ge 20 ] &&
     [ "$(tr "\n" " " <"$SCRATCH/statuses")" = "0 1 2 3 4 5 128+N " ]'
page="$staging/usr/share/man/man1/quorvel.1.gz"
missing=()
while read -r command; do
    section "$page" SYNOPSIS | grep -q "^quorvel $command\b" || missing+=("SYNOPSIS: $command")
    section "$page" DESCRIPTION | grep -Eq "^\.BR? $command( |$)" ||
        missing+=("DESCRIPTION: $command")
    section "$page" COMMANDS | grep -Eq "^\.BI? \"?$command( |\"|$)" ||
        missing+=("COMMANDS: $command")
done <"$SCRATCH/commands"
while read -r option; do
    section "$page" OPTIONS | grep -q -- "$option\b" || missing+=("OPTIONS: $option")
done <"$SCRATCH/options"
for part in ENVIRONMENT FILES "SEE ALSO" "EXIT STATUS" METRICS; do
    [ -n "$(section "$page" "$part")" ] || missing+=("section $part")
done
check "quorvel(1) has every command, option and section the program has" \
    '[ ${#missing[@]} -eq 0 ] || { printf "  missing %s\n" "${missing[@]}"; false; }'

# Completes a line as bash does for Tab (bash-completion reads COMP_LINE and
# COMP_POINT); a line that ends in a space completes a new word.
completion="$staging/usr/share/bash-completion/completions/quorvel"
completes() {
    bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"
             COMP_LINE=$2 COMP_POINT=${#2} COMP_TYPE=9 COMP_KEY=9
             read -ra COMP_WORDS <<<"$2"; [[ $2 == *" " ]] && COMP_WORDS+=("")
             COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
             _quorvel && printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$1" | sort
}
if [ -f /usr/share/bash-completion/bash_completion ]; then
    check "the completion offers the commands" \
        '[ "$(completes "quorvel se")" = search ] && [ "$(completes "quorvel help mon")" = monitor ]'
    check "the completion knows --opt=value and the options' values" \
        '[ "$(completes "quorvel search --interface=l")" = lo ] &&
         [ "$(completes "quorvel search --wait 5 --interface l")" = lo ] &&
         [ -z "$(completes "quorvel monitor --listen=")" ]'
    check "assign offers --json only to a plan" \
        '! completes "quorvel assign 00-0B-3C-12-34-56 --" | grep -qx -- --json &&
         completes "quorvel assign --plan=p.csv --" | grep -qx -- --json &&
         ! completes "quorvel assign --plan p.csv --" | grep -qx -- --dhcp'
    # Each word must be one the parser takes for that command (with a value
    # where it needs one); --help first, so nothing ever runs.
    unknown=()
    # Every command, and the modes that change what a command takes.
    mapfile -t lines < <(grep -vx help "$SCRATCH/commands")
    lines+=("assign --plan p.csv" "monitor --probe-only")
    for line in "${lines[@]}"; do
        while read -r word; do
            "$cli" --help $line "$word" >/dev/null 2>&1 ||
                "$cli" --help $line "$word=1" >/dev/null 2>&1 || unknown+=("$line $word")
        done < <(completes "quorvel $line -")
    done
    check "every word the completion offers is an option the parser knows" \
        '[ ${#unknown[@]} -eq 0 ] || { printf "  unknown: %s\n" "${unknown[@]}"; false; }'
else
    echo "not checked: the completion (bash-completion is missing)"
fi

if has_gui; then
    check "the program is executable" '[ -x "$staging/usr/bin/Quorvel" ]'
    for size in "${sizes[@]}"; do
        check "the ${size} px icon is ${size} x ${size}" \
            'file "$staging/usr/share/icons/hicolor/${size}x${size}/apps/$ID.png" | grep -q "PNG image data, $size x $size,"'
    done
    gui_page="$staging/usr/share/man/man1/Quorvel.1.gz"
    check "the manual page names the version" 'zcat "$gui_page" | grep -q "Quorvel $VERSION"'
    check "Quorvel(1) documents -V, the settings file and the installed manual" \
        'section "$gui_page" OPTIONS | grep -q "^.BR -V" &&
         section "$gui_page" FILES | grep -q "quorvel/Quorvel.conf" &&
         section "$gui_page" FILES | grep -q "/share/quorvel/manual/"'
    for language in en zh_CN; do
        statuses=()
        while read -r status; do
            grep -q "<td>$status</td>" "$staging/usr/$manual/$language/index.html" ||
                statuses+=("$status")
        done <"$SCRATCH/statuses"
        check "the $language manual lists every exit status and has the monitor's chapter" \
            '[ ${#statuses[@]} -eq 0 ] && grep -q "id=\"monitor\"" "$staging/usr/$manual/$language/index.html" ||
             { echo "  missing statuses: ${statuses[*]}"; false; }'
    done
    check "the metainfo carries the version, its notes, the licences and the bug tracker" \
        'grep -q "<release version=\"$VERSION\"" "$staging/usr/share/metainfo/$ID.metainfo.xml" &&
         grep -q "<metadata_license>MIT</metadata_license>" "$staging/usr/share/metainfo/$ID.metainfo.xml" &&
         grep -q "<project_license>MIT</project_license>" "$staging/usr/share/metainfo/$ID.metainfo.xml" &&
         grep -q "<url type=\"bugtracker\">" "$staging/usr/share/metainfo/$ID.metainfo.xml"'

    if command -v desktop-file-validate >/dev/null; then
        check "desktop-file-validate accepts the desktop entry without a hint" \
            'desktop-file-validate "$staging/usr/share/applications/$ID.desktop" >"$SCRATCH/dfv.log" 2>&1 &&
             [ ! -s "$SCRATCH/dfv.log" ] || { cat "$SCRATCH/dfv.log"; false; }'
    else
        echo "not checked: desktop-file-validate is missing (desktop-file-utils)"
    fi
    if command -v appstreamcli >/dev/null; then
        # Debian 12's appstream (0.16) predates <developer> and calls it an
        # unknown tag (an info); it and the application id's capital letter
        # (pedantic) are the only remarks allowed.
        check "appstreamcli validate --pedantic accepts the metainfo" \
            'appstreamcli validate --no-net --pedantic "$staging/usr/share/metainfo/$ID.metainfo.xml" >"$SCRATCH/as.log" 2>&1 &&
             ! grep -E "^[EW]:|^I:" "$SCRATCH/as.log" | grep -v "unknown-tag developer" | grep -q . ||
             { cat "$SCRATCH/as.log"; false; }'
    else
        echo "not checked: appstreamcli is missing (appstream)"
    fi

    # The installed program, with no display at all.
    program=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$staging/usr/bin/Quorvel")
    output="$("${program[@]}" --version 2>&1)"
    check "--version prints the version" '[ "$output" = "Quorvel $VERSION" ]'
    output="$("${program[@]}" --help 2>&1)"
    check "--help lists the options, each in Quorvel(1)" \
        '[[ "$output" == *"--version"* && "$output" == *"--help"* ]] &&
         ! grep -oE -- "--[a-z-]+" <<<"$output" | while read -r option; do
               section "$gui_page" OPTIONS | grep -q -- "$option" || echo "$option"; done | grep .'
    "${program[@]}" --no-such-option >"$SCRATCH/out" 2>"$SCRATCH/err"
    status=$?
    check "a bad option exits 2" '[ "$status" -eq 2 ]'
    check "a bad option gives one line of error and nothing else" \
        '[ "$(wc -l <"$SCRATCH/err")" -eq 1 ] && grep -q "no-such-option" "$SCRATCH/err" && [ ! -s "$SCRATCH/out" ]'
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:4091 "$staging/usr/bin/Quorvel" 2>"$SCRATCH/err"
    check "a display that does not answer: status 2 and one line, not Qt's abort" \
        '[ $? -eq 2 ] && [ "$(wc -l <"$SCRATCH/err")" -eq 1 ] && grep -q ":4091" "$SCRATCH/err"'
fi

# The packages, built the Debian way.
if ! command -v dpkg-buildpackage >/dev/null || ! command -v dh >/dev/null; then
    echo "not checked: the packages (dpkg-dev and debhelper are missing)"
    [ "$failures" -eq 0 ]
    exit
fi
profile=()
has_gui || profile=(-Ppkg.quorvel.nogui)
started=$SECONDS
debs="$BUILD/debian-packages"
rm -rf "$debs"
DEB_BUILD_OPTIONS="noddebs parallel=$(nproc)" \
    bash "$SOURCE/scripts/debian-packages.sh" "$debs" "${profile[@]}" >"$SCRATCH/deb.log" 2>&1
check "dpkg-buildpackage -us -uc -b builds the packages ($((SECONDS - started)) s)" \
    '[ $? -eq 0 ] || { cat "$SCRATCH/deb.log"; false; }'
arch="$(dpkg --print-architecture)"
revision="$(dpkg-parsechangelog -l "$SOURCE/debian/changelog" -S Version)"
check "the Debian version is the project's with a Debian revision" '[[ "$revision" == "$VERSION"-* ]]'
deb_files() { dpkg-deb -c "$1" | awk '$1 ~ /^-/ {print $NF}' | sed 's|^\./||' | sort; }
debian_layout() { # the staging lists, as the package places them
    sed -E 's|^etc/|/etc/|; s|^lib/systemd/|/lib/systemd/|; s|^([^/])|usr/\1|; s|^/||'
}
cli_deb="$debs/quorvel-cli_${revision}_$arch.deb"
check "the command line's package is quorvel-cli_<version>_<arch>.deb" '[ -f "$cli_deb" ]'
{
    printf '%s\n' "${cli_files[@]}" | debian_layout
    printf 'usr/share/doc/quorvel-cli/%s\n' copyright changelog.Debian.gz
    echo usr/share/lintian/overrides/quorvel-cli
} | sort >"$SCRATCH/cli-expected"
check "quorvel-cli holds exactly the command line's files" \
    'diff -u "$SCRATCH/cli-expected" <(deb_files "$cli_deb")'
depends="$(dpkg-deb -f "$cli_deb" Depends)"
check "quorvel-cli depends on Qt Core, ip and ping, and on no Widgets, Gui or X11 library" \
    '[[ "$depends" == *libqt6core6* && "$depends" == *iproute2* && "$depends" == *iputils-ping* ]] &&
     ! grep -Eiq "libqt6(widgets|gui)|libx11|libxcb|libgl" <<<"$depends" || { echo "$depends"; false; }'
dpkg-deb -e "$cli_deb" "$SCRATCH/cli-control"
check "/etc/default/quorvel-monitor is a conffile" \
    'grep -qx /etc/default/quorvel-monitor "$SCRATCH/cli-control/conffiles"'
check "the service is made known to systemd, not enabled, not started on install" \
    'grep -q "daemon-reload" "$SCRATCH/cli-control/postinst" &&
     grep -q "deb-systemd-helper update-state .quorvel-monitor.service" "$SCRATCH/cli-control/postinst" &&
     ! grep -q "deb-systemd-helper enable .quorvel-monitor.service.$" "$SCRATCH/cli-control/postinst"'
check "an upgrade restarts a running monitor, removal stops it" \
    'grep -q "_dh_action=restart" "$SCRATCH/cli-control/postinst" &&
     grep -q "deb-systemd-invoke stop .quorvel-monitor.service" "$SCRATCH/cli-control/prerm"'
packages=("$cli_deb")
if has_gui; then
    deb="$debs/quorvel_${revision}_$arch.deb"
    packages+=("$deb")
    check "the window's package is quorvel_<version>_<arch>.deb" '[ -f "$deb" ]'
    {
        printf '%s\n' "${gui_files[@]}" | debian_layout
        printf 'usr/share/doc/quorvel/%s\n' copyright changelog.Debian.gz
        echo usr/share/lintian/overrides/quorvel
    } | sort >"$SCRATCH/gui-expected"
    check "quorvel holds exactly the window's files" \
        'diff -u "$SCRATCH/gui-expected" <(deb_files "$deb")'
    check "the manual is linked from /usr/share/doc/quorvel" \
        'dpkg-deb -c "$deb" | grep -q "\./usr/share/doc/quorvel/manual -> \.\./\.\./quorvel/manual$"'
    depends="$(dpkg-deb -f "$deb" Depends)"
    check "quorvel depends on Qt Widgets, a Chinese font and quorvel-cli of its version" \
        '[[ "$depends" == *libqt6widgets6* && "$depends" == *fonts-wqy-microhei* &&
           "$depends" == *"quorvel-cli (= $revision)"* ]]'
    check "it recommends a terminal and suggests telnet (firmware needs no TFTP client)" \
        '[[ "$(dpkg-deb -f "$deb" Recommends)" == *x-terminal-emulator* &&
           "$(dpkg-deb -f "$deb" Suggests)" == *telnet* &&
           "$(dpkg-deb -f "$deb" Suggests)" != *tftp* ]]'
fi
if command -v lintian >/dev/null; then
    check "lintian finds no error and no warning" \
        'lintian --fail-on error,warning "${packages[@]}" >"$SCRATCH/lint" 2>&1 || { cat "$SCRATCH/lint"; false; }'
else
    echo "not checked: lintian is missing"
fi

[ "$failures" -eq 0 ]
