#!/usr/bin/env bash
# scripts/with-display.sh COMMAND [ARG...]: runs the command with DISPLAY set to an Xvfb display
# of its own, 1366x768 as on a technician's laptop, which ends with it. Exits with the command's
# status. Installs Xvfb, xdotool and ImageMagick (for screenshots) when they are missing.
set -euo pipefail
here=$(dirname "$0")
"$here/install-deps.sh" xvfb xdotool imagemagick
log=$(mktemp)
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1366x768x24 -nolisten tcp >"$log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$log"' EXIT
read -r -t 60 display_number <&"$display_fd" || {
    echo "Xvfb did not start:" >&2
    cat "$log" >&2
    exit 1
}
exec {display_fd}<&-
export DISPLAY=":$display_number"
status=0
"$@" || status=$?
exit "$status"
