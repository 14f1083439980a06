#!/usr/bin/env bash
# Runs the whole test suite: the format check, the normal build with warnings as errors (unit,
# widget and program tests, the print reference, and the demo voucher printed from a private
# PostgreSQL server), clang-tidy on the core library, then the core and data tests again under
# AddressSanitizer + UndefinedBehaviorSanitizer, then long print runs of `karvell` built with
# ThreadSanitizer, then a short run of every fuzz target (60 s in all). Sets everything up on a
# fresh machine.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen

scripts/setup.sh ci
scripts/check-format.sh
ctest --preset ci -j2
scripts/tidy.sh build

scripts/setup.sh asan core_tests data_tests
ctest --preset asan -j2 -L 'core_tests|data_tests'

scripts/tsan.sh

scripts/fuzz.sh 60
