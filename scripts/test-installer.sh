#!/usr/bin/env bash
# Tests Quillon7 Setup under Wine, in a new Wine prefix in a temporary folder: a silent install
# (/S), the installed files, Start menu entries and uninstall key; the installed quillon7-cli.exe
# (--version, and a simulated upload whose success must land in History.txt in
# %LOCALAPPDATA%\Quillon7, nothing in Program Files); the same setup again over the installed one
# (one uninstall key, the settings and history kept); a silent uninstall (the programs, entries
# and key gone, %LOCALAPPDATA%\Quillon7 and its History.txt kept). Prints a summary; exit 1 on
# any failed check. scripts/test-installer.sh [SETUP.exe] (by default scripts/package-windows.sh
# makes dist/Quillon7-Setup-VERSION.exe first). KEEP=1 keeps the temporary folder.
# The checks read "run && check || fail ...": fail is meant to run when either one fails.
# shellcheck disable=SC2015
set -euo pipefail
cd "$(dirname "$0")/.."
# The installed desktop program is shown on a display of the script's own when none is given.
[ -n "${DISPLAY:-}" ] || exec scripts/with-display.sh scripts/test-installer.sh "$@"
root=$PWD
start=$(date +%s)

if [ $# -gt 1 ]; then
    echo "usage: scripts/test-installer.sh [SETUP.exe]" >&2
    exit 2
fi
if [ $# -eq 1 ]; then
    setup=$(realpath "$1")
else
    packaged=$(scripts/package-windows.sh)
    echo "$packaged"
    setup=$(sed -n 's/^\(.*Quillon7-Setup-[^ ]*\.exe\) (.*/\1/p' <<<"$packaged")
fi
if [ ! -f "$setup" ]; then
    echo "test-installer.sh: no setup program at '$setup'" >&2
    exit 1
fi
version=$(sed -nE 's/^project\(quillon7 VERSION ([0-9.]+) .*/\1/p' CMakeLists.txt)
scripts/install-deps.sh wine wine64

wine=/usr/lib/wine/wine64
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon7-installer.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# No Mono or Gecko: Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    if [ "${KEEP:-0}" = 1 ]; then
        echo "Kept $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

# shellcheck source=scripts/failed-checks.sh
. scripts/failed-checks.sh
# shellcheck source=scripts/x-windows.sh
. scripts/x-windows.sh
passed=0
pass() {
    echo "ok: $1"
    passed=$((passed + 1))
}
# check TEXT COMMAND...: runs the command; a pass or a failure named TEXT.
check() {
    local text=$1
    shift
    if "$@"; then pass "$text"; else fail "$text"; fi
}

# Wine's output goes to files: its services would otherwise hold a pipe open.
"$wine" wineboot -u >"$work/wineboot.txt" 2>&1
scripts/wine-fonts.sh
# The folders as this prefix names them (the user's is named after the Unix user).
unix_path() {
    local windows=$1
    windows=${windows%$'\r'}
    local drive=${windows:0:1}
    local rest=${windows:3}
    echo "$WINEPREFIX/drive_${drive,,}/${rest//\\//}"
}
windows_var() {
    "$wine" cmd /c echo "%$1%" >"$work/var.txt" 2>&1
    local value
    value=$(head -1 "$work/var.txt")
    value=${value%$'\r'}
    if [ -z "$value" ] || [ "$value" = "%$1%" ]; then
        echo "test-installer.sh: %$1% is not set in the Wine prefix" >&2
        return 1
    fi
    echo "$value"
}
local_app_data=$(windows_var LOCALAPPDATA)
program_files=$(windows_var ProgramW6432)
program_data=$(windows_var ProgramData)
install_dir_windows="$program_files\\Quillon7"
install_dir=$(unix_path "$install_dir_windows")
user_dir=$(unix_path "$local_app_data\\Quillon7")
menu=$(unix_path "$program_data\\Microsoft\\Windows\\Start Menu\\Programs\\Quillon7")
cli="$install_dir_windows\\quillon7-cli.exe"
echo "Wine prefix ready after $(($(date +%s) - start)) s: $WINEPREFIX"
echo "Installing into $install_dir; the user's folder is $user_dir"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# uninstall_entries: how many uninstall keys (in either registry view) say Quillon7.
uninstall_entries() {
    local count=0 view exported
    for view in "$uninstall_key" 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'; do
        exported=$work/uninstall.reg
        rm -f "$exported"
        "$wine" reg export "$view" "Z:$exported" /y >"$work/reg.txt" 2>&1 || continue
        count=$((count + $(iconv -f UTF-16 -t UTF-8 "$exported" | grep -c '^"DisplayName"="Quillon7"' || true)))
    done
    echo "$count"
}
# key_value NAME: the value of the Quillon7 uninstall key, as reg query prints it.
key_value() {
    "$wine" reg query "$uninstall_key\\Quillon7" /v "$1" >"$work/query.txt" 2>&1 || return 1
    sed -nE "s/^ +$1 +REG_[A-Z_]+ +(.*)\r?$/\1/p" "$work/query.txt" | tr -d '\r'
}

# The desktop program's main window, as installed: a screenshot for the review.
screenshot_installed_desktop() {
    local shots=$root/build-windows/screenshots program window
    mkdir -p "$shots"
    "$wine" "$install_dir/quillon7.exe" >"$work/desktop.txt" 2>&1 &
    program=$!
    window=$(deadline=300 window_id Quillon7) &&
        picture_of "$window" "$shots/installed-main-window.png"
    local status=$?
    kill "$program" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    return "$status"
}

# check_installed WHEN: the files, Start menu entries and uninstall key of an installed setup.
check_installed() {
    local when=$1 file failed_before=$failed
    for file in quillon7-cli.exe README.txt COPYRIGHT.txt Installed.txt Uninstall.exe; do
        [ -f "$install_dir/$file" ] || fail "$when: $install_dir/$file is missing"
    done
    local gui=0
    [ ! -f "$install_dir/quillon7.exe" ] || gui=1
    if [ -f "$root/build-windows/gui/app/quillon7.exe" ] && [ "$gui" = 0 ]; then
        fail "$when: quillon7.exe was built but not installed"
    fi
    local entries=("Quillon7 logs and history.lnk" "Quillon7 readme.lnk")
    [ "$gui" = 0 ] || entries+=("Quillon7.lnk" "Quillon7 (simulated unit).lnk")
    for file in "${entries[@]}"; do
        [ -f "$menu/$file" ] || fail "$when: the Start menu entry $menu/$file is missing"
    done
    if [ "$gui" = 0 ] && [ -e "$menu/Quillon7 (simulated unit).lnk" ]; then
        fail "$when: a Start menu entry for quillon7.exe, which is not installed"
    fi
    [ -d "$user_dir" ] || fail "$when: $user_dir was not created"
    local entries_now
    entries_now=$(uninstall_entries)
    [ "$entries_now" = 1 ] || fail "$when: $entries_now uninstall entries say Quillon7, not 1"
    local name expected value
    for name in DisplayName DisplayVersion Publisher UninstallString QuietUninstallString \
        InstallLocation NoModify NoRepair; do
        case "$name" in
            DisplayName | Publisher) expected=Quillon7 ;;
            DisplayVersion) expected=$version ;;
            UninstallString) expected="\"$install_dir_windows\\Uninstall.exe\"" ;;
            QuietUninstallString) expected="\"$install_dir_windows\\Uninstall.exe\" /S" ;;
            InstallLocation) expected=$install_dir_windows ;;
            NoModify | NoRepair) expected=0x1 ;;
        esac
        value=$(key_value "$name") || value="(none)"
        [ "$value" = "$expected" ] ||
            fail "$when: the uninstall key's $name is '$value', not '$expected'" "$work/query.txt"
    done
    [ "$failed" != "$failed_before" ] || pass "$when: files, Start menu entries and uninstall key"
}

