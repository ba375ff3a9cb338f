#!/usr/bin/env bash
# Sets up everything and starts the program: installs what is missing,
# builds, creates the default database with a demo account and demo items
# when there is none, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build="${BUILD_DIR:-build}"
db="$build/app/Records.mdb"
if [ ! -e "$db" ]; then
  "$build/tools/inventory-admin" create "$db" --user admin --password admin --company "Demo Store" --demo
fi
exec "$build/app/inventory"
