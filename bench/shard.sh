#!/usr/bin/env bash
# A large period split across processes: VOUCHERS vouchers (default 20,000; 3 to 12 detail
# lines each, balanced) of the demo voucher printed by `karvell batch` whole, and in 2 and 4
# parts run side by side with GNU parallel (Debian package `parallel`) and joined with
# `karvell join`. Prints the wall time of each (parts plus join) and checks that the joined
# file has the whole batch's text.
#
#   bench/shard.sh [VOUCHERS [PARTS...]]        PARTS default: 1 2 4
#   KARVELL=other/build/karvell bench/shard.sh   measures another build
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export KARVELL=${KARVELL:-$here/build/apps/karvell/karvell}
vouchers=${1:-20000}
shift || true
[ $# -gt 0 ] || set -- 1 2 4
command -v parallel >/dev/null || { echo "bench/shard.sh needs GNU parallel (apt-get install parallel)" >&2; exit 1; }
export work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

"$KARVELL" make-demo "$work/demo" >/dev/null 2>&1
sqlite3 "$work/demo/quorbex.db" <<SQL
create table Big_Main as select * from Month_Main where 0;
create table Big_Detail as select * from Month_Detail where 0;
with recursive n(i) as (select 1 union all select i + 1 from n where i < $vouchers)
insert into Big_Main
select printf('记-%06d', i), printf('2024年03月%02d日', i % 28 + 1), '华东精密机械有限公司',
       i % 13, '王丽', '陈建国', '李明'
from n;
with recursive n(i) as (select 1 union all select i + 1 from n where i < $vouchers),
     l(j) as (select 1 union all select j + 1 from l where j < 12)
insert into Big_Detail
select printf('记-%06d', i), j, printf('支付办公用品费用第%d笔', i), '6602 管理费用',
       round(100 + (i * 7 + j) % 997 * 3.21, 2), null
from n join l on j <= 3 + i % 10;
-- one credit line per voucher that balances it
insert into Big_Detail
select 凭证号, 99, '结算', '1002 银行存款', null, round(sum(借方金额), 2)
from Big_Detail group by 凭证号;
SQL

part() { # K N: part K of N into part-N-K.pdf
    "$KARVELL" batch "$work/demo/edj/记账凭证.edj" --db "$work/demo/quorbex.db" \
        --master 'select * from Big_Main order by 凭证号' \
        --detail 'select * from Big_Detail order by 凭证号, 序号' --key 凭证号 \
        --shard "$1/$2" --pdf "$work/part-$2-$1.pdf" >/dev/null 2>&1
}
export -f part

for n in "$@"; do
    start=$(date +%s.%N)
    seq 1 "$n" | parallel --will-cite -j "$n" part {} "$n"
    files=()
    for k in $(seq 1 "$n"); do files+=("$work/part-$n-$k.pdf"); done
    if [ "$n" -gt 1 ]; then
        "$KARVELL" join "$work/joined-$n.pdf" "${files[@]}" >/dev/null
    else
        cp "${files[0]}" "$work/joined-$n.pdf"
    fi
    end=$(date +%s.%N)
    pages=$(pdfinfo "$work/joined-$n.pdf" | sed -n 's/^Pages: *//p')
    same=""
    if [ "$n" -gt 1 ]; then
        cmp -s <(pdftotext "$work/joined-1.pdf" - 2>/dev/null) \
            <(pdftotext "$work/joined-$n.pdf" - 2>/dev/null) && same=", text as 1 part" ||
            same=", TEXT DIFFERS from 1 part"
    fi
    printf '%s vouchers, %d part(s): %.1f s wall (parts + join), %s pages%s, load %s\n' \
        "$vouchers" "$n" "$(echo "$end - $start" | bc)" "$pages" "$same" \
        "$(cut -d' ' -f1 /proc/loadavg)"
done
