#!/usr/bin/env bash
# Cross-builds the core, quillon7-cli, the desktop program quillon7 and their tests for 64-bit
# Windows with MinGW-w64 into build-windows/. Every .exe is static: one file, no DLLs beside it.
# The desktop links a static Qt built from Debian's source by scripts/build-qt-windows.sh (built
# first when its cache is missing; QUILLON_QT_CACHE names the cache folder). Installs the MinGW
# and Wine packages first when they are missing. Needs root or sudo for that.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++-mingw-w64-x86-64-posix mingw-w64 wine wine64 googletest cmake ninja-build)
scripts/install-deps.sh "${packages[@]}"

qt_prefix=$(scripts/build-qt-windows.sh | tail -n1)
[ -f "$qt_prefix/.complete" ] || {
    echo "No Qt for Windows in '$qt_prefix'" >&2
    exit 1
}
# A build folder configured against another Qt (or none) starts again.
if [ -f build-windows/CMakeCache.txt ] && ! grep -qF "$qt_prefix" build-windows/CMakeCache.txt; then
    rm -rf build-windows
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# -O2: GCC 12's -O3 reports a false -Wrestrict inside libstdc++'s string code for this target.
# The tests are discovered at test time, so building needs no Wine. Qt's toolchain file finds the
# static Qt and then loads the project's own MinGW toolchain.
cmake -S . -B build-windows -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$qt_prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DQUILLON_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build-windows -j"${QUILLON_JOBS:-2}"
echo "Built build-windows/cli/quillon7-cli.exe and build-windows/gui/app/quillon7.exe"
