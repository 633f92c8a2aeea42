#!/usr/bin/env bash
# Fails when the committed .ts is not what lupdate writes from the sources
# (a text added, changed or removed without updating the translation), or
# when any text in it is left untranslated.
# Usage: lupdate_check.sh LUPDATE TS_FILE SOURCE_LIST [LUPDATE_OPTION...]
set -euo pipefail

lupdate="$1" ts="$2" sources="$3"
shift 3

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/current.ts"
"$lupdate" "$@" "@$sources" -ts "$work/current.ts" >/dev/null

status=0
if ! diff -u "$ts" "$work/current.ts"; then
    echo "$ts is out of date: run 'cmake --build build --target quorvel_lupdate' and translate what is new." >&2
    status=1
fi
if grep -n 'type="unfinished"\|type="vanished"\|type="obsolete"' "$ts" >&2; then
    echo "$ts has texts without a finished translation (lines above)." >&2
    status=1
fi
exit "$status"
