#!/usr/bin/env bash
# Installs the Debian packages that are missing, as root or through sudo.
#   scripts/deps.sh            what building and running the program needs (./run)
#   scripts/deps.sh --tests    that and what the tests, benchmarks and the package need (./test)
set -euo pipefail

program=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins
    libsqlite3-dev sqlite3 libpq-dev
    libzip-dev libexpat1-dev libcsv-dev libgsf-1-dev
    libjpeg62-turbo-dev libxlsxwriter-dev
    fonts-dejavu-core fonts-urw-base35 fontconfig
)
tests=(
    libgtest-dev libbenchmark-dev postgresql
    python3 python3-xlwt unzip poppler-utils
    clang libclang-rt-14-dev clang-format
    xvfb xauth x11-utils imagemagick
    dpkg-dev file desktop-file-utils appstream
)

packages=("${program[@]}")
[ "${1:-}" = "--tests" ] && packages+=("${tests[@]}")

# One query for all: a second ./run should start the program at once.
installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${packages[@]}" 2>/dev/null |
    awk '$1 == "ii" {print $2}' || true)
missing=()
for p in "${packages[@]}"; do
    grep -qxF "$p" <<<"$installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null; then
    sudo=(sudo)
else
    echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
