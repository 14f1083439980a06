#!/usr/bin/env bash
# Checks that a change to the OFD path writes the same documents: exports the list report of
# bench/make_list_report.sh, the demo voucher and a 100-page voucher with a reference karvell
# and with this tree's karvell, unpacks both packages and compares their parts byte for byte,
# in order. Only the document's fresh identifier (DocID) and its creation date may differ.
#
#   bench/compare_ofd_parts.sh REFERENCE [ROWS]
#
# REFERENCE is a karvell executable (or a script that runs one) or a git revision (built into a
# temporary folder). ROWS defaults to 5000 (about 117 pages). Ends with status 0 when all is
# equal.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
reference=$1
rows=${2:-5000}
# shellcheck source=compare_setup.sh
source "$here/bench/compare_setup.sh"

# parts OFD DIR: unpacks the package; prints its part names in the order they are stored
parts() {
    mkdir -p "$2"
    unzip -q "$1" -d "$2"
    unzip -Z1 "$1"
    sed -i -E 's#<ofd:DocID>[^<]*</ofd:DocID>##; s#<ofd:CreationDate>[^<]*</ofd:CreationDate>##' \
        "$2/OFD.xml"
}

status=0
mkdir -p "$work/reference" "$work/current"
for name in list demo long; do
    # The same file name for both: the document's title is taken from it.
    for side in reference current; do
        program=$reference
        [ $side = current ] && program=$current
        expand_fixture $name "$program" --ofd "$work/$side/$name.ofd"
        parts "$work/$side/$name.ofd" "$work/$side/$name" >"$work/$side/$name.list"
    done
    if ! cmp -s "$work/reference/$name.list" "$work/current/$name.list"; then
        echo "$name: the packages hold other parts or in another order" >&2
        diff "$work/reference/$name.list" "$work/current/$name.list" | head -10 >&2
        status=1
    elif ! diff -rq "$work/reference/$name" "$work/current/$name" >"$work/diff" 2>&1; then
        echo "$name: parts differ:" >&2
        head -10 "$work/diff" >&2
        status=1
    else
        echo "$name: $(wc -l <"$work/reference/$name.list") parts identical" \
            "($(stat -c %s "$work/reference/$name.ofd") -> $(stat -c %s "$work/current/$name.ofd") bytes)" >&2
    fi
done
exit $status
