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
    # The folder itself, or the private folder it links to (which the postgres user reaches by its own path).
    local real
    real=$(readlink -f "$base" || true)
    if [ -n "$real" ] && [ -f "$real/data/postmaster.pid" ]; then
        as_owner "$bin/pg_ctl" -D "$real/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    [ -L "$base" ] && rm -rf "$real"
    rm -rf "$base"
}

# Where the server's files really lie: the folder under the build tree, unless the postgres user cannot reach it
# (a home folder of mode 0700) or its socket's path would be too long for a Unix socket; then a private folder in
# /tmp that the build tree's folder links to.
make_folder() {
    mkdir -p "$base"
    [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$base"
    if [ ${#base} -gt 80 ] || { [ "$(id -u)" -eq 0 ] && ! runuser -u postgres -- test -w "$base"; }; then
        rmdir "$base"
        ln -s "$(mktemp -d /tmp/velloran-pgtest-XXXXXX)" "$base"
        [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$(readlink -f "$base")"
    fi
    dir=$(readlink -f "$base")
}

case "$action" in
stop)
    stop
    ;;
start)
    data_program=$3
    stop
    make_folder
    mkdir -p "$dir/data" "$dir/sock"
    chmod 700 "$dir/data" "$dir/sock"
    [ "$(id -u)" -eq 0 ] && chown -R postgres:postgres "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 --no-sync \
        >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    # Test data needs no durability: the server's files go away with the run.
    cat >>"$dir/data/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$dir/sock'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 300
CONF
    # One role signs in with a password, as an office's desktops without ~/.pgpass do; the others are trusted.
    sed -i '1i local all velloran_pw scram-sha-256' "$dir/data/pg_hba.conf"
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start >/dev/null ||
        { cat "$dir/server.log" >&2; exit 1; }
    psql() { "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir/sock" -U postgres "$@"; }
    psql -d postgres -c "create role velloran_users nologin" \
        -c "create role velloran_app login in role velloran_users" \
        -c "create role velloran_pw login password 'secret' in role velloran_users" \
        -c "create database velloran_template"
    # The template book is made by the data program itself, as an office's administrator makes one.
    setup=$(mktemp -d)
    printf '[server]\r\nhost=%s\r\ndbname=velloran_template\r\nuser=postgres\r\n' "$dir/sock" >"$setup/server.ini"
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
