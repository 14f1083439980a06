#!/usr/bin/env bash
# The program's main job on the embedded default: builds everything (scripts/setup.sh), creates
# the demo voucher (template, SQLite database, ODBC data source "acc_Quorbex") in demo/run and
# prints the voucher with `danmere 1` into PDF files, one per page.
# Usage: scripts/demo.sh            (KARVELL_BUILD_DIR=DIR uses an existing build, no set-up)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

if [ -n "${KARVELL_BUILD_DIR:-}" ]; then
    BUILD=$(cd "$KARVELL_BUILD_DIR" && pwd)
else
    scripts/setup.sh default
    BUILD=$ROOT/build
fi
KARVELL=$BUILD/apps/karvell/karvell
DANMERE=$BUILD/apps/danmere/danmere

RUN=$ROOT/demo/run
OUT=$RUN/output
mkdir -p "$RUN"
# An existing demo is used as it is (it may have been changed in the designer); remove demo/run
# to start afresh.
if [ -f "$RUN/quorbex.db" ] && [ -f "$RUN/odbc.ini" ]; then
    echo "Using the existing demo in $RUN (remove the folder to create it afresh)."
else
    "$KARVELL" make-demo "$RUN" >/dev/null
fi
rm -rf "$OUT"

export ODBCSYSINI=$RUN
export ODBCINI=$RUN/odbc.ini
export QT_QPA_PLATFORM=offscreen
export KARVELL_PDF_DIR=$OUT
(cd "$RUN" && "$DANMERE" 1 >/dev/null)

shopt -s nullglob
pdfs=("$OUT"/*.pdf)
if ((${#pdfs[@]} == 0)); then
    echo "demo: no PDF was written (see the messages above)" >&2
    exit 1
fi
echo "The demo voucher (记账凭证, ${#pdfs[@]} pages) was printed to:"
for f in "${pdfs[@]}"; do
    echo "  $f"
done
echo "Template: $RUN/edj/记账凭证.edj"
echo "Database: $RUN/quorbex.db (ODBC data source acc_Quorbex)"
