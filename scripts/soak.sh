#!/usr/bin/env bash
# The whole fault soak: RUNS seeded fault schedules per protocol (default 200) against the
# simulated HBD and KX2 units over pseudo-terminals, then a summary table of the outcomes.
# Fails when any run broke a rule (each such run is printed with its seed and schedule; run it
# again alone with --first-seed SEED --runs 1 --verbose).
#   scripts/soak.sh [RUNS] [extra reliability_soak options]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-200}
shift || true
build=build-soak
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON \
    -DQUILLON_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target reliability_soak
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec "$build/tests/reliability/reliability_soak" --runs "$runs" "$@"
