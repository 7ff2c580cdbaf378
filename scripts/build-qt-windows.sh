#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (static, MinGW-w64) from Debian's own qt6-base source, the same
# version as the Linux build, with only what the desktop program needs. Installs it into a cache
# folder outside the clone, named by the Qt version and a hash of the options, and reuses it when
# it is there and complete. Prints the install folder on its last line.
# --fetch-only installs the packages and fetches the source (into the cache too), and stops: CI
# does that first, then builds Qt at low priority beside its other work.
# Adds a deb-src entry for the suites apt already uses when there is none. Needs root or sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
fetch_only=0
if [ "${1:-}" = "--fetch-only" ]; then
    fetch_only=1
elif [ $# -gt 0 ]; then
    echo "usage: scripts/build-qt-windows.sh [--fetch-only]" >&2
    exit 2
fi

scripts/install-deps.sh g++-mingw-w64-x86-64-posix mingw-w64 cmake ninja-build dpkg-dev \
    qt6-base-dev qt6-base-dev-tools

# Static libraries with the Windows and offscreen platforms and the Windows styles. OpenGL
# (dynamic) and Direct2D stay at their defaults: without them the windows platform plugin of this
# Qt does not build or link. Debian's source has no Wintab headers, so no tablet events.
qt_options=(
    -DCMAKE_BUILD_TYPE=Release
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++
    -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DFEATURE_pkg_config=OFF -DFEATURE_tabletevent=OFF
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_dbus=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
)

qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
qt_upstream=${qt_version%%+*}
# The cache is named by what makes one build differ from another: the source, the options and
# the compilers.
options_hash=$( (
    echo "$qt_version ${qt_options[*]}"
    cat cmake/mingw-w64.cmake
) | sha256sum | cut -c1-12)
cache_root=${QUILLON_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon7}
prefix="$cache_root/qt-$qt_upstream-win64-$options_hash"
if [ -f "$prefix/.complete" ]; then
    echo "Qt for Windows is cached in:"
    echo "$prefix"
    exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# apt-get source needs deb-src lines; derive them from the deb entries already configured.
add_source_entries() {
    local list=/etc/apt/sources.list.d/quillon7-deb-src.sources
    local f
    : >"/tmp/quillon7-deb-src.$$"
    for f in /etc/apt/sources.list.d/*.sources; do
        if [ ! -f "$f" ] || [ "$f" = "$list" ] || ! grep -q 'debian' "$f"; then
            continue
        fi
        sed -e 's/^Types:.*$/Types: deb-src/' "$f" >>"/tmp/quillon7-deb-src.$$"
        echo >>"/tmp/quillon7-deb-src.$$"
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb \(.*debian.*\)$/deb-src \1/p' /etc/apt/sources.list \
            >"/tmp/quillon7-deb-src.list.$$"
        [ -s "/tmp/quillon7-deb-src.list.$$" ] &&
            $sudo cp "/tmp/quillon7-deb-src.list.$$" /etc/apt/sources.list.d/quillon7-deb-src.list
        rm -f "/tmp/quillon7-deb-src.list.$$"
    fi
    [ -s "/tmp/quillon7-deb-src.$$" ] && $sudo cp "/tmp/quillon7-deb-src.$$" "$list"
    rm -f "/tmp/quillon7-deb-src.$$"
    $sudo apt-get update -qq
}

# The source is fetched once into the cache and kept; a build starts from a fresh folder.
source_root="$cache_root/qt-$qt_version-source"
if [ ! -f "$source_root/.complete" ]; then
    if ! apt-get source --print-uris "qt6-base=$qt_version" >/dev/null 2>&1; then
        echo "Adding deb-src entries for apt-get source"
        add_source_entries
    fi
    rm -rf "$source_root"
    mkdir -p "$source_root"
    (cd "$source_root" && apt-get source -qq "qt6-base=$qt_version" >/dev/null)
    touch "$source_root/.complete"
fi
source_dir=$(find "$source_root" -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
[ -n "$source_dir" ] || {
    echo "apt-get source qt6-base gave no source folder in $source_root" >&2
    exit 1
}
if [ "$fetch_only" = 1 ]; then
    echo "Qt's source is in $source_dir"
    exit 0
fi

work="$cache_root/qt-$qt_upstream-win64-$options_hash-build"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
started=$(date +%s)
cmake -S "$source_dir" -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${qt_options[@]}" >"$work/configure.log" 2>&1 || {
    tail -n 40 "$work/configure.log" >&2
    exit 1
}
configured=$(date +%s)
cmake --build build -j"${QUILLON_JOBS:-$(nproc)}"
cmake --install build >/dev/null
touch "$prefix/.complete"
built=$(date +%s)
echo "Qt $qt_upstream for Windows: configure $((configured - started)) s," \
    "build and install $((built - configured)) s"
cd "$root"
rm -rf "$work"
echo "Qt for Windows is installed in:"
echo "$prefix"
