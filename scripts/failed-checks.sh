# shellcheck shell=bash
# Sourced by the test scripts that judge many cases and report them all: fail TEXT [FILE...] says
# that one check failed, shows the files named after the text, and counts it in $failed.
failed=0
fail() {
    echo "FAILED: $1" >&2
    shift
    for file in "$@"; do
        echo "--- $file" >&2
        cat -v "$file" >&2 || true
        echo >&2
    done
    failed=$((failed + 1))
}
