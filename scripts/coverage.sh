#!/usr/bin/env bash
# Line and branch coverage of the core, per folder: builds the core, the CLI and their tests with
# clang's source-based coverage (no desktop), runs the test suite, and prints one row per core
# folder, then the files of core/upload and core/protocol. Usage: scripts/coverage.sh [BUILD_DIR]
# (default build-coverage). The per-file report stays in BUILD_DIR/coverage.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
# clang 16: the tests use C++20 aggregates built with parentheses, which clang 14 lacks.
scripts/install-deps.sh clang-16 llvm-16 libclang-rt-16-dev
build=${1:-build-coverage}
flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-16 \
    -DQUILLON_BUILD_GUI=OFF -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build" -j"$(nproc)"

profiles="$PWD/$build/profiles"
rm -rf "$profiles"
mkdir -p "$profiles"
LLVM_PROFILE_FILE="$profiles/%p.profraw" ctest --test-dir "$build" -j"$(nproc)" >"$build/ctest.log" ||
    { tail -n 20 "$build/ctest.log" >&2; exit 1; }
llvm-profdata-16 merge -sparse "$profiles"/*.profraw -o "$build/coverage.profdata"

objects=()
while IFS= read -r program; do
    objects+=(-object "$program")
done < <(find "$build" -type f -executable -name '*_tests' -o -type f -name 'quillon7-cli')
llvm-cov-16 report "${objects[@]}" -instr-profile="$build/coverage.profdata" \
    -ignore-filename-regex='(tests|sim|cli|fuzz|usr)/' >"$build/coverage.txt"

# Columns of llvm-cov's report: file, regions, missed, cover, functions, missed, executed, lines,
# missed, cover, branches, missed, cover.
awk -v root="$PWD/" '
    $1 ~ /core\// {
        file = $1; sub(root, "", file); split(file, part, "/"); folder = part[1] "/" part[2]
        lines[folder] += $8; linesMissed[folder] += $9; branches[folder] += $11; branchesMissed[folder] += $12
        if (folder == "core/upload" || folder == "core/protocol") detail[file] = sprintf("%-44s %6s %6s", file, $10, $13)
    }
    END {
        printf "%-16s %8s %8s %9s %8s\n", "folder", "lines", "line %", "branches", "branch %"
        for (f in lines) printf "%-16s %8d %7.1f%% %9d %7.1f%%\n", f, lines[f], 100 * (lines[f] - linesMissed[f]) / lines[f], branches[f], branches[f] ? 100 * (branches[f] - branchesMissed[f]) / branches[f] : 100 | "sort"
        close("sort")
        print ""
        for (f in detail) print detail[f] | "sort"
        close("sort")
    }' "$build/coverage.txt"
