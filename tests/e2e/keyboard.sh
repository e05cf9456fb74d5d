#!/usr/bin/env bash
# Keys as a person presses them. At the sign-in, Esc in the open name list closes the list and not the program, and
# a user name typed in full stays as typed on Tab although a longer listed name begins with it (the password only
# fits the shorter name). In the record list, End and Home go to the last and the first row and Delete deletes the
# selected row after its question.
source "$(dirname "$0")/lib.sh"
make_program_dir
sql "insert into user1 (用户,密码,权限) values ('zhangsan','pw-s','超级用户'), ('zhang','pw-z','超级用户')"
write_ini "$work/user.ini" '[ok]' 'yes=1' '[user]' 'zhangsan=1' 'zhang=1' '[cuser]' 'name=zhangsan'
for user in zhangsan zhang; do
    mkdir "$work/$user"
    write_ini "$work/$user/set.ini" '[main]' "title=${user}的电话簿" '[info]' 'yes=1' '[list]' 'color=0' 'line=1' \
        '[birth]' 'ok=0' '[user]' "name=$user"
done
add_contacts 张三 王五 李四
start_x
start_program

# The program's visible windows, its pop-up lists included.
shown() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | wc -l; }
list_open() { [ "$(shown)" -gt 1 ]; }
list_closed() { [ "$(shown)" -eq 1 ]; }

login=$(wait_window Velloran用户登陆)
keys shift+Tab alt+Down # the name box, with its list open
wait_until "the name list opens" list_open
keys Escape
wait_until "the name list closes" list_closed
wait_until "the sign-in window keeps the focus" has_focus "$login"
keys ctrl+a
type_text zhang
keys Tab
type_text pw-z
keys Return
main=$(wait_window zhang的电话簿)

# The list takes the focus by a click below its rows, which selects nothing.
xdotool mousemove --window "$main" 400 300 click 1
keys End Delete
wait_window 提示 >/dev/null # 是否要删除张三？
keys y
wait_closed 提示 "$main"
wait_sql "select group_concat(姓名, ' ') from (select 姓名 from main order by id)" "王五 李四"
keys Home Delete
wait_window 提示 >/dev/null # 是否要删除李四？
keys y
wait_closed 提示 "$main"
wait_sql "select group_concat(姓名, ' ') from (select 姓名 from main order by id)" "王五"
