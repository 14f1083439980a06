#!/usr/bin/env bash
# Peak memory against the page count: the demo voucher (`karvell make-demo`) as one long
# voucher of 15 detail lines a page, printed by `karvell expand --pdf` into 1,000, 10,000 and
# 100,000 pages. Prints the wall time and peak RSS (/usr/bin/time) of each run; memory that is
# flat in pages gives about the same peak for all three.
#
#   bench/memory_pages.sh [PAGES...]             defaults: 1000 10000 100000
#   KARVELL=other/build/karvell bench/memory_pages.sh  measures another build
#   FORMAT=ofd bench/memory_pages.sh 1000 10000    the same pages as OFD or XLSX (pdf, ofd, xlsx)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
karvell=${KARVELL:-$here/build/apps/karvell/karvell}
format=${FORMAT:-pdf}
case $format in pdf | ofd | xlsx) ;; *) echo "FORMAT is pdf, ofd or xlsx" >&2; exit 2 ;; esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
# shellcheck source=long_voucher.sh
source "$here/bench/long_voucher.sh"
[ $# -gt 0 ] || set -- 1000 10000 100000
lines_per_page=15 # detail lines on a page of the demo voucher

"$karvell" make-demo "$work/demo" >/dev/null 2>&1
for pages in "$@"; do
    rows=$((pages * lines_per_page))
    db=$work/long.db
    long_voucher_db "$work/demo" "$db" "$rows"
    stats=$({ /usr/bin/time -f '%e s wall, %U s user, %M KB peak RSS' \
        "$karvell" expand "$work/demo/edj/记账凭证.edj" --db "$db" \
        --dataset '主表=select * from Quorbex_Main' \
        --dataset '从表=select * from Quorbex_Detail order by 序号' \
        "--$format" "$work/long.$format" >/dev/null; } 2>&1 | tail -1)
    made="" # pages counted by an independent reader where there is one at hand
    [ "$format" != pdf ] || made=", $(pdfinfo "$work/long.pdf" | sed -n 's/^Pages: *//p') made"
    echo "$pages pages wanted$made ($rows detail rows, $format): $stats," \
        "$(stat -c %s "$work/long.$format") bytes, load $(cut -d' ' -f1 /proc/loadavg)"
    rm -f "$work/long.$format"
done
