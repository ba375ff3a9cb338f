#!/usr/bin/env bash
# Installs the build into a temporary root, checks the launcher and the
# metainfo with the desktop's validators, checks that no folder the program
# loads plugins or qt.conf from is writable by anyone but root while the
# data folder is the group's, makes the default database with the installed
# inventory-admin and starts the installed program through its link on the
# PATH, on a virtual X display of its own. Run as root, it also plays a
# member of the group (a numeric user and group, through setpriv): refused
# wherever a plugin or qt.conf would be read, and still able to take units
# out, back up and restore. The program has no
# output of its own, so the test looks at what a user sees: the windows the X
# server lists by their titles, the splash window first and then the welcome
# window, which shows only after the database was opened and read (a database
# that cannot be opened shows a message box instead).
#
# usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(mktemp -d)
pids=()
cleanup() {
    # The program first, then its X server.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$root"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for tool in desktop-file-validate appstreamcli Xvfb xwininfo; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

cmake --install "$build" --prefix "$root/tree" >/dev/null
tree=$root/tree
app=org.example.inventory
for f in opt/inventory/inventory opt/inventory/inventory-admin usr/bin/inventory usr/bin/inventory-admin \
         usr/share/applications/$app.desktop usr/share/icons/hicolor/64x64/apps/$app.png \
         usr/share/metainfo/$app.metainfo.xml; do
    [ -e "$tree/$f" ] || fail "$f is not installed"
done
[ -L "$tree/usr/bin/inventory" ] || fail "usr/bin/inventory is not a link"

desktop-file-validate "$tree/usr/share/applications/$app.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$tree/usr/share/metainfo/$app.metainfo.xml" \
    || fail "appstreamcli validate"
# The launcher starts the program in its own folder, whose icon is shipped.
grep -qx "Exec=/opt/inventory/inventory" "$tree/usr/share/applications/$app.desktop" || fail "Exec line"
grep -qx "Icon=$app" "$tree/usr/share/applications/$app.desktop" || fail "Icon line"

# The programs and their folder are root's alone; the data folder is the
# group's (set-group-ID), and others get nothing there.
perm() { stat -c %a "$1"; }
for f in opt opt/inventory usr/bin opt/inventory/inventory opt/inventory/inventory-admin; do
    [ "$(perm "$tree/$f")" = 755 ] || fail "$f has mode $(perm "$tree/$f"), not 755"
done
data=$tree/var/lib/inventory
[ "$(perm "$data")" = 2770 ] || fail "var/lib/inventory has mode $(perm "$data"), not 2770"

# The program's default database, made by the installed admin command in the
# data folder, where the installed program looks for it.
"$tree/usr/bin/inventory-admin" create "$data/Records.mdb" --user admin --password admin \
    --company "Install Test" --demo >/dev/null

if [ "$(id -u)" = 0 ]; then
    worker=$build/tests/removal_worker
    [ -x "$worker" ] || fail "$worker is missing (build the tests first)"
    group=64990 clerk=64991
    member() { setpriv --reuid=$clerk --regid=$group --clear-groups -- "$@"; }
    # As the package's script does for the group inventory.
    chmod 755 "$root"
    chgrp "$group" "$data" "$data/Records.mdb"
    chmod 2770 "$data"
    chmod 660 "$data/Records.mdb"
    rm -f "$data/Records.mdb.inventory-lock"

    # Qt reads plugins from the program's folder and its own plugin folder,
    # and qt.conf from the program's folder: a member can add nothing there,
    # nor replace the folders on the way to them.
    plugins=$(qtpaths6 --plugin-dir)
    for d in "$tree/opt/inventory" "$plugins" "$plugins"/*/; do
        for f in qt.conf imageformats platforms styles libqevil.so; do
            member touch "$d/$f" 2>/dev/null && fail "a member can write $d/$f"
            member mkdir "$d/$f.d" 2>/dev/null && fail "a member can make $d/$f.d"
        done
    done
    for d in "$tree" "$tree/opt" "$tree/usr" "$tree/usr/bin"; do
        member test -w "$d" && fail "a member can write $d"
    done

    # The group still takes units out (the desk's own routine), backs up and
    # restores.
    # Not through the function: the process killed must be the worker itself.
    setpriv --reuid=$clerk --regid=$group --clear-groups -- "$worker" "$data/Records.mdb" 1 "$data/ready" Folder \
        2>"$root/worker.log" &
    wpid=$!
    for _ in $(seq 100); do [ -e "$data/ready" ] || sleep 0.1; done
    sleep 0.5
    kill "$wpid" 2>/dev/null || fail "the removal ended as a member: $(cat "$root/worker.log")"
    wait "$wpid" 2>/dev/null || true
    tally=$(member "$tree/usr/bin/inventory-admin" export "$data/Records.mdb" --table Itemsout | wc -l)
    [ "$tally" -ge 2 ] || fail "a member took no unit out: $(cat "$root/worker.log")"
    member "$tree/usr/bin/inventory-admin" backup "$data/Records.mdb" "$data/Backup.mdb" >/dev/null \
        || fail "a member cannot back up"
    member "$tree/usr/bin/inventory-admin" restore "$data/Backup.mdb" "$data/Records.mdb" >/dev/null \
        || fail "a member cannot restore"
    [ "$(stat -c %g:%a "$data/Records.mdb")" = "$group:660" ] || fail "the restored file is $(stat -c %g:%a "$data/Records.mdb")"
    rm -f "$data/ready" "$data/Backup.mdb" "$data/Records.mdb.before-restore"
    echo "a member of the group can write nothing Qt loads, and can take units out, back up and restore"
else
    echo "not root: the member of the group is not played"
fi

# An X server of the test's own, on a display number picked at random. The
# server takes its display through a lock file that only one can win, so a
# server that cannot have the number ends, and another number is tried; the
# test goes on only when its own server answers on that display.
unset DISPLAY
startX() {
    local display=$((100 + RANDOM % 900))
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp 2>>"$root/xvfb.log" &
    local pid=$!
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        # A server that lost the number ends at once; one still running
        # after answering is ours.
        if DISPLAY=":$display" xwininfo -root >/dev/null 2>&1 && sleep 0.2 && kill -0 "$pid" 2>/dev/null; then
            pids+=("$pid")
            export DISPLAY=":$display"
            return 0
        fi
        sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return 1
}
for attempt in 1 2 3 4 5; do startX && break; done
[ -n "${DISPLAY:-}" ] || fail "no X server: $(cat "$root/xvfb.log")"

titles() { xwininfo -root -tree 2>/dev/null | sed -n 's/^ *0x[0-9a-f]* "\([^"]*\)".*/\1/p'; }
waitFor() {
    for _ in $(seq 150); do
        titles | grep -qx "$1" && return 0
        kill -0 "${pids[-1]}" 2>/dev/null || fail "the program ended while waiting for the window \"$1\""
        sleep 0.1
    done
    fail "no window \"$1\"; windows: $(titles | tr '\n' ',')"
}

QT_QPA_PLATFORM=xcb "$tree/usr/bin/inventory" &
pids+=($!)
waitFor "Form1"      # the splash window
waitFor "Welcome"
titles | grep -q "Tavrisk Inventory System" && fail "a message box is shown"
kill -0 "${pids[-1]}" || fail "the program ended"
echo "installed program shows its splash and welcome windows"
