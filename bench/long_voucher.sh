# shellcheck shell=bash
# Sourced by the benchmarks of long runs (memory_pages.sh, compare_setup.sh).
# `long_voucher_db DEMO_DIR DB ROWS` writes DB: the database of `karvell make-demo DEMO_DIR`
# with ROWS detail records in one voucher (the demo voucher prints 15 detail lines a page).
long_voucher_db() {
    local demo=$1 db=$2 rows=$3
    cp "$demo/quorbex.db" "$db"
    sqlite3 "$db" <<SQL
delete from Quorbex_Detail;
with recursive n(i) as (select 1 union all select i + 1 from n where i < $rows)
insert into Quorbex_Detail
select i, printf('支付办公用品费用第%d笔', i),
       case i % 2 when 0 then '1001 库存现金' else '1002 银行存款' end,
       case i % 2 when 0 then round(100 + (i % 97) * 3.21, 2) end,
       case i % 2 when 1 then round(100 + (i % 97) * 3.21, 2) end
from n;
SQL
}
