#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests: a temporary folder, a free port on the loopback
# interface, run as an unprivileged user, password login for the user "velra" (password "velra").
#
#   tests/server/postgres.sh start   starts it and prints the variables the tests read
#                                    (eval "$(tests/server/postgres.sh start)")
#   tests/server/postgres.sh stop    stops the cluster named by VELRA_TEST_PG_DIR and removes it
set -euo pipefail

bin_dir() {
  local dir
  dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -n "$dir" ] || { echo "PostgreSQL ist nicht installiert (initdb fehlt)." >&2; exit 1; }
  echo "$dir"
}

# Commands of the cluster run as its owner: root hands them to the user "postgres".
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

free_port() {
  local port
  for port in $(seq 55432 55532); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
  echo "Kein freier Port für den Testserver gefunden." >&2
  exit 1
}

case "${1:-}" in
  start)
    bin=$(bin_dir)
    dir=$(mktemp -d /tmp/velra-pg.XXXXXX)
    chmod 755 "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
    port=$(free_port)
    printf 'velra\n' > "$dir/password"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir/password"
    as_owner "$bin/initdb" -D "$dir/data" -U velra --pwfile="$dir/password" -E UTF8 --locale=C.UTF-8 \
      --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
      -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off" start \
      >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    echo "export VELRA_TEST_PG_DIR=$dir VELRA_TEST_PG_HOST=127.0.0.1 VELRA_TEST_PG_PORT=$port"
    echo "export VELRA_TEST_PG_USER=velra VELRA_TEST_PG_PASSWORD=velra"
    ;;
  stop)
    dir=${VELRA_TEST_PG_DIR:?VELRA_TEST_PG_DIR fehlt}
    as_owner "$(bin_dir)/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    ;;
  *)
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
