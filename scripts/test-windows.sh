#!/usr/bin/env bash
# Runs the Windows build (scripts/build-windows.sh) under Wine: the core's tests and the fault
# soak's table (over the in-process loopback line) through CTest, then quillon7-cli.exe uploads the
# sample HBD and KX2 images through Wine's COM5, which points at the pseudo-terminal of the Linux
# quillon7-sim. Each upload must exit 0, leave its success in History.txt, and the unit must receive
# the same image as from the Linux quillon7-cli. The images sit in a folder with a non-ASCII name.
# Then what a Windows technician meets: `upload --simulate` and the records read back in an
# application folder named with umlauts and CJK, a firmware path over 260 characters, a port named
# \\.\CNCA0, a KX2 unit that never confirms, the console (through scripts/wine-console.py: no escape
# codes, Ctrl-C said on a line of its own, Ctrl-C as a byte in `terminal`), /? and the help's
# Windows words. The desktop's Qt Test programs run in Wine's own window system on an Xvfb display,
# and scripts/test-windows-desktop.sh drives quillon7.exe there.
# The checks read "run && check || fail ...": fail is meant to run when either one fails.
# shellcheck disable=SC2015
set -euo pipefail
cd "$(dirname "$0")/.."
# The desktop's windows need a display: one of the script's own when none is given.
[ -n "${DISPLAY:-}" ] || exec scripts/with-display.sh scripts/test-windows.sh "$@"
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
scripts/wine-fonts.sh
echo "Wine ready after $(( $(date +%s) - start )) s"

# The Linux side: the simulated unit, and the Linux CLI for the reference run.
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -j2 --target quillon7-sim quillon7-cli >/dev/null
cli_exe=$root/build-windows/cli/quillon7-cli.exe

