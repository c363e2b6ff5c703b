#!/usr/bin/env bash
# A PostgreSQL server of the tests' own, in a scratch folder, on loopback and a Unix socket in
# that folder: `start FOLDER PORT` (prints nothing; the server runs in the background) and
# `stop FOLDER` (stops it by the postmaster's pid); a second start uses the data of the first. As root, the server runs as the unprivileged
# user "postgres" of Debian's package, which initdb requires.
set -euo pipefail
command=$1
folder=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  as_owner=(runuser -u postgres --)
fi
case "$command" in
  start)
    port=$3
    mkdir -p "$folder"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$folder"
    if [ ! -f "$folder/data/PG_VERSION" ]; then
      "${as_owner[@]}" "$bin/initdb" -D "$folder/data" -U skw --auth=trust -E UTF8 \
        >"$folder/initdb.log" 2>&1
    fi
    "${as_owner[@]}" "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 \
      -o "-k $folder -p $port -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null
    ;;
  stop)
    pid=$(head -1 "$folder/data/postmaster.pid" 2>/dev/null || true)
    if [ -n "$pid" ]; then
      kill -INT "$pid" 2>/dev/null || true
      for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    ;;
esac
