#!/usr/bin/env bash
# Takes the user manual's pictures from the real program, so they can be made again whenever a window changes.
#
#   scripts/manual-shots.sh PROGRAM_DIR [OUT_DIR]
#
# PROGRAM_DIR is a built program directory (velloran and data beside call.mdb, e.g. build/velloran); it is copied
# into a temporary folder with invented example contacts and never changed. OUT_DIR (default docs/help beside this
# script) receives one PNG per picture that docs/help.html shows. Builds nothing. Needs Xvfb, xdotool, xmodmap,
# sqlite3, iconv, ImageMagick and pdftoppm (scripts/deps.sh installs them).
#
# Runs the program three times on its own X server: in open mode with the example contacts (main window, menus,
# record windows, tools), the backup program on the same folder, and in user mode with two users (sign-in, users).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 PROGRAM_DIR [OUT_DIR]" >&2; exit 2; }
VELLORAN_PROGRAM_DIR=$(cd "$1" && pwd)
export VELLORAN_PROGRAM_DIR
out=${2:-$here/../docs/help}
mkdir -p "$out"
out=$(cd "$out" && pwd)
for tool in Xvfb xdotool xmodmap sqlite3 iconv import convert pdftoppm; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing (scripts/deps.sh installs it)" >&2; exit 2; }
done

# Starting windows, typing, waiting and cleaning up are the end-to-end suite's.
E2E_TIMEOUT=${E2E_TIMEOUT:-30}
# shellcheck source=SCRIPTDIR/../tests/e2e/lib.sh
source "$here/../tests/e2e/lib.sh"

# ---------------------------------------------------------------------------------------------------------------
# Example data. Invented people; birthdays of three of them fall today and in the next days, so the reminder shows.

day_of() { date -d "$1" +%-d; }
month_of() { date -d "$1" +%-m; }
entered() { date -d "$1" +%Y年%m月%d日; }

# A head-and-shoulders picture drawn here, as a contact's photo: hair colour, clothes colour, long hair or not.
draw_photo()
{
    local file=$1 hair=$2 clothes=$3 long=$4
    local extra=()
    [ "$long" = yes ] && extra=(-fill "$hair" -draw "roundrectangle 54,70 130,190 30,30")
    convert -size 184x226 gradient:'#dfe9f5-#a9c1de' \
        "${extra[@]}" \
        -fill "$clothes" -draw "ellipse 92,236 86,64 180,360" \
        -fill '#f3d2b5' -draw "rectangle 80,150 104,180" \
        -fill '#f6dcc2' -draw "ellipse 92,112 38,46 0,360" \
        -fill "$hair" -draw "ellipse 92,86 42,28 180,360" \
        -fill '#3a2a20' -draw "circle 78,112 78,116" -draw "circle 106,112 106,116" \
        -fill none -stroke '#b0554a' -strokewidth 2 -draw "arc 80,126 104,142 20,160" \
        -quality 85 "$file"
}

contact()
{
    # name sex month day relation phone mobile pager address remarks photo entry-date
    local v=() f
    for f in "$@"; do v+=("'${f//\'/\'\'}'"); done
    local values
    values=$(IFS=,; printf '%s' "${v[*]}")
    sql "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) values ($values)"
}

