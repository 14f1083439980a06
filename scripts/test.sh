#!/usr/bin/env bash
# Runs the whole test suite: the normal build (unit, widget and program tests, and the demo
# voucher printed from a private PostgreSQL server), then the core and data tests again under
# AddressSanitizer + UndefinedBehaviorSanitizer. Sets everything up on a fresh machine.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen

scripts/setup.sh default
ctest --preset default -j2

scripts/setup.sh asan core_tests data_tests
ctest --preset asan -j2 -L 'core_tests|data_tests'
