#!/usr/bin/env bash
# A PostgreSQL server for one test run: pgserver.sh start DIR | stop DIR.
#
# start makes a new cluster in a temporary folder (initdb), listening on a
# unix socket only (no TCP), and writes that socket's folder to DIR/host; the
# tests connect as the user that runs them, who is the cluster's superuser
# (local connections are trusted). stop shuts it down and removes it.
#
# The server never runs as root: when the tests do (CI), it runs as the
# `postgres` system user that Debian's package creates.
set -euo pipefail

action="${1:-}"
dir="${2:-}"
if [ -z "$action" ] || [ -z "$dir" ]; then
  echo "usage: pgserver.sh start|stop DIR" >&2
  exit 2
fi

# The binaries of the newest installed server; /usr/bin has only wrappers.
bindir=""
for d in /usr/lib/postgresql/*/bin; do
  [ -x "$d/initdb" ] && bindir="$d"
done
if [ -z "$bindir" ]; then
  echo "pgserver.sh: no PostgreSQL server found under /usr/lib/postgresql (install the postgresql package)" >&2
  exit 1
fi

as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

stop() {
  [ -f "$dir/host" ] || return 0
  local base
  base="$(cat "$dir/host")"
  if [ -f "$base/data/postmaster.pid" ]; then
    as_server "$bindir/pg_ctl" stop -D "$base/data" -m immediate -w >/dev/null 2>&1 || true
  fi
  rm -rf "$base"
  rm -f "$dir/host"
}

case "$action" in
start)
  mkdir -p "$dir"
  stop # a server left over from an interrupted run
  # A short path of its own: a socket's path is limited to about 100 bytes.
  base="$(mktemp -d /tmp/inventory-pg.XXXXXX)"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$base"
  chmod 755 "$base"
  echo "$base" >"$dir/host"
  as_server "$bindir/initdb" -D "$base/data" -U "$(id -un)" --auth=trust -E UTF8 --locale=C.UTF-8 \
    >"$base/initdb.log" 2>&1 || { cat "$base/initdb.log" >&2; exit 1; }
  as_server "$bindir/pg_ctl" start -D "$base/data" -w -t 60 -l "$base/server.log" \
    -o "-c listen_addresses='' -c unix_socket_directories='$base' -c max_connections=300 -c shared_buffers=32MB -c fsync=off -c full_page_writes=off" \
    >/dev/null || { cat "$base/server.log" >&2; exit 1; }
  ;;
stop)
  stop
  ;;
*)
  echo "usage: pgserver.sh start|stop DIR" >&2
  exit 2
  ;;
esac
