#!/usr/bin/env bash
# package_test.sh BUILD_DIR SOURCE_DIR
# Builds the Debian package, checks what it declares and holds, unpacks it with dpkg -x and starts its launcher
# under Xvfb; then the same for a plain `cmake --install`. "Came up" means: the draw screen's window (class
# tombolika, 1024 x 768) is mapped and the program is still running a moment later. An error at start-up shows a
# modal box before that window, so it fails the wait.
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
source "$source/scripts/x11.sh"
trap end_session EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# --- The package and what it declares -------------------------------------------------------------------------
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack could not build the package"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}
dpkg-deb -I "$deb"

[ "$(dpkg-deb -f "$deb" Package)" = tombolika ] || fail "the package is not named tombolika"
depends=$(dpkg-deb -f "$deb" Depends)
# The linked libraries (found by dpkg-shlibdeps), then what is loaded or run without a link.
for p in libqt6widgets6 libqt6svg6 libsqlite3-0 libzip4 libexpat1 libcsv3 libgsf-1-114 libjpeg62-turbo libxlsxwriter4 \
    qt6-qpa-plugins fonts-dejavu-core fonts-urw-base35 sqlite3; do
    grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
! grep -q -- '-dev\b' <<<"$depends" || fail "Depends names a development package: $depends"

# --- What it installs ------------------------------------------------------------------------------------------
root=$work/root
dpkg -x "$deb" "$root"
program=$root/opt/tombolika
for f in tombolika tombolika-start new-database; do
    [ -x "$program/$f" ] || fail "/opt/tombolika/$f is missing or not executable"
done
cmp -s "$program/schema.sql" "$source/data/schema.sql" || fail "/opt/tombolika/schema.sql is not the program's schema"
cmp -s "$program/LOGO.JPG" "$source/resources/LOGO.JPG" || fail "/opt/tombolika/LOGO.JPG is not the sample logo"
cmp -s "$program/share/doc/tombolika/record.md" "$source/docs/record.md" ||
    fail "the record's documentation is not in /opt/tombolika/share/doc/tombolika"
[ "$(readlink "$root/usr/bin/tombolika")" = /opt/tombolika/tombolika-start ] || fail "tombolika is not on the PATH"

entry=$program/share/applications/tombolika.desktop
metainfo=$program/share/metainfo/org.tombolika.tombolika.metainfo.xml
link=$(readlink "$root/usr/share/applications/tombolika.desktop")
[ "$link" = /opt/tombolika/share/applications/tombolika.desktop ] || fail "the menu does not see the desktop entry"
link=$(readlink "$root/usr/share/metainfo/org.tombolika.tombolika.metainfo.xml")
[ "$link" = /opt/tombolika/share/metainfo/org.tombolika.tombolika.metainfo.xml ] ||
    fail "no metainfo where software centres look"
desktop-file-validate "$entry" || fail "the desktop entry is not valid"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log"; fail "the metainfo is not valid"; }
grep -qx 'Exec="/opt/tombolika/tombolika-start"' "$entry" || fail "the desktop entry does not start the launcher"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -f "$root$icon" ] || fail "the desktop entry's icon $icon is not in the package"
grep -qx 'Categories=Office;' "$entry" || fail "the desktop entry is not filed under Office"

# A plain install into a folder of one's choice lays out the same folder, its entry naming its own launcher.
plain="$work/Program Folder"
cmake --install "$build" --prefix "$plain" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install"; }
[ "$(cd "$plain" && find . | sort)" = "$(cd "$program" && find . | sort)" ] ||
    fail "cmake --install and the package lay out different folders"
desktop-file-validate "$plain/share/applications/tombolika.desktop" || fail "the plain install's entry is not valid"
grep -qxF "Exec=\"$plain/tombolika-start\"" "$plain/share/applications/tombolika.desktop" ||
    fail "the plain install's entry does not start its own launcher"
! grep -q /usr/share "$work/install.log" || fail "a plain install wrote outside its folder: $(cat "$work/install.log")"

# --- Starting it ------------------------------------------------------------------------------------------------
start_xvfb || fail "Xvfb did not start"

# start_launcher: runs the launcher with the environment given, waits for the draw screen, checks the program
# stays up a moment, then ends it.
start_launcher() {
    env "$@" "$program/tombolika-start" >"$work/app.log" 2>&1 &
    app=$!
    if [ -z "$(wait_for_draw_window)" ]; then
        kill -0 "$app" 2>/dev/null || { cat "$work/app.log"; fail "the program ended at start-up ($*)"; }
        xwininfo -root -tree
        cat "$work/app.log"
        fail "no draw screen within 60 s ($*)"
    fi
    sleep 1
    kill -0 "$app" 2>/dev/null || { cat "$work/app.log"; fail "the program ended after showing ($*)"; }
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=
}

# The program's tables as the schema makes them, as text: tables and rows. The journal tb_jurnal is the program's own
# addition, checked apart.
dump() { sqlite3 -batch -init /dev/null "$1" ".dump tb_peserta tb_pemenang setup"; }
expected=$(sqlite3 -batch -init /dev/null "$work/expected.mdb" <"$source/data/schema.sql" && dump "$work/expected.mdb")

