#!/usr/bin/env bash
# Writes the list report of the print-path benchmark into DIR: the template DIR/list.ept (five
# columns: headings, a detail line with an amount in "0,.00", a page footer with "`PageNum/"
# and "`SumPage(5)"), built with `karvell apply` as a user builds it, and DIR/list.db, a SQLite
# file with ROWS detail records in table 从表.
#
#   bench/make_list_report.sh ROWS DIR
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
rows=$1
dir=$2
karvell=${KARVELL:-$here/build/apps/karvell/karvell}
mkdir -p "$dir"

cat >"$dir/list-ops.json" <<'JSON'
[
  {"op": "NewTable", "columns": 5, "rows": 4},
  {"op": "SetCellWidth", "cell": [1, 0], "width": 70},
  {"op": "SetCellWidth", "cell": [1, 1], "width": 100},
  {"op": "SetCellWidth", "cell": [1, 2], "width": 130},
  {"op": "SetCellWidth", "cell": [1, 3], "width": 220},
  {"op": "SetCellWidth", "cell": [2, 0], "width": 70},
  {"op": "SetCellWidth", "cell": [2, 1], "width": 100},
  {"op": "SetCellWidth", "cell": [2, 2], "width": 130},
  {"op": "SetCellWidth", "cell": [2, 3], "width": 220},
  {"op": "SetCellWidth", "cell": [3, 0], "width": 70},
  {"op": "SetCellWidth", "cell": [3, 1], "width": 100},
  {"op": "SetCellWidth", "cell": [3, 2], "width": 130},
  {"op": "SetCellWidth", "cell": [3, 3], "width": 220},
  {"select": [[0, 0], [0, 1], [0, 2], [0, 3], [0, 4]]},
  {"op": "CombineCell"},
  {"op": "SetCellText", "cell": [0, 0], "text": "科目明细清单"},
  {"select": [[0, 0]]},
  {"op": "SetSelFont", "font": {"lfFaceName": "黑体", "lfHeight": -24, "lfWeight": 700}},
  {"op": "SetSelAlign", "horz": 1, "vert": 1},
  {"op": "SetSelBorders", "left": false, "top": false, "right": false, "bottom": false, "leftWidth": 1, "topWidth": 1, "rightWidth": 1, "bottomWidth": 1},
  {"op": "SetDragHeight", "line": 0, "height": 60},
  {"op": "SetCellText", "cell": [1, 0], "text": "序号"},
  {"op": "SetCellText", "cell": [1, 1], "text": "日期"},
  {"op": "SetCellText", "cell": [1, 2], "text": "科目"},
  {"op": "SetCellText", "cell": [1, 3], "text": "摘要"},
  {"op": "SetCellText", "cell": [1, 4], "text": "金额"},
  {"select": [[1, 0], [1, 1], [1, 2], [1, 3], [1, 4]]},
  {"op": "SetSelFont", "font": {"lfFaceName": "黑体", "lfHeight": -15, "lfWeight": 700}},
  {"op": "SetSelAlign", "horz": 1, "vert": 1},
  {"op": "SetSelColors", "textColor": "#000000", "backColor": "#E8ECF2"},
  {"op": "SetCellText", "cell": [2, 0], "text": "#从表.序号"},
  {"op": "SetCellText", "cell": [2, 1], "text": "#从表.日期"},
  {"op": "SetCellText", "cell": [2, 2], "text": "#从表.科目"},
  {"op": "SetCellText", "cell": [2, 3], "text": "#从表.摘要"},
  {"op": "SetCellText", "cell": [2, 4], "text": "#从表.金额"},
  {"select": [[2, 4]]},
  {"op": "SetSelDispFormat", "format": "0,.00"},
  {"op": "SetSelAlign", "horz": 2, "vert": 1},
  {"op": "SetCellText", "cell": [3, 0], "text": "本页合计"},
  {"op": "SetCellText", "cell": [3, 2], "text": "`PageNum/"},
  {"op": "SetCellText", "cell": [3, 4], "text": "`SumPage(5)"},
  {"select": [[3, 4]]},
  {"op": "SetSelDispFormat", "format": "0,.00"},
  {"op": "SetSelAlign", "horz": 2, "vert": 1},
  {"clear": true}
]
JSON
QT_QPA_PLATFORM=offscreen "$karvell" apply new "$dir/list-ops.json" -o "$dir/list.ept" 2>&1 |
    { grep -v '^QStandardPaths:' || true; } >&2
[ -s "$dir/list.ept" ]

rm -f "$dir/list.db"
sqlite3 "$dir/list.db" <<SQL
create table 从表 (序号 integer, 日期 text, 科目 text, 摘要 text, 金额 real);
with recursive n(i) as (select 1 union all select i + 1 from n where i < $rows)
insert into 从表
select i,
       printf('2024-%02d-%02d', i % 12 + 1, i % 28 + 1),
       case i % 5 when 0 then '库存现金' when 1 then '银行存款' when 2 then '应收账款'
                  when 3 then '管理费用' else '应付职工薪酬' end,
       printf('支付办公用品费用第%d笔', i),
       round(1000 + (i % 997) * 13.37, 2)
from n;
SQL
