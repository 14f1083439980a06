#!/usr/bin/env bash
# The whole print path of a long list report (bench/make_list_report.sh): expanded and printed
# into one PDF by `karvell expand --pdf`. Prints the wall time and the peak memory of that run.
#
#   bench/print_path.sh [ROWS [WORKDIR]]           ROWS defaults to 50000; WORKDIR keeps
#                                                  list.ept, list.db and list.pdf
#   KARVELL=other/build/karvell bench/print_path.sh  measures another build
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=list_setup.sh
source "$here/bench/list_setup.sh"
/usr/bin/time -f '%e s wall, %U s user, %S s system, %M KB peak RSS' \
    "$KARVELL" expand "$work/list.ept" --db "$work/list.db" \
    --dataset '从表=select * from 从表 order by 序号' --pdf "$work/list.pdf" 2>&1 |
    { grep -v "^QStandardPaths:" || true; } >&2
pages=$(pdfinfo "$work/list.pdf" | sed -n 's/^Pages: *//p')
echo "$rows rows, $pages pages, $(stat -c %s "$work/list.pdf") bytes" >&2
