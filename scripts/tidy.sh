#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) on the core library's sources, two at a time; any finding fails.
# Needs the compile database of a configured build (default: build/).
#   scripts/tidy.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -f "$build/compile_commands.json" ] || { echo "tidy.sh: no $build/compile_commands.json" >&2; exit 1; }
git ls-files 'src/core/*.cpp' |
    xargs -P 2 -n 4 clang-tidy -p "$build" --quiet 2> >(grep -v 'warnings generated\|^Suppressed\|^Use -header-filter\|NOLINT' >&2)
