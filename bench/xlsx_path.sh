#!/usr/bin/env bash
# The spreadsheet output of a long list report (bench/make_list_report.sh): expanded and
# written into one workbook by `karvell expand --xlsx`. Prints the wall time and the peak
# memory of that run (/usr/bin/time -v), then the workbook's size.
#
#   bench/xlsx_path.sh [ROWS [WORKDIR]]            ROWS defaults to 50000; WORKDIR keeps
#                                                  list.ept, list.db and list.xlsx
#   KARVELL=other/build/karvell bench/xlsx_path.sh  measures another build
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=list_setup.sh
source "$here/bench/list_setup.sh"
/usr/bin/time -v "$KARVELL" expand "$work/list.ept" --db "$work/list.db" \
    --dataset '从表=select * from 从表 order by 序号' --xlsx "$work/list.xlsx" 2>&1 >/dev/null |
    grep -E "Elapsed \(wall|User time|System time|Maximum resident" >&2
echo "$rows rows, $(stat -c %s "$work/list.xlsx") bytes" >&2