# 1. A silent install.
t=$(date +%s)
status=0
"$wine" "Z:$setup" /S >"$work/setup.txt" 2>&1 || status=$?
check "install exits 0 (exit $status, $(($(date +%s) - t)) s)" test "$status" = 0
check_installed "install"

status=0
"$wine" "$cli" --version >"$work/version.txt" 2>&1 || status=$?
[ "$status" = 0 ] && grep -q "$version" "$work/version.txt" &&
    pass "installed quillon7-cli.exe --version: $(head -1 "$work/version.txt" | tr -d '\r')" ||
    fail "installed quillon7-cli.exe --version (exit $status)" "$work/version.txt"

# A simulated upload without --app-dir: its records go to %LOCALAPPDATA%\Quillon7, although
# Wine lets it write into Program Files.
"$wine" "$cli" samples "Z:$work/fw" >"$work/samples.txt" 2>&1 || fail "samples" "$work/samples.txt"
status=0
"$wine" "$cli" upload --quiet --simulate --comm "Z:$work/fw/SAMPLE_COMM.bin" \
    >"$work/upload.txt" 2>&1 || status=$?
[ "$status" = 0 ] && grep -q "CRC 2A31" "$work/upload.txt" ||
    fail "installed simulated upload (exit $status)" "$work/upload.txt"
