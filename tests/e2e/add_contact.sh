#!/usr/bin/env bash
# Adds a contact from the keyboard alone: Ctrl+A, the fields typed with Tab between them (through the telephone
# fields, whose filter must let Tab go), a refused letter in 电话, Alt+A; then reads the stored row.
source "$(dirname "$0")/lib.sh"
make_program_dir
start_x
keyboard_for "张三太原"
start_program

wait_window Velloranv4.0 >/dev/null
keys ctrl+a
wait_window 增加记录 >/dev/null
type_text 张三
keys Tab Tab Tab Tab # sex, relation (朋友 proposed), birthday 无, 电话
type_text 0351-x1234567
keys Tab Tab # the photo check box, 手机
type_text 13012345678
keys Tab
type_text 1234
keys Tab
type_text 太原
keys Tab
type_text e2e
keys alt+a
wait_closed 增加记录

wait_sql "select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片 from main" \
    "张三|男|0|0|朋友|0351-1234567|13012345678|1234|太原|e2e|no.bmp"
