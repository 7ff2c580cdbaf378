#!/usr/bin/env bash
# The fault soak's table of fault plans run RUNS times in all (default 200), row after row,
# against the simulated HBD and KX2 units over pseudo-terminals in the sanitizer build. Fails
# when any run broke a rule; each such run is printed with its plan's name.
#   scripts/soak.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-200}
build="build-soak"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON \
    -DQUILLON_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target reliability_soak
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec "$build/tests/reliability/reliability_soak" --runs "$runs"
