#!/usr/bin/env bash
# Runs the Windows build (scripts/build-windows.sh) under Wine: the core's tests through CTest,
# then quillon7-cli.exe uploads the sample HBD and KX2 images through Wine's COM5, which points
# at the pseudo-terminal of the Linux quillon7-sim. Each upload must exit 0, leave its success
# in History.txt, and the unit must receive the same image as from the Linux quillon7-cli. The
# images sit in a folder with a non-ASCII name. Last, both go to `upload --simulate`.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
start=$(date +%s)

wine=/usr/lib/wine/wine64
export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine-prefix}
export WINEDEBUG=-all
work=$root/build-windows/e2e
rm -rf "$work"
mkdir -p "$work"

# wineserver takes a pty as its controlling terminal and writes a line for every hang-up: its
# stderr goes to a file. The prefix is booted before CTest, or Wine's services would inherit
# CTest's output pipe and CTest would never end.
mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true  # a server of this prefix left from an earlier run
wineserver -p 2>"$work/wineserver.log"
trap 'wineserver -k 2>/dev/null || true' EXIT
"$wine" wineboot -u >/dev/null 2>&1
echo "Wine ready after $(( $(date +%s) - start )) s"

ctest --test-dir build-windows --output-on-failure -j2

# The Linux side: the simulated unit, and the Linux CLI for the reference run.
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BUILD_GUI=OFF >/dev/null
fi
cmake --build build -j2 --target quillon7-sim quillon7-cli >/dev/null
cli_exe=$root/build-windows/cli/quillon7-cli.exe

# upload KIND FILE-OPTION SAMPLE HISTORY-TEXT windows|linux: one upload to a fresh simulated
# unit; prints what the unit says it received.
upload() {
    local kind=$1 option=$2 sample=$3 history=$4 side=$5
    local app=$work/$side-$kind
    mkdir -p "$app"
    printf '[HBD Params]\nDelay after File Upload=45\n' >"$app/Quillon.ini"
    coproc SIM { exec build/sim/quillon7-sim "$kind" --exit-after-boards 1 2>&1; }
    # Bash forgets the coprocess once it has ended: keep its output and id.
    local simout sim_pid=$SIM_PID line pty
    exec {simout}<&"${SIM[0]}"
    read -r line <&"$simout"
    pty=${line##* }
    local status=0
    if [ "$side" = windows ]; then
        ln -sfn "$pty" "$WINEPREFIX/dosdevices/com5"
        "$wine" "$cli_exe" upload --quiet --app-dir "Z:$app" --port COM5 \
            "$option" "Z:$work/Prüfung/$sample" >"$app/out.txt" 2>&1 || status=$?
    else
        build/cli/quillon7-cli upload --quiet --app-dir "$app" --port "$pty" \
            "$option" "$work/Prüfung/$sample" >"$app/out.txt" 2>&1 || status=$?
    fi
    local received
    received=$(cat <&"$simout")
    exec {simout}<&-
    wait "$sim_pid" 2>/dev/null || true
    if [ "$status" -ne 0 ]; then
        echo "$side $kind upload exited $status:" >&2
        cat "$app/out.txt" >&2
        return 1
    fi
    if ! grep -q "$history" "$app/History.txt"; then
        echo "$side $kind upload left no \"$history\" in History.txt" >&2
        return 1
    fi
    echo "$received"
}

"$wine" "$cli_exe" samples "Z:$work/Prüfung" >/dev/null
failed=0
# A KX2 run records its begin only; an HBD run its success.
for case in "hbd --comm SAMPLE_COMM.bin Upload.COMM.File.Successful" \
    "kx2 --kx SAMPLE.kx Begin.Upload"; do
    set -- $case
    expected=$(upload "$@" linux) || { failed=1; continue; }
    got=$(upload "$@" windows) || { failed=1; continue; }
    if [ -z "$got" ] || [ "$got" != "$expected" ]; then
        echo "$1 through COM5: the unit received \"$got\", from Linux \"$expected\"" >&2
        failed=1
    else
        echo "$1 upload through COM5 ($(( $(date +%s) - start )) s in): $got"
    fi
done
# The same images to the built-in simulated units (an in-process line under Windows).
for case in "hbd --comm SAMPLE_COMM.bin" "kx2 --kx SAMPLE.kx"; do
    set -- $case
    app=$work/simulate-$1
    mkdir -p "$app"
    if ! "$wine" "$cli_exe" upload --quiet --simulate --app-dir "Z:$app" "$2" "Z:$work/Prüfung/$3" \
        >"$app/out.txt" 2>&1; then
        echo "$1 upload --simulate failed:" >&2
        cat "$app/out.txt" >&2
        failed=1
    elif ! grep -qE "CRC 2A31|image complete" "$app/out.txt"; then
        echo "$1 upload --simulate: the unit did not receive the image:" >&2
        cat "$app/out.txt" >&2
        failed=1
    else
        echo "$1 upload --simulate: $(tail -1 "$app/out.txt")"
    fi
done
echo "Windows tests finished in $(( $(date +%s) - start )) s"
exit "$failed"
