# shellcheck shell=bash
# Sourced by the scripts that drive Quillon7's windows under Wine on an X display: waiting for an
# event, finding a window by its title, and taking its picture. A wait ends on the event; $deadline
# seconds (120 unless set) only keep a broken run from hanging CI, and then the wait fails.

# windows_titled TITLE: the visible windows of that title now; fails when there are none. Wine
# makes and drops windows all the time, and one gone while xdotool looks at it ends xdotool with
# an X error: that is no answer, so it asks again.
windows_titled() {
    local out
    while :; do
        out=$(xdotool search --onlyvisible --name "^$1\$" 2>&1) && {
            grep -E '^[0-9]+$' <<<"$out"
            return 0
        }
        [[ $out == *"X Error"* ]] || return 1
    done
}
# wait_for COMMAND...: runs the command every 0.2 s until it succeeds; fails after $deadline s.
wait_for() {
    local end=$((SECONDS + ${deadline:-120}))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.2
    done
}
# window_id TITLE: the visible window of that title, waiting until one shows.
window_id() {
    local ids
    ids=$(wait_for windows_titled "$1") && head -n1 <<<"$ids"
}
no_window_titled() { ! windows_titled "$1" >/dev/null; }
# until_gone TITLE: waits until no visible window has that title.
until_gone() { wait_for no_window_titled "$1"; }
# not_blank PICTURE: the picture has more than one colour.
not_blank() { [ "$(identify -format '%[fx:standard_deviation]' "$1")" != 0 ]; }
painted_picture() { import -window "$1" "$2" 2>/dev/null && not_blank "$2"; }
# picture_of WINDOW FILE: a screenshot of the window into FILE, taken again until it is not blank:
# a window is shown a moment before it is first painted.
picture_of() { wait_for painted_picture "$1" "$2"; }
