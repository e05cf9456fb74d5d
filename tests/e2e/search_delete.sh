#!/usr/bin/env bash
# Searches a name with Ctrl+F and Enter, then deletes the one match with Ctrl+D from the keyboard: the first Ctrl+D
# finds nothing selected and selects the first row, the second asks, "y" answers Yes.
source "$(dirname "$0")/lib.sh"
make_program_dir
add_contacts 张三 王五 李四
start_x
keyboard_for "王"
start_program

main=$(wait_window Velloranv4.0)
keys ctrl+f
wait_window 查询记录 >/dev/null
type_text 王
keys Return
wait_closed 查询记录 "$main"

keys ctrl+d
wait_window 提示 >/dev/null # 请先选择记录!
keys Return
wait_closed 提示 "$main"
[ "$(sql "select count(*) from main")" = 3 ] || fail "a record went before the question was answered"
keys ctrl+d
wait_window 提示 >/dev/null # 是否要删除王五？
keys y
wait_closed 提示

wait_sql "select group_concat(姓名, ' ') from (select 姓名 from main order by id)" "张三 李四"
