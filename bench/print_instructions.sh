#!/usr/bin/env bash
# The CPU work of the print path as a count of executed instructions (valgrind's callgrind),
# which unlike wall time does not move with the machine's load or clock: the list report of
# print_path.sh printed by each given karvell, one after the other. Use it to tell whether a
# change to the print path costs CPU when print_path.sh's times are within their noise.
#
#   bench/print_instructions.sh [KARVELL...]        default: this tree's build
#   ROWS=50000 bench/print_instructions.sh A B     ROWS defaults to 10,000 (233 pages, about
#                                                  a minute a build under callgrind)
# Needs valgrind (Debian package `valgrind`).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
[ $# -gt 0 ] || set -- "$here/build/apps/karvell/karvell"
# shellcheck source=list_setup.sh
source "$here/bench/list_setup.sh" "${ROWS:-10000}"
for karvell in "$@"; do
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$karvell" expand \
        "$work/list.ept" --db "$work/list.db" --dataset '从表=select * from 从表 order by 序号' \
        --pdf "$work/list.pdf" >/dev/null 2>"$work/callgrind.log"
    collected=$(sed -n 's/.*Collected : *//p' "$work/callgrind.log")
    pages=$(pdfinfo "$work/list.pdf" | sed -n 's/^Pages: *//p')
    printf '%s: %s instructions, %s pages\n' "$karvell" "$collected" "$pages"
done
