#!/usr/bin/env bash
# Builds the Debian package and checks what it carries: the runtime packages
# it depends on (no development packages), the files in their places, and
# the modes of the folders (the programs root's alone, the data folder the
# group's) and the script that gives the data folder to the group inventory.
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
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libsqlcipher0 libsodium23 \
         fonts-liberation fonts-crosextra-caladea; do
    [[ ",$depends," =~ [,\ ]$p[\ ,] ]] || fail "no dependency on $p"
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
