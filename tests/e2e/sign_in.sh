#!/usr/bin/env bash
# Signs in with a typed user name and password and Enter. Another user is preselected, so the name is typed; the
# signed-in user's own settings (a title of their own) must reach the main window, and user.ini remembers the name.
source "$(dirname "$0")/lib.sh"
make_program_dir
sql "insert into user1 (用户,密码,权限) values ('李雷','pw-Li','超级用户'), ('韩梅梅','pw-Han','普通用户')"
write_ini "$work/user.ini" '[ok]' 'yes=1' '[user]' '李雷=1' '韩梅梅=1' '[cuser]' 'name=韩梅梅'
for user in 李雷 韩梅梅; do
    mkdir "$work/$user"
    write_ini "$work/$user/set.ini" '[main]' "title=${user}的电话簿" '[info]' 'yes=1' '[list]' 'color=0' 'line=1' \
        '[birth]' 'ok=1' '[user]' "name=$user"
done
start_x
keyboard_for "李雷"
start_program

wait_window Velloran用户登陆 >/dev/null
keys shift+Tab ctrl+a # from the password box back to the name box, and select the preselected name
type_text 李雷
keys Tab
type_text pw-Li
keys Return
wait_window 李雷的电话簿 >/dev/null
wait_closed Velloran用户登陆

windows=$(visible_windows | paste -sd '|' -)
[ "$windows" = 李雷的电话簿 ] || fail "windows shown after the sign-in: $windows"
remembered=$(iconv -f GB18030 -t UTF-8 "$work/user.ini" | tr -d '\r' | sed -n '/^\[cuser\]/,/^\[/s/^name=//p')
[ "$remembered" = 李雷 ] || fail "user.ini remembers \"$remembered\""
