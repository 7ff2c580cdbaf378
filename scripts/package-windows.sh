#!/usr/bin/env bash
# Packages the Windows build (scripts/build-windows.sh, run first when its programs are missing)
# for technicians, into dist/:
#   Quillon7-VERSION-win64.zip     the programs, README.txt and COPYRIGHT.txt in a folder
#                                  Quillon7-VERSION/, to unzip and run anywhere (a USB stick)
#   Quillon7-Setup-VERSION.exe     the same, installed into Program Files\Quillon7 by
#                                  packaging/windows/quillon7.nsi (NSIS)
# VERSION is the project's version in CMakeLists.txt. The programs are quillon7-cli.exe and,
# when build-windows/gui/app/quillon7.exe is there, the desktop quillon7.exe; with
# --require-gui (or QUILLON_REQUIRE_GUI=1) a missing quillon7.exe is an error.
# Installs zip and nsis first when they are missing. Prints the packages' paths and sizes.
# scripts/package-windows.sh [--require-gui]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

require_gui=${QUILLON_REQUIRE_GUI:-0}
for arg in "$@"; do
    case "$arg" in
        --require-gui) require_gui=1 ;;
        -h | --help)
            sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
            exit 0
            ;;
        *)
            echo "package-windows.sh: unknown argument $arg (see --help)" >&2
            exit 2
            ;;
    esac
done
case "$require_gui" in
    0 | 1) ;;
    *)
        echo "package-windows.sh: QUILLON_REQUIRE_GUI must be 0 or 1, not '$require_gui'" >&2
        exit 2
        ;;
esac

version=$(sed -nE 's/^project\(quillon7 VERSION ([0-9]+(\.[0-9]+){1,3}) .*/\1/p' CMakeLists.txt)
if [ -z "$version" ]; then
    echo "package-windows.sh: no project version found in CMakeLists.txt" >&2
    exit 1
fi
# Windows wants four numbers in an executable's version.
file_version=$version
while [ "$(tr -cd . <<<"$file_version" | wc -c)" -lt 3 ]; do
    file_version+=.0
done

cli=build-windows/cli/quillon7-cli.exe
gui=build-windows/gui/app/quillon7.exe
[ -f "$cli" ] || scripts/build-windows.sh
if [ ! -f "$cli" ]; then
    echo "package-windows.sh: scripts/build-windows.sh left no $cli" >&2
    exit 1
fi
programs=("$cli")
if [ -f "$gui" ]; then
    programs+=("$gui")
elif [ "$require_gui" = 1 ]; then
    echo "package-windows.sh: $gui is missing (the desktop program is required)" >&2
    exit 1
fi

packages=(zip nsis binutils-mingw-w64-x86-64)
scripts/install-deps.sh "${packages[@]}"

dist=$root/dist
stage=$dist/stage
folder=$stage/Quillon7-$version
rm -rf "$stage"
mkdir -p "$folder"
for program in "${programs[@]}"; do
    # The builds keep their symbols for debugging; the technicians' copies go without.
    x86_64-w64-mingw32-strip -o "$folder/$(basename "$program")" "$program"
done
for text in packaging/windows/README.txt packaging/windows/Installed.txt; do
    if grep -q $'[^\r]$\|^$' "$text"; then
        echo "package-windows.sh: $text has lines without CR LF (see .gitattributes)" >&2
        exit 1
    fi
done
cp packaging/windows/README.txt "$folder/"
# The programs are static: what they carry of others is said after the project's own terms.
sed 's/\r*$/\r/' packaging/copyright packaging/windows/third-party.txt >"$folder/COPYRIGHT.txt"

zip_file=$dist/Quillon7-$version-win64.zip
rm -f "$zip_file"
(cd "$stage" && zip -q -r -X "$zip_file" "Quillon7-$version")

# Setup installs the same files and the marker that sends the programs' own files to
# %LOCALAPPDATA%\Quillon7.
cp packaging/windows/Installed.txt "$folder/"
setup=$dist/Quillon7-Setup-$version.exe
defines=(-DVERSION="$version" -DFILE_VERSION="$file_version" -DSTAGE="$folder" -DOUT_FILE="$setup")
[ ! -f "$gui" ] || defines+=(-DHAVE_GUI)
rm -f "$setup"
nsis_start=$(date +%s%N)
if ! makensis -V2 -WX "${defines[@]}" packaging/windows/quillon7.nsi >"$stage/makensis.log" 2>&1; then
    cat "$stage/makensis.log" >&2
    echo "package-windows.sh: makensis failed" >&2
    exit 1
fi
nsis_ms=$((($(date +%s%N) - nsis_start) / 1000000))

names=()
for program in "${programs[@]}"; do
    names+=("$(basename "$program")")
done
echo "Programs: ${names[*]}"
[ -f "$gui" ] || echo "(no desktop program: $gui is not built)"
echo "$zip_file ($(stat -c %s "$zip_file") bytes)"
echo "$setup ($(stat -c %s "$setup") bytes, makensis ${nsis_ms} ms)"
