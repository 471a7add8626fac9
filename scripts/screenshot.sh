#!/usr/bin/env bash
# Makes docs/draw-screen.png, the README's picture of the draw screen: the real program under Xvfb, started on a
# scratch folder with an empty database and the sample logo.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh" --program "$top/build"
command -v Xvfb >/dev/null && command -v import >/dev/null && command -v xwininfo >/dev/null ||
    "$top/scripts/deps.sh" --tests

work=$(mktemp -d)
source "$top/scripts/x11.sh"
trap end_session EXIT

"$top/packaging/new-database" "$top/data/schema.sql" "$work/db_sms.mdb"
cp "$top/resources/LOGO.JPG" "$work/LOGO.JPG"
start_xvfb
"$top/build/tombolika" --folder "$work" >"$work/app.log" 2>&1 &
app=$!
window=$(wait_for_draw_window)
[ -n "$window" ] || { cat "$work/app.log" >&2; echo "The draw screen did not show." >&2; exit 1; }
sleep 1 # the first paint
mkdir -p "$top/docs"
# Without the time chunks, an unchanged screen gives an unchanged file.
import -window "$window" -strip -define png:exclude-chunks=date,time "$top/docs/draw-screen.png"
echo "Wrote docs/draw-screen.png"
