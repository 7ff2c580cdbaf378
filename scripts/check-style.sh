#!/usr/bin/env bash
# Fails on code clang-format would change (.clang-format holds the style) and on any shellcheck
# finding in the shell scripts (and what they source). Prints each offending file with what is wrong there.
# scripts/check-style.sh [SOURCE-DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

mapfile -t sources < <(git ls-files -- '*.cpp' '*.h' 2>/dev/null ||
    find bench cli core fuzz gui sim tests tools -name '*.cpp' -o -name '*.h')
mapfile -t scripts < <(find scripts .ci -maxdepth 1 -type f -exec grep -lE '^#!.*\b(ba)?sh\b' {} + | sort)

bad=0
clang-format --dry-run --Werror "${sources[@]}" || bad=1
shellcheck -x "${scripts[@]}" || bad=1
if [ "$bad" -eq 0 ]; then
    echo "Style: ${#sources[@]} sources formatted, ${#scripts[@]} scripts without findings"
fi
exit "$bad"
