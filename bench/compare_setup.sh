# shellcheck shell=bash
# shellcheck disable=SC2154 # here, reference and rows: set by the script that sources this
# The set-up of the comparison scripts (compare_pdf_pixels.sh, compare_ofd_parts.sh), sourced
# after `here`, `reference` (a karvell executable, a script that runs one, or a git revision
# of this tree) and `rows` are set. Leaves `work` (a temporary folder removed at exit),
# `reference` (an executable; a revision is built in `work`) and `current` (KARVELL, else this
# tree's build) set, with the fixtures of `expand_fixture` made by `current` in `work`.
# shellcheck source=long_voucher.sh
source "$here/bench/long_voucher.sh"
current=${KARVELL:-$here/build/apps/karvell/karvell}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

if [ ! -x "$reference" ] || [ -d "$reference" ]; then
    echo "building karvell at $reference ..." >&2
    mkdir -p "$work/src"
    git -C "$here" archive "$reference" | tar -x -C "$work/src"
    cmake -S "$work/src" -B "$work/src/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKARVELL_BUILD_BENCH=OFF >/dev/null
    cmake --build "$work/src/build" --target karvell >/dev/null
    reference=$work/src/build/apps/karvell/karvell
fi

KARVELL=$current "$here/bench/make_list_report.sh" "$rows" "$work/list"
"$current" make-demo "$work/demo" >/dev/null 2>&1

# expand_fixture NAME KARVELL OPTION OUT: prints fixture NAME with KARVELL to OUT, OPTION being
# --pdf or --ofd. Fixtures: list (the list report of ROWS rows), demo (the demo voucher's three
# pages), long (the demo voucher with 1,500 detail lines, 100 pages; made when first asked for).
expand_fixture() {
    case $1 in
    list) "$2" expand "$work/list/list.ept" --db "$work/list/list.db" \
        --dataset '从表=select * from 从表 order by 序号' "$3" "$4" ;;
    demo | long)
        local db=$work/demo/quorbex.db
        if [ "$1" = long ]; then
            db=$work/long.db
            [ -f "$db" ] || long_voucher_db "$work/demo" "$db" 1500
        fi
        "$2" expand "$work/demo/edj/记账凭证.edj" --db "$db" \
            --dataset '主表=select * from Quorbex_Main' \
            --dataset '从表=select * from Quorbex_Detail order by 序号' "$3" "$4" ;;
    esac 2>&1 | { grep -v '^QStandardPaths:' || true; } >&2
}
