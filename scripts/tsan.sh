#!/usr/bin/env bash
# The threads that paint and write output, under ThreadSanitizer: builds `karvell` with the
# preset "tsan" and prints long runs with it (a list report of ROWS rows as one PDF, OFD and
# PNG pages; the demo month as a batch to PDF and OFD, whole and in parts, joined), so that both
# painting threads, the spool read while it is written and the OFD writing thread all run. Fails
# on the first report, and when a PDF's text differs from the one the normal build prints.
#
# The programs are checked rather than the test suites: tests that run a tool with QProcess
# make ThreadSanitizer report races on mutex-guarded data afterwards, because Qt starts
# programs in a way it does not follow.
#
#   scripts/tsan.sh [ROWS]          ROWS defaults to 3000 (70 pages)
#   REFERENCE=other/karvell scripts/tsan.sh   the normal build to compare the text with
#                                             (default build/apps/karvell/karvell)
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
rows=${1:-3000}
reference=${REFERENCE:-$here/build/apps/karvell/karvell}
[ -x "$reference" ] || {
    echo "tsan.sh: no normal build at $reference (scripts/setup.sh first)" >&2
    exit 2
}

scripts/setup.sh tsan karvell >/dev/null
karvell=$here/build-tsan/apps/karvell/karvell
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen KARVELL_PDF_DIR=$work/out
export TSAN_OPTIONS="halt_on_error=1:exitcode=66:second_deadlock_stack=1:${TSAN_OPTIONS:-}"

# Runs a command of the ThreadSanitizer build; a report (or any failure) ends the script.
run() {
    local what=$1
    shift
    if ! "$karvell" "$@" >"$work/log" 2>&1; then
        grep -v '^QStandardPaths:' "$work/log" >&2
        echo "tsan.sh: $what failed under ThreadSanitizer" >&2
        exit 1
    fi
}

"$reference" make-demo "$work/demo" >/dev/null 2>&1
KARVELL=$reference bench/make_list_report.sh "$rows" "$work/list" >/dev/null 2>&1
db=$work/demo/quorbex.db
voucher=$work/demo/edj/记账凭证.edj
month=(--db "$db" --master 'select * from Month_Main order by 凭证号'
    --detail 'select * from Month_Detail order by 凭证号, 序号' --key 凭证号)
list=("$work/list/list.ept" --db "$work/list/list.db"
    --dataset '从表=select * from 从表 order by 序号')

run "expand --pdf" expand "${list[@]}" --pdf "$work/list.pdf"
run "expand --ofd" expand "${list[@]}" --ofd "$work/list.ofd"
mkdir "$work/png"
run "expand --png" expand "${list[@]}" --png "$work/png"
run "batch --pdf" batch "$voucher" "${month[@]}" --pdf "$work/month.pdf"
run "batch --ofd" batch "$voucher" "${month[@]}" --ofd "$work/month.ofd"
for k in 1 2 3; do
    run "batch --shard $k/3" batch "$voucher" "${month[@]}" --shard "$k/3" --pdf "$work/part$k.pdf"
done
run "join" join "$work/joined.pdf" "$work/part1.pdf" "$work/part2.pdf" "$work/part3.pdf"

# The same text as the normal build's: what the threads painted is what the data says.
"$reference" expand "${list[@]}" --pdf "$work/list-ref.pdf" >/dev/null 2>&1
"$reference" batch "$voucher" "${month[@]}" --pdf "$work/month-ref.pdf" >/dev/null 2>&1
status=0
for pair in list:list-ref month:month-ref joined:month-ref; do
    a=${pair%%:*} b=${pair##*:}
    if ! cmp -s <(pdftotext -layout "$work/$a.pdf" -) <(pdftotext -layout "$work/$b.pdf" -); then
        echo "tsan.sh: $a.pdf's text differs from the normal build's $b.pdf" >&2
        status=1
    fi
done
pages=$(pdfinfo "$work/list.pdf" | sed -n 's/^Pages: *//p')
pngs=$(find "$work/png" -name '*.png' | wc -l)
if [ "$pngs" != "$pages" ]; then
    echo "tsan.sh: $pngs PNG pages for a PDF of $pages" >&2
    status=1
fi
((status == 0)) && echo "tsan.sh: no race reported; $pages list pages and the month as the normal build prints them"
exit $status
