#!/usr/bin/env bash
# Runs a command beside a throwaway PostgreSQL server:
#   scripts/test-postgres.sh COMMAND [ARGUMENTS...]
# The server is made with initdb in a temporary folder, by an unprivileged
# account (postgres when run as root), listens on a Unix socket in that
# folder only, trusts local connections, and is stopped and removed when
# the command ends, whatever its outcome. The command finds it through
# ORBEKO_TEST_PG, a libpq connection string.
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGUMENTS...]" >&2; exit 2; }

find_tool() {  # name: the newest installed PostgreSQL's program
  if command -v "$1" >/dev/null 2>&1 && "$1" --version >/dev/null 2>&1; then
    command -v "$1"
    return
  fi
  local found
  found=$(ls -d /usr/lib/postgresql/*/bin/"$1" 2>/dev/null | sort -V | tail -n 1)
  [ -n "$found" ] || { echo "$0: $1 not found; install Debian's postgresql package" >&2; exit 1; }
  echo "$found"
}
initdb=$(find_tool initdb)
pg_ctl=$(find_tool pg_ctl)

folder=$(mktemp -d "${TMPDIR:-/tmp}/orbeko-pg.XXXXXX")
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  # The server refuses to run as root.
  chown postgres: "$folder"
  as_owner=(runuser -u postgres --)
fi

stop() {
  "${as_owner[@]}" "$pg_ctl" -D "$folder/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$folder"
}
trap stop EXIT

"${as_owner[@]}" "$initdb" -D "$folder/data" -U orbeko -A trust -E UTF8 --locale=C.UTF-8 -N >"$folder/initdb.log" 2>&1 \
  || { cat "$folder/initdb.log" >&2; exit 1; }
# Durability buys nothing on a server thrown away after the run.
if ! "${as_owner[@]}" "$pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -s \
    -o "-c listen_addresses='' -c unix_socket_directories='$folder' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=300" \
    start; then
  cat "$folder/server.log" >&2
  exit 1
fi
export ORBEKO_TEST_PG="host=$folder user=orbeko dbname=postgres"
set +e
"$@"
status=$?
set -e
exit $status
