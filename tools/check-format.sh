#!/usr/bin/env bash
# Checks that every C++ file git knows is in the house style of
# .clang-format; prints the difference of each file that is not and fails.
#
# Usage: tools/check-format.sh [--fix]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
formatter=${CLANG_FORMAT:-clang-format-14}
command -v "$formatter" >/dev/null || formatter=clang-format
if [[ ${1:-} == --fix ]]; then
    git ls-files -z '*.cpp' '*.h' '*.h.in' | xargs -0 "$formatter" -i
    exit 0
fi
bad=0
while IFS= read -r -d '' file; do
    if ! "$formatter" --style=file "$file" | diff -u --label "$file" --label "$file (formatted)" \
        "$file" -; then
        bad=$((bad + 1))
    fi
done < <(git ls-files -z '*.cpp' '*.h' '*.h.in')
if ((bad > 0)); then
    echo "check-format: $bad file(s) differ from the house style; tools/check-format.sh --fix" >&2
    exit 1
fi
echo "check-format: every C++ file is in the house style"
