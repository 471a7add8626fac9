#!/usr/bin/env bash
# Installs what is missing, configures and builds.
#   scripts/build.sh [DIR] [CMAKE_ARGS...]   everything: the program, tests, benchmarks (./test); DIR: build/
#   scripts/build.sh --program [DIR]         only the program and the packages it needs (./run)
# The program alone is configured once, on a new build folder (tests and benchmarks off there; a folder that
# ./test configured keeps them), then only its own target is built: a second ./run does no more than look.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=false
if [ "${1:-}" = "--program" ]; then
    program=true
    shift
fi
dir=${1:-$top/build}
shift || true

ci=()
[ "${CI:-}" = "true" ] && ci=(-DTOMBOLIKA_WERROR=ON)

if $program; then
    "$top/scripts/deps.sh"
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$top" -B "$dir" -G Ninja -DTOMBOLIKA_TESTS=OFF -DTOMBOLIKA_BENCH=OFF "${ci[@]}" >/dev/null
    fi
    cmake --build "$dir" --target tombolika -j"$(nproc)"
else
    "$top/scripts/deps.sh" --tests
    cmake -S "$top" -B "$dir" -G Ninja -DTOMBOLIKA_TESTS=ON -DTOMBOLIKA_BENCH=ON "${ci[@]}" "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
fi
