#!/usr/bin/env bash
# Shared by ./run and ./test: install what is missing, configure and build into build/ (or the folder given),
# and make an empty db_sms.mdb beside the program when there is none.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build}
shift || true

"$top/scripts/deps.sh"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$top" -B "$dir" -G Ninja -DTOMBOLIKA_WERROR=$werror "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"

# A new, empty database; an existing one is never touched.
if [ ! -e "$dir/db_sms.mdb" ]; then
    tmp=$(mktemp "$dir/db_sms.XXXXXX")
    rm -f "$tmp"
    sqlite3 "$tmp" < "$top/data/schema.sql"
    mv -n "$tmp" "$dir/db_sms.mdb"
    rm -f "$tmp"
fi
