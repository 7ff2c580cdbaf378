#!/usr/bin/env bash
# Builds the fuzz targets (clang++, libFuzzer, address + undefined-behaviour sanitizers) in
# build-fuzz, writes their seed corpus and runs each target named (all when none is) for SECONDS
# (default 10, as in CI; a long run: scripts/fuzz.sh 600) from its kept corpus fuzz/corpus/TARGET
# and the seeds. With --cpu, SECONDS is the target's own processor time, however busy the machine
# is; with --jobs N, N targets run side by side. What a run adds to coverage is merged back into
# fuzz/corpus/TARGET (libFuzzer's -merge=1 keeps it minimal).
# Fails on the first crash, sanitizer report or broken check; the input that did it is kept in
# build-fuzz/crashes/TARGET/. Prints per target the executions, exec/s, processor seconds, the
# coverage (edges, features) at the start and at the end, and the kept corpus before and after.
set -euo pipefail
cd "$(dirname "$0")/.."

by_cpu=0
jobs=1
while [ $# -gt 0 ]; do
    case $1 in
        --cpu) by_cpu=1; shift ;;
        --jobs) jobs=$2; shift 2 ;;
        *) break ;;
    esac
done
seconds=${1:-10}
[ $# -gt 0 ] && shift
build="build-fuzz"
targets=(fuzz_ini fuzz_hbd_response fuzz_hbd_upload fuzz_kx2_frame fuzz_kx2_upload
         fuzz_file_contains fuzz_log_scan fuzz_font_info fuzz_fault_plan)
[ $# -gt 0 ] && targets=("$@")
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

row='%-18s %11s %7s %5s  %-20s %-20s %12s %12s\n' # a line of the table
corpus_size() { printf '%s/%s' "$(find "$1" -type f | wc -l)" "$(du -sk --apparent-size "$1" | cut -f1)K"; }
processor_seconds() { # user + system time of a running process, in whole seconds
    local stat
    stat=$(cut -d' ' -f14,15 "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
    echo $(((${stat% *} + ${stat#* }) / $(getconf CLK_TCK)))
}

# Runs one target; its line of the table goes to $build/result-TARGET, its failure to stderr.
run_target() {
    local t=$1 corpus=$build/corpus/$1 kept=fuzz/corpus/$1 crashes=$build/crashes/$1
    local log=$build/fuzz-$1.log limit=$seconds before fuzzer cpu=0 code=0 stopped=0
    rm -rf "$corpus" "$build/result-$t"
    mkdir -p "$corpus" "$kept" "$crashes" "$seeds/$t"
    before=$(corpus_size "$kept")
    [ "$by_cpu" = 1 ] && limit=0 # unlimited: stopped below once it has had its processor time
    TMPDIR=$scratch "$build/fuzz/$t" -max_total_time="$limit" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$crashes/" \
        "$corpus" "$kept" "$seeds/$t" >"$log" 2>&1 &
    fuzzer=$!
    while [ "$by_cpu" = 1 ] && kill -0 "$fuzzer" 2>/dev/null; do
        cpu=$(processor_seconds "$fuzzer")
        [ "$cpu" -ge "$seconds" ] && kill -INT "$fuzzer" && stopped=1 && break
        sleep 5
    done
    wait "$fuzzer" || code=$?
    [ "$stopped" = 1 ] && [ "$code" = 72 ] && code=0 # libFuzzer's exit code when interrupted
    if [ "$code" != 0 ]; then
        echo "FAILED: $t (see $log; input in $crashes/)" >&2
        grep -E "ERROR|check failed|runtime error|SUMMARY" "$log" | head -5 >&2 || true
        return 1
    fi
    if ! TMPDIR=$scratch "$build/fuzz/$t" -merge=1 -timeout=20 -rss_limit_mb=2048 "$kept" "$corpus" \
        "$seeds/$t" >"$build/merge-$t.log" 2>&1; then
        echo "FAILED: merging $t's finds into $kept (see $build/merge-$t.log)" >&2
        return 1
    fi
    local first last
    first=$(grep -m1 -E 'INITED .*cov:' "$log" | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
    last=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || true)
    [ "$by_cpu" = 1 ] || cpu="-"
    # shellcheck disable=SC2059  # the format is the table's, above
    printf "$row" "$t" \
        "$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")" \
        "$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")" "$cpu" \
        "${first:-?}" "${last:-?}" "$before" "$(corpus_size "$kept")" >"$build/result-$t"
}

# shellcheck disable=SC2059
printf "$row" target executions "exec/s" "cpu s" start end "kept before" "kept after"
status=0
running=0
for t in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || status=1
        running=$((running - 1))
    fi
    run_target "$t" &
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
done
for t in "${targets[@]}"; do
    cat "$build/result-$t" 2>/dev/null || true
done
exit $status
