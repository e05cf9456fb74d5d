#!/usr/bin/env bash
# The Debian package as an administrator installs it and a person meets it: built by scripts/package.sh, its files
# and metadata checked, lintian and the desktop validators run, then unpacked into a temporary root and started
# twice with a temporary HOME: the first start lays out ~/Velloran and shows the main window, the second keeps every
# byte of the data there. Needs VELLORAN_SOURCE_DIR, VELLORAN_PACKAGE_BUILD, VELLORAN_PACKAGE_OUT, VELLORAN_VERSION.
E2E_TIMEOUT=${E2E_TIMEOUT:-30}
# shellcheck source=SCRIPTDIR/../e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/velloran-package.XXXXXX")
"$VELLORAN_SOURCE_DIR/scripts/package.sh" "$VELLORAN_PACKAGE_OUT" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log" >&2; fail "scripts/package.sh failed"; }
deb=$(tail -n 1 "$work/package.log")
[[ "$deb" = "$VELLORAN_PACKAGE_OUT/velloran_${VELLORAN_VERSION}_amd64.deb" && -f "$deb" ]] ||
    fail "scripts/package.sh made \"$deb\", not velloran_${VELLORAN_VERSION}_amd64.deb"

# --- Metadata: the linked libraries' packages (dpkg-shlibdeps) and what the program loads at run time ----------
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = velloran ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$VELLORAN_VERSION" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
for wanted in libqt6core6 libqt6widgets6 libqt6sql6 libarchive libsodium libjpeg62-turbo libsqlite3 libc6 \
              libqt6sql6-sqlite libqt6sql6-psql qt6-translations-l10n libqt6svg6 fonts-arphic-uming; do
    [[ ", $depends" == *", $wanted"* ]] || fail "Depends lacks $wanted: $depends"
done
[[ "$depends" != *asan* && "$depends" != *ubsan* ]] || fail "a sanitizer build was packed: $depends"

# --- Files: exactly these, owned by root, read-only to everybody but root, nothing outside /usr ---------------
expected=(
    "lrwxrwxrwx ./usr/bin/velloran -> ../lib/velloran/velloran"
    "lrwxrwxrwx ./usr/bin/velloran-data -> ../lib/velloran/data"
    "-rwxr-xr-x ./usr/lib/velloran/data"
    "-rwxr-xr-x ./usr/lib/velloran/velloran"
    "-rw-r--r-- ./usr/share/applications/example.tarsiwen.velloran.desktop"
    "-rw-r--r-- ./usr/share/doc/velloran/changelog.gz"
    "-rw-r--r-- ./usr/share/doc/velloran/copyright"
    "-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/velloran.svg"
    "-rw-r--r-- ./usr/share/man/man1/velloran-data.1.gz"
    "-rw-r--r-- ./usr/share/man/man1/velloran.1.gz"
    "-rw-r--r-- ./usr/share/metainfo/example.tarsiwen.velloran.metainfo.xml"
    "-rw-r--r-- ./usr/share/velloran/help.html"
    "-rw-r--r-- ./usr/share/velloran/template/call.mdb"
    "-rw-r--r-- ./usr/share/velloran/template/modal/set.ini"
    "-rw-r--r-- ./usr/share/velloran/template/photo/no.bmp"
    "-rw-r--r-- ./usr/share/velloran/template/qh.mdb"
    "-rw-r--r-- ./usr/share/velloran/template/set.ini"
    "-rw-r--r-- ./usr/share/velloran/template/zzz"
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("-rw-r--r-- ./usr/share/icons/hicolor/${size}x${size}/apps/velloran.png")
done
for picture in "$VELLORAN_SOURCE_DIR"/docs/help/*.png; do
    expected+=("-rw-r--r-- ./usr/share/velloran/help/${picture##*/}")
done
dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ { $2 = $3 = $4 = $5 = ""; print }' "$work/contents" | tr -s ' ' | LC_ALL=C sort >"$work/files"
printf '%s\n' "${expected[@]}" | LC_ALL=C sort >"$work/expected"
diff -u "$work/expected" "$work/files" >&2 || fail "the package's files differ from the list above"
awk '$2 != "root/root" || ($1 ~ /^d/ && $1 != "drwxr-xr-x") || $6 !~ /^\.\/usr\// && $6 != "./"' "$work/contents" |
    grep . >&2 && fail "files not owned by root, directories not 0755, or paths outside /usr"

# --- Debian's checks and the desktop's validators --------------------------------------------------------------
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >&2 || fail "lintian found errors or warnings"
root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/example.tarsiwen.velloran.desktop" >&2 ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/example.tarsiwen.velloran.metainfo.xml" >&2 ||
    fail "appstreamcli validate"
for size in 16 22 24 32 48 64 128 256; do
    file "$root/usr/share/icons/hicolor/${size}x${size}/apps/velloran.png" | grep -q "PNG image data, $size x $size," ||
        fail "the ${size}-pixel icon is not a ${size}x${size} PNG"
done

# --- The unpacked program, from the command on the PATH -------------------------------------------------------
velloran="$root/usr/bin/velloran"
[[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$velloran" --version)" == *" $VELLORAN_VERSION" ]] ||
    fail "velloran --version"
export HOME="$work/home"
mkdir -p "$HOME"
mine="$HOME/Velloran"
start_x
run_once()
{
    (cd / && QT_QPA_PLATFORM=xcb LANG=C.UTF-8 exec "$velloran") >"$work/.program.log" 2>&1 &
    program_pid=$!
    wait_window Velloranv4.0 >/dev/null
    keys alt+i x # 记录(&I), 退出(&X)
    wait_program_end || fail "the program ended with code $?"
}
run_once
for name in call.mdb qh.mdb set.ini zzz modal/set.ini photo/no.bmp; do
    cmp -s "$root/usr/share/velloran/template/$name" "$mine/$name" || fail "$mine/$name was not laid out"
done

# A person's data; area codes of an older version; a file lost since.
sqlite3 "$mine/call.mdb" "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间)
    values ('张三','男',0,0,'朋友',' ','13012345678',' ',' ',' ','张三.jpg','2026年12月01日')"
printf '%s\r\n' '周六去取书' | iconv -f UTF-8 -t GB18030 >"$mine/zzz"
printf 'not really a JPEG' >"$mine/photo/张三.jpg"
mkdir -p "$mine/王五" && printf '[user]\r\nname=王五\r\n' | iconv -f UTF-8 -t GB18030 >"$mine/王五/set.ini"
printf 'area codes of an older version' >"$mine/qh.mdb"
rm "$mine/modal/set.ini"
(cd "$mine" && find . -type f ! -name qh.mdb -print0 | LC_ALL=C sort -z | xargs -0 sha256sum) >"$work/before"
run_once
(cd "$mine" && sha256sum --quiet -c "$work/before") >&2 || fail "the second start changed the data above"
[ "$(sqlite3 "$mine/call.mdb" 'select 姓名 from main')" = 张三 ] || fail "the contact is gone"
cmp -s "$root/usr/share/velloran/template/qh.mdb" "$mine/qh.mdb" || fail "qh.mdb is not the installed version's"
cmp -s "$root/usr/share/velloran/template/modal/set.ini" "$mine/modal/set.ini" || fail "modal/set.ini was not restored"
log "PASS: $deb"
