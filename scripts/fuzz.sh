#!/usr/bin/env bash
# Builds the fuzz targets (clang++, libFuzzer, address + undefined-behaviour sanitizers) in
# build-fuzz, writes their seed corpus and runs each for SECONDS (default 10, as in CI; a long
# run: scripts/fuzz.sh 600) from its kept corpus fuzz/corpus/TARGET and the seeds. What a run adds
# to coverage is merged back into fuzz/corpus/TARGET (libFuzzer's -merge=1 keeps it minimal).
# Fails on the first crash, sanitizer report or broken check; the input that did it is kept in
# build-fuzz/crashes/TARGET/. Prints executions, exec/s and coverage per target.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-10}
build="build-fuzz"
targets=(fuzz_ini fuzz_hbd_response fuzz_hbd_upload fuzz_kx2_frame fuzz_kx2_upload
         fuzz_file_contains fuzz_log_scan fuzz_font_info fuzz_fault_plan)
# scripts/install-deps.sh installs clang and libclang-rt-14-dev (libFuzzer) when they are missing.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DQUILLON_FUZZ=ON -DQUILLON_BUILD_GUI=OFF -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target make_seeds "${targets[@]}"

seeds=$build/seeds
rm -rf "$seeds"
"$build/fuzz/make_seeds" "$seeds" >/dev/null
# The settings writer syncs every file it replaces: scratch files go to memory when it can.
scratch=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

printf '%-20s %12s %10s %8s\n' target executions "exec/s" coverage
status=0
for t in "${targets[@]}"; do
    corpus=$build/corpus/$t
    kept=fuzz/corpus/$t
    crashes=$build/crashes/$t
    rm -rf "$corpus"
    mkdir -p "$corpus" "$kept" "$crashes" "$seeds/$t"
    log=$build/fuzz-$t.log
    if ! TMPDIR=$scratch "$build/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "$kept" "$seeds/$t" >"$log" 2>&1; then
        echo "FAILED: $t (see $log; input in $crashes/)" >&2
        grep -E "ERROR|check failed|runtime error|SUMMARY" "$log" | head -5 >&2 || true
        status=1
        continue
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    printf '%-20s %12s %10s %8s\n' "$t" "$runs" "$rate" "${cov:-?}"
    if ! TMPDIR=$scratch "$build/fuzz/$t" -merge=1 -timeout=20 -rss_limit_mb=2048 "$kept" "$corpus" \
        "$seeds/$t" >"$build/merge-$t.log" 2>&1; then
        echo "FAILED: merging $t's finds into $kept (see $build/merge-$t.log)" >&2
        status=1
    fi
done
exit $status
