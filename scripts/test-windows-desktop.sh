#!/usr/bin/env bash
# The desktop program quillon7.exe under Wine, as a technician drives it, on the X display and in
# the Wine prefix scripts/test-windows.sh set up (DISPLAY, WINEPREFIX): the sample COMM file is
# picked in the main window, START pressed, the progress window waited for until "Job Done!" is
# recorded, closed with Enter, and the program left with Escape; once against --simulate and once
# through Wine's COM8 to the Linux quillon7-sim. Each must end with the success entry in
# History.txt. Screenshots of the main window and of the progress window after "Job Done!" go to
# build-windows/screenshots/. Then the screenshot gallery drawn by the Windows build must hold the
# same pictures as the Linux one, none of them blank.
# The checks read "run && check || fail ...": fail is meant to run when either one fails.
# shellcheck disable=SC2015
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
: "${WINEPREFIX:?set by scripts/test-windows.sh}" "${DISPLAY:?set by scripts/test-windows.sh}"

wine=/usr/lib/wine/wine64
desktop_exe=$root/build-windows/gui/app/quillon7.exe
work=$root/build-windows/desktop
shots=$root/build-windows/screenshots
rm -rf "$work" "$shots"
mkdir -p "$work" "$shots"
"$wine" "$root/build-windows/cli/quillon7-cli.exe" samples "Z:$work/fw" >/dev/null
# Every wait below ends on an event (a window shown or gone, a line in a file, a program's end);
# the deadline only keeps a broken run from hanging CI.
deadline=120

# shellcheck source=scripts/failed-checks.sh
. scripts/failed-checks.sh
# shellcheck source=scripts/x-windows.sh
. scripts/x-windows.sh

# until_in_file FILE TEXT: waits until TEXT is in FILE.
until_in_file() { wait_for grep -qs "$2" "$1"; }
# keys WINDOW KEY...: focuses the window, then presses the keys in turn.
keys() {
    local window=$1
    shift
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
    xdotool key --delay 100 "$@"
}

# desktop_upload NAME SETTINGS [quillon7.exe option...]: one upload of the sample COMM file driven
# through the main window, with the settings lines given; the run's files are in $work/NAME.
desktop_upload() {
    local name=$1 settings=$2
    shift 2
    local app=$work/$name
    mkdir -p "$app"
    printf '%s\r\n' '[KX2]' 'Is KX2=0' '[HBD Params]' 'Delay after File Upload=45' "$settings" \
        >"$app/Quillon.ini"
    # Started in the firmware folder, where the picker opens: the file is picked by its name.
    (cd "$work/fw" && exec "$wine" "$desktop_exe" --app-dir "Z:$app" "$@") >"$app/out.txt" 2>&1 &
    program=$!
    local main picker progress
    step="the main window"
    main=$(window_id Quillon7) || return 1
    if [ "$name" = simulated ]; then
        step="the main window's picture"
        picture_of "$main" "$shots/main-window.png" || return 1
    fi
    # The focus starts on "Load COMM File"; its picker takes a typed name.
    step="the file picker"
    keys "$main" space
    picker=$(window_id 'Open COMM File') || return 1
    xdotool type --delay 20 SAMPLE_COMM.bin
    keys "$picker" Return
    until_gone 'Open COMM File' || return 1
    # Tab passes the READER and SPEECH buttons to START.
    step="START and the progress window"
    keys "$main" Tab Tab Tab space
    progress=$(window_id 'Quillon Upload Files') || return 1
    step="the success in History.txt"
    until_in_file "$app/History.txt" 'Upload COMM File Successful' || return 1
    # The end text follows the history entry by one turn of the window's event loop; the second
    # is only for the picture, nothing is judged by it.
    if [ "$name" = simulated ]; then
        sleep 1
        step="the progress window's picture"
        picture_of "$progress" "$shots/progress-job-done.png" || return 1
    fi
    step="Enter closing the progress window"
    keys "$progress" Return
    until_gone 'Quillon Upload Files' || return 1
    step="Escape ending the program"
    keys "$main" Escape
    timeout "$deadline" tail --pid="$program" -f /dev/null || return 1
    wait "$program"
}

# drive NAME SETTINGS [option...]: desktop_upload, and a program left by a failed one is ended.
# The screen as it was is kept beside the run's files, and the step it stopped at is said.
drive() {
    program=
    step=start
    desktop_upload "$@" && return 0
    echo "The upload through the main window stopped at: $step" >&2
    import -window root "$work/$1-stopped.png" || true
    [ -z "$program" ] || kill "$program" 2>/dev/null || true
    return 1
}

drive simulated '' --simulate ||
    fail "an upload through the main window against --simulate" "$work/simulated/out.txt" \
        "$work/simulated/History.txt"

# The same through a COM port, to the Linux simulated unit on a pseudo-terminal.
coproc SIM { exec build/sim/quillon7-sim hbd --exit-after-boards 1 2>&1; }
# shellcheck disable=SC2153  # SIM_PID is set by coproc
sim_pid=$SIM_PID
exec {simout}<&"${SIM[0]}"
read -r line <&"$simout"
ln -sfn "${line##* }" "$WINEPREFIX/dosdevices/com8"
# The run's folder is not named "com8": to Windows that name is the port itself, in any folder.
drive serial-port $'[Serial Port]\r\nPort Number=8' ||
    fail "an upload through the main window on COM8" "$work/serial-port/out.txt"
kill "$sim_pid" 2>/dev/null || true
exec {simout}<&-

# The gallery: the Windows build's pictures against the Linux build's.
gallery=$root/build-windows/tests/gui/gallery
cmake --build build -j2 --target quillon7-screenshots >/dev/null
QT_QPA_PLATFORM=offscreen build/tools/quillon7-screenshots "$work/gallery-linux" >/dev/null
if ! diff <(cd "$work/gallery-linux" && ls) <(cd "$gallery" && ls) >"$work/gallery.diff"; then
    fail "the Windows gallery holds other pictures than the Linux one" "$work/gallery.diff"
fi
for picture in "$gallery"/*.png "$shots"/*.png; do
    not_blank "$picture" || fail "a blank picture: $picture"
done
echo "Desktop pictures in $shots and $gallery"
[ "$failed" = 0 ]
