#!/usr/bin/env bash
# Types into the notes pad on the 便签 tab: the pad saves itself to zzz (GB18030, CRLF) while the program runs, and
# what was typed just before closing the program from its menu is saved too.
source "$(dirname "$0")/lib.sh"
make_program_dir
start_x
keyboard_for "买菜明天点"
start_program

main=$(wait_window Velloranv4.0)
keys ctrl+Tab # from the information text to the next tab, 便签
geometry=$(xdotool getwindowgeometry --shell "$main")
height=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
xdotool mousemove --window "$main" 60 $((height / 2)) click 1 # into the pad, left of the tabs
type_text "买菜 buy milk"
keys Return
type_text "明天9点"

zzz_holds() { cmp -s <(printf '%s' "$1" | iconv -f UTF-8 -t GB18030) "$work/zzz"; }
wait_until "the pad saves itself" zzz_holds $'买菜 buy milk\r\n明天9点'
type_text " ok"
keys alt+i x # 记录(&I), 退出(&X)
wait_program_end || fail "the program ended with code $?"
zzz_holds $'买菜 buy milk\r\n明天9点 ok' || fail "zzz holds: $(iconv -f GB18030 -t UTF-8 "$work/zzz" | od -c)"
