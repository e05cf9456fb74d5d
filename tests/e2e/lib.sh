# Shared by the end-to-end scenarios: a private copy of the built program directory, a private X server, the real
# program on the xcb platform, real key events from xdotool, and waiting by polling. Sourced, not run.
# Needs VELLORAN_PROGRAM_DIR (the build's program directory) in the environment.
set -euo pipefail
export LC_ALL=C.UTF-8 # characters, not bytes, in the scripts' strings

E2E_TIMEOUT=${E2E_TIMEOUT:-20} # seconds any single wait may take
work=""
xvfb_pid=""
program_pid=""

log() { printf '%s\n' "$*" >&2; }

# What the program saw and which windows were up, then a non-zero exit (the trap cleans up).
fail()
{
    log "FAIL: $*"
    if [ -n "$xvfb_pid" ]; then
        log "visible windows: $(visible_windows | paste -sd '|' -)"
    fi
    if [ -n "$work" ] && [ -s "$work/.program.log" ]; then
        log "program output:"
        sed 's/^/    /' "$work/.program.log" >&2
    fi
    exit 1
}

cleanup()
{
    local code=$?
    set +e
    # Only what this scenario started, by its own ids.
    if [ -n "$program_pid" ]; then
        kill "$program_pid" 2>/dev/null
        wait "$program_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    [ -n "$work" ] && rm -rf "$work"
    exit "$code"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Polls a command every 0.1 s until it succeeds; fails the scenario with the message after E2E_TIMEOUT seconds.
wait_until()
{
    local message=$1
    shift
    local tries=$((E2E_TIMEOUT * 10))
    until "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || fail "timed out: $message"
        [ -z "$program_pid" ] || kill -0 "$program_pid" 2>/dev/null || fail "the program ended: $message"
        sleep 0.1
    done
}

# A copy of the program directory in a fresh temporary folder; the build's own copy is never touched.
make_program_dir()
{
    [ -x "${VELLORAN_PROGRAM_DIR:-}/velloran" ] || fail "no program in VELLORAN_PROGRAM_DIR=${VELLORAN_PROGRAM_DIR:-}"
    work=$(mktemp -d "${TMPDIR:-/tmp}/velloran-e2e.XXXXXX")
    cp -a "$VELLORAN_PROGRAM_DIR/." "$work/"
}

# A private X server on a display number it picks itself (-displayfd), so parallel scenarios never collide.
start_x()
{
    local displayfile="$work/.display"
    : >"$displayfile"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$displayfile" >"$work/.xvfb.log" 2>&1 &
    xvfb_pid=$!
    wait_until "the X server" test -s "$displayfile"
    DISPLAY=":$(tr -d '[:space:]' <"$displayfile")"
    export DISPLAY
    unset WAYLAND_DISPLAY
}

# Gives every non-ASCII character of $1 a key of its own before the program starts. xdotool would otherwise bind
# each such character to a spare key just for the moment of its key press, and a busy program that reads the
# keyboard map a little later sees the key unbound and loses the character.
keyboard_for()
{
    local free c i=0 seen=""
    mapfile -t free < <(xmodmap -pke | awk 'NF == 3 && $2 > 8 { print $2 }')
    while IFS= read -r -n1 c; do
        if [ -z "$c" ] || [ "$(printf '%d' "'$c")" -lt 128 ]; then
            continue
        fi
        case "$seen" in *"$c"*) continue ;; esac
        [ "$i" -lt "${#free[@]}" ] || fail "no free key left for $c"
        xmodmap -e "keycode ${free[i]} = $(printf 'U%04X' "'$c")"
        seen+=$c
        i=$((i + 1))
    done <<<"$1"
}

start_program()
{
    (cd / && QT_QPA_PLATFORM=xcb LANG=C.UTF-8 exec "$work/velloran") >"$work/.program.log" 2>&1 &
    program_pid=$!
}

visible_windows()
{
    xdotool search --onlyvisible --name '.' 2>/dev/null | while read -r id; do xdotool getwindowname "$id"; done |
        grep -v '^$' || true
}

# The id of the visible window whose caption is exactly $1.
window_id()
{
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { printf '%s\n' "$id"; return 0; }
    done
    return 1
}

has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
window_gone() { ! window_id "$1" >/dev/null; }

# Waits until the window captioned $1 is shown and holds the keyboard focus, and prints its id. Keys sent before
# that would reach the window underneath.
wait_window()
{
    local id=""
    wait_until "window \"$1\" appears" window_id "$1" >/dev/null
    id=$(window_id "$1") || fail "window \"$1\" closed again"
    wait_until "window \"$1\" gets the focus" has_focus "$id"
    printf '%s\n' "$id"
}

# Waits until the dialog captioned $1 has closed and gives the keyboard focus back to window $2, as a window manager
# does; without one (this suite runs none) X hands the focus to the root window and the program's short-cuts sleep.
wait_closed()
{
    wait_until "window \"$1\" closes" window_gone "$1"
    [ -z "${2:-}" ] || has_focus "$2" || xdotool windowfocus --sync "$2"
}

keys() { xdotool key --delay 40 "$@"; }
type_text() { xdotool type --delay 40 -- "$1"; }

# Runs one statement on call.mdb and prints its rows; the statements are this suite's own fixed texts.
sql() { sqlite3 -batch -noheader -cmd '.timeout 5000' "$work/call.mdb" "$1"; }

# Adds contacts of these names (the suite's own, without quotes) as the add window stores a name and a mobile.
add_contacts()
{
    local name
    for name in "$@"; do
        sql "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间)
             values ('$name','男',0,0,'朋友',' ','13012345678',' ',' ',' ','no.bmp','2026年12月01日')"
    done
}

# Waits until a query on call.mdb prints the expected text: the program commits in its own time.
wait_sql()
{
    local tries=$((E2E_TIMEOUT * 10))
    until [ "$(sql "$1" 2>&1)" = "$2" ]; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || fail "call.mdb gives \"$(sql "$1" 2>&1)\" for \"$1\", expected \"$2\""
        sleep 0.1
    done
}

# Writes a settings file as the program keeps them: GB18030 with CRLF line ends.
write_ini()
{
    local file=$1
    shift
    printf '%s\r\n' "$@" | iconv -f UTF-8 -t GB18030 >"$file.tmp"
    mv "$file.tmp" "$file"
}

program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }

# The program's exit code, once it has ended by itself.
wait_program_end()
{
    wait_until "the program ends" program_ended
    local code=0
    wait "$program_pid" || code=$?
    program_pid=""
    return "$code"
}