seed_contacts()
{
    # Oldest first: the list shows the newest first, so 张少华 (with a photo) heads it.
    contact 李建国 男 3 15 领导 010-68451234 13901012345 ' ' 北京市海淀区中关村南大街5号 部门经理 no.bmp "$(entered '-400 days')"
    contact 王秀英 女 8 2 亲戚 0351-4076688 13834567890 0351-7023456 太原市迎泽区柳巷12号 二姨 no.bmp "$(entered '-380 days')"
    contact 黄志明 男 0 0 客户 0351-5228866 ' ' ' ' 太原市小店区长风街8号 装修公司 no.bmp "$(entered '-300 days')"
    contact 陈静 女 "$(month_of '+1 day')" "$(day_of '+1 day')" 同学 ' ' 15935112233 ' ' 上海市徐汇区漕溪北路88号 大学同寝室 陈静.jpg "$(entered '-260 days')"
    contact 刘洋 男 "$(month_of '+3 days')" "$(day_of '+3 days')" 同事 021-64387766 13661886543 ' ' 上海市浦东新区张杨路500号 技术部 no.bmp "$(entered '-200 days')"
    contact 赵敏 女 5 20 老师 0351-7654321 13703518899 ' ' 太原市小店区坞城路92号 高中班主任 no.bmp "$(entered '-150 days')"
    contact 孙志强 男 11 8 朋友 ' ' 18635127788 0351-6012345 太原市杏花岭区府西街69号 ' ' no.bmp "$(entered '-120 days')"
    contact 周婷 女 "$(month_of today)" "$(day_of today)" 家庭 ' ' 13593456789 ' ' 太原市万柏林区千峰南路17号 表妹 no.bmp "$(entered '-90 days')"
    contact 吴海涛 男 7 1 朋友 0755-83451234 13823456789 ' ' 深圳市南山区科技园南区 大学同学的哥哥 no.bmp "$(entered '-60 days')"
    contact 郑丽华 女 2 14 同事 ' ' 13934561212 ' ' 太原市迎泽区新建南路3号 财务部 no.bmp "$(entered '-30 days')"
    contact 张少华 男 9 26 朋友 0351-4123456 13803510001 0351-7891234 太原市杏花岭区五一路168号 老同学，开书店 张少华.jpg "$(entered '-10 days')"
    draw_photo "$work/photo/张少华.jpg" '#2b2b2b' '#3f6fb5' no
    draw_photo "$work/photo/陈静.jpg" '#4a2c1a' '#c0504d' yes
    printf '%s\r\n' '12月15日 下午三点部门例会' '给王秀英寄年货' '张少华的书店：周六上午去取书' |
        sed '$ s/\r$//' | iconv -f UTF-8 -t GB18030 >"$work/zzz"
}

seed_users()
{
    # Plain-text passwords, as older rows hold them; the program turns them into hashes at the first sign-in.
    sql "insert into user1 (用户,密码,权限) values ('管理员','admin123','超级用户'), ('韩梅梅','hmm2026','普通用户')"
    write_ini "$work/user.ini" '[ok]' 'yes=1' '[user]' '管理员=1' '韩梅梅=1' '[cuser]' 'name=管理员'
    local user
    for user in 管理员 韩梅梅; do
        mkdir -p "$work/$user"
        write_ini "$work/$user/set.ini" '[main]' 'title=Velloranv4.0' '[info]' 'yes=1' '[list]' 'color=0' 'line=1' \
            '[birth]' 'ok=0' '[user]' "name=$user"
    done
}

# ---------------------------------------------------------------------------------------------------------------
# Pictures

# Prints X Y WIDTH HEIGHT of a window.
geometry()
{
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1")"
    printf '%s %s %s %s\n' "$X" "$Y" "$WIDTH" "$HEIGHT"
}

# Grabs until two grabs in a row agree (the window has finished painting and sliding), into $2.
grab_stable()
{
    local target=$1 file=$2 crop=${3:-} previous="" now tries=40
    while :; do
        if [ -n "$crop" ]; then
            import -window "$target" -crop "$crop" +repage "png:$file"
        else
            import -window "$target" "png:$file"
        fi
        now=$(convert "$file" rgb:- | md5sum)
        [ "$now" = "$previous" ] && return 0
        previous=$now
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || fail "the picture for $file never settled"
        sleep 0.25
    done
}

# Saves a grab as an 8-bit PNG without time stamps, so an unchanged window gives an unchanged file.
made=()
save()
{
    convert "$1" -strip -define png:exclude-chunks=date,time "PNG8:$out/$2.png"
    made+=("$2.png")
    log "  $2.png"
}

# The window captioned $2, on its own.
shot()
{
    local id
    id=$(wait_window "$2")
    grab_stable "$id" "$work/.grab.png"
    save "$work/.grab.png" "$1"
}

