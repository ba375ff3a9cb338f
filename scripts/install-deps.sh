#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# when some are missing. Uses sudo when not run as root.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev libsqlcipher-dev libsodium-dev libbenchmark-dev python3
          fonts-liberation fonts-crosextra-caladea
          # the server engine's client library; the tests start a server of their own
          libpq-dev postgresql
          # the printing tests read their PDF back
          poppler-utils
          # the install test: the desktop's validators and an X server of its own
          desktop-file-utils appstream xvfb x11-utils
          # the package: its library dependencies computed from the programs
          dpkg-dev file)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
