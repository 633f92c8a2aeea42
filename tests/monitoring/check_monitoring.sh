#!/usr/bin/env bash
# The service unit's hardening (systemd-analyze: exposure at most 2.0) and the
# example alert rules (promtool). Skips (77) what this machine lacks.
# Usage: check_monitoring.sh UNIT RULES RULES_TEST
set -euo pipefail
unit=$1 rules=$2 rules_test=$3
ran=0
if command -v systemd-analyze >/dev/null; then
    if ! systemd-analyze security --offline=yes --threshold=20 "$unit"; then
        echo "FAIL: $unit is exposed above 2.0" >&2
        exit 1
    fi
    ran=1
fi
if command -v promtool >/dev/null; then
    scratch="$(mktemp -d)"
    trap 'rm -rf "$scratch"' EXIT
    cp "$rules" "$rules_test" "$scratch/"
    promtool check rules "$scratch/$(basename "$rules")"
    (cd "$scratch" && promtool test rules "$(basename "$rules_test")")
    ran=1
fi
[ "$ran" -eq 1 ] || { echo "neither systemd-analyze nor promtool is installed" >&2; exit 77; }
