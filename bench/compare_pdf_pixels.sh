#!/usr/bin/env bash
# Checks that a change to the print path leaves every printed pixel and the text as they were:
# prints the list report of bench/make_list_report.sh and the demo voucher with a reference
# karvell and with this tree's karvell, renders every page of both PDFs with pdftoppm and
# compares the pages byte for byte, and the pdftotext texts.
#
#   bench/compare_pdf_pixels.sh REFERENCE [ROWS [DPI]]
#
# REFERENCE is a karvell executable or a git revision (built into a temporary folder).
# ROWS defaults to 5000 (about 117 pages), DPI to 150. Ends with status 0 when all is equal.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
reference=$1
rows=${2:-5000}
dpi=${3:-150}
current=$here/build/apps/karvell/karvell
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

# shellcheck source=reference_karvell.sh
source "$here/bench/reference_karvell.sh"
reference=$(reference_karvell "$reference" "$work")

KARVELL=$current "$here/bench/make_list_report.sh" "$rows" "$work/list"
"$current" make-demo "$work/demo" >/dev/null 2>&1

# print NAME KARVELL OUT.pdf
print() {
    case $1 in
    list) "$2" expand "$work/list/list.ept" --db "$work/list/list.db" \
        --dataset '从表=select * from 从表 order by 序号' --pdf "$3" ;;
    demo) "$2" expand "$work/demo/edj/记账凭证.edj" --db "$work/demo/quorbex.db" \
        --dataset '主表=select * from Quorbex_Main' \
        --dataset '从表=select * from Quorbex_Detail' --pdf "$3" ;;
    esac 2>&1 | { grep -v '^QStandardPaths:' || true; } >&2
}

# pages PDF: one line per page, "N md5" of its rendering
pages() {
    local out=$work/render
    rm -rf "$out" && mkdir -p "$out"
    pdftoppm -r "$dpi" "$1" "$out/p"
    (cd "$out" && md5sum p-*.ppm | awk '{print $2, $1}' | sort -V)
}

status=0
for name in list demo; do
    print $name "$reference" "$work/$name-reference.pdf"
    print $name "$current" "$work/$name-current.pdf"
    pages "$work/$name-reference.pdf" >"$work/$name-reference.md5"
    pages "$work/$name-current.pdf" >"$work/$name-current.md5"
    count=$(wc -l <"$work/$name-reference.md5")
    if ! diff -q "$work/$name-reference.md5" "$work/$name-current.md5" >/dev/null; then
        echo "$name: pages differ at $dpi dpi:" >&2
        diff "$work/$name-reference.md5" "$work/$name-current.md5" | head -20 >&2
        status=1
    elif ! cmp -s <(pdftotext "$work/$name-reference.pdf" -) <(pdftotext "$work/$name-current.pdf" -); then
        echo "$name: the texts differ" >&2
        status=1
    else
        echo "$name: $count pages identical at $dpi dpi, same text" \
            "($(stat -c %s "$work/$name-reference.pdf") -> $(stat -c %s "$work/$name-current.pdf") bytes)" >&2
    fi
done
exit $status
