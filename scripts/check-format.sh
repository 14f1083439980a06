#!/usr/bin/env bash
# Fails when a C++ source differs from what .clang-format makes of it, naming the files.
#   scripts/check-format.sh            every tracked source
#   scripts/check-format.sh FILE...    the given files
set -euo pipefail
cd "$(dirname "$0")/.."
if (($#)); then
    files=("$@")
else
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi
if ! out=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
    echo "$out" | grep -o '^[^:]*:[0-9]*:[0-9]*: error' | cut -d: -f1 | sort -u |
        sed 's/^/not formatted (clang-format -i): /' >&2
    exit 1
fi
