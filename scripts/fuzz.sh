#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, the core library only) and runs each one
# for its share of SECONDS_TOTAL (default 60) from its seed corpus in fuzz/corpus/<name>/.
# Exits non-zero when any target reports a finding; the input that caused it is kept in
# build-fuzz/findings/. New inputs found along the way go to build-fuzz/corpus/, not to the
# committed seeds.
# Usage: scripts/fuzz.sh [SECONDS_TOTAL]      e.g. scripts/fuzz.sh 3600 for an hour in all
set -euo pipefail
cd "$(dirname "$0")/.."

total=${1:-60}
if ! [[ "$total" =~ ^[0-9]+$ ]] || ((total < 1)); then
    echo "usage: scripts/fuzz.sh [SECONDS_TOTAL]" >&2
    exit 2
fi

# clang and its sanitizer and libFuzzer runtimes, when missing; setup.sh adds the rest.
. scripts/install_missing.sh
install_missing clang libclang-rt-dev

scripts/setup.sh fuzz

targets=(template dispformat runtime_lines profile gbk pdfjoin)
each=$((total / ${#targets[@]}))
((each >= 1)) || each=1
export QT_QPA_PLATFORM=offscreen
# Qt keeps font and format caches for the life of the process: not leaks of the code under test.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

mkdir -p build-fuzz/findings build-fuzz/logs
failed=()
for t in "${targets[@]}"; do
    mkdir -p "build-fuzz/corpus/$t"
    log="build-fuzz/logs/$t.log"
    if build-fuzz/fuzz/"fuzz_$t" -max_total_time="$each" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$t-" \
        "build-fuzz/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
        echo "fuzz_$t: no finding in ${each} s (${runs:-?} runs)"
    else
        echo "fuzz_$t: FINDING, see $log and build-fuzz/findings/" >&2
        grep -E 'FINDING|ERROR: |runtime error|SUMMARY' "$log" | head -5 >&2 || true
        failed+=("$t")
    fi
done
if ((${#failed[@]})); then
    echo "fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
