#!/usr/bin/env bash
# First run: installs what is missing, builds, writes sample firmware and uploads the sample
# COMM file to the built-in simulated HBD unit. Pass --device PATH to upload to a real unit
# instead (the sample files are not firmware for a real unit: use your own there), or
# --all-boards for a three-board run with the pauses between files (45 s each).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quillon7-cli

app_dir=${QUILLON_APP_DIR:-$PWD/build/demo-app}
samples=$app_dir/samples
mkdir -p "$app_dir"
build/cli/quillon7-cli samples --force "$samples" >/dev/null  # the demo's own samples
# A demonstration uses the shortest pause a unit allows.
if [ ! -f "$app_dir/Quillon.ini" ]; then
    printf '[HBD Params]\nDelay after File Upload=45\n' >"$app_dir/Quillon.ini"
fi

files=(--comm "$samples/SAMPLE_COMM.bin")
line=(--simulate)
while [ $# -gt 0 ]; do
    case "$1" in
        --device) line=(--port "$2"); shift 2 ;;
        --all-boards) files+=(--reader "$samples/SAMPLE_READER.bin" --speech "$samples/SAMPLE_SPEECH.bin"); shift ;;
        *) echo "usage: scripts/demo.sh [--device PATH] [--all-boards]" >&2; exit 2 ;;
    esac
done
exec build/cli/quillon7-cli upload --app-dir "$app_dir" "${line[@]}" "${files[@]}"