# upload KIND FILE-OPTION SAMPLE HISTORY-TEXT windows|linux [PORT]: one upload to a fresh
# simulated unit, on Windows through PORT (default COM5: the Wine device of that name points at
# the unit); prints what the unit says it received.
upload() {
    local kind=$1 option=$2 sample=$3 history=$4 side=$5 port=${6:-COM5}
    local device=${port##*\\}
    device=${device,,}
    local app=$work/$side-$kind-$device
    mkdir -p "$app"
    printf '[HBD Params]\nDelay after File Upload=45\n' >"$app/Quillon.ini"
    coproc SIM { exec build/sim/quillon7-sim "$kind" --exit-after-boards 1 2>&1; }
    # Bash forgets the coprocess once it has ended: keep its output and id.
    # shellcheck disable=SC2153  # SIM_PID is set by coproc
    local simout sim_pid=$SIM_PID line pty
    exec {simout}<&"${SIM[0]}"
    read -r line <&"$simout"
    pty=${line##* }
    local status=0
    if [ "$side" = windows ]; then
        ln -sfn "$pty" "$WINEPREFIX/dosdevices/$device"
        "$wine" "$cli_exe" upload --quiet --app-dir "Z:$app" --port "$port" \
            "$option" "Z:$work/Prüfung/$sample" >"$app/out.txt" 2>&1 || status=$?
    else
        build/cli/quillon7-cli upload --quiet --app-dir "$app" --port "$pty" \
            "$option" "$work/Prüfung/$sample" >"$app/out.txt" 2>&1 || status=$?
    fi
    # A unit that got no image waits for one: it is ended before its words are read.
    [ "$status" -eq 0 ] || kill "$sim_pid" 2>/dev/null || true
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
"$wine" "$cli_exe" samples "Z:$work/fw" >/dev/null  # for the console cases: their paths are ASCII
# shellcheck source=scripts/failed-checks.sh
. scripts/failed-checks.sh

# A KX2 unit that never confirms the upload: the run waits out the unit's final phase (two
# minutes and more, as the original did) and must end with exit 1. It runs on COM6 beside the
# other cases and is judged last.
mkfifo "$work/silent-sim"
build/sim/quillon7-sim kx2 --silent-status --end-of-pass silent >"$work/silent-sim" 2>&1 &
silent_sim=$!
trap 'kill "$silent_sim" 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
exec {silent_out}<"$work/silent-sim"
read -r line <&"$silent_out"
ln -sfn "${line##* }" "$WINEPREFIX/dosdevices/com6"
silent_app=$work/kx2-silent
mkdir -p "$silent_app"
"$wine" "$cli_exe" upload --quiet --app-dir "Z:$silent_app" --port COM6 \
    --kx "Z:$work/fw/SAMPLE.kx" >"$silent_app/out.txt" 2>&1 &
silent_cli=$!

ctest --test-dir build-windows --output-on-failure -j2

# A unit that vanishes mid-upload (the USB adapter pulled: the unit's end of the pty closed)
# ends the run as a lost line, exit 1, with its failure in History.txt, as on Linux.
mkfifo "$work/gone-sim"
build/sim/quillon7-sim hbd --hangup-after-packet 3 >"$work/gone-sim" 2>&1 &
gone_sim=$!
exec {gone_out}<"$work/gone-sim"
read -r line <&"$gone_out"
ln -sfn "${line##* }" "$WINEPREFIX/dosdevices/com7"
gone_app=$work/hbd-gone
mkdir -p "$gone_app"
printf '[HBD Params]\nDelay after File Upload=45\n' >"$gone_app/Quillon.ini"
gone_status=0
"$wine" "$cli_exe" upload --app-dir "Z:$gone_app" --port COM7 --comm "Z:$work/fw/SAMPLE_COMM.bin" \
    >"$gone_app/out.txt" 2>&1 || gone_status=$?
kill "$gone_sim" 2>/dev/null || true
exec {gone_out}<&-
if [ "$gone_status" -eq 1 ] && grep -q "(line-lost)" "$gone_app/out.txt" &&
    grep -q "Upload COMM File FAILED!" "$gone_app/History.txt"; then
    echo "hbd unit gone mid-upload: exit 1, line lost, failure in History.txt"
else
    fail "hbd unit gone mid-upload (exit $gone_status)" "$gone_app/out.txt"
fi

# A KX2 run records its begin only; an HBD run its success. The HBD image also goes through a
# port that is no COMn, as virtual port drivers name theirs.
for case in "hbd --comm SAMPLE_COMM.bin Upload.COMM.File.Successful" \
    "kx2 --kx SAMPLE.kx Begin.Upload"; do
    read -r -a words <<<"$case"
    set -- "${words[@]}"
    expected=$(upload "$@" linux) || { failed=1; continue; }
    for port in COM5 '\\.\CNCA0'; do
        [ "$1" = hbd ] || [ "$port" = COM5 ] || continue
        got=$(upload "$@" windows "$port") || { failed=1; continue; }
        if [ -z "$got" ] || [ "$got" != "$expected" ]; then
            echo "$1 through $port: the unit received \"$got\", from Linux \"$expected\"" >&2
            failed=1
        else
            echo "$1 upload through $port ($(( $(date +%s) - start )) s in): $got"
        fi
    done
done
# The same images to the built-in simulated units (an in-process line under Windows).
for case in "hbd --comm SAMPLE_COMM.bin" "kx2 --kx SAMPLE.kx"; do
    read -r -a words <<<"$case"
    set -- "${words[@]}"
    app=$work/simulate-$1
    mkdir -p "$app"
    if ! "$wine" "$cli_exe" upload --quiet --simulate --app-dir "Z:$app" "$2" "Z:$work/Prüfung/$3" \
        >"$app/out.txt" 2>&1; then
        fail "$1 upload --simulate" "$app/out.txt"
    elif ! grep -qE "CRC 2A31|image complete" "$app/out.txt"; then
        fail "$1 upload --simulate: the unit did not receive the image" "$app/out.txt"
    else
        echo "$1 upload --simulate: $(tail -1 "$app/out.txt")"
    fi
done

# An application folder named with umlauts and CJK: what an upload wrote there is read back,
# every new text file with CR LF line ends (as Notepad wants them), printed with one CR.
app="$work/Prüfung Ä 检查/app"
mkdir -p "$app"
out=$work/unicode
"$wine" "$cli_exe" upload --quiet --simulate --app-dir "Z:$app" \
    --comm "Z:$work/Prüfung/SAMPLE_COMM.bin" >"$out-upload.txt" 2>&1 ||
    fail "upload into $app" "$out-upload.txt"
"$wine" "$cli_exe" history --app-dir "Z:$app" >"$out-history.txt" 2>&1 &&
    grep -q "Upload COMM File Successful" "$out-history.txt" && ! grep -q $'\r\r' "$out-history.txt" ||
    fail "history in $app" "$out-history.txt"
"$wine" "$cli_exe" logs --app-dir "Z:$app" --view 1 >"$out-view.txt" 2>&1 &&
    grep -q "Log File Quillon7" "$out-view.txt" || fail "logs --view 1 in $app" "$out-view.txt"
for file in "$app/History.txt" "$app/Quillon.ini" "$app"/Logs/Quillon_LogMsg_*.txt; do
    [ "$(grep -c -v $'\r$' "$file")" = 0 ] || fail "lines without CR LF in $file"
done
# A log that is not there is said before anything is asked.
status=0
"$wine" "$cli_exe" logs --app-dir "Z:$app" --delete Quillon_LogMsg_none </dev/null \
    >"$out-delete.txt" 2>&1 || status=$?
[ "$status" = 1 ] && grep -q "no log named" "$out-delete.txt" && ! grep -q "Delete" "$out-delete.txt" ||
    fail "logs --delete of a log that is not there (exit $status)" "$out-delete.txt"

# A firmware path over 260 characters, typed as it is and with \\?\ in front.
long=$work/$(printf 'Prüfung Ä %.0s' {1..14})/$(printf 'Ordner 检查 %.0s' {1..14})
mkdir -p "$long"
windows_long="Z:${long//\//\\}"
"$wine" "$cli_exe" samples "$windows_long" >"$work/long-samples.txt" 2>&1 ||
    fail "samples into a path of ${#windows_long} characters" "$work/long-samples.txt"
for typed in "$windows_long\\SAMPLE_COMM.bin" "\\\\?\\$windows_long\\SAMPLE_COMM.bin"; do
    "$wine" "$cli_exe" check --comm "$typed" >"$work/long-check.txt" 2>&1 &&
        grep -q "COMM    passed" "$work/long-check.txt" ||
        fail "check of a path of ${#typed} characters" "$work/long-check.txt"
done

# Windows words: port names, help, folders.
status=0
"$wine" "$cli_exe" upload --port COM0 --comm "Z:$work/fw/SAMPLE_COMM.bin" >"$work/com0.txt" 2>&1 ||
    status=$?
[ "$status" = 2 ] && grep -q 'COM3' "$work/com0.txt" && ! grep -q '/dev/' "$work/com0.txt" ||
    fail "--port COM0 (exit $status)" "$work/com0.txt"
"$wine" "$cli_exe" '/?' >"$work/help.txt" 2>&1 && grep -q '%TEMP%' "$work/help.txt" ||
    fail "/?" "$work/help.txt"
"$wine" "$cli_exe" upload '/?' >"$work/upload-help.txt" 2>&1 &&
    grep -q 'COM3' "$work/upload-help.txt" && grep -q '%LOCALAPPDATA%' "$work/upload-help.txt" &&
    grep -q 'console window' "$work/upload-help.txt" && ! grep -qE '/dev/|SIG' "$work/upload-help.txt" ||
    fail "upload /?" "$work/upload-help.txt"
status=0
"$wine" "$cli_exe" samples "Z:$work/fw/SAMPLE.kx" >"$work/samples-file.txt" 2>&1 || status=$?
[ "$status" = 1 ] && grep -q 'SAMPLE.kx is not a folder' "$work/samples-file.txt" ||
    fail "samples into a file (exit $status)" "$work/samples-file.txt"

# The console: what it shows of an upload (read back from its screen), of Ctrl-C during one, and
# Ctrl-C in `terminal`, which goes to the unit as a byte.
screen_exe=$root/build-windows/tests/console_screen.exe
screen=$work/screen.txt
on_console() {
    local status=0
    scripts/wine-console.py "$@" >"$work/console.txt" 2>&1 || status=$?
    echo "$status"
}
status=$(on_console -- "$wine" "$screen_exe" "Z:$screen" "Z:$cli_exe" upload --simulate \
    --app-dir "Z:$work/console" --comm "Z:$work/fw/SAMPLE_COMM.bin")
[ "$status" = 0 ] && grep -q 'Job Done!' "$screen" && ! grep -qE $'\e|\\[[0-9;]*[mK]' "$screen" ||
    fail "upload on a console (exit $status)" "$screen" "$work/console.txt"
status=$(on_console 'see:/96 packets' 'type:\x03' -- "$wine" "$screen_exe" "Z:$screen" "Z:$cli_exe" \
    upload --simulate --app-dir "Z:$work/console" --comm "Z:$work/fw/SAMPLE_COMM.bin")
[ "$status" = 130 ] &&
    grep -qx 'Stopping at the next check (Ctrl-C again to quit at once)...' "$screen" ||
    fail "Ctrl-C on a console (exit $status)" "$screen" "$work/console.txt"
status=$(on_console --unit "$WINEPREFIX/dosdevices/com7" see:leaves. type:ab unit:ab 'type:\x03' \
    'unit:ab\x03' 'type:\x1d' see:Disconnected. -- \
    "$wine" "$cli_exe" terminal --app-dir "Z:$work/console" --port COM7)
[ "$status" = 0 ] || fail "terminal: Ctrl-C to the unit, Ctrl-] leaves (exit $status)" \
    "$work/console.txt"
echo "Windows cases done ($(( $(date +%s) - start )) s in)"

status=0
wait "$silent_cli" || status=$?
kill "$silent_sim" 2>/dev/null || true
exec {silent_out}<&-
[ "$status" = 1 ] && grep -q "never confirmed" "$silent_app/out.txt" ||
    fail "a KX2 unit that never confirms (exit $status)" "$silent_app/out.txt"

scripts/test-windows-desktop.sh || failed=1
echo "Windows tests finished in $(( $(date +%s) - start )) s"
[ "$failed" = 0 ]
