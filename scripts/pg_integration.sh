#!/usr/bin/env bash
# Prints the demo voucher from a PostgreSQL server: starts a private server (initdb into a
# temporary folder, loopback only, its own socket folder), loads the demo tables, points the
# ODBC data source "acc_Quorbex" at it through the PostgreSQL Unicode ODBC driver, runs
# `danmere 1` and checks the PDF files. The server is stopped and removed at the end.
# Usage: scripts/pg_integration.sh   (KARVELL_BUILD_DIR=DIR uses an existing build, no set-up)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
ROOT=$(pwd)

if [ -n "${KARVELL_BUILD_DIR:-}" ]; then
    BUILD=$(cd "$KARVELL_BUILD_DIR" && pwd)
else
    scripts/setup.sh default || exit 1
    BUILD=$ROOT/build
fi
KARVELL=$BUILD/apps/karvell/karvell
DANMERE=$BUILD/apps/danmere/danmere

passed=0
failed=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok     $what"
    else
        failed=$((failed + 1))
        echo "FAILED $what"
    fi
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit $?
}

PGBIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
PSQLODBC=""
for f in /usr/lib/*/odbc/psqlodbcw.so /usr/lib/odbc/psqlodbcw.so /usr/local/lib/psqlodbcw.so; do
    [ -f "$f" ] && PSQLODBC=$f && break
done
if [ -z "$PGBIN" ] || [ -z "$PSQLODBC" ]; then
    check "PostgreSQL server and ODBC driver installed" false
    finish
fi

WORK=$(mktemp -d /tmp/karvell-pg.XXXXXX)
chmod 755 "$WORK"
DATA=$WORK/data
SOCK=$WORK/socket
LOGS=$WORK/log
RUN=$WORK/run
mkdir -p "$DATA" "$SOCK" "$LOGS"
# The server refuses to run as root: it runs as the postgres user then.
if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$DATA" "$SOCK" "$LOGS"
    as_server() { runuser -u postgres -- "$@"; }
else
    as_server() { "$@"; }
fi
PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])')
# The role's password is not the one in the program's connection string: KARVELL_DB_PASSWORD
# supplies it.
DBPASS="pg-$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')"

cleanup() {
    as_server "$PGBIN/pg_ctl" -D "$DATA" -m fast -w stop >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT

as_server "$PGBIN/initdb" -D "$DATA" -U postgres -E UTF8 --no-locale --auth-local=trust \
    --auth-host=scram-sha-256 >"$LOGS/initdb.log" 2>&1
check "initdb" test -f "$DATA/PG_VERSION"
as_server "$PGBIN/pg_ctl" -D "$DATA" -l "$LOGS/server.log" -w \
    -o "-p $PORT -k $SOCK -c listen_addresses=127.0.0.1" start >/dev/null 2>&1
check "server started on 127.0.0.1:$PORT" as_server "$PGBIN/pg_isready" -h "$SOCK" -p "$PORT" -q
if [ "$failed" -ne 0 ]; then
    cat "$LOGS/server.log" 2>/dev/null
    finish
fi

export PGCLIENTENCODING=UTF8
psql_admin() {
    as_server "$PGBIN/psql" -X -q -h "$SOCK" -p "$PORT" -U postgres -v ON_ERROR_STOP=1 "$@"
}
psql_admin -d postgres -c "create role quorbex login password '$DBPASS'" &&
    psql_admin -d postgres \
        -c "create database quorbex owner quorbex encoding 'UTF8' template template0"

# The demo template and the same three tables as the embedded demo.
"$KARVELL" make-demo "$RUN" >/dev/null 2>&1
"$KARVELL" make-demo --sql "$WORK/demo.sql" 2>/dev/null
chmod 644 "$WORK/demo.sql"
PGPASSWORD=$DBPASS "$PGBIN/psql" -X -q -h 127.0.0.1 -p "$PORT" -U quorbex -d quorbex \
    -v ON_ERROR_STOP=1 -f "$WORK/demo.sql" >"$WORK/load.log" 2>&1
rows=$(PGPASSWORD=$DBPASS "$PGBIN/psql" -X -At -h 127.0.0.1 -p "$PORT" -U quorbex -d quorbex \
    -c "select count(*) from Quorbex_Detail" 2>/dev/null)
check "demo tables loaded (${rows:-0} detail rows)" test "${rows:-0}" -gt 0

# The data source acc_Quorbex on the PostgreSQL Unicode driver.
cat >"$RUN/odbcinst.ini" <<INI
[PostgreSQL Unicode]
Description=PostgreSQL ODBC driver (Unicode)
Driver=$PSQLODBC
INI
cat >"$RUN/odbc.ini" <<INI
[acc_Quorbex]
Description=Quorbex vouchers on PostgreSQL
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$PORT
Database=quorbex
Username=quorbex
SSLmode=disable
INI
export ODBCSYSINI=$RUN ODBCINI=$RUN/odbc.ini QT_QPA_PLATFORM=offscreen
export KARVELL_PDF_DIR=$RUN/output

# With the connection string's own password the server refuses the login: nothing is printed
# (the designer window opens instead, so the run is cut short).
(cd "$RUN" && env -u KARVELL_DB_PASSWORD timeout 10 "$DANMERE" 1 >/dev/null 2>"$WORK/nopass.err")
check "wrong password: no pages printed" test ! -d "$KARVELL_PDF_DIR"
check "wrong password: the connection error is shown" grep -q "acc_Quorbex" "$WORK/nopass.err"

(cd "$RUN" && KARVELL_DB_PASSWORD=$DBPASS timeout 120 "$DANMERE" 1 \
    >"$WORK/print.out" 2>"$WORK/print.err")
status=$?
check "danmere 1 ends by itself (exit status $status)" test "$status" -eq 0
shopt -s nullglob
pdfs=("$KARVELL_PDF_DIR"/*.pdf)
check "one PDF per page (${#pdfs[@]} files)" test "${#pdfs[@]}" -eq 3
first=$(pdftotext -layout "$KARVELL_PDF_DIR/Danmere-1.pdf" - 2>/dev/null)
last=$(pdftotext -layout "${pdfs[${#pdfs[@]}-1]:-/dev/null}" - 2>/dev/null)
for text in 记账凭证 华东精密机械有限公司 记-0087 摘要 会计科目 提取现金备用 "1002 银行存款" \
    亿千百十万千百十元角分 本页合计 过次页 "第 1/3 页"; do
    check "page 1 shows \"$text\"" grep -qF -- "$text" <<<"$first"
done
for text in 合计 人民币壹佰肆拾玖万捌仟玖佰肆拾壹元捌角伍分 承前页 "第 3/3 页" 王丽; do
    check "last page shows \"$text\"" grep -qF -- "$text" <<<"$last"
done
if [ "$failed" -ne 0 ]; then
    echo "--- danmere stderr"
    cat "$WORK/print.err"
fi

# The same rows under other declared types: every value is read as the text the server gives,
# so the grand total and its upper-case line never change. Values that are no calendar dates
# stop the print.
sql() {
    PGPASSWORD=$DBPASS "$PGBIN/psql" -X -q -h 127.0.0.1 -p "$PORT" -U quorbex -d quorbex \
        -v ON_ERROR_STOP=1 -c "$1" >>"$WORK/load.log" 2>&1
}
print_again() { # prints into a fresh output folder; answers danmere's exit status
    rm -rf "$KARVELL_PDF_DIR"
    (cd "$RUN" && KARVELL_DB_PASSWORD=$DBPASS timeout 120 "$DANMERE" 1 \
        >"$WORK/print.out" 2>"$WORK/print.err")
}
sql "create table detail_rows as select * from Quorbex_Detail"
for type in "numeric" "double precision" "text" "computed"; do
    if [ "$type" = computed ]; then
        # A computed column whose first row is null.
        sql "drop table if exists Quorbex_Detail cascade; drop view if exists Quorbex_Detail;
             create view Quorbex_Detail as select 序号, 摘要, 科目, 借方金额 * 1 as 借方金额,
             贷方金额 * 1 as 贷方金额 from detail_rows order by 借方金额 is not null, 序号"
    else
        sql "drop table if exists Quorbex_Detail; create table Quorbex_Detail (序号 integer,
             摘要 varchar(60), 科目 varchar(60), 借方金额 $type, 贷方金额 $type);
             insert into Quorbex_Detail select 序号, 摘要, 科目, 借方金额::$type,
             贷方金额::$type from detail_rows"
    fi
    print_again
    status=$?
    last=$(ls "$KARVELL_PDF_DIR"/*.pdf 2>/dev/null | sort -V | tail -n 1)
    layout=$(pdftotext -layout "${last:-/dev/null}" - 2>/dev/null | tr -d ' \n')
    check "amounts as $type: printed (exit status $status)" test "$status" -eq 0
    check "amounts as $type: grand total 1,498,941.85" grep -qF "合计149894185149894185" <<<"$layout"
    check "amounts as $type: upper-case line" grep -qF "人民币壹佰肆拾玖万捌仟玖佰肆拾壹元捌角伍分" <<<"$layout"
done
sql "alter table Quorbex_Main alter column 日期 type date using date '2024-03-31'"
# (A BC date cannot be told here: the PostgreSQL ODBC driver converts it to its year without
# the era before handing it over.)
for date in infinity; do
    sql "update Quorbex_Main set 日期 = '$date'"
    print_again
    status=$?
    check "date '$date': refused (exit status $status)" test "$status" -ne 0
    check "date '$date': nothing printed" test ! -d "$KARVELL_PDF_DIR"
    check "date '$date': the reason names the field" grep -qF "字段 日期" "$WORK/print.err"
    check "date '$date': the reason names the record" grep -qF "第 1 条记录" "$WORK/print.err"
done
if [ "$failed" -ne 0 ]; then
    echo "--- danmere stderr"
    cat "$WORK/print.err"
fi
finish
