# The set-up of the list-report benchmarks (print_path.sh, xlsx_path.sh), sourced with their
# arguments after `here` is set: ROWS ($1, default 50000) rows of bench/make_list_report.sh in
# WORKDIR ($2, else a temporary folder removed at exit), KARVELL exported (this tree's build by
# default) and Qt set to draw offscreen. Leaves `rows` and `work` set.
rows=${1:-50000}
export KARVELL=${KARVELL:-$here/build/apps/karvell/karvell}
if [ -n "${2:-}" ]; then
    work=$2
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
"$here/bench/make_list_report.sh" "$rows" "$work"
export QT_QPA_PLATFORM=offscreen
