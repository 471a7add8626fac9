#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins
    libsqlite3-dev sqlite3
    libzip-dev libexpat1-dev libcsv-dev libgsf-1-dev
    libjpeg62-turbo-dev
    libgtest-dev libbenchmark-dev
    libxlsxwriter-dev python3-xlwt unzip
    clang libclang-rt-14-dev clang-format
    xvfb xauth imagemagick
    fonts-dejavu-core fonts-urw-base35 fontconfig
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
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
