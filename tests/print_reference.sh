#!/usr/bin/env bash
# Print output stays exactly as it was: prints the demo voucher, the demo's month of vouchers
# (batch) and a 300-row list report, renders every page at 36 dpi with pdftoppm and compares
# each page's checksum and the pdftotext text with the references in
# tests/fixtures/print-reference. A change that is meant to change the printed page updates them
# with --update (and says so in its commit).
#
#   KARVELL=build/apps/karvell/karvell tests/print_reference.sh [--update]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
karvell=${KARVELL:-$here/build/apps/karvell/karvell}
refs=$here/tests/fixtures/print-reference
update=${1:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen KARVELL_PDF_DIR=$work/out

quiet() { "$@" 2> >(grep -v '^QStandardPaths:' >&2) >/dev/null; }

quiet "$karvell" make-demo "$work/demo"
KARVELL=$karvell quiet "$here/bench/make_list_report.sh" 300 "$work/list"
db=$work/demo/quorbex.db
quiet "$karvell" expand "$work/demo/edj/记账凭证.edj" --db "$db" \
    --dataset '主表=select * from Quorbex_Main' --dataset '从表=select * from Quorbex_Detail' \
    --pdf "$work/demo.pdf"
quiet "$karvell" batch "$work/demo/edj/记账凭证.edj" --db "$db" \
    --master 'select * from Month_Main order by 凭证号' \
    --detail 'select * from Month_Detail order by 凭证号, 序号' --key 凭证号 --pdf "$work/month.pdf"
quiet "$karvell" expand "$work/list/list.ept" --db "$work/list/list.db" \
    --dataset '从表=select * from 从表 order by 序号' --pdf "$work/list.pdf"

status=0
for name in demo month list; do
    mkdir -p "$work/r-$name"
    pdftoppm -r 36 "$work/$name.pdf" "$work/r-$name/p"
    (cd "$work/r-$name" && md5sum p-*.ppm | awk '{print $2, $1}' | sort -V) >"$work/$name.md5"
    pdftotext "$work/$name.pdf" "$work/$name.txt"
    if [ "$update" = --update ]; then
        cp "$work/$name.md5" "$work/$name.txt" "$refs/"
        continue
    fi
    if ! diff -q "$refs/$name.md5" "$work/$name.md5" >/dev/null; then
        echo "$name: printed pages differ from the reference:" >&2
        diff "$refs/$name.md5" "$work/$name.md5" | head -10 >&2
        status=1
    elif ! cmp -s "$refs/$name.txt" "$work/$name.txt"; then
        echo "$name: the text differs from the reference:" >&2
        diff "$refs/$name.txt" "$work/$name.txt" | head -10 >&2
        status=1
    else
        echo "$name: $(wc -l <"$work/$name.md5") pages as the reference"
    fi
done
exit $status
