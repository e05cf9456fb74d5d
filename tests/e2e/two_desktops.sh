#!/usr/bin/env bash
# Two programs on one server book, each from a program directory of its own. A adds 李四 from its add window; B,
# untouched, lists it first by itself: its first delete command selects the first row, which must be 李四, and the
# second deletes it. Without B following A, B's first row would be 张三.
source "$(dirname "$0")/lib.sh"
[ -n "${VELLORAN_TEST_SERVER:-}" ] || fail "runs against the tests' private server only (VELLORAN_TEST_SERVER)"
psql_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)/psql
book="velloran_e2e_$$_$RANDOM"
b_pid=""
pg() { "$psql_bin" -X -q -A -t -v ON_ERROR_STOP=1 -h "$VELLORAN_TEST_SERVER" -U postgres "$@"; }
on_book() { pg -d "$book" -c "$1"; }

finish()
{
    local code=$?
    set +e
    if [ -n "$b_pid" ]; then
        kill "$b_pid" 2>/dev/null
        wait "$b_pid" 2>/dev/null
    fi
    # The programs' connections are gone with them; the book goes with the scenario.
    pg -d postgres -c "drop database if exists \"$book\" with (force)" >/dev/null 2>&1
    (exit "$code")
    cleanup
}
trap finish EXIT

# Waits until a query on the book prints the expected text.
wait_book()
{
    local tries=$((E2E_TIMEOUT * 10))
    until [ "$(on_book "$1" 2>&1)" = "$2" ]; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || fail "the book gives \"$(on_book "$1" 2>&1)\" for \"$1\", expected \"$2\""
        sleep 0.1
    done
}

# The visible window captioned exactly $2 of the program with process id $1.
window_of()
{
    local id
    for id in $(xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null); do
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$2" ] && { printf '%s\n' "$id"; return 0; }
    done
    return 1
}

no_window_of() { ! window_of "$1" "$2" >/dev/null; }

# Gives program $1's window captioned $2 the keyboard focus, as a person's click would, and prints its id.
focus_window()
{
    wait_until "window \"$2\" of $1 appears" window_of "$1" "$2" >/dev/null
    local id
    id=$(window_of "$1" "$2") || fail "window \"$2\" closed again"
    xdotool windowfocus --sync "$id"
    printf '%s\n' "$id"
}

make_program_dir
pg -d postgres -c "create database \"$book\" template velloran_template" >/dev/null
on_book "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间)
         values ('张三','男',0,0,'朋友',' ','13012345678',' ',' ',' ','no.bmp','2026年12月01日')" >/dev/null
desktop_b="$work/desktop-b"
mkdir "$desktop_b"
cp -a "$VELLORAN_PROGRAM_DIR/." "$desktop_b/"
for dir in "$work" "$desktop_b"; do
    write_ini "$dir/server.ini" "[server]" "host=$VELLORAN_TEST_SERVER" "dbname=$book" "user=velloran_app"
done
start_x
keyboard_for "李四"
start_program
(cd / && QT_QPA_PLATFORM=xcb LANG=C.UTF-8 exec "$desktop_b/velloran") >"$desktop_b/.program.log" 2>&1 &
b_pid=$!
focus_window "$b_pid" Velloranv4.0 >/dev/null

# Desktop A: a record typed into its add window.
a_main=$(focus_window "$program_pid" Velloranv4.0)
keys ctrl+a
wait_window 增加记录 >/dev/null
type_text 李四
keys Tab Tab Tab Tab Tab Tab # sex, relation, birthday, 电话, the photo check box, 手机
type_text 13912345678
keys alt+a
wait_closed 增加记录 "$a_main"
wait_book "select string_agg(姓名, ' ' order by id) from main" "张三 李四"
# B has read what changed once the statement that reads the changes since its last look has run on its connection.
wait_book "select count(*) from pg_stat_activity where datname = current_database() and pid <> pg_backend_pid()
           and query like '%union all select 1,%'" 1

# Desktop B: never refreshed, its first row is A's new record.
focus_window "$b_pid" Velloranv4.0 >/dev/null
keys ctrl+d
focus_window "$b_pid" 提示 >/dev/null # 请先选择记录!
keys Return
wait_until "B's notice closes" no_window_of "$b_pid" 提示
focus_window "$b_pid" Velloranv4.0 >/dev/null
keys ctrl+d
focus_window "$b_pid" 提示 >/dev/null # 是否要删除李四？
keys y
wait_book "select string_agg(姓名, ' ' order by id) from main" "张三"