# The main window's top-left part together with the open menus, as the user sees them.
shot_menu()
{
    local name=$1 main=$2 x0 y0 w h x1 y1 id X Y W H tries=50
    read -r x0 y0 w h < <(geometry "$main")
    # The menus are top-level windows of their own; wait for the last one asked for.
    while [ "$(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | wc -l)" -lt "$3" ]; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || fail "menu for $name did not open"
        sleep 0.1
    done
    x1=$x0 y1=$y0
    for id in $(xdotool search --onlyvisible --pid "$program_pid"); do
        [ "$id" = "$main" ] && continue
        read -r X Y W H < <(geometry "$id")
        [ $((X + W)) -gt "$x1" ] && x1=$((X + W))
        [ $((Y + H)) -gt "$y1" ] && y1=$((Y + H))
    done
    # A margin of the window around the menus.
    x1=$((x1 + 12)) y1=$((y1 + 12))
    [ "$x1" -le $((x0 + w)) ] || x1=$((x0 + w))
    grab_stable root "$work/.grab.png" "$((x1 - x0))x$((y1 - y0))+$x0+$y0"
    save "$work/.grab.png" "$name"
}

# The bottom strip of a window, $3 pixels high (the main window's status bar).
shot_bottom()
{
    local w h
    read -r _ _ w h < <(geometry "$2")
    grab_stable "$2" "$work/.grab.png" "${w}x$3+0+$((h - $3))"
    save "$work/.grab.png" "$1"
}

close_dialog()
{
    keys Escape
    wait_closed "$1" "$2"
    # The program takes the focus back in its own time; a key sent before would be lost.
    sleep 0.3
}

# Sends keys to window $1 that open the window captioned $2; sends them once more if they were lost on the way.
open_with()
{
    local parent=$1 caption=$2 tries=30
    shift 2
    keys "$@"
    until window_id "$caption" >/dev/null; do
        tries=$((tries - 1))
        if [ "$tries" -eq 0 ]; then
            log "  (keys $* lost, sending them again)"
            xdotool windowfocus --sync "$parent"
            keys "$@"
            break
        fi
        sleep 0.1
    done
}

click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

start_data()
{
    (cd / && QT_QPA_PLATFORM=xcb LANG=C.UTF-8 exec "$work/data") >"$work/.program.log" 2>&1 &
    program_pid=$!
}

# ---------------------------------------------------------------------------------------------------------------

make_program_dir
seed_contacts
start_x
# Every Chinese character typed below needs a key of its own.
keyboard_for "马晓雯同学太原市双塔西街号室友李雷" # at most 18: the free keys of the server

log "open mode: $out"
start_program
main=$(wait_window Velloranv4.0)
shot main-reminder Velloranv4.0

# "知道了" in the reminder panel, which ends centred in the window.
read -r _ _ W H < <(geometry "$main")
click_in "$main" $(((W - 225) / 2 + 181)) $(((H - 108) / 2 - 3 + 92))

keys alt+i
shot_menu menu-records "$main" 2
keys Escape
keys alt+s c
shot_menu menu-settings "$main" 3
keys Escape Escape
keys alt+v t
shot_menu menu-view "$main" 3
keys Escape Escape
keys alt+u
shot_menu menu-users "$main" 2
keys Escape
keys alt+h
shot_menu menu-help "$main" 2
keys Escape

# Modify without a selection asks for one and selects the first row, whose details then show.
open_with "$main" 提示 ctrl+e
shot msg-select 提示
close_dialog 提示 "$main"
shot main-details Velloranv4.0

open_with "$main" 修改记录 ctrl+e
shot modify 修改记录
close_dialog 修改记录 "$main"

open_with "$main" 提示 ctrl+d
shot msg-delete 提示
close_dialog 提示 "$main" # Esc answers No

open_with "$main" 增加记录 ctrl+a
wait_window 增加记录 >/dev/null
type_text 马晓雯
keys Tab Right Tab ctrl+a # 女; the relation replaces the proposed one
type_text 同学
keys Tab Right ctrl+a # "有" opens the birthday and puts the focus into the month
type_text 10
keys Tab ctrl+a
type_text 6
keys Tab
type_text 0351-4567890
keys Tab Tab # past "照片"
type_text 13912345678
keys Tab Tab
type_text 太原市双塔西街12号
keys Tab
type_text 室友
shot add 增加记录
keys shift+Tab shift+Tab shift+Tab shift+Tab space
shot add-photo 增加记录
close_dialog 增加记录 "$main"

