#!/usr/bin/env bash
# The tests' private PostgreSQL server: its own data folder under the build tree, a Unix socket in a private
# folder, no TCP port. Run as root, the server runs as the postgres user.
#   pg-server.sh start FOLDER DATA_PROGRAM   a fresh server, the role of the running program and the template book
#   pg-server.sh stop FOLDER                 stops it (also one left running by an earlier run) and removes FOLDER
set -euo pipefail
action=$1
base=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/pg_ctl" ] || { echo "PostgreSQL server programs not found (postgresql-15)" >&2; exit 1; }

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop() {
    if [ -f "$base/data/postmaster.pid" ]; then
        as_owner "$bin/pg_ctl" -D "$base/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$base"
}

case "$action" in
stop)
    stop
    ;;
start)
    data_program=$3
    stop
    mkdir -p "$base/data" "$base/sock"
    chmod 700 "$base/data" "$base/sock"
    [ "$(id -u)" -eq 0 ] && chown -R postgres:postgres "$base"
    as_owner "$bin/initdb" -D "$base/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 --no-sync \
        >"$base/initdb.log" 2>&1 || { cat "$base/initdb.log" >&2; exit 1; }
    # Test data needs no durability: the server's files go away with the run.
    cat >>"$base/data/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$base/sock'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 300
CONF
    # One role signs in with a password, as an office's desktops without ~/.pgpass do; the others are trusted.
    sed -i '1i local all velloran_pw scram-sha-256' "$base/data/pg_hba.conf"
    as_owner "$bin/pg_ctl" -D "$base/data" -l "$base/server.log" -w -t 60 start >/dev/null ||
        { cat "$base/server.log" >&2; exit 1; }
    psql() { "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$base/sock" -U postgres "$@"; }
    psql -d postgres -c "create role velloran_users nologin" \
        -c "create role velloran_app login in role velloran_users" \
        -c "create role velloran_pw login password 'secret' in role velloran_users" \
        -c "create database velloran_template"
    # The template book is made by the data program itself, as an office's administrator makes one.
    setup=$(mktemp -d)
    printf '[server]\r\nhost=%s\r\ndbname=velloran_template\r\nuser=postgres\r\n' "$base/sock" >"$setup/server.ini"
    VELLORAN_DATA_DIR="$setup" QT_QPA_PLATFORM=offscreen "$data_program" server init ||
        { rm -rf "$setup"; exit 1; }
    rm -rf "$setup"
    psql -d velloran_template -f "$(dirname "$0")/grants.sql"
    ;;
*)
    echo "usage: $0 start FOLDER DATA_PROGRAM | stop FOLDER" >&2
    exit 2
    ;;
esac
