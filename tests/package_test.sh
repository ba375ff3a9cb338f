#!/usr/bin/env bash
# Builds the Debian package and checks what it carries: the runtime packages
# it depends on (no development packages; the package of every library the
# packaged programs link, and of the Qt plugins they load, named in Depends
# itself), the files in their places, and the modes of the folders (the
# programs root's alone, the data folder the group's) and the script that
# gives the data folder to the group inventory.
#
# usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
debs=("$out"/inventory_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no package made"
deb=${debs[0]}

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case "$depends" in *-dev*) fail "depends on a development package" ;; esac
# The names in Depends, alternatives included, without versions.
named=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/:any//; s/ //g' | grep .)
isNamed() { grep -qxF "$1" <<<"$named"; }
# The package a file of the build machine belongs to (the library folders may
# be registered under /lib or under /usr/lib).
owner() {
    local f path found
    for f in "$1" "$(realpath "$1")"; do
        for path in "$f" "${f#/usr}" "/usr$f"; do
            found=$(dpkg-query -S "$path" 2>/dev/null | grep -v '^diversion') || continue
            found=${found%%$'\n'*}
            echo "${found%%:*}"
            return
        done
    done
}
# Every library the packaged programs link (their NEEDED entries, found as the
# loader finds them on this machine) comes from a package that Depends names
# itself: one that only comes along with another package may be dropped by it.
dpkg-deb -x "$deb" "$out/tree"
for program in "$out"/tree/opt/inventory/*; do
    file -b "$program" | grep -q '^ELF' || continue
    resolved=$(ldd "$program")
    for lib in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        path=$(awk -v l="$lib" '$1 == l && $2 == "=>" {print $3}' <<<"$resolved")
        [ -f "$path" ] || fail "${program##*/} links $lib, which is not found here"
        p=$(owner "$path")
        [ -n "$p" ] || fail "${program##*/} links $path, which no package installed here owns"
        isNamed "$p" || fail "${program##*/} links $lib (from $p), but Depends does not name $p"
    done
done
# Qt loads its platform (X11, or offscreen without a display) and the print
# dialog's printers as plugins: their packages are named as well.
plugins=$(qtpaths6 --plugin-dir)
for plugin in platforms/libqxcb.so platforms/libqoffscreen.so printsupport/libcupsprintersupport.so; do
    p=$(owner "$plugins/$plugin")
    [ -n "$p" ] || fail "no package installed here owns $plugins/$plugin"
    isNamed "$p" || fail "the plugin $plugin comes from $p, but Depends does not name $p"
done
# The fonts the windows and printouts are drawn in.
for p in fonts-liberation fonts-crosextra-caladea; do
    isNamed "$p" || fail "no dependency on $p"
done

files=$(dpkg-deb -c "$deb" | awk '{print $6 ($7 == "->" ? " -> " $8 : "")}')
for f in ./opt/inventory/inventory ./opt/inventory/inventory-admin \
         "./usr/bin/inventory -> ../../opt/inventory/inventory" \
         "./usr/bin/inventory-admin -> ../../opt/inventory/inventory-admin" \
         ./usr/share/applications/org.example.inventory.desktop \
         ./usr/share/icons/hicolor/64x64/apps/org.example.inventory.png \
         ./usr/share/metainfo/org.example.inventory.metainfo.xml; do
    grep -qxF "$f" <<<"$files" || fail "$f is not in the package"
done
grep -q "/usr/local\|Records.mdb" <<<"$files" && fail "the package carries a file it must not: $(grep "/usr/local\|Records.mdb" <<<"$files")"

dpkg-deb -e "$deb" "$out/control"
[ -x "$out/control/postinst" ] || fail "no postinst"
grep -qx "    chmod 2770 /var/lib/inventory" "$out/control/postinst" || fail "postinst does not open the data folder to the group"
grep -qx "    chmod 0755 /opt/inventory" "$out/control/postinst" || fail "postinst does not keep the programs' folder root's"
grep -q "3775\|chgrp inventory /opt" "$out/control/postinst" && fail "postinst gives the programs' folder to the group"
# Modes as packed: the programs' folder and the programs root's alone, the
# data folder the group's and set-group-ID.
modes=$(dpkg-deb -c "$deb" | awk '{print $1, $2, $6}')
for entry in "drwxr-xr-x root/root ./opt/inventory/" "-rwxr-xr-x root/root ./opt/inventory/inventory" \
             "-rwxr-xr-x root/root ./opt/inventory/inventory-admin" "drwxrws--- root/root ./var/lib/inventory/"; do
    grep -qxF -e "$entry" <<<"$modes" || fail "not in the package as \"$entry\": $(grep -e "${entry##* }" <<<"$modes")"
done
echo "package $(basename "$deb") checked"