open_with "$main" 查询记录 ctrl+f
wait_window 查询记录 >/dev/null
keys alt+a # counts only, without "自动查看结果"
click_in "$(window_id 查询记录)" 236 87 # back into the text box
type_text zs # pinyin initials: finds 张少华
keys Return
shot find 查询记录
keys ctrl+Tab
click_in "$(window_id 查询记录)" 278 80 # the address box of the compound page
type_text 太原
keys Return
shot find-compound 查询记录
close_dialog 查询记录 "$main"

open_with "$main" 记录浏览 ctrl+l
shot browse 记录浏览
# The first record's QR code, over the browser.
browser=$(window_id 记录浏览)
open_with "$browser" 二维码名片 alt+q
shot qrcode 二维码名片
close_dialog 二维码名片 "$browser"
close_dialog 记录浏览 "$main"

# The print preview, grouped by relation (the grouping box is the first control of the options row).
open_with "$main" 打印通讯录 alt+i p
wait_window 打印通讯录 >/dev/null
keys alt+g Down
shot print-preview 打印通讯录
close_dialog 打印通讯录 "$main"

open_with "$main" 统计信息 ctrl+c
shot stats 统计信息
close_dialog 统计信息 "$main"

open_with "$main" 国内电话号码区号查询 alt+u q
wait_window 国内电话号码区号查询 >/dev/null
keys Return
shot areacode 国内电话号码区号查询
close_dialog 国内电话号码区号查询 "$main"

open_with "$main" 设置 alt+s w
shot title 设置
close_dialog 设置 "$main"

open_with "$main" 关于 alt+h a
shot about 关于
close_dialog 关于 "$main"

# The notes tab stands on the right edge of the information panel, below the "信息" tab.
click_in "$main" 131 130
sleep 0.3
click_in "$main" 70 150
shot main-notes Velloranv4.0

keys alt+v b
shot main-icons Velloranv4.0
keys alt+v t y

keys alt+i x
wait_program_end || fail "the program ended with an error"

log "printed page"
printed=$(mktemp -d "${TMPDIR:-/tmp}/velloran-print.XXXXXX")
"$work/data" print "$printed/通讯录.pdf" --group relation >/dev/null
pdftoppm -png -r 90 -singlefile "$printed/通讯录.pdf" "$printed/page"
save "$printed/page.png" print-page
rm -rf "$printed"

log "backup program"
log "  $("$work/data" backup "$work/backup/月底备份.zip")"
start_data
# Started on its own, without a window manager to give it the keyboard.
wait_until "the backup program's window" window_id 数据备份与恢复 >/dev/null
data_window=$(window_id 数据备份与恢复)
xdotool windowfocus --sync "$data_window"
shot data 数据备份与恢复
keys Escape
wait_program_end || fail "the backup program ended with an error"

log "user mode"
seed_users
start_program
wait_window Velloran用户登陆 >/dev/null
type_text admin123
shot login Velloran用户登陆
keys Return
main=$(wait_window Velloranv4.0)
wait_closed Velloran用户登陆 "$main"
shot_bottom statusbar-user "$main" 22

open_with "$main" 用户管理 alt+u g
wait_window 用户管理 >/dev/null
type_text 李雷
keys Tab
type_text lilei2026
shot users 用户管理
close_dialog 用户管理 "$main"

open_with "$main" 修改密码 alt+u k
shot password 修改密码
close_dialog 修改密码 "$main"

open_with "$main" 提示 alt+u Up Return
shot msg-usermode 提示
close_dialog 提示 "$main"

keys alt+i x
wait_program_end || fail "the program ended with an error"
for picture in "$out"/*.png; do
    case " ${made[*]} " in *" ${picture##*/} "*) ;; *) log "not made by this run (remove it if the manual no longer shows it): $picture" ;; esac
done
log "done: ${#made[@]} pictures, $(cd "$out" && du -ck "${made[@]}" | tail -1 | cut -f1) KB"
