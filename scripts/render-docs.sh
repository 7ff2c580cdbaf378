#!/usr/bin/env bash
# Renders the option tables of quillon7-cli and quillon7-sim into docs/man/quillon7-cli.1,
# docs/man/quillon7-sim.1 (their marked blocks; the prose stays) and packaging/completion/.
#   scripts/render-docs.sh [TOOL]          write them into the source tree
#   scripts/render-docs.sh --check [TOOL]  compare instead: exit 1 with a diff when they differ
# TOOL is the built quillon7-docs (default: build/tools/quillon7-docs); `cmake --build build
# --target render_docs` builds it and writes the files.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
if [ "${1:-}" = "--check" ]; then
    check=1
    shift
fi
tool=${1:-build/tools/quillon7-docs}
files=(docs/man/quillon7-cli.1 docs/man/quillon7-sim.1
       packaging/completion/quillon7-cli packaging/completion/quillon7-sim)

if [ "$check" -eq 0 ]; then
    "$tool" . .
    exit 0
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
mkdir -p "$out/docs/man" "$out/packaging/completion"
"$tool" . "$out"
status=0
for f in "${files[@]}"; do
    if ! diff -u "$f" "$out/$f"; then
        status=1
    fi
done
if [ "$status" -ne 0 ]; then
    echo "render-docs: the files above differ from the option tables;" \
        "run scripts/render-docs.sh (or build the render_docs target) and commit them" >&2
fi
exit "$status"
