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
# shellcheck source=compare_setup.sh
source "$here/bench/compare_setup.sh"

# pages PDF: one line per page, "N md5" of its rendering
pages() {
    local out=$work/render
    rm -rf "$out" && mkdir -p "$out"
    pdftoppm -r "$dpi" "$1" "$out/p"
    (cd "$out" && md5sum p-*.ppm | awk '{print $2, $1}' | sort -V)
}

status=0
for name in list demo; do
    expand_fixture $name "$reference" --pdf "$work/$name-reference.pdf"
    expand_fixture $name "$current" --pdf "$work/$name-current.pdf"
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
