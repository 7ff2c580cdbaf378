#!/usr/bin/env bash
# Builds Quillon7 and runs every test. With --sanitize: the address + undefined-behaviour build;
# with --tsan: the thread-sanitizer build of everything but the desktop (Qt's own locks are not
# instrumented, so its queued calls would read as races). Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
    build="build-asan"
    flags=(-DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON)
elif [ "${1:-}" = "--tsan" ]; then
    build="build-tsan"
    flags=(-DCMAKE_BUILD_TYPE=Debug -DQUILLON_TSAN=ON -DQUILLON_BUILD_GUI=OFF)
fi

scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DQUILLON_WERROR=ON "${flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
ctest --test-dir "$build" --output-on-failure -j2
