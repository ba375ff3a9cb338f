#!/usr/bin/env bash
# The command-line manners of both programs: --help and --version print to
# standard output and end with 0, an unknown option prints one line of usage
# to standard error and ends with 2. Each runs from a copy in an empty folder
# with no X display and the xcb platform: a program that tried to open a
# window would fail, and one that looked for its database would find none and
# say so.
#
# usage: cli_test.sh INVENTORY INVENTORY_ADMIN VERSION
set -uo pipefail
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$1" "$dir/inventory"
cp "$2" "$dir/inventory-admin"
version=$3
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
failures=0

# program; arguments; exit status; first line of standard output; lines on standard error
cases=(
    "inventory;--help;0;usage: inventory [--help | --version];0"
    "inventory;-h;0;usage: inventory [--help | --version];0"
    "inventory;--version;0;inventory $version;0"
    "inventory;--bogus --version;0;inventory $version;0"
    "inventory;--bogus;2;;1"
    "inventory;-x;2;;1"
    "inventory;Records.mdb;2;;1"
    "inventory;-platform;2;;1"
    "inventory-admin;--help;0;usage:;0"
    "inventory-admin;--version;0;inventory-admin $version;0"
    "inventory-admin;--bogus;2;;1"
)
for c in "${cases[@]}"; do
    IFS=';' read -r program args status first errlines <<<"$c"
    # shellcheck disable=SC2086
    (cd "$dir" && timeout 20 "./$program" $args >"$dir/out" 2>"$dir/err")
    got=$?
    problem=""
    [ "$got" = "$status" ] || problem+=" exit status $got;"
    [ "$(head -n1 "$dir/out")" = "$first" ] || problem+=" standard output: $(head -n1 "$dir/out");"
    [ "$(wc -l <"$dir/err")" = "$errlines" ] || problem+=" standard error: $(cat "$dir/err");"
    if [ "$errlines" = 1 ]; then
        grep -q "^usage: $program" "$dir/err" || problem+=" no usage on standard error;"
    fi
    if [ -n "$problem" ]; then
        echo "FAIL: $program $args:$problem"
        failures=$((failures + 1))
    fi
done
# Qt's own options pass the check and reach Qt, which here finds no display.
(cd "$dir" && timeout 20 ./inventory -style Fusion -reverse >/dev/null 2>"$dir/err")
grep -q "could not connect to display" "$dir/err" \
    || { echo "FAIL: Qt's options did not reach Qt: $(cat "$dir/err")"; failures=$((failures + 1)); }
rm -f "$dir"/core*
[ -z "$(ls "$dir" | grep -v -x -e inventory -e inventory-admin -e out -e err)" ] \
    || { echo "FAIL: files appeared: $(ls "$dir")"; failures=$((failures + 1)); }
exit $((failures > 0))