# An operator's first start: the folder is made with an empty database and the sample logo, nothing else.
check_new_folder() {
    local folder=$1
    [ -f "$folder/db_sms.mdb" ] || fail "no database in $folder"
    [ "$(dump "$folder/db_sms.mdb")" = "$expected" ] || fail "the new database is not the schema's"
    [ "$(sqlite3 -batch -init /dev/null "$folder/db_sms.mdb" "SELECT group_concat(jenis) FROM tb_jurnal")" = \
        "journal_begun,program_started" ] || fail "the first start did not begin the journal in $folder"
    cmp -s "$folder/LOGO.JPG" "$source/resources/LOGO.JPG" || fail "the sample logo was not copied to $folder"
    [ "$(ls -A "$folder" | tr '\n' ' ')" = "LOGO.JPG db_sms.mdb " ] || fail "left over in $folder: $(ls -A "$folder")"
}

start_launcher HOME="$work/home" XDG_DATA_HOME="$work/data"
check_new_folder "$work/data/tombolika"
[ ! -e "$work/home/.local" ] || fail "the folder went to HOME although XDG_DATA_HOME was set"

# XDG_DATA_HOME unset, or not an absolute path: ~/.local/share.
start_launcher -u XDG_DATA_HOME HOME="$work/home-unset"
check_new_folder "$work/home-unset/.local/share/tombolika"
cd "$work"
start_launcher HOME="$work/home-relative" XDG_DATA_HOME=relative
cd - >/dev/null
check_new_folder "$work/home-relative/.local/share/tombolika"
[ ! -e "$work/relative" ] || fail "a relative XDG_DATA_HOME was used"

# Later starts keep what the operator has: participants in the database, a logo of their own.
folder=$work/data/tombolika
sqlite3 -batch -init /dev/null "$folder/db_sms.mdb" "INSERT INTO tb_peserta VALUES (1, 'A-001', 'Ani', '0812')"
convert -size 120x60 xc:navy "jpg:$work/own.jpg"
cp "$work/own.jpg" "$folder/LOGO.JPG"
start_launcher HOME="$work/home" XDG_DATA_HOME="$work/data"
[ "$(sqlite3 -batch -init /dev/null "$folder/db_sms.mdb" "SELECT nama FROM tb_peserta")" = Ani ] ||
    fail "the second start lost the operator's participants"
cmp -s "$folder/LOGO.JPG" "$work/own.jpg" || fail "the second start replaced the operator's logo"

# --- On a terminal, without a display ---------------------------------------------------------------------------
# `tombolika` on the PATH is the launcher through a link: it checks and prints the operator's own database, makes
# nothing, and writes the minutes where it is asked to.
mkdir "$work/bin"
ln -s "$program/tombolika-start" "$work/bin/tombolika"
terminal() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$work/bin:$PATH" "$@"; }
operator=$work/home-unset/.local/share/tombolika
terminal HOME="$work/home-unset" tombolika --verify >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; fail "tombolika --verify on the operator's database"; }
[ "$(head -n1 "$work/verify.log")" = "Journal of $operator/db_sms.mdb" ] ||
    fail "tombolika --verify did not check the operator's database: $(cat "$work/verify.log")"
tail -n1 "$work/verify.log" | grep -q '^OK: ' || fail "tombolika --verify: $(cat "$work/verify.log")"
(cd "$work" && terminal HOME="$work/home-unset" tombolika --minutes berita-acara.pdf) >"$work/minutes.log" 2>&1 ||
    { cat "$work/minutes.log"; fail "tombolika --minutes"; }
[ -f "$work/berita-acara.pdf" ] || fail "the minutes were not written where they were asked for"
pdftotext "$work/berita-acara.pdf" - | tr -d '\n' | grep -qF "($program/share/doc/tombolika/record.md)" ||
    fail "the minutes do not name the installed documentation"
[ "$(ls -A "$operator" | tr '\n' ' ')" = "LOGO.JPG db_sms.mdb " ] || fail "left over in $operator: $(ls -A "$operator")"

# An operator who never started it: nothing is made, and the program says what is missing.
if terminal HOME="$work/home-new" tombolika --verify >"$work/new.log" 2>&1; then fail "--verify without a folder"; fi
grep -qF "tombolika: The folder \"$work/home-new/.local/share/tombolika\" does not exist." "$work/new.log" ||
    fail "--verify without a folder: $(cat "$work/new.log")"
[ ! -e "$work/home-new" ] || fail "--verify made the operator's folder"
# A database made and never opened has nothing to check.
"$program/new-database" "$program/schema.sql" "$work/new.mdb"
terminal tombolika --verify "$work/new.mdb" >"$work/fresh.log" 2>&1 ||
    { cat "$work/fresh.log"; fail "--verify on a new database"; }
# A wrong option, and a start, without a display: a message and exit status 2, not Qt's abort.
status=0
terminal HOME="$work/home-new" tombolika --bogus >"$work/bogus.log" 2>&1 || status=$?
[ $status -eq 2 ] && [ "$(cat "$work/bogus.log")" = "tombolika: Unknown option 'bogus'." ] ||
    fail "tombolika --bogus without a display: exit $status, $(cat "$work/bogus.log")"
status=0
terminal HOME="$work/home-unset" tombolika >"$work/nodisplay.log" 2>&1 || status=$?
[ $status -eq 2 ] && grep -q '^tombolika: cannot open a window' "$work/nodisplay.log" ||
    fail "tombolika without a display: exit $status, $(cat "$work/nodisplay.log")"

# The plain install starts the same way, from a folder with a blank in its name.
program=$plain
start_launcher HOME="$work/home" XDG_DATA_HOME="$work/plain-data"
check_new_folder "$work/plain-data/tombolika"
echo "package: built, installed and started"