grep -q "Upload.COMM.File.Successful" "$user_dir/History.txt" 2>/dev/null &&
    pass "simulated upload recorded in $user_dir/History.txt" ||
    fail "no success in $user_dir/History.txt" "$work/upload.txt"
for file in Quillon.ini History.txt Logs Temp; do
    [ ! -e "$install_dir/$file" ] || fail "the installed program wrote $file into $install_dir"
done
ls "$user_dir"/Logs/Quillon_LogMsg_*.txt >/dev/null 2>&1 ||
    fail "no message log in $user_dir/Logs"
if [ -f "$install_dir/quillon7.exe" ]; then
    check "screenshot of the installed quillon7.exe" screenshot_installed_desktop
fi

# 2. The same setup over the installed one: one entry, the technician's files as they were.
# records_sum: one checksum of the technician's settings and history, or "missing".
records_sum() {
    local records=("$user_dir/Quillon.ini" "$user_dir/History.txt")
    if [ -f "${records[0]}" ] && [ -f "${records[1]}" ]; then
        cat "${records[@]}" | sha256sum
    else
        echo missing
    fi
}
# unchanged BEFORE AFTER: the records are there and as they were.
unchanged() { [ "$1" != missing ] && [ "$1" = "$2" ]; }
before=$(records_sum)
[ "$before" != missing ] || fail "no Quillon.ini and History.txt in $user_dir to keep"
t=$(date +%s)
status=0
"$wine" "Z:$setup" /S >"$work/setup-again.txt" 2>&1 || status=$?
check "install over the installed one exits 0 (exit $status, $(($(date +%s) - t)) s)" \
    test "$status" = 0
check_installed "upgrade"
after=$(records_sum)
check "upgrade keeps Quillon.ini and History.txt" unchanged "$before" "$after"

# 3. A silent uninstall. The uninstaller runs from a copy in %TEMP% and returns at once:
# wineserver -w waits until every program of the prefix has ended.
t=$(date +%s)
status=0
"$wine" "$install_dir_windows\\Uninstall.exe" /S >"$work/uninstall.txt" 2>&1 || status=$?
wineserver -w
check "uninstall exits 0 (exit $status, $(($(date +%s) - t)) s)" test "$status" = 0
check "uninstall removes $install_dir" test ! -e "$install_dir"
check "uninstall removes the Start menu folder" test ! -e "$menu"
left=$(uninstall_entries)
check "uninstall removes the uninstall key ($left left)" test "$left" = 0
after=$(records_sum)
check "uninstall keeps $user_dir with Quillon.ini and History.txt" \
    unchanged "$before" "$after"

echo "Installer test: $passed passed, $failed failed, $(($(date +%s) - start)) s" \
    "($(basename "$setup"), $(stat -c %s "$setup") bytes)"
[ "$failed" = 0 ]
